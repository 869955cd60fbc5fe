#pragma once
// The agent's text logs in the installation directory: errorenvio.txt (errors),
// ENVIO.TXT (one audit line per event processed) and ERRORES.TXT (login errors).
// One comma-separated record per line; each line is appended and the file closed
// again, so a crash never leaves a line half-buffered.

#include <functional>
#include <string>
#include <string_view>

#include "engine/reloj.h"

namespace errors {

inline constexpr const char* kErrorEnvio = "errorenvio.txt";
inline constexpr const char* kAuditoria = "ENVIO.TXT";
inline constexpr const char* kErroresAcceso = "ERRORES.TXT";

class Bitacora {
 public:
  // `directorio` gives the installation directory; it is asked for every line.
  using Directorio = std::function<std::string()>;
  Bitacora(Directorio directorio, const engine::Reloj& reloj);

  // errorenvio.txt: date,time,<identity>,message. `identidad` is the identity of
  // the event being processed ("11|\EN000123,I,") or empty outside any event list.
  void error(std::string_view identidad, std::string_view mensaje);
  // errorenvio.txt: date,time,No se pudo conectar con el servidor <path>
  // The path, then the server's reason (a wrong password, an unreachable host) when known.
  void conexion_fallida(std::string_view ruta, std::string_view motivo = {});
  // ENVIO.TXT: date,time,id,type,document,the SQL of the event list.
  void auditoria(std::string_view id, std::string_view tipo, std::string_view documento,
                 std::string_view sql);
  // ERRORES.TXT: date,time,user,message.
  void acceso(std::string_view usuario, std::string_view mensaje);

  // Appends one line to a log; throws std::runtime_error when the file cannot be written.
  void agregar(const char* archivo, std::string_view linea);
  std::string ruta(const char* archivo) const;
  // "2026-12-09,09:16:45": the date and time that start every line.
  std::string sello() const;

  const engine::Reloj& reloj() const { return reloj_; }

 private:
  Directorio directorio_;
  const engine::Reloj& reloj_;
};

// A log line holds one record: line breaks inside a message become blanks.
std::string una_linea(std::string_view texto);

}  // namespace errors
