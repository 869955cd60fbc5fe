// Stopping the real program on the embedded engine: a service manager's SIGTERM, or the
// SIGHUP of a terminal that closed, in the middle of a cycle or between two (the queue's
// listener attached), ends the agent within ten seconds with status 0, and nothing is left
// half copied.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "agente/despertador.h"
#include "db/avisos.h"
#include "db/connection.h"
#include "schema/esquema.h"
#include "support/proceso.h"
#include "support/temp.h"

namespace fs = std::filesystem;
using db::Value;
using testing_support::EnMarcha;
using testing_support::hasta;
using testing_support::read_file;

namespace {

class Parada : public ::testing::Test {
 protected:
  void SetUp() override {
    // One installation holds both companies; 001's agent uploads to 002.
    schema::create_installation(raiz(), {"001", "002"});
    fs::create_directories(dir / "logs");
    fs::create_directories(dir / "xdg" / "Lyr");
    std::ofstream(dir / "xdg" / "Lyr" / "Velmora2026.conf")
        << "[General]\nDirectorio=" << (dir / "logs").string() << "\n";
    a.set_params({schema::company_path(raiz(), "001"), schema::kUser, schema::kPassword, 10});
    b.set_params({schema::company_path(raiz(), "002"), schema::kUser, schema::kPassword, 10});
    schema::enlazar_socio(a, "002", raiz().string(), schema::kUser, schema::kPassword);
  }

  fs::path raiz() const { return dir / "inst"; }

  void entradas(int desde, int n) {
    for (int id = desde; id < desde + n; ++id) {
      a.execute(
          "INSERT INTO ENTRADAS (ENTR_ID, TIDO_COD, PREF_PRE, ENTR_NUMERO, ENTR_FECHA) VALUES "
          "(?, 11, 'EN', ?, '2026-12-01')",
          {Value::integer(id), Value::text(std::to_string(id))});
      for (int i = 1; i <= 3; ++i)
        a.execute(
            "INSERT INTO ENTRADAS_DETALLE (ENTR_ID, ENDE_ITEM, ARTI_COD, ENDE_CANT, ENDE_COSTO) "
            "VALUES (?, ?, 'A1', 2, 1.5)",
            {Value::integer(id), Value::integer(i)});
      a.execute(
          "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, "
          "RPEV_NUMERO, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER) VALUES ('002', 11, ?, 'EN', ?, "
          "'2026-12-08', '10:00:00', 'I')",
          {Value::integer(id), Value::text(std::to_string(id))});
    }
  }

  // The agent of 001, unattended, cycle after cycle; the embedded engine wants the
  // databases to itself, so the test lets go of them first.
  std::string orden() {
    a.disconnect();
    b.disconnect();
    return "env ASAN_OPTIONS=detect_leaks=0 XDG_CONFIG_DIRS='" + (dir / "xdg").string() + "' '" +
           ENVIOAUTO_EXE "' '" + raiz().string() + "' " + schema::kUser + " " + schema::kPassword +
           " 001 > '" + (dir / "salida.txt").string() + "' 2>&1";
  }
  std::size_t auditadas() {
    std::istringstream in(read_file(dir / "logs" / "ENVIO.TXT"));
    std::size_t n = 0;
    for (std::string l; std::getline(in, l);) ++n;
    return n;
  }
  std::string salida() { return read_file(dir / "salida.txt"); }

  // Every stamped event has its whole document on 002, once; returns how many are.
  int sellados_completos() {
    db::Rows ev = a.query("SELECT RPEV_NUMERO FROM REPLICA_EVENTOS WHERE RPEV_FECREP IS NOT NULL");
    for (std::size_t i = 0; i < ev.size(); ++i) {
      db::Rows copia = b.query(
          "SELECT COUNT(DISTINCT E.ENTR_ID), COUNT(*) FROM ENTRADAS E JOIN ENTRADAS_DETALLE D ON "
          "D.ENTR_ID = E.ENTR_ID WHERE E.ENTR_NUMERO = ?",
          {Value::text(ev.at(i, 0).as_text())});
      EXPECT_EQ(copia.at(0, 0).as_integer(), 1) << ev.at(i, 0).as_text();
      EXPECT_EQ(copia.at(0, 1).as_integer(), 3) << ev.at(i, 0).as_text();
    }
    return static_cast<int>(ev.size());
  }

  testing_support::TempDir dir;
  db::Connection a{"a"}, b{"b"};
};

TEST_F(Parada, ASignalMidCycleOrBetweenCyclesEndsTheAgentWithinTenSecondsAndLeavesNothingHalfDone) {
  constexpr int kDocumentos = 120;
  entradas(1000, kDocumentos);
  {
    EnMarcha agente(orden());
    ASSERT_TRUE(hasta([&] { return auditadas() >= 3; }, 60)) << salida();
    const double t = agente.parar(SIGTERM, 10);
    ASSERT_GE(t, 0) << "still running 10 s after SIGTERM mid-cycle\n" << salida();
    EXPECT_EQ(agente.codigo(), 0) << salida();
    EXPECT_NE(salida().find("Señal SIGTERM recibida"), std::string::npos) << salida();
    std::cout << "[ info ] SIGTERM mid-cycle: ended in " << t << " s\n";
  }
  const int tras_la_primera = sellados_completos();
  EXPECT_LT(tras_la_primera, kDocumentos) << "the signal came after the cycle";

  // Started again, the agent carries the rest; between two cycles a closed terminal's
  // SIGHUP stops it as SIGTERM does.
  {
    EnMarcha agente(orden());
    ASSERT_TRUE(hasta([&] { return salida().find("Ciclo completo.") != std::string::npos; }, 120))
        << salida();
    // The queue's listener holds an attachment of its own meanwhile.
    const std::string escucha =
        agente::escuchando_cola(schema::company_path(raiz(), "001"), db::kEventoCola);
    EXPECT_TRUE(hasta([&] { return salida().find(escucha) != std::string::npos; }, 10)) << salida();
    const double t = agente.parar(SIGHUP, 10);
    ASSERT_GE(t, 0) << "still running 10 s after SIGHUP between cycles\n" << salida();
    EXPECT_EQ(agente.codigo(), 0) << salida();
    EXPECT_NE(salida().find("Señal SIGHUP recibida"), std::string::npos) << salida();
    std::cout << "[ info ] SIGHUP between cycles: ended in " << t << " s\n";
  }
  EXPECT_EQ(sellados_completos(), kDocumentos);
  EXPECT_EQ(b.query("SELECT COUNT(*) FROM ENTRADAS").at(0, 0).as_integer(), kDocumentos);
  EXPECT_EQ(b.query("SELECT COUNT(*) FROM ENTRADAS_DETALLE").at(0, 0).as_integer(),
            3 * kDocumentos);
}

}  // namespace
