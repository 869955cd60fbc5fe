// Sales documents: invoices (31), customer delivery notes (32), sales returns (33),
// customer orders (34) and quotations (35).
//
// Delivery notes, orders and quotations are plain copies, the same in both phases. A
// return is re-linked to the target's copy of the invoice it returns and adds to the
// customer's loyalty points. An invoice carries its cash-payment lines, its
// consolidation list, a check of its offsetting lines, a completeness check and the
// loyalty points; going down, the local company's FACTURACION / FACTURAS setting may
// turn it into an inventory exit instead (anything but "FACTURA"). Going up it is
// always an invoice.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "db/rows.h"
#include "db/target_set.h"
#include "db/value.h"
#include "engine/configuracion.h"
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
using engine::Sentencia;
using engine::texto;

bool subida(const Contexto& ctx) { return ctx.fase == Fase::Subida; }

// ---- settings --------------------------------------------------------------------------

constexpr std::string_view kPagosDeContado = "ENVIAR DETALLE DE FORMAS DE PAGO DE CONTADO";

// Whether an invoice's cash-payment lines travel: the partner's setting, exactly "SI".
// It is asked once per event and remembered for the rest of it, so a missing setting
// is told to the operator once per invoice.
bool pagos_de_contado(Contexto& ctx) {
  auto it = ctx.claves.find("pagos");
  if (it == ctx.claves.end())
    it = ctx.claves
             .emplace("pagos",
                      engine::configuracion(ctx.socio(), "FACTURACION", "FACTURAS", kPagosDeContado,
                                            [&ctx](const std::string& m) { ctx.avisar(m); }))
             .first;
  return it->second == "SI";
}
bool sin_pagos_de_contado(Contexto& ctx) { return !pagos_de_contado(ctx); }

// ---- loyalty points ----------------------------------------------------------------------

// After a complete copy of an invoice or a return, on insert and replace alike: the
// document's target id and the customer of the document just copied. A re-sent
// document keeps its target id, so a procedure that keeps points per document does
// not count it twice.
void acumular_puntos(Contexto& ctx, int tipo) {
  ctx.destino.execute("execute procedure ACUMULA_PUNTOS_CLIENTE(" + std::to_string(tipo) + "," +
                      std::to_string(ctx.id_destino) + "," +
                      engine::quoted(ctx.encabezado->at(0, "TERC_NIT").as_text()) + ",NULL)");
}
void puntos_de_factura(Contexto& ctx) { acumular_puntos(ctx, 31); }
void puntos_de_devolucion(Contexto& ctx) { acumular_puntos(ctx, 33); }

// ---- invoice lines -------------------------------------------------------------------------

// A quantity negated, as an SQL number: at most four decimals, no trailing zeros.
std::string cantidad_opuesta(const db::Value& cantidad) {
  db::Decimal d = cantidad.as_money();
  d.units = -d.units;
  std::string s = db::format_decimal(d);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s;
}

// Before each invoice line is written: going up, the window shows the line's article
// and handles what the operator did. Then, unless the target invoice already holds a
// line of the same article (column 3) with the opposite quantity (column 4), the
// line's column 18 starts again at 0.
void linea_de_factura(Contexto& ctx, db::TargetSet& t, std::size_t fila, const db::Rows& lineas,
                      std::size_t i) {
  const std::string articulo = lineas.at(i, 3).as_text();
  if (subida(ctx) && ctx.vista) {
    const engine::Evento& e = ctx.evento;
    ctx.vista->evento(e.tipo_texto() + "," + e.oper() + "," + e.pref() + e.numero() + "-" +
                      articulo);
    ctx.vista->procesar_mensajes();
  }
  db::Rows opuesta = ctx.destino.read(
      "SELECT FADE_ITEM FROM FACTURAS_DETALLE WHERE FACT_ID = " + std::to_string(ctx.id_destino) +
      " AND FADE_CANT = " + cantidad_opuesta(lineas.at(i, 4)) +
      " AND ARTI_COD = " + engine::quoted(articulo));
  if (opuesta.empty()) t.set(fila, 18, db::Value::integer(0));
}

// Going up, the window handles what the operator did before each payment line.
void linea_de_pago(Contexto& ctx, db::TargetSet&, std::size_t, const db::Rows&, std::size_t) {
  if (subida(ctx) && ctx.vista) ctx.vista->procesar_mensajes();
}

// The target invoice must hold at least as many lines as the source's. A target that
// discarded a line without an error fails the copy; the reason goes where every failed
// write's goes (RPEV_ERROR, errorenvio.txt), so the pending event says why.
void factura_completa(Contexto& ctx) {
  constexpr std::string_view kCuenta =
      "SELECT COUNT(FADE_ITEM) FROM FACTURAS_DETALLE WHERE FACT_ID = ";
  const std::int64_t destino =
      ctx.destino.read(std::string(kCuenta) + std::to_string(ctx.id_destino)).at(0, 0).as_integer();
  const std::int64_t origen =
      ctx.origen.read(std::string(kCuenta) + ctx.evento.iddoc_sql()).at(0, 0).as_integer();
  if (destino >= origen) return;
  ctx.fallo = true;
  ctx.errores.apply_failed(
      std::runtime_error("La factura quedó incompleta en el destino: " + std::to_string(destino) +
                         " de " + std::to_string(origen) + " líneas"));
}

// ---- consolidation list ----------------------------------------------------------------------

// A document an invoice consolidated: how its prefix and number are read on the
// source side. Quotations are resolved going up only; other types are skipped like
// documents that cannot be found.
struct Consolidado {
  int tipo;
  std::string_view prefijo_y_numero;
  bool solo_subida;
};
constexpr Consolidado kConsolidados[] = {
    {32, "SELECT PREF_PRE, REVT_NUMERO FROM REMISIONES_VENTA WHERE REVT_ID = ", false},
    {34, "SELECT PREF_PRE, PEDI_NUMERO FROM PEDIDOS WHERE PEDI_ID = ", false},
    {35, "SELECT PREF_PRE, COTI_NUMERO FROM COTIZACIONES WHERE COTI_ID = ", true},
};

const Consolidado* consolidado(const Contexto& ctx, std::int64_t tipo) {
  for (const Consolidado& c : kConsolidados)
    if (c.tipo == tipo && (!c.solo_subida || subida(ctx))) return &c;
  return nullptr;
}

// The list this copy wrote, remembered so that a failed copy takes it away.
bool lista_escrita(Contexto& ctx) { return ctx.claves.contains("lista"); }

// Builds the target invoice's consolidation list from the source invoice's and returns
// its id; 0 when the source invoice is not consolidated. Each source row takes the next
// item number, skipped rows included; a row is skipped when the consolidated document
// has no number on the source side or no copy on the target side.
std::int64_t consolidar(Contexto& ctx) {
  const db::Value& fuente = ctx.encabezado->at(0, "FACT_CONSOLIDA");
  const std::string texto_fuente = fuente.as_text();
  if (texto_fuente.empty() || texto_fuente == "0") return 0;
  const std::int64_t lista = engine::traer_identificador(ctx, "cambie_id_cons")
                                 .value_or(db::Value::integer(0))
                                 .as_integer();
  if (lista != 0) ctx.claves["lista"] = std::to_string(lista);
  db::Rows filas =
      ctx.origen.read("SELECT CEFA_TIPOORI, CEFA_IDORI FROM CONSOLIDE_FALTANTES WHERE CEFA_ID = " +
                      std::to_string(fuente.as_integer()));
  for (std::size_t i = 0; i < filas.size(); ++i) {
    const std::int64_t item = static_cast<std::int64_t>(i) + 1;
    if (filas.at(i, 0).is_null() || filas.at(i, 1).is_null()) continue;
    const Consolidado* c = consolidado(ctx, filas.at(i, 0).as_integer());
    if (!c) continue;
    db::Rows doc = ctx.origen.read(std::string(c->prefijo_y_numero) +
                                   std::to_string(filas.at(i, 1).as_integer()));
    if (doc.empty() || doc.at(0, 1).as_text().empty()) continue;
    std::optional<db::Value> id = engine::buscar_id_documento(
        ctx.destino, c->tipo, doc.at(0, 0).as_text(), doc.at(0, 1).as_text());
    if (!id) continue;
    ctx.destino.execute(
        "insert into CONSOLIDE_FALTANTES (CEFA_ID, CEFA_ITEM, CEFA_TIPODES, CEFA_TIPOORI, "
        "CEFA_IDORI) values(" +
        std::to_string(lista) + ", " + std::to_string(item) + ", 31, " + std::to_string(c->tipo) +
        ", " + std::to_string(id->as_integer()) + ")");
  }
  return lista;
}

// The list this copy wrote goes when the header it was made for was never written.
void quitar_lista(Contexto& ctx) {
  if (!lista_escrita(ctx)) return;
  ctx.destino.execute("DELETE FROM CONSOLIDE_FALTANTES WHERE CEFA_ID = " + ctx.claves["lista"]);
  ctx.claves.erase("lista");
}

// ---- invoice header --------------------------------------------------------------------------

// The old lines of a replaced invoice, and its payment lines when they travel.
const std::vector<Sentencia> kLineasDeFactura{
    "delete from facturas_detalle where fact_id = {id}",
    {"delete from facturas_contado_pago where fcnt_id = {id}", pagos_de_contado},
};

// Before the header is posted. Going down, a new invoice gets its consolidation list
// here. A replaced invoice keeps the list id the target gave it: the source's list id
// names a list of the source database.
void consolidar_al_insertar(Contexto& ctx, db::TargetSet& t, std::size_t fila, const db::Rows&,
                            bool nuevo) {
  const std::size_t col = t.column("FACT_CONSOLIDA");
  if (!nuevo)
    t.set(fila, col, t.original(fila, col));
  else if (!subida(ctx))
    t.set(fila, col, db::Value::integer(consolidar(ctx)));
}

// After the header apply, whether it succeeded or not. Going up, the consolidation
// list is built now and the header written a second time with its id (0 when the
// source invoice is not consolidated); the failure flag is that write's result, and
// the header counts as written when either write succeeded. A replace whose first
// write failed takes the old lines with it in the second. In either phase, a list
// made for a header that was never written is taken away again.
void consolidar_tras_encabezado(Contexto& ctx, db::TargetSet& t) {
  if (subida(ctx) && !t.empty()) {
    const bool reemplazo_fallido = ctx.id_destino != 0 && !ctx.encabezado_escrito;
    const std::int64_t lista = consolidar(ctx);
    const std::size_t col = t.column("FACT_CONSOLIDA");
    if (!ctx.encabezado_escrito || t.value(0, col).as_text() != std::to_string(lista)) {
      t.set(0, col, db::Value::integer(lista));
      t.post(0);
      std::vector<std::string> antes;
      if (reemplazo_fallido) antes = engine::sentencias(ctx, kLineasDeFactura, ctx.id_destino);
      ctx.fallo = t.apply(ctx.errores, antes) > 0;
      if (!ctx.fallo && !ctx.encabezado_escrito) {
        ctx.encabezado_escrito = true;
        ctx.id_destino = t.value(0, 0).as_integer();
      }
    }
  }
  if (!ctx.encabezado_escrito) quitar_lista(ctx);
}

// ---- sales return ------------------------------------------------------------------------------

// A new return points at the returned invoice by its id in the source database; the
// copy must point at the target's copy of that invoice. DEVT_FACTURA holds the
// invoice's prefix followed by its number, the number being the last 8 characters. A
// return without an invoice (DEVT_FACTID 0, or empty) is left as it is; an invoice the
// target does not have leaves 0. A replaced return keeps the target's DEVT_FACTID
// (column 29), the one its insert linked, and is not re-linked.
void religar_factura_devuelta(Contexto& ctx, db::TargetSet& t, std::size_t fila,
                              const db::Rows& devolucion, bool nuevo) {
  if (!nuevo) {
    t.set(fila, 29, t.original(fila, 29));
    return;
  }
  const db::Value& factid = devolucion.at(0, "DEVT_FACTID");
  if (factid.is_null() || factid.as_integer() == 0) return;
  const std::string factura = devolucion.at(0, "DEVT_FACTURA").as_text();
  const std::size_t corte = factura.size() > 8 ? factura.size() - 8 : 0;
  std::optional<db::Value> id =
      engine::buscar_id_documento(ctx.destino, 31, factura.substr(0, corte), factura.substr(corte));
  t.set(fila, "DEVT_FACTID", id.value_or(db::Value::integer(0)));
}

// ---- the invoice converted into an exit ------------------------------------------------------

// "FV" followed by the source invoice's own prefix and number.
void concepto_de_factura(Contexto&, db::TargetSet& t, std::size_t fila, const db::Rows& factura,
                         bool) {
  t.set(fila, "SALI_CONC",
        db::Value::text("FV" + factura.at(0, "PREF_PRE").as_text() +
                        factura.at(0, "FACT_NUMERO").as_text()));
}

// SALIDAS <- FACTURAS, insert and replace alike. SALI_CONC: concepto_de_factura.
// SALI_RESERVA and SALI_RESEID are not written.
const std::vector<Campo> kSalidaDeFactura{
    numero("TIDO_COD", "12"),
    evento("PREF_PRE", "{prefdest}"),
    columna("BODE_COD", "BODE_COD"),
    columna("SALI_NUMERO", "FACT_NUMERO"),
    columna("SALI_FECHA", "FACT_FECHA"),
    evento("SALI_REFER", "{pref}{numero}"),
    numero("SALI_TIPOREF", "31"),
    evento("SALI_IDREF", "{iddoc}"),
    columna("SALI_IMPTOS", "FACT_IVAINC"),
    columna("SALI_NOMTERC", "FACT_NOMCLIENTE"),
    columna("SALI_ANULADO", "FACT_ANULADO"),
    columna("SALI_TRANSMIT", "FACT_TRANSMIT"),
    columna("SALI_OBS", "FACT_OBS", Forma::Texto),
    columna("TERC_NIT", "TERC_NIT"),
    columna("SALI_USUARIO", "FACT_USUARIO", Forma::Texto),
    texto("NUMOK", "N"),
};

// SALIDAS_DETALLE <- FACTURAS_DETALLE; SALI_ID is the target id.
const std::vector<Campo> kLineaDeFactura{
    columna("SADE_ITEM", "FADE_ITEM"),         columna("ARTI_COD", "ARTI_COD"),
    columna("BODE_COD", "BODE_COD"),           columna("SADE_CANT", "FADE_CANT"),
    columna("SADE_UNIDAD", "FADE_UNIDAD"),     columna("SADE_LOTE", "FADE_LOTE"),
    columna("SADE_FACTOR", "FADE_FACTOR"),     columna("SADE_DESC", "FADE_DESC"),
    columna("SADE_OBS", "FADE_OBS"),           columna("SADE_IVAPORC", "FADE_IVAPORC"),
    columna("SADE_IVAMONTO", "FADE_IVAMONTO"), columna("SADE_CONSUMO", "FADE_CONSUMO"),
    columna("SADE_CODBAR", "FADE_CODBAR"),     columna("SADE_ANULADO", "FADE_ANULADO"),
    columna("SADE_COSTO", "FADE_PRUNIT"),      columna("SADE_TOTAL", "FADE_TOTAL"),
};

// ---- the documents -----------------------------------------------------------------------------

// Type 31 as an invoice: every upload, and downloads in mode "FACTURA".
const Documento kFactura{
    .letras = "DA",
    .lectura = "select * from facturas where fact_id = {iddoc}",
    .busqueda = "SELECT * FROM FACTURAS WHERE PREF_PRE = {pref} AND FACT_NUMERO = {numero}",
    .anulado = "FACT_ANULADO",
    .identificador = {.procedimiento = "cambie_id_factura"},
    .borrar_al_reemplazar = kLineasDeFactura,
    .detalles = {{.origen = "select * from facturas_detalle where fact_id = {iddoc}",
                  .destino = "SELECT * FROM FACTURAS_DETALLE WHERE FACT_ID = {id}",
                  .ajustar = linea_de_factura,
                  .posiciones_propias = {18}},
                 {.origen = "select * from facturas_contado_pago where fcnt_id = {iddoc}",
                  .destino = "SELECT * FROM FACTURAS_CONTADO_PAGO WHERE FCNT_ID = {id}",
                  .ajustar = linea_de_pago,
                  .si = pagos_de_contado}},
    // Undo: annulled, its electronic-invoice code cleared, while its lines are still
    // there, so whatever reverses stock or taxes on annul sees them; then the lines
    // (the replace deletes above), the payment lines that stayed when they do not
    // travel, the consolidation list this copy wrote, and the header.
    .anular_al_deshacer = {"UPDATE FACTURAS SET FACT_CUFE = NULL, FACT_ANULADO = 'S' WHERE "
                           "FACT_ID = {id}"},
    .deshacer = {{"DELETE FROM FACTURAS_CONTADO_PAGO WHERE FCNT_ID = {id}", sin_pagos_de_contado},
                 {"DELETE FROM CONSOLIDE_FALTANTES WHERE CEFA_ID = {clave:lista}", lista_escrita},
                 "DELETE FROM FACTURAS WHERE FACT_ID = {id}"},
    .ajustar = consolidar_al_insertar,
    .tras_encabezado = consolidar_tras_encabezado,
    .tras_detalle = factura_completa,
    .al_exito = puntos_de_factura,
};

// Type 31 converted into an exit: downloads outside mode "FACTURA". Found by its
// back-reference and by the sender's prefix and number, which the mapping writes into
// SALI_REFER: two companies sending to one target under one destination prefix draw
// their invoice ids from generators of their own.
const Documento kFacturaSalida{
    .letras = "DA",
    .lectura = "select * from facturas where fact_id = {iddoc}",
    .busqueda =
        "SELECT * FROM SALIDAS WHERE SALI_TIPOREF = 31 AND SALI_IDREF = {iddoc} AND "
        "PREF_PRE = {prefdest} AND SALI_REFER = {pref_numero}",
    .anulado = "SALI_ANULADO",
    .identificador = {.procedimiento = "cambie_id_salida", .columna = "SALI_ID"},
    .borrar_al_reemplazar = {"delete from salidas_detalle where sali_id = {id}"},
    .detalles = {{.origen = "select * from facturas_detalle where fact_id = {iddoc}",
                  .destino = "SELECT * FROM SALIDAS_DETALLE WHERE SALI_ID = {id}",
                  .linea = kLineaDeFactura}},
    .deshacer = {"DELETE FROM SALIDAS WHERE SALI_ID = {id}"},
    .encabezado = kSalidaDeFactura,
    .ajustar = concepto_de_factura,
    .propias = {"SALI_CONC"},
};

// Type 32, customer delivery notes.
const Documento kRemision{
    .letras = "DA",
    .lectura = "select * from remisiones_venta where revt_id = {iddoc}",
    .busqueda = "SELECT * FROM REMISIONES_VENTA WHERE PREF_PRE = {pref} AND REVT_NUMERO = {numero}",
    .anulado = "REVT_ANULADO",
    .identificador = {.procedimiento = "cambie_id_remiclie"},
    .borrar_al_reemplazar = {"delete from remisiones_venta_detalle where revt_id = {id}"},
    .detalles = {{"select * from remisiones_venta_detalle where revt_id = {iddoc}",
                  "SELECT * FROM REMISIONES_VENTA_DETALLE WHERE REVT_ID = {id}"}},
    .deshacer = {"DELETE FROM REMISIONES_VENTA WHERE REVT_ID = {id}"},
};

// Type 33, sales returns.
const Documento kDevolucion{
    .letras = "DA",
    .lectura = "select * from devoluciones_ventas where devt_id = {iddoc}",
    .busqueda =
        "SELECT * FROM DEVOLUCIONES_VENTAS WHERE PREF_PRE = {pref} AND DEVT_NUMERO = {numero}",
    .anulado = "DEVT_ANULADO",
    .identificador = {.procedimiento = "cambie_id_devolclie"},
    .borrar_al_reemplazar = {"delete from devoluciones_ventas_detalle where devt_id = {id}"},
    .detalles = {{"select * from devoluciones_ventas_detalle where devt_id = {iddoc}",
                  "SELECT * FROM DEVOLUCIONES_VENTAS_DETALLE WHERE DEVT_ID = {id}"}},
    .deshacer = {"DELETE FROM DEVOLUCIONES_VENTAS WHERE DEVT_ID = {id}"},
    .ajustar = religar_factura_devuelta,
    .al_exito = puntos_de_devolucion,
};

// Type 34, customer orders.
const Documento kPedido{
    .letras = "DA",
    .lectura = "select * from pedidos where pedi_id = {iddoc}",
    .busqueda = "SELECT * FROM PEDIDOS WHERE PREF_PRE = {pref} AND PEDI_NUMERO = {numero}",
    .anulado = "PEDI_ANULADO",
    .identificador = {.procedimiento = "cambie_id_pedido"},
    .borrar_al_reemplazar = {"delete from pedidos_detalle where pedi_id = {id}"},
    .detalles = {{"select * from pedidos_detalle where pedi_id = {iddoc}",
                  "SELECT * FROM PEDIDOS_DETALLE WHERE PEDI_ID = {id}"}},
    .deshacer = {"DELETE FROM PEDIDOS WHERE PEDI_ID = {id}"},
};

// Type 35, quotations.
const Documento kCotizacion{
    .letras = "DA",
    .lectura = "select * from cotizaciones where coti_id = {iddoc}",
    .busqueda = "SELECT * FROM COTIZACIONES WHERE PREF_PRE = {pref} AND COTI_NUMERO = {numero}",
    .anulado = "COTI_ANULADO",
    .identificador = {.procedimiento = "cambie_id_cotizaci"},
    .borrar_al_reemplazar = {"delete from cotizaciones_detalle where coti_id = {id}"},
    .detalles = {{"select * from cotizaciones_detalle where coti_id = {iddoc}",
                  "SELECT * FROM COTIZACIONES_DETALLE WHERE COTI_ID = {id}"}},
    .deshacer = {"DELETE FROM COTIZACIONES WHERE COTI_ID = {id}"},
};

// An invoice goes down as an exit unless the company takes it as an invoice. A copy
// already on the target keeps its kind: the sender's agent copies invoices as invoices
// going up, the addressee's may have converted one going down first.
bool como_salida(const Contexto& ctx) { return !subida(ctx) && !ctx.banderas.venta_como_factura; }
const Documento& factura(const Contexto& ctx) {
  return como_salida(ctx) ? kFacturaSalida : kFactura;
}
const Documento& factura_otra(const Contexto& ctx) {
  return como_salida(ctx) ? kFactura : kFacturaSalida;
}

}  // namespace

void registrar_ventas(engine::TablaTipos& t) {
  t.registrar(31, engine::copia(factura, factura_otra));
  t.registrar(32, engine::copia(kRemision));
  t.registrar(33, engine::copia(kDevolucion));
  t.registrar(34, engine::copia(kPedido));
  t.registrar(35, engine::copia(kCotizacion));
}

}  // namespace handlers
