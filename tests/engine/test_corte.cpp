// The partner's link dies at every step of a document's copy in turn: the agent never
// stops (no exception escapes the cycle), never stamps the document incomplete, and the
// next cycle over a sound link leaves exactly one whole copy. A link that goes silent is
// cut at its bound; one that is only slow is not.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "db/fb.h"
#include "db/textos.h"
#include "schema/esquema.h"
#include "support/bloqueo.h"
#include "support/enlace.h"
#include "support/escenario.h"

namespace fs = std::filesystem;
using agente::Resultado;
using testing_support::contar;
using testing_support::error_de;
using testing_support::Escenario;
using testing_support::insertar_entrada;
using testing_support::insertar_evento;
using testing_support::pendiente;

namespace {

using Reloj = std::chrono::steady_clock;

double segundos_desde(Reloj::time_point t) {
  return std::chrono::duration<double>(Reloj::now() - t).count();
}

class Corte : public Escenario {
 protected:
  void SetUp() override {
    const char* host = std::getenv("ENVIO_E2E_SERVER");
    if (!host || !*host) GTEST_SKIP() << "ENVIO_E2E_SERVER not set: no Firebird server";
    const char* u = std::getenv("ENVIO_E2E_USER");
    const char* p = std::getenv("ENVIO_E2E_PASSWORD");
    usuario = u ? u : "SYSDBA";
    clave = p ? p : "";
    // Company 002 is served by the server (as its own user), through the link.
    bd2.disconnect();
    socio.disconnect();
    ::chmod(dir.path().c_str(), 0777);
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
      ::chmod(e.path().c_str(), e.is_directory() ? 0777 : 0666);
    bd2.set_params(
        {std::string(host) + ":" + schema::company_path(raiz, "002"), usuario, clave, 10});
    testing_support::configurar(bd1, "INVENTARIO", "ARTICULOS",
                                "NOMBRE DE USUARIO PARA REPLICACION DE ARTICULOS", usuario);
    testing_support::configurar(bd1, "INVENTARIO", "ARTICULOS",
                                "CLAVE DE USUARIO PARA REPLICACION DE ARTICULOS", clave);
    vista.op.servidor_socios = enlace.prefijo() + raiz.string();
  }

  std::string ruta_socio() const {
    return enlace.prefijo() + raiz.string() + "/datos/002/velmora.fdb";
  }
  // Every document `n` of `desde`.. is on 002 once, with its `lineas` lines.
  void completos(int desde, int n, int lineas) {
    for (int id = desde; id < desde + n; ++id) {
      db::Rows h = testing_support::filas(
          bd2, "SELECT ENTR_ID FROM ENTRADAS WHERE ENTR_NUMERO = '" + std::to_string(id) + "'");
      ASSERT_EQ(h.size(), 1u) << id;
      EXPECT_EQ(contar(bd2, "ENTRADAS_DETALLE", "ENTR_ID = " + h.at(0, 0).as_text()), lineas) << id;
    }
  }

  testing_support::Enlace enlace;
  std::string usuario, clave;
};

TEST_F(Corte, ALinkCutAtAnyStepNeverStampsADocumentIncompleteNorStopsTheAgent) {
  insertar_entrada(bd1, 7, "EN", "000007", 3);
  std::int64_t ev = insertar_evento(
      bd1, {.compania = "002", .tipo = 11, .iddoc = 7, .pref = "EN", .numero = "000007"});
  auto completo = [&] {
    db::Rows h = testing_support::filas(bd2, "SELECT ENTR_ID FROM ENTRADAS");
    return h.size() == 1 &&
           contar(bd2, "ENTRADAS_DETALLE", "ENTR_ID = " + h.at(0, 0).as_text()) == 3;
  };
  int cortes = 0;
  for (int n = 1; n < 400; ++n) {
    // Each round copies the document again ("M": the replace path after the first copy).
    bd1.execute(
        "UPDATE REPLICA_EVENTOS SET RPEV_FECREP = NULL, RPEV_HORAREP = NULL, RPEV_OPER = "
        "'M' WHERE RPEV_ID = " +
        std::to_string(ev));
    enlace.cortar_tras(n);
    Resultado r = ciclo.ejecutar();
    bd2.disconnect();
    EXPECT_NE(r, Resultado::EnCurso);
    EXPECT_LE(contar(bd2, "ENTRADAS"), 1) << "cut at message " << n;
    if (!pendiente(bd1, ev)) {
      EXPECT_TRUE(completo()) << "stamped incomplete, cut at message " << n;
    }
    if (!enlace.cortado()) break;  // the whole cycle fitted before the cut
    ++cortes;
  }
  EXPECT_GT(cortes, 10) << "the link was cut at every step";
  enlace.cortar_tras(-1);
  bd1.execute("UPDATE REPLICA_EVENTOS SET RPEV_FECREP = NULL, RPEV_OPER = 'M'");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_FALSE(pendiente(bd1, ev));
  EXPECT_TRUE(completo());
}

}  // namespace

namespace {

constexpr int kLimite = 2;  // seconds a link may stay silent in these tests

// A partner that stops answering in the middle of a document: the copy is cut at the
// bound, opening the link again is given up at the connect timeout, and the cycle ends;
// the event carries why. A later cycle over a sound link copies every document whole.
TEST_F(Corte, APartnerThatStopsAnsweringMidDocumentIsCutAtTheBoundAndALaterCycleCopiesAllWhole) {
  for (int id = 100; id < 110; ++id) {
    insertar_entrada(bd1, id, "EN", std::to_string(id), 5);
    insertar_evento(
        bd1,
        {.compania = "002", .tipo = 11, .iddoc = id, .pref = "EN", .numero = std::to_string(id)});
  }
  ciclo.poner_limite_operacion(kLimite);
  enlace.congelar_tras(60);  // a few documents in
  auto t = Reloj::now();
  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);
  const double s = segundos_desde(t);
  EXPECT_LT(s, kLimite + 15 + 10) << "bound, then the connect timeout of opening it again";
  std::cout << "[ info ] frozen mid-document: the cycle ended in " << s << " s\n";
  db::Rows cortado = testing_support::filas(
      bd1,
      "SELECT RPEV_ID FROM REPLICA_EVENTOS WHERE RPEV_FECREP IS NULL AND RPEV_ERROR IS NOT NULL");
  ASSERT_EQ(cortado.size(), 1u);
  EXPECT_EQ(error_de(bd1, cortado.at(0, 0).as_integer()),
            db::textos::enlace_mudo(ruta_socio(), kLimite));

  enlace.descongelar();
  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(contar(bd1, "REPLICA_EVENTOS", "RPEV_FECREP IS NULL"), 0);
  completos(100, 10, 5);
  EXPECT_EQ(contar(bd2, "ENTRADAS"), 10);
}

// A long document read through a slow link keeps arriving: it is copied whole, however
// much longer than the bound its reads take (the header's two megabytes of notes alone
// take some sixty round trips).
TEST_F(Corte, ALongDocumentReadThroughASlowLinkIsCopiedNotCut) {
  insertar_entrada(bd2, 500, "EN", "000500", 1);
  bd2.execute(
      "EXECUTE BLOCK AS DECLARE I INTEGER = 2; BEGIN WHILE (I <= 2000) DO BEGIN INSERT INTO "
      "ENTRADAS_DETALLE (ENTR_ID, ENDE_ITEM, BODE_COD, ARTI_COD, ENDE_CANT, ENDE_UNIDAD, "
      "ENDE_FACTOR, ENDE_DESC, ENDE_COSTO, ENDE_TOTAL) SELECT ENTR_ID, :I, BODE_COD, ARTI_COD || "
      ":I, :I, ENDE_UNIDAD, ENDE_FACTOR, ENDE_DESC, ENDE_COSTO, ENDE_TOTAL FROM ENTRADAS_DETALLE "
      "WHERE ENTR_ID = 500 AND ENDE_ITEM = 1; I = I + 1; END END");
  bd2.execute("UPDATE ENTRADAS SET ENTR_OBS = ? WHERE ENTR_ID = 500",
              {db::Value::blob(std::string(2 << 20, 'x'))});
  insertar_evento(bd2,
                  {.compania = "001", .tipo = 11, .iddoc = 500, .pref = "EN", .numero = "000500"});
  // The lines are written one by one into 001: without waiting for the disk at each,
  // the test times the link, not the disk.
  {
    db::fb::Status st;
    Firebird::IXpbBuilder* dpb =
        db::fb::util()->getXpbBuilder(st.get(), Firebird::IXpbBuilder::DPB, nullptr, 0);
    dpb->insertString(st.get(), isc_dpb_user_name, schema::kUser);
    dpb->insertInt(st.get(), isc_dpb_force_write, 0);
    Firebird::IAttachment* att = db::fb::provider()->attachDatabase(
        st.get(), bd1.params().database.c_str(), dpb->getBufferLength(st.get()),
        dpb->getBuffer(st.get()));
    dpb->dispose();
    att->detach(st.get());
  }
  ciclo.poner_limite_operacion(1);
  enlace.demorar(std::chrono::milliseconds(50));
  auto t = Reloj::now();
  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);
  std::cout << "[ info ] 2,000 lines through a link of 50 ms per round trip: " << segundos_desde(t)
            << " s, " << enlace.viajes() << " round trips\n";
  EXPECT_TRUE(errores_log().empty()) << errores_log().front();
  EXPECT_EQ(contar(bd1, "ENTRADAS_DETALLE"), 2000);
  EXPECT_FALSE(
      testing_support::filas(bd2, "SELECT RPEV_FECREP FROM REPLICA_EVENTOS").at(0, 0).is_null());
}

// A call that waits longer than the bound on a partner that is alive (here a row lock
// held elsewhere) is cut, the event carries why and sorts behind the others, and the
// partner's other events are copied in the same cycle over a link opened again.
TEST_F(Corte, ACutEventCarriesItsReasonAndThePartnersOtherEventsGoOnInTheSameCycle) {
  for (int id : {201, 202, 203}) insertar_entrada(bd1, id, "EN", std::to_string(id), 2);
  insertar_evento(bd1,
                  {.compania = "002", .tipo = 11, .iddoc = 202, .pref = "EN", .numero = "202"});
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);  // 202 has its copy on 002
  for (int id : {201, 202, 203})
    insertar_evento(bd1, {.compania = "002",
                          .tipo = 11,
                          .iddoc = id,
                          .pref = "EN",
                          .numero = std::to_string(id),
                          .horareg = db::Time{8, 0, id - 200, 0},
                          .oper = id == 202 ? "M" : "I"});
  db::Rows ev202 = testing_support::filas(
      bd1, "SELECT RPEV_ID FROM REPLICA_EVENTOS WHERE RPEV_FECREP IS NULL AND RPEV_IDDOC = 202");
  ASSERT_EQ(ev202.size(), 1u);
  {
    // Another user holds 202's copy on 002 longer than the bound.
    testing_support::RowLock otro(
        bd2.params(), "UPDATE ENTRADAS SET ENTR_CONC = 'otro' WHERE ENTR_NUMERO = '202'");
    socio.disconnect();
    ciclo.poner_espera_bloqueo(20);
    ciclo.poner_limite_operacion(kLimite);
    auto t = Reloj::now();
    EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);
    EXPECT_LT(segundos_desde(t), 15);
  }
  EXPECT_EQ(error_de(bd1, ev202.at(0, 0).as_integer()),
            db::textos::enlace_mudo(ruta_socio(), kLimite));
  EXPECT_EQ(contar(bd1, "REPLICA_EVENTOS", "RPEV_FECREP IS NULL"), 1) << "201 and 203 went on";
  completos(201, 1, 2);
  completos(203, 1, 2);
  // With the lock gone the next cycle refreshes 202.
  socio.disconnect();
  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(contar(bd1, "REPLICA_EVENTOS", "RPEV_FECREP IS NULL"), 0);
  completos(202, 1, 2);
}

}  // namespace
