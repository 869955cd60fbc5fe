// A database in a folder named with accents and letters of any script ("C:\Usuarios\Peña"):
// the path travels as UTF-8 and the client is told so, whatever the system's locale or
// ANSI code page.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/connection.h"
#include "plataforma/pagina_codigos.h"
#include "plataforma/rutas.h"
#include "support/temp.h"

TEST(RutaConAcentos, ADatabaseUnderAFolderNamedWithAccentsIsCreatedAndOpened) {
  // The user's locale, taken as the program takes it at its start.
  testing_support::Entorno entorno({{"LC_ALL", "C.UTF-8"}});
  plataforma::tomar_locale();
  testing_support::TempDir dir;
  const std::filesystem::path carpeta = dir.path() / plataforma::ruta("Compañía Peña Ω");
  std::filesystem::create_directory(carpeta);
  const std::filesystem::path archivo = carpeta / "velmora.fdb";
  testing_support::create_empty(archivo);
  db::Connection c("acentos");
  c.set_params(testing_support::embedded(archivo));
  EXPECT_EQ(c.query("SELECT 7 FROM RDB$DATABASE").at(0, 0).as_integer(), 7);
  EXPECT_TRUE(std::filesystem::exists(archivo)) << "created under its own name";
}
