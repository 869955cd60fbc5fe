// What the agent takes from outside before any cycle: the command line, the scrambled
// password and the database paths.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/rutas.h"
#include "engine/tipos.h"
#include "plataforma/pagina_codigos.h"
#include "plataforma/rutas.h"
#include "shell/APUtilCrpt.h"
#include "shell/linea_comandos.h"
#include "support/sistema.h"
#include "support/temp.h"

using shell::analizar_linea;
using shell::LineaComandos;

TEST(LineaComandos, NinePositionalParametersAndUnattendedModeByTheFourth) {
  auto l = analizar_linea({"srv:/v", "sysdba", "clave", "001", "1", "otro:/v", "20", "5", "30"});
  EXPECT_TRUE(l.error.empty());
  EXPECT_TRUE(l.desatendido());
  EXPECT_EQ(l.parametro(1), "srv:/v");
  EXPECT_EQ(l.parametro(6), "otro:/v");
  EXPECT_EQ(l.parametro(9), "30");
  EXPECT_FALSE(analizar_linea({"srv:/v", "sysdba", "clave"}).desatendido());
  EXPECT_FALSE(analizar_linea({"srv:/v", "sysdba", "clave", ""}).desatendido());
}

TEST(LineaComandos, OptionsDoNotShiftThePositions) {
  auto l = analizar_linea({"--once", "srv:/v", "u", "--lock-timeout=5", "p", "001"});
  EXPECT_TRUE(l.una_vez);
  EXPECT_EQ(l.espera_bloqueo, 5);
  EXPECT_EQ(l.parametro(3), "p");
  EXPECT_EQ(l.parametro(4), "001");
  EXPECT_TRUE(analizar_linea({"--help"}).ayuda);
}

TEST(LineaComandos, NonNumericCountsAreReportedAndTheDefaultKept) {
  auto l = analizar_linea({"s", "u", "p", "001", "", "", "20;drop", "x", "7"});
  EXPECT_EQ(l.parametro(7), "");
  EXPECT_EQ(l.parametro(8), "");
  EXPECT_EQ(l.parametro(9), "7");
  ASSERT_EQ(l.avisos.size(), 2u);
  EXPECT_NE(l.avisos[0].find("20;drop"), std::string::npos);
}

TEST(LineaComandos, UnusableLinesAreRefused) {
  EXPECT_FALSE(analizar_linea({"--lock-timeout=0"}).error.empty());
  EXPECT_FALSE(analizar_linea({"--lock-timeout=3601"}).error.empty()) << "beyond an hour";
  EXPECT_EQ(analizar_linea({"--lock-timeout=3600"}).espera_bloqueo, 3600);
  EXPECT_FALSE(analizar_linea({"--lock-timeout=abc"}).error.empty());
  EXPECT_FALSE(analizar_linea({"--bogus"}).error.empty());
  EXPECT_FALSE(analizar_linea({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}).error.empty());
}

// The file sits in a folder named beyond any ANSI code page, as a path on the command
// line (UTF-8) may name it.
TEST(LineaComandos, AnEmptyPasswordComesFromAnOwnerOnlyFileOrTheEnvironment) {
  testing_support::TempDir dir;
  const std::filesystem::path carpeta = dir.path() / plataforma::ruta("Peña Ω");
  std::filesystem::create_directory(carpeta);
  const std::string archivo = plataforma::texto(carpeta / "clave");
  std::ofstream(carpeta / "clave", std::ios::binary) << "s3creta\r\n";
  testing_support::abrir_a_todos(carpeta / "clave");
  auto l = analizar_linea({"s", "u", "", "001", "--clave-archivo=" + archivo});
  EXPECT_EQ(l.error, shell::clave_legible_por_otros(archivo))
      << "a file others can read is refused";
  testing_support::cerrar_a_otros(carpeta / "clave");
  l = analizar_linea({"s", "u", "", "001", "--clave-archivo=" + archivo});
  EXPECT_TRUE(l.error.empty()) << l.error;
  EXPECT_EQ(l.parametro(3), "s3creta");
  EXPECT_FALSE(analizar_linea({"s", "u", "p", "001", "--clave-archivo=" + archivo}).error.empty())
      << "two passwords";
  EXPECT_FALSE(analizar_linea({"s", "u", "", "001", "--clave-archivo=" + (dir / "no").string()})
                   .error.empty());

  {
    testing_support::Entorno entorno({{shell::kVariableClave, "del-entorno-ñ-Ω"}});
    EXPECT_EQ(analizar_linea({"s", "u", "", "001"}).parametro(3), "del-entorno-ñ-Ω");
    EXPECT_EQ(analizar_linea({"s", "u", "dada", "001"}).parametro(3), "dada") << "parameter 3 wins";
  }
  testing_support::Entorno sin({{shell::kVariableClave, std::nullopt}});
  EXPECT_EQ(analizar_linea({"s", "u", "", "001"}).parametro(3), "");
}

TEST(Clave, ScramblingIsReversibleForEveryByteAndKeepsTheLength) {
  std::string todos;
  for (int i = 0; i < 256; ++i) todos += static_cast<char>(i);
  for (const std::string& p :
       {std::string(), std::string("masterkey"), todos, std::string("\xE1\xF1\xFF clave")}) {
    std::string e = shell::encriptar_clave(p);
    EXPECT_EQ(e.size(), p.size());
    EXPECT_EQ(shell::desencriptar_clave(e), p);
  }
  EXPECT_NE(shell::encriptar_clave("masterkey"), "masterkey");
}

TEST(Clave, ScramblesByPositionWithTheStoredTable) {
  // n = 3: byte i gets n + i + T(i) with T = 9, 2, 8 for positions 1, 2, 3.
  EXPECT_EQ(shell::encriptar_clave("AAA"), std::string({'A' + 13, 'A' + 7, 'A' + 14}));
  EXPECT_EQ(shell::encriptar_clave(std::string(1, '\xFF')), std::string(1, '\x0A'));  // wraps
}

TEST(Rutas, LocalPathsUseSlashesAndPartnersFollowTheRoot) {
  EXPECT_EQ(engine::ruta_general("srv:/velmora"), "srv:/velmora/datos/general.fdb");
  EXPECT_EQ(engine::ruta_compania("srv:/velmora", "001"), "srv:/velmora/datos/001/velmora.fdb");
  EXPECT_EQ(engine::ruta_socio("srv:/velmora", "002"), "srv:/velmora/datos/002/velmora.fdb");
  EXPECT_EQ(engine::ruta_socio("/tmp/inst", "002"), "/tmp/inst/datos/002/velmora.fdb");
  EXPECT_EQ(engine::ruta_socio("srv02:C:\\Velmora", "003"),
            "srv02:C:\\Velmora\\datos\\003\\velmora.fdb");
  EXPECT_EQ(engine::ruta_socio("C:/Velmora", "003"), "C:/Velmora\\datos\\003\\velmora.fdb");
  EXPECT_EQ(engine::ruta_socio("srv02:D:", "003"), "srv02:D:\\datos\\003\\velmora.fdb");
  EXPECT_FALSE(engine::es_ruta_windows("localhost:/srv/x"));
  EXPECT_TRUE(engine::es_ruta_windows("C:/Velmora"));  // a single letter before ":" is a drive
}

TEST(TiposDocumento, EveryCodeKnowsItsPhases) {
  EXPECT_NE(engine::buscar_tipo(11), nullptr);
  EXPECT_TRUE(engine::buscar_tipo(190)->subida);
  EXPECT_FALSE(engine::buscar_tipo(190)->descarga);
  for (int c : {1001, 1010, 1050, 1089}) {
    ASSERT_NE(engine::buscar_tipo(c), nullptr) << c;
    EXPECT_FALSE(engine::buscar_tipo(c)->descarga) << c;
  }
  for (int c : {2, 19, 236, 1002, 1009, 1090, 9999})
    EXPECT_EQ(engine::buscar_tipo(c), nullptr) << c;
  engine::TablaTipos t;
  EXPECT_THROW(t.registrar(190, engine::Fase::Descarga, [](engine::Contexto&) {}),
               std::logic_error);
  t.registrar(190, [](engine::Contexto&) {});
  EXPECT_NE(t.manejador(190, engine::Fase::Subida), nullptr);
  EXPECT_EQ(t.manejador(190, engine::Fase::Descarga), nullptr);
}

TEST(LineaComandos, OnlyTheExactOptionWordsAreOptionsAndTwoDashesEndThem) {
  LineaComandos l = analizar_linea({"srv:/x", "SYSDBA", "-h", "001"});
  EXPECT_FALSE(l.ayuda);
  EXPECT_EQ(l.parametro(3), "-h") << "a password that starts with a dash";
  LineaComandos m = analizar_linea({"srv:/x", "SYSDBA", "--", "--once", "001"});
  EXPECT_FALSE(m.una_vez);
  EXPECT_EQ(m.parametro(3), "--once");
  EXPECT_EQ(m.parametro(4), "001");
  EXPECT_TRUE(m.error.empty());
}

TEST(LineaComandos, NumbersBeyondWhatTheCycleTakesKeepTheDefaultLikeText) {
  LineaComandos l =
      analizar_linea({"s", "u", "c", "001", "", "", "99999999999", "35792", "2147483647"});
  EXPECT_EQ(l.parametro(7), "");
  EXPECT_EQ(l.parametro(8), "");
  EXPECT_EQ(l.parametro(9), "2147483647");
  EXPECT_EQ(l.avisos.size(), 2u);
}

TEST(Rutas, ACodeReadFromAFixedWidthColumnBuildsThePathWithoutItsBlanks) {
  EXPECT_EQ(engine::ruta_socio("srv:/velmora", "01 "), "srv:/velmora/datos/01/velmora.fdb");
  EXPECT_EQ(engine::ruta_socio("srv:C:\\velmora", "01 "),
            "srv:C:\\velmora\\datos\\01\\velmora.fdb");
}
