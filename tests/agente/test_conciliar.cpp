// Reconciliation against real databases: documents copied by real cycles, then changed
// by hand on one side; the reconciliation finds each copy the way its handler does.
#include <gtest/gtest.h>

#include <string>

#include "agente/conciliar.h"
#include "support/contabilidad_datos.h"
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

  agente::Conciliacion conciliar(bool reparar = false) {
    return agente::conciliar(local, {.compania = "001", .dias = 7, .reparar = reparar}, tipos,
                             reloj);
  }
  // The repair's lines, without the summaries.
  static std::string reparadas(const agente::Conciliacion& c) {
    std::string s;
    for (const auto& r : c.reparaciones)
      s += r.documento + " | " + r.sentido + " | " + r.letra + " | " +
           (r.estado == agente::Reparacion::Estado::Encolado ? "encolado" : "no") + "\n";
    return s;
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

// A voucher the partner's lock date kept out of its closed period was stamped without a
// copy: there is nothing to compare, and no copy is missing. The one dated after it is
// compared as usual, and the id of its generating document, re-linked on the target,
// does not count as a difference.
TEST_F(Conciliar, ElComprobanteQueLaFechaDeBloqueoDejoFueraNoSeCoteja) {
  configurar(bd2, "CONTABILIDAD", "GENERAL", "FECHA DE BLOQUEO", "2026-11-15");
  insertar_comprobante(bd1, {.consec = 7, .numero = "000007", .fecha = {2026, 11, 1}});
  insertar_comprobante(bd1, {.consec = 8, .numero = "000008", .tipo_origen = 26, .id_origen = 55});
  for (std::int64_t consec : {7, 8})
    insertar_evento(bd1, {.compania = "002",
                          .tipo = 1,
                          .iddoc = consec,
                          .pref = "CO",
                          .numero = "00000" + std::to_string(consec),
                          .codigo = "CE"});
  ASSERT_EQ(ciclo.ejecutar(), agente::Resultado::Completo);
  ASSERT_EQ(contar(bd2, "COMPROBANTE_ENCABEZADO"), 1);

  agente::Conciliacion c = conciliar();
  EXPECT_EQ(lineas(c), "");
  EXPECT_EQ(c.cotejados, 4);
  EXPECT_EQ(c.sin_cotejo, 1);
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

// The repair queues a fresh event per document that differs, in the queue the
// document's events came from, and the next cycle copies it through the ordinary path.
TEST_F(Conciliar, ReparaLoQueDifiereYUnCicloLoDejaLimpio) {
  insertar_entrada(bd1, 102, "EN", "000102", 2);
  insertar_evento(bd1,
                  {.compania = "002", .tipo = 11, .iddoc = 102, .pref = "EN", .numero = "000102"});
  ASSERT_EQ(ciclo.ejecutar(), agente::Resultado::Completo);
  ASSERT_TRUE(conciliar().limpia());
  // A line deleted by hand, a header column edited, a document deleted, a master row
  // changed: all on the target side.
  const std::string en_000101 =
      "(SELECT ENTR_ID FROM ENTRADAS WHERE PREF_PRE = 'EN' AND ENTR_NUMERO = '000101')";
  bd2.execute("DELETE FROM ENTRADAS_DETALLE WHERE ENDE_ITEM = 3 AND ENTR_ID = " + en_000101);
  bd1.execute("UPDATE ENTRADAS SET ENTR_CONC = 'Editada' WHERE PREF_PRE = 'EB'");
  bd2.execute(
      "DELETE FROM ENTRADAS_DETALLE WHERE ENTR_ID = (SELECT ENTR_ID FROM ENTRADAS WHERE "
      "ENTR_NUMERO = '000102')");
  bd2.execute("DELETE FROM ENTRADAS WHERE ENTR_NUMERO = '000102'");
  bd2.execute("UPDATE MARCAS SET MARC_NOMBRE = 'Otro' WHERE MARC_COD = 'M1'");
  const std::int64_t eventos1 = contar(bd1, "REPLICA_EVENTOS");

  agente::Conciliacion c = conciliar(true);
  EXPECT_EQ(reparadas(c),
            "11 EB 000201 | descarga de 002 | I | encolado\n"
            "11 EN 000101 | envío a 002 | I | encolado\n"
            "129 M1 | envío a 002 | I | encolado\n"
            "11 EN 000102 | envío a 002 | I | encolado\n");
  const std::string t = agente::texto(c);
  EXPECT_NE(t.find("11 EN 000101 (envío a 002): encolado el evento " +
                   std::to_string(c.reparaciones[1].evento) + " (I)\n"),
            std::string::npos)
      << t;
  EXPECT_NE(t.find("Reparación: 4 eventos encolados, 0 documentos ya tenían uno pendiente, 0 sin "
                   "evento que los repare, 0 no se pudieron encolar.\n"),
            std::string::npos)
      << t;
  // The fresh event: the original's document and address, letter "I", registered now,
  // pending, its id given by the database.
  const std::int64_t nuevo = c.reparaciones[1].evento;
  EXPECT_EQ(c.reparaciones[3].evento, valor_secuencia(bd1, "SEQ_REPLICA_EVENTOS"));
  db::Rows r = leer_evento(bd1, nuevo);
  db::Rows o =
      filas(bd1, "SELECT * FROM REPLICA_EVENTOS WHERE RPEV_ID = " + std::to_string(subida_));
  mismas_columnas(r, 0, o, 0, 1,
                  {"RPEV_FECREG", "RPEV_HORAREG", "RPEV_FECREP", "RPEV_HORAREP", "RPEV_OPER"});
  EXPECT_EQ(r.at(0, "RPEV_OPER").as_text(), "I");
  EXPECT_EQ(r.at(0, "RPEV_FECREG"), db::Value::date(kHoy));
  EXPECT_EQ(r.at(0, "RPEV_HORAREG"), db::Value::time(kHora));
  EXPECT_TRUE(pendiente(bd1, nuevo));
  // The document coming down gets its event in the partner's queue, addressed to 001.
  EXPECT_EQ(contar(bd2, "REPLICA_EVENTOS",
                   "RPEV_ID = " + std::to_string(c.reparaciones[0].evento) +
                       " AND RPEV_COMPANIA = '001' AND RPEV_FECREP IS NULL AND RPEV_PREF = 'EB'"),
            1);

  // Asked again before a cycle ran: every document already has its pending event.
  EXPECT_EQ(reparadas(conciliar(true)), "");
  EXPECT_EQ(contar(bd1, "REPLICA_EVENTOS"), eventos1 + 3);

  ASSERT_EQ(ciclo.ejecutar(), agente::Resultado::Completo);
  agente::Conciliacion despues = conciliar(true);
  EXPECT_TRUE(despues.limpia()) << lineas(despues);
  EXPECT_TRUE(despues.reparaciones.empty());
}

// A source deleted or annulled is repaired by the letter its state calls for.
TEST_F(Conciliar, ReparaConLaLetraQuePideElEstadoDelOrigen) {
  insertar_evento(bd2, {.compania = "001",
                        .tipo = 11,
                        .iddoc = 201,
                        .pref = "EB",
                        .numero = "000201",
                        .fecreg = kHoy,
                        .oper = "A"});
  ASSERT_EQ(ciclo.ejecutar(), agente::Resultado::Completo);
  bd1.execute("UPDATE ENTRADAS SET ENTR_ANULADO = 'N' WHERE PREF_PRE = 'EB'");
  // The source entry deleted after it was copied, and no event said so.
  bd1.execute("DELETE FROM ENTRADAS_DETALLE WHERE ENTR_ID = 101");
  bd1.execute("DELETE FROM ENTRADAS WHERE ENTR_ID = 101");
  agente::Conciliacion c = conciliar(true);
  EXPECT_EQ(reparadas(c),
            "11 EB 000201 | descarga de 002 | A | encolado\n"
            "11 EN 000101 | envío a 002 | D | encolado\n");
  ASSERT_EQ(ciclo.ejecutar(), agente::Resultado::Completo);
  EXPECT_TRUE(conciliar().limpia()) << lineas(conciliar());
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
