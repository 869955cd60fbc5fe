// Cash documents: cash receipts (61), disbursements (62), document exchanges (63),
// card deposits (64), provisional receipts (65) and cash transfers (66), each with its
// detail tables copied one after the other, the same in both phases, without NUMOK.
// Codes 67 to 70 have no handler.
//
// A cash receipt is copied only on the letter "I"; any letter other than "D", "A" and
// "I" leaves it alone. Receipts and disbursements re-link the lines that point at
// customer or supplier documents.
//
// The replace deletes every detail table of the document in the same transaction as
// the header update; an undone document loses the rows of every detail table, then its
// header.
#include <cstddef>

#include "engine/cotejo.h"
#include "engine/documentos.h"
#include "engine/protocolo.h"
#include "handlers/registro.h"
#include "handlers/religado.h"

namespace handlers {
namespace {

using engine::Contexto;
using engine::Documento;
using engine::Subconjunto;

// ---- deviations ------------------------------------------------------------------------

// A receipt's lines pay customer documents, its cross rows supplier documents; a
// disbursement's lines pay supplier documents, its cross rows customer documents.
// Type code at 2; prefix and number at 4 and 5 (3 and 4 in a disbursement's cross
// rows); the id at 3 (EGCC_IDDOC in a disbursement's cross rows).
constexpr Religado kLineaRecibo{.tipo = 2,
                                .prefijo = 4,
                                .numero = 5,
                                .id = 3,
                                .documentos = Subconjunto::Clientes,
                                .sin_documento = 0};
constexpr Religado kCruceRecibo{.tipo = 2,
                                .prefijo = 4,
                                .numero = 5,
                                .id = 3,
                                .documentos = Subconjunto::Proveedores,
                                .sin_documento = 0};
// A document the target does not hold keeps the id the line brought.
constexpr Religado kLineaEgreso{
    .tipo = 2, .prefijo = 4, .numero = 5, .id = 3, .documentos = Subconjunto::Proveedores};
constexpr Religado kCruceEgreso{.tipo = 2,
                                .prefijo = 3,
                                .numero = 4,
                                .id = 0,
                                .columna_id = "EGCC_IDDOC",
                                .documentos = Subconjunto::Clientes,
                                .sin_documento = 0};

// ---- the documents -------------------------------------------------------------------------
// The header undo runs the replace deletes (every detail table written) and then the
// header delete of `deshacer`.

// Type 61, cash receipts.
const Documento kReciboCaja{
    .letras = "DAI",
    .lectura = "select * from RECIBOS_CAJA where reca_id = {iddoc}",
    .busqueda = "SELECT * FROM RECIBOS_CAJA WHERE PREF_PRE = {pref} AND RECA_NUMERO = {numero}",
    .anulado = "RECA_ANULADO",
    .identificador = {.procedimiento = "cambie_id_recicaja"},
    .borrar_al_reemplazar = {"delete from recibos_caja_detalle where reca_id = {id}",
                             "delete from recibos_caja_crucec where reca_id = {id}",
                             "delete from recibos_caja_pago where reca_id = {id}"},
    .detalles = {{.origen = "select * from recibos_caja_detalle where reca_id = {iddoc}",
                  .destino = "SELECT * FROM RECIBOS_CAJA_DETALLE WHERE RECA_ID = {id}",
                  .ajustar = religar<kLineaRecibo>},
                 {.origen = "select * from recibos_caja_crucec where reca_id = {iddoc}",
                  .destino = "SELECT * FROM RECIBOS_CAJA_CRUCEC WHERE RECA_ID = {id}",
                  .ajustar = religar<kCruceRecibo>},
                 {"select * from recibos_caja_pago where reca_id = {iddoc}",
                  "SELECT * FROM RECIBOS_CAJA_PAGO WHERE RECA_ID = {id}"}},
    .deshacer = {"DELETE FROM RECIBOS_CAJA WHERE RECA_ID = {id}"},
};

// Type 62, disbursements. The accounting rows are copied last; they are replaced and
// undone with the other tables, or a replay would leave the earlier ones behind.
const Documento kEgreso{
    .letras = "DA",
    .lectura = "select * from EGRESOS where egre_id = {iddoc}",
    .busqueda = "SELECT * FROM EGRESOS WHERE PREF_PRE = {pref} AND EGRE_NUMERO = {numero}",
    .anulado = "EGRE_ANULADO",
    .identificador = {.procedimiento = "cambie_id_egreso"},
    .borrar_al_reemplazar = {"delete from egresos_detalle where egre_id = {id}",
                             "delete from egresos_crucec where egre_id = {id}",
                             "delete from egresos_caja where egre_id = {id}",
                             "delete from egresos_banco where egre_id = {id}",
                             "delete from egresos_contabilidad where egre_id = {id}"},
    .detalles = {{.origen = "select * from egresos_detalle where egre_id = {iddoc}",
                  .destino = "SELECT * FROM EGRESOS_DETALLE WHERE EGRE_ID = {id}",
                  .ajustar = religar<kLineaEgreso>},
                 {.origen = "select * from egresos_crucec where egre_id = {iddoc}",
                  .destino = "SELECT * FROM EGRESOS_CRUCEC WHERE EGRE_ID = {id}",
                  .ajustar = religar<kCruceEgreso>},
                 {"select * from egresos_caja where egre_id = {iddoc}",
                  "SELECT * FROM EGRESOS_CAJA WHERE EGRE_ID = {id}"},
                 {"select * from egresos_banco where egre_id = {iddoc}",
                  "SELECT * FROM EGRESOS_BANCO WHERE EGRE_ID = {id}"},
                 {"select * from egresos_contabilidad where egre_id = {iddoc}",
                  "SELECT * FROM EGRESOS_CONTABILIDAD WHERE EGRE_ID = {id}"}},
    .deshacer = {"DELETE FROM EGRESOS WHERE EGRE_ID = {id}"},
};

// Type 63, document exchanges.
const Documento kCambioDocumentos{
    .letras = "DA",
    .lectura = "select * from CAMBIO_DOCUMENTOS where cado_id = {iddoc}",
    .busqueda =
        "SELECT * FROM CAMBIO_DOCUMENTOS WHERE PREF_PRE = {pref} AND CADO_NUMERO = {numero}",
    .anulado = "CADO_ANULADO",
    .identificador = {.procedimiento = "cambie_id_cambdocu"},
    .borrar_al_reemplazar = {"delete from CAMBIODOC_ENTRADAS where cado_id = {id}",
                             "delete from cambiodoc_salidas where cado_id = {id}"},
    .detalles = {{"select * from cambiodoc_entradas where cado_id = {iddoc}",
                  "SELECT * FROM CAMBIODOC_ENTRADAS WHERE CADO_ID = {id}"},
                 {"select * from cambiodoc_salidas where cado_id = {iddoc}",
                  "SELECT * FROM CAMBIODOC_SALIDAS WHERE CADO_ID = {id}"}},
    .deshacer = {"DELETE FROM CAMBIO_DOCUMENTOS WHERE CADO_ID = {id}"},
};

// Type 64, card deposits.
const Documento kConsignaTarjetas{
    .letras = "DA",
    .lectura = "select * from consigna_tarjetas where cotj_id = {iddoc}",
    .busqueda =
        "SELECT * FROM CONSIGNA_TARJETAS WHERE PREF_PRE = {pref} AND COTJ_NUMERO = {numero}",
    .anulado = "COTJ_ANULADO",
    .identificador = {.procedimiento = "cambie_id_consignatar"},
    .borrar_al_reemplazar = {"delete from consigna_tarjetas_det where cotj_id = {id}"},
    .detalles = {{"select * from consigna_tarjetas_det where cotj_id = {iddoc}",
                  "SELECT * FROM CONSIGNA_TARJETAS_DET WHERE COTJ_ID = {id}"}},
    .deshacer = {"DELETE FROM CONSIGNA_TARJETAS WHERE COTJ_ID = {id}"},
};

// Type 65, provisional receipts.
const Documento kReciboProvisional{
    .letras = "DA",
    .lectura = "select * from RECIBO_PROVISIONAL where rcpr_id = {iddoc}",
    .busqueda =
        "SELECT * FROM RECIBO_PROVISIONAL WHERE PREF_PRE = {pref} AND RCPR_NUMERO = {numero}",
    .anulado = "RCPR_ANULADO",
    .identificador = {.procedimiento = "cambie_id_reciprov"},
    .borrar_al_reemplazar = {"delete from recibo_provisional_detalle where rcpr_id = {id}",
                             "delete from recibo_provisional_pago where rcpr_id = {id}"},
    .detalles = {{"select * from recibo_provisional_detalle where rcpr_id = {iddoc}",
                  "SELECT * FROM RECIBO_PROVISIONAL_DETALLE WHERE RCPR_ID = {id}"},
                 {"select * from recibo_provisional_pago where rcpr_id = {iddoc}",
                  "SELECT * FROM RECIBO_PROVISIONAL_PAGO WHERE RCPR_ID = {id}"}},
    .deshacer = {"DELETE FROM RECIBO_PROVISIONAL WHERE RCPR_ID = {id}"},
};

// Type 66, cash transfers.
const Documento kTrasladoCaja{
    .letras = "DA",
    .lectura = "select * from traslados_caja where trcj_id = {iddoc}",
    .busqueda = "SELECT * FROM TRASLADOS_CAJA WHERE PREF_PRE = {pref} AND TRCJ_NUMERO = {numero}",
    .anulado = "TRCJ_ANULADO",
    .identificador = {.procedimiento = "cambie_id_traslacaja"},
    .borrar_al_reemplazar = {"delete from traslados_caja_det where trcj_id = {id}"},
    .detalles = {{"select * from traslados_caja_det where trcj_id = {iddoc}",
                  "SELECT * FROM TRASLADOS_CAJA_DET WHERE TRCJ_ID = {id}"}},
    .deshacer = {"DELETE FROM TRASLADOS_CAJA WHERE TRCJ_ID = {id}"},
};

// A cash receipt is copied on "I" only: another letter than "D", "A" and "I" leaves
// the target as it is, and the event is stamped.
void recibo_caja(Contexto& ctx) {
  if (engine::prueba_operacion(ctx.evento, kReciboCaja.letras) == engine::Operacion::Copiar) return;
  engine::protocolo_documento(ctx, kReciboCaja);
}

// What such a letter copies is nothing, so there is nothing to check either.
engine::Cotejo cotejar_recibo(Contexto& ctx) {
  if (engine::prueba_operacion(ctx.evento, kReciboCaja.letras) == engine::Operacion::Copiar)
    return {.cotejable = false};
  return engine::cotejar(ctx, kReciboCaja);
}

struct Tipo {
  int codigo;
  const Documento& documento;
};
const Tipo kTipos[] = {
    {62, kEgreso},       {63, kCambioDocumentos}, {64, kConsignaTarjetas}, {65, kReciboProvisional},
    {66, kTrasladoCaja},
};

}  // namespace

void registrar_caja(engine::TablaTipos& t) {
  t.registrar(61, engine::Copia{recibo_caja, cotejar_recibo});
  for (const Tipo& tipo : kTipos) {
    const Documento& d = tipo.documento;
    t.registrar(tipo.codigo, engine::copia(d));
  }
}

}  // namespace handlers
