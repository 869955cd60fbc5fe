#pragma once
// The central error handler. Every failure while a document is written becomes a
// line in errorenvio.txt, the error text in RPEV_ERROR of the event being processed
// (on the database where that event lives) and a silent abort of the failing write.

#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "db/connection.h"
#include "db/target_set.h"
#include "engine/cola.h"
#include "engine/evento.h"
#include "engine/tipos.h"
#include "errors/bitacora.h"

namespace errors {

// RPEV_ERROR holds this many bytes (the queue module writes it).
using engine::kLargoError;

class ManejadorErrores : public db::ApplyErrorSink {
 public:
  // `local` is the local company database (upload events live there), `socio` the
  // partner database (download events live there).
  ManejadorErrores(Bitacora& bitacora, db::Connection& local, db::Connection& socio,
                   std::function<void()> campana = {});

  // The cycle tells which event list is open and which event of it is current.
  void abrir_lista(engine::Fase fase);
  void evento_actual(engine::Fase fase, const engine::Evento& e);
  void cerrar_lista(engine::Fase fase);
  bool hay_evento_actual() const {
    return (subida_.abierta && subida_.evento) || (descarga_.abierta && descarga_.evento);
  }

  // The central handler: log line, RPEV_ERROR (when a dataset write failed), beep.
  // The caller treats the failed write as aborted.
  void ManejarError(const std::exception& e, bool escritura);
  // An error while a cached row was edited or posted: handled as a failed write; the
  // caller then ends the cycle without a message.
  void ManejarClientError(const std::exception& e);
  // An error nobody else handled. Inside a cycle it is recorded in the current
  // event's RPEV_ERROR too, so the operator sees why the event is still pending.
  void ENoManejada(const std::exception& e);

  // An apply that failed: handled as a failed write. A lost link is not a failed row:
  // it ends the event's copy at once (nothing more can be written through it), and the
  // cycle records it.
  void apply_failed(const std::exception& e) override;

  // "11|COD\EN000123,I," for the current event of an open list (UTF-8); empty otherwise.
  std::string identidad() const;

 private:
  struct Actual {
    std::string id, tipo, codigo, pref, numero, oper;
  };
  struct Lista {
    bool abierta = false;
    std::optional<Actual> evento;
  };
  Lista& lista(engine::Fase f) { return f == engine::Fase::Subida ? subida_ : descarga_; }
  void registrar_en_evento(const std::string& mensaje);

  Bitacora& bitacora_;
  db::Connection& local_;
  db::Connection& socio_;
  std::function<void()> campana_;
  Lista subida_, descarga_;
};

}  // namespace errors
