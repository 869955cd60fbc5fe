// The login below its window: the server list file, the user query and the message
// the operator reads for each way a login fails.
#include <gtest/gtest.h>

#include <fstream>

#include "shell/acceso.h"
#include "support/temp.h"

using shell::leer_servidores;
using V = std::vector<std::string>;

TEST(Servidores, LinesEndAtCrOrLfAndTheByteAfterACrIsDropped) {
  EXPECT_EQ(leer_servidores(std::string_view("A\r\nB\r\n")), (V{"A", "B"}));
  EXPECT_EQ(leer_servidores(std::string_view("A\n\nB\n")), (V{"A", "", "B"}));
  EXPECT_EQ(leer_servidores(std::string_view("A\rXB\n")), (V{"A", "B"}));
  // The file is 8-bit, in the suite's code page; the names come back as text.
  EXPECT_EQ(leer_servidores(std::string_view("srv01:C:\\velmora\r\n\xE1rbol:/Compa\xF1\xED"
                                             "a\n")),
            (V{"srv01:C:\\velmora", "árbol:/Compañía"}));
  EXPECT_EQ(leer_servidores(std::string_view("")), V{});
}

// Editors often save the last line without its end; it is a server like the others.
TEST(Servidores, ALastLineWithoutLineEndIsTaken) {
  EXPECT_EQ(leer_servidores(std::string_view("A\r\nB\r\nC")), (V{"A", "B", "C"}));
  EXPECT_EQ(leer_servidores(std::string_view("solo:/v")), (V{"solo:/v"}));
  EXPECT_EQ(leer_servidores(std::string_view("A\r")), (V{"A"}));
}

TEST(Servidores, AMissingFileGivesAnEmptyList) {
  testing_support::TempDir d;
  EXPECT_EQ(leer_servidores(d / "SERVIDORES.cfg"), V{});
  std::ofstream(d / "SERVIDORES.cfg", std::ios::binary) << "uno\r\ndos";
  EXPECT_EQ(leer_servidores(d / "SERVIDORES.cfg"), (V{"uno", "dos"}));
}

TEST(Acceso, TheUserCodeIsQuotedInTheQuery) {
  EXPECT_EQ(shell::consulta_usuario("O'BRIEN"),
            "select usua_nombre from usuario where usua_cod = 'O''BRIEN'");
  EXPECT_EQ(shell::consulta_usuario("PEÑA"),
            "select usua_nombre from usuario where usua_cod = 'PE\xD1\x41'");
}

TEST(Acceso, TheServersMessageChoosesWhatTheOperatorReads) {
  const std::string incorrecto = "El nombre de Usuario o la clave son incorrectas.";
  EXPECT_EQ(shell::mensaje_acceso("Your user name and password are not defined. Ask your "
                                  "database administrator to set up a Firebird login."),
            incorrecto);
  EXPECT_EQ(shell::mensaje_acceso(shell::UsuarioDesconocido("O'BRIEN").what()), incorrecto);
  EXPECT_EQ(shell::mensaje_acceso("I/O error during \"open\" operation for file "
                                  "\"/srv/datos/general.fdb\"\nError while trying to open file"),
            "No se encontró el archivo o la ruta /srv/datos/general.fdb");
  EXPECT_EQ(shell::mensaje_acceso("I/O error for file \"C:\\v\\datos\\general.fdb\""),
            "No se encontró el archivo o la ruta C:\\v\\datos\\general.fdb");
  EXPECT_EQ(shell::mensaje_acceso("Unable to complete network request to host \"srv9\".\nFailed "
                                  "to locate host machine."),
            "No se encontró el equipo servidor con nombre srv9");
  EXPECT_EQ(shell::mensaje_acceso("arithmetic exception"),
            "Se presento el siguiente error: arithmetic exception");
}
