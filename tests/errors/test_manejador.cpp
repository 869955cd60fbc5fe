// The central error handler: the errorenvio.txt line with the identity of the event
// being processed, RPEV_ERROR on the database where that event lives, and the beep.
// Both queues hold an event with id 7, so a text stored in the wrong one shows.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "db/error.h"
#include "db/target_set.h"
#include "db/textos.h"
#include "support/escenario.h"

using engine::Fase;
using testing_support::error_de;
using testing_support::filas;
using testing_support::insertar_evento;

namespace {

class Manejador : public testing_support::Escenario {
 protected:
  void SetUp() override {
    insertar_evento(bd1, {.id = 7,
                          .compania = "002",
                          .tipo = 11,
                          .pref = "EN",
                          .numero = "000123",
                          .codigo = "COD",
                          .oper = "I"});
    insertar_evento(
        bd2,
        {.id = 7, .compania = "001", .tipo = 12, .pref = "SA", .numero = "000045", .oper = "D"});
  }
  // Opens the phase's event list on the event with id 7 of that phase's queue.
  void en_evento(Fase f) {
    db::Rows& lista = f == Fase::Subida ? subida_ : descarga_;
    lista = testing_support::leer_evento(f == Fase::Subida ? bd1 : bd2, 7);
    errores.abrir_lista(f);
    errores.evento_actual(f, engine::Evento(lista, 0));
  }
  db::Rows colas() { return filas(bd1, "SELECT * FROM REPLICA_EVENTOS ORDER BY RPEV_ID"); }
  db::Rows colas_socio() { return filas(bd2, "SELECT * FROM REPLICA_EVENTOS ORDER BY RPEV_ID"); }

 private:
  db::Rows subida_, descarga_;
};

const std::string kSubida = "11|COD\\EN000123,I,";
const std::string kDescarga = "12|\\SA000045,D,";

void iguales(const db::Rows& a, const db::Rows& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a.row(i), b.row(i)) << "row " << i;
}

}  // namespace

// ---- where the text goes --------------------------------------------------------------------

TEST_F(Manejador, UploadFailureIsLoggedWithItsIdentityAndStoredInTheLocalEvent) {
  en_evento(Fase::Subida);
  errores.ManejarError(std::runtime_error("violation of FOREIGN KEY constraint"), true);

  EXPECT_EQ(errores_log(), std::vector<std::string>{sello() + "," + kSubida +
                                                    ",violation of FOREIGN KEY constraint"});
  EXPECT_EQ(error_de(bd1, 7), "violation of FOREIGN KEY constraint");
  EXPECT_FALSE(error_de(bd2, 7).has_value());
  EXPECT_EQ(pitidos, 1);
}

TEST_F(Manejador, DownloadFailureCarriesTheDownloadEventsLetterAndIsStoredAtThePartner) {
  en_evento(Fase::Descarga);
  errores.ManejarError(std::runtime_error("lock conflict on no wait transaction"), true);

  EXPECT_EQ(errores_log(), std::vector<std::string>{sello() + "," + kDescarga +
                                                    ",lock conflict on no wait transaction"});
  EXPECT_EQ(error_de(bd2, 7), "lock conflict on no wait transaction");
  EXPECT_FALSE(error_de(bd1, 7).has_value());
  EXPECT_EQ(pitidos, 1);
}

TEST_F(Manejador, WithBothListsOpenTheUploadComesFirstAndOwnsTheText) {
  en_evento(Fase::Descarga);
  en_evento(Fase::Subida);
  errores.ManejarError(std::runtime_error("doble"), true);

  EXPECT_EQ(errores_log(),
            std::vector<std::string>{sello() + "," + kSubida + kDescarga + ",doble"});
  EXPECT_EQ(error_de(bd1, 7), "doble");
  EXPECT_FALSE(error_de(bd2, 7).has_value());
}

TEST_F(Manejador, AFailedApplyIsRecordedAndTheApplyReportsIt) {
  // The upload writes to the partner; the text goes to the local event.
  socio.execute("INSERT INTO ENTRADAS (ENTR_ID, PREF_PRE, ENTR_NUMERO) VALUES (1, 'EN', '1')");
  en_evento(Fase::Subida);
  db::TargetSet t = socio.open("SELECT * FROM ENTRADAS");
  std::size_t fila = t.append();
  t.set(fila, "ENTR_ID", db::Value::integer(1));

  EXPECT_EQ(t.apply(errores), 1);

  std::optional<std::string> error = error_de(bd1, 7);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("PK_ENTRADAS"), std::string::npos) << *error;
  EXPECT_EQ(errores_log(),
            std::vector<std::string>{sello() + "," + kSubida + "," + errors::una_linea(*error)});
  EXPECT_TRUE(t.has_changes()) << "the target set is left as it was";
  EXPECT_FALSE(error_de(bd2, 7).has_value());
}

TEST_F(Manejador, AClientErrorIsHandledAsAFailedWrite) {
  en_evento(Fase::Descarga);
  const std::string requerido = db::textos::campo_requerido("ENTR_FECHA");
  errores.ManejarClientError(db::ClientError(requerido));
  EXPECT_EQ(error_de(bd2, 7), requerido);
  EXPECT_EQ(errores_log(), std::vector<std::string>{sello() + "," + kDescarga + "," + requerido});
}

TEST_F(Manejador, AnErrorThatIsNoWriteIsLoggedButNotStored) {
  en_evento(Fase::Subida);
  errores.ManejarError(std::runtime_error("solo registro"), false);
  EXPECT_EQ(errores_log(), std::vector<std::string>{sello() + "," + kSubida + ",solo registro"});
  EXPECT_FALSE(error_de(bd1, 7).has_value());
  EXPECT_EQ(pitidos, 1);
}

TEST_F(Manejador, AClosedListNoLongerNamesItsEvent) {
  en_evento(Fase::Subida);
  errores.cerrar_lista(Fase::Subida);
  EXPECT_FALSE(errores.hay_evento_actual());
  errores.ManejarError(std::runtime_error("despues"), true);
  EXPECT_EQ(errores_log(), std::vector<std::string>{sello() + ",,despues"});
  EXPECT_FALSE(error_de(bd1, 7).has_value());
}

// ---- unhandled errors -------------------------------------------------------------------------

TEST_F(Manejador, UnhandledErrorOutsideACycleIsLoggedAndChangesNoTable) {
  db::Rows antes = colas();
  db::Rows antes_socio = colas_socio();

  errores.ENoManejada(std::runtime_error("Access violation at address 0000"));

  EXPECT_EQ(errores_log(),
            std::vector<std::string>{sello() + ",,Access violation at address 0000"});
  iguales(colas(), antes);
  iguales(colas_socio(), antes_socio);
  EXPECT_EQ(pitidos, 1);
}

TEST_F(Manejador, UnhandledErrorDuringAnEventIsStoredInThatEventInTheSuitesCodePage) {
  en_evento(Fase::Descarga);
  const std::string no_entero = db::textos::no_es_entero("x");
  errores.ENoManejada(std::invalid_argument(no_entero));
  EXPECT_EQ(error_de(bd2, 7), no_entero);
  // The column holds the bytes the suite reads: "á" is E1 in Windows-1252.
  EXPECT_EQ(filas(bd2, "SELECT RPEV_ERROR FROM REPLICA_EVENTOS WHERE RPEV_ID = 7").at(0, 0),
            db::Value::text("'x' no es un valor entero v\xE1lido"));
  EXPECT_FALSE(error_de(bd1, 7).has_value());
  EXPECT_EQ(errores_log(), std::vector<std::string>{sello() + "," + kDescarga + "," + no_entero});
}

// ---- the text itself -------------------------------------------------------------------------

TEST_F(Manejador, QuotesInTheMessageAreStoredIntact) {
  en_evento(Fase::Subida);
  const std::string mensaje = "value 'O''Brien' for 'TERC_NOMBRE' is too long";
  errores.ManejarError(std::runtime_error(mensaje), true);
  EXPECT_EQ(error_de(bd1, 7), mensaje);
  EXPECT_EQ(errores_log(), std::vector<std::string>{sello() + "," + kSubida + "," + mensaje});
}

TEST_F(Manejador, AMessageLongerThanTheColumnIsStoredCutAndLoggedWhole) {
  en_evento(Fase::Subida);
  std::string mensaje;
  for (int i = 0; mensaje.size() < 3000; ++i) mensaje += std::to_string(i % 10);
  errores.ManejarError(std::runtime_error(mensaje), true);

  std::optional<std::string> guardado = error_de(bd1, 7);
  ASSERT_TRUE(guardado.has_value());
  EXPECT_EQ(guardado->size(), 2048u);
  EXPECT_EQ(*guardado, mensaje.substr(0, 2048));
  EXPECT_EQ(errores_log(), std::vector<std::string>{sello() + "," + kSubida + "," + mensaje});
  EXPECT_EQ(pitidos, 1);
}

TEST_F(Manejador, AMultiLineMessageIsOneLogLineAndStoredWithItsLines) {
  en_evento(Fase::Descarga);
  const std::string mensaje =
      "Operation violates CHECK constraint CK_X on view or table T\n-At trigger 'CHECK_1'";
  errores.ManejarError(std::runtime_error(mensaje), true);

  EXPECT_EQ(errores_log(),
            std::vector<std::string>{sello() + "," + kDescarga +
                                     ",Operation violates CHECK constraint CK_X on view or table "
                                     "T -At trigger 'CHECK_1'"});
  EXPECT_EQ(error_de(bd2, 7), mensaje);
}

TEST_F(Manejador, ALogThatCannotBeWrittenStillLeavesTheErrorOnTheEvent) {
  en_evento(Fase::Subida);
  raiz = dir / "no-existe";
  errores.ManejarError(std::runtime_error("perdido"), true);
  EXPECT_EQ(error_de(bd1, 7), "perdido");
  EXPECT_EQ(pitidos, 1);
}
