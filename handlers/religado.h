#pragma once
// Detail lines that point at another document of the customer or the supplier (the
// invoices an application or a cash receipt pays, the notes a disbursement crosses)
// carry that document's id in the source database. The copy must point at the same
// document's id in the target, found there by its type, prefix and number through the
// shared document id lookup. Receivables and cash documents share this rule.

#include <cstddef>
#include <optional>
#include <string_view>

#include "db/rows.h"
#include "db/target_set.h"
#include "db/value.h"
#include "engine/contexto.h"
#include "engine/documentos.h"

namespace handlers {

// Where a line keeps the applied document and what it writes when the target does not
// hold it.
struct Religado {
  std::size_t tipo;                  // position of the applied document's type code
  std::size_t prefijo;               // position of its prefix
  std::size_t numero;                // position of its number
  std::size_t id;                    // position its id goes to...
  std::string_view columna_id{};     // ...or this column, when named
  engine::Subconjunto documentos{};  // the codes the lookup answers for
  // The id written when the lookup finds nothing (a code outside the subset, or a
  // NULL code, runs no statement and finds nothing); none: the id stays as copied.
  std::optional<std::int64_t> sin_documento{};
};

inline void religar_linea(engine::Contexto& ctx, db::TargetSet& t, std::size_t fila,
                          const db::Rows& lineas, std::size_t i, const Religado& r) {
  const db::Value& tipo = lineas.at(i, r.tipo);
  std::optional<db::Value> id;
  if (!tipo.is_null())
    id = engine::buscar_id_documento(ctx.destino, static_cast<int>(tipo.as_integer()),
                                     lineas.at(i, r.prefijo).as_text(),
                                     lineas.at(i, r.numero).as_text(), r.documentos);
  if (!id && r.sin_documento) id = db::Value::integer(*r.sin_documento);
  if (id) t.set(fila, r.columna_id.empty() ? r.id : t.column(r.columna_id), *id);
}

// The line hook of one table's rule (a detail table points at it).
template <const Religado& R>
void religar(engine::Contexto& ctx, db::TargetSet& t, std::size_t fila, const db::Rows& lineas,
             std::size_t i) {
  religar_linea(ctx, t, fila, lineas, i, R);
}

}  // namespace handlers
