#pragma once
// Internal: what a Connection holds while it is attached.

#include <map>
#include <string>

#include "db/connection.h"
#include "db/fb.h"

namespace db {

struct Connection::Impl {
  fb::Ref<Firebird::IAttachment> att;
  std::vector<unsigned char> tpb;
  std::vector<unsigned char> tpb_lectura;
  // A read-only read-committed transaction kept open for plain reads: the server marks
  // it committed at its start, so it holds nothing back, and each read saves the
  // round trips of starting and committing a transaction of its own.
  fb::Transaction lectura;
  // Statements that apply prepares once per connection and reuses.
  std::map<std::string, fb::Ref<Firebird::IStatement>> statements;

  ~Impl();
  fb::Transaction begin(ConnectionStats& stats);
  Firebird::ITransaction* reading(ConnectionStats& stats);
  Firebird::IStatement* prepared(Firebird::ITransaction* tra, const std::string& sql,
                                 ConnectionStats& stats);
};

}  // namespace db
