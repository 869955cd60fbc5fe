// Cash documents (61 to 66) through whole cycles, in either phase: the source side is
// where the event lives, the target side the other company.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
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

const std::vector<const TablaDoc*> kCaja{&kReciboCaja,        &kEgreso,
                                         &kCambioDocumentos,  &kConsignaTarjetas,
                                         &kReciboProvisional, &kTrasladoCaja};

// The first columns of row `item` of a detail table. The rows that point at other
// documents point at type 99, which no lookup answers for, with id 0.
std::vector<Value> inicio(const std::string& tabla, std::int64_t id, std::int64_t item) {
  if (tabla == "EGRESOS_CRUCEC") return {ent(id), ent(item), ent(99), txt("X"), txt("1"), ent(0)};
  if (tabla == "RECIBOS_CAJA_DETALLE" || tabla == "RECIBOS_CAJA_CRUCEC" ||
      tabla == "EGRESOS_DETALLE")
    return {ent(id), ent(item), ent(99), ent(0), txt("X"), txt("1")};
  return {ent(id), ent(item)};
}

class Caja : public Tesoreria {
 protected:
  // Document `id` of `t` with rows `items` in every detail table.
  void crear(const TablaDoc& t, std::int64_t id, const std::string& pref, const std::string& numero,
             const std::vector<std::int64_t>& items) {
    insertar_documento(origen(), t, id, pref, numero);
    for (const char* detalle : t.detalles)
      for (std::int64_t item : items) insertar_linea(origen(), detalle, inicio(detalle, id, item));
  }
  // Every detail table of the target copy holds the source's rows under `destino_id`.
  void mismos_detalles(const TablaDoc& t, std::int64_t id, std::int64_t destino_id) {
    for (const char* detalle : t.detalles) {
      SCOPED_TRACE(detalle);
      db::Rows l = lineas_doc(destino(), detalle, destino_id);
      for (std::size_t i = 0; i < l.size(); ++i) EXPECT_EQ(l.at(i, 0), ent(destino_id));
      mismas_filas(l, lineas_doc(origen(), detalle, id), 1);
      EXPECT_EQ(contar(destino(), detalle), static_cast<std::int64_t>(l.size()));
    }
  }
};
INSTANTIATE_TEST_SUITE_P(Caja, Caja, ::testing::Values(Fase::Descarga, Fase::Subida), nombre_fase);

TEST_P(Caja, EveryCashDocumentArrivesWithTheRowsOfEveryDetailTable) {
  std::vector<std::int64_t> ids, eventos;
  std::int64_t id = 7;
  for (const TablaDoc* t : kCaja) {
    ids.push_back(reiniciar(*t, 1000 * t->tipo));
    crear(*t, id, "CJ", "0000" + std::to_string(id), {1, 2});
    eventos.push_back(anunciar(t->tipo, id, "CJ", "0000" + std::to_string(id)));
    ++id;
  }
  std::vector<std::int64_t> sin_manejador;
  for (int tipo = 67; tipo <= 70; ++tipo) sin_manejador.push_back(anunciar(tipo, 7, "CJ", "00007"));

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  for (std::size_t k = 0; k < kCaja.size(); ++k) {
    const TablaDoc& t = *kCaja[k];
    SCOPED_TRACE(t.tabla);
    const std::string numero = "0000" + std::to_string(7 + k);
    db::Rows h = documento(destino(), t, "CJ", numero);
    ASSERT_EQ(h.size(), 1u);
    EXPECT_EQ(h.at(0, 0), ent(ids[k]));
    mismas_columnas(h, 0, documento(origen(), t, "CJ", numero), 0, 1);
    mismos_detalles(t, static_cast<std::int64_t>(7 + k), ids[k]);
    for (const char* detalle : t.detalles) EXPECT_EQ(contar(destino(), detalle), 2) << detalle;
    EXPECT_FALSE(pendiente(origen(), eventos[k]));
  }
  for (std::int64_t ev : sin_manejador) EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_TRUE(errores_log().empty());
}

TEST_P(Caja, ReceiptCopiesOnlyOnIWhileADisbursementCopiesOnAnyOtherLetter) {
  const std::int64_t recibo = reiniciar(kReciboCaja, 8000);
  crear(kReciboCaja, 20, "RC", "000020", {1});
  crear(kEgreso, 30, "CE", "000030", {1});
  const std::int64_t otra = anunciar(61, 20, "RC", "000020", "X");
  const std::int64_t egreso = anunciar(62, 30, "CE", "000030", "X");
  const std::int64_t anular_ausente = anunciar(61, 20, "RC", "000020", "A");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "RECIBOS_CAJA"), 0);
  for (const char* detalle : kReciboCaja.detalles) EXPECT_EQ(contar(destino(), detalle), 0);
  EXPECT_EQ(documento(destino(), kEgreso, "CE", "000030").size(), 1u);
  for (std::int64_t ev : {otra, egreso, anular_ausente}) EXPECT_FALSE(pendiente(origen(), ev));

  anunciar(61, 20, "RC", "000020", "I");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  ASSERT_EQ(documento(destino(), kReciboCaja, "RC", "000020").at(0, 0), ent(recibo));
  db::Rows copiado = documento(destino(), kReciboCaja, "RC", "000020");

  anunciar(61, 20, "RC", "000020", "A");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  db::Rows anulado = documento(destino(), kReciboCaja, "RC", "000020");
  ASSERT_EQ(anulado.size(), 1u);
  EXPECT_EQ(anulado.at(0, "RECA_ANULADO"), txt("S"));
  mismas_columnas(anulado, 0, copiado, 0, 0, {"RECA_ANULADO"});

  anunciar(61, 20, "RC", "000020", "D");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(contar(destino(), "RECIBOS_CAJA"), 0);
  for (const char* detalle : kReciboCaja.detalles)
    EXPECT_EQ(contar(destino(), detalle), 1) << "the rows are left to the target";
  EXPECT_TRUE(errores_log().empty());
}

TEST_P(Caja, ReceiptAndDisbursementRowsPointAtTheTargetsDocumentsOfTheirSide) {
  insertar_aplicable(destino(), 41, 501, "DC", "000001");
  insertar_aplicable(destino(), 31, 502, "DC", "000002");
  insertar_aplicable(destino(), 51, 601, "DP", "000001");
  insertar_aplicable(destino(), 21, 602, "DP", "000002");
  const std::int64_t recibo = reiniciar(kReciboCaja, 8000);
  const std::int64_t egreso = reiniciar(kEgreso, 9000);
  insertar_documento(origen(), kReciboCaja, 20, "RC", "000020");
  insertar_documento(origen(), kEgreso, 30, "CE", "000030");
  // {item, type code (0: NULL), id at the source, prefix, number}
  struct Fila {
    std::int64_t item;
    int tipo;
    std::int64_t id;
    const char* pref;
    const char* numero;
  };
  const auto filas_de = [&](const char* tabla, std::int64_t doc, const std::vector<Fila>& fs) {
    for (const Fila& f : fs) {
      const Value tipo = f.tipo ? ent(f.tipo) : Value();
      insertar_linea(origen(), tabla,
                     std::string(tabla) == "EGRESOS_CRUCEC"
                         ? std::vector<Value>{ent(doc), ent(f.item), tipo, txt(f.pref),
                                              txt(f.numero), ent(f.id)}
                         : std::vector<Value>{ent(doc), ent(f.item), tipo, ent(f.id), txt(f.pref),
                                              txt(f.numero)});
    }
  };
  filas_de("RECIBOS_CAJA_DETALLE", 20,
           {{1, 41, 1, "DC", "000001"},
            {2, 31, 2, "DC", "000002"},
            {3, 42, 3, "DC", "000009"},   // absent from the target
            {4, 21, 4, "DP", "000002"},   // a supplier's invoice
            {5, 0, 5, "DC", "000001"}});  // no type code
  filas_de("RECIBOS_CAJA_CRUCEC", 20,
           {{1, 51, 1, "DP", "000001"}, {2, 52, 2, "DP", "000009"}, {3, 41, 3, "DC", "000001"}});
  filas_de("EGRESOS_DETALLE", 30,
           {{1, 51, 1, "DP", "000001"},
            {2, 21, 2, "DP", "000002"},
            {3, 52, 3, "DP", "000009"},
            {4, 41, 4, "DC", "000001"}});
  filas_de("EGRESOS_CRUCEC", 30,
           {{1, 41, 1, "DC", "000001"}, {2, 42, 2, "DC", "000009"}, {3, 51, 3, "DP", "000001"}});
  const std::int64_t e61 = anunciar(61, 20, "RC", "000020"), e62 = anunciar(62, 30, "CE", "000030");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  auto ids = [&](const char* tabla, std::int64_t doc, const char* columna) {
    std::vector<Value> v;
    db::Rows l = lineas_doc(destino(), tabla, doc);
    for (std::size_t i = 0; i < l.size(); ++i) v.push_back(l.at(i, columna));
    return v;
  };
  EXPECT_EQ(ids("RECIBOS_CAJA_DETALLE", recibo, "RCDE_IDDOC"),
            (std::vector<Value>{ent(501), ent(502), ent(0), ent(0), ent(0)}));
  EXPECT_EQ(ids("RECIBOS_CAJA_CRUCEC", recibo, "RCCC_IDDOC"),
            (std::vector<Value>{ent(601), ent(0), ent(0)}));
  EXPECT_EQ(ids("EGRESOS_DETALLE", egreso, "EGDE_IDDOC"),
            (std::vector<Value>{ent(601), ent(602), ent(3), ent(4)}))
      << "a disbursement line keeps its id when nothing is found";
  EXPECT_EQ(ids("EGRESOS_CRUCEC", egreso, "EGCC_IDDOC"),
            (std::vector<Value>{ent(501), ent(0), ent(0)}))
      << "cross rows take the prefix from column 3 and the number from column 4";
  EXPECT_FALSE(pendiente(origen(), e61));
  EXPECT_FALSE(pendiente(origen(), e62));
  EXPECT_TRUE(errores_log().empty());
}

TEST_P(Caja, RejectedRowOfTheSecondTableTakesTheRowsOfEveryTableAndTheHeader) {
  const std::int64_t recibo = reiniciar(kReciboCaja, 8000);
  crear(kReciboCaja, 20, "RC", "000020", {1, 2});
  const std::int64_t ev = anunciar(61, 20, "RC", "000020");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  ASSERT_EQ(contar(destino(), "RECIBOS_CAJA_PAGO"), 2);

  // A third row everywhere; the target refuses the third cross row.
  for (const char* detalle : kReciboCaja.detalles)
    insertar_linea(origen(), detalle, inicio(detalle, 20, 3));
  alterar(destino(),
          "ALTER TABLE RECIBOS_CAJA_CRUCEC ADD CONSTRAINT CK_PRUEBA_ITEM CHECK (RCCC_ITEM <> 3)");
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "RECIBOS_CAJA"), 0) << "the receipt that was there is undone";
  for (const char* detalle : kReciboCaja.detalles) {
    EXPECT_EQ(contar(destino(), detalle), 0) << detalle;
    EXPECT_EQ(contar(origen(), detalle), 3) << detalle << " at the source";
  }
  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("CK_PRUEBA_ITEM"), std::string::npos) << *error;

  alterar(destino(), "ALTER TABLE RECIBOS_CAJA_CRUCEC DROP CONSTRAINT CK_PRUEBA_ITEM");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = documento(destino(), kReciboCaja, "RC", "000020");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, 0), ent(recibo + 1)) << "inserted afresh";
  mismos_detalles(kReciboCaja, 20, recibo + 1);
  EXPECT_EQ(contar(destino(), "RECIBOS_CAJA_PAGO"), 3);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(Caja, DisbursementReplayKeepsItsIdAndReplacesTheRowsOfEveryTable) {
  const std::int64_t egreso = reiniciar(kEgreso, 9000);
  crear(kEgreso, 30, "CE", "000030", {1, 2, 3});
  const std::int64_t ev = anunciar(62, 30, "CE", "000030");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  for (const char* detalle : kEgreso.detalles) {
    const std::string t(detalle);
    origen().execute("DELETE FROM " + t + " WHERE EGRE_ID = 30 AND " +
                     filas(origen(), "SELECT * FROM " + t).columns()[1].name + " = 2");
    insertar_linea(origen(), detalle, inicio(detalle, 30, 4));
  }
  origen().execute("UPDATE EGRESOS SET EGRE_CONC = 'Corregido' WHERE EGRE_ID = 30");
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = documento(destino(), kEgreso, "CE", "000030");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, 0), ent(egreso));
  EXPECT_EQ(h.at(0, "EGRE_CONC"), txt("Corregido"));
  mismos_detalles(kEgreso, 30, egreso);
  for (const char* detalle : kEgreso.detalles)
    EXPECT_EQ(contar(destino(), detalle), 3) << detalle << ": items 1, 3 and 4";
  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_TRUE(errores_log().empty());
}

}  // namespace
