// A partner that stops answering never hangs the agent: the attachment is bounded by
// the connect timeout, every later call by the operation bound.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <latch>

#include "db/connection.h"
#include "db/error.h"
#include "db/textos.h"
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

// A database on the loopback server, and the parameters that reach it directly.
struct EnServidor {
  testing_support::TempDir dir;
  db::ConnectParams directa;
  EnServidor() {
    const char* host = std::getenv("ENVIO_E2E_SERVER");
    const char* usuario = std::getenv("ENVIO_E2E_USER");
    const char* clave = std::getenv("ENVIO_E2E_PASSWORD");
    ::chmod(dir.path().c_str(), 0777);  // the server writes the file as its own user
    directa = {std::string(host) + ":" + (dir / "red.fdb").string(), usuario ? usuario : "SYSDBA",
               clave ? clave : "", 10};
    db::Connection::create_database(directa);
  }
  // The same database through `enlace`.
  db::ConnectParams por(const testing_support::Enlace& enlace) const {
    db::ConnectParams p = directa;
    p.database = enlace.prefijo() + (dir / "red.fdb").string();
    return p;
  }
};

bool hay_servidor() {
  const char* host = std::getenv("ENVIO_E2E_SERVER");
  return host && *host;
}

TEST(Red, AStatementRunAgainCostsOneRoundTripAndCommitsOnItsOwn) {
  if (!hay_servidor()) GTEST_SKIP() << "ENVIO_E2E_SERVER not set: no Firebird server";
  EnServidor srv;
  testing_support::Enlace enlace;
  db::Connection c("a-traves"), otra("directa");
  c.set_params(srv.por(enlace));
  otra.set_params(srv.directa);
  c.execute("CREATE TABLE T (N INTEGER, S VARCHAR(20))");
  const std::string insertar = "INSERT INTO T VALUES (?, ?)";
  const std::string leer = "SELECT S FROM T WHERE N = ?";
  c.write(insertar, {db::Value::integer(1), db::Value::text("uno")});
  c.read(leer, {db::Value::integer(1)});

  std::uint64_t antes = enlace.viajes();
  c.write(insertar, {db::Value::integer(2), db::Value::text("dos")});
  EXPECT_EQ(enlace.viajes() - antes, 1u) << "an insert prepared before";
  EXPECT_EQ(otra.read(leer, {db::Value::integer(2)}).size(), 1u)
      << "another attachment sees the row at once: it committed on its own";

  antes = enlace.viajes();
  EXPECT_EQ(c.read(leer, {db::Value::integer(2)}).at(0, 0).as_text(), "dos");
  EXPECT_EQ(enlace.viajes() - antes, 1u) << "a read prepared before, fetched whole";
}

TEST(Red, ALinkThatFreezesMidSessionFailsTheCallAtItsBoundAsALostConnection) {
  if (!hay_servidor()) GTEST_SKIP() << "ENVIO_E2E_SERVER not set: no Firebird server";
  EnServidor srv;
  testing_support::Enlace enlace;
  db::Connection c("a-traves");
  db::ConnectParams p = srv.por(enlace);
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
    EXPECT_EQ(e.what(), db::textos::enlace_mudo(p.database, 3));
  }
  EXPECT_LT(segundos_desde(t), 10.0);
  EXPECT_FALSE(c.connected()) << "the dead attachment is let go";
  EXPECT_TRUE(c.perdida());
  auto t2 = Reloj::now();
  c.disconnect();
  EXPECT_LT(segundos_desde(t2), 5.0);
}

TEST(Red, TwoConnectionsAttachingAtOnceFromTwoThreadsEachWatchTheirOwnLink) {
  if (!hay_servidor()) GTEST_SKIP() << "ENVIO_E2E_SERVER not set: no Firebird server";
  EnServidor srv;
  // One slow link to one port for both: the two attaches overlap, and a long result takes
  // many round trips.
  testing_support::Enlace enlace;
  enlace.demorar(std::chrono::milliseconds(200));
  db::ConnectParams p = srv.por(enlace);
  p.operation_timeout_seconds = 1;
  db::Connection c1("uno"), c2("dos");
  c1.set_params(p);
  c2.set_params(p);
  std::latch salida(2);
  auto abrir = [&](db::Connection* c) {
    salida.arrive_and_wait();
    c->connect();
  };
  auto a1 = std::async(std::launch::async, abrir, &c1);
  auto a2 = std::async(std::launch::async, abrir, &c2);
  a1.get();
  a2.get();
  // Longer than the bound, and arriving all along: only a watch that looks at the link's
  // own socket tells it from a silent link, which it would be cut as.
  const std::string largo =
      "WITH RECURSIVE N (I) AS (SELECT 1 FROM RDB$DATABASE UNION ALL SELECT I + 1 FROM N WHERE "
      "I < 400) SELECT CAST(I AS CHAR(1000)) FROM N";
  for (db::Connection* c : {&c1, &c2}) {
    auto t = Reloj::now();
    try {
      EXPECT_EQ(c->read(largo).size(), 400u);
    } catch (const db::Error& e) {
      ADD_FAILURE() << c->name() << ": " << e.what();
    }
    EXPECT_GT(segundos_desde(t), 1.5) << "the result came faster than the bound: nothing shown";
  }
}

}  // namespace
