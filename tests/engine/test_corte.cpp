// The partner's link dies at every step of a document's copy in turn: the agent never
// stops (no exception escapes the cycle), never stamps the document incomplete, and the
// next cycle over a sound link leaves exactly one whole copy.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "schema/esquema.h"
#include "support/enlace.h"
#include "support/escenario.h"

namespace fs = std::filesystem;
using agente::Resultado;
using testing_support::contar;
using testing_support::Escenario;
using testing_support::insertar_entrada;
using testing_support::insertar_evento;
using testing_support::pendiente;

namespace {

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
