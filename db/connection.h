#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "db/rows.h"
#include "db/value.h"

namespace db {

class TargetSet;

struct ConnectParams {
  std::string database;  // "host:path" reaches a server; a bare path the embedded engine
  std::string user;
  std::string password;
  int lock_timeout_seconds = 60;  // how long a statement waits on a conflicting lock
  // How long an attachment may take to answer before it is given up (a server that
  // accepts the connection and never answers).
  int connect_timeout_seconds = 15;
  // How long a remote link may stay silent while a call waits on it (one fetch, one
  // blob segment, one execute, a commit, a detach) before the link is cut and the call
  // fails as a lost connection; 0: the lock timeout plus one minute. A result that keeps
  // arriving is never cut. The embedded engine has no link to watch.
  int operation_timeout_seconds = 0;
  int operation_bound() const {
    return operation_timeout_seconds > 0 ? operation_timeout_seconds : lock_timeout_seconds + 60;
  }
  bool operator==(const ConnectParams&) const = default;
};

// The parameter block of every attachment the program opens (the queue's listener's
// too): user, password, character set NONE, dialect 3, the path in UTF-8, the connect
// timeout; a page size above 0 creates the database with that page size.
std::vector<unsigned char> build_dpb(const ConnectParams& p, int page_size = 0);

// Counters of the client calls that cost a round trip on a remote server.
struct ConnectionStats {
  std::uint64_t transactions = 0;
  std::uint64_t prepares = 0;
  std::uint64_t executes = 0;
};

// One Firebird attachment: dialect 3, charset NONE (bytes travel verbatim). Every
// statement commits on its own: it runs in a read-committed, record-version
// autocommit transaction that waits on locks (bounded by the lock timeout) and that
// the server commits as each statement completes; a failed statement undoes only
// itself.
// A disconnected connection reconnects by itself, with its last parameters, for the
// next statement. One whose link was lost (the server dropped it, or the watchdog cut a
// silent one) does not: every statement fails at once with the error that lost it until
// the connection is opened again (connect) or disconnected, so that work begun on the
// lost attachment, under the locks it held, never goes on unnoticed on another.
class Connection {
 public:
  explicit Connection(std::string name = {});
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& name() const { return name_; }
  // New parameters take effect at the next connect; a connection to a different
  // database is closed first.
  void set_params(ConnectParams params);
  const ConnectParams& params() const { return params_; }

  void connect();              // throws db::Error
  void disconnect() noexcept;  // keeps the parameters
  bool connected() const;
  // The link was lost and the connection was not opened again since.
  bool perdida() const { return perdida_; }

  // Runs a statement that commits on its own and returns its result, fetched whole.
  // Blobs are read whole. Statements without a result give an empty Rows.
  Rows query(std::string_view sql, const std::vector<Value>& params = {});
  // Runs a SELECT that writes nothing in the connection's read-only transaction, which
  // stays open (it sees what is committed at each statement, like a fresh one). Not
  // for selectable procedures that write, such as identifier procedures.
  Rows read(std::string_view sql, const std::vector<Value>& params = {});
  // Ends the read-only and the autocommit transactions (the next statement starts
  // another), so that no transaction stays open between cycles of an agent that runs
  // for days. The next statement first checks whether any table changed meanwhile
  // (one small read of the catalogue) and, if one did, lets go of the statements
  // prepared so far and of the computed columns it knows: a statement prepared before
  // the suite altered a table goes on seeing the table as it was.
  void end_reads() noexcept;
  // Runs a statement that commits on its own; returns the number of rows it changed.
  std::uint64_t execute(std::string_view sql, const std::vector<Value>& params = {});
  // The same, without asking the server how many rows changed (one round trip less on
  // a remote server).
  void write(std::string_view sql, const std::vector<Value>& params = {});
  // Opens a cached, editable result set on a SELECT of one table (read like `read`).
  TargetSet open(std::string_view sql);
  // The same set without its rows, for rows to append: the statement is prepared (and
  // kept like any other) for its columns and not run, which saves its execution.
  TargetSet open_empty(std::string_view sql);

  // A transaction of its own, held open across the other statements until released:
  // it never waits on a lock (a row another transaction holds is refused at once, as a
  // lock conflict) and keeps the locks it takes until it ends. Used to claim a row
  // while work elsewhere is done on its behalf. One at a time; a lost attachment ends
  // it (rolled back by the server).
  void hold();  // throws db::Error
  bool holding() const;
  Rows query_held(std::string_view sql, const std::vector<Value>& params = {});
  std::uint64_t execute_held(std::string_view sql, const std::vector<Value>& params = {});
  // execute_held without asking how many rows changed.
  void write_held(std::string_view sql, const std::vector<Value>& params = {});
  // Commits (throws db::Error; the transaction is gone either way) or rolls back.
  void release_hold(bool commit);
  // Commits what the held transaction did so far, which lets go of its locks, and keeps
  // holding: the next statements run in it as before, without the round trip of
  // starting another. Throws db::Error; when it fails nothing is held any more.
  void commit_hold();

  // Creates a database file (used to build installations for tests and the sample).
  static void create_database(const ConnectParams& params, int page_size = 8192);

  const ConnectionStats& stats() const { return stats_; }

  // A filter each statement's text goes through before it runs (none: as written).
  // Tests give their own connections one, to speak to a schema whose columns are named
  // otherwise in the names of their statements.
  void set_rewriter(std::function<std::string(std::string_view)> rewriter) {
    rewriter_ = std::move(rewriter);
  }

 private:
  friend class TargetSet;
  struct Impl;
  struct Outcome {
    Rows rows;
    std::uint64_t affected = 0;
  };
  enum class Tx { Read, Auto, Held };
  Outcome run(std::string_view sql, const std::vector<Value>& params, bool want_rows, Tx which,
              bool want_count);
  // What the catalogue says of a table's columns that the message metadata cannot:
  // which are computed and which make up its primary key. Asked once per table.
  struct Catalogo {
    std::set<std::string> computed;
    std::set<std::string> key;
  };
  const Catalogo& catalogue(const std::string& relation);
  // A result set over `columns` and `data`: writable columns are those of its table
  // that the table lets a statement write.
  TargetSet editable(std::vector<Column> columns, std::vector<std::vector<Value>> data);
  void ensure_connected();
  void abrir();
  void lost(const class Error& e) noexcept;

  std::string name_;
  ConnectParams params_;
  std::unique_ptr<Impl> impl_;
  std::map<std::string, Catalogo> catalogue_;
  // The link was lost: no statement until connect or disconnect, each failing with the
  // error that lost it.
  bool perdida_ = false;
  std::string motivo_perdida_;
  long codigo_perdida_ = 0;
  bool revisar_ = true;  // check the tables' shape before the next statement
  std::string forma_;    // their shape when last checked
  ConnectionStats stats_;
  std::function<std::string(std::string_view)> rewriter_;
};

// Ends every attachment the client still holds and stops the embedded engine's
// threads. Called once, as the process ends: no connection works afterwards.
void shutdown_client() noexcept;

// How long the calls in progress may go on once the program is asked to end.
inline constexpr std::chrono::seconds kGraciaFin{4};
// The program is ending: every call still waiting on a server `gracia` from now is
// cut (its connection lost), on the embedded engine too, and no connection opens any
// more. Safe from any thread (a signal's); cannot be taken back.
void pedir_fin(std::chrono::seconds gracia = kGraciaFin) noexcept;
bool fin_pedido() noexcept;

}  // namespace db
