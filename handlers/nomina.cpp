// Loyalty points and payroll. Point redemptions (81) and payroll news (193) are
// documents that take a new id on the target; payroll receivables (94) keep their id
// and re-link the receivables their lines pay through the customer document lookup;
// payroll concepts (96) and overtime (192) are keyed rows; points earned with a
// document (235) are found through the customer movements of both sides.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/cotejo.h"
#include "engine/documentos.h"
#include "engine/maestro.h"
#include "engine/protocolo.h"
#include "engine/sql.h"
#include "handlers/registro.h"

namespace handlers {
namespace {

using engine::Borrado;
using engine::Contexto;
using engine::copia;
using engine::Documento;
using engine::Fase;
using engine::Maestro;
using engine::PorFase;

// ---- point redemptions (81) ------------------------------------------------------------

const Documento kRedencion{
    .letras = "DA",
    .lectura = "select * from PUNTOS_REDENCION where PTRE_ID = {iddoc}",
    .busqueda = "SELECT * FROM PUNTOS_REDENCION WHERE PREF_PRE = {pref} AND PTRE_NUMERO = {numero}",
    .anulado = "PTRE_ANULADO",
    .identificador = {.procedimiento = "cambie_id_rediptos"},
};

// ---- payroll receivables (94) ----------------------------------------------------------

// Line positions: 2 the receivable's type code, 3 its id, 4 its prefix, 5 its number.
// The id is the receivable's id on the target, 0 when the target does not hold it (or
// the code is not a customer document).
void religar_cartera(Contexto& ctx, db::TargetSet& t, std::size_t fila, const db::Rows& o,
                     std::size_t i) {
  const int tipo = static_cast<int>(o.at(i, 2).as_integer());
  std::optional<db::Value> id = engine::buscar_id_documento(
      ctx.destino, tipo, o.at(i, 4).as_text(), o.at(i, 5).as_text(), engine::Subconjunto::Clientes);
  t.set(fila, 3, id ? *id : db::Value::integer(0));
}

// The record keeps the source's NCAR_ID on the target, so the lookup is by that id and
// no identifier procedure is run. Every letter but "A" copies ("D" included).
const Documento kCartera{
    .letras = "",
    .lectura = "select * from NOMINA_CARTERA where ncar_id = {iddoc}",
    .busqueda = "SELECT * FROM NOMINA_CARTERA WHERE NCAR_ID = {iddoc}",
    .borrar_al_reemplazar = {"delete from nomina_cartera_detalle where ncar_id = {iddoc}"},
    .detalles = {{.origen = "select * from nomina_cartera_detalle where ncar_id = {iddoc}",
                  .destino = "SELECT * FROM NOMINA_CARTERA_DETALLE WHERE NCAR_ID = {iddoc}",
                  .ajustar = religar_cartera}},
    .deshacer = {"DELETE FROM NOMINA_CARTERA WHERE NCAR_ID = {iddoc}"},
};

// "A" removes the target header (its lines are left to the target database).
void cartera(Contexto& ctx) {
  if (ctx.evento.oper() == engine::kOperAnular) {
    engine::borrar_destino(
        ctx, engine::sentencia(ctx, "SELECT * FROM NOMINA_CARTERA WHERE NCAR_ID = {iddoc}"));
    return;
  }
  engine::protocolo_documento(ctx, kCartera);
}

// ---- payroll concepts (96) -------------------------------------------------------------

// The concept code is RPEV_IDDOC: as it is going down, quoted going up.
bool concepto_citado(Contexto& ctx) {
  ctx.claves["conc"] = ctx.evento.texto("RPEV_IDDOC");
  return true;
}

const Maestro kConceptoDescarga{
    .borrado = Borrado::Primera,
    .borrar = "SELECT * FROM CONCEPTOS_NOMINA WHERE CONC_COD = {iddoc}",
    .lectura = "select * from CONCEPTOS_NOMINA WHERE CONC_COD = {iddoc}",
    .busqueda = "SELECT * FROM CONCEPTOS_NOMINA WHERE CONC_COD = {iddoc}",
};

const Maestro kConceptoSubida{
    .borrado = Borrado::Sentencia,
    .borrar = "DELETE from CONCEPTOS_NOMINA WHERE CONC_COD = {clave:conc}",
    .lectura = "select * from CONCEPTOS_NOMINA WHERE CONC_COD = {clave:conc}",
    .busqueda = "SELECT * FROM CONCEPTOS_NOMINA WHERE CONC_COD = {clave:conc}",
    .preparar = concepto_citado,
};

// ---- overtime (192) --------------------------------------------------------------------

// The target row is the third party's row of the same year and period. Going down the
// third party is RPEV_CODIGO and year and period come from the source row; going up a
// delete takes all three from the source row, a copy from the row it copies. A source
// row that is gone names nothing: the event changes nothing.
bool clave_horas_extra(Contexto& ctx) {
  const bool subida = ctx.fase == Fase::Subida;
  const bool borra = ctx.evento.oper() == engine::kOperBorrar;
  if (subida && !borra) return true;
  db::Rows r = engine::leer_origen(
      ctx, engine::sentencia(
               ctx, subida ? "select TERC_NIT, NOEX_ANO, NOEX_PERIODIO from NOMINA_HORASEXT where "
                             "NOEX_ID = {iddoc}"
                           : "select NOEX_ANO, NOEX_PERIODIO from NOMINA_HORASEXT where NOEX_ID "
                             "= {iddoc}"));
  if (r.empty()) return false;
  if (subida) ctx.claves["nit"] = r.at(0, "TERC_NIT").as_text();
  ctx.claves["ano"] = r.at(0, "NOEX_ANO").as_text();
  ctx.claves["periodo"] = r.at(0, "NOEX_PERIODIO").as_text();
  return true;
}

// Going up, the copy's lookup takes the third party, period and year from the source
// row by name.
const Maestro kHorasExtra{
    .borrado = Borrado::Primera,
    .borrar = PorFase("SELECT * FROM NOMINA_HORASEXT WHERE TERC_NIT = {codigo} AND NOEX_ANO = "
                      "{clave#:ano} AND NOEX_PERIODIO = {clave#:periodo}",
                      "SELECT * FROM NOMINA_HORASEXT WHERE TERC_NIT = {clave:nit} AND NOEX_ANO = "
                      "{clave:ano} AND NOEX_PERIODIO = {clave#:periodo}"),
    .lectura = "select * from NOMINA_HORASEXT where NOEX_ID = {iddoc}",
    .busqueda = PorFase("SELECT * FROM NOMINA_HORASEXT WHERE TERC_NIT = {codigo} AND NOEX_ANO = "
                        "{clave#:ano} AND NOEX_PERIODIO = {clave#:periodo}",
                        "SELECT * FROM NOMINA_HORASEXT WHERE TERC_NIT = {fila:TERC_NIT} AND "
                        "NOEX_PERIODIO = {fila:NOEX_PERIODIO} AND NOEX_ANO = {fila:NOEX_ANO}"),
    .desde = 1,
    .preparar = clave_horas_extra,
};

// ---- payroll news (193) ----------------------------------------------------------------

// A news record is found on the target by third party, news type and date (its text
// form), in both phases: its id there is not the source's (each database numbers its
// own). `r` is a source row holding the three columns.
std::string buscar_novedad_de(const db::Rows& r) {
  return "SELECT * FROM NOMINA_NOVEDADES WHERE TERC_NIT = " +
         engine::quoted(r.at(0, "TERC_NIT").as_text()) +
         " AND TNOV_COD = " + engine::quoted(r.at(0, "TNOV_COD").as_text()) +
         " AND NONO_FECHA = " + engine::quoted(r.at(0, "NONO_FECHA").as_text());
}

std::string buscar_novedad(const Contexto& ctx) { return buscar_novedad_de(*ctx.encabezado); }

const Documento kNovedad{
    .letras = "",
    .lectura = "select * from NOMINA_NOVEDADES where NONO_ID = {iddoc}",
    .identificador = {.procedimiento = "cambie_id_novedad"},
    .borrar_al_reemplazar = {"delete from NOMINA_NOVEDADES_DETALLE where NONO_ID = {id}"},
    .detalles = {{"select * from NOMINA_NOVEDADES_DETALLE where NONO_ID = {iddoc}",
                  "SELECT * FROM NOMINA_NOVEDADES_DETALLE WHERE NONO_ID = {id}"}},
    .deshacer = {"DELETE FROM NOMINA_NOVEDADES WHERE NONO_ID = {id}"},
    .buscar = buscar_novedad,
};

// "D" deletes the target record the source row names (its lines are left to the
// target database); a source row that is gone names nothing.
void novedad(Contexto& ctx) {
  if (ctx.evento.oper() != engine::kOperBorrar) {
    engine::protocolo_documento(ctx, kNovedad);
    return;
  }
  db::Rows r = engine::leer_origen(
      ctx, engine::sentencia(ctx,
                             "select TERC_NIT, TNOV_COD, NONO_FECHA from NOMINA_NOVEDADES where "
                             "NONO_ID = {iddoc}"));
  if (r.empty()) return;
  engine::borrar_destino(ctx, buscar_novedad_de(r));
}

// ---- points earned with a document (235) -----------------------------------------------

// Every letter: the points row is written once, under the target's id of the document
// that earned it (found by prefix and number through the customer movements of both
// sides), and never refreshed. Points of a document the target does not hold yet
// change nothing.
void puntos_cliente(Contexto& ctx) {
  db::Rows o = engine::leer_origen(
      ctx, engine::sentencia(ctx, "select * from PUNTOS_CLIENTE where PTCL_ID = {iddoc}"));
  if (o.empty()) return;
  // Values of one database spliced into another's statements go in as numbers.
  const std::string tipo = engine::entero("El campo PTCL_TIPODOC", o.at(0, "PTCL_TIPODOC"));
  db::Rows mov = engine::leer_origen(
      ctx,
      "SELECT MVCL_PREFREF, MVCL_NUMREF FROM MOVIMIENTO_CLIENTES WHERE MVCL_TIPOREF = " + tipo +
          " AND MVCL_IDREF = " + engine::entero("El campo PTCL_IDDOC", o.at(0, "PTCL_IDDOC")));
  if (mov.empty()) return;
  db::Rows doc =
      ctx.destino.read("SELECT MVCL_IDREF FROM MOVIMIENTO_CLIENTES WHERE MVCL_TIPOREF = " + tipo +
                       " AND MVCL_PREFREF = " + engine::quoted(mov.at(0, 0).as_text()) +
                       " AND MVCL_NUMREF = " + engine::quoted(mov.at(0, 1).as_text()));
  if (doc.empty() || doc.at(0, 0).is_null() || doc.at(0, 0).as_text().empty()) return;
  const std::string id = engine::entero("El campo MVCL_IDREF", doc.at(0, 0));
  db::TargetSet t = engine::buscar_destino(
      ctx, "SELECT * FROM PUNTOS_CLIENTE WHERE PTCL_TIPODOC = " + tipo + " AND PTCL_IDDOC = " + id);
  if (!t.empty()) return;
  const std::size_t fila = t.append();
  engine::copiar_columnas(t, fila, o, 0, 0);
  t.set(fila, "PTCL_IDDOC", db::Value::text(id));
  t.post(fila);
  engine::aplicar(ctx, t);
}

// Payroll news is checked like any copy; a deletion names its target row through a
// source row that is gone, so it is not checked.
engine::Cotejo cotejar_novedad(Contexto& ctx) {
  if (ctx.evento.oper() == engine::kOperBorrar) return {.cotejable = false};
  return engine::cotejar(ctx, kNovedad);
}

}  // namespace

void registrar_nomina(engine::TablaTipos& t) {
  t.registrar(81, copia(kRedencion));
  t.registrar(94, cartera);
  t.registrar(96, Fase::Descarga, copia(kConceptoDescarga));
  t.registrar(96, Fase::Subida, copia(kConceptoSubida));
  t.registrar(192, copia(kHorasExtra));
  t.registrar(193, engine::Copia{novedad, cotejar_novedad});
  t.registrar(235, puntos_cliente);
}

}  // namespace handlers
