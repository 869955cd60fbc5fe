#pragma once
// Test support: temporary folders and embedded databases.

#include <filesystem>
#include <optional>
#include <string>

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

db::ConnectParams embedded(const std::filesystem::path& file, int lock_timeout_seconds = 60);

// Creates an empty database and returns a connection to it.
void create_empty(const std::filesystem::path& file);

std::string read_file(const std::filesystem::path& file);

// Runs a shell command and returns what it printed; nothing when it could not run or
// ended with a failure.
std::optional<std::string> salida_de(const std::string& orden);

}  // namespace testing_support
