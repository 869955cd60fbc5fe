#pragma once
// Reconciliation: proves that what was stamped arrived whole. For every document whose
// events were stamped in the last days (the local queue going up to each addressee,
// the first active partner's queue coming down), the handler's own rule finds the copy
// on the target and the two sides are compared: header present, lines per detail
// table, sums of the line amounts, the columns the copy carries (for master data, the
// copied columns). The last event of a document says what it should be: deleted,
// annulled or copied. Reads only: nothing is copied and nothing stamped.

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

struct Conciliacion {
  std::string compania;
  int dias = 7;
  std::vector<Discrepancia> diferencias;
  int cotejados = 0;   // documents compared
  int sin_cotejo = 0;  // documents whose handler has no rule to compare by
  int pendientes = 0;  // documents with a later event still pending: not yet due
  std::vector<std::string> inalcanzables;  // databases that could not be read
  // Nothing differs and every database was read.
  bool limpia() const { return diferencias.empty() && inalcanzables.empty(); }
};

struct AjustesConciliar {
  std::string compania{};         // the local company
  int dias = 7;                   // events stamped on or after today minus this many days
  std::string servidor_socios{};  // replaces every RPCO_SERVIDOR when not empty
  int espera_bloqueo = 60;
};

Conciliacion conciliar(db::Connection& local, const AjustesConciliar& a,
                       const engine::TablaTipos& tipos, const engine::Reloj& reloj);

// One line per difference and a summary.
std::string texto(const Conciliacion& c);

}  // namespace agente
