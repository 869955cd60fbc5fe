// An installation that speaks Spanish: its folder, the partners' roots and names, the
// documents' texts and codes hold "Compañía", "Ñ", "ó" and "€" in the suite's code page.
// A cycle copies the bytes as they are; everything that reaches a person or another
// program (the logs, the window, the status for machines) reads right.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "agente/estado.h"
#include "plataforma/pagina_codigos.h"
#include "support/escenario.h"

using agente::Resultado;
using testing_support::filas;
using testing_support::insertar_entrada;
using testing_support::insertar_evento;
using testing_support::mismas_columnas;
using testing_support::pendiente;
using testing_support::poner_socio;

namespace {

// What the suite's Windows clients store for a text.
std::string cp(std::string_view utf8) { return plataforma::hacia_suite(utf8); }

class InstalacionEnEspanol : public testing_support::Escenario {
 protected:
  InstalacionEnEspanol() : Escenario("Compañía Ñandú €") {
    // The suite keeps the partner's root in its code page, like any other text.
    poner_socio(bd1, "002", cp(raiz.string()));
    bd1.execute("UPDATE REPLICA_COMPANIA SET RPCP_NOMBRE = ?",
                {db::Value::text(cp("Distribuciones Peñalolén"))});
  }
};

void todas_utf8(const std::vector<std::string>& lineas) {
  for (const std::string& l : lineas) EXPECT_EQ(plataforma::utf8_valido(l), l) << l;
}

bool alguna_con(const std::vector<std::string>& lineas, const std::string& parte) {
  for (const std::string& l : lineas)
    if (l.find(parte) != std::string::npos) return true;
  return false;
}

}  // namespace

TEST_F(InstalacionEnEspanol, OneCycleCopiesTheBytesAndEveryLogAndStatusReadsRight) {
  const std::string pref = cp("Ñ1"), numero = cp("00ó1"), codigo = cp("Cód€");
  insertar_entrada(bd1, 1, pref, numero, 2);
  bd1.execute("UPDATE ENTRADAS SET ENTR_CONC = ?, ENTR_NOMTERC = ?, ENTR_OBS = ? WHERE ENTR_ID = 1",
              {db::Value::text(cp("Observación: año 2026, 12 €")),
               db::Value::text(cp("Compañía Ñandú")), db::Value::blob(cp("línea\x1B[1m ñ"))});
  bd1.execute("UPDATE ENTRADAS_DETALLE SET ENDE_DESC = ? WHERE ENTR_ID = 1",
              {db::Value::text(cp("Café de Peñalolén €"))});
  const auto copiada = insertar_evento(bd1, {.compania = "002",
                                             .tipo = 11,
                                             .iddoc = 1,
                                             .pref = pref,
                                             .numero = numero,
                                             .codigo = codigo});
  // A document the partner refuses in its own words, which hold accents too.
  insertar_entrada(bd1, 2, pref, "0002", 1);
  const auto rechazada = insertar_evento(bd1, {.compania = "002",
                                               .tipo = 11,
                                               .iddoc = 2,
                                               .pref = pref,
                                               .numero = "0002",
                                               .codigo = codigo});
  alterar(bd2, cp("CREATE EXCEPTION E_CERRADA 'Compañía cerrada: no recibe entradas'"));
  alterar(bd2,
          "CREATE TRIGGER T_CERRADA FOR ENTRADAS BEFORE INSERT AS BEGIN IF (NEW.ENTR_NUMERO = "
          "'0002') THEN EXCEPTION E_CERRADA; END");
  // A partner whose accented root does not exist, one whose RPCO_ACTIVA is neither S nor
  // N, and events for a company no partner row names.
  const std::string inalcanzable = "/no/existe/Compañía Ñ";
  poner_socio(bd1, "003", cp(inalcanzable));
  poner_socio(bd1, "004", cp(raiz.string()), cp("Ñ"));
  insertar_evento(bd1, {.compania = "003", .tipo = 11, .iddoc = 1, .pref = pref});
  insertar_evento(bd1, {.compania = cp("Ñ05"), .tipo = 11, .iddoc = 1, .pref = pref});

  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);

  // The partner under the accented root was reached and holds the source's bytes.
  EXPECT_FALSE(pendiente(bd1, copiada));
  db::Rows o = filas(bd1, "SELECT * FROM ENTRADAS WHERE ENTR_ID = 1");
  db::Rows d = filas(bd2, "SELECT * FROM ENTRADAS WHERE PREF_PRE = '" + pref +
                              "' AND ENTR_NUMERO = '" + numero + "'");
  ASSERT_EQ(d.size(), 1u);
  mismas_columnas(d, 0, o, 0, 1, {"NUMOK"});
  db::Rows lo = filas(bd1, "SELECT * FROM ENTRADAS_DETALLE WHERE ENTR_ID = 1 ORDER BY 2");
  db::Rows ld =
      filas(bd2, "SELECT * FROM ENTRADAS_DETALLE WHERE ENTR_ID = " + d.at(0, "ENTR_ID").as_text() +
                     " ORDER BY 2");
  ASSERT_EQ(ld.size(), 2u);
  for (std::size_t i = 0; i < ld.size(); ++i) mismas_columnas(ld, i, lo, i, 1);

  // The partner's words go into RPEV_ERROR in the code page, as the suite reads it.
  EXPECT_TRUE(pendiente(bd1, rechazada));
  const std::string error = filas(bd1, "SELECT RPEV_ERROR FROM REPLICA_EVENTOS WHERE RPEV_ID = " +
                                           std::to_string(rechazada))
                                .at(0, 0)
                                .as_text();
  EXPECT_NE(error.find(cp("Compañía cerrada: no recibe entradas")), std::string::npos) << error;
  EXPECT_EQ(error.find("\xC3"), std::string::npos) << "no UTF-8 in an 8-bit column";

  // Each log is in one encoding, the program's words beside the database's.
  const std::vector<std::string> errores = errores_log(), auditadas = auditoria();
  todas_utf8(errores);
  todas_utf8(auditadas);
  EXPECT_TRUE(alguna_con(errores, sello() + ",11|Cód€\\Ñ10002,I,,")) << errores.size();
  EXPECT_TRUE(alguna_con(errores, "Compañía cerrada: no recibe entradas"));
  EXPECT_TRUE(alguna_con(
      errores, sello() + ",,La compañía socia 004 tiene RPCO_ACTIVA = 'Ñ', que no es S ni N"));
  // The unreachable root is named as the suite holds it, by us and by the engine.
  const std::string ruta = inalcanzable + "/datos/003/velmora.fdb";
  EXPECT_TRUE(alguna_con(errores, sello() + ",No se pudo conectar con el servidor " + ruta + ": "));
  EXPECT_TRUE(alguna_con(errores, "\"" + ruta + "\""));
  EXPECT_TRUE(alguna_con(auditadas, ",11,Ñ100ó1Cód€,select first 500 * from replica_eventos"));
  EXPECT_EQ(vista.de("evento").front(), "11,I,Ñ100ó1,Cód€");

  // The status for machines is JSON a strict reader takes, accents and all.
  agente::Medicion m;
  m.compania = "001";
  const std::string json = agente::json(agente::medir(local, m, reloj));
  const std::filesystem::path archivo = dir / "estado.json";
  std::ofstream(archivo, std::ios::binary) << json;
  const std::optional<std::string> leido = testing_support::salida_de(
      "python3 -c 'import json,sys; d=json.load(open(sys.argv[1], encoding=\"utf-8\", "
      "errors=\"strict\")); print(\"|\".join([c[\"destinatario\"] for c in d[\"colas\"]] + "
      "d[\"inalcanzables\"]))' '" +
      archivo.string() + "'");
  ASSERT_TRUE(leido) << json;
  EXPECT_NE(leido->find("Ñ05"), std::string::npos) << *leido;
  EXPECT_NE(leido->find("No se pudo leer la cola de 003 (" + ruta + "): "), std::string::npos)
      << *leido;
}
