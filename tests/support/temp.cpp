#include "support/temp.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "schema/esquema.h"

namespace testing_support {
namespace fs = std::filesystem;

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

std::string read_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace testing_support
