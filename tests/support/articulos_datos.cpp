#include "support/articulos_datos.h"

#include <stdexcept>
#include <utility>

#include "engine/sql.h"

namespace testing_support {
namespace {

// Every "{v}" of `sql` becomes the version.
std::string con_version(std::string sql, int version) {
  const std::string v = std::to_string(version);
  for (std::size_t i = sql.find("{v}"); i != std::string::npos; i = sql.find("{v}", i))
    sql.replace(i, 3, v);
  return sql;
}

// The columns of ARTICULO in table order and the value each takes in version {v}.
const std::vector<std::pair<const char*, const char*>> kArticulo{
    {"ARTI_DES", "'Articulo {v}'"},
    {"GRUP_COD", "'G{v}'"},
    {"SUBG_COD", "'S{v}'"},
    {"MARC_COD", "'M{v}'"},
    {"FABR_COD", "'F{v}'"},
    {"ARTI_DESVAR", "'{v}'"},
    {"ARTI_TIPO", "'{v}'"},
    {"ARTI_EXIST", "'{v}'"},
    {"ARTI_FECHA", "'2026-0{v}-15'"},
    {"ARTI_UNIDAD", "'UND{v}'"},
    {"ARTI_PRECIO", "{v}500.25"},
    {"ARTI_CONSUMO", "{v}0.5"},
    {"ARTI_IMPBA", "{v}9"},
    {"ARTI_IMPUP", "{v}.5"},
    {"ARTI_ISVTA", "'{v}'"},
    {"ARTI_IMPOTRO", "{v}.25"},
    {"ARTI_PESO", "{v}.125"},
    {"ARTI_ANCHO", "{v}0.1"},
    {"ARTI_ALTO", "{v}1.2"},
    {"ARTI_LARGO", "{v}2.3"},
    {"ARTI_OBS", "'Observacion {v}'"},
    {"ARTI_FOTO", "'foto {v}'"},
    {"ARTI_PESOAUTO", "'{v}'"},
    {"ARTI_DECIMALES", "{v}"},
    {"ARTI_IMPLABF", "'{v}'"},
    {"ARTI_VIDAUTIL", "{v}80"},
    {"ARTI_UNIPVTA", "'CAJA{v}'"},
    {"ARTI_MAX", "{v}00"},
    {"ARTI_MIN", "{v}"},
    {"ARTI_DIAS", "{v}5"},
    {"ESAR_COD", "'E{v}'"},
    {"ARTI_USUARIO", "'USUARIO{v}'"},
    {"TAIV_COD", "'I{v}'"},
    {"ARTI_CLASE", "'{v}'"},
    {"ARTI_DIANALIS", "{v}0"},
    {"ARTI_DESCORTA", "'Corto {v}'"},
    {"ARTI_PRODCANT", "{v}.75"},
    {"ARTI_CICLO", "{v}"},
    {"ARTI_TIENDA", "'{v}'"},
    {"ARTI_ENSAMBLE", "'{v}'"},
    {"ARTI_VALORBONO", "{v}000.5"},
    {"ARTI_MERMA", "{v}.1"},
    {"ARTI_SOBRANTE", "'{v}'"},
    {"ARTI_PORCSOBR", "{v}.2"},
    {"ARTI_DEC2799", "'{v}'"},
    {"ARTI_TERCERO", "'90012345{v}'"},
    {"ARTI_INVIMA", "'INV-{v}'"},
    {"ARTI_INVIMAV", "'INVV-{v}'"},
    {"ARTI_INALC", "'{v}'"},
    {"ARTI_DTOMAX", "'{v}'"},
    {"ARTI_CUM", "'CUM-{v}'"},
    {"ARTI_POSARANCEL", "'3004.{v}0'"},
    {"ARTI_REUSOB", "'{v}'"},
    {"ARTI_MERMAENT", "'{v}'"},
    {"ARTI_MERMAPOR", "'{v}'"},
    {"ARTI_SOBTOT", "'{v}'"},
    {"ARTI_URL", "'https://tienda.example/a{v}'"},
    {"ARTI_MINDIAS", "{v}"},
    {"ARTI_MAXDIAS", "{v}0"},
    {"ARTI_NIVINS", "{v}"},
    {"ARTI_ENVASE", "'Envase {v}'"},
    {"ARTI_COSTOPROM", "{v}234.5"},
    {"ARTI_FECULTCOMPRA", "'2026-1{v}-01'"},
};

// The INSERT of an article with every column; `codigo` is an SQL literal.
std::string sql_articulo(const std::string& codigo) {
  std::string cols = "ARTI_COD", vals = codigo;
  for (const auto& [c, v] : kArticulo) {
    cols += std::string(", ") + c;
    vals += std::string(", ") + v;
  }
  return "INSERT INTO ARTICULO (" + cols + ") VALUES (" + vals + ")";
}

const std::string kArt = "'AR''01'";
const std::string kDondeArt = "ARTI_COD = 'AR''01'";

}  // namespace

void mismas_filas(const db::Rows& a, const db::Rows& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t r = 0; r < a.size(); ++r) mismas_columnas(a, r, b, r, 0);
}

void insertar_caso(db::Connection& c, const CasoMaestro& caso, int version, std::size_t salvo) {
  for (std::size_t i = 0; i < caso.filas.size(); ++i)
    if (i != salvo) c.execute(con_version(caso.filas[i], version));
}

void insertar_articulo(db::Connection& c, std::string_view codigo, int version) {
  c.execute(con_version(sql_articulo(engine::quoted(codigo)), version));
}

void insertar_precio(db::Connection& c, int lista, std::string_view articulo, int version) {
  c.execute(con_version(
      "INSERT INTO PRECIOS_ARTICULO VALUES (" + std::to_string(lista) + ", " +
          engine::quoted(articulo) +
          ", {v}000.25, {v}.5, {v}.75, '{v}', {v}0.5, {v}.1, {v}00.5, {v}, {v}.2, NULL, {v}.3, "
          "{v}, '{v}', 'USUARIO{v}', '2026-0{v}-01 08:00:00')",
      version));
}

const std::vector<CasoMaestro>& casos_articulos() {
  static const std::vector<CasoMaestro> casos{
      {.tipo = 101,
       .nombre = "Articulo",
       .borra = "D",
       .codigo = "AR'01",
       .tablas = {{"ARTICULO", kDondeArt}},
       .filas = {sql_articulo(kArt)},
       .vecina = con_version(sql_articulo("'AR02'"), 1),
       .por_nombre = true},
      {.tipo = 124,
       .nombre = "Unidad",
       .borra = "D",
       .codigo = "AR'01",
       .datos = "CA'JA",
       .tablas = {{"UNIDAD_ARTICULO", kDondeArt + " AND UNAR_UNIDAD = 'CA''JA'"}},
       .filas = {"INSERT INTO UNIDAD_ARTICULO VALUES (" + kArt +
                 ", 'CA''JA', 1{v}, {v}200.5, {v}.25, '{v}', 'N')"},
       .vecina = "INSERT INTO UNIDAD_ARTICULO VALUES (" + kArt + ", 'UND', 1, 100, 0.1, 'S', 'S')"},
      {.tipo = 125,
       .nombre = "Barras",
       .borra = "D",
       .codigo = "AR'01",
       .datos = "7701'234",
       .tablas = {{"BARRAS_ARTICULO", kDondeArt + " AND COBA_COD = '7701''234'"}},
       .filas = {"INSERT INTO BARRAS_ARTICULO VALUES (" + kArt +
                 ", '7701''234', 'UND{v}', {v}, '{v}')"},
       .vecina = "INSERT INTO BARRAS_ARTICULO VALUES (" + kArt + ", '7709999', 'UND', 1, 'S')"},
      {.tipo = 126,
       .nombre = "Precio",
       .borra = "D",
       .codigo = "AR'01",
       .iddoc = 2,
       .tablas = {{"PRECIOS_ARTICULO", kDondeArt + " AND LIPR_COD = 2"}},
       .filas = {"INSERT INTO PRECIOS_ARTICULO (LIPR_COD, ARTI_COD, PRAR_FIJO) VALUES (2, " + kArt +
                 ", {v}000)"},
       .vecina = "INSERT INTO PRECIOS_ARTICULO (LIPR_COD, ARTI_COD, PRAR_FIJO) VALUES (3, " + kArt +
                 ", 5)",
       .por_nombre = true},
      // Three warehouses of one article: a set of rows, each found by its own warehouse.
      {.tipo = 127,
       .nombre = "Contabilidad",
       .codigo = "AR'01",
       .tablas = {{"CONTABIL_ARTICULO", kDondeArt}},
       .filas = {"INSERT INTO CONTABIL_ARTICULO VALUES (" + kArt +
                     ", '01', '1435{v}1', '6135{v}1', '4135{v}1', '4175{v}1', '1435{v}9', "
                     "'2408{v}1', '2408{v}2', 'C{v}')",
                 "INSERT INTO CONTABIL_ARTICULO VALUES (" + kArt +
                     ", '02', '1435{v}2', '6135{v}2', '4135{v}2', '4175{v}2', '1435{v}9', "
                     "'2408{v}1', '2408{v}2', 'C{v}')",
                 "INSERT INTO CONTABIL_ARTICULO VALUES (" + kArt +
                     ", '03', '1435{v}3', '6135{v}3', '4135{v}3', '4175{v}3', '1435{v}9', "
                     "'2408{v}1', '2408{v}2', 'C{v}')"},
       .vecina = "INSERT INTO CONTABIL_ARTICULO VALUES ('AR02', '01', '143501', '613501', "
                 "'413501', '417501', '143509', '240801', '240802', 'C')"},
      {.tipo = 128,
       .nombre = "Producto",
       .borra = "D",
       .codigo = "AR'01",
       .iddoc = 2,
       .tablas = {{"ARTICULOS_PRODUCTO", kDondeArt + " AND ARPR_ITEM = 2"}},
       .filas = {"INSERT INTO ARTICULOS_PRODUCTO VALUES (" + kArt +
                 ", 2, 'COMP{v}', {v}.5, 'UND{v}', {v}10.25, 'Componente {v}')"},
       .vecina = "INSERT INTO ARTICULOS_PRODUCTO VALUES (" + kArt +
                 ", 1, 'COMP', 1, 'UND', 10, 'Otro componente')"},
      {.tipo = 129,
       .nombre = "Marca",
       .borra = "D",
       .codigo = "MA'1",
       .tablas = {{"MARCAS", "MARC_COD = 'MA''1'"}},
       .filas = {"INSERT INTO MARCAS VALUES ('MA''1', 'Marca {v}', '{v}')"},
       .vecina = "INSERT INTO MARCAS VALUES ('MA2', 'Otra marca', 'S')"},
      {.tipo = 149,
       .nombre = "Fabricante",
       .borra = "D",
       .codigo = "FA'1",
       .tablas = {{"FABRICANTES", "FABR_COD = 'FA''1'"}},
       .filas = {"INSERT INTO FABRICANTES VALUES ('FA''1', 'Fabricante {v}', '90000000{v}', "
                 "'Pais {v}')"},
       .vecina = "INSERT INTO FABRICANTES VALUES ('FA2', 'Otro fabricante', NULL, NULL)"},
      {.tipo = 201,
       .nombre = "Grupo",
       .borra = "D",
       .codigo = "G'1",
       .tablas = {{"GRUPO", "GRUP_COD = 'G''1'"}},
       .filas = {"INSERT INTO GRUPO VALUES ('G''1', 'Grupo {v}', {v}0.5, '{v}')"},
       .vecina = "INSERT INTO GRUPO VALUES ('G2', 'Otro grupo', 1, 'S')"},
      {.tipo = 202,
       .nombre = "Subgrupo",
       .borra = "D",
       .codigo = "G'1|S'1",
       .tablas = {{"SUBGRUPO", "GRUP_COD = 'G''1' AND SUBG_COD = 'S''1'"}},
       .filas = {"INSERT INTO SUBGRUPO VALUES ('G''1', 'S''1', 'Subgrupo {v}', {v}.5, '{v}')"},
       .vecina = "INSERT INTO SUBGRUPO VALUES ('G''1', 'S2', 'Otro subgrupo', 1, 'S')"},
      {.tipo = 203,
       .nombre = "ArticuloSucursal",
       .borra = "D",
       .codigo = "AR'01",
       .iddoc = 2,
       .tablas = {{"ARTICULOS_SUCURSAL", kDondeArt + " AND SUCU_ID = 2"}},
       .filas = {"INSERT INTO ARTICULOS_SUCURSAL VALUES (" + kArt +
                 ", 2, {v}900, {v}, {v}00, 'P{v}-E3', '{v}')"},
       .vecina = "INSERT INTO ARTICULOS_SUCURSAL VALUES (" + kArt + ", 3, 900, 1, 100, 'P', 'S')"},
      {.tipo = 229,
       .nombre = "Descuento",
       .borra = "D",
       .iddoc = 40,
       .tablas = {{"DESCUENTOS_PRECIOS", "DCTP_ID = 40"}},
       .filas = {"INSERT INTO DESCUENTOS_PRECIOS VALUES (40, 'Descuento {v}', '2026-0{v}-01', "
                 "'2026-0{v}-28', {v}.5, {v}, {v}, '{v}')"},
       .vecina = "INSERT INTO DESCUENTOS_PRECIOS VALUES (41, 'Otro descuento', NULL, NULL, 1, 1, "
                 "1, 'S')"},
      {.tipo = 1125,
       .nombre = "PrecioFuturo",
       .borra = "D",
       .iddoc = 50,
       .tablas = {{"PRECIOS_FUTUROS", "PRFU_ID = 50"}},
       .filas = {"INSERT INTO PRECIOS_FUTUROS VALUES (50, '2027-0{v}-01', 'Cambio {v}', {v}, "
                 "'{v}', 'USUARIO{v}')"},
       .vecina = "INSERT INTO PRECIOS_FUTUROS VALUES (51, '2027-06-01', 'Otro', 1, 'N', 'U')"},
      {.tipo = 1126,
       .nombre = "PrecioFuturoArticulo",
       .borra = "D",
       .codigo = "AR'01",
       .iddoc = 50,
       .tablas = {{"PRECIOS_FUTUROS_ARTICULOS", "PRFU_ID = 50 AND " + kDondeArt}},
       .filas = {"INSERT INTO PRECIOS_FUTUROS_ARTICULOS VALUES (50, " + kArt +
                 ", {v}100, {v}000, {v}.5)"},
       .vecina = "INSERT INTO PRECIOS_FUTUROS_ARTICULOS VALUES (50, 'AR02', 100, 90, 1)"},
      // "A" deletes a discount line; "D" copies it.
      {.tipo = 2291,
       .nombre = "DescuentoArticulo",
       .borra = "A",
       .codigo = "AR'01",
       .iddoc = 40,
       .tablas = {{"DESCUENTOS_PRECIOS_DET", "DCTP_ID = 40 AND " + kDondeArt}},
       .filas = {"INSERT INTO DESCUENTOS_PRECIOS_DET VALUES (40, " + kArt +
                 ", {v}.25, {v}800, {v})"},
       .vecina = "INSERT INTO DESCUENTOS_PRECIOS_DET VALUES (40, 'AR02', 1, 800, 1)"},
  };
  return casos;
}

const CasoMaestro& caso_articulo(int tipo) {
  for (const CasoMaestro& c : casos_articulos())
    if (c.tipo == tipo) return c;
  throw std::out_of_range("no case for code " + std::to_string(tipo));
}

}  // namespace testing_support
