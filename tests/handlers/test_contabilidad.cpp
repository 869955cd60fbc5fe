// Accounting vouchers through whole cycles, in both phases: the source side is where
// the event lives, the target side the other company. The target's voucher sequence is
// moved ahead first, so a copied header shows whether it took the target's id.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/contabilidad_datos.h"
#include "support/escenario.h"

using agente::Resultado;
using db::Value;
using engine::Fase;
using testing_support::comprobante;
using testing_support::ComprobantePrueba;
using testing_support::configurar;
using testing_support::contar;
using testing_support::error_de;
using testing_support::insertar_comprobante;
using testing_support::insertar_entrada;
using testing_support::insertar_evento;
using testing_support::lineas_comprobante;
using testing_support::mismas_columnas;
using testing_support::nombre_fase;
using testing_support::pendiente;
using testing_support::valor_secuencia;

namespace {

constexpr const char* kLibro = "COMPROBANTE_DETALLE";
constexpr const char* kNiif = "COMPROBANTE_DETALLE_NIIF";
constexpr const char* kBloqueo = "FECHA DE BLOQUEO";

void mismas_filas(const db::Rows& a, const db::Rows& b, std::size_t desde = 0,
                  const std::set<std::string>& salvo = {}) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t r = 0; r < a.size(); ++r) mismas_columnas(a, r, b, r, desde, salvo);
}

class Contabilidad : public testing_support::Escenario {
 protected:
  bool subida() const { return fase == Fase::Subida; }
  db::Connection& origen() { return subida() ? bd1 : bd2; }
  db::Connection& destino() { return subida() ? bd2 : bd1; }

  // An event of type `tipo` for the voucher (or document) `iddoc`, registered at
  // 08:`minuto`.
  std::int64_t evento(std::int64_t iddoc, const std::string& oper = "I", int minuto = 0,
                      const std::string& codigo = "CE", const std::string& pref = "CO",
                      const std::string& numero = "000123", int tipo = 1) {
    return insertar_evento(origen(), {.compania = subida() ? "002" : "001",
                                      .tipo = tipo,
                                      .iddoc = iddoc,
                                      .pref = pref,
                                      .numero = numero,
                                      .codigo = codigo,
                                      .horareg = db::Time{8, minuto, 0, 0},
                                      .oper = oper});
  }
  // An event without a handler, after the others: stamped when the cycle gets there.
  std::int64_t evento_siguiente() {
    return insertar_evento(origen(),
                           {.compania = subida() ? "002" : "001", .horareg = db::Time{9, 0, 0, 0}});
  }
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
  db::Rows copia(const std::string& tipo = "CE") {
    return comprobante(destino(), tipo, "CO", "000123");
  }
  // Every line of both ledgers in the target.
  std::int64_t lineas_destino() { return contar(destino(), kLibro) + contar(destino(), kNiif); }
  std::string linea_error(const std::string& mensaje) const {
    return sello() + ",1|CE\\CO000123,I,," + errors::una_linea(mensaje);
  }

  Fase fase = Fase::Descarga;
};

class ContabilidadFases : public Contabilidad, public ::testing::WithParamInterface<Fase> {
 protected:
  void SetUp() override {
    fase = GetParam();
    primer_id = adelantar("SEQ_COMPROBANTES");
  }
  std::int64_t primer_id = 0;
};

INSTANTIATE_TEST_SUITE_P(Contabilidad, ContabilidadFases,
                         ::testing::Values(Fase::Descarga, Fase::Subida), nombre_fase);

// ---- copy ------------------------------------------------------------------------------

TEST_P(ContabilidadFases, AnnulEventCopiesTheVoucherUnderTheTargetsIdWithBothLedgers) {
  insertar_comprobante(origen(), {.consec = 7, .tipo_origen = 26, .id_origen = 55});
  std::int64_t ev = evento(7, "A");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = copia();
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "ENCO_CONSEC"), Value::integer(primer_id));
  db::Rows fuente = comprobante(origen(), "CE", "CO", "000123");
  mismas_columnas(h, 0, fuente, 0, 1, {"ENCO_IDDOC"});
  // The header travels as plain values: six decimals stay six.
  EXPECT_EQ(h.at(0, "ENCO_TASACAMBIO").as_text(), "4012.123456");
  EXPECT_EQ(h.at(0, "ENCO_IDDOC"), Value::integer(0)) << "type 26 has no lookup";

  for (auto [libro, cantidad, n] :
       {std::tuple{kLibro, "CODE_CANTIDAD", 3u}, std::tuple{kNiif, "CDNI_CANTIDAD", 2u}}) {
    SCOPED_TRACE(libro);
    db::Rows l = lineas_comprobante(destino(), libro, primer_id);
    db::Rows lf = lineas_comprobante(origen(), libro, 7);
    ASSERT_EQ(l.size(), n);
    for (std::size_t i = 0; i < l.size(); ++i) {
      EXPECT_EQ(l.at(i, 0), Value::integer(primer_id));
      mismas_columnas(l, i, lf, i, 1, {cantidad});
      // Lines take the money form: four decimals.
      EXPECT_EQ(l.at(i, cantidad).as_text(), "2.123500");
    }
  }
  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_FALSE(error_de(origen(), ev).has_value());
  EXPECT_TRUE(errores_log().empty());
}

// Each voucher's generating document is looked up afresh in the target: the entry
// copied earlier in the same cycle is found under its target id; a type without a
// lookup, out of the range, NULL, or a document the target lacks gives 0, though each
// of those vouchers names the same prefix and number as the entry.
TEST_P(ContabilidadFases, SourceDocumentIsRelinkedToItsCopyOrSetToZero) {
  const std::int64_t entrada = adelantar("SEQ_ENTRADAS");
  insertar_entrada(origen(), 7, "EN", "000123", 1);
  std::int64_t ev_entrada = evento(7, "I", 0, "", "EN", "000123", 11);
  struct Caso {
    const char* tipo;
    std::optional<int> tipo_origen;
    std::int64_t esperado;
  };
  const std::vector<Caso> casos{
      {"CE", 11, entrada}, {"NC", 26, 0}, {"ND", 80, 0}, {"NX", std::nullopt, 0}, {"CS", 12, 0}};
  std::vector<std::int64_t> eventos;
  for (std::size_t i = 0; i < casos.size(); ++i) {
    const std::int64_t consec = 20 + static_cast<std::int64_t>(i);
    insertar_comprobante(origen(), {.consec = consec,
                                    .tipo = casos[i].tipo,
                                    .pref = "EN",
                                    .tipo_origen = casos[i].tipo_origen,
                                    .id_origen = 7,
                                    .lineas = 1,
                                    .lineas_niif = 0});
    eventos.push_back(evento(consec, "I", 1 + static_cast<int>(i), casos[i].tipo, "EN"));
  }

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_FALSE(pendiente(origen(), ev_entrada));
  for (std::size_t i = 0; i < casos.size(); ++i) {
    SCOPED_TRACE(casos[i].tipo);
    db::Rows h = comprobante(destino(), casos[i].tipo, "EN", "000123");
    ASSERT_EQ(h.size(), 1u);
    EXPECT_EQ(h.at(0, "ENCO_IDDOC"), Value::integer(casos[i].esperado));
    EXPECT_FALSE(pendiente(origen(), eventos[i]));
  }
  EXPECT_TRUE(errores_log().empty());
}

TEST_P(ContabilidadFases, ReplayReplacesTheVoucherUnderANewIdWithItsNewLines) {
  insertar_comprobante(origen(), {.consec = 7, .lineas = 3, .lineas_niif = 2});
  std::int64_t ev = evento(7);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  ASSERT_EQ(copia().size(), 1u);

  origen().execute(
      "UPDATE COMPROBANTE_ENCABEZADO SET ENCO_CONC = 'Corregido' WHERE ENCO_CONSEC = 7");
  origen().execute("DELETE FROM COMPROBANTE_DETALLE WHERE CODE_ITEM = 2");
  origen().execute("UPDATE COMPROBANTE_DETALLE SET CODE_DEBITO = 77 WHERE CODE_ITEM = 3");
  origen().execute("DELETE FROM COMPROBANTE_DETALLE_NIIF WHERE CDNI_ITEM = 1");
  reabrir(ev);

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  db::Rows h = copia();
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h.at(0, "ENCO_CONSEC"), Value::integer(primer_id + 1)) << "written anew";
  EXPECT_EQ(h.at(0, "ENCO_CONC"), Value::text("Corregido"));
  // Quantities take the money form (the first case above); the rest arrives as it is.
  for (auto [libro, cantidad] :
       {std::pair{kLibro, "CODE_CANTIDAD"}, std::pair{kNiif, "CDNI_CANTIDAD"}}) {
    SCOPED_TRACE(libro);
    mismas_filas(lineas_comprobante(destino(), libro, primer_id + 1),
                 lineas_comprobante(origen(), libro, 7), 1, {cantidad});
  }
  EXPECT_EQ(lineas_destino(), 3) << "the old lines are gone";
  EXPECT_FALSE(pendiente(origen(), ev));
}

// The old copy's removal commits with the new header or not at all.
TEST_P(ContabilidadFases, RefusedHeaderDuringAReplayLeavesTheOldVoucherWhole) {
  insertar_comprobante(origen(), {.consec = 7});
  std::int64_t ev = evento(7);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  db::Rows antes = copia();
  ASSERT_EQ(antes.size(), 1u);
  db::Rows antes_libro = lineas_comprobante(destino(), kLibro, primer_id);
  db::Rows antes_niif = lineas_comprobante(destino(), kNiif, primer_id);

  alterar(destino(),
          "ALTER TABLE COMPROBANTE_ENCABEZADO ADD CONSTRAINT CK_PRUEBA_CONC CHECK (ENCO_CONC <> "
          "'Rechazado')");
  origen().execute(
      "UPDATE COMPROBANTE_ENCABEZADO SET ENCO_CONC = 'Rechazado' WHERE ENCO_CONSEC = 7");
  origen().execute("DELETE FROM COMPROBANTE_DETALLE WHERE CODE_ITEM = 1");
  reabrir(ev);

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  mismas_filas(copia(), antes);
  mismas_filas(lineas_comprobante(destino(), kLibro, primer_id), antes_libro);
  mismas_filas(lineas_comprobante(destino(), kNiif, primer_id), antes_niif);
  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("CK_PRUEBA_CONC"), std::string::npos) << *error;
}

TEST_P(ContabilidadFases, MissingSourceVoucherIsStampedWithoutCopy) {
  std::int64_t ev = evento(999);

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "COMPROBANTE_ENCABEZADO"), 0);
  EXPECT_FALSE(pendiente(origen(), ev));
}

// ---- a rejected line -------------------------------------------------------------------

struct Rechazo {
  Fase fase;
  const char* libro;
  const char* item;
  int rechazado;  // the item the target refuses
};

void PrintTo(const Rechazo& r, std::ostream* os) { *os << r.libro << " " << r.item; }

class ContabilidadRechazo : public Contabilidad, public ::testing::WithParamInterface<Rechazo> {
 protected:
  void SetUp() override { fase = GetParam().fase; }
};

INSTANTIATE_TEST_SUITE_P(Contabilidad, ContabilidadRechazo,
                         ::testing::Values(Rechazo{Fase::Descarga, kLibro, "CODE_ITEM", 2},
                                           Rechazo{Fase::Subida, kLibro, "CODE_ITEM", 2},
                                           Rechazo{Fase::Descarga, kNiif, "CDNI_ITEM", 3},
                                           Rechazo{Fase::Subida, kNiif, "CDNI_ITEM", 3}),
                         [](const ::testing::TestParamInfo<Rechazo>& p) {
                           return std::string(p.param.libro == kLibro ? "Libro" : "Niif") + "_" +
                                  (p.param.fase == Fase::Subida ? "Subida" : "Descarga");
                         });

TEST_P(ContabilidadRechazo, RejectedLineRemovesTheHeaderAndEveryLineAndLeavesTheEventPending) {
  const Rechazo& r = GetParam();
  alterar(destino(), "ALTER TABLE " + std::string(r.libro) + " ADD CONSTRAINT CK_PRUEBA_LINEA " +
                         "CHECK (" + r.item + " <> " + std::to_string(r.rechazado) + ")");
  insertar_comprobante(origen(), {.consec = 7, .lineas = 3, .lineas_niif = 3});
  std::int64_t ev = evento(7);
  std::int64_t siguiente = evento_siguiente();

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "COMPROBANTE_ENCABEZADO"), 0);
  EXPECT_EQ(lineas_destino(), 0) << "the lines written before the failure went too";
  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("CK_PRUEBA_LINEA"), std::string::npos) << *error;
  EXPECT_EQ(errores_log(), std::vector<std::string>{linea_error(*error)});
  EXPECT_FALSE(pendiente(origen(), siguiente)) << "the next event proceeds";
}

// A statement the server rejects between the two ledgers (the second one cannot be read
// at the source) leaves no header over the first ledger's lines and the event pending
// with the error; once the source reads again, the next cycle copies the voucher once,
// whole.
TEST_P(ContabilidadFases, ErrorBetweenTheTwoLedgersLeavesNoPartOfTheVoucherAndARerunCopiesItOnce) {
  insertar_comprobante(origen(), {.consec = 7, .lineas = 3, .lineas_niif = 2});
  alterar(origen(), "ALTER TABLE COMPROBANTE_DETALLE_NIIF ADD PRUEBA_ROTA COMPUTED BY (1 / 0)");
  std::int64_t ev = evento(7);
  std::int64_t siguiente = evento_siguiente();

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(contar(destino(), "COMPROBANTE_ENCABEZADO"), 0);
  EXPECT_EQ(lineas_destino(), 0) << "the first ledger's lines went with the header";
  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(errores_log(), std::vector<std::string>{linea_error(*error)});
  EXPECT_FALSE(pendiente(origen(), siguiente)) << "the next event proceeds";

  alterar(origen(), "ALTER TABLE COMPROBANTE_DETALLE_NIIF DROP PRUEBA_ROTA");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_EQ(contar(destino(), "COMPROBANTE_ENCABEZADO"), 1);
  db::Rows c = copia();
  ASSERT_EQ(c.size(), 1u);
  const std::int64_t id = c.at(0, 0).as_integer();
  for (auto [libro, cantidad] :
       {std::pair{kLibro, "CODE_CANTIDAD"}, std::pair{kNiif, "CDNI_CANTIDAD"}}) {
    SCOPED_TRACE(libro);
    mismas_filas(lineas_comprobante(destino(), libro, id), lineas_comprobante(origen(), libro, 7),
                 1, {cantidad});
  }
  EXPECT_EQ(lineas_destino(), 5) << "each line once";
}

// ---- delete ----------------------------------------------------------------------------

TEST_P(ContabilidadFases, DeleteRemovesTheVoucherOfThatTypeWithBothLedgersAndAnAbsentOneIsStamped) {
  insertar_comprobante(destino(), {.consec = 50});
  insertar_comprobante(destino(), {.consec = 51, .tipo = "NC", .lineas = 1, .lineas_niif = 1});
  std::int64_t borrar = evento(7, "D");
  std::int64_t ausente = evento(7, "D", 1, "CE", "CO", "000999");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(copia().size(), 0u);
  EXPECT_EQ(lineas_comprobante(destino(), kLibro, 50).size(), 0u);
  EXPECT_EQ(lineas_comprobante(destino(), kNiif, 50).size(), 0u);
  EXPECT_EQ(copia("NC").size(), 1u) << "same prefix and number, another type";
  EXPECT_EQ(lineas_destino(), 2);
  EXPECT_FALSE(pendiente(origen(), borrar));
  EXPECT_FALSE(pendiente(origen(), ausente));
  EXPECT_TRUE(errores_log().empty());
}

// The lines and the header go in one transaction: a header the target refuses to
// delete keeps its lines.
TEST_P(ContabilidadFases, DeleteRefusedByTheTargetKeepsTheVoucherWholeAndTheEventPending) {
  insertar_comprobante(destino(), {.consec = 50});
  alterar(destino(), "CREATE EXCEPTION E_PRUEBA_BORRADO 'comprobante cerrado'");
  alterar(destino(),
          "CREATE TRIGGER PRUEBA_NO_BORRAR FOR COMPROBANTE_ENCABEZADO BEFORE DELETE AS BEGIN "
          "EXCEPTION E_PRUEBA_BORRADO; END");
  std::int64_t ev = evento(7, "D");
  std::int64_t siguiente = evento_siguiente();

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(copia().size(), 1u);
  EXPECT_EQ(lineas_destino(), 5);
  EXPECT_TRUE(pendiente(origen(), ev));
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("comprobante cerrado"), std::string::npos) << *error;
  EXPECT_FALSE(pendiente(origen(), siguiente));
}

// ---- the lock date -----------------------------------------------------------------------

enum class Suerte { Copiado, Omitido, Retenido };

struct Bloqueo {
  const char* nombre;
  const char* valor;  // the partner's "FECHA DE BLOQUEO"; the voucher is dated 2026-12-01
  Suerte suerte;
};

void PrintTo(const Bloqueo& b, std::ostream* os) { *os << "'" << b.valor << "'"; }

class ContabilidadBloqueo : public Contabilidad, public ::testing::WithParamInterface<Bloqueo> {
 protected:
  void SetUp() override { fase = Fase::Subida; }
};

INSTANTIATE_TEST_SUITE_P(
    Contabilidad, ContabilidadBloqueo,
    ::testing::Values(Bloqueo{"Vacia", "", Suerte::Copiado},
                      Bloqueo{"Blancos", "   ", Suerte::Copiado},
                      Bloqueo{"DiaAnterior", "2026-11-30", Suerte::Copiado},
                      Bloqueo{"MismoDia", "2026-12-01", Suerte::Copiado},
                      Bloqueo{"DiaSiguiente", "2026-12-02", Suerte::Omitido},
                      // Day first: as text "30/11/2026" sorts after "2026-12-01".
                      Bloqueo{"DiaPrimeroAnterior", "30/11/2026", Suerte::Copiado},
                      Bloqueo{"DiaPrimeroSiguiente", "02/12/2026", Suerte::Omitido},
                      Bloqueo{"PuntosMismoDia", "1.12.2026", Suerte::Copiado},
                      Bloqueo{"ConHoraSiguiente", "2026-12-02 00:00:00", Suerte::Omitido},
                      Bloqueo{"ConHoraMismoDia", "01/12/2026 23:59:59", Suerte::Copiado},
                      Bloqueo{"Texto", "fin de mes", Suerte::Retenido},
                      Bloqueo{"DiaImposible", "31/02/2026", Suerte::Retenido},
                      Bloqueo{"AnoDeDosCifras", "02/12/26", Suerte::Retenido}),
    [](const ::testing::TestParamInfo<Bloqueo>& p) { return std::string(p.param.nombre); });

// Going up, a voucher dated before the partner's lock date is stamped without a copy;
// a lock date that is not a date holds the voucher back with the reason.
TEST_P(ContabilidadBloqueo, VoucherIsCopiedSkippedOrHeldByThePartnersLockDate) {
  const Bloqueo& b = GetParam();
  configurar(bd2, "CONTABILIDAD", "GENERAL", kBloqueo, b.valor);
  insertar_comprobante(origen(), {.consec = 7});
  std::int64_t ev = evento(7);
  std::int64_t siguiente = evento_siguiente();

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(copia().size(), b.suerte == Suerte::Copiado ? 1u : 0u);
  EXPECT_EQ(lineas_destino(), b.suerte == Suerte::Copiado ? 5 : 0);
  EXPECT_EQ(pendiente(origen(), ev), b.suerte == Suerte::Retenido);
  EXPECT_FALSE(pendiente(origen(), siguiente));
  if (b.suerte != Suerte::Retenido) {
    EXPECT_TRUE(errores_log().empty());
    return;
  }
  std::optional<std::string> error = error_de(origen(), ev);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find(std::string("(") + b.valor + ")"), std::string::npos) << *error;
  EXPECT_EQ(errores_log(), std::vector<std::string>{linea_error(*error)});
}

TEST_F(Contabilidad, DownloadCopiesVouchersOfAnyDate) {
  configurar(bd1, "CONTABILIDAD", "GENERAL", kBloqueo, "2026-12-31");
  configurar(bd2, "CONTABILIDAD", "GENERAL", kBloqueo, "2026-12-31");
  insertar_comprobante(origen(), {.consec = 7});
  std::int64_t ev = evento(7);

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(copia().size(), 1u);
  EXPECT_FALSE(pendiente(origen(), ev));
}

}  // namespace
