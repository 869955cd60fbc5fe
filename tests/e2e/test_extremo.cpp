// End to end: the real envioauto program, unattended with --once, between two
// installations served by a Firebird server on loopback. Everything is checked from
// outside, through the server, as an operator would.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "db/connection.h"
#include "db/error.h"
#include "schema/esquema.h"
#include "support/bloqueo.h"
#include "support/compras_datos.h"
#include "support/proceso.h"
#include "support/temp.h"

namespace fs = std::filesystem;
using db::Value;

namespace {

struct Servidor {
  std::string host, usuario, clave;
};

std::optional<Servidor> servidor() {
  const char* h = std::getenv("ENVIO_E2E_SERVER");
  if (!h || !*h) return std::nullopt;
  const char* u = std::getenv("ENVIO_E2E_USER");
  const char* p = std::getenv("ENVIO_E2E_PASSWORD");
  return Servidor{h, u ? u : "SYSDBA", p ? p : ""};
}

// The server runs as its own user: it must be able to reach and write the files.
void entregar_al_servidor(const fs::path& raiz) {
  struct passwd* pw = ::getpwnam("firebird");
  ASSERT_NE(pw, nullptr) << "no firebird user";
  ::chmod(raiz.c_str(), 0755);
  for (const auto& e : fs::recursive_directory_iterator(raiz)) {
    ASSERT_EQ(::chown(e.path().c_str(), pw->pw_uid, pw->pw_gid), 0) << e.path();
  }
  ASSERT_EQ(::chown(raiz.c_str(), pw->pw_uid, pw->pw_gid), 0);
}

class Extremo : public ::testing::Test {
 protected:
  void SetUp() override {
    auto s = servidor();
    if (!s) GTEST_SKIP() << "ENVIO_E2E_SERVER not set: no Firebird server to test against";
    srv = *s;
    // Installation A holds company 001 (whose agent runs), installation B company 002.
    schema::create_database(schema::Kind::General, schema::general_path(raiz_a()));
    schema::create_database(schema::Kind::Company, schema::company_path(raiz_a(), "001"));
    schema::create_database(schema::Kind::General, schema::general_path(raiz_b()));
    schema::create_database(schema::Kind::Company, schema::company_path(raiz_b(), "002"));
    fs::create_directories(dir / "logs");
    fs::create_directories(dir / "xdg" / "Lyr");
    std::ofstream(dir / "xdg" / "Lyr" / "Velmora2026.conf")
        << "[General]\nDirectorio=" << (dir / "logs").string() << "\n";
    entregar_al_servidor(dir.path());

    general.set_params(remota(schema::general_path(raiz_a())));
    general.execute("INSERT INTO COMPANIA (COMP_COD, COM_NOMBRE) VALUES ('001', 'Casa matriz')");
    a.set_params(remota(schema::company_path(raiz_a(), "001")));
    b.set_params(remota(schema::company_path(raiz_b(), "002")));
    socio(a, "002", host() + ":" + raiz_b().string());
    socio(b, "001", host() + ":" + raiz_a().string());
    b.execute("ALTER SEQUENCE SEQ_ENTRADAS RESTART WITH 7000");
  }

  fs::path raiz_a() const { return dir / "a"; }
  fs::path raiz_b() const { return dir / "b"; }
  std::string host() const { return srv.host; }
  db::ConnectParams remota(const std::string& path) const {
    return {host() + ":" + path, srv.usuario, srv.clave, 10};
  }

  void socio(db::Connection& c, const std::string& codigo, const std::string& raiz) {
    schema::enlazar_socio(c, codigo, raiz, srv.usuario, srv.clave);
  }

  void entrada(db::Connection& c, int id, const std::string& numero, int lineas) {
    c.execute(
        "INSERT INTO ENTRADAS (ENTR_ID, TIDO_COD, PREF_PRE, ENTR_NUMERO, ENTR_FECHA, ENTR_CONC) "
        "VALUES (?, 11, 'EN', ?, '2026-12-01', 'It''s here')",
        {Value::integer(id), Value::text(numero)});
    for (int i = 1; i <= lineas; ++i)
      c.execute(
          "INSERT INTO ENTRADAS_DETALLE (ENTR_ID, ENDE_ITEM, ARTI_COD, ENDE_CANT, ENDE_COSTO) "
          "VALUES (?, ?, 'A1', 2, 1.23456)",
          {Value::integer(id), Value::integer(i)});
  }

  void evento(db::Connection& c, const std::string& para, int iddoc, const std::string& numero) {
    c.execute(
        "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, "
        "RPEV_NUMERO, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER) VALUES (?, 11, ?, 'EN', ?, "
        "'2026-12-08', '10:00:00', 'I')",
        {Value::text(para), Value::integer(iddoc), Value::text(numero)});
  }

  // Runs the agent of company 001 for one cycle; returns its exit status.
  int agente(std::string* salida = nullptr) {
    a.disconnect();
    b.disconnect();
    general.disconnect();
    return ejecutar(orden(raiz_a(), "001", dir / "xdg"), salida);
  }

  // The command line of one unattended cycle of `codigo`'s agent, logging where the
  // configuration under `xdg` says, its output into `salida.txt` beside that folder.
  std::string orden(const fs::path& raiz, const std::string& codigo, const fs::path& xdg) const {
    // LeakSanitizer's tracer cannot stop the Firebird client's threads at every exit
    // path of the program; leaks are checked in the in-process tests instead.
    return "ASAN_OPTIONS=detect_leaks=0 XDG_CONFIG_DIRS='" + xdg.string() +
           "' '" ENVIOAUTO_EXE "' '" + host() + ":" + raiz.string() + "' '" + srv.usuario + "' '" +
           srv.clave + "' " + codigo + " --once --lock-timeout=10 > '" +
           (xdg.parent_path() / "salida.txt").string() + "' 2>&1";
  }
  static int ejecutar(const std::string& cmd, std::string* salida = nullptr) {
    int rc = std::system(cmd.c_str());
    if (salida) {
      std::string archivo = cmd.substr(cmd.rfind("> '") + 3);
      *salida = testing_support::read_file(archivo.substr(0, archivo.find('\'')));
    }
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }

  std::vector<std::string> lineas(const std::string& archivo) {
    std::istringstream in(testing_support::read_file(dir / "logs" / archivo));
    std::vector<std::string> out;
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  }

  // Company 002's agent, in installation B, logging apart from agent A.
  void preparar_agente_b() {
    db::Connection general_b("general-b");
    general_b.set_params(remota(schema::general_path(raiz_b())));
    general_b.execute("INSERT INTO COMPANIA (COMP_COD, COM_NOMBRE) VALUES ('002', 'Sucursal')");
    general_b.disconnect();
    fs::create_directories(xdg_b() / "Lyr");
    fs::create_directories(dir / "b-agente" / "logs");
    std::ofstream(xdg_b() / "Lyr" / "Velmora2026.conf")
        << "[General]\nDirectorio=" << (dir / "b-agente" / "logs").string() << "\n";
  }
  fs::path xdg_b() const { return dir / "b-agente" / "xdg"; }
  // The two directions of the two-agent tests: whose documents, copied into which
  // company, and where their ids start.
  struct Lado {
    db::Connection* origen;
    db::Connection* destino;
    const char* para;
    int base;
  };
  const Lado lados[2] = {{&a, &b, "002", 100}, {&b, &a, "001", 200}};
  // One cycle of both agents at once.
  void ambos() {
    for (db::Connection* c : {&a, &b, &general}) c->disconnect();
    int rc_a = -1, rc_b = -1;
    std::thread ta([&] { rc_a = ejecutar(orden(raiz_a(), "001", dir / "xdg")); });
    std::thread tb([&] { rc_b = ejecutar(orden(raiz_b(), "002", xdg_b())); });
    ta.join();
    tb.join();
    EXPECT_EQ(rc_a, 0) << testing_support::read_file(dir / "salida.txt");
    EXPECT_EQ(rc_b, 0) << testing_support::read_file(dir / "b-agente" / "salida.txt");
  }
  void sin_errores() {
    for (const fs::path& f :
         {dir / "logs" / "errorenvio.txt", dir / "b-agente" / "logs" / "errorenvio.txt"})
      EXPECT_TRUE(testing_support::read_file(f).empty()) << testing_support::read_file(f);
  }

  testing_support::TempDir dir;
  Servidor srv;
  db::Connection general{"general"}, a{"a"}, b{"b"};
};

}  // namespace

TEST_F(Extremo, OneCycleCarriesDocumentsBothWaysAndStampsBothQueues) {
  entrada(a, 10, "000010", 3);  // 001 -> 002: the upload phase
  evento(a, "002", 10, "000010");
  entrada(b, 20, "000020", 2);  // 002 -> 001: the download phase
  evento(b, "001", 20, "000020");

  std::string salida;
  ASSERT_EQ(agente(&salida), 0) << salida;

  db::Rows en_b =
      b.query("SELECT ENTR_ID, NUMOK, ENTR_CONC FROM ENTRADAS WHERE ENTR_NUMERO = '000010'");
  ASSERT_EQ(en_b.size(), 1u) << salida;
  EXPECT_GE(en_b.at(0, 0).as_integer(), 7000);  // a fresh id of the target's own
  EXPECT_EQ(en_b.at(0, 1).as_text(), "N");
  EXPECT_EQ(en_b.at(0, 2).as_text(), "It's here");
  db::Rows det_b = b.query("SELECT ENTR_ID, ENDE_COSTO FROM ENTRADAS_DETALLE WHERE ENTR_ID = " +
                           en_b.at(0, 0).as_text());
  ASSERT_EQ(det_b.size(), 3u);
  EXPECT_EQ(det_b.at(0, 1).as_text(), "1.2346");

  db::Rows en_a = a.query("SELECT ENTR_ID FROM ENTRADAS WHERE ENTR_NUMERO = '000020'");
  ASSERT_EQ(en_a.size(), 1u);
  EXPECT_EQ(
      a.query("SELECT COUNT(*) FROM ENTRADAS_DETALLE WHERE ENTR_ID = " + en_a.at(0, 0).as_text())
          .at(0, 0)
          .as_integer(),
      2);

  for (db::Connection* c : {&a, &b}) {
    db::Rows ev = c->query("SELECT RPEV_FECREP, RPEV_HORAREP, RPEV_ERROR FROM REPLICA_EVENTOS");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_FALSE(ev.at(0, 0).is_null()) << c->name();
    EXPECT_FALSE(ev.at(0, 1).is_null()) << c->name();
    EXPECT_TRUE(ev.at(0, 2).is_null()) << ev.at(0, 2).as_text();
  }
  std::vector<std::string> audit = lineas("ENVIO.TXT");
  ASSERT_EQ(audit.size(), 2u);
  EXPECT_NE(audit[0].find(",11,EN000020,select first 500 * from replica_eventos"),
            std::string::npos)
      << audit[0];
  EXPECT_TRUE(lineas("errorenvio.txt").empty());

  // A second run finds nothing pending and changes nothing.
  ASSERT_EQ(agente(&salida), 0) << salida;
  EXPECT_EQ(b.query("SELECT COUNT(*) FROM ENTRADAS").at(0, 0).as_integer(), 2);
  EXPECT_EQ(lineas("ENVIO.TXT").size(), 2u);
}

TEST_F(Extremo, WrongPartnerPasswordIsLoggedAndTheEventsStayPending) {
  a.execute(
      "UPDATE CONFIGURACION SET CONF_VALOR = 'wrong' WHERE CONF_PROPIEDAD = 'CLAVE DE USUARIO "
      "PARA REPLICACION DE ARTICULOS'");
  entrada(a, 10, "000010", 1);
  evento(a, "002", 10, "000010");

  std::string salida;
  EXPECT_EQ(agente(&salida), 0) << salida;  // the cycle reaches its end
  std::vector<std::string> errores = lineas("errorenvio.txt");
  // One line for the download phase's partner, one for the upload's.
  ASSERT_EQ(errores.size(), 2u) << salida;
  std::string ruta = host() + ":" + schema::company_path(raiz_b(), "002");
  EXPECT_NE(errores[0].find(",No se pudo conectar con el servidor " + ruta +
                            ": Your user name and password are not defined"),
            std::string::npos)
      << errores[0];
  EXPECT_TRUE(a.query("SELECT RPEV_FECREP FROM REPLICA_EVENTOS").at(0, 0).is_null());
}

TEST_F(Extremo, ServerRefusesAWrongPasswordWithItsOwnMessage) {
  db::Connection c("c");
  c.set_params({host() + ":" + schema::company_path(raiz_a(), "001"), srv.usuario, "wrong", 10});
  try {
    c.connect();
    FAIL() << "the server accepted a wrong password";
  } catch (const db::Error& e) {
    EXPECT_EQ(e.code(), 335544472);
    EXPECT_NE(std::string(e.what()).find("Your user name and password are not defined"),
              std::string::npos)
        << e.what();
  }
}

TEST_F(Extremo, UnreachableGeneralDatabaseEndsTheRunWithStatusOne) {
  fs::remove(schema::general_path(raiz_a()));
  std::string salida;
  EXPECT_EQ(agente(&salida), 1) << salida;
  std::vector<std::string> errores = lineas("errorenvio.txt");
  ASSERT_EQ(errores.size(), 1u) << salida;
  EXPECT_NE(errores[0].find(",,"), std::string::npos) << errores[0];  // outside any event list
  EXPECT_NE(errores[0].find("general.fdb"), std::string::npos) << errores[0];
}

// Both companies' agents run at once, round after round, each uploading its own
// documents and downloading the other's from the same queues: every document arrives
// exactly once and whole, and no event is stamped without its document complete.
TEST_F(Extremo, TwoAgentsOnTheSameQueuesCopyEveryDocumentOnceAndWhole) {
  preparar_agente_b();
  a.execute("ALTER SEQUENCE SEQ_ENTRADAS RESTART WITH 5000");

  constexpr int kRondas = 4, kPorRonda = 8;
  auto lineas_en = [](db::Connection& c, const std::string& numero) {
    db::Rows r = c.query(
        "SELECT COUNT(DISTINCT E.ENTR_ID), COUNT(D.ENDE_ITEM) FROM ENTRADAS E LEFT JOIN "
        "ENTRADAS_DETALLE D ON D.ENTR_ID = E.ENTR_ID WHERE E.ENTR_NUMERO = ?",
        {Value::text(numero)});
    return std::pair{r.at(0, 0).as_integer(), r.at(0, 1).as_integer()};
  };
  auto comprobar = [&](bool todo_sellado) {
    for (const Lado& l : lados) {
      db::Rows ev = l.origen->query(
          "SELECT RPEV_NUMERO, MAX(CASE WHEN RPEV_FECREP IS NULL THEN 1 ELSE 0 END) FROM "
          "REPLICA_EVENTOS GROUP BY RPEV_NUMERO");
      for (std::size_t i = 0; i < ev.size(); ++i) {
        std::string numero = ev.at(i, 0).as_text();
        bool pendiente = ev.at(i, 1).as_integer() == 1;
        if (todo_sellado) {
          EXPECT_FALSE(pendiente) << numero;
        }
        if (pendiente) continue;
        auto [encabezados, lineas] = lineas_en(*l.destino, numero);
        auto [_, en_origen] = lineas_en(*l.origen, numero);
        EXPECT_EQ(encabezados, 1) << numero << " stamped: exactly one copy";
        EXPECT_EQ(lineas, en_origen) << numero << " stamped: every line of the source";
      }
    }
  };

  for (int ronda = 0; ronda < kRondas; ++ronda) {
    for (const Lado& l : lados) {
      for (int k = 0; k < kPorRonda; ++k) {
        int id = l.base * 100 + ronda * kPorRonda + k;
        std::string numero = std::to_string(id);
        entrada(*l.origen, id, numero, 1 + k % 4);
        evento(*l.origen, l.para, id, numero);
      }
      // The previous round's documents change: one more line, queued again.
      for (int k = 0; ronda > 0 && k < kPorRonda; k += 2) {
        int id = l.base * 100 + (ronda - 1) * kPorRonda + k;
        l.origen->execute(
            "INSERT INTO ENTRADAS_DETALLE (ENTR_ID, ENDE_ITEM, ARTI_COD, ENDE_CANT, ENDE_COSTO) "
            "VALUES (?, ?, 'A1', 1, 2)",
            {Value::integer(id), Value::integer(100 + ronda)});
        evento(*l.origen, l.para, id, std::to_string(id));
      }
    }
    ambos();
    comprobar(false);
  }
  // Whatever one agent left to the other is taken by the next cycles.
  ambos();
  ambos();
  comprobar(true);
  sin_errores();
}

// The two companies take purchase invoices differently: 001 as invoices ("FACTURA"),
// 002 as inventory entries. Each agent reads its own company's setting, uploading and
// downloading at once, so which kind a document gets depends on which agent copies it
// first; whichever it is, every stamped invoice exists once on its target, in one kind,
// with every line, and later copies refresh that one. The rounds make sure both orders
// happen: agent A alone, agent B alone, then both at once.
TEST_F(Extremo, TwoAgentsWithDifferentPurchaseModesLeaveEachInvoiceOnceInOneKind) {
  preparar_agente_b();
  for (db::Connection* c : {&a, &b})
    c->execute(
        "INSERT INTO CONFIGURACION (CONF_MODULO, CONF_CATEGORIA, CONF_PROPIEDAD, CONF_VALOR) "
        "VALUES ('COMPRAS', 'FACTURAS', 'ENVIAR FACTURA DE COMPRA COMO ENTRADA O COMO FACTURA', "
        "?)",
        {Value::text(c == &a ? "FACTURA" : "ENTRADA")});
  a.execute("ALTER SEQUENCE SEQ_FACTURAS_COMPRA RESTART WITH 5000");
  b.execute("ALTER SEQUENCE SEQ_FACTURAS_COMPRA RESTART WITH 6000");
  auto anunciar = [](db::Connection& c, const char* para, int id) {
    c.execute(
        "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, "
        "RPEV_NUMERO, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER, RPEV_PREFDEST) VALUES (?, 21, ?, "
        "'CP', ?, '2026-12-08', '10:00:00', 'I', 'EC')",
        {Value::text(para), Value::integer(id), Value::text(std::to_string(id))});
  };
  // Headers and lines of invoice `id` on `c`, as an invoice and as an entry.
  auto copias = [](db::Connection& c, int id) {
    const std::string n = "'" + std::to_string(id) + "'";
    auto uno = [&](const std::string& sql) { return c.query(sql).at(0, 0).as_integer(); };
    return std::array<std::int64_t, 4>{
        uno("SELECT COUNT(*) FROM FACTURAS_COMPRA WHERE PREF_PRE = 'CP' AND FACO_NUMERO = " + n),
        uno("SELECT COUNT(*) FROM FACTURAS_COMPRAS_DETALLE D JOIN FACTURAS_COMPRA F ON "
            "F.FACO_ID = D.FACO_ID WHERE F.PREF_PRE = 'CP' AND F.FACO_NUMERO = " +
            n),
        uno("SELECT COUNT(*) FROM ENTRADAS WHERE ENTR_TIPOREF = 21 AND ENTR_REFER = 'CP' || " + n),
        uno("SELECT COUNT(*) FROM ENTRADAS_DETALLE D JOIN ENTRADAS E ON E.ENTR_ID = D.ENTR_ID "
            "WHERE E.ENTR_TIPOREF = 21 AND E.ENTR_REFER = 'CP' || " +
            n)};
  };
  constexpr int kRondas = 3, kPorRonda = 8;
  int facturas = 0, entradas = 0;
  auto comprobar = [&](bool todo_sellado) {
    facturas = entradas = 0;
    for (const Lado& l : lados) {
      db::Rows ev = l.origen->query(
          "SELECT RPEV_IDDOC, MAX(CASE WHEN RPEV_FECREP IS NULL THEN 1 ELSE 0 END) FROM "
          "REPLICA_EVENTOS GROUP BY RPEV_IDDOC");
      for (std::size_t i = 0; i < ev.size(); ++i) {
        const int id = static_cast<int>(ev.at(i, 0).as_integer());
        const bool pendiente = ev.at(i, 1).as_integer() == 1;
        if (todo_sellado) {
          EXPECT_FALSE(pendiente) << id;
        }
        if (pendiente) continue;
        auto [fac, lin_fac, ent, lin_ent] = copias(*l.destino, id);
        const std::int64_t en_origen =
            l.origen
                ->query("SELECT COUNT(*) FROM FACTURAS_COMPRAS_DETALLE WHERE FACO_ID = ?",
                        {Value::integer(id)})
                .at(0, 0)
                .as_integer();
        EXPECT_EQ(fac + ent, 1) << id << " stamped: exactly one copy, in one kind";
        EXPECT_EQ(lin_fac + lin_ent, en_origen) << id << " stamped: every line of the source";
        facturas += static_cast<int>(fac);
        entradas += static_cast<int>(ent);
      }
    }
  };

  for (int ronda = 0; ronda < kRondas; ++ronda) {
    for (const Lado& l : lados) {
      for (int k = 0; k < kPorRonda; ++k) {
        const int id = l.base * 100 + ronda * kPorRonda + k;
        testing_support::insertar_factura_compra(*l.origen, id, "CP", std::to_string(id),
                                                 1 + k % 3);
        anunciar(*l.origen, l.para, id);
      }
      // The previous round's invoices lose a line and are queued again.
      for (int k = 0; ronda > 0 && k < kPorRonda; k += 2) {
        const int id = l.base * 100 + (ronda - 1) * kPorRonda + k;
        l.origen->execute(
            "DELETE FROM FACTURAS_COMPRAS_DETALLE WHERE FACO_ID = ? AND FCDE_ITEM = 1",
            {Value::integer(id)});
        anunciar(*l.origen, l.para, id);
      }
    }
    // Agent A alone, then agent B alone, then both: every invoice changed in a later
    // round was copied first by one agent and is copied again by the other.
    if (ronda == 2) {
      ambos();
    } else {
      for (db::Connection* c : {&a, &b, &general}) c->disconnect();
      const bool solo_a = ronda == 0;
      EXPECT_EQ(
          ejecutar(solo_a ? orden(raiz_a(), "001", dir / "xdg") : orden(raiz_b(), "002", xdg_b())),
          0);
    }
    comprobar(false);
  }
  ambos();
  ambos();
  comprobar(true);
  EXPECT_EQ(facturas + entradas, 2 * kRondas * kPorRonda);
  std::cout << "[ info ] copied as invoices: " << facturas << ", as entries: " << entradas << "\n";
  sin_errores();
}

// A service manager stops the agent with SIGTERM in the middle of a cycle: the event in
// progress ends, the agent exits on its own with status 0, no stamped event lacks its
// document, and the agent started again carries the rest.
TEST_F(Extremo, SigtermStopsTheAgentAfterTheCurrentEventAndARestartCarriesTheRest) {
  constexpr int kDocumentos = 60;
  for (int i = 0; i < kDocumentos; ++i) {
    entrada(a, 1000 + i, std::to_string(1000 + i), 3);
    evento(a, "002", 1000 + i, std::to_string(1000 + i));
  }
  for (db::Connection* c : {&a, &b, &general}) c->disconnect();
  std::string cmd = orden(raiz_a(), "001", dir / "xdg");
  cmd = "env " + cmd.substr(0, cmd.find(" --once")) + cmd.substr(cmd.find(" --lock-timeout"));
  testing_support::EnMarcha en_marcha(cmd);
  ASSERT_TRUE(testing_support::hasta([&] { return lineas("ENVIO.TXT").size() >= 3; }, 60))
      << "the cycle did not start";
  ASSERT_GE(en_marcha.parar(SIGTERM, 30), 0) << "the agent is still running after SIGTERM";
  std::string salida = testing_support::read_file(dir / "salida.txt");
  EXPECT_EQ(en_marcha.codigo(), 0) << salida;
  EXPECT_NE(salida.find("Señal SIGTERM recibida"), std::string::npos) << salida;

  auto comprobar = [&] {
    db::Rows ev = a.query("SELECT RPEV_NUMERO, RPEV_FECREP FROM REPLICA_EVENTOS");
    int sellados = 0;
    for (std::size_t i = 0; i < ev.size(); ++i) {
      if (ev.at(i, 1).is_null()) continue;
      ++sellados;
      db::Rows copia = b.query(
          "SELECT COUNT(*) FROM ENTRADAS E JOIN ENTRADAS_DETALLE D ON D.ENTR_ID = E.ENTR_ID "
          "WHERE E.ENTR_NUMERO = ?",
          {Value::text(ev.at(i, 0).as_text())});
      EXPECT_EQ(copia.at(0, 0).as_integer(), 3) << ev.at(i, 0).as_text();
    }
    return sellados;
  };
  comprobar();
  a.disconnect();
  b.disconnect();
  ASSERT_EQ(agente(&salida), 0) << salida;
  EXPECT_EQ(comprobar(), kDocumentos);
  EXPECT_EQ(b.query("SELECT COUNT(*) FROM ENTRADAS").at(0, 0).as_integer(), kDocumentos);
}

// The stop never waits on the server: a SIGTERM that comes while the copy waits on a row
// another user holds (a lock wait of a minute) ends the agent within ten seconds with
// status 0; the event stays pending, and the next run copies the document whole.
TEST_F(Extremo, SigtermWhileACallWaitsOnALockEndsTheAgentWithinTenSeconds) {
  entrada(a, 10, "000010", 3);
  evento(a, "002", 10, "000010");
  std::string salida;
  ASSERT_EQ(agente(&salida), 0) << salida;
  a.execute("DELETE FROM ENTRADAS_DETALLE WHERE ENTR_ID = 10 AND ENDE_ITEM = 3");
  a.execute(
      "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, RPEV_NUMERO, "
      "RPEV_FECREG, RPEV_HORAREG, RPEV_OPER) VALUES ('002', 11, 10, 'EN', '000010', '2026-12-08', "
      "'11:00:00', 'M')");
  {
    // Another user holds the copy's header: refreshing it waits on the lock.
    testing_support::RowLock otro(remota(schema::company_path(raiz_b(), "002")),
                                  "UPDATE ENTRADAS SET ENTR_CONC = 'otro' WHERE ENTR_NUMERO = "
                                  "'000010'");
    std::string cmd = orden(raiz_a(), "001", dir / "xdg");
    cmd = "env " + cmd.substr(0, cmd.find(" --once")) + " --lock-timeout=60" +
          cmd.substr(cmd.find(" > '"));
    a.disconnect();
    testing_support::EnMarcha en_marcha(cmd);
    ASSERT_TRUE(testing_support::hasta([&] { return lineas("ENVIO.TXT").size() == 2; }, 60));
    std::this_thread::sleep_for(std::chrono::seconds(1));  // the refresh is waiting now
    const double t = en_marcha.parar(SIGTERM, 10);
    salida = testing_support::read_file(dir / "salida.txt");
    ASSERT_GE(t, 0) << "still running 10 s after SIGTERM\n" << salida;
    EXPECT_EQ(en_marcha.codigo(), 0) << salida;
    std::cout << "[ info ] SIGTERM during a lock wait: ended in " << t << " s\n";
  }
  EXPECT_EQ(a.query("SELECT COUNT(*) FROM REPLICA_EVENTOS WHERE RPEV_FECREP IS NULL "
                    "AND RPEV_ERROR IS NULL")
                .at(0, 0)
                .as_integer(),
            1)
      << "the event cut by the stop stays pending, without an error of its own";
  ASSERT_EQ(agente(&salida), 0) << salida;
  EXPECT_EQ(b.query("SELECT COUNT(*) FROM ENTRADAS_DETALLE D JOIN ENTRADAS E ON E.ENTR_ID = "
                    "D.ENTR_ID WHERE E.ENTR_NUMERO = '000010'")
                .at(0, 0)
                .as_integer(),
            2);
  EXPECT_EQ(
      b.query("SELECT ENTR_CONC FROM ENTRADAS WHERE ENTR_NUMERO = '000010'").at(0, 0).as_text(),
      "It's here");
}
