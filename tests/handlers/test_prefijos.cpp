// Prefixes (120, 142), print formats (1001, 1010 to 1089) and year parameters (190)
// through whole cycles. Prefixes travel in both phases; formats and year parameters
// only go up: the same events met going down are stamped without any copy.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/escenario.h"
#include "support/por_fase.h"
#include "support/prefijos_datos.h"

using agente::Resultado;
using engine::Fase;
using testing_support::contar;
using testing_support::error_de;
using testing_support::filas;
using testing_support::insertar_formato;
using testing_support::insertar_parametros_ano;
using testing_support::insertar_prefijo;
using testing_support::mismas_columnas;
using testing_support::nombre_fase;
using testing_support::pendiente;

namespace {

db::Rows prefijo(db::Connection& c, int tido, const std::string& pref) {
  return filas(c, "SELECT * FROM PREFIJOS WHERE TIDO_COD = " + std::to_string(tido) +
                      " AND PREF_PRE = '" + pref + "'");
}

class Prefijos : public testing_support::EscenarioPorFase {};

// 120 copies the whole row, going down only on "I"; "D" deletes it.
TEST_P(Prefijos, PrefijoCompletoSeCopiaConIEnDescargaYConCualquierLetraEnSubida) {
  insertar_prefijo(origen(), 31, "FV", 500);
  insertar_prefijo(destino(), 31, "FV", 20);
  const std::int64_t ev = anunciar({.tipo = 120, .iddoc = 31, .codigo = "FV", .oper = "A"});
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_FALSE(pendiente(origen(), ev));
  if (subida())
    mismas_columnas(prefijo(destino(), 31, "FV"), 0, prefijo(origen(), 31, "FV"), 0, 0);
  else
    EXPECT_EQ(prefijo(destino(), 31, "FV").at(0, "PREF_ACTUAL").as_integer(), 20)
        << "a received prefix is copied only on \"I\"";

  reabrir(ev, "I");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_FALSE(pendiente(origen(), ev));
  mismas_columnas(prefijo(destino(), 31, "FV"), 0, prefijo(origen(), 31, "FV"), 0, 0);

  reabrir(ev, "D");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_EQ(prefijo(destino(), 31, "FV").size(), 0u);
  EXPECT_EQ(prefijo(origen(), 31, "FV").size(), 1u);
}

// 142 names the prefix by RPEV_PREF, copies on every letter ("D" too) and carries only
// the numbering and accounting columns: name, range and resolution stay the target's.
TEST_P(Prefijos, PrefijoDeNumeracionLlevaSoloSusColumnasYNoBorra) {
  insertar_prefijo(origen(), 11, "EN", 900);
  insertar_prefijo(destino(), 11, "EN", 30);
  insertar_prefijo(origen(), 12, "SA", 700);
  const db::Rows antes = prefijo(destino(), 11, "EN");
  const std::int64_t ev = anunciar({.tipo = 142, .iddoc = 11, .pref = "EN", .oper = "D"});
  const std::int64_t nuevo = anunciar({.tipo = 142, .iddoc = 12, .pref = "SA"});
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_FALSE(pendiente(origen(), ev));
  EXPECT_FALSE(pendiente(origen(), nuevo));

  const db::Rows o = prefijo(origen(), 11, "EN");
  const db::Rows d = prefijo(destino(), 11, "EN");
  ASSERT_EQ(d.size(), 1u);
  const std::set<std::string> propias = {"PREF_NOMBRE", "PREF_INICIAL", "PREF_FINAL",
                                         "PREF_RESOLUCION", "PREF_FECRESOL"};
  mismas_columnas(d, 0, o, 0, 0, propias);
  for (const std::string& c : propias) EXPECT_EQ(d.at(0, c), antes.at(0, c)) << c;

  const db::Rows n = prefijo(destino(), 12, "SA");
  ASSERT_EQ(n.size(), 1u);
  mismas_columnas(n, 0, prefijo(origen(), 12, "SA"), 0, 0, propias);
  EXPECT_TRUE(n.at(0, "PREF_NOMBRE").is_null()) << "a new prefix gets only the listed columns";
}

INSTANTIATE_TEST_SUITE_P(Fases, Prefijos, ::testing::Values(Fase::Descarga, Fase::Subida),
                         nombre_fase);

// ---- print formats and year parameters ------------------------------------------------

db::Rows formato(db::Connection& c, const std::string& tabla) {
  return filas(
      c, "SELECT * FROM " + tabla + " WHERE TIDO_COD = 15 AND PREF_PRE = 'EN' ORDER BY 1, 2, 3");
}

class Formatos : public testing_support::EscenarioPorFase {
 protected:
  // Format 1015 of prefix EN: three data rows and two line rows on the source; the
  // target holds an older version with one data row of its own and one shared.
  void preparar() {
    insertar_formato(origen(), 15, "EN", 21, {"FECHA", "NUMERO", "TERCERO"}, 2);
    insertar_formato(destino(), 15, "EN", 9, {"NUMERO", "VIEJO"}, 1);
  }
  std::int64_t anunciar_formato(const std::string& oper = "I") {
    return anunciar({.tipo = 1015, .codigo = "EN", .oper = oper});
  }
};

// The data and line rows of a format are found by its type and prefix alone: the
// format's rows on the target become the source's (a row the source does not hold
// goes, none when the source's format has none). Going down, the same event is stamped
// and nothing changes.
TEST_P(Formatos, LasFilasDelFormatoEnElDestinoSonLasDelOrigen) {
  preparar();
  origen().execute("DELETE FROM FORMATO_LINEAS WHERE TIDO_COD = 15");
  const db::Rows antes = formato(destino(), "FORMATO_DATOS");
  const std::int64_t ev = anunciar_formato();
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_FALSE(pendiente(origen(), ev));
  if (!subida()) {
    mismas_columnas(formato(destino(), "FORMATO_DATOS"), 0, antes, 0, 0);
    EXPECT_EQ(contar(destino(), "FORMATO_LINEAS"), 1);
    EXPECT_EQ(formato(destino(), "FORMATOS").at(0, "FORM_NOMBRE").as_text(), "Formato 9");
    return;
  }
  mismas_columnas(formato(destino(), "FORMATOS"), 0, formato(origen(), "FORMATOS"), 0, 0);
  const db::Rows o = formato(origen(), "FORMATO_DATOS");
  const db::Rows d = formato(destino(), "FORMATO_DATOS");
  ASSERT_EQ(d.size(), 3u);  // FECHA, NUMERO, TERCERO; the target's own VIEJO is gone
  for (std::size_t i = 0; i < d.size(); ++i) mismas_columnas(d, i, o, i, 0);
  EXPECT_EQ(contar(destino(), "FORMATO_LINEAS"), 0);
}

// A data row the target rejects leaves the format's data rows as they were and the
// event pending with its error, although the line rows were accepted; the next cycle
// sends the whole format again.
class FormatosEnviados : public Formatos {};

TEST_P(FormatosEnviados, FilaDeDatosRechazadaDejaElEventoPendiente) {
  preparar();
  const db::Rows antes = formato(destino(), "FORMATO_DATOS");
  alterar(destino(),
          "ALTER TABLE FORMATO_DATOS ADD CONSTRAINT CK_FODA_ANCHO CHECK (FODA_ANCHO < 30)");
  const std::int64_t ev = anunciar_formato();
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_TRUE(pendiente(origen(), ev));
  ASSERT_TRUE(error_de(origen(), ev));
  EXPECT_NE(error_de(origen(), ev)->find("CK_FODA_ANCHO"), std::string::npos);
  EXPECT_EQ(contar(destino(), "FORMATO_LINEAS"), 2) << "the line rows were written";
  const db::Rows d = formato(destino(), "FORMATO_DATOS");
  ASSERT_EQ(d.size(), antes.size());
  for (std::size_t i = 0; i < d.size(); ++i) mismas_columnas(d, i, antes, i, 0);
}

// "D" removes the data rows, the line rows and then the format (the target's keys
// refuse the format while rows hang from it); year parameters are deleted by "D" too.
TEST_P(Formatos, BorradoDelFormatoYParametrosDelAno) {
  preparar();
  insertar_parametros_ano(origen(), "2026", 1423500);
  insertar_parametros_ano(destino(), "2026", 1300000);
  insertar_parametros_ano(origen(), "2027", 1500000);
  const std::int64_t borra = anunciar_formato("D");
  const std::int64_t ano = anunciar({.tipo = 190, .codigo = "2027"});
  const std::int64_t borra_ano = anunciar({.tipo = 190, .codigo = "2026", .oper = "D"});
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  for (std::int64_t ev : {borra, ano, borra_ano}) EXPECT_FALSE(pendiente(origen(), ev));
  const std::int64_t formatos = subida() ? 0 : 1;
  EXPECT_EQ(contar(destino(), "FORMATOS"), formatos);
  EXPECT_EQ(contar(destino(), "FORMATO_DATOS"), 2 * formatos);
  EXPECT_EQ(contar(destino(), "FORMATO_LINEAS"), formatos);
  EXPECT_EQ(contar(destino(), "PARAMETROS_ANO", "PAAN_ANO = '2026'"), subida() ? 0 : 1);
  const db::Rows p = filas(destino(), "SELECT * FROM PARAMETROS_ANO WHERE PAAN_ANO = '2027'");
  if (subida()) {
    ASSERT_EQ(p.size(), 1u);
    mismas_columnas(p, 0, filas(origen(), "SELECT * FROM PARAMETROS_ANO WHERE PAAN_ANO = '2027'"),
                    0, 0);
  } else {
    EXPECT_EQ(p.size(), 0u) << "year parameters are not received";
  }
}

INSTANTIATE_TEST_SUITE_P(Fases, Formatos, ::testing::Values(Fase::Descarga, Fase::Subida),
                         nombre_fase);
INSTANTIATE_TEST_SUITE_P(Fases, FormatosEnviados, ::testing::Values(Fase::Subida), nombre_fase);

}  // namespace
