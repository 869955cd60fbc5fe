// Receivables and payables: customer debit notes (41), credit notes (42), applications
// (43) and advances (45), and their supplier counterparts (51, 52, 53, 55). Every type
// is a plain copy by prefix and number, the same in both phases, without NUMOK. Codes
// 44 and 54 have no handler.
//
// Applications re-link each line to the target's copy of the document it applies;
// advances re-link the cash receipt or disbursement that paid them.
#include <cstddef>
#include <string_view>

#include "db/rows.h"
#include "db/target_set.h"
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

// An application line: type code at 2, applied id at 3, prefix at 4, number at 5. A
// document the target does not hold keeps the id the line brought.
constexpr Religado kAplicadoCliente{
    .tipo = 2, .prefijo = 4, .numero = 5, .id = 3, .documentos = Subconjunto::Clientes};
constexpr Religado kAplicadoProveedor{
    .tipo = 2, .prefijo = 4, .numero = 5, .id = 3, .documentos = Subconjunto::Proveedores};

// The cash document that paid an advance: its position in the advance, the source
// statement that gives its prefix and number ({fila#:N}: the advance's column N), and
// the target statement that finds the target's copy by them ({fila:N}: column N of the
// source answer).
struct Pago {
  std::size_t posicion;
  std::string_view origen;
  std::string_view destino;
};

// The advance points at the target's copy of the document that paid it, on insert and
// on update alike. A paying document the target does not hold, or an advance that
// names none (NULL), keeps the value copied.
template <const Pago& P>
void religar_pago(Contexto& ctx, db::TargetSet& t, std::size_t fila, const db::Rows& anticipo,
                  bool) {
  if (anticipo.at(0, P.posicion).is_null()) return;
  db::Rows pago = engine::leer_origen(ctx, engine::sentencia(ctx, P.origen, 0, &anticipo));
  if (pago.empty()) return;
  db::Rows copia = ctx.destino.read(engine::sentencia(ctx, P.destino, 0, &pago));
  if (copia.empty() || copia.at(0, 0).is_null()) return;
  t.set(fila, P.posicion, copia.at(0, 0));
}

// RECA_ID, column 23 of ANTICIPOS_CLIENTE.
constexpr Pago kReciboDelAnticipo{
    23, "select pref_pre, reca_numero from recibos_caja where reca_id = {fila#:23}",
    "select reca_id from recibos_caja where pref_pre = {fila:0} and reca_numero = {fila:1}"};
// EGRE_ID, column 22 of ANTICIPOS_PROVEEDOR.
constexpr Pago kEgresoDelAnticipo{
    22, "select pref_pre, egre_numero from egresos where egre_id = {fila#:22}",
    "select egre_id from egresos where pref_pre = {fila:0} and egre_numero = {fila:1}"};

// ---- the documents -------------------------------------------------------------------------
// Applications: the replace deletes the old lines in the same transaction as the
// header update, and an undone application loses the lines it had already written
// together with its header.

// Type 41, customer debit notes.
const Documento kNotaDebitoCliente{
    .letras = "DA",
    .lectura = "select * from notas_debito_clientes where ndcl_id = {iddoc}",
    .busqueda =
        "SELECT * FROM NOTAS_DEBITO_CLIENTES WHERE PREF_PRE = {pref} AND NDCL_NUMERO = {numero}",
    .anulado = "NDCL_ANULADO",
    .identificador = {.procedimiento = "cambie_id_notadbclie"},
};

// Type 42, customer credit notes: their ids come from the debit notes' procedure.
const Documento kNotaCreditoCliente{
    .letras = "DA",
    .lectura = "select * from notas_credito_clientes where nccl_id = {iddoc}",
    .busqueda =
        "SELECT * FROM NOTAS_CREDITO_CLIENTES WHERE PREF_PRE = {pref} AND NCCL_NUMERO = {numero}",
    .anulado = "NCCL_ANULADO",
    .identificador = {.procedimiento = "cambie_id_notadbclie"},
};

// Type 43, customer applications.
const Documento kAplicacionCliente{
    .letras = "DA",
    .lectura = "select * from aplicacion_cliente where apcl_id = {iddoc}",
    .busqueda =
        "SELECT * FROM APLICACION_CLIENTE WHERE PREF_PRE = {pref} AND APCL_NUMERO = {numero}",
    .anulado = "APCL_ANULADO",
    .identificador = {.procedimiento = "cambie_id_apliclie"},
    .borrar_al_reemplazar = {"delete from aplicacion_cliente_detalle where apcl_id = {id}"},
    .detalles = {{.origen = "select * from aplicacion_cliente_detalle where apcl_id = {iddoc}",
                  .destino = "SELECT * FROM APLICACION_CLIENTE_DETALLE WHERE APCL_ID = {id}",
                  .ajustar = religar<kAplicadoCliente>}},
    .deshacer = {"DELETE FROM APLICACION_CLIENTE WHERE APCL_ID = {id}"},
};

// Type 45, customer advances.
const Documento kAnticipoCliente{
    .letras = "DA",
    .lectura = "select * from anticipos_cliente where ancl_id = {iddoc}",
    .busqueda =
        "SELECT * FROM ANTICIPOS_CLIENTE WHERE PREF_PRE = {pref} AND ANCL_NUMERO = {numero}",
    .anulado = "ANCL_ANULADO",
    .identificador = {.procedimiento = "cambie_id_anticlie"},
    .ajustar = religar_pago<kReciboDelAnticipo>,
};

// Type 51, supplier debit notes.
const Documento kNotaDebitoProveedor{
    .letras = "DA",
    .lectura = "select * from notas_debito_proveedor where ndpr_id = {iddoc}",
    .busqueda =
        "SELECT * FROM NOTAS_DEBITO_PROVEEDOR WHERE PREF_PRE = {pref} AND NDPR_NUMERO = {numero}",
    .anulado = "NDPR_ANULADO",
    .identificador = {.procedimiento = "cambie_id_notadbprov"},
};

// Type 52, supplier credit notes.
const Documento kNotaCreditoProveedor{
    .letras = "DA",
    .lectura = "select * from notas_credito_proveedor where ncpr_id = {iddoc}",
    .busqueda =
        "SELECT * FROM NOTAS_CREDITO_PROVEEDOR WHERE PREF_PRE = {pref} AND NCPR_NUMERO = {numero}",
    .anulado = "NCPR_ANULADO",
    .identificador = {.procedimiento = "cambie_id_notacrprov"},
};

// Type 53, supplier applications: header APLICACION_PROVEDOR, lines
// APLICACION_PROVEEDOR_DETALLE.
const Documento kAplicacionProveedor{
    .letras = "DA",
    .lectura = "select * from aplicacion_provedor where appr_id = {iddoc}",
    .busqueda =
        "SELECT * FROM APLICACION_PROVEDOR WHERE PREF_PRE = {pref} AND APPR_NUMERO = {numero}",
    .anulado = "APPR_ANULADO",
    .identificador = {.procedimiento = "cambie_id_apliprov"},
    .borrar_al_reemplazar = {"delete from aplicacion_proveedor_detalle where appr_id = {id}"},
    .detalles = {{.origen = "select * from aplicacion_proveedor_detalle where appr_id = {iddoc}",
                  .destino = "SELECT * FROM APLICACION_PROVEEDOR_DETALLE WHERE APPR_ID = {id}",
                  .ajustar = religar<kAplicadoProveedor>}},
    .deshacer = {"DELETE FROM APLICACION_PROVEDOR WHERE APPR_ID = {id}"},
};

// Type 55, supplier advances.
const Documento kAnticipoProveedor{
    .letras = "DA",
    .lectura = "select * from anticipos_proveedor where anpr_id = {iddoc}",
    .busqueda =
        "SELECT * FROM ANTICIPOS_PROVEEDOR WHERE PREF_PRE = {pref} AND ANPR_NUMERO = {numero}",
    .anulado = "ANPR_ANULADO",
    .identificador = {.procedimiento = "cambie_id_antiprov"},
    .ajustar = religar_pago<kEgresoDelAnticipo>,
};

struct Tipo {
  int codigo;
  const Documento& documento;
};
const Tipo kTipos[] = {
    {41, kNotaDebitoCliente},   {42, kNotaCreditoCliente},  {43, kAplicacionCliente},
    {45, kAnticipoCliente},     {51, kNotaDebitoProveedor}, {52, kNotaCreditoProveedor},
    {53, kAplicacionProveedor}, {55, kAnticipoProveedor},
};

}  // namespace

void registrar_cartera(engine::TablaTipos& t) {
  for (const Tipo& tipo : kTipos) {
    const Documento& d = tipo.documento;
    t.registrar(tipo.codigo, engine::copia(d));
  }
}

}  // namespace handlers
