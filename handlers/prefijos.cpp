// Prefixes, print formats and year parameters: keyed rows, each a row of statements run
// by the master-data protocol. Prefixes travel in both phases under two codes: 120
// copies the whole row (in the download phase only on "I"), 142 the numbering and
// accounting columns by name on every letter. Print formats (1001, 1010 to 1089) and
// year parameters (190) are sent, never received.
#include <string>
#include <string_view>
#include <vector>

#include "engine/cotejo.h"
#include "engine/maestro.h"
#include "engine/protocolo.h"
#include "handlers/registro.h"

namespace handlers {
namespace {

using engine::Borrado;
using engine::columna;
using engine::Contexto;
using engine::copia;
using engine::Fase;
using engine::Filas;
using engine::Maestro;
using engine::PorFase;

// ---- prefixes --------------------------------------------------------------------------

// Received prefixes are copied only when the sender says "I"; "D" deletes in both
// phases. Sent prefixes are copied on every other letter.
bool prefijo_con_letra(Contexto& ctx) {
  const std::string oper = ctx.evento.oper();
  return ctx.fase == Fase::Subida || oper == engine::kOperBorrar || oper == engine::kOperInsertar;
}

// Type 120: TIDO_COD = RPEV_IDDOC, PREF_PRE = RPEV_CODIGO; every column by position.
const Maestro kPrefijo{
    .borra = "D",
    .borrado = Borrado::Sentencia,
    .borrar = PorFase("DELETE from PREFIJOS where TIDO_COD = {iddoc} AND PREF_PRE = {codigo}",
                      "DELETE from PREFIJOS WHERE TIDO_COD = {iddoc} AND PREF_PRE = {codigo}"),
    .lectura = "select * from PREFIJOS where TIDO_COD = {iddoc} AND PREF_PRE = {codigo}",
    .busqueda = PorFase("SELECT * FROM PREFIJOS WHERE TIDO_COD = {iddoc} AND PREF_PRE = {codigo}",
                        "SELECT * FROM PREFIJOS where TIDO_COD = {iddoc} AND PREF_PRE = {codigo}"),
    .preparar = prefijo_con_letra,
};

// Type 142: TIDO_COD = RPEV_IDDOC, PREF_PRE = RPEV_PREF; no letter deletes, and only
// these columns travel (insert and update alike): the rest of the target prefix stays.
const Maestro kPrefijoNumeracion{
    .lectura = "select * from prefijos where tido_cod = {iddoc} and pref_pre = {pref}",
    .busqueda = "SELECT * FROM prefijos where tido_cod = {iddoc} and pref_pre = {pref}",
    .campos =
        {
            columna("TIDO_COD", "TIDO_COD"),
            columna("PREF_PRE", "PREF_PRE"),
            columna("PREF_ACTUAL", "PREF_ACTUAL"),
            columna("PREF_AUTO", "PREF_AUTO"),
            columna("PREF_IVAINC", "PREF_IVAINC"),
            columna("PREF_PROY", "PREF_PROY"),
            columna("PREF_CENTRO", "PREF_CENTRO"),
            columna("PREF_ACTIVO", "PREF_ACTIVO"),
            columna("PREF_USUARIO", "PREF_USUARIO"),
            columna("TICO_COD", "TICO_COD"),
            columna("SUCU_ID", "SUCU_ID"),
            columna("PREF_SUBC", "PREF_SUBC"),
            columna("PREF_DEC1818", "PREF_DEC1818"),
            columna("PREF_FLETE", "PREF_FLETE"),
        },
};

// ---- print formats (upload only) -----------------------------------------------------

// The document type of a format event is its code less 1000 ({clave#:tipo}).
bool tipo_de_formato(Contexto& ctx) {
  ctx.claves["tipo"] = std::to_string(ctx.evento.tipo() - 1000);
  return true;
}

const Maestro kFormato{
    .borrado = Borrado::Sentencia,
    .borrar = "DELETE from FORMATOS WHERE TIDO_COD = {clave#:tipo} AND PREF_PRE = {codigo}",
    .lectura = "select * from FORMATOS where TIDO_COD = {clave#:tipo} AND PREF_PRE = {codigo}",
    .busqueda = "select * from FORMATOS where TIDO_COD = {clave#:tipo} AND PREF_PRE = {codigo}",
    .preparar = tipo_de_formato,
};

// The data and line rows of a format, which may take several rows each: the format's
// rows on the target become the source's, none when the source's format has none.
const Maestro kFormatoDatos{
    .borrado = Borrado::Sentencia,
    .borrar = "DELETE from FORMATO_DATOS WHERE TIDO_COD = {clave#:tipo} AND PREF_PRE = {codigo}",
    .lectura = "select * from FORMATO_DATOS where TIDO_COD = {clave#:tipo} AND PREF_PRE = {codigo}",
    .busqueda =
        "select * from FORMATO_DATOS where TIDO_COD = {clave#:tipo} AND PREF_PRE = {codigo}",
    .filas = Filas::Conjunto,
    .vacio_vacia = true,
    .preparar = tipo_de_formato,
};

const Maestro kFormatoLineas{
    .borrado = Borrado::Sentencia,
    .borrar = "DELETE from FORMATO_LINEAS WHERE TIDO_COD = {clave#:tipo} AND PREF_PRE = {codigo}",
    .lectura =
        "select * from FORMATO_LINEAS where TIDO_COD = {clave#:tipo} AND PREF_PRE = {codigo}",
    .busqueda =
        "select * from FORMATO_LINEAS where TIDO_COD = {clave#:tipo} AND PREF_PRE = {codigo}",
    .filas = Filas::Conjunto,
    .vacio_vacia = true,
    .preparar = tipo_de_formato,
};

// "D" deletes the data rows, the line rows and the format, in this order. Any other
// letter copies the format and then, when the source still holds it, its data rows and
// line rows. A row the target rejects keeps the event pending (the flag set by any of
// the three copies stays set) and the whole format is sent again.
void formato(Contexto& ctx) {
  if (ctx.evento.oper() == engine::kOperBorrar) {
    for (const Maestro* m : {&kFormatoDatos, &kFormatoLineas, &kFormato})
      engine::protocolo_maestro(ctx, *m);
    return;
  }
  tipo_de_formato(ctx);
  if (engine::leer_origen(ctx, engine::sentencia(ctx, kFormato.lectura.subida)).empty()) return;
  for (const Maestro* m : {&kFormato, &kFormatoDatos, &kFormatoLineas})
    engine::protocolo_maestro(ctx, *m);
}

// ---- year parameters (upload only) -----------------------------------------------------

// Type 190: PAAN_ANO = RPEV_CODIGO.
const Maestro kParametrosAno{
    .borrado = Borrado::Sentencia,
    .borrar = "DELETE from PARAMETROS_ANO WHERE PAAN_ANO = {codigo}",
    .lectura = "select * from PARAMETROS_ANO WHERE PAAN_ANO = {codigo}",
    .busqueda = "SELECT * FROM PARAMETROS_ANO WHERE PAAN_ANO = {codigo}",
};

}  // namespace

void registrar_prefijos(engine::TablaTipos& t) {
  t.registrar(120, copia(kPrefijo));
  t.registrar(142, copia(kPrefijoNumeracion));
  t.registrar(190, Fase::Subida, copia(kParametrosAno));
  t.registrar(1001, Fase::Subida, formato);
  for (int codigo = 1010; codigo <= 1089; ++codigo) t.registrar(codigo, Fase::Subida, formato);
}

}  // namespace handlers
