#pragma once
#include <stdexcept>
#include <string>

namespace db {

// An error reported by the Firebird server or client library. `what()` is the full
// message text as the server formats it (every line of the status vector), in UTF-8.
class Error : public std::runtime_error {
 public:
  Error(std::string message, long code, std::string sqlstate = {})
      : std::runtime_error(std::move(message)), code_(code), sqlstate_(std::move(sqlstate)) {}
  long code() const { return code_; }  // the main ISC error code
  const std::string& sqlstate() const { return sqlstate_; }
  bool is_lock_conflict() const;
  bool is_connection_lost() const;

 private:
  long code_;
  std::string sqlstate_;
};

// An error raised on the client side while a cached row is edited or posted, before
// anything reaches the server (a required column still NULL, a value that does not
// fit its column).
class ClientError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ConversionError : public ClientError {
 public:
  using ClientError::ClientError;
};

}  // namespace db
