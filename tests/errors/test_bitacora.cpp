// The text logs: one record per line, appended and closed after each line, in the
// folder the installation directory names at the moment of writing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/textos.h"
#include "errors/bitacora.h"
#include "plataforma/archivos.h"
#include "plataforma/pagina_codigos.h"
#include "plataforma/proceso.h"
#include "plataforma/rutas.h"
#include "support/escenario.h"
#include "support/sistema.h"

namespace fs = std::filesystem;
using plataforma::ruta;
using plataforma::texto;
using testing_support::kAhora;
using testing_support::lineas_de;
using testing_support::TempDir;

namespace {

class Bitacora : public ::testing::Test {
 protected:
  std::vector<std::string> lineas(const char* archivo) const {
    return lineas_de(ruta(carpeta) / archivo);
  }
  TempDir dir;
  std::string carpeta = texto(dir.path());  // the installation directory, as UTF-8 text
  engine::RelojFijo reloj{kAhora};
  errors::Bitacora bitacora{[this] { return carpeta; }, reloj};
};

}  // namespace

TEST_F(Bitacora, EachLogGetsItsOwnRecordLayout) {
  bitacora.error("", "sin lista");
  bitacora.error("11|COD\\EN000123,I,", "con evento");
  bitacora.conexion_fallida("/srv/velmora/datos/002/velmora.fdb");
  bitacora.conexion_fallida("h:/v/002/velmora.fdb", "Your user name and password\nare wrong");
  bitacora.auditoria("41", "11", "EN000123COD", "select first 80 * from replica_eventos");
  bitacora.acceso("SYSDBA", "Clave errada");

  EXPECT_EQ(lineas(errors::kErrorEnvio),
            (std::vector<std::string>{"2026-12-09,09:16:45,,sin lista",
                                      "2026-12-09,09:16:45,11|COD\\EN000123,I,,con evento",
                                      "2026-12-09,09:16:45,No se pudo conectar con el servidor "
                                      "/srv/velmora/datos/002/velmora.fdb",
                                      "2026-12-09,09:16:45,No se pudo conectar con el servidor "
                                      "h:/v/002/velmora.fdb: Your user name and password are "
                                      "wrong"}));
  EXPECT_EQ(lineas(errors::kAuditoria),
            std::vector<std::string>{
                "2026-12-09,09:16:45,41,11,EN000123COD,select first 80 * from replica_eventos"});
  EXPECT_EQ(lineas(errors::kErroresAcceso),
            std::vector<std::string>{"2026-12-09,09:16:45,SYSDBA,Clave errada"});
}

TEST_F(Bitacora, LinesAreAppendedToWhatTheFileHeldAndClosedOneByOne) {
  const fs::path archivo = dir / errors::kAuditoria;
  std::ofstream(archivo, std::ios::binary) << "linea anterior\n";
  bitacora.auditoria("1", "2", "A", "q1");
  // The line is on disk as soon as the call returns.
  EXPECT_EQ(lineas_de(archivo).size(), 2u);
  reloj.poner(db::Timestamp{{2027, 1, 2}, {23, 5, 0, 0}});
  bitacora.auditoria("2", "2", "B", "q2");

  const std::string fin = plataforma::forma_bitacora().fin_de_linea;
  EXPECT_EQ(testing_support::read_file(archivo), "linea anterior\n2026-12-09,09:16:45,1,2,A,q1" +
                                                     fin + "2027-01-02,23:05:00,2,2,B,q2" + fin);
}

TEST_F(Bitacora, LineBreaksInsideARecordBecomeBlanks) {
  bitacora.error("", "primera\nsegunda\r\ntercera\r");
  EXPECT_EQ(lineas(errors::kErrorEnvio),
            std::vector<std::string>{"2026-12-09,09:16:45,,primera segunda  tercera "});
  EXPECT_EQ(errors::una_linea("sin cambios"), "sin cambios");
}

TEST_F(Bitacora, TheFolderIsAskedForEveryLine) {
  bitacora.error("", "uno");
  const std::string primera = carpeta;
  carpeta = texto(dir / "otra");
  fs::create_directory(dir / "otra");
  bitacora.error("", "dos");

  EXPECT_EQ(lineas_de(ruta(primera) / errors::kErrorEnvio),
            std::vector<std::string>{"2026-12-09,09:16:45,,uno"});
  EXPECT_EQ(lineas(errors::kErrorEnvio), std::vector<std::string>{"2026-12-09,09:16:45,,dos"});
}

TEST_F(Bitacora, AFolderThatCannotBeWrittenIsReportedOnceAndNothingThrows) {
  std::vector<std::string> avisos;
  bitacora.poner_aviso([&](const std::string& m) { avisos.push_back(m); });
  const fs::path no_existe = dir / "no-existe";
  carpeta = texto(no_existe);
  EXPECT_FALSE(bitacora.agregar(errors::kErrorEnvio, "perdido"));
  bitacora.error("", "otra vez");
  bitacora.auditoria("1", "2", "3", "select");  // another file: another report
  // The system's reason follows the path.
  ASSERT_EQ(avisos.size(), 2u);
  EXPECT_EQ(
      avisos[0].rfind(db::textos::archivo_no_abre(texto(no_existe / "errorenvio.txt"), ""), 0), 0u)
      << avisos[0];
  EXPECT_EQ(avisos[1].rfind(db::textos::archivo_no_abre(texto(no_existe / "ENVIO.TXT"), ""), 0), 0u)
      << avisos[1];
  EXPECT_FALSE(fs::exists(no_existe));
  // Once lines are written again, a new failure is reported again.
  carpeta = texto(dir.path());
  EXPECT_TRUE(bitacora.agregar(errors::kErrorEnvio, "escrito"));
  carpeta = texto(no_existe);
  bitacora.error("", "perdido");
  EXPECT_EQ(avisos.size(), 3u);
}

TEST_F(Bitacora, WithoutAnInstallationDirectoryTheLogsGoToTheUsersStateFolder) {
  const fs::path estado = dir / "estado";
  testing_support::Entorno entorno(
      {{"XDG_STATE_HOME", texto(estado)}, {"LOCALAPPDATA", texto(estado)}});
  carpeta.clear();
  bitacora.error("", "sin carpeta");
  EXPECT_EQ(lineas_de(estado / "envioauto" / errors::kErrorEnvio),
            std::vector<std::string>{"2026-12-09,09:16:45,,sin carpeta"});
}

TEST_F(Bitacora, EveryLineIsInTheLogsOneEncodingWithTheDatabasesTextDecoded) {
  // The audit line takes the event's document and the list's SQL as the queue holds
  // them (the suite's code page); the program's words are UTF-8. A control character
  // from the data (an ESC, a C1 control) is shown escaped, a stray byte as U+FFFD.
  bitacora.auditoria("41", "11",
                     "\xD1\x31"
                     "000\xF3"
                     "C\x80",
                     "select * from replica_eventos where rpev_compania = '\xD1"
                     "03'");
  bitacora.error("", "La compañía dice \x1B[31m rojo \xC2\x85 y \xF1");
#ifdef _WIN32
  EXPECT_EQ(testing_support::read_file(dir / errors::kAuditoria),
            "2026-12-09,09:16:45,41,11,\xD1\x31"
            "000\xF3"
            "C\x80,select * from replica_eventos "
            "where rpev_compania = '\xD1"
            "03'\r\n");
  EXPECT_EQ(testing_support::read_file(dir / errors::kErrorEnvio),
            "2026-12-09,09:16:45,,La compa\xF1\xED"
            "a dice \\x1B[31m rojo \\x85 y ?\r\n");
#else
  EXPECT_EQ(testing_support::read_file(dir / errors::kAuditoria),
            "2026-12-09,09:16:45,41,11,Ñ1000óC€,select * from replica_eventos where rpev_compania "
            "= 'Ñ03'\n");
  EXPECT_EQ(testing_support::read_file(dir / errors::kErrorEnvio),
            "2026-12-09,09:16:45,,La compañía dice \\x1B[31m rojo \\x85 y \uFFFD\n");
#endif
}

// A folder named with letters beyond any ANSI code page ("Ω") is written where it is
// named: the path reaches the system whole (on Windows as UTF-16).
TEST_F(Bitacora, AFolderNamedWithAccentsAndLettersOfAnyScriptIsWrittenWhereItIsNamed) {
  const fs::path instalacion = dir.path() / ruta("Compañía Peña Ω");
  fs::create_directory(instalacion);
  carpeta = texto(instalacion);
  EXPECT_TRUE(bitacora.agregar(errors::kErrorEnvio, "con acentos"));
  EXPECT_EQ(lineas_de(instalacion / errors::kErrorEnvio), std::vector<std::string>{"con acentos"});
  EXPECT_EQ(bitacora.ruta(errors::kErrorEnvio), instalacion / errors::kErrorEnvio);
}

// A link planted where a log goes would make the agent write, with its rights, into
// whatever file the link names. The link is not followed.
TEST_F(Bitacora, ALinkInPlaceOfALogIsNotFollowed) {
  const fs::path ajeno = dir / "ajeno.txt";
  std::ofstream(ajeno, std::ios::binary) << "intacto\n";
  std::error_code ec;
  fs::create_symlink(ajeno, dir / errors::kErrorEnvio, ec);
  if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
  std::vector<std::string> avisos;
  bitacora.poner_aviso([&](const std::string& m) { avisos.push_back(m); });

  EXPECT_FALSE(bitacora.agregar(errors::kErrorEnvio, "desviada"));
  EXPECT_EQ(testing_support::read_file(ajeno), "intacto\n");
  ASSERT_EQ(avisos.size(), 1u);
  EXPECT_EQ(avisos[0].rfind(db::textos::archivo_no_abre(texto(dir / errors::kErrorEnvio), ""), 0),
            0u)
      << avisos[0];
}

namespace {

// Neither an installation directory nor a state folder: the logs fall back to the
// system's temporary folder, here the test's own.
class SinCarpetaDeEstado : public Bitacora {
 protected:
  SinCarpetaDeEstado() {
    fs::create_directory(temporal);
    carpeta.clear();
  }
  const fs::path temporal = dir / "tmp";
  testing_support::Entorno entorno{{"XDG_STATE_HOME", std::nullopt}, {"HOME", std::nullopt},
                                   {"LOCALAPPDATA", std::nullopt},   {"TMPDIR", texto(temporal)},
                                   {"TMP", texto(temporal)},         {"TEMP", texto(temporal)}};
  const fs::path respaldo = temporal / ("envioauto-" + plataforma::usuario());
  std::vector<std::string> avisos;
};

}  // namespace

TEST_F(SinCarpetaDeEstado, TheLogsGoToAFolderOfTheUsersOwnClosedToOthers) {
  bitacora.error("", "sin carpeta");
  EXPECT_EQ(lineas_de(respaldo / errors::kErrorEnvio),
            std::vector<std::string>{"2026-12-09,09:16:45,,sin carpeta"});
  EXPECT_EQ(plataforma::lectores(respaldo), plataforma::Lectores::SoloSuDueno);
  // A folder of the user's own that others could enter is closed to them.
  fs::permissions(respaldo,
                  fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                      fs::perms::others_exec,
                  fs::perm_options::add);
  bitacora.error("", "otra");
  EXPECT_EQ(plataforma::lectores(respaldo), plataforma::Lectores::SoloSuDueno);
  EXPECT_EQ(lineas_de(respaldo / errors::kErrorEnvio).size(), 2u);
}

// Someone who shares the temporary folder plants the fallback folder first, as a link
// to a folder of theirs or as a folder of their own, to read or redirect the logs.
TEST_F(SinCarpetaDeEstado, AFolderPlantedBySomeoneElseIsRefused) {
  bitacora.poner_aviso([&](const std::string& m) { avisos.push_back(m); });
  const fs::path destino = dir / "de-otro";
  fs::create_directory(destino);
  std::error_code ec;
  fs::create_directory_symlink(destino, respaldo, ec);
  if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();

  EXPECT_FALSE(bitacora.agregar(errors::kErrorEnvio, "por el enlace"));
  EXPECT_TRUE(fs::is_empty(destino));
  EXPECT_EQ(avisos, std::vector<std::string>{db::textos::carpeta_enlace(texto(respaldo))});

  fs::remove(respaldo);
  fs::create_directory(respaldo);
  if (testing_support::ceder(respaldo, "nobody") != testing_support::Cesion::Hecha)
    GTEST_SKIP() << "the folder cannot be given to another user here";
  EXPECT_FALSE(bitacora.agregar(errors::kErrorEnvio, "en carpeta ajena"));
  EXPECT_TRUE(fs::is_empty(respaldo));
  EXPECT_EQ(avisos.back(), db::textos::carpeta_ajena(texto(respaldo)));
}
