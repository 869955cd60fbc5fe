// Inventory documents: every type is a row of statements run by the document protocol.
// Entries (11), exits (12), assemblies (15), disassemblies (16), reservations (17) and
// inventory orders (18) are plain copies, the same in both phases. Adjustments (14)
// received from another company are recognised by their concept and filed under the
// destination prefix. Transfers (13) travel as transfers, or, when the company says
// so, as entries into the destination warehouse.
#include <string>
#include <string_view>
#include <vector>

#include "engine/cotejo.h"
#include "engine/protocolo.h"
#include "engine/sql.h"
#include "handlers/registro.h"

namespace handlers {
namespace {

using engine::Campo;
using engine::columna;
using engine::Contexto;
using engine::copia;
using engine::Documento;
using engine::evento;
using engine::Fase;
using engine::Forma;
using engine::numero;
using engine::texto;

// ---- plain documents -------------------------------------------------------------------

// Type 11, inventory entries.
const Documento kEntrada{
    .letras = "DA",
    .lectura = "select * from entradas where entr_id = {iddoc}",
    .busqueda = "SELECT * FROM ENTRADAS WHERE PREF_PRE = {pref} AND ENTR_NUMERO = {numero}",
    .anulado = "ENTR_ANULADO",
    .identificador = {.procedimiento = "cambie_id_entrada", .columna = "ENTR_ID", .numok = true},
    .borrar_al_reemplazar = {"delete from entradas_detalle where entr_id = {id}"},
    .detalles = {{"select * from entradas_detalle where entr_id = {iddoc}",
                  "SELECT * FROM ENTRADAS_DETALLE WHERE ENTR_ID = {id}"}},
    .deshacer = {"DELETE FROM ENTRADAS WHERE ENTR_ID = {id}"},
};

// Type 12, inventory exits.
const Documento kSalida{
    .letras = "DA",
    .lectura = "select * from salidas where sali_id = {iddoc}",
    .busqueda = "SELECT * FROM SALIDAS WHERE PREF_PRE = {pref} AND SALI_NUMERO = {numero}",
    .anulado = "SALI_ANULADO",
    .identificador = {.procedimiento = "cambie_id_salida", .columna = "SALI_ID", .numok = true},
    .borrar_al_reemplazar = {"delete from salidas_detalle where sali_id = {id}"},
    .detalles = {{"select * from salidas_detalle where sali_id = {iddoc}",
                  "SELECT * FROM SALIDAS_DETALLE WHERE SALI_ID = {id}"}},
    .deshacer = {"DELETE FROM SALIDAS WHERE SALI_ID = {id}"},
};

// Type 15, assemblies.
const Documento kEnsamble{
    .letras = "DA",
    .lectura = "select * from ENSAMBLES where ensa_id = {iddoc}",
    .busqueda = "SELECT * FROM ENSAMBLES WHERE PREF_PRE = {pref} AND ENSA_NUMERO = {numero}",
    .anulado = "ENSA_ANULADO",
    .identificador = {.procedimiento = "cambie_id_ensamble", .numok = true},
    .borrar_al_reemplazar = {"delete from ensambles_detalle where ensa_id = {id}"},
    .detalles = {{"select * from ensambles_detalle where ensa_id = {iddoc}",
                  "SELECT * FROM ENSAMBLES_DETALLE WHERE ENSA_ID = {id}"}},
    .deshacer = {"DELETE FROM ENSAMBLES WHERE ENSA_ID = {id}"},
};

// Type 16, disassemblies.
const Documento kDesensamble{
    .letras = "DA",
    .lectura = "select * from desensambles where dese_id = {iddoc}",
    .busqueda = "SELECT * FROM DESENSAMBLES WHERE PREF_PRE = {pref} AND DESE_NUMERO = {numero}",
    .anulado = "DESE_ANULADO",
    .identificador = {.procedimiento = "cambie_id_desensamble", .numok = true},
    .borrar_al_reemplazar = {"delete from desensambles_detalle where dese_id = {id}"},
    .detalles = {{"select * from desensambles_detalle where dese_id = {iddoc}",
                  "SELECT * FROM DESENSAMBLES_DETALLE WHERE DESE_ID = {id}"}},
    .deshacer = {"DELETE FROM DESENSAMBLES WHERE DESE_ID = {id}"},
};

// Type 17, reservations: NUMOK is left as the copy gives it.
const Documento kReserva{
    .letras = "DA",
    .lectura = "select * from reservas where rese_id = {iddoc}",
    .busqueda = "SELECT * FROM RESERVAS WHERE PREF_PRE = {pref} AND RESE_NUMERO = {numero}",
    .anulado = "RESE_ANULADO",
    .identificador = {.procedimiento = "cambie_id_reserva"},
    .borrar_al_reemplazar = {"delete from reservas_detalle where rese_id = {id}"},
    .detalles = {{"select * from reservas_detalle where rese_id = {iddoc}",
                  "SELECT * FROM RESERVAS_DETALLE WHERE RESE_ID = {id}"}},
    .deshacer = {"DELETE FROM RESERVAS WHERE RESE_ID = {id}"},
};

// Type 18, inventory orders: NUMOK is left as the copy gives it.
const Documento kOrdenInventario{
    .letras = "DA",
    .lectura = "select * from ORDENES_INVENTARIO where orin_id = {iddoc}",
    .busqueda =
        "SELECT * FROM ORDENES_INVENTARIO WHERE PREF_PRE = {pref} AND ORIN_NUMERO = {numero}",
    .anulado = "ORIN_ANULADO",
    .identificador = {.procedimiento = "cambie_id_ordenmcia"},
    .borrar_al_reemplazar = {"delete from ordeninventario_detalle where orin_id = {id}"},
    .detalles = {{"select * from ordeninventario_detalle where orin_id = {iddoc}",
                  "SELECT * FROM ORDENINVENTARIO_DETALLE WHERE ORIN_ID = {id}"}},
    .deshacer = {"DELETE FROM ORDENES_INVENTARIO WHERE ORIN_ID = {id}"},
};

// ---- adjustments (14) ------------------------------------------------------------------

std::string buscar_ajuste(const Contexto& ctx);

// Sent to another company: a plain copy by prefix and number, NUMOK untouched.
const Documento kAjuste{
    .letras = "DA",
    .lectura = "select * from ajustes where ajus_id = {iddoc}",
    .anulado = "AJUS_ANULADO",
    .identificador = {.procedimiento = "cambie_id_ajusteinv"},
    .borrar_al_reemplazar = {"delete from ajustes_detalle where ajus_id = {id}"},
    .detalles = {{"select * from ajustes_detalle where ajus_id = {iddoc}",
                  "SELECT * FROM AJUSTES_DETALLE WHERE AJUS_ID = {id}"}},
    .deshacer = {"DELETE FROM AJUSTES WHERE AJUS_ID = {id}"},
    .buscar = buscar_ajuste,
};

// The concept a received adjustment carries: the sender's prefix and number.
std::string concepto_ajuste(const Contexto& ctx) {
  return "Ajuste No." + ctx.evento.pref() + ctx.evento.numero();
}

// An adjustment is copied by the addressee's agent (download: found by its concept,
// filed under the destination prefix) or by the owner's agent (upload: a plain copy
// under its own prefix and number), whichever reaches its event first. Each phase finds
// the other's copy too, so the adjustment exists once on the target (for "D" and "A"
// as well). The concept is a quoted literal: a quote in the sender's prefix or number
// is matched as it is.
std::string buscar_ajuste(const Contexto& ctx) {
  const std::string pref_numero = " (PREF_PRE = " + engine::quoted(ctx.evento.pref()) +
                                  " AND AJUS_NUMERO = " + engine::quoted(ctx.evento.numero());
  std::string sql =
      "SELECT * FROM AJUSTES WHERE AJUS_CONC = " + engine::quoted(concepto_ajuste(ctx));
  if (ctx.fase == engine::Fase::Subida) return sql + " OR" + pref_numero + ")";
  // Going down, a plain copy is recognised by the sender's own concept as well, so an
  // ordinary adjustment of the target that shares the prefix and number is not taken.
  if (!ctx.encabezado) return sql;
  return sql + " OR" + pref_numero +
         " AND AJUS_CONC = " + engine::quoted(ctx.encabezado->at(0, "AJUS_CONC").as_text()) + ")";
}

// After the copy (insert and replace alike): filed under the destination prefix and
// labelled with the sender's prefix and number. NUMOK comes from the row below.
void ajustar_ajuste_recibido(Contexto& ctx, db::TargetSet& t, std::size_t fila, const db::Rows&,
                             bool) {
  t.set(fila, "PREF_PRE", db::Value::text(ctx.evento.prefdest()));
  t.set(fila, "AJUS_CONC", db::Value::text(concepto_ajuste(ctx)));
}

// Received from another company: identified by concept, filed under RPEV_PREFDEST.
const Documento kAjusteRecibido{
    .letras = "DA",
    .lectura = "select * from ajustes where ajus_id = {iddoc}",
    .anulado = "AJUS_ANULADO",
    .identificador = {.procedimiento = "cambie_id_ajusteinv", .numok = true},
    .borrar_al_reemplazar = {"delete from ajustes_detalle where ajus_id = {id}"},
    .detalles = {{"select * from ajustes_detalle where ajus_id = {iddoc}",
                  "SELECT * FROM AJUSTES_DETALLE WHERE AJUS_ID = {id}"}},
    .deshacer = {"DELETE FROM AJUSTES WHERE AJUS_ID = {id}"},
    .numok_al_reemplazar = true,
    .ajustar = ajustar_ajuste_recibido,
    .buscar = buscar_ajuste,
    .propias = {"PREF_PRE", "AJUS_CONC"},
};

// ---- transfers (13) --------------------------------------------------------------------

// As a transfer: a plain copy.
const Documento kTraslado{
    .letras = "DA",
    .lectura = "select * from trasferencias where tran_id = {iddoc}",
    .busqueda = "SELECT * FROM TRASFERENCIAS WHERE PREF_PRE = {pref} AND TRAN_NUMERO = {numero}",
    .anulado = "TRAN_ANULADO",
    .identificador = {.procedimiento = "cambie_id_transfer", .numok = true},
    .borrar_al_reemplazar = {"delete from trasferencias_detalle where tran_id = {id}"},
    .detalles = {{"select * from trasferencias_detalle where tran_id = {iddoc}",
                  "SELECT * FROM TRASFERENCIAS_DETALLE WHERE TRAN_ID = {id}"}},
    .deshacer = {"DELETE FROM TRASFERENCIAS WHERE TRAN_ID = {id}"},
};

// As an entry: the ENTRADAS header a transfer becomes, on insert and replace alike.
// `prefijo` is the event template of the entry's prefix.
std::vector<Campo> entrada_de_traslado(std::string_view prefijo) {
  return {
      numero("TIDO_COD", "11"),
      // Filed once: a copy the other company's agent filed under its own prefix keeps it.
      engine::solo(evento("PREF_PRE", prefijo), engine::kInserta),
      columna("BODE_COD", "TRAN_BODDES"),
      columna("ENTR_NUMERO", "TRAN_NUMERO"),
      columna("ENTR_FECHA", "TRAN_FECHA"),
      columna("ENTR_CONC", "TRAN_CONC"),
      evento("ENTR_REFER", "{pref}{numero}"),
      numero("ENTR_TIPOREF", "13"),
      evento("ENTR_IDREF", "{iddoc}"),
      columna("ENTR_IMPTOS", "TRAN_IMPTOS"),
      columna("ENTR_NOMTERC", "TERC_NIT"),
      columna("ENTR_ANULADO", "TRAN_ANULADO"),
      columna("ENTR_TRANSMIT", "TRAN_TRANSMIT"),
      columna("ENTR_OBS", "TRAN_OBS", Forma::Texto),
      columna("TERC_NIT", "TERC_NIT"),
      texto("ENTR_ORDEN", ""),
      texto("ENTR_ORDENID", "0"),
      columna("ENTR_USUARIO", "TRAN_USUARIO", Forma::Texto),
      texto("NUMOK", "N"),
  };
}

// One ENTRADAS_DETALLE line per transfer line.
const std::vector<Campo> kLineaDeTraslado{
    // ENTR_ID: the target id, set by the detail copy.
    columna("ENDE_ITEM", "TRAS_ITEM"),
    columna("ARTI_COD", "ARTI_COD"),
    // BODE_COD: the header's TRAN_BODDES, set by ajustar_linea_traslado.
    columna("ENDE_CANT", "TRAS_CANT"),
    columna("ENDE_UNIDAD", "TRAS_UNIDAD"),
    columna("ENDE_LOTE", "TRAS_LOTE"),
    columna("ENDE_FACTOR", "TRAS_FACTOR"),
    columna("ENDE_DESC", "TRAS_DESC"),
    columna("ENDE_OBS", "TRAS_OBS"),
    columna("ENDE_IVAPORC", "TRAS_IVAPORC"),
    columna("ENDE_IVAMONTO", "TRAS_IVAMONTO"),
    columna("ENDE_CONSUMO", "TRAS_CONSUMO"),
    columna("ENDE_CODBAR", "TRAS_CODBAR"),
    columna("ENDE_ANULADO", "TRAS_ANULADO"),
    columna("ENDE_COSTO", "TRAS_COSTO"),  // at the last cost: ajustar_linea_traslado
    columna("ENDE_TOTAL", "TRAS_TOTAL"),  // at the last cost: ajustar_linea_traslado
    numero("ENDE_DTOPORC", "0"),
    numero("ENDE_DTOMONTO", "0"),
};

// Each line enters the transfer's destination warehouse. At the last cost, the cost is
// what ULTIMO_COSTO gives on the target side for the article, the transfer's date and
// the line's unit, and the total that cost times the quantity; both stay NULL when the
// procedure has no row. The cost is assigned as the number the procedure returns and
// the total is the exact fixed-point product, so neither depends on how the
// workstation writes numbers.
void ajustar_linea_traslado(Contexto& ctx, db::TargetSet& t, std::size_t fila,
                            const db::Rows& lineas, std::size_t i) {
  const db::Rows& origen = *ctx.encabezado;
  t.set(fila, "BODE_COD", db::Value::text(origen.at(0, "TRAN_BODDES").as_text()));
  if (!ctx.banderas.traslado_ultimo_costo) return;
  db::Rows costo = ctx.destino.query("select * from ULTIMO_COSTO(" +
                                     engine::quoted(lineas.at(i, "ARTI_COD").as_text()) + "," +
                                     engine::quoted(origen.at(0, "TRAN_FECHA").as_text()) + "," +
                                     engine::quoted(lineas.at(i, "TRAS_UNIDAD").as_text()) + ")");
  if (costo.empty() || costo.columns().empty()) {
    t.set(fila, "ENDE_COSTO", db::Value());
    t.set(fila, "ENDE_TOTAL", db::Value());
    return;
  }
  const db::Value& c = costo.at(0, 0);
  t.set(fila, "ENDE_COSTO", c);
  if (c.is_null()) {
    t.set(fila, "ENDE_TOTAL", db::Value());
    return;
  }
  db::Decimal total = db::multiply(c.as_decimal(), lineas.at(i, "TRAS_CANT").as_decimal());
  t.set(fila, "ENDE_TOTAL", db::Value::fixed(total.units, total.scale));
}

// The transfer's lines as the entry's lines.
const engine::Detalle kLineasDeTraslado{
    .origen = "select * from trasferencias_detalle where tran_id = {iddoc}",
    .destino = "SELECT * FROM ENTRADAS_DETALLE WHERE ENTR_ID = {id}",
    .linea = kLineaDeTraslado,
    .ajustar = ajustar_linea_traslado,
};

// As an entry received from another company: filed under RPEV_PREFDEST and found again
// by the transfer it came from, for the copy and for "D" and "A" alike.
const Documento kTrasladoEntradaRecibida{
    .letras = "DA",
    .lectura = "select * from trasferencias where tran_id = {iddoc}",
    // Or the copy the owner's agent sent, filed under the transfer's own prefix: both
    // carry the transfer's id and its prefix and number as reference.
    .busqueda =
        "SELECT * FROM ENTRADAS WHERE ENTR_TIPOREF = 13 AND ENTR_IDREF = {iddoc} AND "
        "(PREF_PRE = {prefdest} OR ENTR_REFER = {pref_numero})",
    .anulado = "ENTR_ANULADO",
    .identificador = {.procedimiento = "cambie_id_entrada", .columna = "ENTR_ID"},
    .borrar_al_reemplazar = {"delete from entradas_detalle where entr_id = {id}"},
    .detalles = {kLineasDeTraslado},
    .deshacer = {"DELETE FROM ENTRADAS WHERE ENTR_ID = {id}"},
    .encabezado = entrada_de_traslado("{prefdest}"),
};

// As an entry sent to another company: filed under the transfer's own prefix; the copy
// is found by prefix and number, "D" and "A" by the reference to the transfer.
const Documento kTrasladoEntradaEnviada{
    .letras = "DA",
    .lectura = "select * from trasferencias where tran_id = {iddoc}",
    // Only entries that came from a transfer: an ordinary entry of the partner with the
    // same prefix and number is not this transfer's copy.
    // Or the copy the addressee's agent received under its destination prefix.
    .busqueda =
        "SELECT * FROM ENTRADAS WHERE ENTR_TIPOREF = 13 AND (PREF_PRE = {pref} AND "
        "ENTR_NUMERO = {numero} OR ENTR_IDREF = {iddoc} AND ENTR_REFER = {pref_numero})",
    .busqueda_borrado =
        "SELECT * FROM ENTRADAS WHERE ENTR_TIPOREF = 13 AND ENTR_REFER = "
        "{pref_numero}",
    .anulado = "ENTR_ANULADO",
    .identificador = {.procedimiento = "cambie_id_entrada", .columna = "ENTR_ID"},
    .borrar_al_reemplazar = {"delete from entradas_detalle where entr_id = {id}"},
    .detalles = {kLineasDeTraslado},
    .deshacer = {"DELETE FROM ENTRADAS WHERE ENTR_ID = {id}"},
    .encabezado = entrada_de_traslado("{pref}"),
};

const Documento& traslado_entrada(const Contexto& ctx) {
  return ctx.fase == Fase::Descarga ? kTrasladoEntradaRecibida : kTrasladoEntradaEnviada;
}
// A transfer is copied as a transfer, or as an entry when the company takes it so. A
// copy already on the target keeps its kind: the other company's agent reads its own
// setting, and either agent may reach the transfer first.
const Documento& traslado(const Contexto& ctx) {
  return ctx.banderas.traslado_como_entrada ? traslado_entrada(ctx) : kTraslado;
}
const Documento& traslado_otro(const Contexto& ctx) {
  return ctx.banderas.traslado_como_entrada ? kTraslado : traslado_entrada(ctx);
}

const Documento& ajuste(const Contexto& ctx) {
  return ctx.fase == Fase::Descarga ? kAjusteRecibido : kAjuste;
}

}  // namespace

void registrar_inventario(engine::TablaTipos& t) {
  t.registrar(11, copia(kEntrada));
  t.registrar(12, copia(kSalida));
  t.registrar(13, copia(traslado, traslado_otro));
  t.registrar(14, copia(ajuste));
  t.registrar(15, copia(kEnsamble));
  t.registrar(16, copia(kDesensamble));
  t.registrar(17, copia(kReserva));
  t.registrar(18, copia(kOrdenInventario));
}

}  // namespace handlers
