#pragma once
// The document id lookup: for a document type code, a prefix and a number, the
// statement that finds that document's id in a database. Vouchers re-link the
// document that generated them through it; receivables, cash and payroll re-link the
// documents they apply through its customer and supplier subsets. One table for all.

#include <optional>
#include <string_view>

#include "db/connection.h"
#include "db/value.h"

namespace engine {

// The statement of one code: `antes_prefijo` + quoted prefix + `antes_numero` +
// quoted number; the first column of its first row is the id.
struct ConsultaDocumento {
  int codigo;
  std::string_view antes_prefijo;
  std::string_view antes_numero;
};

// Which codes a lookup answers for.
enum class Subconjunto {
  Todos,        // every code with a statement (10 to 75)
  Clientes,     // 31, 33, 41, 42, 45: what a customer application or receipt applies
  Proveedores,  // 21, 24, 51, 52, 55: what a supplier application or disbursement applies
};

// The statement of `codigo` within `s`; none for a code without one.
const ConsultaDocumento* consulta_documento(int codigo, Subconjunto s = Subconjunto::Todos);

// The id of document (`codigo`, `pref`, `numero`) in `c`; none when the code has no
// statement, or the document is not there (or its id is NULL).
std::optional<db::Value> buscar_id_documento(db::Connection& c, int codigo, std::string_view pref,
                                             std::string_view numero,
                                             Subconjunto s = Subconjunto::Todos);

}  // namespace engine
