// The installation directory: the "Directorio" value of the system settings file
// (the registry on Windows, read the same way through QSettings).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <fstream>

#include "plataforma/pagina_codigos.h"
#include "shell/instalacion.h"
#include "shell/linea_comandos.h"
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

TEST(PaginaCodigos, TheOptionWinsOverTheSettingBesideDirectorioWhichWinsOverWindows1252) {
  testing_support::TempDir d;
  std::filesystem::create_directories(d / "Lyr");
  std::ofstream(d / "Lyr" / "Velmora2026.conf")
      << "[General]\nDirectorio=/srv/velmora/app\nPaginaCodigos=ISO-8859-15\n";
  testing_support::Entorno entorno({{"XDG_CONFIG_DIRS", d.path().string()}});
  int argc = 1;
  char nombre[] = "pruebas";
  char* argv[] = {nombre, nullptr};
  QCoreApplication app(argc, argv);
  auto en_vigor = [] { return plataforma::pagina_suite().nombre(); };

  EXPECT_EQ(shell::elegir_pagina_codigos(""), "");
  EXPECT_EQ(en_vigor(), "ISO-8859-15");
  const shell::LineaComandos l =
      shell::analizar_linea({"--pagina-codigos=CP850", "s", "u", "c", "001"});
  ASSERT_TRUE(l.error.empty()) << l.error;
  EXPECT_EQ(shell::elegir_pagina_codigos(l.pagina_codigos), "");
  EXPECT_EQ(en_vigor(), "CP850");
  EXPECT_EQ(shell::elegir_pagina_codigos("NO-EXISTE-9"),
            plataforma::textos::pagina_desconocida("NO-EXISTE-9"));
  EXPECT_EQ(en_vigor(), "CP850") << "a name refused changes nothing";
  EXPECT_FALSE(shell::analizar_linea({"--pagina-codigos="}).error.empty());

  std::ofstream(d / "Lyr" / "Velmora2026.conf", std::ios::trunc) << "[General]\nOtro=1\n";
  EXPECT_EQ(shell::elegir_pagina_codigos(""), "");
  EXPECT_EQ(en_vigor(), plataforma::kPaginaPorDefecto);
}
