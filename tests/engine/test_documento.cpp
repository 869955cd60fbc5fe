// The copy of a numbered document (an inventory entry, type 11) through a whole
// cycle, in either phase: the source side is where the event lives, the target side
// the other company. The target's entry sequence is moved ahead first, so a copied
// header shows whether it took the target's id or kept the source's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/textos.h"
#include "support/escenario.h"

using agente::Resultado;
using db::Value;
using engine::Fase;
using testing_support::contar;
using testing_support::error_de;
using testing_support::filas;
using testing_support::insertar_entrada;
using testing_support::insertar_evento;
using testing_support::mismas_columnas;
using testing_support::nombre_fase;
using testing_support::pendiente;
using testing_support::valor_secuencia;

namespace {

class Documento : public testing_support::Escenario, public ::testing::WithParamInterface<Fase> {
 protected:
  void SetUp() override {
    alterar(destino(), "ALTER SEQUENCE SEQ_ENTRADAS RESTART WITH 1000");
    primer_id = valor_secuencia(destino(), "SEQ_ENTRADAS") + 1;
  }

  bool subida() const { return GetParam() == Fase::Subida; }
  db::Connection& origen() { return subida() ? bd1 : bd2; }
  db::Connection& destino() { return subida() ? bd2 : bd1; }

  std::int64_t evento(std::int64_t iddoc, const std::string& numero,
                      const std::string& oper = "I") {
    return insertar_evento(origen(), {.compania = subida() ? "002" : "001",
                                      .tipo = 11,
                                      .iddoc = iddoc,
                                      .pref = "EN",
                                      .numero = numero,
                                      .oper = oper});
  }
  // Queues the event again, as the suite does when the document changes once more.
  void reabrir(std::int64_t id) {
    origen().execute(
        "UPDATE REPLICA_EVENTOS SET RPEV_FECREP = NULL, RPEV_HORAREP = NULL WHERE RPEV_ID = " +
        std::to_string(id));
  }
  db::Rows encabezado(db::Connection& c, const std::string& numero) {
    return filas(c,
                 "SELECT * FROM ENTRADAS WHERE PREF_PRE = 'EN' AND ENTR_NUMERO = '" + numero + "'");
  }
  db::Rows lineas(db::Connection& c, std::int64_t id) {
    return filas(c, "SELECT * FROM ENTRADAS_DETALLE WHERE ENTR_ID = " + std::to_string(id) +
                        " ORDER BY ENDE_ITEM");
  }
  db::Rows todo(db::Connection& c, const char* tabla) {
    return filas(c, std::string("SELECT * FROM ") + tabla + " ORDER BY 1, 2");
  }
  // The error line of the current event, as the error handler writes it.
  std::string linea_error(const std::string& numero, const std::string& oper,
                          const std::string& mensaje) const {
    return sello() + ",11|\\EN" + numero + "," + oper + ",," + errors::una_linea(mensaje);
  }

  std::int64_t primer_id = 0;  // the id the target's procedure gives next
};

void mismas_filas(const db::Rows& a, const db::Rows& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t r = 0; r < a.size(); ++r) mismas_columnas(a, r, b, r, 0);
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Fases, Documento, ::testing::Values(Fase::Descarga, Fase::Subida),
                         nombre_fase);

// ---- insert and refresh ---------------------------------------------------------------------

TEST_P(Documento, NewDocumentTakesTheTargetsIdAndItsLinesFollowIt) {
  insertar_entrada(origen(), 7, "EN", "000123", 3);
  std::int64_t ev = evento(7, "000123");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = encabezado(destino(), "000123");
  ASSERT_EQ(h.size(), 1u);
  const std::int64_t id = h.at(0, "ENTR_ID").as_integer();
  EXPECT_EQ(id, primer_id);
  EXPECT_EQ(valor_secuencia(destino(), "SEQ_ENTRADAS"), primer_id) << "one id was asked for";
  EXPECT_EQ(h.at(0, "NUMOK"), Value::text("N"));
  db::Rows fuente = encabezado(origen(), "000123");
  EXPECT_EQ(fuente.at(0, "NUMOK"), Value::text("S"));
  mismas_columnas(h, 0, fuente, 0, 1, {"NUMOK"});

  db::Rows l = lineas(destino(), id);
  db::Rows lf = lineas(origen(), 7);
  ASSERT_EQ(l.size(), 3u);
  for (std::size_t i = 0; i < l.size(); ++i) {
    EXPECT_EQ(l.at(i, 0), Value::integer(id));
    mismas_columnas(l, i, lf, i, 1);
  }
  EXPECT_EQ(contar(destino(), "ENTRADAS_DETALLE"), 3);
  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_FALSE(error_de(origen(), ev).has_value());
  EXPECT_TRUE(errores_log().empty());
  EXPECT_EQ(contar(origen(), "ENTRADAS_DETALLE", "ENTR_ID = 7"), 3) << "the source is left alone";
}

TEST_P(Documento, ReplayRefreshesTheCopyUnderItsOwnId) {
  insertar_entrada(origen(), 7, "EN", "000123", 3);
  std::int64_t ev = evento(7, "000123");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  const std::int64_t id = encabezado(destino(), "000123").at(0, "ENTR_ID").as_integer();

  // The document changes at the source: another concept and total, line 2 removed,
  // line 4 added.
  origen().execute(
      "UPDATE ENTRADAS SET ENTR_CONC = 'Corregida', ENTR_TOTAL = 77.10, ENTR_PESO = NULL WHERE "
      "ENTR_ID = 7");
  origen().execute("DELETE FROM ENTRADAS_DETALLE WHERE ENTR_ID = 7 AND ENDE_ITEM = 2");
  origen().execute(
      "INSERT INTO ENTRADAS_DETALLE (ENTR_ID, ENDE_ITEM, ARTI_COD, ENDE_CANT, ENDE_FACTOR, "
      "ENDE_COSTO, ENDE_DTOPORC, ENDE_DTOMONTO, ENDE_IVAPORC, ENDE_IVAMONTO, ENDE_CONSUMO, "
      "ENDE_TOTAL) VALUES (7, 4, 'NUEVO', 9, 1, 1.5, 0, 0, 0, 0, 0, 13.5)");
  reabrir(ev);

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = encabezado(destino(), "000123");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "ENTR_ID"), Value::integer(id)) << "the copy keeps the target's id";
  EXPECT_EQ(valor_secuencia(destino(), "SEQ_ENTRADAS"), primer_id) << "no new id was asked for";
  // Every column after the id, NUMOK included, now holds the source's value.
  mismas_columnas(h, 0, encabezado(origen(), "000123"), 0, 1);
  EXPECT_EQ(h.at(0, "ENTR_CONC"), Value::text("Corregida"));
  EXPECT_TRUE(h.at(0, "ENTR_PESO").is_null());

  db::Rows l = lineas(destino(), id);
  db::Rows lf = lineas(origen(), 7);
  ASSERT_EQ(l.size(), 3u);
  for (std::size_t i = 0; i < l.size(); ++i) {
    EXPECT_EQ(l.at(i, 0), Value::integer(id));
    mismas_columnas(l, i, lf, i, 1);
  }
  EXPECT_EQ(l.at(2, "ARTI_COD"), Value::text("NUEVO"));
  EXPECT_EQ(contar(destino(), "ENTRADAS_DETALLE"), 3) << "the old lines are gone";
  EXPECT_FALSE(pendiente(origen(), ev));
}

// The suite's own upgrade adds or renames a column of a document table while the agent
// runs on, its attachments open from cycle to cycle: the next cycle copies it too.
// A statement prepared before the change would still see the table as it was, and
// the copies would leave the new column empty for as long as the agent ran.
TEST_P(Documento, AColumnAddedBetweenCyclesIsCopiedByTheNextCycle) {
  insertar_entrada(origen(), 7, "EN", "000123", 1);
  evento(7, "000123");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  for (db::Connection* c : {&bd1, &bd2}) {
    c->execute("ALTER TABLE ENTRADAS ADD ENTR_NUEVA VARCHAR(10)");
    c->execute("ALTER TABLE ENTRADAS_DETALLE ADD ENDE_NUEVA VARCHAR(10)");
  }
  insertar_entrada(origen(), 8, "EN", "000124", 1);
  origen().execute("UPDATE ENTRADAS SET ENTR_NUEVA = 'cabeza' WHERE ENTR_ID = 8");
  origen().execute("UPDATE ENTRADAS_DETALLE SET ENDE_NUEVA = 'linea' WHERE ENTR_ID = 8");
  const std::int64_t ev = evento(8, "000124");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = encabezado(destino(), "000124");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "ENTR_NUEVA"), Value::text("cabeza"));
  db::Rows l = lineas(destino(), h.at(0, "ENTR_ID").as_integer());
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(l.at(0, "ENDE_NUEVA"), Value::text("linea"));
  EXPECT_FALSE(pendiente(origen(), ev));

  // A renamed column raises no format number; it is seen all the same.
  for (db::Connection* c : {&bd1, &bd2})
    c->execute("ALTER TABLE ENTRADAS ALTER ENTR_NUEVA TO ENTR_OTRA");
  insertar_entrada(origen(), 9, "EN", "000125", 1);
  origen().execute("UPDATE ENTRADAS SET ENTR_OTRA = 'otra' WHERE ENTR_ID = 9");
  const std::int64_t ev2 = evento(9, "000125");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  destino().end_reads();  // this side's own reader looks again too
  h = encabezado(destino(), "000125");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "ENTR_OTRA"), Value::text("otra"));
  EXPECT_FALSE(pendiente(origen(), ev2));
}

TEST_P(Documento, DocumentWithoutLinesArrivesAsAHeaderAlone) {
  insertar_entrada(origen(), 7, "EN", "000123", 0);
  std::int64_t ev = evento(7, "000123");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(encabezado(destino(), "000123").size(), 1u);
  EXPECT_EQ(contar(destino(), "ENTRADAS_DETALLE"), 0);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(Documento, FixedPointColumnsArriveWithFourDecimals) {
  insertar_entrada(origen(), 7, "EN", "000123", 2);
  origen().execute(
      "UPDATE ENTRADAS SET ENTR_TASACAMBIO = 3.141592, ENTR_PESO = 1.23456789, ENTR_IVA = NULL "
      "WHERE ENTR_ID = 7");
  origen().execute(
      "UPDATE ENTRADAS_DETALLE SET ENDE_FACTOR = 1.234567, ENDE_COSTO = 2.5 WHERE ENDE_ITEM = 1");
  origen().execute("UPDATE ENTRADAS_DETALLE SET ENDE_FACTOR = -1.23455 WHERE ENDE_ITEM = 2");
  evento(7, "000123");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = encabezado(destino(), "000123");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "ENTR_TASACAMBIO").as_text(), "3.141600");
  EXPECT_EQ(h.at(0, "ENTR_PESO"), Value::floating(1.23456789)) << "floating columns go whole";
  EXPECT_EQ(h.at(0, "ENTR_IVA").as_text(), "0.00") << "an empty amount arrives as zero";
  db::Rows l = lineas(destino(), h.at(0, "ENTR_ID").as_integer());
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l.at(0, "ENDE_FACTOR").as_text(), "1.234600");
  EXPECT_EQ(l.at(1, "ENDE_FACTOR").as_text(), "-1.234600") << "halves round away from zero";
  EXPECT_EQ(l.at(0, "ENDE_COSTO").as_text(), "2.5000");
  EXPECT_EQ(l.at(0, "ENDE_NETO").as_text(), "2.5000") << "computed from the copied values";
}

TEST_P(Documento, MissingSourceDocumentIsStampedWithoutCopy) {
  insertar_entrada(origen(), 7, "EN", "000123", 1);
  std::int64_t otro_id = evento(999, "000123");
  std::int64_t sin_id = evento(0, "000124");
  origen().execute("UPDATE REPLICA_EVENTOS SET RPEV_IDDOC = NULL WHERE RPEV_ID = " +
                   std::to_string(sin_id));

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_FALSE(pendiente(origen(), otro_id));
  EXPECT_FALSE(pendiente(origen(), sin_id));
  EXPECT_EQ(contar(destino(), "ENTRADAS"), 0);
  EXPECT_EQ(valor_secuencia(destino(), "SEQ_ENTRADAS"), primer_id - 1);
  EXPECT_TRUE(errores_log().empty());
}

// ---- delete and annul -------------------------------------------------------------------

TEST_P(Documento, DeleteAndAnnulOfAbsentDocumentsStampAndChangeNothing) {
  insertar_entrada(destino(), 50, "EN", "000999", 2);
  insertar_entrada(origen(), 7, "EN", "000123", 1);  // the source need not be read
  std::int64_t borrar = evento(7, "000123", "D");
  std::int64_t anular = evento(7, "000124", "A");
  db::Rows antes = todo(destino(), "ENTRADAS");
  db::Rows antes_l = todo(destino(), "ENTRADAS_DETALLE");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_FALSE(pendiente(origen(), borrar));
  EXPECT_FALSE(pendiente(origen(), anular));
  mismas_filas(todo(destino(), "ENTRADAS"), antes);
  mismas_filas(todo(destino(), "ENTRADAS_DETALLE"), antes_l);
  EXPECT_TRUE(errores_log().empty());
}

TEST_P(Documento, AnnulMarksThePresentCopyAndChangesNothingElse) {
  insertar_entrada(destino(), 50, "EN", "000123", 2);
  insertar_entrada(destino(), 51, "EN", "000124", 1);
  std::int64_t ev = evento(7, "000123", "A");
  db::Rows antes = encabezado(destino(), "000123");
  db::Rows antes_l = todo(destino(), "ENTRADAS_DETALLE");
  db::Rows otro = encabezado(destino(), "000124");
  ASSERT_EQ(antes.at(0, "ENTR_ANULADO"), Value::text("N"));

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = encabezado(destino(), "000123");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "ENTR_ANULADO"), Value::text("S"));
  mismas_columnas(h, 0, antes, 0, 0, {"ENTR_ANULADO"});
  mismas_filas(encabezado(destino(), "000124"), otro);
  mismas_filas(todo(destino(), "ENTRADAS_DETALLE"), antes_l);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(Documento, DeleteRemovesThePresentHeaderAndLeavesTheLinesToTheTarget) {
  insertar_entrada(destino(), 50, "EN", "000123", 2);
  insertar_entrada(destino(), 51, "EN", "000124", 1);
  std::int64_t ev = evento(7, "000123", "D");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(encabezado(destino(), "000123").size(), 0u);
  EXPECT_EQ(encabezado(destino(), "000124").size(), 1u);
  EXPECT_EQ(contar(destino(), "ENTRADAS_DETALLE", "ENTR_ID = 50"), 2);
  EXPECT_FALSE(pendiente(origen(), ev));
}

// ---- failures -----------------------------------------------------------------------------

TEST_P(Documento, RejectedLineRemovesTheHeaderAndTheNextCycleStartsAfresh) {
  // The target refuses a quantity of 2: line 2 of 3 fails, line 3 would pass.
  alterar(destino(),
          "ALTER TABLE ENTRADAS_DETALLE ADD CONSTRAINT CK_PRUEBA_CANT CHECK (ENDE_CANT <> 2)");
  insertar_entrada(origen(), 7, "EN", "000123", 3);
  std::int64_t ev = evento(7, "000123");
  std::int64_t siguiente = insertar_evento(
      origen(), {.compania = subida() ? "002" : "001", .horareg = db::Time{9, 0, 0, 0}});

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo) << "a failed apply does not end the cycle";

  EXPECT_EQ(encabezado(destino(), "000123").size(), 0u) << "header undone";
  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("CK_PRUEBA_CANT"), std::string::npos) << *error;
  EXPECT_EQ(errores_log(), std::vector<std::string>{linea_error("000123", "I", *error)});
  EXPECT_EQ(pitidos, 1);
  // Line 1 was written in its own transaction before line 2 failed; the undo takes it
  // away with the header, so no line is left without its document.
  EXPECT_EQ(contar(destino(), "ENTRADAS_DETALLE"), 0);
  EXPECT_FALSE(pendiente(origen(), siguiente)) << "the next event proceeds";

  alterar(destino(), "ALTER TABLE ENTRADAS_DETALLE DROP CONSTRAINT CK_PRUEBA_CANT");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = encabezado(destino(), "000123");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "ENTR_ID"), Value::integer(primer_id + 1)) << "inserted under a new id";
  EXPECT_EQ(lineas(destino(), primer_id + 1).size(), 3u);
  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_EQ(error_de(origen(), ev), error) << "the stamp leaves the last error";
}

TEST_P(Documento, FailedEventIsNotRetriedWhenErrorsAreNotRetried) {
  alterar(destino(),
          "ALTER TABLE ENTRADAS_DETALLE ADD CONSTRAINT CK_PRUEBA_CANT CHECK (ENDE_CANT <> 2)");
  insertar_entrada(origen(), 7, "EN", "000123", 2);
  std::int64_t ev = evento(7, "000123");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  ASSERT_TRUE(error_de(origen(), ev).has_value());

  alterar(destino(), "ALTER TABLE ENTRADAS_DETALLE DROP CONSTRAINT CK_PRUEBA_CANT");
  vista.op.sin_reintentar = true;
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_TRUE(pendiente(origen(), ev));
  EXPECT_EQ(encabezado(destino(), "000123").size(), 0u);
  EXPECT_EQ(auditoria().size(), 1u) << "the second cycle did not take it";
}

TEST_P(Documento, RejectedHeaderInsertWritesNothing) {
  alterar(destino(),
          "ALTER TABLE ENTRADAS ADD CONSTRAINT CK_PRUEBA_CONC CHECK (ENTR_CONC <> 'Prohibida')");
  insertar_entrada(origen(), 7, "EN", "000123", 2);
  origen().execute("UPDATE ENTRADAS SET ENTR_CONC = 'Prohibida' WHERE ENTR_ID = 7");
  std::int64_t ev = evento(7, "000123");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "ENTRADAS"), 0);
  EXPECT_EQ(contar(destino(), "ENTRADAS_DETALLE"), 0) << "no line follows a refused header";
  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("CK_PRUEBA_CONC"), std::string::npos) << *error;
  EXPECT_EQ(errores_log(), std::vector<std::string>{linea_error("000123", "I", *error)});
}

TEST_P(Documento, RejectedHeaderReplaceLeavesThePreviousCopyWhole) {
  insertar_entrada(origen(), 7, "EN", "000123", 3);
  std::int64_t ev = evento(7, "000123");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  db::Rows antes = todo(destino(), "ENTRADAS");
  db::Rows antes_l = todo(destino(), "ENTRADAS_DETALLE");
  ASSERT_EQ(antes_l.size(), 3u);

  alterar(destino(),
          "ALTER TABLE ENTRADAS ADD CONSTRAINT CK_PRUEBA_CONC CHECK (ENTR_CONC <> 'Prohibida')");
  origen().execute("UPDATE ENTRADAS SET ENTR_CONC = 'Prohibida' WHERE ENTR_ID = 7");
  origen().execute("DELETE FROM ENTRADAS_DETALLE WHERE ENTR_ID = 7 AND ENDE_ITEM = 3");
  reabrir(ev);

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  mismas_filas(todo(destino(), "ENTRADAS"), antes);
  mismas_filas(todo(destino(), "ENTRADAS_DETALLE"), antes_l);
  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("CK_PRUEBA_CONC"), std::string::npos) << *error;
  EXPECT_EQ(errores_log(), std::vector<std::string>{linea_error("000123", "I", *error)});
}

TEST_P(Documento, RequiredTargetColumnLeftEmptyFailsItsEventOnlyAndSilently) {
  alterar(destino(), "ALTER TABLE ENTRADAS ALTER COLUMN ENTR_REFER SET NOT NULL");
  insertar_entrada(origen(), 7, "EN", "000123", 2);
  origen().execute("UPDATE ENTRADAS SET ENTR_REFER = NULL WHERE ENTR_ID = 7");
  std::int64_t ev = evento(7, "000123", "M");
  std::int64_t siguiente = insertar_evento(
      origen(), {.compania = subida() ? "002" : "001", .horareg = db::Time{9, 0, 0, 0}});
  vista.op.frecuencia = "4";

  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_TRUE(pendiente(origen(), ev));
  EXPECT_EQ(error_de(origen(), ev), db::textos::campo_requerido("ENTR_REFER"));
  EXPECT_EQ(contar(destino(), "REPLICA_EVENTOS", "RPEV_ERROR IS NOT NULL"), 0)
      << "the error goes to the event's own database";
  EXPECT_EQ(errores_log(), std::vector<std::string>{linea_error(
                               "000123", "M", db::textos::campo_requerido("ENTR_REFER"))});
  EXPECT_EQ(contar(destino(), "ENTRADAS"), 0);
  EXPECT_FALSE(pendiente(origen(), siguiente)) << "the list went on after the failing event";
  EXPECT_FALSE(error_de(origen(), siguiente).has_value());
  EXPECT_EQ(vista.veces("mensaje"), 0);
  EXPECT_EQ(vista.intervalo, 4 * 60000);
  EXPECT_EQ(pitidos, 1);
}

TEST_P(Documento, TargetWithMoreColumnsThanTheSourceFailsItsEvent) {
  alterar(destino(), "ALTER TABLE ENTRADAS ADD ENTR_EXTRA INTEGER");
  insertar_entrada(origen(), 7, "EN", "000123", 1);
  std::int64_t ev = evento(7, "000123");

  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  const std::size_t columnas = encabezado(origen(), "000123").columns().size();
  EXPECT_EQ(*error, db::textos::indice_fuera_de_rango(columnas));
  EXPECT_EQ(contar(destino(), "ENTRADAS"), 0);
  EXPECT_EQ(errores_log().size(), 1u);
}

TEST_P(Documento, TargetWithFewerColumnsTakesTheLeadingOnes) {
  alterar(destino(), "ALTER TABLE ENTRADAS_DETALLE DROP ENDE_NETO");
  insertar_entrada(origen(), 7, "EN", "000123", 2);
  std::int64_t ev = evento(7, "000123");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows l = lineas(destino(), primer_id);
  ASSERT_EQ(l.size(), 2u);
  db::Rows lf = lineas(origen(), 7);
  ASSERT_EQ(l.columns().size() + 1, lf.columns().size());
  for (std::size_t i = 1; i < l.columns().size(); ++i)
    EXPECT_EQ(l.at(1, i), lf.at(1, i)) << l.columns()[i].name;
  EXPECT_FALSE(pendiente(origen(), ev));
}
