// A partner that stops answering never hangs the agent: the attachment is bounded by
// the connect timeout, every later call by the operation bound.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>

#include "db/connection.h"
#include "db/error.h"
#include "support/enlace.h"
#include "support/temp.h"

namespace {

using Reloj = std::chrono::steady_clock;

double segundos_desde(Reloj::time_point t) {
  return std::chrono::duration<double>(Reloj::now() - t).count();
}

TEST(Red, AServerThatAcceptsAndNeverAnswersIsGivenUpAtTheConnectTimeout) {
  testing_support::Mudo mudo;
  db::Connection c("mudo");
  c.set_params({mudo.prefijo() + "/no/importa.fdb", "SYSDBA", "x", 10, 2});
  auto t = Reloj::now();
  EXPECT_THROW(c.connect(), db::Error);
  EXPECT_LT(segundos_desde(t), 6.0);
}

TEST(Red, ALinkThatFreezesMidSessionFailsTheCallAtItsBoundAsALostConnection) {
  const char* host = std::getenv("ENVIO_E2E_SERVER");
  if (!host || !*host) GTEST_SKIP() << "ENVIO_E2E_SERVER not set: no Firebird server";
  const char* usuario = std::getenv("ENVIO_E2E_USER");
  const char* clave = std::getenv("ENVIO_E2E_PASSWORD");
  testing_support::TempDir dir;
  ::chmod(dir.path().c_str(), 0777);  // the server writes the file as its own user
  const std::string archivo = (dir / "red.fdb").string();
  db::ConnectParams directa{std::string(host) + ":" + archivo, usuario ? usuario : "SYSDBA",
                            clave ? clave : "", 10};
  db::Connection::create_database(directa);

  testing_support::Enlace enlace;
  db::Connection c("a-traves");
  db::ConnectParams p = directa;
  p.database = enlace.prefijo() + archivo;
  p.operation_timeout_seconds = 3;
  c.set_params(p);
  EXPECT_EQ(c.read("SELECT 1 FROM RDB$DATABASE").size(), 1u);

  enlace.congelar();
  auto t = Reloj::now();
  try {
    c.read("SELECT COUNT(*) FROM RDB$RELATIONS");
    ADD_FAILURE() << "a frozen link answered";
  } catch (const db::Error& e) {
    EXPECT_TRUE(e.is_connection_lost()) << e.code() << " " << e.what();
  }
  EXPECT_LT(segundos_desde(t), 10.0);
  EXPECT_FALSE(c.connected()) << "the dead attachment is let go";
  auto t2 = Reloj::now();
  c.disconnect();
  EXPECT_LT(segundos_desde(t2), 5.0);
}

}  // namespace
