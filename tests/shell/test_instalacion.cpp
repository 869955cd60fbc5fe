// The installation directory: the "Directorio" value of the system settings file
// (the registry on Windows, read the same way through QSettings).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <fstream>

#include "shell/instalacion.h"
#include "support/temp.h"

TEST(Directorio, ReadFromTheSystemSettingsFileAndMissingKeyToldOnce) {
  testing_support::TempDir d;
  std::filesystem::create_directories(d / "Lyr");
  std::ofstream(d / "Lyr" / "Velmora2026.conf") << "[General]\nDirectorio=/srv/velmora/app\n";
  testing_support::Entorno entorno({{"XDG_CONFIG_DIRS", d.path().string()}});
  int argc = 1;
  char nombre[] = "pruebas";
  char* argv[] = {nombre, nullptr};
  QCoreApplication app(argc, argv);
  std::vector<std::string> avisos;
  auto avisar = [&](const std::string& m) { avisos.push_back(m); };
  EXPECT_EQ(shell::diraplicacion(avisar), "/srv/velmora/app");
  EXPECT_TRUE(avisos.empty());

  std::ofstream(d / "Lyr" / "Velmora2026.conf", std::ios::trunc) << "[General]\nOtro=1\n";
  EXPECT_EQ(shell::diraplicacion(avisar), "");
  ASSERT_EQ(avisos.size(), 1u);
  EXPECT_EQ(avisos[0],
            "No se encontró la Clave HKEY_LOCAL_MACHINE\\Software\\Lyr\\Velmora2026\\Directorio");
}
