// A fresh event for a document, queued on an operator's behalf, against a real queue:
// which pending events hold it back, and two operators at once.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/cola.h"
#include "support/bloqueo.h"
#include "support/escenario.h"

namespace testing_support {
namespace {

using Reencolar = Escenario;

std::optional<std::int64_t> reencolar(db::Connection& c, std::int64_t id) {
  const db::Rows r = leer_evento(c, id);
  return engine::reencolar(c, engine::Evento(r, 0), "I", kAhora);
}

// A failed event is no event on its way (with "No reintentar errores" it never travels
// again): the document gets its fresh event; that one then holds back the next.
TEST_F(Reencolar, SoloUnPendienteSinErrorLoRetiene) {
  const std::int64_t fallido = insertar_evento(
      bd1, {.compania = "002", .tipo = 11, .iddoc = 5, .pref = "EN", .error = "rechazado"});
  const std::optional<std::int64_t> nuevo = reencolar(bd1, fallido);
  ASSERT_TRUE(nuevo);
  EXPECT_EQ(error_de(bd1, *nuevo), std::nullopt);
  EXPECT_EQ(reencolar(bd1, fallido), std::nullopt);
  // Another document of the same type and number is another document.
  const std::int64_t otro =
      insertar_evento(bd1, {.compania = "002", .tipo = 11, .iddoc = 6, .pref = "EN"});
  bd1.execute("UPDATE REPLICA_EVENTOS SET RPEV_FECREP = '2026-12-09' WHERE RPEV_ID = " +
              std::to_string(otro));
  EXPECT_TRUE(reencolar(bd1, otro));
  EXPECT_EQ(contar(bd1, "REPLICA_EVENTOS"), 4);
}

// Another operator has locked the same event and queued its fresh event, not yet
// committed: this one waits for it and then sees that event, instead of queuing a
// second one beside it.
TEST_F(Reencolar, DosOperadoresALaVezEncolanUnSoloEvento) {
  const std::int64_t enviado = insertar_evento(
      bd1, {.compania = "002", .tipo = 11, .iddoc = 5, .pref = "EN", .fecrep = kHoy});
  const std::string id = std::to_string(enviado);
  RowLock otro(bd1.params(),
               "EXECUTE BLOCK AS BEGIN UPDATE REPLICA_EVENTOS SET RPEV_OPER = RPEV_OPER WHERE "
               "RPEV_ID = " +
                   id +
                   "; INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, "
                   "RPEV_PREF, RPEV_OPER) VALUES ('002', 11, 5, 'EN', 'I'); END");
  std::thread confirma([&otro] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    otro.confirmar();
  });
  const std::optional<std::int64_t> nuevo = reencolar(bd1, enviado);
  confirma.join();
  EXPECT_EQ(nuevo, std::nullopt);
  EXPECT_EQ(contar(bd1, "REPLICA_EVENTOS", "RPEV_FECREP IS NULL"), 1);
}

}  // namespace
}  // namespace testing_support
