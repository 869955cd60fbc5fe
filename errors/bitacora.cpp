#include "errors/bitacora.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "db/textos.h"
#include "plataforma/archivos.h"
#include "plataforma/pagina_codigos.h"
#include "plataforma/proceso.h"
#include "plataforma/rutas.h"

namespace errors {

Bitacora::Bitacora(Directorio directorio, const engine::Reloj& reloj)
    : directorio_(std::move(directorio)), reloj_(reloj) {}

std::string una_linea(std::string_view texto) {
  std::string out(texto);
  for (char& c : out)
    if (c == '\n' || c == '\r') c = ' ';
  return out;
}

std::string linea_de_archivo(std::string_view texto) {
  const std::string utf8 = plataforma::utf8_valido(texto);
  std::string out;
  out.reserve(utf8.size() + 2);
  auto escapado = [&](unsigned char c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
  };
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const auto sigue = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
    if (c == '\n' || c == '\r') {
      out += ' ';
    } else if ((c < 0x20 && c != '\t') || c == 0x7F) {
      escapado(c);
    } else if (c == 0xC2 && sigue >= 0x80 && sigue <= 0x9F) {  // U+0080 to U+009F
      escapado(sigue);
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  const plataforma::FormaBitacora forma = plataforma::forma_bitacora();
  if (forma.pagina_suite) out = plataforma::hacia_suite(out);
  return out + forma.fin_de_linea;
}

Respaldo directorio_de_respaldo() {
  namespace fs = std::filesystem;
  if (fs::path base = plataforma::carpeta_de_estado(); !base.empty()) {
    fs::path dir = base / "envioauto";
    std::error_code ec;
    fs::create_directories(dir, ec);
    return {dir, {}};
  }
  const std::string nombre = "envioauto-" + plataforma::usuario();
  std::error_code ec;
  const fs::path temporal = fs::temp_directory_path(ec);
  if (ec) return {{}, db::textos::archivo_no_abre(nombre, ec.message())};
  fs::path dir = temporal / nombre;
  const plataforma::CarpetaPrivada privada = plataforma::carpeta_privada(dir);
  switch (privada.estado) {
    case plataforma::Privada::Enlace:
      return {dir, db::textos::carpeta_enlace(plataforma::texto(dir))};
    case plataforma::Privada::Ajena:
      return {dir, db::textos::carpeta_ajena(plataforma::texto(dir))};
    case plataforma::Privada::Lista:
    case plataforma::Privada::Fallo:  // opening the log reports why
      break;
  }
  return {dir, {}};
}

Bitacora::Destino Bitacora::destino(const char* archivo) const {
  const std::string dir = directorio_();
  if (!dir.empty()) return {plataforma::ruta(dir) / archivo, {}};
  Respaldo r = directorio_de_respaldo();
  if (!r.rechazo.empty()) return {{}, std::move(r.rechazo)};
  return {r.carpeta / archivo, {}};
}

std::filesystem::path Bitacora::ruta(const char* archivo) const { return destino(archivo).ruta; }

std::string Bitacora::sello() const {
  db::Timestamp t = reloj_.ahora();
  return db::format_date(t.date) + "," + db::format_time(t.time);
}

std::string Bitacora::ultimo_error(std::string_view texto) const {
  db::Timestamp t = reloj_.ahora();
  return "Ult. error:" + db::format_date(t.date) + ":" + db::format_time(t.time) + " " +
         std::string(texto);
}

bool Bitacora::agregar(const char* archivo, std::string_view linea) {
  const Destino d = destino(archivo);
  std::string fallo = d.rechazo;
  if (fallo.empty()) {
    const std::string text = linea_de_archivo(linea);
    // A link planted in the log's place is not followed: the line would go wherever it
    // points, with the agent's rights.
    const plataforma::Escrito e =
        plataforma::escribir(d.ruta, text, plataforma::Escritura::Agregar);
    if (e.al_abrir)
      fallo = db::textos::archivo_no_abre(plataforma::texto(d.ruta), e.al_abrir.message());
    else if (e.al_escribir)
      fallo = db::textos::archivo_no_escribe(plataforma::texto(d.ruta), e.al_escribir.message());
  }
  if (fallo.empty()) {
    ultimo_fallo_.clear();
    return true;
  }
  if (fallo != ultimo_fallo_) {
    ultimo_fallo_ = fallo;
    if (aviso_)
      aviso_(fallo);
    else
      std::fprintf(stderr, "envioauto: %s\n", plataforma::para_consola(fallo).c_str());
  }
  return false;
}

void Bitacora::error(std::string_view identidad, std::string_view mensaje) {
  agregar(kErrorEnvio, sello() + "," + std::string(identidad) + "," + std::string(mensaje));
}

void Bitacora::conexion_fallida(std::string_view ruta_bd, std::string_view motivo) {
  agregar(kErrorEnvio, sello() + ",No se pudo conectar con el servidor " + std::string(ruta_bd) +
                           (motivo.empty() ? "" : ": " + una_linea(motivo)));
}

void Bitacora::auditoria(std::string_view id, std::string_view tipo, std::string_view documento,
                         std::string_view sql) {
  agregar(kAuditoria, sello() + "," + std::string(id) + "," + std::string(tipo) + "," +
                          plataforma::desde_suite(documento) + "," + plataforma::desde_suite(sql));
}

void Bitacora::acceso(std::string_view usuario, std::string_view mensaje) {
  agregar(kErroresAcceso, sello() + "," + std::string(usuario) + "," + std::string(mensaje));
}

namespace {

std::string archivo_ciclo(std::string_view compania) {
  return std::string(kUltimoCiclo) + plataforma::desde_suite(compania) + ".TXT";
}

}  // namespace

void Bitacora::fin_de_ciclo(std::string_view compania, int frecuencia) {
  const std::string nombre = archivo_ciclo(compania);
  const Destino d = destino(nombre.c_str());
  if (!d.rechazo.empty()) throw std::runtime_error(d.rechazo);
  std::filesystem::path temporal = d.ruta;
  temporal += ".nuevo";
  const plataforma::Escrito e =
      plataforma::escribir(temporal, sello() + "," + std::to_string(frecuencia) + "\n",
                           plataforma::Escritura::Reemplazar);
  if (!e) {
    const std::error_code& ec = e.al_abrir ? e.al_abrir : e.al_escribir;
    throw std::runtime_error(
        db::textos::archivo_no_escribe(plataforma::texto(temporal), ec.message()));
  }
  std::error_code ec;
  std::filesystem::rename(temporal, d.ruta, ec);
  if (ec)
    throw std::runtime_error(
        db::textos::archivo_no_escribe(plataforma::texto(d.ruta), ec.message()));
}

std::optional<FinDeCiclo> Bitacora::ultimo_ciclo(std::string_view compania) const {
  const std::string nombre = archivo_ciclo(compania);
  const std::filesystem::path archivo = ruta(nombre.c_str());
  if (archivo.empty()) return std::nullopt;
  std::ifstream f(archivo, std::ios::binary);
  std::string linea;
  if (!f || !std::getline(f, linea)) return std::nullopt;
  // date,time,minutes
  const std::size_t c1 = linea.find(',');
  const std::size_t c2 = c1 == std::string::npos ? c1 : linea.find(',', c1 + 1);
  if (c2 == std::string::npos) return std::nullopt;
  try {
    FinDeCiclo fin;
    fin.cuando.date = db::parse_date(linea.substr(0, c1));
    fin.cuando.time = db::parse_time(linea.substr(c1 + 1, c2 - c1 - 1));
    fin.frecuencia = std::stoi(linea.substr(c2 + 1));
    return fin;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace errors
