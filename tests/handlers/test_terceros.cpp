// Third parties and accounting interfaces through whole cycles, in both phases, beyond
// what every master-data code does (test_articulos.cpp): a third party's records
// travel on their own events, and an interface is a header with its account rows.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "support/terceros_datos.h"

using agente::Resultado;
using engine::Fase;
using testing_support::CasoMaestro;
using testing_support::contar;
using testing_support::error_de;
using testing_support::filas;
using testing_support::insertar_caso;
using testing_support::mismas_filas;
using testing_support::nombre_fase;
using testing_support::pendiente;

namespace {

class Terceros : public testing_support::EscenarioMaestro,
                 public ::testing::WithParamInterface<Fase> {
 protected:
  void SetUp() override { fase = GetParam(); }
  const CasoMaestro& bancos = testing_support::caso_tercero(111);
  const testing_support::InterfazPrueba& nombres = testing_support::interfaces_prueba()[0];
  db::Rows encabezado(db::Connection& c) { return de(c, bancos.tablas[0]); }
  db::Rows cuentas(db::Connection& c) { return de(c, bancos.tablas[1]); }
};

INSTANTIATE_TEST_SUITE_P(Terceros, Terceros, ::testing::Values(Fase::Descarga, Fase::Subida),
                         nombre_fase);

TEST_P(Terceros, CustomerRecordIsRefreshedSupplierRecordInsertedAndDeletingTheThirdPartyKeepsThem) {
  const CasoMaestro& tercero = testing_support::caso_tercero(102);
  const CasoMaestro& cliente = testing_support::caso_tercero(103);
  const CasoMaestro& proveedor = testing_support::caso_tercero(104);
  for (const CasoMaestro* c : {&tercero, &cliente, &proveedor}) insertar_caso(origen(), *c, 2);
  insertar_caso(destino(), tercero, 1);
  insertar_caso(destino(), cliente, 1);
  std::int64_t ev_cliente = evento(cliente, "I");
  std::int64_t ev_proveedor = evento(proveedor, "I");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  for (const CasoMaestro* c : {&cliente, &proveedor})
    mismas_filas(de(destino(), c->tablas[0]), de(origen(), c->tablas[0]));
  EXPECT_FALSE(pendiente(origen(), ev_cliente));
  EXPECT_FALSE(pendiente(origen(), ev_proveedor));

  std::int64_t borrar = evento(tercero, "D");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "TERCEROS"), 0);
  EXPECT_EQ(contar(destino(), "CLIENTES"), 1);
  EXPECT_EQ(contar(destino(), "PROVEEDORES"), 1);
  EXPECT_FALSE(pendiente(origen(), borrar));
}

TEST_P(Terceros, AccountRowsTheSourceDropsStayOnTheTarget) {
  insertar_caso(origen(), bancos, 1);
  std::int64_t ev = evento(bancos, "I");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  ASSERT_EQ(cuentas(destino()).size(), 3u);
  db::Rows tercera =
      filas(destino(), "SELECT * FROM " + nombres.cuentas + " WHERE " + nombres.item + " = 3");

  // The interface shrinks at the source: account 3 removed, account 1 changed.
  origen().execute("DELETE FROM " + nombres.cuentas + " WHERE " + nombres.item + " = 3");
  origen().execute("UPDATE " + nombres.cuentas + " SET CUEN_COD = '999999' WHERE " + nombres.item +
                   " = 1");
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows t = cuentas(destino());
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t.at(0, "CUEN_COD").as_text(), "999999");
  mismas_filas(
      filas(destino(), "SELECT * FROM " + nombres.cuentas + " WHERE " + nombres.item + " = 3"),
      tercera);
  EXPECT_FALSE(pendiente(origen(), ev));
}

// Each apply of the interface counts: a header the target refuses keeps the event
// pending although every account row after it was accepted.
TEST_P(Terceros, RejectedHeaderKeepsTheEventPendingWhileItsAccountRowsArrive) {
  alterar(destino(), "ALTER TABLE " + nombres.encabezado +
                         " ADD CONSTRAINT CK_PRUEBA_INTERFAZ CHECK (INBA_NOMBRE <> 'Interfaz 2')");
  insertar_caso(origen(), bancos, 2);
  std::int64_t ev = evento(bancos, "I");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_TRUE(encabezado(destino()).empty());
  mismas_filas(cuentas(destino()), cuentas(origen()));
  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("CK_PRUEBA_INTERFAZ"), std::string::npos) << *error;

  alterar(destino(), "ALTER TABLE " + nombres.encabezado + " DROP CONSTRAINT CK_PRUEBA_INTERFAZ");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  mismas_filas(encabezado(destino()), encabezado(origen()));
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(Terceros, InterfaceGoneFromTheSourceCopiesNoneOfItsAccountRows) {
  insertar_caso(origen(), bancos, 1, 0);  // account rows left behind by a removed header
  std::int64_t ev = evento(bancos, "D");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), nombres.cuentas), 0);
  EXPECT_FALSE(pendiente(origen(), ev));
}

}  // namespace
