// Receivables and payables documents (41, 42, 43, 45, 51, 52, 53, 55) through whole
// cycles, in either phase: the source side is where the event lives, the target side
// the other company.
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

// An application line: the applied document's type code (none: NULL), its id in the
// line's database, prefix and number; the value is 10 * item.
struct Aplicado {
  std::optional<int> tipo;
  std::int64_t id;
  const char* pref;
  const char* numero;
};
void aplicar_lineas(db::Connection& c, const TablaDoc& t, std::int64_t id,
                    const std::vector<Aplicado>& lineas) {
  for (std::size_t i = 0; i < lineas.size(); ++i) {
    const Aplicado& a = lineas[i];
    const std::int64_t item = static_cast<std::int64_t>(i) + 1;
    insertar_valores(c, t.detalles.at(0),
                     {Value::integer(id), Value::integer(item),
                      a.tipo ? Value::integer(*a.tipo) : Value(), Value::integer(a.id), txt(a.pref),
                      txt(a.numero), Value::integer(1), Value::fixed(10 * item, 0),
                      Value::fixed(25, -2), Value::text("aplica " + std::to_string(item))});
  }
}

class Cartera : public Tesoreria {};
INSTANTIATE_TEST_SUITE_P(Cartera, Cartera, ::testing::Values(Fase::Descarga, Fase::Subida),
                         nombre_fase);

TEST_P(Cartera, EveryTypeArrivesUnderTheIdOfItsProcedureAndCodes44And54AreOnlyStamped) {
  // The customer notes share one procedure: the credit note takes the debit notes' id.
  const std::int64_t notas = reiniciar(kNotaDebitoCliente, 1000);
  const std::vector<std::pair<const TablaDoc*, std::int64_t>> tipos{
      {&kNotaDebitoCliente, notas},
      {&kNotaCreditoCliente, notas + 1},
      {&kAplicacionCliente, reiniciar(kAplicacionCliente, 2000)},
      {&kAnticipoCliente, reiniciar(kAnticipoCliente, 3000)},
      {&kNotaDebitoProveedor, reiniciar(kNotaDebitoProveedor, 4000)},
      {&kNotaCreditoProveedor, reiniciar(kNotaCreditoProveedor, 5000)},
      {&kAplicacionProveedor, reiniciar(kAplicacionProveedor, 6000)},
      {&kAnticipoProveedor, reiniciar(kAnticipoProveedor, 7000)}};
  std::vector<std::int64_t> eventos;
  std::int64_t id = 7;
  for (const auto& [t, esperado] : tipos) {
    insertar_documento(
        origen(), *t, id, "CA", "0000" + std::to_string(id),
        {{std::string(t->p) + "_OBS", Value::blob("notas\nde " + std::string(t->tabla))}});
    if (!t->detalles.empty())
      aplicar_lineas(origen(), *t, id, {{99, 500, "XX", "000001"}, {99, 501, "XX", "000002"}});
    eventos.push_back(anunciar(t->tipo, id, "CA", "0000" + std::to_string(id)));
    ++id;
  }
  const std::int64_t e44 = anunciar(44, 7, "CA", "00007"), e54 = anunciar(54, 11, "CA", "000011");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  id = 7;
  for (std::size_t k = 0; k < tipos.size(); ++k, ++id) {
    const auto& [t, esperado] = tipos[k];
    SCOPED_TRACE(t->tabla);
    db::Rows h = documento(destino(), *t, "CA", "0000" + std::to_string(id));
    ASSERT_EQ(h.size(), 1u);
    EXPECT_EQ(h.at(0, 0), Value::integer(esperado));
    mismas_columnas(h, 0, documento(origen(), *t, "CA", "0000" + std::to_string(id)), 0, 1);
    for (const char* detalle : t->detalles) {
      db::Rows l = lineas_doc(destino(), detalle, esperado);
      ASSERT_EQ(l.size(), 2u);
      for (std::size_t i = 0; i < l.size(); ++i) EXPECT_EQ(l.at(i, 0), Value::integer(esperado));
      mismas_filas(l, lineas_doc(origen(), detalle, id), 1);
      EXPECT_EQ(contar(destino(), detalle), 2);
    }
    EXPECT_FALSE(pendiente(origen(), eventos[k]));
  }
  EXPECT_EQ(valor_secuencia(destino(), "SEQ_NOTAS_CLIENTES"), notas + 1);
  EXPECT_FALSE(pendiente(origen(), e44));
  EXPECT_FALSE(pendiente(origen(), e54));
  EXPECT_TRUE(errores_log().empty());
}

TEST_P(Cartera, ApplicationLinesPointAtTheTargetsDocumentsOfTheirOwnSideOnly) {
  // The target's documents, under ids of its own; 31 and 33 live in the sales tables.
  const std::vector<int> clientes{31, 33, 41, 42, 45}, proveedores{21, 24, 51, 52, 55};
  for (std::size_t i = 0; i < 5; ++i) {
    insertar_aplicable(destino(), clientes[i], 501 + i, "DC", "000001");
    insertar_aplicable(destino(), proveedores[i], 601 + i, "DP", "000001");
  }
  insertar_aplicable(destino(), 11, 701, "DC", "000001");
  const std::int64_t cli = reiniciar(kAplicacionCliente, 2000);
  const std::int64_t prov = reiniciar(kAplicacionProveedor, 6000);
  insertar_documento(origen(), kAplicacionCliente, 8, "AC", "000008");
  aplicar_lineas(origen(), kAplicacionCliente, 8,
                 {{31, 1, "DC", "000001"},
                  {33, 2, "DC", "000001"},
                  {41, 3, "DC", "000001"},
                  {42, 4, "DC", "000001"},
                  {45, 5, "DC", "000001"},
                  {51, 6, "DP", "000001"},  // a supplier's note
                  {11, 7, "DC", "000001"},  // an inventory entry
                  {std::nullopt, 8, "DC", "000001"}});
  insertar_documento(origen(), kAplicacionProveedor, 9, "AP", "000009");
  aplicar_lineas(origen(), kAplicacionProveedor, 9,
                 {{21, 1, "DP", "000001"},
                  {24, 2, "DP", "000001"},
                  {51, 3, "DP", "000001"},
                  {52, 4, "DP", "000001"},
                  {55, 5, "DP", "000001"},
                  {41, 6, "DC", "000001"}});  // a customer's note
  const std::int64_t e43 = anunciar(43, 8, "AC", "000008"), e53 = anunciar(53, 9, "AP", "000009");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  auto aplicados = [&](const char* tabla, std::int64_t id) {
    std::vector<Value> v;
    db::Rows l = lineas_doc(destino(), tabla, id);
    for (std::size_t i = 0; i < l.size(); ++i) v.push_back(l.at(i, 3));
    return v;
  };
  const auto i = [](std::int64_t n) { return Value::integer(n); };
  EXPECT_EQ(aplicados("APLICACION_CLIENTE_DETALLE", cli),
            (std::vector<Value>{i(501), i(502), i(503), i(504), i(505), i(6), i(7), i(8)}))
      << "another side's document, a code of no customer document and a NULL code keep the "
         "line's id";
  EXPECT_EQ(aplicados("APLICACION_PROVEEDOR_DETALLE", prov),
            (std::vector<Value>{i(601), i(602), i(603), i(604), i(605), i(6)}));
  EXPECT_FALSE(pendiente(origen(), e43));
  EXPECT_FALSE(pendiente(origen(), e53));
  EXPECT_TRUE(errores_log().empty());
}

TEST_P(Cartera, ApplicationAfterItsNoteInTheSameCycleFindsTheNotesCopy) {
  const std::int64_t nota = reiniciar(kNotaDebitoCliente, 1000);
  const std::int64_t apl = reiniciar(kAplicacionCliente, 2000);
  insertar_documento(origen(), kNotaDebitoCliente, 7, "ND", "000007");
  insertar_documento(origen(), kNotaCreditoCliente, 9, "NC", "000009");  // never sent
  insertar_documento(origen(), kAplicacionCliente, 8, "AC", "000008");
  aplicar_lineas(origen(), kAplicacionCliente, 8,
                 {{41, 7, "ND", "000007"}, {42, 9, "NC", "000009"}});
  const std::int64_t e41 = anunciar(41, 7, "ND", "000007"), e43 = anunciar(43, 8, "AC", "000008");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows l = lineas_doc(destino(), "APLICACION_CLIENTE_DETALLE", apl);
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l.at(0, 3), Value::integer(nota)) << "the note copied just before";
  EXPECT_EQ(l.at(1, 3), Value::integer(9)) << "a note the target does not hold keeps the id";
  EXPECT_FALSE(pendiente(origen(), e41));
  EXPECT_FALSE(pendiente(origen(), e43));
}

TEST_P(Cartera, ApplicationReplayKeepsItsIdAndReplacesItsLines) {
  const std::int64_t apl = reiniciar(kAplicacionProveedor, 6000);
  insertar_documento(origen(), kAplicacionProveedor, 9, "AP", "000009");
  aplicar_lineas(origen(), kAplicacionProveedor, 9,
                 {{99, 1, "X", "1"}, {99, 2, "X", "2"}, {99, 3, "X", "3"}});
  const std::int64_t ev = anunciar(53, 9, "AP", "000009");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  ASSERT_EQ(contar(destino(), "APLICACION_PROVEEDOR_DETALLE"), 3);

  origen().execute("DELETE FROM APLICACION_PROVEEDOR_DETALLE WHERE APPR_ID = 9 AND APPD_ITEM = 2");
  origen().execute("UPDATE APLICACION_PROVEEDOR_DETALLE SET APPD_VALOR = 77 WHERE APPD_ITEM = 3");
  origen().execute("UPDATE APLICACION_PROVEDOR SET APPR_CONC = 'Corregida' WHERE APPR_ID = 9");
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = documento(destino(), kAplicacionProveedor, "AP", "000009");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, 0), Value::integer(apl));
  EXPECT_EQ(h.at(0, "APPR_CONC"), txt("Corregida"));
  db::Rows l = lineas_doc(destino(), "APLICACION_PROVEEDOR_DETALLE", apl);
  mismas_filas(l, lineas_doc(origen(), "APLICACION_PROVEEDOR_DETALLE", 9), 1);
  EXPECT_EQ(contar(destino(), "APLICACION_PROVEEDOR_DETALLE"), 2);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(Cartera, RejectedApplicationLineTakesTheHeaderAndTheLinesAlreadyWritten) {
  alterar(destino(),
          "ALTER TABLE APLICACION_CLIENTE_DETALLE ADD CONSTRAINT CK_PRUEBA_VALOR "
          "CHECK (APCD_VALOR <> 20)");
  const std::int64_t apl = reiniciar(kAplicacionCliente, 2000);
  insertar_documento(origen(), kAplicacionCliente, 8, "AC", "000008");
  aplicar_lineas(origen(), kAplicacionCliente, 8,
                 {{99, 1, "X", "1"}, {99, 2, "X", "2"}, {99, 3, "X", "3"}});
  const std::int64_t ev = anunciar(43, 8, "AC", "000008");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "APLICACION_CLIENTE"), 0);
  EXPECT_EQ(contar(destino(), "APLICACION_CLIENTE_DETALLE"), 0)
      << "line 1 was written before line 2 failed";
  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("CK_PRUEBA_VALOR"), std::string::npos) << *error;
  EXPECT_EQ(contar(origen(), "APLICACION_CLIENTE_DETALLE"), 3);

  alterar(destino(), "ALTER TABLE APLICACION_CLIENTE_DETALLE DROP CONSTRAINT CK_PRUEBA_VALOR");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = documento(destino(), kAplicacionCliente, "AC", "000008");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, 0), Value::integer(apl + 1)) << "inserted afresh";
  EXPECT_EQ(lineas_doc(destino(), "APLICACION_CLIENTE_DETALLE", apl + 1).size(), 3u);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(Cartera, AdvancesPointAtTheTargetsCopyOfTheCashDocumentThatPaidThem) {
  const std::int64_t recibo = reiniciar(kReciboCaja, 8000);
  const std::int64_t egreso = reiniciar(kEgreso, 9000);
  const std::int64_t anticipo = reiniciar(kAnticipoCliente, 3000);
  insertar_documento(origen(), kReciboCaja, 20, "RC", "000020");
  insertar_documento(origen(), kReciboCaja, 24, "RC", "000024");  // never sent
  insertar_documento(origen(), kEgreso, 30, "CE", "000030");
  const auto con_recibo = [](std::optional<std::int64_t> id) {
    return Columnas{{"RECA_ID", id ? Value::integer(*id) : Value()}};
  };
  insertar_documento(origen(), kAnticipoCliente, 21, "AN", "000021", con_recibo(20));
  insertar_documento(origen(), kAnticipoCliente, 22, "AN", "000022", con_recibo(99));
  insertar_documento(origen(), kAnticipoCliente, 23, "AN", "000023", con_recibo(24));
  insertar_documento(origen(), kAnticipoCliente, 25, "AN", "000025", con_recibo(std::nullopt));
  insertar_documento(origen(), kAnticipoProveedor, 31, "AP", "000031",
                     {{"EGRE_ID", Value::integer(30)}});
  ASSERT_EQ(filas(origen(), "SELECT * FROM ANTICIPOS_CLIENTE").columns()[23].name, "RECA_ID");
  ASSERT_EQ(filas(origen(), "SELECT * FROM ANTICIPOS_PROVEEDOR").columns()[22].name, "EGRE_ID");
  const std::vector<std::int64_t> eventos{
      anunciar(61, 20, "RC", "000020"), anunciar(62, 30, "CE", "000030"),
      anunciar(45, 21, "AN", "000021"), anunciar(45, 22, "AN", "000022"),
      anunciar(45, 23, "AN", "000023"), anunciar(45, 25, "AN", "000025"),
      anunciar(55, 31, "AP", "000031")};

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  auto pago = [&](const char* numero) {
    return documento(destino(), kAnticipoCliente, "AN", numero).at(0, "RECA_ID");
  };
  EXPECT_EQ(pago("000021"), Value::integer(recibo)) << "the receipt copied just before";
  EXPECT_EQ(pago("000022"), Value::integer(99)) << "a receipt the source does not hold";
  EXPECT_EQ(pago("000023"), Value::integer(24)) << "a receipt the target does not hold";
  EXPECT_EQ(pago("000025"), Value()) << "no receipt";
  EXPECT_EQ(documento(destino(), kAnticipoProveedor, "AP", "000031").at(0, "EGRE_ID"),
            Value::integer(egreso));
  for (std::int64_t ev : eventos) EXPECT_FALSE(pendiente(origen(), ev));

  // A replay re-links again: the update brought the source's id.
  origen().execute("UPDATE ANTICIPOS_CLIENTE SET ANCL_CONC = 'Otra vez' WHERE ANCL_ID = 21");
  reabrir(eventos[2]);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  db::Rows h = documento(destino(), kAnticipoCliente, "AN", "000021");
  EXPECT_EQ(h.at(0, 0), Value::integer(anticipo));
  EXPECT_EQ(h.at(0, "ANCL_CONC"), txt("Otra vez"));
  EXPECT_EQ(h.at(0, "RECA_ID"), Value::integer(recibo));
  EXPECT_TRUE(errores_log().empty());
}

TEST_P(Cartera, AnnulMarksAndDeleteRemovesOnlyTheHeaderOfTheDocumentFound) {
  insertar_documento(destino(), kAplicacionCliente, 50, "AC", "000008");
  aplicar_lineas(destino(), kAplicacionCliente, 50, {{99, 1, "X", "1"}});
  insertar_documento(destino(), kAplicacionCliente, 51, "AC", "000009");
  insertar_documento(destino(), kAnticipoProveedor, 52, "AP", "000031");
  insertar_documento(destino(), kAnticipoProveedor, 53, "AX", "000031");
  db::Rows antes = todo(destino(), "APLICACION_CLIENTE");
  // The sources are not read; absent documents change nothing.
  const std::vector<std::int64_t> eventos{
      anunciar(43, 8, "AC", "000008", "A"), anunciar(55, 31, "AP", "000031", "D"),
      anunciar(43, 8, "AC", "000777", "A"), anunciar(55, 31, "AP", "000777", "D")};

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows despues = todo(destino(), "APLICACION_CLIENTE");
  ASSERT_EQ(despues.size(), 2u);
  EXPECT_EQ(despues.at(0, "APCL_ANULADO"), txt("S"));
  mismas_columnas(despues, 0, antes, 0, 0, {"APCL_ANULADO"});
  mismas_columnas(despues, 1, antes, 1, 0);
  EXPECT_EQ(contar(destino(), "APLICACION_CLIENTE_DETALLE", "APCL_ID = 50"), 1);
  EXPECT_EQ(contar(destino(), "ANTICIPOS_PROVEEDOR", "ANPR_ID = 52"), 0);
  EXPECT_EQ(contar(destino(), "ANTICIPOS_PROVEEDOR", "ANPR_ID = 53"), 1);
  for (std::int64_t ev : eventos) EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_TRUE(errores_log().empty());
}

}  // namespace
