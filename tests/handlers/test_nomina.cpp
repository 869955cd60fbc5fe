// Loyalty points and payroll (81, 94, 96, 192, 193, 235) through whole cycles in both
// phases. The target's id sequences are moved ahead first, so a copied record shows
// whether its id came from the target's procedure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/textos.h"
#include "support/compras_datos.h"
#include "support/escenario.h"
#include "support/nomina_datos.h"
#include "support/por_fase.h"

using agente::Resultado;
using db::Value;
using engine::Fase;
using testing_support::Abono;
using testing_support::contar;
using testing_support::Escenario;
using testing_support::filas;
using testing_support::mismas_columnas;
using testing_support::nombre_fase;
using testing_support::pendiente;

namespace {

class Nomina : public testing_support::EscenarioPorFase {
 protected:
  void SetUp() override {
    alterar(destino(), "ALTER SEQUENCE SEQ_PUNTOS_REDENCION RESTART WITH 699");
    alterar(destino(), "ALTER SEQUENCE SEQ_NOMINA_NOVEDADES RESTART WITH 799");
  }
  // One cycle; every event of `eventos` is stamped after it.
  void ciclo_sellado(std::initializer_list<std::int64_t> eventos) {
    ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
    for (std::int64_t ev : eventos) EXPECT_FALSE(pendiente(origen(), ev)) << "event " << ev;
  }
  db::Rows de(db::Connection& c, const std::string& sql) { return filas(c, sql); }
};

// A redemption arrives under a new id, is refreshed in place, annulled and deleted.
TEST_P(Nomina, RedencionDePuntos) {
  testing_support::insertar_redencion(origen(), 5, "PR", "000001", 40);
  const std::string sql = "SELECT * FROM PUNTOS_REDENCION WHERE PREF_PRE = 'PR'";
  const std::int64_t ev = anunciar({.tipo = 81, .iddoc = 5, .pref = "PR", .numero = "000001"});
  ciclo_sellado({ev});
  db::Rows d = de(destino(), sql);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d.at(0, 0).as_integer(), 700);
  mismas_columnas(d, 0, de(origen(), sql), 0, 1);

  origen().execute("UPDATE PUNTOS_REDENCION SET PTRE_PUNTOS = 55, PTRE_CONC = 'Cambio'");
  reabrir(ev);
  ciclo_sellado({ev});
  d = de(destino(), sql);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d.at(0, 0).as_integer(), 700) << "the copy keeps its id";
  mismas_columnas(d, 0, de(origen(), sql), 0, 1);

  reabrir(ev, "A");
  ciclo_sellado({ev});
  const db::Rows anulada = de(destino(), sql);
  EXPECT_EQ(anulada.at(0, "PTRE_ANULADO").as_text(), "S");
  mismas_columnas(anulada, 0, d, 0, 0, {"PTRE_ANULADO"});

  reabrir(ev, "D");
  ciclo_sellado({ev});
  EXPECT_EQ(de(destino(), sql).size(), 0u);
}

// A payroll receivables record keeps its id; its lines replace the target's, and each
// line's receivable is re-linked to the target's id of that customer document: an
// invoice copied earlier gets its target id, a missing one 0, and a supplier document
// 0 (payroll pays customer receivables only). "D" copies; "A" deletes the header.
TEST_P(Nomina, CarteraDeNominaReligaLosDocumentosDeCartera) {
  db::Connection& d = destino();
  if (contar(d, "RDB$RELATIONS", "RDB$RELATION_NAME = 'FACTURAS'") == 0)
    alterar(d,
            "CREATE TABLE FACTURAS (FACT_ID INTEGER NOT NULL PRIMARY KEY, PREF_PRE VARCHAR(4), "
            "FACT_NUMERO VARCHAR(8))");
  d.execute("INSERT INTO FACTURAS (FACT_ID, PREF_PRE, FACT_NUMERO) VALUES (77, 'FV', '000010')");
  testing_support::insertar_factura_compra(d, 55, "CP", "000123", 0);
  testing_support::insertar_cartera_nomina(
      origen(), 40, {{31, 7, "FV", "000010"}, {31, 8, "FV", "000099"}, {21, 3, "CP", "000123"}});
  testing_support::insertar_cartera_nomina(
      d, 40, {{31, 1, "X", "1"}, {31, 2, "X", "2"}, {31, 3, "X", "3"}, {31, 4, "X", "4"}});
  d.execute("UPDATE NOMINA_CARTERA SET NCAR_TOTAL = 1");

  const std::int64_t ev = anunciar({.tipo = 94, .iddoc = 40, .oper = "D"});
  ciclo_sellado({ev});
  const std::string cab = "SELECT * FROM NOMINA_CARTERA WHERE NCAR_ID = 40";
  const std::string lin = "SELECT * FROM NOMINA_CARTERA_DETALLE WHERE NCAR_ID = 40 ORDER BY 2";
  mismas_columnas(de(d, cab), 0, de(origen(), cab), 0, 0);
  const db::Rows l = de(d, lin);
  ASSERT_EQ(l.size(), 3u);
  const db::Rows o = de(origen(), lin);
  for (std::size_t i = 0; i < 3; ++i) mismas_columnas(l, i, o, i, 0, {"NCDE_IDDOC"});
  EXPECT_EQ(l.at(0, 3).as_integer(), 77);
  EXPECT_EQ(l.at(1, 3).as_integer(), 0);
  EXPECT_EQ(l.at(2, 3).as_integer(), 0);

  reabrir(ev, "A");
  ciclo_sellado({ev});
  EXPECT_EQ(de(d, cab).size(), 0u);
  EXPECT_EQ(de(d, lin).size(), 3u) << "the lines are left to the target database";
}

// Concepts are keyed rows: inserted, refreshed, deleted.
TEST_P(Nomina, ConceptosDeNomina) {
  testing_support::insertar_concepto_nomina(origen(), 15, "Salud");
  testing_support::insertar_concepto_nomina(destino(), 15, "Viejo");
  testing_support::insertar_concepto_nomina(origen(), 16, "Pension");
  const std::int64_t a = anunciar({.tipo = 96, .iddoc = 15});
  const std::int64_t b = anunciar({.tipo = 96, .iddoc = 16});
  ciclo_sellado({a, b});
  const std::string sql = "SELECT * FROM CONCEPTOS_NOMINA ORDER BY 1";
  const db::Rows o = de(origen(), sql);
  const db::Rows d = de(destino(), sql);
  ASSERT_EQ(d.size(), 2u);
  mismas_columnas(d, 0, o, 0, 0);
  mismas_columnas(d, 1, o, 1, 0);
  reabrir(a, "D");
  ciclo_sellado({a});
  EXPECT_EQ(contar(destino(), "CONCEPTOS_NOMINA", "CONC_COD = 15"), 0);
  EXPECT_EQ(contar(origen(), "CONCEPTOS_NOMINA", "CONC_COD = 15"), 1);
}

// Overtime is found by third party, year and period: an existing target row keeps its
// own id; a new one arrives with the source's id; "D" removes the target's row.
TEST_P(Nomina, HorasExtraPorTerceroAnoYPeriodo) {
  testing_support::insertar_horas_extra(origen(), 5, "1020304", 2026, 11, 10);
  testing_support::insertar_horas_extra(origen(), 6, "1020304", 2026, 12, 4);
  testing_support::insertar_horas_extra(destino(), 90, "1020304", 2026, 11, 3);
  const std::int64_t a = anunciar({.tipo = 192, .iddoc = 5, .codigo = "1020304"});
  const std::int64_t b = anunciar({.tipo = 192, .iddoc = 6, .codigo = "1020304"});
  ciclo_sellado({a, b});
  const std::string sql = "SELECT * FROM NOMINA_HORASEXT ORDER BY NOEX_PERIODIO";
  const db::Rows o = de(origen(), sql);
  const db::Rows d = de(destino(), sql);
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d.at(0, 0).as_integer(), 90);
  mismas_columnas(d, 0, o, 0, 1);
  mismas_columnas(d, 1, o, 1, 0);
  reabrir(a, "D");
  ciclo_sellado({a});
  EXPECT_EQ(contar(destino(), "NOMINA_HORASEXT", "NOEX_PERIODIO = 11"), 0);
  EXPECT_EQ(contar(destino(), "NOMINA_HORASEXT"), 1);
}

// A news record arrives under a new id with its lines; a later event refreshes that
// copy (found by third party, news type and date in both phases) and replaces its
// lines. A target record that happens to have the source's id is another employee's
// and stays as it is. "D" deletes the copy.
TEST_P(Nomina, NovedadesDeNomina) {
  testing_support::insertar_novedad(origen(), 5, "1020304", "INC", "2026-12-01", 3, 100);
  testing_support::insertar_novedad(destino(), 5, "5555", "VAC", "2026-11-02", 1, 7);
  const std::int64_t ev = anunciar({.tipo = 193, .iddoc = 5});
  ciclo_sellado({ev});
  const std::string cab = "SELECT * FROM NOMINA_NOVEDADES WHERE TERC_NIT = '1020304'";
  auto lineas = [&](db::Connection& c, int id) {
    return de(c, "SELECT * FROM NOMINA_NOVEDADES_DETALLE WHERE NONO_ID = " + std::to_string(id) +
                     " ORDER BY 2");
  };
  db::Rows d = de(destino(), cab);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d.at(0, 0).as_integer(), 800);
  mismas_columnas(d, 0, de(origen(), cab), 0, 1);
  db::Rows l = lineas(destino(), 800);
  ASSERT_EQ(l.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) mismas_columnas(l, i, lineas(origen(), 5), i, 1);

  origen().execute("DELETE FROM NOMINA_NOVEDADES_DETALLE WHERE NONO_ID = 5 AND NNDE_ITEM = 3");
  origen().execute("UPDATE NOMINA_NOVEDADES SET NONO_DIAS = 2, NONO_VALOR = 300 WHERE NONO_ID = 5");
  reabrir(ev);
  ciclo_sellado({ev});
  d = de(destino(), cab);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d.at(0, 0).as_integer(), 800);
  mismas_columnas(d, 0, de(origen(), cab), 0, 1);
  EXPECT_EQ(lineas(destino(), 800).size(), 2u);
  const db::Rows ajena = de(destino(), "SELECT * FROM NOMINA_NOVEDADES WHERE NONO_ID = 5");
  ASSERT_EQ(ajena.size(), 1u);
  EXPECT_EQ(ajena.at(0, "TERC_NIT").as_text(), "5555");
  EXPECT_EQ(lineas(destino(), 5).size(), 1u);

  reabrir(ev, "D");
  ciclo_sellado({ev});
  EXPECT_EQ(de(destino(), cab).size(), 0u);
  EXPECT_EQ(contar(destino(), "NOMINA_NOVEDADES"), 1);
}

// Points travel under the target's id of the invoice that earned them, found by prefix
// and number through the customer movements; points of an invoice the target does not
// hold change nothing, and points already there are never refreshed.
TEST_P(Nomina, PuntosGanadosConUnDocumento) {
  testing_support::insertar_movimiento_cliente(origen(), 1, 31, 7, "FV", "000010");
  testing_support::insertar_movimiento_cliente(origen(), 2, 31, 8, "FV", "000011");
  testing_support::insertar_movimiento_cliente(destino(), 50, 31, 77, "FV", "000010");
  testing_support::insertar_puntos_cliente(origen(), 3, 31, 7, 12);
  testing_support::insertar_puntos_cliente(origen(), 4, 31, 8, 30);
  const std::int64_t con = anunciar({.tipo = 235, .iddoc = 3});
  const std::int64_t sin = anunciar({.tipo = 235, .iddoc = 4, .oper = "D"});
  ciclo_sellado({con, sin});
  const std::string sql = "SELECT * FROM PUNTOS_CLIENTE";
  db::Rows d = de(destino(), sql);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d.at(0, "PTCL_IDDOC").as_integer(), 77);
  mismas_columnas(d, 0, de(origen(), sql + " WHERE PTCL_ID = 3"), 0, 0, {"PTCL_IDDOC"});

  origen().execute("UPDATE PUNTOS_CLIENTE SET PTCL_PUNTOS = 99 WHERE PTCL_ID = 3");
  reabrir(con);
  ciclo_sellado({con});
  mismas_columnas(de(destino(), sql), 0, d, 0, 0);
}

// The document's type and id go into the other database's statements as numbers: a
// points row without its document id fails with a clear message, not a syntax error.
TEST_F(Escenario, PuntosSinElIdDelDocumentoFallanConUnMensajeClaro) {
  alterar(bd1, "ALTER TABLE PUNTOS_CLIENTE ALTER PTCL_IDDOC DROP NOT NULL");
  bd1.execute(
      "INSERT INTO PUNTOS_CLIENTE (PTCL_ID, TERC_NIT, PTCL_TIPODOC, PTCL_IDDOC, PTCL_FECHA, "
      "PTCL_BASE, PTCL_PUNTOS, PTCL_VENCE) VALUES (3, '71222333', 31, NULL, '2026-12-05', 1000, 1, "
      "'2027-12-05')");
  const std::int64_t ev =
      testing_support::insertar_evento(bd1, {.compania = "002", .tipo = 235, .iddoc = 3});
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_TRUE(pendiente(bd1, ev));
  EXPECT_EQ(testing_support::error_de(bd1, ev),
            db::textos::no_es_numero_en("El campo PTCL_IDDOC", "", true));
}

INSTANTIATE_TEST_SUITE_P(Fases, Nomina, ::testing::Values(Fase::Descarga, Fase::Subida),
                         nombre_fase);

}  // namespace
