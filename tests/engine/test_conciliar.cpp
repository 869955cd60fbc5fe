// Reconciliation against real databases: documents copied by real cycles, then changed
// by hand on one side; the reconciliation finds each copy the way its handler does.
#include <gtest/gtest.h>

#include <string>

#include "agente/conciliar.h"
#include "support/escenario.h"
#include "support/ventas_datos.h"

namespace testing_support {
namespace {

class Conciliar : public Escenario {
 protected:
  Conciliar() {
    // An entry going up to 002 and one coming down from it.
    insertar_entrada(bd1, 101, "EN", "000101", 3);
    subida_ = insertar_evento(
        bd1, {.compania = "002", .tipo = 11, .iddoc = 101, .pref = "EN", .numero = "000101"});
    insertar_entrada(bd2, 201, "EB", "000201", 2);
    insertar_evento(
        bd2, {.compania = "001", .tipo = 11, .iddoc = 201, .pref = "EB", .numero = "000201"});
    // A brand (master data, copied by position).
    bd1.execute(
        "INSERT INTO MARCAS (MARC_COD, MARC_NOMBRE, MARC_ACTIVA) VALUES ('M1', 'Uno', 'S')");
    insertar_evento(bd1, {.compania = "002", .tipo = 129, .codigo = "M1"});
    EXPECT_EQ(ciclo.ejecutar(), agente::Resultado::Completo);
  }

  agente::Conciliacion conciliar() {
    return agente::conciliar(local, {.compania = "001", .dias = 7}, tipos, reloj);
  }
  static std::string lineas(const agente::Conciliacion& c) {
    std::string s;
    for (const auto& d : c.diferencias)
      s += d.documento + " | " + d.sentido + " | " + d.diferencia.que + " | " + d.diferencia.lado +
           "\n";
    return s;
  }

  std::int64_t subida_ = 0;
};

TEST_F(Conciliar, UnaCopiaLimpiaNoDifiereEnNingunSentido) {
  agente::Conciliacion c = conciliar();
  EXPECT_EQ(lineas(c), "");
  EXPECT_EQ(c.cotejados, 3);
  EXPECT_TRUE(c.limpia());
}

TEST_F(Conciliar, EncuentraLaLineaBorradaAManoEnElDestino) {
  bd2.execute(
      "DELETE FROM ENTRADAS_DETALLE WHERE ENDE_ITEM = 3 AND ENTR_ID = (SELECT ENTR_ID FROM "
      "ENTRADAS WHERE PREF_PRE = 'EN' AND ENTR_NUMERO = '000101')");
  agente::Conciliacion c = conciliar();
  ASSERT_FALSE(c.diferencias.empty()) << lineas(c);
  EXPECT_EQ(c.diferencias[0].documento, "11 EN 000101");
  EXPECT_EQ(c.diferencias[0].sentido, "envío a 002");
  EXPECT_EQ(c.diferencias[0].diferencia.que, "líneas de ENTRADAS_DETALLE: origen 3, destino 2");
  EXPECT_EQ(c.diferencias[0].diferencia.lado, "destino");
  // The sums say what went with the line (its total was 7500).
  EXPECT_NE(lineas(c).find("ENDE_TOTAL origen 15000.0000, destino 7500.0000"), std::string::npos)
      << lineas(c);
  EXPECT_FALSE(c.limpia());
}

TEST_F(Conciliar, EncuentraElEncabezadoCambiadoEnElOrigenTrasElSello) {
  bd2.execute("UPDATE ENTRADAS SET ENTR_CONC = 'Cambiada', ENTR_TOTAL = 1 WHERE ENTR_ID = 201");
  agente::Conciliacion c = conciliar();
  EXPECT_EQ(
      lineas(c),
      "11 EB 000201 | descarga de 002 | ENTR_CONC: origen \"Cambiada\", destino \"Entrada "
      "201\" | \n"
      "11 EB 000201 | descarga de 002 | ENTR_TOTAL: origen \"1.0000\", destino \"10220.0000\" "
      "| \n");
}

TEST_F(Conciliar, ComparaLasColumnasCopiadasDeUnMaestro) {
  bd2.execute("UPDATE MARCAS SET MARC_NOMBRE = 'Otro' WHERE MARC_COD = 'M1'");
  EXPECT_EQ(lineas(conciliar()),
            "129 M1 | envío a 002 | MARC_NOMBRE: origen \"Uno\", destino \"Otro\" | \n");
}

// Rows that share a key no column of theirs completes (an article's accounting rows)
// are compared as a set: how many on each side, and each source row the target lacks
// beside a row the target holds instead.
TEST_F(Conciliar, ComparaComoConjuntoLasFilasQueCompartenLlave) {
  for (const char* bodega : {"01", "02"})
    bd1.execute(
        "INSERT INTO CONTABIL_ARTICULO (ARTI_COD, BODE_COD, COAR_INVENTARIO) VALUES ('A1', ?, ?)",
        {db::Value::text(bodega), db::Value::text(std::string("1435") + bodega)});
  insertar_evento(bd1, {.compania = "002", .tipo = 127, .codigo = "A1"});
  ASSERT_EQ(ciclo.ejecutar(), agente::Resultado::Completo);
  EXPECT_EQ(lineas(conciliar()), "");

  bd2.execute("UPDATE CONTABIL_ARTICULO SET COAR_INVENTARIO = 'otra' WHERE BODE_COD = '02'");
  bd2.execute("INSERT INTO CONTABIL_ARTICULO (ARTI_COD, BODE_COD) VALUES ('A1', '03')");
  const std::string l = lineas(conciliar());
  EXPECT_NE(l.find("127 A1 | envío a 002 | filas: origen 2, destino 3 | origen\n"),
            std::string::npos)
      << l;
  EXPECT_NE(l.find("fila distinta 1: origen \"A1 | 02 | 143502 | "), std::string::npos) << l;
  EXPECT_NE(l.find("destino \"A1 | 02 | otra | "), std::string::npos) << l;
}

// The returned quantity of an invoice's lines, which the copy resets by its position,
// is left out of the sums by that position, whatever the column is called.
TEST_F(Conciliar, LaCantidadDevueltaQueLaCopiaPoneEnCeroNoCuentaEnLasSumas) {
  insertar_factura(bd1, 7, "FV", "000001", 2, 0);
  for (db::Connection* c : {&bd1, &bd2})
    alterar(*c, "ALTER TABLE FACTURAS_DETALLE ALTER COLUMN FADE_DEVUELTO TO DEVUELTA");
  insertar_evento(bd1,
                  {.compania = "002", .tipo = 31, .iddoc = 7, .pref = "FV", .numero = "000001"});
  ASSERT_EQ(ciclo.ejecutar(), agente::Resultado::Completo);
  ASSERT_EQ(filas(bd2, "SELECT SUM(DEVUELTA) FROM FACTURAS_DETALLE").at(0, 0).as_integer(), 0);
  EXPECT_EQ(lineas(conciliar()), "");
}

// The last event of a document says what it should be; a later event still pending
// makes it not yet due.
TEST_F(Conciliar, CuentaLoQueDiceElUltimoEvento) {
  insertar_evento(bd1, {.compania = "002",
                        .tipo = 11,
                        .iddoc = 101,
                        .pref = "EN",
                        .numero = "000101",
                        .fecreg = kHoy,
                        .oper = "A"});
  ASSERT_EQ(ciclo.ejecutar(), agente::Resultado::Completo);
  EXPECT_TRUE(conciliar().limpia());

  bd2.execute("UPDATE ENTRADAS SET ENTR_ANULADO = 'N' WHERE PREF_PRE = 'EN'");
  EXPECT_EQ(lineas(conciliar()),
            "11 EN 000101 | envío a 002 | no está anulado aunque el último evento lo anula | "
            "destino\n");

  insertar_evento(bd1, {.compania = "002",
                        .tipo = 11,
                        .iddoc = 101,
                        .pref = "EN",
                        .numero = "000101",
                        .fecreg = kHoy,
                        .horareg = kHora,
                        .oper = "D"});
  agente::Conciliacion c = conciliar();
  EXPECT_EQ(lineas(c), "");
  EXPECT_EQ(c.pendientes, 1);
}

TEST_F(Conciliar, UnDestinatarioInalcanzableNoDaPorLimpia) {
  poner_socio(bd1, "002", (raiz / "no-existe").string());
  agente::Conciliacion c = conciliar();
  EXPECT_FALSE(c.limpia());
  // Neither the download nor the upload side could be read.
  EXPECT_EQ(c.inalcanzables.size(), 2u);
  EXPECT_NE(agente::texto(c).find("2 bases no leídas"), std::string::npos) << agente::texto(c);
}

TEST_F(Conciliar, NoEscribeNada) {
  const auto antes1 = filas(bd1, "SELECT * FROM REPLICA_EVENTOS ORDER BY RPEV_ID");
  const auto antes2 = filas(bd2, "SELECT COUNT(*), SUM(ENDE_TOTAL) FROM ENTRADAS_DETALLE");
  conciliar();
  EXPECT_EQ(filas(bd1, "SELECT * FROM REPLICA_EVENTOS ORDER BY RPEV_ID").size(), antes1.size());
  EXPECT_EQ(pendiente(bd1, subida_), false);
  EXPECT_EQ(filas(bd2, "SELECT COUNT(*), SUM(ENDE_TOTAL) FROM ENTRADAS_DETALLE").row(0),
            antes2.row(0));
}

}  // namespace
}  // namespace testing_support
