// Purchase documents: invoices (21), supplier delivery notes (22) and purchase returns
// (24), copied as the same document or converted into inventory entries and exits.
//
// The purchase mode is the local company's COMPRAS / FACTURAS setting, the same for
// both phases: "FACTURA" copies each document into its own table; anything else
// converts invoices and delivery notes into ENTRADAS (type 11) and returns into
// SALIDAS (type 12). A converted row points back at the purchase document through
// its TIPOREF / IDREF pair and is found again by that pair, the destination prefix and
// the sender's prefix and number it carries in REFER: two companies sending to one
// target under one destination prefix number their documents independently, so the
// id alone would let one sender's copy replace the other's. Returns always convert in
// the download phase.
//
// The two companies' agents read their own settings, and either may copy a document
// first; a copy already on the target keeps the kind it was written as, whichever
// agent or setting wrote it, so the document exists there once.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "db/rows.h"
#include "db/target_set.h"
#include "db/value.h"
#include "engine/cotejo.h"
#include "engine/documentos.h"
#include "engine/protocolo.h"
#include "engine/sql.h"
#include "handlers/registro.h"

namespace handlers {
namespace {

using engine::Campo;
using engine::columna;
using engine::Contexto;
using engine::Documento;
using engine::evento;
using engine::Fase;
using engine::Forma;
using engine::numero;
using engine::texto;

// ---- deviations ------------------------------------------------------------------------

// The returned quantity of a copied invoice or delivery-note line starts again at
// zero: nothing has been returned against the copy yet. Line column 18.
void devuelto_a_cero_por_posicion(Contexto&, db::TargetSet& t, std::size_t fila, const db::Rows&,
                                  std::size_t) {
  t.set(fila, 18, db::Value::integer(0));
}

// A delivery-note line addresses the same reset by position going down and by the
// column's name going up.
void devuelto_remision_a_cero(Contexto& ctx, db::TargetSet& t, std::size_t fila,
                              const db::Rows& lineas, std::size_t i) {
  if (ctx.fase == Fase::Descarga)
    devuelto_a_cero_por_posicion(ctx, t, fila, lineas, i);
  else
    t.set(fila, "RPVD_DEVUELTO", db::Value::integer(0));
}

// "FC" followed by the source invoice's own prefix and number.
db::Value fc_de_la_factura(const db::Rows& factura) {
  return db::Value::text("FC" + factura.at(0, "PREF_PRE").as_text() +
                         factura.at(0, "FACO_NUMERO").as_text());
}

// Concept of an entry converted from an invoice. Going down, a new entry names the
// invoice and an existing one takes the invoice's concept; going up, a new entry is
// named "FC " + the event's prefix and number and an existing one by the invoice's
// own prefix and number, without the blank.
void concepto_factura(Contexto& ctx, db::TargetSet& t, std::size_t fila, const db::Rows& factura,
                      bool nuevo) {
  db::Value concepto;
  if (ctx.fase == Fase::Descarga)
    concepto = nuevo ? fc_de_la_factura(factura) : factura.at(0, "FACO_CONC");
  else
    concepto = nuevo ? db::Value::text(engine::texto_evento(ctx, "FC {pref}{numero}"))
                     : fc_de_la_factura(factura);
  t.set(fila, "ENTR_CONC", concepto);
}

// A new return points at the returned invoice by its id in the source database; the
// copy must point at the same invoice's id in the target. DVCO_FACTURA holds that
// invoice's prefix followed by its number, the number being the last 6 characters.
// A return without an invoice (DVCO_FACTID 0, or empty) is left as it is; an invoice
// the target does not have leaves 0. A replaced return is re-linked the same way: the
// copy by position brought the source database's id, which means nothing here.
//
// The protocol runs this before the identifier fetch; the order does not matter, the
// re-link touches DVCO_FACTID only.
void religar_factura_devuelta(Contexto& ctx, db::TargetSet& t, std::size_t fila,
                              const db::Rows& devolucion, bool) {
  const db::Value& factid = devolucion.at(0, "DVCO_FACTID");
  if (factid.is_null() || factid.as_integer() == 0) return;
  const std::string factura = devolucion.at(0, "DVCO_FACTURA").as_text();
  const std::size_t corte = factura.size() > 6 ? factura.size() - 6 : 0;
  std::optional<db::Value> id =
      engine::buscar_id_documento(ctx.destino, 21, factura.substr(0, corte), factura.substr(corte));
  t.set(fila, "DVCO_FACTID", id.value_or(db::Value::integer(0)));
}

// ---- mappings of the conversions ---------------------------------------------------------
// NUMOK "N" is written on insert and on replace by the rows below; the header id on
// insert by the identifier fetch; a line's header id by the detail copy.

// ENTRADAS <- FACTURAS_COMPRA. ENTR_CONC depends on phase and path (concepto_factura).
const std::vector<Campo> kEntradaDeFactura{
    numero("TIDO_COD", "11"),
    evento("PREF_PRE", "{prefdest}"),
    columna("BODE_COD", "BODE_COD"),
    columna("ENTR_NUMERO", "FACO_NUMERO"),
    columna("ENTR_FECHA", "FACO_FECHA"),
    evento("ENTR_REFER", "{pref}{numero}"),
    numero("ENTR_TIPOREF", "21"),
    evento("ENTR_IDREF", "{iddoc}"),
    columna("ENTR_IMPTOS", "FACO_IMPTOS"),
    columna("ENTR_NOMTERC", "TERC_NIT"),
    columna("ENTR_ANULADO", "FACO_ANULADO"),
    columna("ENTR_TRANSMIT", "FACO_TRANSMIT"),
    columna("ENTR_OBS", "FACO_OBS", Forma::Texto),
    columna("TERC_NIT", "TERC_NIT"),
    texto("ENTR_ORDEN", ""),
    texto("ENTR_ORDENID", "0"),
    columna("ENTR_USUARIO", "FACO_USUARIO", Forma::Texto),
};

// ENTRADAS_DETALLE <- FACTURAS_COMPRAS_DETALLE.
const std::vector<Campo> kLineaDeFactura{
    columna("ENDE_ITEM", "FCDE_ITEM"),         columna("ARTI_COD", "ARTI_COD"),
    columna("BODE_COD", "BODE_COD"),           columna("ENDE_CANT", "FCDE_CANT"),
    columna("ENDE_UNIDAD", "FCDE_UNIDAD"),     columna("ENDE_LOTE", "FCDE_LOTE"),
    columna("ENDE_FACTOR", "FCDE_FACTOR"),     columna("ENDE_DESC", "FCDE_DESC"),
    columna("ENDE_OBS", "FCDE_OBS"),           columna("ENDE_IVAPORC", "FCDE_IVAPORC"),
    columna("ENDE_IVAMONTO", "FCDE_IVAMONTO"), columna("ENDE_CONSUMO", "FCDE_CONSUMO"),
    columna("ENDE_CODBAR", "FCDE_CODBAR"),     columna("ENDE_ANULADO", "FCDE_ANULADO"),
    columna("ENDE_COSTO", "FCDE_PRUNIT"),      columna("ENDE_TOTAL", "FCDE_TOTAL"),
    columna("ENDE_DTOPORC", "FCDE_DTOPORC"),   columna("ENDE_DTOMONTO", "FCDE_DTOMONTO"),
};

// ENTRADAS <- REMISION_PROVEEDOR.
const std::vector<Campo> kEntradaDeRemision{
    numero("TIDO_COD", "11"),
    evento("PREF_PRE", "{prefdest}"),
    columna("BODE_COD", "BODE_COD"),
    columna("ENTR_NUMERO", "REPR_NUMERO"),
    columna("ENTR_FECHA", "REPR_FECHA"),
    columna("ENTR_CONC", "REPR_CONC"),
    evento("ENTR_REFER", "{pref}{numero}"),
    numero("ENTR_TIPOREF", "22"),
    evento("ENTR_IDREF", "{iddoc}"),
    columna("ENTR_IMPTOS", "REPR_IMPTOS"),
    columna("ENTR_NOMTERC", "TERC_NIT"),
    columna("ENTR_ANULADO", "REPR_ANULADO"),
    columna("ENTR_TRANSMIT", "REPR_TRANSMIT"),
    columna("ENTR_OBS", "REPR_OBS", Forma::Texto),
    columna("TERC_NIT", "TERC_NIT"),
    texto("ENTR_ORDEN", ""),
    texto("ENTR_ORDENID", "0"),
    columna("ENTR_USUARIO", "REPR_USUARIO", Forma::Texto),
};

// ENTRADAS_DETALLE <- REMISION_PROVEEDOR_DET.
const std::vector<Campo> kLineaDeRemision{
    columna("ENDE_ITEM", "RPVD_ITEM"),         columna("ARTI_COD", "ARTI_COD"),
    columna("BODE_COD", "BODE_COD"),           columna("ENDE_CANT", "RPVD_CANT"),
    columna("ENDE_UNIDAD", "RPVD_UNIDAD"),     columna("ENDE_LOTE", "RPVD_LOTE"),
    columna("ENDE_FACTOR", "RPVD_FACTOR"),     columna("ENDE_DESC", "RPVD_DESC"),
    columna("ENDE_OBS", "RPVD_OBS"),           columna("ENDE_IVAPORC", "RPVD_IVAPORC"),
    columna("ENDE_IVAMONTO", "RPVD_IVAMONTO"), columna("ENDE_CONSUMO", "RPVD_CONSUMO"),
    columna("ENDE_CODBAR", "RPVD_CODBAR"),     columna("ENDE_ANULADO", "RPVD_ANULADO"),
    columna("ENDE_COSTO", "RPVD_PRUNIT"),      columna("ENDE_TOTAL", "RPVD_TOTAL"),
    columna("ENDE_DTOPORC", "RPVD_DTOPORC"),   columna("ENDE_DTOMONTO", "RPVD_DTOMONTO"),
};

// SALIDAS <- DEVOLUCIONES_COMPRAS.
const std::vector<Campo> kSalidaDeDevolucion{
    numero("TIDO_COD", "12"),
    evento("PREF_PRE", "{prefdest}"),
    columna("BODE_COD", "BODE_COD"),
    columna("SALI_NUMERO", "DVCO_NUMERO"),
    columna("SALI_FECHA", "DVCO_FECHA"),
    evento("SALI_CONC", "DC {pref}{numero}"),
    evento("SALI_REFER", "{pref}{numero}"),
    numero("SALI_TIPOREF", "24"),
    evento("SALI_IDREF", "{iddoc}"),
    columna("SALI_IMPTOS", "DVCO_IMPTOS"),
    columna("SALI_NOMTERC", "TERC_NIT"),
    columna("SALI_ANULADO", "DVCO_ANULADO"),
    columna("SALI_TRANSMIT", "DVCO_TRANSMIT"),
    columna("SALI_OBS", "DVCO_OBS", Forma::Texto),
    columna("TERC_NIT", "TERC_NIT"),
    texto("SALI_RESERVA", ""),
    texto("SALI_RESEID", "0"),
    columna("SALI_USUARIO", "DVCO_USUARIO", Forma::Texto),
};

// SALIDAS_DETALLE <- DEVOLUCIONES_COMPRAS_DET; the discount columns are not written.
const std::vector<Campo> kLineaDeDevolucion{
    columna("SADE_ITEM", "DVCD_ITEM"),         columna("ARTI_COD", "ARTI_COD"),
    columna("BODE_COD", "BODE_COD"),           columna("SADE_CANT", "DVCD_CANT"),
    columna("SADE_UNIDAD", "DVCD_UNIDAD"),     columna("SADE_LOTE", "DVCD_LOTE"),
    columna("SADE_FACTOR", "DVCD_FACTOR"),     columna("SADE_DESC", "DVCD_DESC"),
    columna("SADE_OBS", "DVCD_OBS"),           columna("SADE_IVAPORC", "DVCD_IVAPORC"),
    columna("SADE_IVAMONTO", "DVCD_IVAMONTO"), columna("SADE_CONSUMO", "DVCD_CONSUMO"),
    columna("SADE_CODBAR", "DVCD_CODBAR"),     columna("SADE_ANULADO", "DVCD_ANULADO"),
    columna("SADE_COSTO", "DVCD_PRUNIT"),      columna("SADE_TOTAL", "DVCD_TOTAL"),
};

// ---- the documents -------------------------------------------------------------------------

// Type 21, mode "FACTURA": the invoice itself, both phases.
const Documento kFacturaCompra{
    .letras = "DA",
    .lectura = "select * from facturas_compra where faco_id = {iddoc}",
    .busqueda = "SELECT * FROM FACTURAS_COMPRA WHERE PREF_PRE = {pref} AND FACO_NUMERO = {numero}",
    .anulado = "FACO_ANULADO",
    .identificador = {.procedimiento = "cambie_id_compras"},
    .borrar_al_reemplazar = {"delete from facturas_compras_detalle where faco_id = {id}"},
    .detalles = {{.origen = "select * from facturas_compras_detalle where faco_id = {iddoc}",
                  .destino = "SELECT * FROM FACTURAS_COMPRAS_DETALLE WHERE FACO_ID = {id}",
                  .ajustar = devuelto_a_cero_por_posicion,
                  .posiciones_propias = {18}}},
    // Annulled while its lines are still there, so whatever reverses stock on annul
    // sees them; then the lines and the header go.
    .anular_al_deshacer = {"UPDATE FACTURAS_COMPRA SET FACO_ANULADO = 'S' WHERE FACO_ID = {id}"},
    .deshacer = {"DELETE FROM FACTURAS_COMPRA WHERE FACO_ID = {id}"},
};

// Type 21 converted into an entry, both phases (the concept depends on the phase).
const Documento kFacturaEntrada{
    .letras = "DA",
    .lectura = "select * from facturas_compra where faco_id = {iddoc}",
    .busqueda =
        "SELECT * FROM ENTRADAS WHERE ENTR_TIPOREF = 21 AND ENTR_IDREF = {iddoc} AND "
        "PREF_PRE = {prefdest} AND ENTR_REFER = {pref_numero}",
    .anulado = "ENTR_ANULADO",
    .identificador = {.procedimiento = "cambie_id_entrada", .columna = "ENTR_ID", .numok = true},
    .borrar_al_reemplazar = {"delete from entradas_detalle where entr_id = {id}"},
    .detalles = {{.origen = "select * from facturas_compras_detalle where faco_id = {iddoc}",
                  .destino = "SELECT * FROM ENTRADAS_DETALLE WHERE ENTR_ID = {id}",
                  .linea = kLineaDeFactura}},
    .deshacer = {"DELETE FROM ENTRADAS WHERE ENTR_ID = {id}"},
    .encabezado = kEntradaDeFactura,
    .numok_al_reemplazar = true,
    .ajustar = concepto_factura,
    .propias = {"ENTR_CONC"},
};

// Type 22, mode "FACTURA": the delivery note itself. The returned quantity is reset
// by position going down and by name going up.
const Documento kRemision{
    .letras = "DA",
    .lectura = "select * from remision_proveedor where repr_id = {iddoc}",
    .busqueda =
        "SELECT * FROM REMISION_PROVEEDOR WHERE PREF_PRE = {pref} AND REPR_NUMERO = {numero}",
    .anulado = "REPR_ANULADO",
    .identificador = {.procedimiento = "cambie_id_remiprov"},
    .borrar_al_reemplazar = {"delete from remision_proveedor_det where repr_id = {id}"},
    .detalles = {{.origen = "select * from remision_proveedor_det where repr_id = {iddoc}",
                  .destino = "SELECT * FROM REMISION_PROVEEDOR_DET WHERE REPR_ID = {id}",
                  .ajustar = devuelto_remision_a_cero,
                  .propias = {"RPVD_DEVUELTO"}}},
    .deshacer = {"DELETE FROM REMISION_PROVEEDOR WHERE REPR_ID = {id}"},
};

// Type 22 converted into an entry, both phases.
const Documento kRemisionEntrada{
    .letras = "DA",
    .lectura = "select * from remision_proveedor where repr_id = {iddoc}",
    .busqueda =
        "SELECT * FROM ENTRADAS WHERE ENTR_TIPOREF = 22 AND ENTR_IDREF = {iddoc} AND "
        "PREF_PRE = {prefdest} AND ENTR_REFER = {pref_numero}",
    .anulado = "ENTR_ANULADO",
    .identificador = {.procedimiento = "cambie_id_entrada", .columna = "ENTR_ID", .numok = true},
    .borrar_al_reemplazar = {"delete from entradas_detalle where entr_id = {id}"},
    .detalles = {{.origen = "select * from remision_proveedor_det where repr_id = {iddoc}",
                  .destino = "SELECT * FROM ENTRADAS_DETALLE WHERE ENTR_ID = {id}",
                  .linea = kLineaDeRemision}},
    .deshacer = {"DELETE FROM ENTRADAS WHERE ENTR_ID = {id}"},
    .encabezado = kEntradaDeRemision,
    .numok_al_reemplazar = true,
};

// Type 24, mode "FACTURA" (upload only): the return itself, re-linked to the
// target's copy of the returned invoice when it is new.
const Documento kDevolucionCompra{
    .letras = "DA",
    .lectura = "select * from devoluciones_compras where dvco_id = {iddoc}",
    .busqueda =
        "SELECT * FROM DEVOLUCIONES_COMPRAS WHERE PREF_PRE = {pref} AND DVCO_NUMERO = {numero}",
    .anulado = "DVCO_ANULADO",
    .identificador = {.procedimiento = "cambie_id_devolprov"},
    .borrar_al_reemplazar = {"delete from devoluciones_compras_det where dvco_id = {id}"},
    .detalles = {{"select * from devoluciones_compras_det where dvco_id = {iddoc}",
                  "SELECT * FROM DEVOLUCIONES_COMPRAS_DET WHERE DVCO_ID = {id}"}},
    .deshacer = {"DELETE FROM DEVOLUCIONES_COMPRAS WHERE DVCO_ID = {id}"},
    .ajustar = religar_factura_devuelta,
};

// Type 24 converted into an exit: every download, and uploads outside mode "FACTURA".
const Documento kDevolucionSalida{
    .letras = "DA",
    .lectura = "select * from devoluciones_compras where dvco_id = {iddoc}",
    .busqueda =
        "SELECT * FROM SALIDAS WHERE SALI_TIPOREF = 24 AND SALI_IDREF = {iddoc} AND "
        "PREF_PRE = {prefdest} AND SALI_REFER = {pref_numero}",
    .anulado = "SALI_ANULADO",
    .identificador = {.procedimiento = "cambie_id_salida", .columna = "SALI_ID", .numok = true},
    .borrar_al_reemplazar = {"delete from salidas_detalle where sali_id = {id}"},
    .detalles = {{.origen = "select * from devoluciones_compras_det where dvco_id = {iddoc}",
                  .destino = "SELECT * FROM SALIDAS_DETALLE WHERE SALI_ID = {id}",
                  .linea = kLineaDeDevolucion}},
    .deshacer = {"DELETE FROM SALIDAS WHERE SALI_ID = {id}"},
    .encabezado = kSalidaDeDevolucion,
    .numok_al_reemplazar = true,
};

bool subida(const Contexto& ctx) { return ctx.fase == Fase::Subida; }
bool como_documento(const Contexto& ctx) { return ctx.banderas.compra_como_factura; }

// Purchase invoices and supplier delivery notes travel as entries unless the company
// takes them as purchase documents; returns go up as such only then. Each pair is the
// kind a new document takes and the other one: a copy already on the target keeps its
// kind (the other company's agent, reading its own setting, may have written it).
const Documento& factura(const Contexto& ctx) {
  return como_documento(ctx) ? kFacturaCompra : kFacturaEntrada;
}
const Documento& factura_otra(const Contexto& ctx) {
  return como_documento(ctx) ? kFacturaEntrada : kFacturaCompra;
}
const Documento& remision(const Contexto& ctx) {
  return como_documento(ctx) ? kRemision : kRemisionEntrada;
}
const Documento& remision_otra(const Contexto& ctx) {
  return como_documento(ctx) ? kRemisionEntrada : kRemision;
}
bool devolucion_como_documento(const Contexto& ctx) { return subida(ctx) && como_documento(ctx); }
const Documento& devolucion(const Contexto& ctx) {
  return devolucion_como_documento(ctx) ? kDevolucionCompra : kDevolucionSalida;
}
const Documento& devolucion_otra(const Contexto& ctx) {
  return devolucion_como_documento(ctx) ? kDevolucionSalida : kDevolucionCompra;
}

}  // namespace

void registrar_compras(engine::TablaTipos& t) {
  t.registrar(21, engine::copia(factura, factura_otra));
  t.registrar(22, engine::copia(remision, remision_otra));
  t.registrar(24, engine::copia(devolucion, devolucion_otra));
}

}  // namespace handlers
