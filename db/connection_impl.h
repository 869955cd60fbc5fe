#pragma once
// Internal: what a Connection holds while it is attached.

#include <chrono>
#include <map>
#include <string>

#include "db/connection.h"
#include "db/fb.h"
#include "db/message.h"
#include "plataforma/red.h"

namespace db {

struct Connection::Impl {
  fb::Ref<Firebird::IAttachment> att;
  // The socket of a remote attachment, the watchdog's to look at and to cut.
  plataforma::Enchufe enchufe;
  // How long the link may stay silent during a call; zero for the embedded engine.
  std::chrono::seconds bound{0};
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
  // Data statements prepared once per attachment and reused, by their text (with the
  // spliced values already turned into parameters); the least recently used one goes
  // when the cache is full.
  // With each one, its messages as the client lays them out (read once, not at every
  // execution).
  struct Preparada {
    explicit Preparada(fb::Ref<Firebird::IStatement> s) : stmt(std::move(s)), forma(stmt.get()) {}
    // Frees a statement that is not kept (a failure throws the client's exception).
    void free() {
      fb::Status st;
      stmt->free(st.get());
      stmt.release_ownership();
    }
    fb::Ref<Firebird::IStatement> stmt;
    fb::Forma forma;
    std::uint64_t used = 0;
  };
  std::map<std::string, Preparada> statements;
  std::uint64_t uses = 0;

  ~Impl();
  fb::Transaction begin(ConnectionStats& stats);
  Firebird::ITransaction* reading(ConnectionStats& stats);
  Firebird::ITransaction* writing(ConnectionStats& stats);
  Preparada& prepared(Firebird::ITransaction* tra, const std::string& sql, ConnectionStats& stats);
  // Prepares a statement that is not kept.
  Preparada prepare_once(Firebird::ITransaction* tra, const std::string& sql,
                         ConnectionStats& stats);
  // Drops a cached statement (after it failed: the next use prepares it again).
  void forget(const std::string& sql) noexcept;
};

}  // namespace db
