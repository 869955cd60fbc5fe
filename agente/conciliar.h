#pragma once
// Reconciliation: proves that what was stamped arrived whole. For every document whose
// events were stamped in the last days (the local queue going up to each addressee,
// the first active partner's queue coming down), the handler's own rule finds the copy
// on the target and the two sides are compared: header present, lines per detail
// table, sums of the line amounts, the columns the copy carries (for master data, the
// copied columns). The last event of a document says what it should be: deleted,
// annulled or copied. Reads only, unless asked to repair: then every document that
// differs gets a fresh event in the queue it came from, which the next cycle copies
// through the ordinary path. Nothing is ever copied or stamped here.

#include <cstdint>
#include <string>
#include <vector>

#include "db/connection.h"
#include "engine/cotejo.h"
#include "engine/reloj.h"
#include "engine/tipos.h"

namespace agente {

struct Discrepancia {
  std::string documento;  // "11 EN 000123" (type, prefix and number, or the master code)
  std::string sentido;    // "envío a 002" or "descarga de 002"
  engine::Diferencia diferencia;
};

// What the repair did for one document that differs.
struct Reparacion {
  enum class Estado {
    Encolado,     // a fresh event was queued
    YaPendiente,  // the document already had a pending event: none was queued
    SinEvento,    // no event of its type removes the copy
    Fallido,      // the queue refused the event
  };
  std::string documento;
  std::string sentido;
  std::string letra;  // of the fresh event
  Estado estado = Estado::Encolado;
  std::int64_t evento = 0;  // RPEV_ID of the fresh event
  std::string error{};      // why the queue refused it
};

struct Conciliacion {
  std::string compania;
  int dias = 7;
  std::vector<Discrepancia> diferencias;
  int cotejados = 0;   // documents compared
  int sin_cotejo = 0;  // documents whose handler has no rule to compare by
  int pendientes = 0;  // documents with a later event still pending: not yet due
  std::vector<std::string> inalcanzables;  // databases that could not be read
  bool reparar = false;                    // asked to repair
  std::vector<Reparacion> reparaciones;    // one per document that differs, when repairing
  // Nothing differs and every database was read.
  bool limpia() const { return diferencias.empty() && inalcanzables.empty(); }
};

struct AjustesConciliar {
  std::string compania{};         // the local company
  int dias = 7;                   // events stamped on or after today minus this many days
  std::string servidor_socios{};  // replaces every RPCO_SERVIDOR when not empty
  int espera_bloqueo = 60;
  // Queue a fresh event for every document that differs: a copy ("I"), or the letter
  // that deletes or annuls when the source is deleted or annulled. Not for a document
  // that already has a pending event without error.
  bool reparar = false;
};

Conciliacion conciliar(db::Connection& local, const AjustesConciliar& a,
                       const engine::TablaTipos& tipos, const engine::Reloj& reloj);

// One line per difference and a summary; when repairing, one line per document
// repaired (or not, and why) and a summary of the repair.
std::string texto(const Conciliacion& c);

}  // namespace agente
