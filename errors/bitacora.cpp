#include "errors/bitacora.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "db/textos.h"

namespace errors {

Bitacora::Bitacora(Directorio directorio, const engine::Reloj& reloj)
    : directorio_(std::move(directorio)), reloj_(reloj) {}

std::string una_linea(std::string_view texto) {
  std::string out(texto);
  for (char& c : out)
    if (c == '\n' || c == '\r') c = ' ';
  return out;
}

std::string directorio_de_respaldo() {
  namespace fs = std::filesystem;
  auto variable = [](const char* v) -> fs::path {
    const char* t = std::getenv(v);
    return t && *t ? fs::path(t) : fs::path();
  };
#ifdef _WIN32
  fs::path base = variable("LOCALAPPDATA");
#else
  fs::path base = variable("XDG_STATE_HOME");
  if (base.empty() && !variable("HOME").empty()) base = variable("HOME") / ".local" / "state";
#endif
  if (base.empty()) base = fs::temp_directory_path();
  fs::path dir = base / "envioauto";
  std::error_code ec;
  fs::create_directories(dir, ec);
  return dir.string();
}

std::string Bitacora::ruta(const char* archivo) const {
  std::string dir = directorio_();
  return (dir.empty() ? directorio_de_respaldo() : dir) + "/" + archivo;
}

std::string Bitacora::sello() const {
  db::Timestamp t = reloj_.ahora();
  return db::format_date(t.date) + "," + db::format_time(t.time);
}

bool Bitacora::agregar(const char* archivo, std::string_view linea) {
  std::string path = ruta(archivo);
  std::string fallo;
  if (std::FILE* f = std::fopen(path.c_str(), "ab")) {
    std::string text = una_linea(linea);
    text += '\n';
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) fallo = db::textos::archivo_no_escribe(path, std::strerror(errno));
  } else {
    fallo = db::textos::archivo_no_abre(path, std::strerror(errno));
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
      std::fprintf(stderr, "envioauto: %s\n", fallo.c_str());
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
                          std::string(documento) + "," + std::string(sql));
}

void Bitacora::acceso(std::string_view usuario, std::string_view mensaje) {
  agregar(kErroresAcceso, sello() + "," + std::string(usuario) + "," + std::string(mensaje));
}

}  // namespace errors
