#pragma once
// What a handler's table row finds of one document (or master-data row) on both sides,
// read only: the source read, the target copy found the way the handler finds it, the
// lines of each detail table and their amounts, the columns the copy carries. The
// reconciliation compares the two fingerprints; it never copies or stamps.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "engine/contexto.h"
#include "engine/maestro.h"
#include "engine/protocolo.h"
#include "engine/tipos.h"

namespace engine {

// One side of a document.
struct Huella {
  bool presente = false;
  bool anulado = false;                         // its annul column holds "S"
  std::map<std::string, std::size_t> lineas{};  // per detail table: how many lines
  // Per detail table and amount column ("ENTRADAS_DETALLE.ENDE_TOTAL"): the sum of the
  // lines, in the four-decimal money form.
  std::map<std::string, std::string> importes{};
  // The header (or master row) columns the copy carries, by target column name.
  std::map<std::string, std::string> columnas{};
};

struct Cotejo {
  Operacion operacion = Operacion::Copiar;  // what the event asks for
  bool cotejable = true;  // false: the rule gives nothing to compare for this event
  // The letter of the event that removes the copy (a source gone is repaired by it);
  // empty when the type has none.
  std::string_view borra{};
  Huella origen{};
  Huella destino{};
};

// One difference between the two sides.
struct Diferencia {
  std::string que;  // what differs, with both values
  // "origen" or "destino": the side that lacks the document or has fewer lines; empty
  // when a value differs (both values are in `que`).
  std::string lado;
};

// What the event leaves unmet: a deleted document still on the target, an annulled one
// not annulled there, a copy missing, lines or amounts or columns that differ.
std::vector<Diferencia> diferencias(const Cotejo& c);

// A value as the reconciliation compares it: numbers in the money form (NULL as 0 for
// fixed-point columns), text without trailing blanks and decoded from the suite's code
// page (it is shown as it is compared), NULL as "(nulo)".
std::string comparable(const db::Value& v, bool fijo = false);

// The fingerprints as a document row's protocol finds them (conversions included).
Cotejo cotejar(Contexto& ctx, const Documento& doc);
// The fingerprints of a master-data row (every row, for a keyed row set).
Cotejo cotejar(Contexto& ctx, const Maestro& m);

// A handler and its check from one table row.
Copia copia(const Documento& doc);
// The row depends on the event (a setting or the phase picks it).
Copia copia(Eleccion elegir);
// The row a setting or the phase picks for a new document, or the other one when the
// target already holds the document as that kind (forma_en_destino).
Copia copia(Eleccion nueva, Eleccion otra);
Copia copia(const Maestro& m);

}  // namespace engine
