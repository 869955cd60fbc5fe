#pragma once
// Test support: temporary folders and embedded databases.

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/connection.h"

namespace testing_support {

// A fresh folder under the system's temporary directory, removed on destruction
// unless ENVIO_KEEP_TEST_FILES is set.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// A new folder under `base`, named `prefijo` and random letters, open to its owner only.
std::filesystem::path nueva_carpeta(const std::filesystem::path& base, std::string_view prefijo);

// Environment variables set (or, given none, removed) for the life of the object, then
// given back their former values.
class Entorno {
 public:
  using Valores = std::initializer_list<std::pair<const char*, std::optional<std::string>>>;
  explicit Entorno(Valores valores);
  ~Entorno();
  Entorno(const Entorno&) = delete;
  Entorno& operator=(const Entorno&) = delete;

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> antes_;
};

db::ConnectParams embedded(const std::filesystem::path& file, int lock_timeout_seconds = 60);

// Creates an empty database and returns a connection to it.
void create_empty(const std::filesystem::path& file);

std::string read_file(const std::filesystem::path& file);

// Runs a shell command and returns what it printed; nothing when it could not run or
// ended with a failure.
std::optional<std::string> salida_de(const std::string& orden);

}  // namespace testing_support
