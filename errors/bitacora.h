#pragma once
// The agent's text logs in the installation directory: errorenvio.txt (errors),
// ENVIO.TXT (one audit line per event processed) and ERRORES.TXT (login errors).
// One comma-separated record per line; each line is appended and the file closed
// again, so a crash never leaves a line half-buffered. Lines are given in UTF-8 and
// written in one encoding for all three files (plataforma::forma_bitacora: the suite's
// code page with CR LF on Windows, UTF-8 with LF elsewhere).

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/reloj.h"

namespace errors {

inline constexpr const char* kErrorEnvio = "errorenvio.txt";
inline constexpr const char* kAuditoria = "ENVIO.TXT";
inline constexpr const char* kErroresAcceso = "ERRORES.TXT";
// ULTIMOCICLO_<company>.TXT: when that company's last cycle reached its end.
inline constexpr const char* kUltimoCiclo = "ULTIMOCICLO_";

// The last cycle of a company that reached its end, and the minutes between cycles the
// agent ran with then.
struct FinDeCiclo {
  db::Timestamp cuando;
  int frecuencia = 1;
};

class Bitacora {
 public:
  // `directorio` gives the installation directory (UTF-8); it is asked for every line.
  using Directorio = std::function<std::string()>;
  Bitacora(Directorio directorio, const engine::Reloj& reloj);

  // errorenvio.txt: date,time,<identity>,message. `identidad` is the identity of
  // the event being processed ("11|\EN000123,I,") or empty outside any event list.
  void error(std::string_view identidad, std::string_view mensaje);
  // errorenvio.txt: date,time,No se pudo conectar con el servidor <path>
  // The path, then the server's reason (a wrong password, an unreachable host) when known.
  void conexion_fallida(std::string_view ruta, std::string_view motivo = {});
  // ENVIO.TXT: date,time,id,type,document,the SQL of the event list. The document and
  // the SQL are the suite's text (its code page), as the event list holds them.
  void auditoria(std::string_view id, std::string_view tipo, std::string_view documento,
                 std::string_view sql);
  // ERRORES.TXT: date,time,user,message.
  void acceso(std::string_view usuario, std::string_view mensaje);

  // The company is its code as the suite's databases hold it.
  // ULTIMOCICLO_<company>.TXT: one line "date,time,minutes", rewritten whole at the end
  // of every complete cycle (written beside and renamed over the old one, so a reader
  // never sees half a line). Throws std::runtime_error when it cannot be written.
  void fin_de_ciclo(std::string_view compania, int frecuencia);
  // What that file says; none when it is missing or unreadable.
  std::optional<FinDeCiclo> ultimo_ciclo(std::string_view compania) const;

  // Appends one line to a log. A log that cannot be written never stops the agent: the
  // failure goes to the warning (standard error unless `poner_aviso` says otherwise),
  // once until a line is written again, and false is returned.
  bool agregar(const char* archivo, std::string_view linea);
  using Aviso = std::function<void(const std::string&)>;
  void poner_aviso(Aviso aviso) { aviso_ = std::move(aviso); }
  // Where a log goes; empty when the fallback folder is refused (see below).
  std::filesystem::path ruta(const char* archivo) const;
  // "2026-12-09,09:16:45": the date and time that start every line.
  std::string sello() const;
  // "Ult. error:2026-12-09:09:16:45 <texto>": the window's last-error line.
  std::string ultimo_error(std::string_view texto) const;

  const engine::Reloj& reloj() const { return reloj_; }

 private:
  struct Destino {
    std::filesystem::path ruta;
    std::string rechazo;  // why the folder is not used
  };
  Destino destino(const char* archivo) const;

  Directorio directorio_;
  const engine::Reloj& reloj_;
  Aviso aviso_;
  std::string ultimo_fallo_;  // the failure last reported; empty after a line is written
};

// Where the logs go when no installation directory is configured (never the root of
// the file system): $XDG_STATE_HOME/envioauto, else ~/.local/state/envioauto; on
// Windows %LOCALAPPDATA%\envioauto. Without any of these, envioauto-<user> in the
// system's temporary folder, which others share: that one is made private to the user
// (created readable by its owner only) and refused when it is a link or someone else's.
// Created when first needed.
struct Respaldo {
  std::filesystem::path carpeta;
  std::string rechazo;  // why the folder is not used; empty when it is
};
Respaldo directorio_de_respaldo();

// A log line holds one record: line breaks inside a message become blanks.
std::string una_linea(std::string_view texto);
// The bytes a log file takes for one line of UTF-8 text: one record, control characters
// written as \xNN (an ESC in the data never reaches an operator's terminal), in the
// logs' encoding and with their line end.
std::string linea_de_archivo(std::string_view texto);

}  // namespace errors
