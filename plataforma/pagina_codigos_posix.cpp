// The code page converter on POSIX systems: the C library's iconv.
#ifndef _WIN32

#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <mutex>
#include <stdexcept>

#include "plataforma/pagina_codigos.h"

namespace plataforma {

namespace {

const iconv_t kCerrado = reinterpret_cast<iconv_t>(-1);
constexpr std::string_view kReemplazo = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// What to write for a sequence that cannot be converted, and how many input bytes it
// takes; nothing: the conversion fails.
struct Tropiezo {
  std::string_view escribir;
  std::size_t saltar;
};

// Bytes of the UTF-8 sequence that starts with `c` (1 for a byte that starts none).
std::size_t largo_utf8(unsigned char c) {
  if (c >= 0xC2 && c <= 0xDF) return 2;
  if (c >= 0xE0 && c <= 0xEF) return 3;
  if (c >= 0xF0 && c <= 0xF4) return 4;
  return 1;
}

template <typename F>
std::optional<std::string> convertir(iconv_t cd, std::string_view entrada, F&& tropiezo) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // the initial state
  std::string out;
  out.reserve(entrada.size() + entrada.size() / 2);
  char buf[1024];
  char* ip = const_cast<char*>(entrada.data());
  std::size_t il = entrada.size();
  for (bool vaciar = false;;) {  // vaciar: all the input is in, the state goes out
    char* op = buf;
    std::size_t ol = sizeof buf;
    const std::size_t r =
        vaciar ? iconv(cd, nullptr, nullptr, &op, &ol) : iconv(cd, &ip, &il, &op, &ol);
    const int error = errno;
    out.append(buf, static_cast<std::size_t>(op - buf));
    if (r != static_cast<std::size_t>(-1)) {
      if (vaciar) break;
      vaciar = il == 0;
      continue;
    }
    if (error == E2BIG) continue;
    if (vaciar || (error != EILSEQ && error != EINVAL)) return std::nullopt;
    std::optional<Tropiezo> t = tropiezo(std::string_view(ip, il), error == EINVAL);
    if (!t) return std::nullopt;
    out += t->escribir;
    const std::size_t n = std::min(t->saltar, il);
    ip += n;
    il -= n;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    vaciar = il == 0;
  }
  return out;
}

bool solo_ascii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// iconv knows "CP1252" but not a bare number.
std::string nombre_iconv(std::string_view nombre) {
  const bool numero =
      !nombre.empty() && nombre.find_first_not_of("0123456789") == std::string_view::npos;
  return numero ? "CP" + std::string(nombre) : std::string(nombre);
}

std::string codificacion_local() { return nl_langinfo(CODESET); }

bool es_utf8(const std::string& codificacion) {
  return codificacion == "UTF-8" || codificacion == "utf8";
}

}  // namespace

struct PaginaCodigos::Impl {
  std::string nombre;
  iconv_t a_utf8 = kCerrado;   // the page's bytes -> UTF-8
  iconv_t de_utf8 = kCerrado;  // UTF-8 -> the page's bytes
  bool ascii = false;          // ASCII bytes are ASCII characters: they need no converter
  std::mutex m;                // an iconv descriptor serves one conversion at a time

  ~Impl() {
    if (a_utf8 != kCerrado) iconv_close(a_utf8);
    if (de_utf8 != kCerrado) iconv_close(de_utf8);
  }
};

PaginaCodigos::PaginaCodigos(std::string_view nombre) : impl_(std::make_shared<Impl>()) {
  impl_->nombre = std::string(nombre);
  const std::string n = nombre_iconv(nombre);
  if (!nombre.empty()) {
    impl_->a_utf8 = iconv_open("UTF-8", n.c_str());
    impl_->de_utf8 = iconv_open(n.c_str(), "UTF-8");
  }
  if (impl_->a_utf8 == kCerrado || impl_->de_utf8 == kCerrado)
    throw std::invalid_argument(textos::pagina_desconocida(nombre));
  const std::string muestra = "AZaz09 ?,.;:'\"-_/\\";
  impl_->ascii = a_utf8(muestra + "\x01") == muestra + "\x01";
}

const std::string& PaginaCodigos::nombre() const { return impl_->nombre; }

std::string PaginaCodigos::a_utf8(std::string_view bytes) const {
  if (impl_->ascii && solo_ascii(bytes)) return std::string(bytes);
  std::lock_guard<std::mutex> l(impl_->m);
  return *convertir(impl_->a_utf8, bytes, [](std::string_view resto, bool incompleta) {
    return Tropiezo{kReemplazo, incompleta ? resto.size() : 1};
  });
}

std::optional<std::string> PaginaCodigos::de_utf8_exacto(std::string_view utf8) const {
  if (impl_->ascii && solo_ascii(utf8)) return std::string(utf8);
  std::lock_guard<std::mutex> l(impl_->m);
  return convertir(impl_->de_utf8, utf8,
                   [](std::string_view, bool) { return std::optional<Tropiezo>(); });
}

std::string PaginaCodigos::de_utf8(std::string_view utf8) const {
  if (impl_->ascii && solo_ascii(utf8)) return std::string(utf8);
  std::lock_guard<std::mutex> l(impl_->m);
  return *convertir(impl_->de_utf8, utf8, [](std::string_view resto, bool) {
    return Tropiezo{"?", largo_utf8(static_cast<unsigned char>(resto.front()))};
  });
}

FormaBitacora forma_bitacora() { return {false, "\n"}; }

void tomar_locale() {
  std::setlocale(LC_CTYPE, "");
  if (codificacion_local() == "ANSI_X3.4-1968") std::setlocale(LC_CTYPE, "C.UTF-8");
}

std::string para_consola(std::string_view utf8) {
  const std::string c = codificacion_local();
  return es_utf8(c) ? utf8_valido(utf8) : PaginaCodigos(c).de_utf8(utf8);
}

std::string del_sistema(std::string_view bytes) {
  const std::string c = codificacion_local();
  return es_utf8(c) ? utf8_valido(bytes) : PaginaCodigos(c).a_utf8(bytes);
}

}  // namespace plataforma

#endif
