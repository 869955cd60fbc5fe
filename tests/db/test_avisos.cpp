// The queue's listener on a company database made by the schema script, on the embedded
// engine and (when ENVIO_E2E_SERVER names one) through the loopback server: a pending
// event committed into the queue reaches it through the script's trigger; the count it
// starts from, a rolled-back insert and the rows the trigger leaves out wake nobody; and a
// listener whose attachment was lost listens again at the next escuchar.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "db/avisos.h"
#include "db/connection.h"
#include "schema/esquema.h"
#include "support/enlace.h"
#include "support/proceso.h"
#include "support/sistema.h"
#include "support/temp.h"

using testing_support::hasta;

namespace {

const char* const kFila =
    "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_FECREG, "
    "RPEV_HORAREG, RPEV_FECREP, RPEV_OPER) VALUES (?, 11, 1, '2026-12-08', '10:00:00', ?, 'I')";

void encolar(db::Connection& c, const char* compania, bool sellado = false) {
  c.execute(kFila,
            {db::Value::text(compania), sellado ? db::Value::text("2026-12-08") : db::Value()});
}

std::int64_t conexiones(db::Connection& c) {
  c.end_reads();  // the monitoring tables are a snapshot per transaction
  return c.query("SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0")
      .at(0, 0)
      .as_integer();
}

class Avisos : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    schema::create_database(schema::Kind::Company, dir / "cia.fdb");
    params = testing_support::embedded(dir / "cia.fdb");
    if (!GetParam()) return;
    const char* host = std::getenv("ENVIO_E2E_SERVER");
    if (!host || !*host) GTEST_SKIP() << "ENVIO_E2E_SERVER not set: no Firebird server";
    // The server opens the file as its own user, where there is one.
    for (const auto& p : {dir.path(), dir / "cia.fdb"})
      ASSERT_NE(testing_support::ceder(p, "firebird"), testing_support::Cesion::NoPermitida);
    params.database = std::string(host) + ":" + params.database;
    if (const char* u = std::getenv("ENVIO_E2E_USER")) params.user = u;
    if (const char* p = std::getenv("ENVIO_E2E_PASSWORD")) params.password = p;
  }

  testing_support::TempDir dir;
  db::ConnectParams params;
};

TEST_P(Avisos, ACommittedEventWakesTheListenerAndALostAttachmentIsOpenedAgain) {
  db::Connection c("prueba");
  c.set_params(params);

  db::Avisos avisos;
  std::atomic<int> dichos{0};
  avisos.al_avisar([&] { ++dichos; });
  avisos.escuchar(params);
  ASSERT_TRUE(hasta([&] { return avisos.escuchando(); }, 10));
  // The engine answers a registration from scratch at once; rows the trigger leaves out
  // (stamped, or with no addressee) post nothing, and a pending row rolled back neither:
  // none of it wakes the listener.
  encolar(c, "002", true);
  encolar(c, "");
  c.hold();
  c.write_held(kFila, {db::Value::text("002"), db::Value()});
  c.release_hold(false);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(avisos.tomar());
  EXPECT_EQ(dichos, 0);

  encolar(c, "002");
  ASSERT_TRUE(hasta([&] { return avisos.tomar(); }, 5));
  EXPECT_EQ(dichos, 1);
  // Asked again while it still answers, it keeps its one attachment, and goes on hearing.
  avisos.escuchar(params);
  EXPECT_EQ(conexiones(c), 2);
  encolar(c, "002");
  ASSERT_TRUE(hasta([&] { return avisos.tomar(); }, 5));
  EXPECT_EQ(dichos, 2);

  // Its attachment ends behind its back (an administrator, a server restart): the next
  // escuchar finds out and listens on a new one.
  c.execute("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
  avisos.escuchar(params);
  ASSERT_TRUE(hasta([&] { return conexiones(c) == 2 && avisos.escuchando(); }, 10));
  encolar(c, "003");
  ASSERT_TRUE(hasta([&] { return avisos.tomar(); }, 5));
  EXPECT_EQ(dichos, 3);

  avisos.cerrar();
  EXPECT_FALSE(avisos.escuchando());
  EXPECT_EQ(conexiones(c), 1);
}

// A server that accepts and never answers: asking to listen returns at once (the window
// that asks never waits), and the failure is told once the connect timeout gives up.
TEST(AvisosMudo, AskingToListenNeverWaitsAndAFailedAttachmentIsToldOnce) {
  testing_support::Mudo mudo;
  db::Avisos avisos;
  std::mutex m;
  std::vector<std::string> fallos;
  avisos.al_informar([&](const std::string& base, const std::string& fallo) {
    std::lock_guard<std::mutex> l(m);
    fallos.push_back(base + ": " + fallo);
  });
  const db::ConnectParams p{mudo.prefijo() + "/no/importa.fdb", "SYSDBA", "x", 10, 2};
  const auto t = std::chrono::steady_clock::now();
  avisos.escuchar(p);
  EXPECT_LT(std::chrono::steady_clock::now() - t, std::chrono::milliseconds(200));
  ASSERT_TRUE(hasta(
      [&] {
        std::lock_guard<std::mutex> l(m);
        return !fallos.empty();
      },
      10));
  EXPECT_FALSE(avisos.escuchando());
  std::lock_guard<std::mutex> l(m);
  ASSERT_EQ(fallos.size(), 1u);
  EXPECT_EQ(fallos[0].rfind(p.database + ": ", 0), 0u) << fallos[0];
  EXPECT_GT(fallos[0].size(), p.database.size() + 2) << "a reason is given";
}

INSTANTIATE_TEST_SUITE_P(Motor, Avisos, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) {
                           return i.param ? "Servidor" : "Embebido";
                         });

}  // namespace
