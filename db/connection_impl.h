#pragma once
// Internal: what a Connection holds while it is attached.

#include <chrono>
#include <map>
#include <string>

#include "db/connection.h"
#include "db/fb.h"

namespace db {

struct Connection::Impl {
  fb::Ref<Firebird::IAttachment> att;
  std::chrono::seconds bound{0};  // how long a call may wait on the server
  std::vector<unsigned char> tpb;
  std::vector<unsigned char> tpb_lectura;
  // A read-only read-committed transaction kept open for plain reads: the server marks
  // it committed at its start, so it holds nothing back, and each read saves the
  // round trips of starting and committing a transaction of its own.
  fb::Transaction lectura;
  std::vector<unsigned char> tpb_auto;
  // A read-write autocommit transaction for plain statements: the server commits each
  // statement as it completes (a failed one undoes only itself), so a statement costs
  // its execute alone instead of start, execute and commit. Ended with the reads.
  fb::Transaction automatica;
  std::vector<unsigned char> tpb_retenida;
  // The held transaction (Connection::hold), when one is open.
  fb::Transaction retenida;
  // Statements that apply prepares once per connection and reuses.
  std::map<std::string, fb::Ref<Firebird::IStatement>> statements;

  ~Impl();
  fb::Transaction begin(ConnectionStats& stats);
  Firebird::ITransaction* reading(ConnectionStats& stats);
  Firebird::ITransaction* writing(ConnectionStats& stats);
  Firebird::IStatement* prepared(Firebird::ITransaction* tra, const std::string& sql,
                                 ConnectionStats& stats);
};

}  // namespace db
