// The text logs: one record per line, appended and closed after each line, in the
// folder the installation directory names at the moment of writing.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/textos.h"
#include "errors/bitacora.h"
#include "support/escenario.h"

using testing_support::kAhora;
using testing_support::lineas_de;
using testing_support::TempDir;

namespace {

class Bitacora : public ::testing::Test {
 protected:
  std::vector<std::string> lineas(const char* archivo) const {
    return lineas_de(std::filesystem::path(carpeta) / archivo);
  }

  TempDir dir;
  std::string carpeta = dir.path().string();
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
  const std::filesystem::path archivo = std::filesystem::path(carpeta) / errors::kAuditoria;
  {
    std::FILE* f = std::fopen(archivo.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("linea anterior\n", f);
    std::fclose(f);
  }
  bitacora.auditoria("1", "2", "A", "q1");
  // The line is on disk as soon as the call returns.
  EXPECT_EQ(lineas_de(archivo).size(), 2u);
  reloj.poner(db::Timestamp{{2027, 1, 2}, {23, 5, 0, 0}});
  bitacora.auditoria("2", "2", "B", "q2");

  EXPECT_EQ(testing_support::read_file(archivo),
            "linea anterior\n2026-12-09,09:16:45,1,2,A,q1\n2027-01-02,23:05:00,2,2,B,q2\n");
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
  carpeta = (dir / "otra").string();
  std::filesystem::create_directory(carpeta);
  bitacora.error("", "dos");

  EXPECT_EQ(lineas_de(std::filesystem::path(primera) / errors::kErrorEnvio),
            std::vector<std::string>{"2026-12-09,09:16:45,,uno"});
  EXPECT_EQ(lineas(errors::kErrorEnvio), std::vector<std::string>{"2026-12-09,09:16:45,,dos"});
}

TEST_F(Bitacora, AFolderThatCannotBeWrittenIsReportedOnceAndNothingThrows) {
  std::vector<std::string> avisos;
  bitacora.poner_aviso([&](const std::string& m) { avisos.push_back(m); });
  carpeta = (dir / "no-existe").string();
  EXPECT_FALSE(bitacora.agregar(errors::kErrorEnvio, "perdido"));
  bitacora.error("", "otra vez");
  bitacora.auditoria("1", "2", "3", "select");  // another file: another report
  EXPECT_EQ(avisos,
            (std::vector<std::string>{
                db::textos::archivo_no_abre(carpeta + "/errorenvio.txt", std::strerror(ENOENT)),
                db::textos::archivo_no_abre(carpeta + "/ENVIO.TXT", std::strerror(ENOENT))}));
  EXPECT_FALSE(std::filesystem::exists(carpeta));
  // Once lines are written again, a new failure is reported again.
  carpeta = dir.path().string();
  EXPECT_TRUE(bitacora.agregar(errors::kErrorEnvio, "escrito"));
  carpeta = (dir / "no-existe").string();
  bitacora.error("", "perdido");
  EXPECT_EQ(avisos.size(), 3u);
}

TEST_F(Bitacora, WithoutAnInstallationDirectoryTheLogsGoToTheUsersStateFolder) {
  ::setenv("XDG_STATE_HOME", (dir / "estado").c_str(), 1);
  carpeta.clear();
  bitacora.error("", "sin carpeta");
  ::unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(lineas_de(dir / "estado" / "envioauto" / errors::kErrorEnvio),
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
