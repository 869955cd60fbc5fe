// Master data through whole cycles, in both phases: every code of the articles and of
// the third parties and accounting, then what the article family does of its own (the
// article's columns per path, the article-state flag, the price columns, a set with a
// rejected row, the subgroup key).
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/articulos_datos.h"
#include "support/terceros_datos.h"

using agente::Resultado;
using db::Value;
using engine::Fase;
using testing_support::CasoMaestro;
using testing_support::configurar;
using testing_support::contar;
using testing_support::error_de;
using testing_support::filas;
using testing_support::insertar_articulo;
using testing_support::insertar_caso;
using testing_support::insertar_precio;
using testing_support::mismas_columnas;
using testing_support::mismas_filas;
using testing_support::nombre_fase;
using testing_support::pendiente;

namespace {

// ---- every code ------------------------------------------------------------------------
//
// A keyed row copy or keyed row set copy: the rows the event names are inserted when
// absent and refreshed in place when present, each found again by its own key; the
// deleting letter removes them and nothing else; a copy whose rows are gone from the
// source changes nothing. Text keys carry a quote.

struct Param {
  const CasoMaestro* caso;
  Fase fase;
};

void PrintTo(const Param& p, std::ostream* os) {
  PrintTo(*p.caso, os);
  *os << (p.fase == Fase::Subida ? " Subida" : " Descarga");
}

std::vector<Param> parametros(bool solo_con_borrado) {
  std::vector<Param> out;
  for (const auto* lista :
       {&testing_support::casos_articulos(), &testing_support::casos_terceros()})
    for (const CasoMaestro& c : *lista)
      if (!solo_con_borrado || !c.borra.empty())
        for (Fase f : {Fase::Descarga, Fase::Subida}) out.push_back({&c, f});
  return out;
}

std::string nombre(const ::testing::TestParamInfo<Param>& p) {
  return p.param.caso->nombre + std::to_string(p.param.caso->tipo) + "_" +
         (p.param.fase == Fase::Subida ? "Subida" : "Descarga");
}

class Maestros : public testing_support::EscenarioMaestro,
                 public ::testing::WithParamInterface<Param> {
 protected:
  void SetUp() override { fase = GetParam().fase; }
  const CasoMaestro& caso() const { return *GetParam().caso; }
  // A letter that copies: "D" wherever it does not delete, so every code also shows
  // that a letter it does not test leads to the copy.
  std::string letra_copia() const { return caso().borra == "D" ? "I" : "D"; }
  // The rows of the first table that the event does not name.
  db::Rows otras(db::Connection& c) {
    const auto& t = caso().tablas[0];
    return filas(c, "SELECT * FROM " + t.tabla + " WHERE NOT (" + t.donde + ") ORDER BY 1, 2");
  }
  // Every named table holds on the target what the source holds.
  void como_el_origen() {
    for (const auto& t : caso().tablas) {
      SCOPED_TRACE(t.tabla);
      db::Rows d = de(destino(), t), o = de(origen(), t);
      ASSERT_FALSE(o.empty());
      if (caso().por_nombre)
        EXPECT_EQ(d.size(), o.size());  // its columns are checked by its own tests
      else
        mismas_filas(d, o);
    }
  }
};

class MaestrosConBorrado : public Maestros {};

INSTANTIATE_TEST_SUITE_P(Maestro, Maestros, ::testing::ValuesIn(parametros(false)), nombre);
INSTANTIATE_TEST_SUITE_P(Maestro, MaestrosConBorrado, ::testing::ValuesIn(parametros(true)),
                         nombre);

TEST_P(Maestros, AbsentRowsArriveWithTheirOwnKeys) {
  insertar_caso(origen(), caso(), 2);
  destino().execute(caso().vecina);
  db::Rows antes = otras(destino());
  std::int64_t ev = evento(caso(), letra_copia());

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  como_el_origen();
  mismas_filas(otras(destino()), antes);
  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_TRUE(errores_log().empty());
}

TEST_P(Maestros, PresentRowsAreRefreshedInPlace) {
  // The target holds the first version of every named row but the second, which a
  // set copy inserts beside the others.
  insertar_caso(destino(), caso(), 1, 1);
  destino().execute(caso().vecina);
  insertar_caso(origen(), caso(), 2);
  db::Rows antes = otras(destino());
  std::int64_t ev = evento(caso(), letra_copia());

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  como_el_origen();
  mismas_filas(otras(destino()), antes);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(Maestros, CopyOfRowsGoneFromTheSourceChangesNothing) {
  insertar_caso(destino(), caso(), 1);
  destino().execute(caso().vecina);
  std::vector<db::Rows> antes;
  for (const auto& t : caso().tablas) antes.push_back(todo(destino(), t.tabla));
  std::int64_t ev = evento(caso(), letra_copia());

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  for (std::size_t i = 0; i < antes.size(); ++i)
    mismas_filas(todo(destino(), caso().tablas[i].tabla), antes[i]);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(MaestrosConBorrado, DeletingLetterRemovesTheNamedRowsAndNothingElse) {
  insertar_caso(destino(), caso(), 1);
  destino().execute(caso().vecina);
  insertar_caso(origen(), caso(), 2);  // still at the source: the letter deletes, it does not copy
  db::Rows antes = otras(destino());
  std::int64_t ev = evento(caso(), caso().borra);

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_TRUE(de(destino(), caso().tablas[0]).empty());
  mismas_filas(otras(destino()), antes);
  EXPECT_FALSE(pendiente(origen(), ev));

  // Deleting a row the target no longer holds is nothing to do.
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_TRUE(de(destino(), caso().tablas[0]).empty());
  mismas_filas(otras(destino()), antes);
  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_TRUE(errores_log().empty());
}

// ---- the article and its prices ---------------------------------------------------------

class Articulos : public testing_support::EscenarioMaestro,
                  public ::testing::WithParamInterface<Fase> {
 protected:
  void SetUp() override { fase = GetParam(); }
  db::Rows articulo(db::Connection& c) {
    return filas(c, "SELECT * FROM ARTICULO WHERE ARTI_COD = 'AR''01'");
  }
  std::int64_t evento_articulo() { return evento(101, "AR'01", std::nullopt, std::nullopt); }
  void estado_articulo(const char* valor) {
    configurar(bd1, "INVENTARIO", "ARTICULOS", testing_support::kEstadoArticulo, valor);
  }
};

INSTANTIATE_TEST_SUITE_P(Articulos, Articulos, ::testing::Values(Fase::Descarga, Fase::Subida),
                         nombre_fase);

// Columns the upload never writes; the download writes them on insert only.
const std::set<std::string> kSoloAlta{"ARTI_IMPLABF", "ARTI_VIDAUTIL", "ARTI_INVIMAV"};
// Columns the download's update leaves alone.
const std::set<std::string> kNoBajaActualiza{"ARTI_ISVTA", "ARTI_UNIPVTA", "ARTI_URL"};
// Columns of each company, never written.
const std::set<std::string> kPropias{"ARTI_COSTOPROM", "ARTI_FECULTCOMPRA"};

TEST_P(Articulos, NewArticleCarriesTheColumnsOfItsPathInTheirForms) {
  insertar_articulo(origen(), "AR'01", 2);
  origen().execute("UPDATE ARTICULO SET ARTI_PRECIO = NULL WHERE ARTI_COD = 'AR''01'");
  std::int64_t ev = evento_articulo();

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows t = articulo(destino()), o = articulo(origen());
  ASSERT_EQ(t.size(), 1u);
  std::set<std::string> aparte = kPropias;
  aparte.insert("ARTI_PRECIO");
  if (subida()) aparte.insert(kSoloAlta.begin(), kSoloAlta.end());
  mismas_columnas(t, 0, o, 0, 0, aparte);
  EXPECT_EQ(t.at(0, "ARTI_PRECIO").as_text(), "0.0000") << "a missing amount arrives as 0";
  EXPECT_EQ(t.at(0, "ESAR_COD"), Value::text("E2")) << "a new article takes its state";
  for (const std::string& c : aparte) {
    if (c == "ARTI_PRECIO") continue;
    EXPECT_TRUE(t.at(0, c).is_null()) << c << " is not written";
  }
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(Articulos, UpdateRefreshesItsColumnsAndTheStateFollowsTheFlag) {
  insertar_articulo(destino(), "AR'01", 1);
  insertar_articulo(origen(), "AR'01", 2);
  db::Rows antes = articulo(destino());
  std::int64_t ev = evento_articulo();
  estado_articulo("si");  // only "SI" switches it on

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  std::set<std::string> quietas = kSoloAlta;
  quietas.insert(kPropias.begin(), kPropias.end());
  if (!subida()) quietas.insert(kNoBajaActualiza.begin(), kNoBajaActualiza.end());
  std::set<std::string> con_estado = quietas;
  con_estado.insert("ESAR_COD");
  db::Rows t = articulo(destino()), o = articulo(origen());
  mismas_columnas(t, 0, o, 0, 0, con_estado);
  for (const std::string& c : con_estado) EXPECT_EQ(t.at(0, c), antes.at(0, c)) << c;
  EXPECT_FALSE(pendiente(origen(), ev));

  estado_articulo("SI");
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  t = articulo(destino());
  EXPECT_EQ(t.at(0, "ESAR_COD"), Value::text("E2")) << "the flag carries the state";
  mismas_columnas(t, 0, o, 0, 0, quietas);
  for (const std::string& c : quietas) EXPECT_EQ(t.at(0, c), antes.at(0, c)) << c;
}

TEST_P(Articulos, PriceRowTakesOnlyItsFifteenColumns) {
  insertar_precio(origen(), 2, "AR'01", 2);
  insertar_precio(origen(), 3, "AR'01", 1);
  std::int64_t ev = evento(126, "AR'01", 2, std::nullopt);
  const std::string donde = "SELECT * FROM PRECIOS_ARTICULO WHERE LIPR_COD = 2";

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows t = filas(destino(), donde), o = filas(origen(), donde);
  ASSERT_EQ(t.size(), 1u);
  mismas_columnas(t, 0, o, 0, 0, {"PRAR_DTO2", "PRAR_USUARIO", "PRAR_FECHAMOD"});
  EXPECT_EQ(t.at(0, "PRAR_DTO2").as_text(), "0.0000");
  EXPECT_TRUE(t.at(0, "PRAR_USUARIO").is_null());
  EXPECT_TRUE(t.at(0, "PRAR_FECHAMOD").is_null());
  EXPECT_EQ(contar(destino(), "PRECIOS_ARTICULO"), 1) << "only the event's price list";
  EXPECT_FALSE(pendiente(origen(), ev));

  destino().execute("UPDATE PRECIOS_ARTICULO SET PRAR_USUARIO = 'LOCAL'");
  origen().execute("UPDATE PRECIOS_ARTICULO SET PRAR_FIJO = 7, PRAR_USUARIO = 'OTRO'");
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  t = filas(destino(), donde);
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t.at(0, "PRAR_FIJO").as_text(), "7.0000");
  EXPECT_EQ(t.at(0, "PRAR_USUARIO"), Value::text("LOCAL"));
}

// The accounting rows of an article are found by the article alone: the target's rows
// of the article become the source's as one set, in one apply. A row the target
// rejects leaves every row of the article as it was and the event pending; once it is
// accepted, the row the source no longer holds is gone and the others are the source's.
TEST_P(Articulos, AccountingRowsOfAnArticleArriveAsOneSet) {
  const CasoMaestro& c = testing_support::caso_articulo(127);
  insertar_caso(destino(), c, 1);
  insertar_caso(origen(), c, 2, 2);  // the third warehouse is gone from the source
  destino().execute(c.vecina);
  const db::Rows antes = de(destino(), c.tablas[0]);
  alterar(destino(),
          "ALTER TABLE CONTABIL_ARTICULO ADD CONSTRAINT CK_PRUEBA_CUENTA CHECK "
          "(COAR_INVENTARIO <> '143522')");
  std::int64_t ev = evento(c, "D");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  mismas_filas(de(destino(), c.tablas[0]), antes);
  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("CK_PRUEBA_CUENTA"), std::string::npos) << *error;

  alterar(destino(), "ALTER TABLE CONTABIL_ARTICULO DROP CONSTRAINT CK_PRUEBA_CUENTA");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  mismas_filas(de(destino(), c.tablas[0]), de(origen(), c.tablas[0]));
  EXPECT_EQ(contar(destino(), "CONTABIL_ARTICULO"), 3) << "the other article's row stays";
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(Articulos, SubgroupKeySplitsAtTheFirstBar) {
  origen().execute("INSERT INTO SUBGRUPO VALUES ('G1', 'S|X', 'Con barra', 1, 'S')");
  origen().execute("INSERT INTO SUBGRUPO VALUES ('', 'S1', 'Sin grupo', 2, 'S')");
  destino().execute("INSERT INTO SUBGRUPO VALUES ('G1', 'S1', 'Queda', 3, 'S')");
  std::int64_t barra = evento(202, "G1|S|X", std::nullopt, std::nullopt);
  std::int64_t vacio = evento(202, "|S1", std::nullopt, std::nullopt);
  std::int64_t sin_barra = evento(202, "G1S1", std::nullopt, std::nullopt, "D");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows t = todo(destino(), "SUBGRUPO");
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t.at(0, "GRUP_COD"), Value::text(""));
  EXPECT_EQ(t.at(0, "SUBG_COD"), Value::text("S1"));
  EXPECT_EQ(t.at(1, "SUBG_COD"), Value::text("S1"));
  EXPECT_EQ(t.at(1, "SUBG_NOMBRE"), Value::text("Queda")) << "a code without a bar names nothing";
  EXPECT_EQ(t.at(2, "SUBG_COD"), Value::text("S|X"));
  for (std::int64_t ev : {barra, vacio, sin_barra}) EXPECT_FALSE(pendiente(origen(), ev));
}

}  // namespace
