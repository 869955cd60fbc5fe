// Sales documents (invoices 31, delivery notes 32, returns 33, orders 34, quotations 35)
// through whole cycles, in either phase: the source side is where the event lives, the
// target side the other company. The sales mode is company 001's setting; the
// payment-lines setting is the partner's (company 002), whichever phase runs. Every
// target sequence is moved ahead first, each to a range of its own, so a copied header
// shows which procedure gave its id.
#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/contexto.h"
#include "engine/evento.h"
#include "support/compras_datos.h"
#include "support/escenario.h"
#include "support/ventas_datos.h"

using agente::Resultado;
using db::Value;
using engine::Fase;
using testing_support::configurar;
using testing_support::contar;
using testing_support::error_de;
using testing_support::filas;
using testing_support::insertar_devolucion_venta;
using testing_support::insertar_documento_venta;
using testing_support::insertar_evento;
using testing_support::insertar_factura;
using testing_support::insertar_linea_factura;
using testing_support::insertar_lista;
using testing_support::insertar_salida;
using testing_support::mismas_columnas;
using testing_support::nombre_fase;
using testing_support::pendiente;
using testing_support::valor_secuencia;

namespace {

constexpr std::string_view kModo = "ENVIAR FACTURA DE VENTA COMO ENTRADA O COMO FACTURA";
constexpr std::string_view kPagos = "ENVIAR DETALLE DE FORMAS DE PAGO DE CONTADO";
constexpr const char* kPrefDest = "EC";

class VentasBase : public testing_support::Escenario {
 protected:
  virtual Fase fase() const = 0;

  void SetUp() override {
    id_factura = reiniciar("SEQ_FACTURAS", 3000);
    id_salida = reiniciar("SEQ_SALIDAS", 2000);
    id_remision = reiniciar("SEQ_REMISIONES_VENTA", 4000);
    id_devolucion = reiniciar("SEQ_DEVOLUCIONES_VENTAS", 5000);
    id_pedido = reiniciar("SEQ_PEDIDOS", 6000);
    id_cotizacion = reiniciar("SEQ_COTIZACIONES", 7000);
    id_lista = reiniciar("SEQ_CONSOLIDE_FALTANTES", 8000);
    modo("FACTURA");
    pagos("SI");
  }
  std::int64_t reiniciar(const std::string& secuencia, int desde) {
    alterar(destino(), "ALTER SEQUENCE " + secuencia + " RESTART WITH " + std::to_string(desde));
    return valor_secuencia(destino(), secuencia) + 1;
  }

  bool subida() const { return fase() == Fase::Subida; }
  db::Connection& origen() { return subida() ? bd1 : bd2; }
  db::Connection& destino() { return subida() ? bd2 : bd1; }

  void modo(std::string_view v) { configurar(bd1, "FACTURACION", "FACTURAS", kModo, v); }
  // The partner's payment-lines setting; nothing removes it.
  void pagos(std::optional<std::string_view> v) {
    if (v)
      configurar(bd2, "FACTURACION", "FACTURAS", kPagos, *v);
    else
      bd2.execute("DELETE FROM CONFIGURACION WHERE CONF_PROPIEDAD = '" + std::string(kPagos) + "'");
  }

  // An event for a source document, queued `minuto` minutes after 08:00.
  std::int64_t anunciar(int tipo, std::int64_t id, const char* pref, const char* numero,
                        const std::string& oper = "I", int minuto = 0) {
    return insertar_evento(origen(), {.compania = subida() ? "002" : "001",
                                      .tipo = tipo,
                                      .iddoc = id,
                                      .pref = pref,
                                      .numero = numero,
                                      .horareg = db::Time{8, minuto, 0, 0},
                                      .oper = oper,
                                      .prefdest = kPrefDest});
  }
  void reabrir(std::int64_t ev) {
    origen().execute(
        "UPDATE REPLICA_EVENTOS SET RPEV_FECREP = NULL, RPEV_HORAREP = NULL WHERE RPEV_ID = " +
        std::to_string(ev));
  }

  db::Rows factura(db::Connection& c, const char* numero = "000001") {
    return filas(c,
                 std::string("SELECT * FROM FACTURAS WHERE PREF_PRE = 'FV' AND FACT_NUMERO = '") +
                     numero + "'");
  }
  db::Rows lineas(db::Connection& c, const std::string& tabla, const std::string& id_col,
                  std::int64_t id) {
    return filas(c, "SELECT * FROM " + tabla + " WHERE " + id_col + " = " + std::to_string(id) +
                        " ORDER BY 2");
  }
  // The calls of the points procedure: type, id and customer, in order.
  std::vector<std::tuple<std::int64_t, std::int64_t, std::string>> llamadas() {
    db::Rows r = filas(destino(),
                       "SELECT APLL_TIPODOC, APLL_IDDOC, TERC_NIT, APLL_OTRO FROM "
                       "ACUMULA_PUNTOS_LLAMADAS ORDER BY APLL_ID");
    std::vector<std::tuple<std::int64_t, std::int64_t, std::string>> out;
    for (std::size_t i = 0; i < r.size(); ++i) {
      EXPECT_TRUE(r.at(i, 3).is_null()) << "the fourth argument is NULL";
      out.emplace_back(r.at(i, 0).as_integer(), r.at(i, 1).as_integer(), r.at(i, 2).as_text());
    }
    return out;
  }
  using Llamadas = std::vector<std::tuple<std::int64_t, std::int64_t, std::string>>;

  std::int64_t id_factura = 0, id_salida = 0, id_remision = 0, id_devolucion = 0, id_pedido = 0,
               id_cotizacion = 0, id_lista = 0;
};

class Ventas : public VentasBase, public ::testing::WithParamInterface<Fase> {
 protected:
  Fase fase() const override { return GetParam(); }
};

#define VENTAS_EN_AMBAS_FASES(Suite)                                                       \
  class Suite : public Ventas {};                                                          \
  INSTANTIATE_TEST_SUITE_P(Ventas, Suite, ::testing::Values(Fase::Descarga, Fase::Subida), \
                           nombre_fase)

}  // namespace

// ---- delivery notes, orders, quotations -------------------------------------------------

VENTAS_EN_AMBAS_FASES(VentasPlanas);

TEST_P(VentasPlanas, CopiesTakeTheTargetsIdsAndAReplayReplacesTheirLines) {
  struct Caso {
    int tipo;
    const char* encabezado;
    const char* detalle;
    const char* id_col;
    const char* numero_col;
    std::int64_t esperado;
  };
  const std::vector<Caso> casos{
      {32, "REMISIONES_VENTA", "REMISIONES_VENTA_DETALLE", "REVT_ID", "REVT_NUMERO", id_remision},
      {34, "PEDIDOS", "PEDIDOS_DETALLE", "PEDI_ID", "PEDI_NUMERO", id_pedido},
      {35, "COTIZACIONES", "COTIZACIONES_DETALLE", "COTI_ID", "COTI_NUMERO", id_cotizacion}};
  std::vector<std::int64_t> eventos;
  for (const Caso& c : casos) {
    insertar_documento_venta(origen(), c.tipo, c.tipo, "DV", "000100", 3);
    eventos.push_back(anunciar(c.tipo, c.tipo, "DV", "000100"));
  }
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  auto comprobar = [&](std::size_t n) {
    for (std::size_t k = 0; k < casos.size(); ++k) {
      const Caso& c = casos[k];
      SCOPED_TRACE(c.encabezado);
      const std::string donde = std::string("SELECT * FROM ") + c.encabezado +
                                " WHERE PREF_PRE = 'DV' AND " + c.numero_col + " = '000100'";
      db::Rows h = filas(destino(), donde);
      ASSERT_EQ(h.size(), 1u);
      EXPECT_EQ(h.at(0, 0), Value::integer(c.esperado));
      mismas_columnas(h, 0, filas(origen(), donde), 0, 1);
      db::Rows l = lineas(destino(), c.detalle, c.id_col, c.esperado);
      db::Rows lo = lineas(origen(), c.detalle, c.id_col, c.tipo);
      ASSERT_EQ(l.size(), n);
      for (std::size_t i = 0; i < n; ++i) {
        EXPECT_EQ(l.at(i, 0), Value::integer(c.esperado));
        mismas_columnas(l, i, lo, i, 1);
      }
      EXPECT_EQ(contar(destino(), c.detalle), static_cast<std::int64_t>(n));
      EXPECT_FALSE(pendiente(origen(), eventos[k]));
    }
  };
  comprobar(3);

  for (const Caso& c : casos)
    origen().execute(std::string("DELETE FROM ") + c.detalle + " WHERE " + c.id_col + " = " +
                     std::to_string(c.tipo) + " AND ARTI_COD LIKE '%-2'");
  for (std::int64_t ev : eventos) reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  comprobar(2);
  EXPECT_TRUE(llamadas().empty()) << "no points for these documents";
  EXPECT_TRUE(errores_log().empty());
}

// ---- invoices: payment lines, offsetting lines, progress ------------------------------

VENTAS_EN_AMBAS_FASES(VentasFactura);

TEST_P(VentasFactura, InvoiceTakesTheTargetsIdAndCarriesItsPaymentLines) {
  insertar_factura(origen(), 7, "FV", "000001", 3, 2);
  const std::int64_t ev = anunciar(31, 7, "FV", "000001");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = factura(destino());
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "FACT_ID"), Value::integer(id_factura));
  EXPECT_EQ(valor_secuencia(destino(), "SEQ_FACTURAS"), id_factura) << "one id asked for";
  mismas_columnas(h, 0, factura(origen()), 0, 1, {"FACT_CONSOLIDA"});
  EXPECT_EQ(h.at(0, "FACT_CONSOLIDA"), Value::integer(0)) << "not consolidated";
  EXPECT_EQ(valor_secuencia(destino(), "SEQ_CONSOLIDE_FALTANTES"), id_lista - 1);

  db::Rows l = lineas(destino(), "FACTURAS_DETALLE", "FACT_ID", id_factura);
  db::Rows lo = lineas(origen(), "FACTURAS_DETALLE", "FACT_ID", 7);
  ASSERT_EQ(l.size(), 3u);
  ASSERT_EQ(l.columns()[18].name, "FADE_DEVUELTO");
  for (std::size_t i = 0; i < l.size(); ++i) {
    EXPECT_EQ(l.at(i, 0), Value::integer(id_factura));
    EXPECT_EQ(l.at(i, 18).as_text(), "0.0000") << "no offsetting line";
    mismas_columnas(l, i, lo, i, 1, {"FADE_DEVUELTO"});
  }
  db::Rows p = lineas(destino(), "FACTURAS_CONTADO_PAGO", "FCNT_ID", id_factura);
  db::Rows po = lineas(origen(), "FACTURAS_CONTADO_PAGO", "FCNT_ID", 7);
  ASSERT_EQ(p.size(), 2u);
  for (std::size_t i = 0; i < p.size(); ++i) mismas_columnas(p, i, po, i, 1);
  EXPECT_EQ(llamadas(), (Llamadas{{31, id_factura, "900100200"}}));
  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_EQ(vista.veces("mensaje"), 0);
  EXPECT_TRUE(errores_log().empty());
}

TEST_P(VentasFactura, PaymentLinesTravelOnlyWhenThePartnerSaysExactlySi) {
  insertar_factura(origen(), 7, "FV", "000001", 2, 2);
  insertar_factura(origen(), 8, "FV", "000002", 1, 1);
  const std::int64_t ev = anunciar(31, 7, "FV", "000001");
  pagos("si");
  const std::int64_t otra = anunciar(31, 8, "FV", "000002", "I", 1);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(contar(destino(), "FACTURAS"), 2);
  EXPECT_EQ(contar(destino(), "FACTURAS_CONTADO_PAGO"), 0) << "\"si\" is not \"SI\"";

  // Copied with their payment lines, then re-sent with the setting off: the target's
  // payment lines are neither deleted nor copied again, the lines are replaced.
  pagos("SI");
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  ASSERT_EQ(contar(destino(), "FACTURAS_CONTADO_PAGO", "FCNT_ID = " + std::to_string(id_factura)),
            2);
  origen().execute(
      "INSERT INTO FACTURAS_CONTADO_PAGO (FCNT_ID, FCNT_ITEM, FOPA_COD, FCNT_VALOR) VALUES (7, 3, "
      "'TC', 1)");
  origen().execute("DELETE FROM FACTURAS_DETALLE WHERE FACT_ID = 7 AND FADE_ITEM = 2");
  pagos("NO");
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(contar(destino(), "FACTURAS_CONTADO_PAGO", "FCNT_ID = " + std::to_string(id_factura)),
            2);
  EXPECT_EQ(contar(destino(), "FACTURAS_DETALLE", "FACT_ID = " + std::to_string(id_factura)), 1);
  EXPECT_EQ(vista.veces("mensaje"), 0);

  // Without the setting at all: the operator is told once per invoice, nothing blocks.
  pagos(std::nullopt);
  reabrir(ev);
  reabrir(otra);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(vista.de("mensaje"),
            (std::vector<std::string>(
                2, "No se encontró la configuración ENVIAR DETALLE DE FORMAS DE PAGO DE CONTADO")));
  EXPECT_EQ(contar(destino(), "FACTURAS_CONTADO_PAGO", "FCNT_ID = " + std::to_string(id_factura)),
            2);
  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_FALSE(pendiente(origen(), otra));
}

TEST_P(VentasFactura, AnOffsettingLineKeepsItsColumn18) {
  insertar_factura(origen(), 7, "FV", "000001", 0);
  insertar_linea_factura(origen(), 7, 1, "A", "-5");
  insertar_linea_factura(origen(), 7, 2, "A", "5");        // offsets line 1
  insertar_linea_factura(origen(), 7, 3, "B", "5");        // no -5 of B
  insertar_linea_factura(origen(), 7, 4, "C", "2.5");      // nothing before it
  insertar_linea_factura(origen(), 7, 5, "C", "-2.5");     // offsets line 4
  insertar_linea_factura(origen(), 7, 6, "D'E", "-1.25");  // a quote in the article
  insertar_linea_factura(origen(), 7, 7, "D'E", "1.25");
  anunciar(31, 7, "FV", "000001");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows l = lineas(destino(), "FACTURAS_DETALLE", "FACT_ID", id_factura);
  ASSERT_EQ(l.size(), 7u);
  const char* const esperado[] = {"0.0000", "7.0000", "0.0000", "0.0000",
                                  "7.0000", "0.0000", "7.0000"};
  for (std::size_t i = 0; i < l.size(); ++i) EXPECT_EQ(l.at(i, 18).as_text(), esperado[i]) << i + 1;
}

TEST_P(VentasFactura, TheWindowFollowsTheLinesGoingUpOnly) {
  insertar_factura(origen(), 7, "FV", "000001", 3, 2);
  anunciar(31, 7, "FV", "000001");
  std::vector<std::int64_t> escritas;  // target lines already written at each message
  vista.al_procesar = [&] {
    escritas.push_back(contar(destino(), "FACTURAS_DETALLE") +
                       contar(destino(), "FACTURAS_CONTADO_PAGO"));
  };

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  std::vector<std::string> mostrados = vista.de("evento");
  if (subida()) {
    ASSERT_EQ(mostrados.size(), 4u);
    EXPECT_EQ(mostrados[1], "31,I,FV000001-ART7-1");
    EXPECT_EQ(mostrados[2], "31,I,FV000001-ART7-2");
    EXPECT_EQ(mostrados[3], "31,I,FV000001-ART7-3");
    // After the event's own message: one before each line and each payment line.
    EXPECT_EQ(std::vector<std::int64_t>(escritas.end() - 5, escritas.end()),
              (std::vector<std::int64_t>{0, 1, 2, 3, 4}));
  } else {
    EXPECT_EQ(mostrados.size(), 1u) << "the event itself only";
  }
}

// ---- invoices: completeness, undo, points -------------------------------------------------

TEST_P(VentasFactura, AnInvoiceTheTargetLeftIncompleteIsUndoneAndStaysPending) {
  // The target silently drops line 2, and remembers each annulled invoice's lines and CUFE.
  alterar(destino(),
          "CREATE TRIGGER PRUEBA_SIN_LINEA FOR FACTURAS_DETALLE AFTER INSERT AS BEGIN IF "
          "(NEW.FADE_ITEM = 2) THEN DELETE FROM FACTURAS_DETALLE WHERE FACT_ID = NEW.FACT_ID AND "
          "FADE_ITEM = 2; END");
  alterar(destino(),
          "CREATE TABLE PRUEBA_ANULADAS (FACT_ID INTEGER, LINEAS INTEGER, PAGOS "
          "INTEGER, CUFE VARCHAR(100))");
  alterar(destino(),
          "CREATE TRIGGER PRUEBA_AL_ANULAR FOR FACTURAS AFTER UPDATE AS BEGIN IF "
          "(NEW.FACT_ANULADO = 'S') THEN INSERT INTO PRUEBA_ANULADAS VALUES (NEW.FACT_ID, (SELECT "
          "COUNT(*) FROM FACTURAS_DETALLE WHERE FACT_ID = NEW.FACT_ID), (SELECT COUNT(*) FROM "
          "FACTURAS_CONTADO_PAGO WHERE FCNT_ID = NEW.FACT_ID), NEW.FACT_CUFE); END");
  insertar_factura(origen(), 7, "FV", "000001", 3, 2);
  const std::int64_t ev = anunciar(31, 7, "FV", "000001");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "FACTURAS"), 0);
  EXPECT_EQ(contar(destino(), "FACTURAS_DETALLE"), 0);
  EXPECT_EQ(contar(destino(), "FACTURAS_CONTADO_PAGO"), 0) << "no payment lines of no invoice";
  db::Rows anuladas = filas(destino(), "SELECT * FROM PRUEBA_ANULADAS");
  ASSERT_EQ(anuladas.size(), 1u);
  EXPECT_EQ(anuladas.at(0, 0), Value::integer(id_factura));
  EXPECT_EQ(anuladas.at(0, 1), Value::integer(2)) << "annulled while its lines were there";
  EXPECT_EQ(anuladas.at(0, 2), Value::integer(2));
  EXPECT_TRUE(anuladas.at(0, 3).is_null()) << "the electronic-invoice code is cleared";
  EXPECT_TRUE(pendiente(origen(), ev));
  const std::string razon = "La factura quedó incompleta en el destino: 2 de 3 líneas";
  EXPECT_EQ(error_de(origen(), ev), razon);
  ASSERT_EQ(errores_log().size(), 1u);
  EXPECT_NE(errores_log()[0].find(razon), std::string::npos) << errores_log()[0];
  EXPECT_TRUE(llamadas().empty()) << "no points for a failed copy";

  alterar(destino(), "DROP TRIGGER PRUEBA_SIN_LINEA");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  db::Rows h = factura(destino());
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "FACT_ID"), Value::integer(id_factura + 1)) << "inserted afresh";
  EXPECT_EQ(h.at(0, "FACT_CUFE"), Value::text("CUFE-7"));
  EXPECT_EQ(h.at(0, "FACT_ANULADO"), Value::text("N"));
  EXPECT_EQ(contar(destino(), "FACTURAS_DETALLE"), 3);
  EXPECT_EQ(llamadas(), (Llamadas{{31, id_factura + 1, "900100200"}}));
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(VentasFactura, PointsFollowEachCompleteCopyOnceAndAReplayRecountsTheSameDocument) {
  insertar_factura(origen(), 7, "FV", "000001", 2);
  const std::int64_t ev = anunciar(31, 7, "FV", "000001");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  // The customer changes; the re-sent invoice keeps its target id.
  origen().execute("UPDATE FACTURAS SET TERC_NIT = '800555666' WHERE FACT_ID = 7");
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  // The same event again, as when the stamp was lost after the copy.
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(llamadas(), (Llamadas{{31, id_factura, "900100200"},
                                  {31, id_factura, "800555666"},
                                  {31, id_factura, "800555666"}}));
  db::Rows puntos = filas(destino(), "SELECT * FROM ACUMULA_PUNTOS_DOCUMENTO");
  ASSERT_EQ(puntos.size(), 1u) << "one document, counted once";
  EXPECT_EQ(puntos.at(0, "TERC_NIT"), Value::text("800555666"));
  EXPECT_EQ(puntos.at(0, "APDO_PUNTOS"), Value::integer(15));
  EXPECT_EQ(contar(destino(), "FACTURAS"), 1);
}

// ---- invoices: consolidation list ---------------------------------------------------------

TEST_P(VentasFactura, ConsolidationListPointsAtTheTargetsCopiesOfWhatItConsolidated) {
  // A delivery note and an order copied by the same cycle before the invoice; a
  // quotation the target already has; a delivery note the target lacks; an order the
  // source lacks.
  insertar_documento_venta(origen(), 32, 10, "RV", "000010", 1);
  insertar_documento_venta(origen(), 34, 20, "PD", "000020", 1);
  insertar_documento_venta(origen(), 35, 30, "CT", "000030", 1);
  insertar_documento_venta(destino(), 35, 730, "CT", "000030", 1);
  insertar_documento_venta(origen(), 32, 11, "RV", "000011", 1);
  insertar_lista(origen(), 55, {{32, 10}, {34, 20}, {35, 30}, {32, 11}, {34, 99}, {36, 10}});
  insertar_factura(origen(), 7, "FV", "000001", 1, 0, "900100200", 55);
  insertar_factura(origen(), 8, "FV", "000002", 1);
  anunciar(32, 10, "RV", "000010", "I", 0);
  anunciar(34, 20, "PD", "000020", "I", 1);
  const std::int64_t ev = anunciar(31, 7, "FV", "000001", "I", 2);
  anunciar(31, 8, "FV", "000002", "I", 3);

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  using Fila = std::tuple<std::int64_t, std::int64_t, std::int64_t, std::int64_t, std::int64_t>;
  auto lista = [&] {
    db::Rows r = filas(destino(), "SELECT * FROM CONSOLIDE_FALTANTES ORDER BY CEFA_ID, CEFA_ITEM");
    std::vector<Fila> out;
    for (std::size_t i = 0; i < r.size(); ++i)
      out.emplace_back(r.at(i, 0).as_integer(), r.at(i, 1).as_integer(), r.at(i, 2).as_integer(),
                       r.at(i, 3).as_integer(), r.at(i, 4).as_integer());
    return out;
  };
  // Quotations are resolved going up only; every row uses up its item number.
  std::vector<Fila> esperada{{id_lista, 1, 31, 32, id_remision}, {id_lista, 2, 31, 34, id_pedido}};
  if (subida()) esperada.push_back({id_lista, 3, 31, 35, 730});
  EXPECT_EQ(lista(), esperada);
  EXPECT_EQ(factura(destino()).at(0, "FACT_CONSOLIDA"), Value::integer(id_lista));
  EXPECT_EQ(factura(destino(), "000002").at(0, "FACT_CONSOLIDA"), Value::integer(0));

  // Re-sent: going up the list is built again and the invoice points at the new one;
  // going down the invoice keeps the list the target gave it.
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  if (subida()) {
    esperada.push_back({id_lista + 1, 1, 31, 32, id_remision});
    esperada.push_back({id_lista + 1, 2, 31, 34, id_pedido});
    esperada.push_back({id_lista + 1, 3, 31, 35, 730});
  }
  EXPECT_EQ(lista(), esperada);
  EXPECT_EQ(factura(destino()).at(0, "FACT_CONSOLIDA"),
            Value::integer(subida() ? id_lista + 1 : id_lista));
  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_TRUE(errores_log().empty());
}

// ---- rejected lines ------------------------------------------------------------------------

VENTAS_EN_AMBAS_FASES(VentasFallos);

TEST_P(VentasFallos, ARejectedLineInAnyDetailTableUndoesItsDocument) {
  struct Caso {
    int tipo;
    std::int64_t id;
    const char* detalle;
    const char* regla;  // refuses the document's second line
  };
  const std::vector<Caso> casos{
      {31, 7, "FACTURAS_DETALLE", "FADE_CANT <> 2"},
      {31, 8, "FACTURAS_CONTADO_PAGO", "FCNT_VALOR <> 1000"},
      {32, 10, "REMISIONES_VENTA_DETALLE", "RVDE_CANT <> 2"},
      {33, 20, "DEVOLUCIONES_VENTAS_DETALLE", "DVDE_CANT <> 2"},
      {34, 30, "PEDIDOS_DETALLE", "PEDE_CANT <> 2"},
      {35, 40, "COTIZACIONES_DETALLE", "CTDE_CANT <> 2"},
  };
  // The invoice of the first case is consolidated from a delivery note the target has.
  insertar_documento_venta(destino(), 32, 910, "RX", "000001", 0);
  insertar_documento_venta(origen(), 32, 11, "RX", "000001", 0);
  insertar_lista(origen(), 5, {{32, 11}});
  insertar_factura(origen(), 7, "FV", "000001", 2, 0, "900100200", 5);
  insertar_factura(origen(), 8, "FV", "000002", 1, 2);
  insertar_documento_venta(origen(), 32, 10, "RV", "000010", 2);
  insertar_devolucion_venta(origen(), 20, "DV", "000020", 2);
  insertar_documento_venta(origen(), 34, 30, "PD", "000030", 2);
  insertar_documento_venta(origen(), 35, 40, "CT", "000040", 2);
  const char* const numeros[] = {"000001", "000002", "000010", "000020", "000030", "000040"};
  const char* const prefijos[] = {"FV", "FV", "RV", "DV", "PD", "CT"};
  std::vector<std::int64_t> eventos;
  for (std::size_t i = 0; i < casos.size(); ++i) {
    alterar(destino(), std::string("ALTER TABLE ") + casos[i].detalle +
                           " ADD CONSTRAINT CK_PRUEBA_" + std::to_string(i) + " CHECK (" +
                           casos[i].regla + ")");
    eventos.push_back(
        anunciar(casos[i].tipo, casos[i].id, prefijos[i], numeros[i], "I", static_cast<int>(i)));
  }

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  for (const char* t :
       {"FACTURAS", "FACTURAS_DETALLE", "FACTURAS_CONTADO_PAGO", "DEVOLUCIONES_VENTAS",
        "DEVOLUCIONES_VENTAS_DETALLE", "PEDIDOS", "PEDIDOS_DETALLE", "COTIZACIONES",
        "COTIZACIONES_DETALLE", "REMISIONES_VENTA_DETALLE", "CONSOLIDE_FALTANTES"})
    EXPECT_EQ(contar(destino(), t), 0) << t;
  EXPECT_EQ(contar(destino(), "REMISIONES_VENTA"), 1) << "only the one the target had";
  for (std::size_t i = 0; i < casos.size(); ++i) {
    SCOPED_TRACE(casos[i].detalle);
    EXPECT_TRUE(pendiente(origen(), eventos[i]));
    std::optional<std::string> e = error_de(origen(), eventos[i]);
    ASSERT_TRUE(e.has_value());
    EXPECT_NE(e->find("CK_PRUEBA_" + std::to_string(i)), std::string::npos) << *e;
  }
  EXPECT_EQ(errores_log().size(), casos.size());
  EXPECT_TRUE(llamadas().empty()) << "no points for a failed copy";
}

// ---- returns -----------------------------------------------------------------------------

VENTAS_EN_AMBAS_FASES(VentasDevolucion);

TEST_P(VentasDevolucion, NewReturnIsReLinkedToTheTargetsInvoiceAndKeepsItWhenReplaced) {
  insertar_factura(destino(), 1500, "FVAB", "00000123", 0);
  insertar_factura(destino(), 1501, "FV", "00000124", 0);
  insertar_factura(destino(), 1502, "", "00000125", 0);
  struct Caso {
    std::int64_t id;
    const char* numero;
    std::optional<std::string> factura;
    std::optional<std::int64_t> factid;  // at the source
    std::optional<std::int64_t> esperado;
    const char* por_que;
  };
  const std::vector<Caso> casos{
      {31, "000001", "FVAB00000123", 7, 1500, "twelve characters: four of prefix, eight of number"},
      {32, "000002", "FV00000124", 8, 1501, "a shorter prefix"},
      {33, "000003", "00000125", 9, 1502, "eight characters: an empty prefix"},
      {34, "000004", "FVAB99999999", 7, 0, "an invoice the target does not have"},
      {35, "000005", std::nullopt, 7, 0, "no reference: nothing to find"},
      {36, "000006", "FVAB00000123", 0, 0, "no returned invoice: no lookup"},
      {37, "000007", "FVAB00000123", std::nullopt, std::nullopt, "an empty id counts as none"},
  };
  std::vector<std::int64_t> eventos;
  for (const Caso& c : casos) {
    insertar_devolucion_venta(origen(), c.id, "DV", c.numero, 1, c.factura, c.factid,
                              "NIT" + std::to_string(c.id));
    eventos.push_back(anunciar(33, c.id, "DV", c.numero, "I", static_cast<int>(c.id)));
  }
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  auto comprobar = [&]() -> Llamadas {
    Llamadas esperadas;
    for (std::size_t i = 0; i < casos.size(); ++i) {
      const Caso& c = casos[i];
      SCOPED_TRACE(c.por_que);
      db::Rows h = filas(destino(), std::string("SELECT * FROM DEVOLUCIONES_VENTAS WHERE "
                                                "PREF_PRE = 'DV' AND DEVT_NUMERO = '") +
                                        c.numero + "'");
      if (h.size() != 1u) {
        ADD_FAILURE() << h.size() << " returns";
        continue;
      }
      EXPECT_EQ(h.columns()[29].name, "DEVT_FACTID");
      EXPECT_EQ(h.at(0, 0), Value::integer(id_devolucion + static_cast<std::int64_t>(i)));
      EXPECT_EQ(h.at(0, 29), c.esperado ? Value::integer(*c.esperado) : Value());
      EXPECT_EQ(
          contar(destino(), "DEVOLUCIONES_VENTAS_DETALLE", "DEVT_ID = " + h.at(0, 0).as_text()), 1);
      EXPECT_FALSE(pendiente(origen(), eventos[i]));
      esperadas.emplace_back(33, h.at(0, 0).as_integer(), "NIT" + std::to_string(c.id));
    }
    return esperadas;
  };
  Llamadas primeras = comprobar();
  EXPECT_EQ(llamadas(), primeras);

  // Re-sent with another total: column 29 keeps the target's link, every other column
  // takes the source's.
  origen().execute("UPDATE DEVOLUCIONES_VENTAS SET DEVT_TOTAL = 5000");
  for (std::int64_t ev : eventos) reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  Llamadas segundas = comprobar();
  EXPECT_EQ(contar(destino(), "DEVOLUCIONES_VENTAS", "DEVT_TOTAL = 5000"), 7);
  primeras.insert(primeras.end(), segundas.begin(), segundas.end());
  EXPECT_EQ(llamadas(), primeras);
  EXPECT_EQ(contar(destino(), "ACUMULA_PUNTOS_DOCUMENTO", "APDO_PUNTOS = -5"), 7);
  EXPECT_TRUE(errores_log().empty());
}

// ---- delete and annul -------------------------------------------------------------------------

VENTAS_EN_AMBAS_FASES(VentasBorrarAnular);

TEST_P(VentasBorrarAnular, AnnulMarksAndDeleteRemovesTheCopyFoundByPrefixAndNumber) {
  insertar_factura(destino(), 60, "FV", "000001", 1);
  insertar_factura(destino(), 61, "FV", "000009", 1);
  insertar_documento_venta(destino(), 32, 62, "RV", "000001", 1);
  insertar_devolucion_venta(destino(), 63, "DV", "000001", 1);
  insertar_documento_venta(destino(), 34, 64, "PD", "000001", 1);
  insertar_documento_venta(destino(), 35, 65, "CT", "000001", 1);
  std::vector<std::int64_t> eventos;
  int minuto = 0;
  for (auto [tipo, pref] : {std::pair{31, "FV"}, std::pair{32, "RV"}, std::pair{33, "DV"},
                            std::pair{34, "PD"}, std::pair{35, "CT"}}) {
    eventos.push_back(anunciar(tipo, 1, pref, "000001", "A", minuto++));
    eventos.push_back(anunciar(tipo, 1, pref, "000002", "D", minuto++));  // absent
  }
  eventos.push_back(anunciar(31, 1, "FV", "000009", "D", minuto++));

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  for (auto [tabla, anulado] :
       {std::pair{"FACTURAS", "FACT_ANULADO"}, std::pair{"REMISIONES_VENTA", "REVT_ANULADO"},
        std::pair{"DEVOLUCIONES_VENTAS", "DEVT_ANULADO"}, std::pair{"PEDIDOS", "PEDI_ANULADO"},
        std::pair{"COTIZACIONES", "COTI_ANULADO"}})
    EXPECT_EQ(contar(destino(), tabla, std::string(anulado) + " = 'S'"), 1) << tabla;
  EXPECT_EQ(contar(destino(), "FACTURAS"), 1) << "000009 deleted";
  EXPECT_EQ(contar(destino(), "FACTURAS_DETALLE", "FACT_ID = 61"), 1) << "its lines are left";
  for (std::int64_t ev : eventos) EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_TRUE(llamadas().empty());
}

// ---- the sales mode and the conversion into exits -------------------------------------------

VENTAS_EN_AMBAS_FASES(VentasModo);

TEST_P(VentasModo, OutsideModeFacturaOnlyTheDownloadConvertsInvoices) {
  modo("ENTRADA");
  insertar_factura(origen(), 7, "FV", "000001", 2, 2);
  const std::int64_t ev = anunciar(31, 7, "FV", "000001");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(contar(destino(), "FACTURAS"), subida() ? 1 : 0);
  EXPECT_EQ(contar(destino(), "SALIDAS"), subida() ? 0 : 1);
  EXPECT_EQ(contar(destino(), "FACTURAS_CONTADO_PAGO"), subida() ? 2 : 0);
  EXPECT_EQ(llamadas().size(), subida() ? 1u : 0u);
  EXPECT_FALSE(pendiente(origen(), ev));
}

// The sender's agent sends an invoice up as an invoice; the addressee's, outside mode
// "FACTURA", brings it down as an exit. Whichever came first, the later copy refreshes it
// and a delete removes it: the invoice exists once on the target.
TEST_P(VentasModo, ACopyAlreadyThereKeepsItsKindWhicheverAgentWroteIt) {
  modo("ENTRADA");
  if (subida()) {
    insertar_salida(destino(), 80, kPrefDest, "000001", 31, 7, 1);
    destino().execute("UPDATE SALIDAS SET SALI_REFER = 'FV000001' WHERE SALI_ID = 80");
  } else {
    insertar_factura(destino(), 80, "FV", "000001", 1);
  }
  insertar_factura(origen(), 7, "FV", "000001", 3);
  const std::int64_t ev = anunciar(31, 7, "FV", "000001");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  const char* tabla = subida() ? "SALIDAS" : "FACTURAS";
  const char* otra = subida() ? "FACTURAS" : "SALIDAS";
  EXPECT_EQ(contar(destino(), tabla), 1);
  EXPECT_EQ(contar(destino(), std::string(tabla) + "_DETALLE",
                   std::string(subida() ? "SALI_ID" : "FACT_ID") + " = 80"),
            3);
  EXPECT_EQ(contar(destino(), otra), 0);
  EXPECT_FALSE(pendiente(origen(), ev));

  const std::int64_t borrar = anunciar(31, 7, "FV", "000001", "D", 1);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(contar(destino(), tabla) + contar(destino(), otra), 0);
  EXPECT_FALSE(pendiente(origen(), borrar));
}

class VentasSalida : public VentasBase {
 protected:
  Fase fase() const override { return Fase::Descarga; }
  void SetUp() override {
    VentasBase::SetUp();
    modo("ENTRADA");
    pagos(std::nullopt);  // never asked in this mode
  }
  db::Rows salidas() { return filas(bd1, "SELECT * FROM SALIDAS ORDER BY SALI_ID"); }
};

TEST_F(VentasSalida, InvoiceBecomesAnExitWithItsMappingAndAReplayRefreshesIt) {
  insertar_lista(bd2, 55, {{32, 10}});
  insertar_factura(bd2, 7, "FV", "000001", 3, 2, "900100200", 55);
  const std::int64_t ev = anunciar(31, 7, "FV", "000001");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows s = salidas();
  db::Rows f = factura(bd2);
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s.at(0, "SALI_ID"), Value::integer(id_salida));
  EXPECT_EQ(s.at(0, "TIDO_COD"), Value::integer(12));
  EXPECT_EQ(s.at(0, "PREF_PRE"), Value::text("EC"));
  EXPECT_EQ(s.at(0, "SALI_CONC"), Value::text("FVFV000001"));
  EXPECT_EQ(s.at(0, "SALI_REFER"), Value::text("FV000001"));
  EXPECT_EQ(s.at(0, "SALI_TIPOREF"), Value::integer(31));
  EXPECT_EQ(s.at(0, "SALI_IDREF"), Value::integer(7));
  EXPECT_EQ(s.at(0, "NUMOK"), Value::text("N"));
  for (auto [d, o] :
       {std::pair{"BODE_COD", "BODE_COD"}, std::pair{"SALI_NUMERO", "FACT_NUMERO"},
        std::pair{"SALI_FECHA", "FACT_FECHA"}, std::pair{"SALI_IMPTOS", "FACT_IVAINC"},
        std::pair{"SALI_NOMTERC", "FACT_NOMCLIENTE"}, std::pair{"SALI_ANULADO", "FACT_ANULADO"},
        std::pair{"SALI_TRANSMIT", "FACT_TRANSMIT"}, std::pair{"TERC_NIT", "TERC_NIT"},
        std::pair{"SALI_USUARIO", "FACT_USUARIO"}})
    EXPECT_EQ(s.at(0, d), f.at(0, o)) << d;
  EXPECT_EQ(s.at(0, "SALI_OBS").as_text(), "observaciones\nde la venta 7");
  EXPECT_TRUE(s.at(0, "SALI_RESERVA").is_null());
  EXPECT_TRUE(s.at(0, "SALI_RESEID").is_null());

  db::Rows l = lineas(bd1, "SALIDAS_DETALLE", "SALI_ID", id_salida);
  db::Rows lf = lineas(bd2, "FACTURAS_DETALLE", "FACT_ID", 7);
  ASSERT_EQ(l.size(), 3u);
  for (std::size_t i = 0; i < l.size(); ++i)
    for (auto [d, o] :
         {std::pair{"SADE_ITEM", "FADE_ITEM"}, std::pair{"ARTI_COD", "ARTI_COD"},
          std::pair{"BODE_COD", "BODE_COD"}, std::pair{"SADE_CANT", "FADE_CANT"},
          std::pair{"SADE_UNIDAD", "FADE_UNIDAD"}, std::pair{"SADE_LOTE", "FADE_LOTE"},
          std::pair{"SADE_FACTOR", "FADE_FACTOR"}, std::pair{"SADE_DESC", "FADE_DESC"},
          std::pair{"SADE_OBS", "FADE_OBS"}, std::pair{"SADE_IVAPORC", "FADE_IVAPORC"},
          std::pair{"SADE_IVAMONTO", "FADE_IVAMONTO"}, std::pair{"SADE_CONSUMO", "FADE_CONSUMO"},
          std::pair{"SADE_CODBAR", "FADE_CODBAR"}, std::pair{"SADE_ANULADO", "FADE_ANULADO"},
          std::pair{"SADE_COSTO", "FADE_PRUNIT"}, std::pair{"SADE_TOTAL", "FADE_TOTAL"}}) {
      EXPECT_FALSE(lf.at(i, o).is_null()) << o;
      EXPECT_EQ(l.at(i, d), lf.at(i, o)) << d << " line " << i + 1;
    }
  EXPECT_EQ(contar(bd1, "FACTURAS"), 0);
  EXPECT_EQ(contar(bd1, "FACTURAS_CONTADO_PAGO"), 0);
  EXPECT_EQ(contar(bd1, "CONSOLIDE_FALTANTES"), 0);
  EXPECT_EQ(valor_secuencia(bd1, "SEQ_CONSOLIDE_FALTANTES"), id_lista - 1);
  EXPECT_TRUE(llamadas().empty());
  EXPECT_EQ(vista.veces("mensaje"), 0) << "the payment setting is not asked";
  EXPECT_FALSE(pendiente(bd2, ev));

  // Replay: the same exit, its lines replaced.
  bd2.execute("DELETE FROM FACTURAS_DETALLE WHERE FACT_ID = 7 AND FADE_ITEM = 3");
  bd1.execute("UPDATE SALIDAS SET NUMOK = 'S'");
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  s = salidas();
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s.at(0, "SALI_ID"), Value::integer(id_salida));
  EXPECT_EQ(s.at(0, "NUMOK"), Value::text("N"));
  EXPECT_EQ(contar(bd1, "SALIDAS_DETALLE"), 2);
  EXPECT_FALSE(pendiente(bd2, ev));
  EXPECT_TRUE(errores_log().empty());
}

TEST_F(VentasSalida, TwoSendersWithEqualIdsKeepTheirOwnExits) {
  // Another company's converted invoice under the same destination prefix, with the
  // same source id 7: its own prefix and number tell it apart.
  bd1.execute(
      "INSERT INTO SALIDAS (SALI_ID, TIDO_COD, PREF_PRE, SALI_NUMERO, SALI_CONC, SALI_REFER, "
      "SALI_TIPOREF, SALI_IDREF, SALI_ANULADO, NUMOK) VALUES (90, 12, 'EC', '000009', "
      "'FVFA000009', 'FA000009', 31, 7, 'N', 'N')");
  bd1.execute(
      "INSERT INTO SALIDAS_DETALLE (SALI_ID, SADE_ITEM, ARTI_COD, SADE_CANT) VALUES (90, 1, 'X', "
      "1)");
  db::Rows otra = filas(bd1, "SELECT * FROM SALIDAS WHERE SALI_ID = 90");
  insertar_factura(bd2, 7, "FV", "000001", 2);
  const std::int64_t ev = anunciar(31, 7, "FV", "000001");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  const std::int64_t anular = anunciar(31, 7, "FV", "000001", "A", 1);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows s = salidas();
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s.at(1, "SALI_ID"), Value::integer(id_salida)) << "one exit of its own, refreshed";
  EXPECT_EQ(s.at(1, "SALI_ANULADO"), Value::text("S"));
  mismas_columnas(s, 0, otra, 0, 0);
  EXPECT_EQ(contar(bd1, "SALIDAS_DETALLE", "SALI_ID = 90"), 1);
  EXPECT_EQ(contar(bd1, "SALIDAS_DETALLE", "SALI_ID = " + std::to_string(id_salida)), 2);

  const std::int64_t borrar = anunciar(31, 7, "FV", "000001", "D", 2);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  s = salidas();
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s.at(0, "SALI_ID"), Value::integer(90));
  for (std::int64_t e : {ev, anular, borrar}) EXPECT_FALSE(pendiente(bd2, e));
}

TEST_F(VentasSalida, ARejectedExitLineUndoesTheExit) {
  alterar(bd1,
          "ALTER TABLE SALIDAS_DETALLE ADD CONSTRAINT CK_PRUEBA_SALIDA CHECK (SADE_CANT <> 2)");
  insertar_factura(bd2, 7, "FV", "000001", 3);
  const std::int64_t ev = anunciar(31, 7, "FV", "000001");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(contar(bd1, "SALIDAS"), 0);
  EXPECT_EQ(contar(bd1, "SALIDAS_DETALLE"), 0);
  EXPECT_TRUE(pendiente(bd2, ev));
  std::optional<std::string> e = error_de(bd2, ev);
  ASSERT_TRUE(e.has_value());
  EXPECT_NE(e->find("CK_PRUEBA_SALIDA"), std::string::npos) << *e;
}

// ---- cost ------------------------------------------------------------------------------------

VENTAS_EN_AMBAS_FASES(VentasCosto);

// The statements and transactions one invoice of 10 lines and 2 payment lines costs on
// each side, new and re-sent, measured on the handler alone.
TEST_P(VentasCosto, AnInvoiceOfTenLinesCostsAFixedNumberOfStatementsPerLine) {
  insertar_factura(origen(), 7, "FV", "000001", 10, 2);
  const std::int64_t ev = anunciar(31, 7, "FV", "000001");
  db::Rows lista = testing_support::leer_evento(origen(), ev);
  engine::Evento e(lista, 0);
  engine::Banderas banderas;
  banderas.venta_como_factura = true;
  const std::string bloqueo;
  // The handler on the agent's own connections to the two companies.
  db::Connection& de = subida() ? local : socio;
  db::Connection& a = subida() ? socio : local;
  auto medir = [&](const char* que) {
    const db::ConnectionStats o0 = de.stats(), d0 = a.stats();
    engine::Contexto ctx{e, fase(), de, a, banderas, bloqueo, errores, reloj, &vista};
    (*tipos.manejador(31, fase()))(ctx);
    EXPECT_FALSE(ctx.fallo);
    const db::ConnectionStats o = de.stats(), d = a.stats();
    const auto cuenta = [](const db::ConnectionStats& a, const db::ConnectionStats& b) {
      return std::to_string(b.executes - a.executes) + " sentencias, " +
             std::to_string(b.transactions - a.transactions) + " transacciones, " +
             std::to_string(b.prepares - a.prepares) + " preparaciones";
    };
    std::cout << "[ costo ] " << (subida() ? "subida " : "descarga ") << que << ": origen "
              << cuenta(o0, o) << "; destino " << cuenta(d0, d) << "\n";
    // On the target, per line the offsetting check and the line's insert, per payment
    // line its insert, each write in a transaction of its own; a few statements more
    // for the header, the count and the points.
    EXPECT_LE(d.executes - d0.executes, 2u * 10 + 2 + 14) << que;
    EXPECT_LE(d.transactions - d0.transactions, 10u + 2 + 6) << que;
    EXPECT_LE(o.executes - o0.executes, 6u) << que;
  };
  medir("nueva");
  medir("reenviada");
  EXPECT_EQ(contar(destino(), "FACTURAS_DETALLE"), 10);
  EXPECT_EQ(contar(destino(), "FACTURAS_CONTADO_PAGO"), 2);
}
