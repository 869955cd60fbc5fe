#include "support/temp.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "plataforma/pagina_codigos.h"
#include "plataforma/proceso.h"
#include "plataforma/rutas.h"
#include "schema/esquema.h"

namespace testing_support {
namespace fs = std::filesystem;

namespace {
// The program takes the user's locale as it starts (the client names files in its
// encoding); the tests run as it does.
[[maybe_unused]] const bool kLocale = [] {
  plataforma::tomar_locale();
  return true;
}();
}  // namespace

fs::path nueva_carpeta(const fs::path& base, std::string_view prefijo) {
  static const char kLetras[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device azar;
  for (int intento = 0; intento < 100; ++intento) {
    std::string nombre(prefijo);
    // Six letters, as mkdtemp's: LeakSanitizer's tracer has been seen to crash at the
    // exit of the database tests with longer names (a layout-sensitive fault of its own).
    for (int i = 0; i < 6; ++i) nombre += kLetras[azar() % (sizeof kLetras - 1)];
    const fs::path carpeta = base / nombre;
    if (fs::create_directory(carpeta)) {  // false: the name was taken
      fs::permissions(carpeta, fs::perms::owner_all);
      return carpeta;
    }
  }
  throw std::runtime_error("no se pudo crear una carpeta en " + plataforma::texto(base));
}

TempDir::TempDir() : path_(nueva_carpeta(fs::temp_directory_path(), "envio-test-")) {}

TempDir::~TempDir() {
  if (plataforma::variable("ENVIO_KEEP_TEST_FILES")) return;
  std::error_code ec;
  fs::remove_all(path_, ec);
}

db::ConnectParams embedded(const fs::path& file, int lock_timeout_seconds) {
  return db::ConnectParams{plataforma::texto(file), schema::kUser, schema::kPassword,
                           lock_timeout_seconds};
}

Entorno::Entorno(Valores valores) {
  for (const auto& [nombre, valor] : valores) {
    antes_.emplace_back(nombre, plataforma::variable(nombre));
    if (valor)
      plataforma::poner_variable(nombre, *valor);
    else
      plataforma::quitar_variable(nombre);
  }
}

Entorno::~Entorno() {
  for (auto it = antes_.rbegin(); it != antes_.rend(); ++it) {
    if (it->second)
      plataforma::poner_variable(it->first, *it->second);
    else
      plataforma::quitar_variable(it->first);
  }
}

void create_empty(const fs::path& file) { db::Connection::create_database(embedded(file)); }

std::optional<std::string> salida_de(const std::string& orden) {
  FILE* p = popen(orden.c_str(), "r");
  if (!p) return std::nullopt;
  std::string out;
  char buf[4096];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  if (pclose(p) != 0) return std::nullopt;
  return out;
}

std::string read_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace testing_support
