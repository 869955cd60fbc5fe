// Article master data: the article record, its units, barcodes, price-list prices,
// accounting data, composition and per-branch data, price discounts, scheduled prices
// and the classification tables (groups, subgroups, brands, manufacturers). Every code
// is a keyed row copy (one row) or a keyed row set copy (every row the read returns),
// found again on the target by its own key and copied with it: no new ids, no NUMOK.
//
// The event names the row: RPEV_CODIGO the main code ({codigo}), RPEV_IDDOC a numeric
// key part ({iddoc}), RPEV_DATOS a text key part ({datos}). The article (101) and its
// price-list prices (126) are copied by name; every other table by position from
// column 0, so the key columns receive the values they already hold.
#include <string>
#include <string_view>
#include <vector>

#include "engine/cotejo.h"
#include "engine/maestro.h"
#include "engine/protocolo.h"
#include "handlers/registro.h"

namespace handlers {
namespace {

using engine::Banderas;
using engine::Borrado;
using engine::Campo;
using engine::con_bandera;
using engine::Contexto;
using engine::copia;
using engine::Filas;
using engine::Forma;
using engine::kInsertaDescarga;
using engine::kSubida;
using engine::Maestro;
using engine::PorFase;
using engine::solo;

// The three forms of a column copied by name: the value as it is (V), the
// four-decimal money amount, NULL giving 0 (M), and the value's text (T).
constexpr Campo V(std::string_view c) { return engine::columna(c, c); }
constexpr Campo M(std::string_view c) { return engine::columna(c, c, Forma::Dinero); }
constexpr Campo T(std::string_view c) { return engine::columna(c, c, Forma::Texto); }

// ---- the article (101) -----------------------------------------------------------------

// The columns an article carries, in each write. Any other column of ARTICULO is left
// as the target holds it. Registration data of the target company (ARTI_IMPLABF,
// ARTI_VIDAUTIL, ARTI_INVIMAV) only arrive with an article the download creates; the
// download's update also leaves the sales flag, the sales unit and the address alone.
// The article state travels with every new article, and on update only while the
// article-state flag is on.
const std::vector<Campo> kColumnasArticulo{
    V("ARTI_COD"),
    V("ARTI_DES"),
    V("GRUP_COD"),
    V("SUBG_COD"),
    V("MARC_COD"),
    V("FABR_COD"),
    V("ARTI_DESVAR"),
    V("ARTI_TIPO"),
    V("ARTI_EXIST"),
    V("ARTI_FECHA"),
    V("ARTI_UNIDAD"),
    M("ARTI_PRECIO"),
    M("ARTI_CONSUMO"),
    M("ARTI_IMPBA"),
    M("ARTI_IMPUP"),
    solo(V("ARTI_ISVTA"), kInsertaDescarga),
    solo(T("ARTI_ISVTA"), kSubida),
    M("ARTI_IMPOTRO"),
    M("ARTI_PESO"),
    M("ARTI_ANCHO"),
    M("ARTI_ALTO"),
    M("ARTI_LARGO"),
    T("ARTI_OBS"),
    V("ARTI_FOTO"),
    V("ARTI_PESOAUTO"),
    V("ARTI_DECIMALES"),
    solo(V("ARTI_IMPLABF"), kInsertaDescarga),
    solo(V("ARTI_VIDAUTIL"), kInsertaDescarga),
    solo(V("ARTI_UNIPVTA"), kInsertaDescarga | kSubida),
    M("ARTI_MAX"),
    M("ARTI_MIN"),
    V("ARTI_DIAS"),
    con_bandera(V("ESAR_COD"), &Banderas::estado_articulo),
    V("ARTI_USUARIO"),
    V("TAIV_COD"),
    V("ARTI_CLASE"),
    V("ARTI_DIANALIS"),
    V("ARTI_DESCORTA"),
    V("ARTI_PRODCANT"),
    V("ARTI_CICLO"),
    V("ARTI_TIENDA"),
    V("ARTI_ENSAMBLE"),
    M("ARTI_VALORBONO"),
    M("ARTI_MERMA"),
    V("ARTI_SOBRANTE"),
    M("ARTI_PORCSOBR"),
    V("ARTI_DEC2799"),
    T("ARTI_TERCERO"),
    T("ARTI_INVIMA"),
    solo(T("ARTI_INVIMAV"), kInsertaDescarga),
    T("ARTI_INALC"),
    T("ARTI_DTOMAX"),
    T("ARTI_CUM"),
    T("ARTI_POSARANCEL"),
    V("ARTI_REUSOB"),
    T("ARTI_MERMAENT"),
    T("ARTI_MERMAPOR"),
    V("ARTI_SOBTOT"),
    solo(V("ARTI_URL"), kInsertaDescarga),
    solo(T("ARTI_URL"), kSubida),
    V("ARTI_MINDIAS"),
    V("ARTI_MAXDIAS"),
    V("ARTI_NIVINS"),
    V("ARTI_ENVASE"),
};

const Maestro kArticulo{
    .borra = "D",
    .borrado = Borrado::Primera,
    .borrar = "SELECT * FROM ARTICULO WHERE ARTI_COD = {codigo}",
    .lectura = "select * from articulo where arti_cod = {codigo}",
    .busqueda = "SELECT * FROM ARTICULO WHERE ARTI_COD = {codigo}",
    .campos = kColumnasArticulo,
};

// ---- satellites of the article ---------------------------------------------------------

// 124: units. Every row of the article and unit goes with "D".
const Maestro kUnidad{
    .borra = "D",
    .borrado = Borrado::Todas,
    .borrar = "SELECT * from UNIDAD_ARTICULO where arti_cod = {codigo} and unar_unidad = {datos}",
    .lectura = "select * from unidad_articulo where arti_cod = {codigo} and unar_unidad = {datos}",
    .busqueda =
        {"SELECT * from UNIDAD_ARTICULO where arti_cod = {codigo} AND UNAR_UNIDAD = {fila:1}",
         "SELECT * from UNIDAD_ARTICULO where arti_cod = {codigo} AND UNAR_UNIDAD = {datos}"},
    .filas = Filas::PorClave,
};

// 125: barcodes.
const Maestro kBarras{
    .borra = "D",
    .borrado = Borrado::Sentencia,
    .borrar = "DELETE from BARRAS_ARTICULO where arti_cod = {codigo} AND COBA_COD = {datos}",
    .lectura = "select * from barras_articulo where arti_cod = {codigo} AND COBA_COD = {datos}",
    .busqueda = {"SELECT * from BARRAS_ARTICULO where arti_cod = {codigo} AND COBA_COD = {datos}",
                 "SELECT * from BARRAS_ARTICULO where arti_cod = {codigo} AND COBA_COD = {fila:1}"},
    .filas = Filas::PorClave,
};

// 126: the price of the article in one price list (RPEV_IDDOC), by name: these fifteen
// columns on insert and on update alike, nothing else.
const std::vector<Campo> kColumnasPrecio{
    V("LIPR_COD"),  V("ARTI_COD"),     M("PRAR_FIJO"),  M("PRAR_MARGEN"),    M("PRAR_UTIL"),
    V("PRAR_AUTO"), M("PRAR_CONSUMO"), M("PRAR_COMI"),  M("PRAR_COMIMONTO"), M("PRAR_CANTMIN"),
    M("PRAR_DTO1"), M("PRAR_DTO2"),    M("PRAR_COMIC"), V("PRAR_REDON"),     V("PRAR_ESCALAS"),
};

const Maestro kPrecio{
    .borra = "D",
    .borrado = Borrado::Primera,
    .borrar = "SELECT * from PRECIOS_ARTICULO where arti_cod = {codigo} and lipr_cod = {iddoc}",
    .lectura = "select * from PRECIOS_ARTICULO where arti_cod = {codigo} and lipr_cod = {iddoc}",
    .busqueda = "SELECT * from PRECIOS_ARTICULO where arti_cod = {codigo} AND LIPR_COD = {fila:0}",
    .campos = kColumnasPrecio,
};

// 127: the accounting data of an article, which may take several rows. No letter
// deletes: every letter copies the rows the source still holds, and the article's rows
// on the target become those (one row written over another would lose all but one).
const Maestro kContabilidad{
    .borrado = Borrado::Ninguno,
    .lectura = "select * from contabil_articulo where arti_cod = {codigo}",
    .busqueda = "SELECT * from CONTABIL_ARTICULO where arti_cod = {codigo}",
    .filas = Filas::Conjunto,
};

// 128: the composition of a product, one component per item (RPEV_IDDOC).
const Maestro kProducto{
    .borra = "D",
    .borrado = Borrado::Sentencia,
    .borrar = "DELETE from articulos_producto where arti_cod = {codigo} and arpr_item = {iddoc}",
    .lectura = "select * from articulos_producto where arti_cod = {codigo} and arpr_item = {iddoc}",
    .busqueda =
        "SELECT * from ARTICULOS_PRODUCTO where arti_cod = {codigo} AND ARPR_ITEM = {fila#:1}",
    .filas = Filas::PorClave,
};

// 203: the article's data in one branch (RPEV_IDDOC), every row of the two.
const Maestro kArticuloSucursal{
    .borra = "D",
    .borrado = Borrado::Sentencia,
    .borrar = {"DELETE from ARTICULOS_SUCURSAL where SUCU_ID = {iddoc} AND ARTI_COD = {codigo}",
               "DELETE from ARTICULOS_SUCURSAL where arti_cod = {codigo} AND SUCU_ID = {iddoc}"},
    .lectura = {"select * from ARTICULOS_SUCURSAL where SUCU_ID = {iddoc} AND ARTI_COD = {codigo}",
                "select * from ARTICULOS_SUCURSAL where ARTI_COD = {codigo} AND SUCU_ID = {iddoc}"},
    .busqueda = "SELECT * FROM ARTICULOS_SUCURSAL WHERE ARTI_COD = {codigo} AND SUCU_ID = {iddoc}",
    .filas = Filas::Conjunto,
};

// ---- classification ----------------------------------------------------------------------

// 129: brands.
const Maestro kMarca{
    .borra = "D",
    .borrado = Borrado::Sentencia,
    .borrar = "delete from marcas where marc_cod = {codigo}",
    .lectura = "select * from marcas where marc_cod = {codigo}",
    .busqueda = "SELECT * from MARCAS where marc_cod = {codigo}",
};

// 149: manufacturers.
const Maestro kFabricante{
    .borra = "D",
    .borrado = Borrado::Sentencia,
    .borrar = "delete from FABRICANTES where FABR_COD = {codigo}",
    .lectura = "select * from FABRICANTES where FABR_COD = {codigo}",
    .busqueda = "SELECT * from FABRICANTES where FABR_COD = {codigo}",
};

// 201: groups.
const Maestro kGrupo{
    .borra = "D",
    .borrado = Borrado::Primera,
    .borrar = "SELECT * from GRUPO where grup_cod = {codigo}",
    .lectura = "select * from GRUPO where grup_cod = {codigo}",
    .busqueda = "SELECT * from GRUPO where grup_cod = {codigo}",
};

// RPEV_CODIGO of a subgroup is the group code, "|" and the subgroup code. The text up to
// the first "|" is the group and the rest the subgroup (a second "|" belongs to it). An
// event without "|" names no subgroup: nothing is deleted or copied.
bool claves_subgrupo(Contexto& ctx) {
  const std::string codigo = ctx.evento.codigo();
  const std::size_t barra = codigo.find('|');
  if (barra == std::string::npos) return false;
  ctx.claves["grupo"] = codigo.substr(0, barra);
  ctx.claves["subgrupo"] = codigo.substr(barra + 1);
  return true;
}

// 202: subgroups.
const Maestro kSubgrupo{
    .borra = "D",
    .borrado = Borrado::Sentencia,
    .borrar = "delete from SUBGRUPO where grup_cod = {clave:grupo} and subg_cod = {clave:subgrupo}",
    .lectura =
        "select * from SUBGRUPO where grup_cod = {clave:grupo} and subg_cod = {clave:subgrupo}",
    .busqueda =
        "SELECT * from SUBGRUPO where grup_cod = {clave:grupo} and subg_cod = {clave:subgrupo}",
    .preparar = claves_subgrupo,
};

// ---- discounts and scheduled prices: copied with their own ids -------------------------

// 229: a price discount (RPEV_IDDOC), every row of the id.
const Maestro kDescuento{
    .borra = "D",
    .borrado = Borrado::Sentencia,
    .borrar = "DELETE from DESCUENTOS_PRECIOS where DCTP_ID = {iddoc}",
    .lectura = "select * from DESCUENTOS_PRECIOS where DCTP_ID = {iddoc}",
    .busqueda = "SELECT * from DESCUENTOS_PRECIOS where DCTP_ID = {iddoc}",
    .filas = Filas::Conjunto,
};

// 2291: a discount's lines for one article. "A" deletes them; "D" copies like any
// other letter.
const Maestro kDescuentoArticulo{
    .borra = "A",
    .borrado = Borrado::Sentencia,
    .borrar = "DELETE from DESCUENTOS_PRECIOS_DET where DCTP_ID = {iddoc} AND ARTI_COD = {codigo}",
    .lectura =
        "select * from DESCUENTOS_PRECIOS_DET where DCTP_ID = {iddoc} AND ARTI_COD = {codigo}",
    .busqueda =
        "SELECT * from DESCUENTOS_PRECIOS_DET where DCTP_ID = {iddoc} AND ARTI_COD = {codigo}",
    .filas = Filas::Conjunto,
};

// 1125: a scheduled price change (RPEV_IDDOC).
const Maestro kPrecioFuturo{
    .borra = "D",
    .borrado = Borrado::Sentencia,
    .borrar = "DELETE from PRECIOS_FUTUROS where PRFU_ID = {iddoc}",
    .lectura = "select * from PRECIOS_FUTUROS where PRFU_ID = {iddoc}",
    .busqueda = "SELECT * from PRECIOS_FUTUROS where PRFU_ID = {iddoc}",
};

// 1126: the scheduled price of one article.
const Maestro kPrecioFuturoArticulo{
    .borra = "D",
    .borrado = Borrado::Sentencia,
    .borrar =
        {"DELETE from PRECIOS_FUTUROS_ARTICULOS where arti_cod = {codigo} and prfu_id = {iddoc}",
         "DELETE from PRECIOS_FUTUROS_ARTICULOS where PRFU_ID = {iddoc} AND ARTI_COD = {codigo}"},
    .lectura =
        {"select * from PRECIOS_FUTUROS_ARTICULOS where arti_cod = {codigo} and prfu_id = {iddoc}",
         "select * from PRECIOS_FUTUROS_ARTICULOS where PRFU_ID = {iddoc} AND ARTI_COD = {codigo}"},
    .busqueda =
        "SELECT * from PRECIOS_FUTUROS_ARTICULOS where arti_cod = {codigo} AND PRFU_ID = {iddoc}",
};

}  // namespace

void registrar_articulos(engine::TablaTipos& t) {
  t.registrar(101, copia(kArticulo));
  t.registrar(124, copia(kUnidad));
  t.registrar(125, copia(kBarras));
  t.registrar(126, copia(kPrecio));
  t.registrar(127, copia(kContabilidad));
  t.registrar(128, copia(kProducto));
  t.registrar(129, copia(kMarca));
  t.registrar(149, copia(kFabricante));
  t.registrar(201, copia(kGrupo));
  t.registrar(202, copia(kSubgrupo));
  t.registrar(203, copia(kArticuloSucursal));
  t.registrar(229, copia(kDescuento));
  t.registrar(1125, copia(kPrecioFuturo));
  t.registrar(1126, copia(kPrecioFuturoArticulo));
  t.registrar(2291, copia(kDescuentoArticulo));
}

}  // namespace handlers
