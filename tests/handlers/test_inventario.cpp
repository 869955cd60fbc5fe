// Inventory documents through whole cycles, in both phases: the source side is where
// the event lives, the target side the other company. Identifier sequences of the
// target are moved ahead first, so a copied header shows whether it took the target's
// id or kept the source's.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "schema/esquema.h"
#include "support/bloqueo.h"
#include "support/escenario.h"
#include "support/inventario_datos.h"

using agente::Resultado;
using db::Value;
using engine::Fase;
using testing_support::configurar;
using testing_support::contar;
using testing_support::encabezado_documento;
using testing_support::error_de;
using testing_support::filas;
using testing_support::insertar_documento;
using testing_support::insertar_entrada;
using testing_support::insertar_evento;
using testing_support::insertar_traslado;
using testing_support::lineas_documento;
using testing_support::mismas_columnas;
using testing_support::nombre_fase;
using testing_support::pendiente;
using testing_support::poner_ultimo_costo;
using testing_support::tabla_inventario;
using testing_support::TablaInventario;
using testing_support::valor_secuencia;

namespace {

constexpr const char* kComoEntrada =
    "REPLICAR TRASLADO COMO ENTRADA EN COMPANIA ASOCIADA A BODEGA DE DESTINO";
constexpr const char* kAUltimoCosto = "REPLICAR TRASLADO A ULTIMO COSTO";

std::string nombre_fase(Fase f) { return f == Fase::Subida ? "Subida" : "Descarga"; }

void mismas_filas(const db::Rows& a, const db::Rows& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t r = 0; r < a.size(); ++r) mismas_columnas(a, r, b, r, 0);
}

// The cycle of one company pair, seen from the side where the events live.
class Inventario : public testing_support::Escenario {
 protected:
  bool subida() const { return fase == Fase::Subida; }
  db::Connection& origen() { return subida() ? bd1 : bd2; }
  db::Connection& destino() { return subida() ? bd2 : bd1; }

  std::int64_t evento(int tipo, std::int64_t iddoc, const std::string& pref,
                      const std::string& numero, const std::string& oper = "I",
                      std::optional<std::string> prefdest = "PD") {
    return insertar_evento(origen(), {.compania = subida() ? "002" : "001",
                                      .tipo = tipo,
                                      .iddoc = iddoc,
                                      .pref = pref,
                                      .numero = numero,
                                      .oper = oper,
                                      .prefdest = std::move(prefdest)});
  }
  // An event without a handler registered after the others: stamped when the cycle
  // gets that far.
  std::int64_t evento_siguiente() {
    return insertar_evento(origen(),
                           {.compania = subida() ? "002" : "001", .horareg = db::Time{9, 0, 0, 0}});
  }
  // Queues the event again, as the suite does when the document changes once more.
  void reabrir(std::int64_t id) {
    origen().execute(
        "UPDATE REPLICA_EVENTOS SET RPEV_FECREP = NULL, RPEV_HORAREP = NULL WHERE RPEV_ID = " +
        std::to_string(id));
  }
  // The next id the target's procedure gives, once its sequence is moved ahead.
  std::int64_t adelantar(const std::string& secuencia) {
    alterar(destino(), "ALTER SEQUENCE " + secuencia + " RESTART WITH 1000");
    return valor_secuencia(destino(), secuencia) + 1;
  }
  // The error line of an event, as the error handler writes it.
  std::string linea_error(int tipo, const std::string& pref_numero, const std::string& oper,
                          const std::string& mensaje) const {
    return sello() + "," + std::to_string(tipo) + "|\\" + pref_numero + "," + oper + ",," +
           errors::una_linea(mensaje);
  }
  db::Rows todo(db::Connection& c, const std::string& tabla) {
    return filas(c, "SELECT * FROM " + tabla + " ORDER BY 1, 2");
  }

  Fase fase = Fase::Descarga;
};

// ---- plain documents -------------------------------------------------------------------
//
// Entries, exits, transfers (as transfers), adjustments sent to another company,
// assemblies, disassemblies, reservations and inventory orders: a copy by position
// under the target's id, found again by prefix and number.

struct Caso {
  int tipo;
  Fase fase;
};

void PrintTo(const Caso& c, std::ostream* os) { *os << c.tipo << " " << nombre_fase(c.fase); }

std::vector<Caso> casos_planos() {
  std::vector<Caso> out;
  for (int tipo : {11, 12, 13, 15, 16, 17, 18})
    for (Fase f : {Fase::Descarga, Fase::Subida}) out.push_back({tipo, f});
  out.push_back({14, Fase::Subida});  // received adjustments have their own suite below
  return out;
}

class InventarioPlano : public Inventario, public ::testing::WithParamInterface<Caso> {
 protected:
  void SetUp() override {
    fase = GetParam().fase;
    primer_id = adelantar(std::string(d.secuencia));
  }
  db::Rows encabezado(db::Connection& c, const std::string& numero) {
    return encabezado_documento(c, d, "IV", numero);
  }
  db::Rows lineas(db::Connection& c, std::int64_t id) { return lineas_documento(c, d, id); }
  // NUMOK of a header inserted from a source header whose NUMOK is "S".
  Value numok_insertado() const { return Value::text(d.numok ? "N" : "S"); }

  const TablaInventario& d = tabla_inventario(GetParam().tipo);
  std::int64_t primer_id = 0;
};

INSTANTIATE_TEST_SUITE_P(Inventario, InventarioPlano, ::testing::ValuesIn(casos_planos()),
                         [](const ::testing::TestParamInfo<Caso>& p) {
                           return std::string(tabla_inventario(p.param.tipo).nombre) + "_" +
                                  nombre_fase(p.param.fase);
                         });

TEST_P(InventarioPlano, NewDocumentTakesTheTargetsIdAndItsLinesFollowIt) {
  insertar_documento(origen(), d, 7, "IV", "000123", 3);
  std::int64_t ev = evento(d.tipo, 7, "IV", "000123");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = encabezado(destino(), "000123");
  ASSERT_EQ(h.size(), 1u);
  const std::int64_t id = h.at(0, d.id()).as_integer();
  EXPECT_EQ(id, primer_id);
  EXPECT_EQ(h.at(0, "NUMOK"), numok_insertado());
  db::Rows fuente = encabezado(origen(), "000123");
  mismas_columnas(h, 0, fuente, 0, 1, {"NUMOK"});
  EXPECT_EQ(h.at(0, "PREF_PRE"), Value::text("IV")) << "filed under the source's prefix";

  db::Rows l = lineas(destino(), id);
  db::Rows lf = lineas(origen(), 7);
  ASSERT_EQ(l.size(), 3u);
  for (std::size_t i = 0; i < l.size(); ++i) {
    EXPECT_EQ(l.at(i, 0), Value::integer(id));
    mismas_columnas(l, i, lf, i, 1);
  }
  EXPECT_EQ(contar(destino(), std::string(d.detalle)), 3);
  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_FALSE(error_de(origen(), ev).has_value());
  EXPECT_TRUE(errores_log().empty());
  if (d.tipo == 13) {
    EXPECT_EQ(contar(destino(), "ENTRADAS"), 0) << "a transfer stays a transfer";
  }
}

TEST_P(InventarioPlano, ReplayRefreshesTheCopyUnderItsOwnIdWithTheSourcesNumok) {
  insertar_documento(origen(), d, 7, "IV", "000123", 3);
  std::int64_t ev = evento(d.tipo, 7, "IV", "000123");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  const std::int64_t id = encabezado(destino(), "000123").at(0, d.id()).as_integer();

  // The document changes at the source: another concept, line 2 removed, line 3 with
  // another quantity.
  const std::string p(d.prefijo);
  origen().execute("UPDATE " + std::string(d.encabezado) + " SET " + p + "_CONC = 'Corregido', " +
                   p + "_PESO = NULL WHERE " + d.id() + " = 7");
  origen().execute("DELETE FROM " + std::string(d.detalle) + " WHERE " + d.item() + " = 2");
  origen().execute("UPDATE " + std::string(d.detalle) + " SET " + d.cantidad() + " = 30 WHERE " +
                   d.item() + " = 3");
  reabrir(ev);

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = encabezado(destino(), "000123");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, d.id()), Value::integer(id)) << "the copy keeps the target's id";
  EXPECT_EQ(valor_secuencia(destino(), std::string(d.secuencia)), primer_id)
      << "no new id was asked for";
  // Every column after the id now holds the source's value, NUMOK "S" included.
  mismas_columnas(h, 0, encabezado(origen(), "000123"), 0, 1);
  EXPECT_EQ(h.at(0, "NUMOK"), Value::text("S"));
  EXPECT_EQ(h.at(0, p + "_CONC"), Value::text("Corregido"));

  db::Rows l = lineas(destino(), id);
  db::Rows lf = lineas(origen(), 7);
  ASSERT_EQ(l.size(), 2u);
  for (std::size_t i = 0; i < l.size(); ++i) {
    EXPECT_EQ(l.at(i, 0), Value::integer(id));
    mismas_columnas(l, i, lf, i, 1);
  }
  EXPECT_EQ(l.at(1, d.cantidad()).as_integer(), 30);
  EXPECT_EQ(contar(destino(), std::string(d.detalle)), 2) << "the old lines are gone";
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(InventarioPlano, DocumentWithoutLinesArrivesAsAHeaderAlone) {
  insertar_documento(origen(), d, 7, "IV", "000123", 0);
  std::int64_t ev = evento(d.tipo, 7, "IV", "000123");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = encabezado(destino(), "000123");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, d.id()), Value::integer(primer_id));
  EXPECT_EQ(contar(destino(), std::string(d.detalle)), 0);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(InventarioPlano, DeleteRemovesThePresentHeaderAndLeavesTheLinesToTheTarget) {
  insertar_documento(destino(), d, 50, "IV", "000123", 2);
  insertar_documento(destino(), d, 51, "IV", "000124", 1);
  std::int64_t ev = evento(d.tipo, 7, "IV", "000123", "D");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(encabezado(destino(), "000123").size(), 0u);
  EXPECT_EQ(encabezado(destino(), "000124").size(), 1u);
  EXPECT_EQ(lineas(destino(), 50).size(), 2u);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(InventarioPlano, AnnulMarksThePresentCopyAndChangesNothingElse) {
  insertar_documento(destino(), d, 50, "IV", "000123", 2);
  insertar_documento(destino(), d, 51, "IV", "000124", 1);
  std::int64_t ev = evento(d.tipo, 7, "IV", "000123", "A");
  db::Rows antes = encabezado(destino(), "000123");
  db::Rows otro = encabezado(destino(), "000124");
  db::Rows antes_l = todo(destino(), std::string(d.detalle));
  ASSERT_EQ(antes.at(0, d.anulado()), Value::text("N"));

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = encabezado(destino(), "000123");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, d.anulado()), Value::text("S"));
  mismas_columnas(h, 0, antes, 0, 0, {d.anulado()});
  mismas_filas(encabezado(destino(), "000124"), otro);
  mismas_filas(todo(destino(), std::string(d.detalle)), antes_l);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(InventarioPlano, DeleteAndAnnulOfAbsentDocumentsStampAndChangeNothing) {
  insertar_documento(destino(), d, 50, "IV", "000999", 2);
  insertar_documento(origen(), d, 7, "IV", "000123", 1);
  std::int64_t borrar = evento(d.tipo, 7, "IV", "000123", "D");
  std::int64_t anular = evento(d.tipo, 7, "IV", "000124", "A");
  db::Rows antes = todo(destino(), std::string(d.encabezado));
  db::Rows antes_l = todo(destino(), std::string(d.detalle));

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_FALSE(pendiente(origen(), borrar));
  EXPECT_FALSE(pendiente(origen(), anular));
  mismas_filas(todo(destino(), std::string(d.encabezado)), antes);
  mismas_filas(todo(destino(), std::string(d.detalle)), antes_l);
  EXPECT_TRUE(errores_log().empty());
}

TEST_P(InventarioPlano, RejectedLineUndoesTheHeaderAndTheNextCycleStartsAfresh) {
  // The target refuses a quantity of 2: line 2 of 3 fails.
  alterar(destino(), "ALTER TABLE " + std::string(d.detalle) +
                         " ADD CONSTRAINT CK_PRUEBA_CANT CHECK (" + d.cantidad() + " <> 2)");
  insertar_documento(origen(), d, 7, "IV", "000123", 3);
  std::int64_t ev = evento(d.tipo, 7, "IV", "000123");
  std::int64_t siguiente = evento_siguiente();

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(encabezado(destino(), "000123").size(), 0u) << "header undone";
  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("CK_PRUEBA_CANT"), std::string::npos) << *error;
  EXPECT_EQ(errores_log(), std::vector<std::string>{linea_error(d.tipo, "IV000123", "I", *error)});
  // Line 1 went in its own transaction before line 2 failed; the undo takes it with
  // the header.
  EXPECT_EQ(contar(destino(), std::string(d.detalle)), 0);
  EXPECT_FALSE(pendiente(origen(), siguiente)) << "the next event proceeds";

  alterar(destino(), "ALTER TABLE " + std::string(d.detalle) + " DROP CONSTRAINT CK_PRUEBA_CANT");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = encabezado(destino(), "000123");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, d.id()), Value::integer(primer_id + 1)) << "inserted under a new id";
  EXPECT_EQ(lineas(destino(), primer_id + 1).size(), 3u);
  EXPECT_FALSE(pendiente(origen(), ev));
}

// ---- transfers as entries ----------------------------------------------------------------
//
// With "REPLICAR TRASLADO COMO ENTRADA ..." a transfer becomes an entry into its
// destination warehouse. A download entry is filed under the event's destination
// prefix, an upload entry under the transfer's own prefix.

class TrasladoComoEntrada : public Inventario {
 protected:
  void preparar() {
    configurar(bd1, "INVENTARIO", "TRASLADOS", kComoEntrada, "SI");
    primer_id = adelantar("SEQ_ENTRADAS");
  }
  std::string prefijo_entrada() const { return subida() ? "TR" : "PD"; }
  db::Rows entradas(db::Connection& c) { return todo(c, "ENTRADAS"); }
  db::Rows lineas(db::Connection& c, std::int64_t id) {
    return filas(c, "SELECT * FROM ENTRADAS_DETALLE WHERE ENTR_ID = " + std::to_string(id) +
                        " ORDER BY ENDE_ITEM");
  }
  db::Rows lineas_traslado(db::Connection& c, std::int64_t id) {
    return filas(c, "SELECT * FROM TRASFERENCIAS_DETALLE WHERE TRAN_ID = " + std::to_string(id) +
                        " ORDER BY TRAS_ITEM");
  }
  // A target entry with the columns that the lookups of a transfer's entry look at.
  void entrada_destino(std::int64_t id, const std::string& pref, const std::string& numero,
                       std::optional<int> tiporef, std::optional<int> idref,
                       const std::string& refer) {
    insertar_entrada(destino(), id, pref, numero, 1);
    destino().execute(
        "UPDATE ENTRADAS SET ENTR_TIPOREF = ?, ENTR_IDREF = ?, ENTR_REFER = ? WHERE ENTR_ID = " +
            std::to_string(id),
        {tiporef ? Value::integer(*tiporef) : Value(), idref ? Value::integer(*idref) : Value(),
         Value::text(refer)});
  }
  Value anulado(std::int64_t id) {
    return filas(destino(),
                 "SELECT ENTR_ANULADO FROM ENTRADAS WHERE ENTR_ID = " + std::to_string(id))
        .at(0, 0);
  }
  bool existe(std::int64_t id) {
    return contar(destino(), "ENTRADAS", "ENTR_ID = " + std::to_string(id)) == 1;
  }

  std::int64_t primer_id = 0;
};

class InventarioTrasladoEntrada : public TrasladoComoEntrada,
                                  public ::testing::WithParamInterface<Fase> {
 protected:
  void SetUp() override {
    fase = GetParam();
    preparar();
  }
};

INSTANTIATE_TEST_SUITE_P(Inventario, InventarioTrasladoEntrada,
                         ::testing::Values(Fase::Descarga, Fase::Subida),
                         [](const ::testing::TestParamInfo<Fase>& p) {
                           return nombre_fase(p.param);
                         });

TEST_P(InventarioTrasladoEntrada, TransferWithTwoLinesBecomesAnEntryIntoTheDestinationWarehouse) {
  insertar_traslado(origen(), 7, "TR", "000456", "07", 2);
  std::int64_t ev = evento(13, 7, "TR", "000456");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "TRASFERENCIAS"), 0);
  db::Rows h = entradas(destino());
  ASSERT_EQ(h.size(), 1u);
  const std::int64_t id = h.at(0, "ENTR_ID").as_integer();
  EXPECT_EQ(id, primer_id);
  EXPECT_EQ(h.at(0, "TIDO_COD"), Value::integer(11));
  EXPECT_EQ(h.at(0, "PREF_PRE"), Value::text(prefijo_entrada()));
  EXPECT_EQ(h.at(0, "BODE_COD"), Value::text("07")) << "the destination warehouse";
  EXPECT_EQ(h.at(0, "ENTR_NUMERO"), Value::text("000456"));
  EXPECT_EQ(h.at(0, "ENTR_FECHA"), Value::date({2026, 12, 1}));
  EXPECT_EQ(h.at(0, "ENTR_CONC"), Value::text("Traslado 7"));
  EXPECT_EQ(h.at(0, "ENTR_REFER"), Value::text("TR000456"));
  EXPECT_EQ(h.at(0, "ENTR_TIPOREF"), Value::integer(13));
  EXPECT_EQ(h.at(0, "ENTR_IDREF"), Value::integer(7));
  EXPECT_EQ(h.at(0, "ENTR_IMPTOS"), Value::text("S"));
  EXPECT_EQ(h.at(0, "ENTR_NOMTERC"), Value::text("800555111"));
  EXPECT_EQ(h.at(0, "TERC_NIT"), Value::text("800555111"));
  EXPECT_EQ(h.at(0, "ENTR_ANULADO"), Value::text("N"));
  EXPECT_EQ(h.at(0, "ENTR_TRANSMIT"), Value::text("S"));
  EXPECT_EQ(h.at(0, "ENTR_OBS"), Value::blob("traslado\nentre bodegas 7"));
  EXPECT_EQ(h.at(0, "ENTR_ORDEN"), Value::text(""));
  EXPECT_EQ(h.at(0, "ENTR_ORDENID"), Value::integer(0));
  EXPECT_EQ(h.at(0, "ENTR_USUARIO"), Value::text("BODEGUERO"));
  EXPECT_EQ(h.at(0, "NUMOK"), Value::text("N"));
  // Columns without a counterpart in the transfer stay empty.
  for (const char* vacia : {"ENTR_HORA", "ENTR_SUBTOTAL", "ENTR_TOTAL", "ENTR_PESO",
                            "ENTR_FECHAREG", "ENTR_TASACAMBIO"})
    EXPECT_TRUE(h.at(0, vacia).is_null()) << vacia;

  db::Rows l = lineas(destino(), id);
  db::Rows lf = lineas_traslado(origen(), 7);
  ASSERT_EQ(l.size(), 2u);
  for (std::size_t i = 0; i < l.size(); ++i) {
    SCOPED_TRACE("line " + std::to_string(i + 1));
    EXPECT_EQ(l.at(i, "ENTR_ID"), Value::integer(id));
    EXPECT_EQ(l.at(i, "ENDE_ITEM"), Value::integer(static_cast<std::int64_t>(i) + 1));
    EXPECT_EQ(l.at(i, "BODE_COD"), Value::text("07")) << "not the source warehouse";
    EXPECT_EQ(lf.at(i, "BODE_COD"), Value::text("01"));
    EXPECT_EQ(l.at(i, "ENDE_DTOPORC").as_text(), "0.0000");
    EXPECT_EQ(l.at(i, "ENDE_DTOMONTO").as_text(), "0.00");
    for (auto [ende, tras] :
         std::vector<std::pair<const char*, const char*>>{{"ARTI_COD", "ARTI_COD"},
                                                          {"ENDE_CANT", "TRAS_CANT"},
                                                          {"ENDE_UNIDAD", "TRAS_UNIDAD"},
                                                          {"ENDE_LOTE", "TRAS_LOTE"},
                                                          {"ENDE_FACTOR", "TRAS_FACTOR"},
                                                          {"ENDE_DESC", "TRAS_DESC"},
                                                          {"ENDE_OBS", "TRAS_OBS"},
                                                          {"ENDE_IVAPORC", "TRAS_IVAPORC"},
                                                          {"ENDE_IVAMONTO", "TRAS_IVAMONTO"},
                                                          {"ENDE_CONSUMO", "TRAS_CONSUMO"},
                                                          {"ENDE_CODBAR", "TRAS_CODBAR"},
                                                          {"ENDE_ANULADO", "TRAS_ANULADO"},
                                                          {"ENDE_COSTO", "TRAS_COSTO"},
                                                          {"ENDE_TOTAL", "TRAS_TOTAL"}}) {
      EXPECT_FALSE(lf.at(i, tras).is_null()) << tras;
      EXPECT_EQ(l.at(i, ende), lf.at(i, tras)) << ende << " <- " << tras;
    }
  }
  EXPECT_EQ(l.at(0, "ENDE_COSTO").as_text(), "1111.5000") << "the transfer's own cost";
  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_TRUE(errores_log().empty());
}

TEST_P(InventarioTrasladoEntrada, ReplayKeepsTheEntryIdAndRewritesHeaderAndLines) {
  insertar_traslado(origen(), 7, "TR", "000456", "07", 2);
  std::int64_t ev = evento(13, 7, "TR", "000456");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  const std::int64_t id = entradas(destino()).at(0, "ENTR_ID").as_integer();
  // The target's own columns, which the transfer does not carry, and its NUMOK.
  destino().execute(
      "UPDATE ENTRADAS SET ENTR_SUBTOTAL = 55.55, ENTR_HORA = '11:00:00', NUMOK = 'S' WHERE "
      "ENTR_ID = " +
      std::to_string(id));
  // The transfer changes: another concept and destination, line 1 removed, line 2
  // moves 8 units.
  origen().execute(
      "UPDATE TRASFERENCIAS SET TRAN_CONC = 'Corregido', TRAN_BODDES = '09' WHERE TRAN_ID = 7");
  origen().execute("DELETE FROM TRASFERENCIAS_DETALLE WHERE TRAN_ID = 7 AND TRAS_ITEM = 1");
  origen().execute("UPDATE TRASFERENCIAS_DETALLE SET TRAS_CANT = 8 WHERE TRAS_ITEM = 2");
  reabrir(ev);

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = entradas(destino());
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "ENTR_ID"), Value::integer(id));
  EXPECT_EQ(valor_secuencia(destino(), "SEQ_ENTRADAS"), primer_id) << "no new id was asked for";
  EXPECT_EQ(h.at(0, "ENTR_CONC"), Value::text("Corregido"));
  EXPECT_EQ(h.at(0, "BODE_COD"), Value::text("09"));
  EXPECT_EQ(h.at(0, "PREF_PRE"), Value::text(prefijo_entrada()));
  EXPECT_EQ(h.at(0, "NUMOK"), Value::text("N")) << "the mapping sets it on replace too";
  EXPECT_EQ(h.at(0, "ENTR_SUBTOTAL").as_text(), "55.55") << "unmapped columns keep their values";
  EXPECT_EQ(h.at(0, "ENTR_HORA"), Value::time({11, 0, 0, 0}));

  db::Rows l = lineas(destino(), id);
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(l.at(0, "ENDE_ITEM"), Value::integer(2));
  EXPECT_EQ(l.at(0, "ENDE_CANT").as_integer(), 8);
  EXPECT_EQ(l.at(0, "BODE_COD"), Value::text("09"));
  EXPECT_EQ(contar(destino(), "ENTRADAS_DETALLE"), 1) << "the old lines are gone";
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(InventarioTrasladoEntrada, TransferWithoutLinesStillProducesItsEntry) {
  insertar_traslado(origen(), 7, "TR", "000456", "07", 0);
  std::int64_t ev = evento(13, 7, "TR", "000456");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = entradas(destino());
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "ENTR_REFER"), Value::text("TR000456"));
  EXPECT_EQ(contar(destino(), "ENTRADAS_DETALLE"), 0);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(InventarioTrasladoEntrada, MissingTransferIsStampedWithoutCopy) {
  std::int64_t ev = evento(13, 999, "TR", "000456");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "ENTRADAS"), 0);
  EXPECT_EQ(valor_secuencia(destino(), "SEQ_ENTRADAS"), primer_id - 1);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(InventarioTrasladoEntrada, AnnulAndDeleteOfAnAbsentEntryStampWithoutChange) {
  // An ordinary entry with the transfer's prefix and number, and one with its
  // destination prefix: neither comes from the transfer.
  insertar_entrada(destino(), 50, "TR", "000456", 2);
  insertar_entrada(destino(), 51, "PD", "000456", 1);
  std::int64_t anular = evento(13, 7, "TR", "000456", "A");
  std::int64_t borrar = evento(13, 7, "TR", "000456", "D");
  db::Rows antes = entradas(destino());
  db::Rows antes_l = todo(destino(), "ENTRADAS_DETALLE");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_FALSE(pendiente(origen(), anular));
  EXPECT_FALSE(pendiente(origen(), borrar));
  mismas_filas(entradas(destino()), antes);
  mismas_filas(todo(destino(), "ENTRADAS_DETALLE"), antes_l);
  EXPECT_TRUE(errores_log().empty());
}

TEST_P(InventarioTrasladoEntrada, RejectedLineUndoesTheEntryAndLeavesTheEventPending) {
  // Quantities are item + 2: the target refuses line 2 of 3.
  alterar(destino(),
          "ALTER TABLE ENTRADAS_DETALLE ADD CONSTRAINT CK_PRUEBA_CANT CHECK (ENDE_CANT <> 4)");
  insertar_traslado(origen(), 7, "TR", "000456", "07", 3);
  std::int64_t ev = evento(13, 7, "TR", "000456");
  std::int64_t siguiente = evento_siguiente();

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "ENTRADAS"), 0) << "header undone";
  EXPECT_EQ(contar(destino(), "ENTRADAS_DETALLE"), 0) << "line 1 goes with the header";
  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("CK_PRUEBA_CANT"), std::string::npos) << *error;
  EXPECT_EQ(errores_log(), std::vector<std::string>{linea_error(13, "TR000456", "I", *error)});
  EXPECT_FALSE(pendiente(origen(), siguiente));

  alterar(destino(), "ALTER TABLE ENTRADAS_DETALLE DROP CONSTRAINT CK_PRUEBA_CANT");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = entradas(destino());
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "ENTR_ID"), Value::integer(primer_id + 1));
  EXPECT_EQ(lineas(destino(), primer_id + 1).size(), 3u);
  EXPECT_FALSE(pendiente(origen(), ev));
}

// Download: the entry is found by the transfer it came from and the destination prefix,
// for the copy as for "D" and "A".
// Each company's agent reads its own transfer setting, and either may copy a transfer
// first. A copy already on the target keeps its kind: a transfer the other agent copied
// as a transfer is refreshed as one while this company takes transfers as entries, and an
// entry it wrote is refreshed while this company takes them as transfers.
TEST_P(InventarioTrasladoEntrada, ACopyAlreadyThereKeepsItsKindWhateverTheSetting) {
  insertar_traslado(destino(), 60, "TR", "000456", "07", 1);
  insertar_traslado(origen(), 7, "TR", "000456", "07", 2);
  const std::int64_t como_traslado = evento(13, 7, "TR", "000456");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(contar(destino(), "TRASFERENCIAS"), 1);
  EXPECT_EQ(lineas_traslado(destino(), 60).size(), 2u);
  EXPECT_EQ(contar(destino(), "ENTRADAS"), 0);
  EXPECT_FALSE(pendiente(origen(), como_traslado));

  configurar(bd1, "INVENTARIO", "TRASLADOS", kComoEntrada, "NO");
  entrada_destino(50, prefijo_entrada(), "000457", 13, 8, "TR000457");
  insertar_traslado(origen(), 8, "TR", "000457", "07", 2);
  const std::int64_t como_entrada = evento(13, 8, "TR", "000457");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(contar(destino(), "ENTRADAS"), 1);
  EXPECT_EQ(lineas(destino(), 50).size(), 2u);
  EXPECT_EQ(contar(destino(), "TRASFERENCIAS"), 1) << "only the first transfer's copy";
  EXPECT_FALSE(pendiente(origen(), como_entrada));
  EXPECT_TRUE(errores_log().empty());
}

class InventarioTrasladoEntradaDescarga : public TrasladoComoEntrada {
 protected:
  void SetUp() override {
    fase = Fase::Descarga;
    preparar();
  }
};

TEST_F(InventarioTrasladoEntradaDescarga, AnnulAndDeleteFindTheEntryByItsTransferAndPrefix) {
  entrada_destino(50, "PD", "000456", 13, 7, "TR000456");  // the transfer's entry
  entrada_destino(51, "XX", "000456", 13, 7, "TR000456");  // another destination prefix
  entrada_destino(52, "PD", "000457", 13, 8, "TR000457");  // another transfer
  entrada_destino(53, "PD", "000456", 11, 7, "TR000456");  // not from a transfer
  std::int64_t anular = evento(13, 7, "TR", "000456", "A");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(anulado(50), Value::text("S"));
  for (std::int64_t otro : {51, 52, 53}) EXPECT_EQ(anulado(otro), Value::text("N")) << otro;
  EXPECT_FALSE(pendiente(origen(), anular));

  std::int64_t borrar = evento(13, 7, "TR", "000456", "D");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_FALSE(existe(50));
  for (std::int64_t otro : {51, 52, 53}) EXPECT_TRUE(existe(otro)) << otro;
  EXPECT_FALSE(pendiente(origen(), borrar));
}

TEST_F(InventarioTrasladoEntradaDescarga, CopyIgnoresAnEntryWithTheSameNumberNotFromTheTransfer) {
  insertar_entrada(destino(), 50, "PD", "000456", 2);
  db::Rows propia = filas(destino(), "SELECT * FROM ENTRADAS WHERE ENTR_ID = 50");
  insertar_traslado(origen(), 7, "TR", "000456", "07", 1);
  std::int64_t ev = evento(13, 7, "TR", "000456");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "ENTRADAS"), 2);
  mismas_filas(filas(destino(), "SELECT * FROM ENTRADAS WHERE ENTR_ID = 50"), propia);
  EXPECT_EQ(contar(destino(), "ENTRADAS_DETALLE", "ENTR_ID = 50"), 2);
  EXPECT_EQ(
      contar(destino(), "ENTRADAS",
             "ENTR_ID = " + std::to_string(primer_id) + " AND PREF_PRE = 'PD' AND ENTR_IDREF = 7"),
      1);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_F(InventarioTrasladoEntradaDescarga, EmptyDestinationPrefixFilesAndFindsTheEntryUnderIt) {
  insertar_traslado(origen(), 7, "TR", "000456", "07", 1);
  std::int64_t ev = evento(13, 7, "TR", "000456", "I", std::nullopt);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = entradas(destino());
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "PREF_PRE"), Value::text(""));
  const Value id = h.at(0, "ENTR_ID");

  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  h = entradas(destino());
  ASSERT_EQ(h.size(), 1u) << "found again under the empty prefix";
  EXPECT_EQ(h.at(0, "ENTR_ID"), id);
  EXPECT_FALSE(pendiente(origen(), ev));
}

// Upload: "D" and "A" find the entry by its reference to the transfer, the copy by the
// transfer's prefix and number.
class InventarioTrasladoEntradaSubida : public TrasladoComoEntrada {
 protected:
  void SetUp() override {
    fase = Fase::Subida;
    preparar();
  }
};

TEST_F(InventarioTrasladoEntradaSubida, AnnulAndDeleteFindTheEntryByItsReference) {
  entrada_destino(50, "ZZ", "999", 13, 70, "TR000456");    // refers to the transfer
  entrada_destino(51, "ZZ", "998", 11, 70, "TR000456");    // not from a transfer
  entrada_destino(52, "TR", "000456", 13, 7, "TR000457");  // the number, another reference
  std::int64_t anular = evento(13, 7, "TR", "000456", "A");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(anulado(50), Value::text("S"));
  EXPECT_EQ(anulado(51), Value::text("N"));
  EXPECT_EQ(anulado(52), Value::text("N"));
  EXPECT_FALSE(pendiente(origen(), anular));

  std::int64_t borrar = evento(13, 7, "TR", "000456", "D");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_FALSE(existe(50));
  EXPECT_TRUE(existe(51));
  EXPECT_TRUE(existe(52));
  EXPECT_FALSE(pendiente(origen(), borrar));
}

TEST_F(InventarioTrasladoEntradaSubida, CopyFindsTheEntryByPrefixAndNumber) {
  insertar_entrada(destino(), 50, "TR", "000456", 3);
  destino().execute("UPDATE ENTRADAS SET ENTR_TIPOREF = 13 WHERE ENTR_ID = 50");  // a copy
  insertar_traslado(origen(), 7, "TR", "000456", "07", 2);
  std::int64_t ev = evento(13, 7, "TR", "000456");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = entradas(destino());
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "ENTR_ID"), Value::integer(50)) << "the existing entry is refreshed";
  EXPECT_EQ(valor_secuencia(destino(), "SEQ_ENTRADAS"), primer_id - 1);
  EXPECT_EQ(h.at(0, "ENTR_TIPOREF"), Value::integer(13));
  EXPECT_EQ(h.at(0, "ENTR_IDREF"), Value::integer(7));
  EXPECT_EQ(h.at(0, "ENTR_REFER"), Value::text("TR000456"));
  EXPECT_EQ(h.at(0, "BODE_COD"), Value::text("07"));
  EXPECT_EQ(h.at(0, "ENTR_HORA"), Value::time({14, 30, 0, 0})) << "unmapped, kept";
  db::Rows l = lineas(destino(), 50);
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l.at(0, "ARTI_COD"), Value::text("ART-1"));
  EXPECT_EQ(l.at(1, "ARTI_COD"), Value::text("ART-2"));
  EXPECT_FALSE(pendiente(origen(), ev));
}

// Whichever agent copied a transfer first, the other finds that entry: one entry per
// transfer, filed where it was first filed.
TEST_F(InventarioTrasladoEntradaSubida, FindsTheEntryTheAddresseesAgentReceived) {
  entrada_destino(50, "PD", "000456", 13, 7, "TR000456");  // filed under the destination prefix
  insertar_traslado(origen(), 7, "TR", "000456", "07", 2);
  std::int64_t ev = evento(13, 7, "TR", "000456");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = entradas(destino());
  ASSERT_EQ(h.size(), 1u) << "one entry, whichever agent came first";
  EXPECT_EQ(h.at(0, "ENTR_ID"), Value::integer(50));
  EXPECT_EQ(h.at(0, "PREF_PRE"), Value::text("PD"));
  EXPECT_EQ(lineas(destino(), 50).size(), 2u);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_F(InventarioTrasladoEntradaDescarga, FindsTheEntryTheOwnersAgentSent) {
  entrada_destino(50, "TR", "000456", 13, 7, "TR000456");  // filed under the transfer's prefix
  insertar_traslado(origen(), 7, "TR", "000456", "07", 2);
  std::int64_t ev = evento(13, 7, "TR", "000456");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = entradas(destino());
  ASSERT_EQ(h.size(), 1u) << "one entry, whichever agent came first";
  EXPECT_EQ(h.at(0, "ENTR_ID"), Value::integer(50));
  EXPECT_EQ(h.at(0, "PREF_PRE"), Value::text("TR"));
  EXPECT_EQ(lineas(destino(), 50).size(), 2u);
  EXPECT_FALSE(pendiente(origen(), ev));
}

// ---- last cost -----------------------------------------------------------------------------
//
// With "REPLICAR TRASLADO A ULTIMO COSTO" too, each line is costed with what ULTIMO_COSTO
// gives on the target side for its article, the transfer's date and its unit.

class InventarioUltimoCosto : public TrasladoComoEntrada,
                              public ::testing::WithParamInterface<Fase> {
 protected:
  void SetUp() override {
    fase = GetParam();
    preparar();
    configurar(bd1, "INVENTARIO", "TRASLADOS", kAUltimoCosto, "SI");
  }
};

INSTANTIATE_TEST_SUITE_P(Inventario, InventarioUltimoCosto,
                         ::testing::Values(Fase::Descarga, Fase::Subida),
                         [](const ::testing::TestParamInfo<Fase>& p) {
                           return nombre_fase(p.param);
                         });

TEST_P(InventarioUltimoCosto, CostIsTheTargetsLastCostAndTotalItTimesTheQuantity) {
  // Quantities 3 and 4. Only the target's cost of the line's unit in force on the
  // transfer's date (2026-12-01) counts.
  poner_ultimo_costo(destino(), "ART-1", "UND", "2026-11-30", "2500");
  poner_ultimo_costo(destino(), "ART-1", "UND", "2026-12-05", "9999");
  poner_ultimo_costo(destino(), "ART-1", "CAJ", "2026-11-30", "7777");
  poner_ultimo_costo(origen(), "ART-1", "UND", "2026-11-30", "1234");
  poner_ultimo_costo(destino(), "ART-2", "UND", "2026-12-01", "10.2575");
  insertar_traslado(origen(), 7, "TR", "000456", "07", 2);
  std::int64_t ev = evento(13, 7, "TR", "000456");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows l = lineas(destino(), primer_id);
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l.at(0, "ENDE_COSTO"), Value::fixed(25000000, -4));
  EXPECT_EQ(l.at(0, "ENDE_TOTAL"), Value::fixed(750000, -2)) << "2500 x 3, not TRAS_TOTAL";
  EXPECT_EQ(l.at(1, "ENDE_COSTO"), Value::fixed(102575, -4));
  EXPECT_EQ(l.at(1, "ENDE_TOTAL"), Value::fixed(4103, -2)) << "10.2575 x 4";
  EXPECT_EQ(l.at(0, "BODE_COD"), Value::text("07"));
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_P(InventarioUltimoCosto, TotalIsTheExactProductRoundedOnceToTheColumn) {
  // Line 1: 1.1150 x 3 is 3.345 and rounds to 3.35; in binary floating point it is
  // 3.34499999... and would round to 3.34.
  // Line 2: 33449.9999 x 0.0001 is 3.34499999 and rounds to 3.34; in floating point it
  // is 3.34499999000...03, and through four decimals (3.3450) it would round to 3.35.
  poner_ultimo_costo(destino(), "ART-1", "UND", "2026-11-01", "1.1150");
  poner_ultimo_costo(destino(), "ART-2", "UND", "2026-11-01", "33449.9999");
  insertar_traslado(origen(), 7, "TR", "000456", "07", 2);
  origen().execute("UPDATE TRASFERENCIAS_DETALLE SET TRAS_CANT = 0.0001 WHERE TRAS_ITEM = 2");
  evento(13, 7, "TR", "000456");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows l = lineas(destino(), primer_id);
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l.at(0, "ENDE_COSTO").as_text(), "1.1150");
  EXPECT_EQ(l.at(0, "ENDE_TOTAL").as_text(), "3.35");
  EXPECT_EQ(l.at(1, "ENDE_COSTO").as_text(), "33449.9999");
  EXPECT_EQ(l.at(1, "ENDE_CANT").as_text(), "0.0001");
  EXPECT_EQ(l.at(1, "ENDE_TOTAL").as_text(), "3.34");
}

TEST_P(InventarioUltimoCosto, LineWithoutALastCostGetsNeitherCostNorTotal) {
  // ART-1 has a cost only after the transfer's date and in another unit.
  poner_ultimo_costo(destino(), "ART-1", "UND", "2026-12-02", "2500");
  poner_ultimo_costo(destino(), "ART-1", "CAJ", "2026-11-01", "2500");
  poner_ultimo_costo(origen(), "ART-1", "UND", "2026-11-01", "2500");
  poner_ultimo_costo(destino(), "ART-2", "UND", "2026-11-01", "100");
  insertar_traslado(origen(), 7, "TR", "000456", "07", 2);
  std::int64_t ev = evento(13, 7, "TR", "000456");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows l = lineas(destino(), primer_id);
  ASSERT_EQ(l.size(), 2u);
  EXPECT_TRUE(l.at(0, "ENDE_COSTO").is_null());
  EXPECT_TRUE(l.at(0, "ENDE_TOTAL").is_null());
  EXPECT_EQ(l.at(1, "ENDE_COSTO").as_text(), "100.0000");
  EXPECT_EQ(l.at(1, "ENDE_TOTAL").as_text(), "400.00");
  EXPECT_FALSE(pendiente(origen(), ev));
}

// ---- adjustments -----------------------------------------------------------------------------
//
// A downloaded adjustment is recognised by its concept, "Ajuste No." followed by the
// sender's prefix and number, and filed under the event's destination prefix.

class InventarioAjusteRecibido : public Inventario {
 protected:
  void SetUp() override {
    fase = Fase::Descarga;
    primer_id = adelantar("SEQ_AJUSTES");
  }
  db::Rows por_concepto(const std::string& concepto) {
    return destino().query("SELECT * FROM AJUSTES WHERE AJUS_CONC = ?", {Value::text(concepto)});
  }
  db::Rows lineas(std::int64_t id) { return lineas_documento(destino(), d, id); }

  const TablaInventario& d = tabla_inventario(14);
  std::int64_t primer_id = 0;
};

TEST_F(InventarioAjusteRecibido, ArrivesUnderTheDestinationPrefixWithTheSendersKeyInItsConcept) {
  insertar_documento(origen(), d, 7, "AJ", "000045", 2);
  std::int64_t ev = evento(14, 7, "AJ", "000045", "I", "PD");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = todo(destino(), "AJUSTES");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "AJUS_ID"), Value::integer(primer_id));
  EXPECT_EQ(h.at(0, "PREF_PRE"), Value::text("PD"));
  EXPECT_EQ(h.at(0, "AJUS_NUMERO"), Value::text("000045")) << "the source's number";
  EXPECT_EQ(h.at(0, "AJUS_CONC"), Value::text("Ajuste No.AJ000045"));
  EXPECT_EQ(h.at(0, "NUMOK"), Value::text("N"));
  mismas_columnas(h, 0, encabezado_documento(origen(), d, "AJ", "000045"), 0, 1,
                  {"PREF_PRE", "AJUS_CONC", "NUMOK"});
  db::Rows l = lineas(primer_id);
  ASSERT_EQ(l.size(), 2u);
  db::Rows lf = lineas_documento(origen(), d, 7);
  for (std::size_t i = 0; i < l.size(); ++i) mismas_columnas(l, i, lf, i, 1);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_F(InventarioAjusteRecibido, ReplayFindsItByItsConceptAndRefreshesItUnderItsOwnId) {
  // A local adjustment that happens to have the sender's prefix and number.
  insertar_documento(destino(), d, 60, "AJ", "000045", 1);
  db::Rows propio = encabezado_documento(destino(), d, "AJ", "000045");
  insertar_documento(origen(), d, 7, "AJ", "000045", 3);
  std::int64_t ev = evento(14, 7, "AJ", "000045", "I", "PD");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  ASSERT_EQ(por_concepto("Ajuste No.AJ000045").size(), 1u);

  destino().execute("UPDATE AJUSTES SET NUMOK = 'S' WHERE AJUS_ID = " + std::to_string(primer_id));
  origen().execute("UPDATE AJUSTES SET AJUS_TOTAL = 42.42 WHERE AJUS_ID = 7");
  origen().execute("DELETE FROM AJUSTES_DETALLE WHERE AJUS_ID = 7 AND AJDE_ITEM = 1");
  reabrir(ev);

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = por_concepto("Ajuste No.AJ000045");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "AJUS_ID"), Value::integer(primer_id));
  EXPECT_EQ(h.at(0, "PREF_PRE"), Value::text("PD"));
  EXPECT_EQ(h.at(0, "NUMOK"), Value::text("N")) << "set on replace as well";
  EXPECT_EQ(h.at(0, "AJUS_TOTAL").as_text(), "42.42");
  EXPECT_EQ(lineas(primer_id).size(), 2u);
  EXPECT_EQ(contar(destino(), "AJUSTES"), 2);
  mismas_filas(encabezado_documento(destino(), d, "AJ", "000045"), propio);
  EXPECT_EQ(lineas(60).size(), 1u);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_F(InventarioAjusteRecibido, AnnulAndDeleteFindItByItsConcept) {
  insertar_documento(destino(), d, 50, "PD", "000045", 1);
  destino().execute("UPDATE AJUSTES SET AJUS_CONC = 'Ajuste No.AJ000045' WHERE AJUS_ID = 50");
  insertar_documento(destino(), d, 51, "AJ", "000045", 1);  // the sender's key, another concept
  std::int64_t anular = evento(14, 7, "AJ", "000045", "A", "PD");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(filas(destino(), "SELECT AJUS_ANULADO FROM AJUSTES WHERE AJUS_ID = 50").at(0, 0),
            Value::text("S"));
  EXPECT_EQ(filas(destino(), "SELECT AJUS_ANULADO FROM AJUSTES WHERE AJUS_ID = 51").at(0, 0),
            Value::text("N"));
  EXPECT_FALSE(pendiente(origen(), anular));

  std::int64_t borrar = evento(14, 7, "AJ", "000045", "D", "PD");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "AJUSTES", "AJUS_ID = 50"), 0);
  EXPECT_EQ(contar(destino(), "AJUSTES", "AJUS_ID = 51"), 1);
  EXPECT_FALSE(pendiente(origen(), borrar));
}

TEST_F(InventarioAjusteRecibido, QuoteInTheSendersNumberIsMatchedLiterally) {
  // An adjustment whose concept is the literal cut at the quote must not be taken.
  insertar_documento(destino(), d, 50, "PD", "12", 1);
  destino().execute("UPDATE AJUSTES SET AJUS_CONC = 'Ajuste No.AJ12' WHERE AJUS_ID = 50");
  insertar_documento(origen(), d, 7, "AJ", "12'4", 2);
  std::int64_t ev = evento(14, 7, "AJ", "12'4", "I", "PD");
  std::int64_t siguiente = evento_siguiente();

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = por_concepto("Ajuste No.AJ12'4");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "AJUS_ID"), Value::integer(primer_id));
  EXPECT_EQ(h.at(0, "AJUS_NUMERO"), Value::text("12'4"));
  EXPECT_EQ(h.at(0, "AJUS_CONC"), Value::text("Ajuste No.AJ12'4"));
  EXPECT_EQ(lineas(primer_id).size(), 2u);
  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_FALSE(error_de(origen(), ev).has_value());
  EXPECT_FALSE(pendiente(origen(), siguiente)) << "the cycle goes on";
  EXPECT_TRUE(errores_log().empty());

  // Found again by the same literal: refreshed, not duplicated.
  reabrir(ev);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  h = por_concepto("Ajuste No.AJ12'4");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "AJUS_ID"), Value::integer(primer_id));
  EXPECT_EQ(contar(destino(), "AJUSTES"), 2);

  std::int64_t borrar = evento(14, 7, "AJ", "12'4", "D", "PD");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(por_concepto("Ajuste No.AJ12'4").size(), 0u);
  EXPECT_EQ(contar(destino(), "AJUSTES", "AJUS_ID = 50"), 1) << "the other one stays";
  EXPECT_FALSE(pendiente(origen(), borrar));
}

TEST_F(InventarioAjusteRecibido, RejectedLineUndoesTheAdjustmentAndLeavesTheEventPending) {
  alterar(destino(),
          "ALTER TABLE AJUSTES_DETALLE ADD CONSTRAINT CK_PRUEBA_CANT CHECK (AJDE_CANT <> 2)");
  insertar_documento(origen(), d, 7, "AJ", "000045", 2);
  std::int64_t ev = evento(14, 7, "AJ", "000045", "I", "PD");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "AJUSTES"), 0) << "header undone";
  EXPECT_EQ(contar(destino(), "AJUSTES_DETALLE"), 0) << "and the line written before";
  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("CK_PRUEBA_CANT"), std::string::npos) << *error;
  EXPECT_EQ(errores_log(), std::vector<std::string>{linea_error(14, "AJ000045", "I", *error)});
}

// Sent adjustments are found by prefix and number and keep their concept; a received
// copy of another adjustment on the target is not taken for them.
class InventarioAjusteEnviado : public Inventario {
 protected:
  void SetUp() override { fase = Fase::Subida; }
};

TEST_F(InventarioAjusteEnviado, FindsTheCopyTheAddresseesAgentReceivedAndRefreshesIt) {
  // The addressee's agent downloaded an earlier event of this adjustment: its copy is
  // filed under the destination prefix with the sender's key in its concept.
  const TablaInventario& d = tabla_inventario(14);
  insertar_documento(destino(), d, 50, "PD", "000045", 1);
  destino().execute("UPDATE AJUSTES SET AJUS_CONC = 'Ajuste No.AJ000045' WHERE AJUS_ID = 50");
  insertar_documento(origen(), d, 7, "AJ", "000045", 2);
  std::int64_t ev = evento(14, 7, "AJ", "000045", "I", "PD");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "AJUSTES"), 1) << "one adjustment, whichever agent came first";
  db::Rows h = encabezado_documento(destino(), d, "AJ", "000045");
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "AJUS_ID"), Value::integer(50));
  EXPECT_EQ(h.at(0, "AJUS_CONC"), Value::text("Ajuste 7"));
  EXPECT_EQ(h.at(0, "NUMOK"), Value::text("S")) << "not set for sent adjustments";
  EXPECT_EQ(contar(destino(), "AJUSTES_DETALLE", "AJUS_ID = 50"), 2);
  EXPECT_FALSE(pendiente(origen(), ev));
}

class InventarioAjusteRecibidoTrasEnvio : public Inventario {
 protected:
  void SetUp() override { fase = Fase::Descarga; }
};

TEST_F(InventarioAjusteRecibidoTrasEnvio, FindsTheCopyTheOwnersAgentSentAndRefreshesIt) {
  // The owner's agent uploaded an earlier event: a plain copy under its own key, with
  // the sender's own concept.
  const TablaInventario& d = tabla_inventario(14);
  insertar_documento(destino(), d, 50, "AJ", "000045", 1);
  destino().execute("UPDATE AJUSTES SET AJUS_CONC = 'Ajuste 7' WHERE AJUS_ID = 50");
  insertar_documento(origen(), d, 7, "AJ", "000045", 2);
  std::int64_t ev = evento(14, 7, "AJ", "000045", "I", "PD");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "AJUSTES"), 1);
  db::Rows h = filas(destino(), "SELECT * FROM AJUSTES");
  EXPECT_EQ(h.at(0, "AJUS_ID"), Value::integer(50));
  EXPECT_EQ(h.at(0, "PREF_PRE"), Value::text("PD"));
  EXPECT_EQ(h.at(0, "AJUS_CONC"), Value::text("Ajuste No.AJ000045"));
  EXPECT_EQ(contar(destino(), "AJUSTES_DETALLE", "AJUS_ID = 50"), 2);
  EXPECT_FALSE(pendiente(origen(), ev));
}

TEST_F(InventarioTrasladoEntradaSubida, CopyLeavesAnOrdinaryEntryWithTheSameNumberAlone) {
  insertar_entrada(destino(), 50, "TR", "000456", 2);
  db::Rows propia = filas(destino(), "SELECT * FROM ENTRADAS WHERE ENTR_ID = 50");
  insertar_traslado(origen(), 7, "TR", "000456", "07", 1);
  std::int64_t ev = evento(13, 7, "TR", "000456");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "ENTRADAS"), 2);
  mismas_filas(filas(destino(), "SELECT * FROM ENTRADAS WHERE ENTR_ID = 50"), propia);
  EXPECT_EQ(contar(destino(), "ENTRADAS_DETALLE", "ENTR_ID = 50"), 2);
  EXPECT_EQ(contar(destino(), "ENTRADAS", "ENTR_TIPOREF = 13 AND ENTR_NUMERO = '000456'"), 1);
  EXPECT_FALSE(pendiente(origen(), ev));
}

class InventarioBloqueo : public Inventario {
 protected:
  void SetUp() override { fase = Fase::Subida; }
};

TEST_F(InventarioBloqueo, AnOldLineLockedByAnotherUserLeavesThePreviousVersionWhole) {
  const TablaInventario& d = tabla_inventario(11);
  insertar_documento(destino(), d, 50, "EN", "000124", 2);
  db::Rows antes = filas(destino(), "SELECT * FROM ENTRADAS WHERE ENTR_ID = 50");
  insertar_documento(origen(), d, 7, "EN", "000124", 3);
  std::int64_t ev = evento(11, 7, "EN", "000124");
  ciclo.poner_espera_bloqueo(1);
  {
    // Another user is editing the copy's first line while the replay arrives.
    testing_support::RowLock lock(
        testing_support::embedded(schema::company_path(raiz, "002")),
        "UPDATE ENTRADAS_DETALLE SET ENDE_DESC = 'editando' WHERE ENTR_ID = 50 AND ENDE_ITEM = 1");
    ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  }
  EXPECT_TRUE(pendiente(origen(), ev));
  EXPECT_TRUE(error_de(origen(), ev).has_value());
  // Neither a new header over the old lines nor a header without lines.
  mismas_filas(filas(destino(), "SELECT * FROM ENTRADAS WHERE ENTR_ID = 50"), antes);
  EXPECT_EQ(contar(destino(), "ENTRADAS_DETALLE", "ENTR_ID = 50"), 2);

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_EQ(contar(destino(), "ENTRADAS_DETALLE", "ENTR_ID = 50"), 3);
}

}  // namespace
