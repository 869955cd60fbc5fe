// Bank documents (71 to 77) through whole cycles, in either phase: the source side is
// where the event lives, the target side the other company. A bank document is found
// by its account (RPEV_CODIGO), bank prefix and number.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/cartera_datos.h"
#include "support/escenario.h"

using agente::Resultado;
using db::Value;
using engine::Fase;
using namespace testing_support;

namespace {

Value txt(const char* s) { return Value::text(s); }
Value ent(std::int64_t n) { return Value::integer(n); }

const std::vector<const TablaDoc*> kBancos{&kConsignacion,    &kCheque,           &kRetiro,
                                           &kNotaDebitoBanco, &kNotaCreditoBanco, &kTraslado,
                                           &kDevolucionCheque};

// The account every scenario document belongs to; its code holds a quote.
constexpr const char* kCuenta = "O'HARA-01";

class Bancos : public Tesoreria {
 protected:
  void crear(const TablaDoc& t, db::Connection& c, std::int64_t id, const char* cuenta,
             const char* numero, const std::vector<std::int64_t>& items = {}) {
    insertar_documento(c, t, id, "BC", numero, {{"CUBA_COD", txt(cuenta)}});
    for (std::int64_t item : items) insertar_linea(c, "CONSIGNA_DETALLE", {ent(id), ent(item)});
  }
};
INSTANTIATE_TEST_SUITE_P(Bancos, Bancos, ::testing::Values(Fase::Descarga, Fase::Subida),
                         nombre_fase);

TEST_P(Bancos, EveryBankDocumentArrivesUnderTheIdOfItsProcedure) {
  std::vector<std::int64_t> ids, eventos;
  std::int64_t id = 7;
  for (const TablaDoc* t : kBancos) {
    ids.push_back(reiniciar(*t, 1000 * t->tipo));
    crear(*t, origen(), id, kCuenta, "000010", {1, 2});
    eventos.push_back(anunciar(t->tipo, id, "BC", "000010", "I", kCuenta));
    ++id;
  }

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  for (std::size_t k = 0; k < kBancos.size(); ++k) {
    const TablaDoc& t = *kBancos[k];
    SCOPED_TRACE(t.tabla);
    db::Rows h = documento(destino(), t, "BC", "000010", kCuenta);
    ASSERT_EQ(h.size(), 1u);
    EXPECT_EQ(h.at(0, 0), ent(ids[k]));
    mismas_columnas(h, 0, documento(origen(), t, "BC", "000010", kCuenta), 0, 1);
    EXPECT_FALSE(pendiente(origen(), eventos[k]));
  }
  db::Rows l = lineas_doc(destino(), "CONSIGNA_DETALLE", ids[0]);
  ASSERT_EQ(l.size(), 2u);
  for (std::size_t i = 0; i < l.size(); ++i) EXPECT_EQ(l.at(i, 0), ent(ids[0]));
  mismas_filas(l, lineas_doc(origen(), "CONSIGNA_DETALLE", 7), 1);
  EXPECT_EQ(contar(destino(), "CONSIGNA_DETALLE"), 2);
  EXPECT_TRUE(errores_log().empty());
}

TEST_P(Bancos, TheAccountCodeIsMatchedAsWrittenQuoteIncluded) {
  // The same prefix and number on three accounts of the target.
  std::int64_t id = 50;
  for (const char* cuenta : {kCuenta, "OHARA-01", "OTRA"}) {
    crear(kCheque, destino(), id++, cuenta, "000010");
    crear(kNotaCreditoBanco, destino(), id++, cuenta, "000010");
    crear(kDevolucionCheque, destino(), id++, cuenta, "000010");
    crear(kConsignacion, destino(), id++, cuenta, "000010", {1});
  }
  crear(kCheque, origen(), 7, kCuenta, "000010");
  origen().execute("UPDATE CHEQUES SET CHEQ_CONC = 'Reemplazado' WHERE CHEQ_ID = 7");
  const auto todas = [&] {
    std::vector<db::Rows> v;
    for (const TablaDoc* t : {&kCheque, &kNotaCreditoBanco, &kDevolucionCheque, &kConsignacion})
      v.push_back(todo(destino(), t->tabla));
    return v;
  };
  const std::vector<db::Rows> antes = todas();
  const std::vector<std::int64_t> eventos{
      anunciar(72, 7, "BC", "000010", "I", kCuenta), anunciar(75, 7, "BC", "000010", "A", kCuenta),
      anunciar(77, 7, "BC", "000010", "A", kCuenta), anunciar(71, 7, "BC", "000010", "D", kCuenta),
      // A code that would widen the lookup if it were spliced as it is.
      anunciar(71, 7, "BC", "000010", "D", "X' OR CUBA_COD <> 'X"),
      anunciar(72, 7, "BC", "000010", "A", "OTRA' OR '1' = '1")};

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  for (std::int64_t ev : eventos) EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_TRUE(errores_log().empty());
  const std::vector<db::Rows> despues = todas();
  // Row 0 of every table is the account with the quote; rows 1 and 2 stay as they were.
  EXPECT_EQ(despues[0].at(0, "CHEQ_ID"), ent(50)) << "the cheque keeps its target id";
  EXPECT_EQ(despues[0].at(0, "CHEQ_CONC"), txt("Reemplazado"));
  EXPECT_EQ(despues[1].at(0, "NCBC_ANULADO"), txt("S"));
  mismas_columnas(despues[1], 0, antes[1], 0, 0, {"NCBC_ANULADO"});
  EXPECT_EQ(despues[2].at(0, "DVCH_ANULADO"), txt("S")) << "found by DVCH_NUMDOC";
  ASSERT_EQ(despues[3].size(), 2u) << "the deposit under the quoted account is gone";
  EXPECT_EQ(contar(destino(), "CONSIGNA_DETALLE"), 3) << "its lines are left to the target";
  for (std::size_t t = 0; t < 3; ++t) {
    ASSERT_EQ(despues[t].size(), 3u);
    for (std::size_t r = 1; r < 3; ++r) mismas_columnas(despues[t], r, antes[t], r, 0);
  }
  for (std::size_t r = 0; r < 2; ++r) mismas_columnas(despues[3], r, antes[3], r + 1, 0);
}

TEST_P(Bancos, DepositReplayReplacesItsLinesAndARejectedLineRemovesIt) {
  const std::int64_t id = reiniciar(kConsignacion, 71000);
  crear(kConsignacion, origen(), 7, kCuenta, "000010", {1, 2, 3});
  const std::int64_t ev = anunciar(71, 7, "BC", "000010", "I", kCuenta);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  origen().execute("DELETE FROM CONSIGNA_DETALLE WHERE CONS_ID = 7 AND CODE_ITEM = 2");
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  ASSERT_EQ(documento(destino(), kConsignacion, "BC", "000010", kCuenta).at(0, 0), ent(id));
  mismas_filas(lineas_doc(destino(), "CONSIGNA_DETALLE", id),
               lineas_doc(origen(), "CONSIGNA_DETALLE", 7), 1);
  EXPECT_EQ(contar(destino(), "CONSIGNA_DETALLE"), 2);
  EXPECT_FALSE(pendiente(origen(), ev));

  alterar(destino(),
          "ALTER TABLE CONSIGNA_DETALLE ADD CONSTRAINT CK_PRUEBA_ITEM CHECK (CODE_ITEM <> 3)");
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "CONSIGNA"), 0);
  EXPECT_EQ(contar(destino(), "CONSIGNA_DETALLE"), 0);
  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("CK_PRUEBA_ITEM"), std::string::npos) << *error;
}

}  // namespace
