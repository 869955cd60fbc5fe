#include "errors/bitacora.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
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

std::string Bitacora::ruta(const char* archivo) const { return directorio_() + "/" + archivo; }

std::string Bitacora::sello() const {
  db::Timestamp t = reloj_.ahora();
  return db::format_date(t.date) + "," + db::format_time(t.time);
}

void Bitacora::agregar(const char* archivo, std::string_view linea) {
  std::string path = ruta(archivo);
  std::FILE* f = std::fopen(path.c_str(), "ab");
  if (!f) throw std::runtime_error(db::textos::archivo_no_abre(path, std::strerror(errno)));
  std::string text = una_linea(linea);
  text += '\n';
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) throw std::runtime_error(db::textos::archivo_no_escribe(path, std::strerror(errno)));
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
