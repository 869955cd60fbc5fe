// Accounting vouchers (1): a header in COMPROBANTE_ENCABEZADO and its lines in two
// ledgers, COMPROBANTE_DETALLE and COMPROBANTE_DETALLE_NIIF. A voucher is found again by
// its type, prefix and number; a copy already in the target is never edited but removed
// and written anew under a fresh id. The header is copied by position as plain values;
// the document that generated the voucher is linked again through its copy in the
// target. Going up, the partner's accounting lock date keeps vouchers out of closed
// periods.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "db/rows.h"
#include "db/target_set.h"
#include "db/value.h"
#include "engine/cotejo.h"
#include "engine/documentos.h"
#include "engine/protocolo.h"
#include "handlers/registro.h"

namespace handlers {
namespace {

using engine::Contexto;
using engine::Documento;

// Header positions the re-link reads and writes: the prefix and number, and the type
// and id of the document that generated the voucher.
constexpr std::size_t kPrefijo = 2, kNumero = 3, kTipoOrigen = 7, kIdOrigen = 8;

// The generating document's id is the one its copy has in the target (found by the type
// in column 7 and the voucher's prefix and number), or 0 when the type has no lookup,
// is NULL, or the document is not there.
void religar_origen(Contexto& ctx, db::TargetSet& t, std::size_t fila, const db::Rows&, bool) {
  t.set(fila, kIdOrigen, db::Value::integer(0));
  const db::Value& tipo = t.value(fila, kTipoOrigen);
  if (tipo.is_null()) return;
  const std::int64_t codigo = tipo.as_integer();
  if (codigo < 10 || codigo > 75) return;
  std::optional<db::Value> id = engine::buscar_id_documento(ctx.destino, static_cast<int>(codigo),
                                                            t.value(fila, kPrefijo).as_text(),
                                                            t.value(fila, kNumero).as_text());
  if (id && !id->as_text().empty()) t.set(fila, kIdOrigen, *id);
}

// Type 1. Slots: {codigo}, {pref}, {numero} are the event's; {fila:N} column N of the
// source header; {id} a target voucher's ENCO_CONSEC.
const Documento kComprobante{
    // "D" tests its letter; any other, "A" included, copies.
    .letras = "D",
    .lectura = "select * from comprobante_encabezado where enco_consec = {iddoc}",
    // The target header set by the source's natural key: any copy already there, with
    // its id in column 0.
    .busqueda =
        "SELECT * FROM COMPROBANTE_ENCABEZADO WHERE TICO_COD = {fila:1} AND PRCO_PREF = "
        "{fila:2} AND ENCO_NUMERO = {fila:3}",
    // "D": the target vouchers with the event's type, prefix and number.
    .busqueda_borrado =
        "SELECT ENCO_CONSEC FROM COMPROBANTE_ENCABEZADO WHERE TICO_COD = {codigo} AND PRCO_PREF "
        "= {pref} AND ENCO_NUMERO = {numero}",
    .identificador = {.procedimiento = "cambie_id_comproba"},
    // The ledgers, in order; a ledger is copied only while no line has failed.
    .detalles = {{"select * from comprobante_detalle where enco_consec = {iddoc}",
                  "SELECT * FROM COMPROBANTE_DETALLE WHERE ENCO_CONSEC = {id}"},
                 {"select * from comprobante_detalle_niif where enco_consec = {iddoc}",
                  "SELECT * FROM COMPROBANTE_DETALLE_NIIF WHERE ENCO_CONSEC = {id}"}},
    // After a failed line: the voucher goes, with every line written.
    .deshacer = {"delete FROM COMPROBANTE_DETALLE WHERE ENCO_CONSEC = {id}",
                 "delete FROM COMPROBANTE_DETALLE_NIIF WHERE ENCO_CONSEC = {id}",
                 "delete FROM COMPROBANTE_ENCABEZADO WHERE ENCO_CONSEC = {id}"},
    // What removes a copy already there, in one transaction with the new header.
    .quitar = {"delete FROM COMPROBANTE_DETALLE WHERE ENCO_CONSEC = {id}",
               "delete FROM COMPROBANTE_DETALLE_NIIF WHERE ENCO_CONSEC = {id}",
               "delete FROM COMPROBANTE_ENCABEZADO WHERE TICO_COD = {fila:1} AND PRCO_PREF = "
               "{fila:2} AND ENCO_NUMERO = {fila:3}"},
    // "D": what removes each voucher found, in one transaction.
    .borrar = {"DELETE FROM COMPROBANTE_DETALLE WHERE ENCO_CONSEC = {id}",
               "DELETE FROM COMPROBANTE_DETALLE_NIIF WHERE ENCO_CONSEC = {id}",
               "DELETE FROM COMPROBANTE_ENCABEZADO WHERE TICO_COD = {codigo} AND PRCO_PREF = "
               "{pref} AND ENCO_NUMERO = {numero}"},
    // The header's columns go as plain values; its date is column 4.
    .encabezado_dinero = false,
    .fecha_bloqueo = 4,
    .ajustar = religar_origen,
};

}  // namespace

void registrar_contabilidad(engine::TablaTipos& t) { t.registrar(1, engine::copia(kComprobante)); }

}  // namespace handlers
