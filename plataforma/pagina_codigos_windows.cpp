// The code page converter on Windows: the system's own code page tables, reached by
// number (MultiByteToWideChar / WideCharToMultiByte through UTF-16).
#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "plataforma/pagina_codigos.h"

namespace plataforma {

namespace {

std::string mayusculas(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool digitos(std::string_view s) {
  return !s.empty() && s.size() <= 5 && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// "WINDOWS-1252", "CP1252", "IBM850", "1252", "ISO-8859-15", "UTF-8": the page's number.
UINT numero_de(std::string_view nombre) {
  const std::string n = mayusculas(nombre);
  if (n == "UTF-8" || n == "UTF8") return CP_UTF8;
  for (std::string_view prefijo : {"WINDOWS-", "CP", "IBM"})
    if (n.rfind(prefijo, 0) == 0 && digitos(std::string_view(n).substr(prefijo.size())))
      return static_cast<UINT>(std::stoul(n.substr(prefijo.size())));
  for (std::string_view prefijo : {"ISO-8859-", "ISO8859-", "ISO_8859-"})
    if (n.rfind(prefijo, 0) == 0 && digitos(std::string_view(n).substr(prefijo.size())))
      return 28590 + static_cast<UINT>(std::stoul(n.substr(prefijo.size())));
  return digitos(n) ? static_cast<UINT>(std::stoul(n)) : 0;
}

std::wstring a_utf16(UINT pagina, std::string_view s) {
  if (s.empty()) return {};
  const int largo = static_cast<int>(s.size());
  const int n = MultiByteToWideChar(pagina, 0, s.data(), largo, nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(pagina, 0, s.data(), largo, w.data(), n);
  return w;
}

// UTF-16 as the page's bytes, "?" for what the page lacks (never a look-alike: "ł" is
// not silently "l"); `falto` tells whether that happened.
std::string de_utf16(UINT pagina, const std::wstring& w, bool* falto) {
  if (falto) *falto = false;
  if (w.empty()) return {};
  const int largo = static_cast<int>(w.size());
  BOOL usado = FALSE;
  // UTF-8 and a few stateful pages take neither flags nor a default character.
  const bool simple = pagina == CP_UTF8 || pagina == CP_UTF7 || pagina == 42 ||
                      (pagina >= 50220 && pagina <= 50229) || (pagina >= 57002 && pagina <= 57011);
  const DWORD banderas = simple ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* defecto = simple ? nullptr : "?";
  BOOL* pusado = simple ? nullptr : &usado;
  const int n = WideCharToMultiByte(pagina, banderas, w.data(), largo, nullptr, 0, defecto, pusado);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(pagina, banderas, w.data(), largo, s.data(), n, defecto, pusado);
  if (falto) *falto = usado != FALSE || (simple && a_utf16(pagina, s) != w);
  return s;
}

bool solo_ascii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

struct PaginaCodigos::Impl {
  std::string nombre;
  UINT numero = 0;
  bool ascii = false;  // ASCII bytes are ASCII characters: they need no conversion
};

PaginaCodigos::PaginaCodigos(std::string_view nombre) : impl_(std::make_shared<Impl>()) {
  impl_->nombre = std::string(nombre);
  impl_->numero = numero_de(nombre);
  if (impl_->numero == 0 || !IsValidCodePage(impl_->numero))
    throw std::invalid_argument(textos::pagina_desconocida(nombre));
  const std::string muestra = "AZaz09 ?,.;:'\"-_/\\\x01";
  impl_->ascii = a_utf8(muestra) == muestra;
}

const std::string& PaginaCodigos::nombre() const { return impl_->nombre; }

std::string PaginaCodigos::a_utf8(std::string_view bytes) const {
  if (impl_->ascii && solo_ascii(bytes)) return std::string(bytes);
  return de_utf16(CP_UTF8, a_utf16(impl_->numero, bytes), nullptr);
}

std::optional<std::string> PaginaCodigos::de_utf8_exacto(std::string_view utf8) const {
  if (impl_->ascii && solo_ascii(utf8)) return std::string(utf8);
  bool falto = false;
  std::string s = de_utf16(impl_->numero, a_utf16(CP_UTF8, utf8), &falto);
  if (falto) return std::nullopt;
  return s;
}

std::string PaginaCodigos::de_utf8(std::string_view utf8) const {
  if (impl_->ascii && solo_ascii(utf8)) return std::string(utf8);
  return de_utf16(impl_->numero, a_utf16(CP_UTF8, utf8), nullptr);
}

FormaBitacora forma_bitacora() { return {true, "\r\n"}; }

void tomar_locale() {}

std::string para_consola(std::string_view utf8) {
  DWORD modo = 0;
  const UINT pagina =
      GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &modo) ? GetConsoleOutputCP() : GetACP();
  return de_utf16(pagina, a_utf16(CP_UTF8, utf8), nullptr);
}

std::string del_sistema(std::string_view bytes) {
  return de_utf16(CP_UTF8, a_utf16(CP_ACP, bytes), nullptr);
}

}  // namespace plataforma

#endif
