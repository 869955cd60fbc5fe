#include "support/temp.h"

#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "plataforma/pagina_codigos.h"
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

TempDir::TempDir() {
  std::string tpl = (fs::temp_directory_path() / "envio-test-XXXXXX").string();
  if (!::mkdtemp(tpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tpl;
}

TempDir::~TempDir() {
  if (std::getenv("ENVIO_KEEP_TEST_FILES")) return;
  std::error_code ec;
  fs::remove_all(path_, ec);
}

db::ConnectParams embedded(const fs::path& file, int lock_timeout_seconds) {
  return db::ConnectParams{file.string(), schema::kUser, schema::kPassword, lock_timeout_seconds};
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
