#include "db/connection.h"

#include <ibase.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <mutex>
#include <optional>
#include <stdexcept>

#include "db/connection_impl.h"
#include "db/error.h"
#include "db/literals.h"
#include "db/message.h"
#include "db/target_set.h"
#include "db/textos.h"
#include "db/vigia.h"
#include "plataforma/red.h"

namespace db {
namespace {

using Firebird::FbException;
using Firebird::IStatement;

constexpr std::size_t kMaxCachedStatements = 256;

std::vector<unsigned char> build_tpb(int lock_timeout_seconds, bool read_only = false,
                                     bool autocommit = false) {
  fb::Status st;
  Firebird::IXpbBuilder* b =
      fb::util()->getXpbBuilder(st.get(), Firebird::IXpbBuilder::TPB, nullptr, 0);
  b->insertTag(st.get(), read_only ? isc_tpb_read : isc_tpb_write);
  b->insertTag(st.get(), isc_tpb_read_committed);
  b->insertTag(st.get(), isc_tpb_rec_version);
  if (autocommit) b->insertTag(st.get(), isc_tpb_autocommit);
  if (lock_timeout_seconds > 0) {
    b->insertTag(st.get(), isc_tpb_wait);
    b->insertInt(st.get(), isc_tpb_lock_timeout, lock_timeout_seconds);
  } else {
    b->insertTag(st.get(), isc_tpb_nowait);
  }
  const unsigned char* p = b->getBuffer(st.get());
  std::vector<unsigned char> tpb(p, p + b->getBufferLength(st.get()));
  b->dispose();
  return tpb;
}

constexpr int kPuertoFirebird = 3050;

// A port written in digits; 0 (any port) for a service name, whose number only the
// system's service list knows.
int puerto_escrito(std::string_view s) {
  if (s.empty()) return kPuertoFirebird;
  int n = 0;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c)) || n > 65535) return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

// The server's TCP port in a connection string ("host:path", "host/port:path",
// "inet://host:port/path", ...); -1 for a path the embedded engine opens.
int puerto(std::string_view base) {
  for (std::string_view esquema : {"inet://", "inet4://", "inet6://"}) {
    if (base.substr(0, esquema.size()) != esquema) continue;
    std::string_view anfitrion = base.substr(esquema.size());
    anfitrion = anfitrion.substr(0, anfitrion.find('/'));
    std::size_t fin_v6 = anfitrion.rfind(']');
    std::size_t dos_puntos = anfitrion.rfind(':');
    if (dos_puntos == std::string_view::npos ||
        (fin_v6 != std::string_view::npos && dos_puntos < fin_v6))
      return kPuertoFirebird;
    return puerto_escrito(anfitrion.substr(dos_puntos + 1));
  }
  if (base.find("://") != std::string_view::npos) return -1;  // xnet, wnet: no TCP
  // "host[/port]:path"; a bracketed IPv6 address keeps its colons, and one letter before
  // the colon is a Windows drive, which the embedded engine opens.
  std::size_t desde = base.size() > 0 && base[0] == '[' ? base.find(']') : 0;
  if (desde == std::string_view::npos) return -1;
  std::size_t dos_puntos = base.find(':', desde);
  if (dos_puntos == std::string_view::npos || dos_puntos <= 1) return -1;
  std::string_view anfitrion = base.substr(0, dos_puntos);
  std::size_t barra = anfitrion.find('/', desde);
  return barra == std::string_view::npos ? kPuertoFirebird
                                         : puerto_escrito(anfitrion.substr(barra + 1));
}

std::string upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

// The embedded engine (Firebird 3) opens its shared files (lock table, monitoring) in
// a loop that repeats while errno says EINTR without looking at whether the call
// failed: an errno left at EINTR by anything earlier on the thread (a signal that
// interrupted the window's wait for events) makes an attach or a detach spin for ever.
// Every call that may open those files starts with errno clean.
void errno_limpio() { errno = 0; }

}  // namespace

std::vector<unsigned char> build_dpb(const ConnectParams& p, int page_size) {
  fb::Status st;
  Firebird::IXpbBuilder* b =
      fb::util()->getXpbBuilder(st.get(), Firebird::IXpbBuilder::DPB, nullptr, 0);
  if (!p.user.empty()) b->insertString(st.get(), isc_dpb_user_name, p.user.c_str());
  b->insertString(st.get(), isc_dpb_password, p.password.c_str());
  b->insertString(st.get(), isc_dpb_lc_ctype, "NONE");
  // The path (and the strings of this block) are UTF-8 and go as they are: a root
  // decoded from the suite's code page reaches any server unambiguously, and the
  // password's bytes are the ones given (the suite's code page), never re-encoded by
  // the client after the workstation's locale.
  b->insertTag(st.get(), isc_dpb_utf8_filename);
  b->insertInt(st.get(), isc_dpb_sql_dialect, 3);
  if (p.connect_timeout_seconds > 0)
    b->insertInt(st.get(), isc_dpb_connect_timeout, p.connect_timeout_seconds);
  if (page_size > 0) {
    b->insertInt(st.get(), isc_dpb_page_size, page_size);
    b->insertString(st.get(), isc_dpb_set_db_charset, "NONE");
  }
  const unsigned char* buf = b->getBuffer(st.get());
  std::vector<unsigned char> dpb(buf, buf + b->getBufferLength(st.get()));
  b->dispose();
  return dpb;
}

Connection::Impl::~Impl() {
  // A frozen link must not hold the rollbacks and the detach forever. The extra
  // reference keeps the attachment object alive until the watch has ended.
  if (att) att->addRef();
  Firebird::IAttachment* vigilado = att.get();
  std::optional<fb::Turno> turno;
  turno.emplace(vigilado, bound);
  retenida.rollback_quietly();
  lectura.rollback_quietly();
  automatica.rollback_quietly();  // everything it ran is committed already
  while (!statements.empty()) forget(statements.begin()->first);
  if (att) {
    fb::QuietStatus st;
    errno_limpio();
    att->detach(st.get());
    if (!st.failed()) att.release_ownership();
  }
  turno.reset();
  if (vigilado) {
    fb::olvidar(vigilado);
    vigilado->release();
  }
}

// Starting a transaction reaches the server like any statement: a lost link fails here
// too, and the failure is the project's own error, never the client's exception.
fb::Transaction Connection::Impl::begin(ConnectionStats& stats) {
  try {
    fb::Status st;
    ++stats.transactions;
    return fb::Transaction(
        att->startTransaction(st.get(), static_cast<unsigned>(tpb.size()), tpb.data()));
  } catch (const FbException& e) {
    fb::rethrow(e);
  }
}

Firebird::ITransaction* Connection::Impl::reading(ConnectionStats& stats) {
  if (!lectura.get()) {
    try {
      fb::Status st;
      ++stats.transactions;
      lectura = fb::Transaction(att->startTransaction(
          st.get(), static_cast<unsigned>(tpb_lectura.size()), tpb_lectura.data()));
    } catch (const FbException& e) {
      fb::rethrow(e);
    }
  }
  return lectura.get();
}

Firebird::ITransaction* Connection::Impl::writing(ConnectionStats& stats) {
  if (!automatica.get()) {
    try {
      fb::Status st;
      ++stats.transactions;
      automatica = fb::Transaction(
          att->startTransaction(st.get(), static_cast<unsigned>(tpb_auto.size()), tpb_auto.data()));
    } catch (const FbException& e) {
      fb::rethrow(e);
    }
  }
  return automatica.get();
}

Connection::Impl::Preparada Connection::Impl::prepare_once(Firebird::ITransaction* tra,
                                                           const std::string& sql,
                                                           ConnectionStats& stats) {
  fb::Status st;
  ++stats.prepares;
  return Preparada(
      fb::Ref<IStatement>(att->prepare(st.get(), tra, static_cast<unsigned>(sql.size()),
                                       sql.c_str(), 3, IStatement::PREPARE_PREFETCH_METADATA)));
}

Connection::Impl::Preparada& Connection::Impl::prepared(Firebird::ITransaction* tra,
                                                        const std::string& sql,
                                                        ConnectionStats& stats) {
  auto it = statements.find(sql);
  if (it != statements.end()) {
    it->second.used = ++uses;
    return it->second;
  }
  if (statements.size() >= kMaxCachedStatements) {
    auto oldest = statements.begin();
    for (auto i = statements.begin(); i != statements.end(); ++i)
      if (i->second.used < oldest->second.used) oldest = i;
    forget(oldest->first);
  }
  Preparada& c = statements.emplace(sql, prepare_once(tra, sql, stats)).first->second;
  c.used = ++uses;
  return c;
}

void Connection::Impl::forget(const std::string& sql) noexcept {
  auto it = statements.find(sql);
  if (it == statements.end()) return;
  fb::QuietStatus st;
  it->second.stmt->free(st.get());
  if (!st.failed()) it->second.stmt.release_ownership();
  statements.erase(it);
}

Connection::Connection(std::string name) : name_(std::move(name)) {}

Connection::~Connection() { disconnect(); }

void pedir_fin(std::chrono::seconds gracia) noexcept { fb::pedir_fin(gracia); }
bool fin_pedido() noexcept { return fb::fin_pedido(); }

void Connection::set_params(ConnectParams params) {
  if (params == params_) return;
  disconnect();
  if (params.database != params_.database) catalogue_.clear();
  params_ = std::move(params);
}

bool Connection::connected() const { return impl_ && impl_->att; }

void Connection::connect() {
  perdida_ = false;
  abrir();
}

void Connection::abrir() {
  if (connected()) return;
  if (fb::fin_pedido())
    throw Error(textos::programa_terminando(params_.database), isc_att_shutdown);
  auto impl = std::make_unique<Impl>();
  try {
    std::vector<unsigned char> dpb = build_dpb(params_, 0);
    const int tcp = puerto(params_.database);
    {
      // The socket the client opens for a remote attachment is the one that appears
      // meanwhile: one thread attaches at a time (bounded by the connect timeout).
      std::lock_guard<std::mutex> uno(fb::apertura());
      plataforma::Sockets antes = tcp >= 0 ? plataforma::sockets_abiertos() : plataforma::Sockets{};
      fb::Status st;
      errno_limpio();
      impl->att = fb::Ref<Firebird::IAttachment>(fb::provider()->attachDatabase(
          st.get(), params_.database.c_str(), static_cast<unsigned>(dpb.size()), dpb.data()));
      if (tcp >= 0) impl->enchufe = plataforma::Enchufe::nuevo(antes, tcp);
    }
    if (tcp >= 0) impl->bound = std::chrono::seconds(params_.operation_bound());
    fb::registrar(impl->att.get(), &impl->enchufe, params_.database);
    impl->tpb = build_tpb(params_.lock_timeout_seconds);
    impl->tpb_lectura = build_tpb(0, true);
    impl->tpb_auto = build_tpb(params_.lock_timeout_seconds, false, true);
    impl->tpb_retenida = build_tpb(0);
  } catch (const FbException& e) {
    fb::rethrow(e);
  }
  impl_ = std::move(impl);
}

void Connection::disconnect() noexcept {
  perdida_ = false;
  impl_.reset();
}

void Connection::end_reads() noexcept {
  revisar_ = true;
  if (!impl_) return;
  fb::Turno turno(impl_->att.get(), impl_->bound);
  impl_->lectura.rollback_quietly();
  impl_->automatica.commit_quietly();
}

namespace {
// The shape of every table in one row: the format number that each change of a
// table's columns or their types raises, and the database's own columns by name and
// position (a rename or a move raises no format). Numbers only, summed over a scan of
// the catalogue: a third of the time of hashing the whole text of every column, and it
// runs once per cycle on each connection.
constexpr const char* kFormaTablas =
    "SELECT (SELECT SUM(RDB$FORMAT) FROM RDB$RELATIONS), COUNT(*), "
    "SUM(MOD(HASH(F.RDB$FIELD_NAME), 1000003) * (COALESCE(F.RDB$FIELD_POSITION, 0) + 1)) "
    "FROM RDB$RELATION_FIELDS F WHERE COALESCE(F.RDB$SYSTEM_FLAG, 0) = 0";
}  // namespace

void Connection::ensure_connected() {
  if (!connected()) {
    if (perdida_) throw Error(motivo_perdida_, codigo_perdida_);
    abrir();
    revisar_ = true;
  }
  if (!revisar_) return;
  // Once per cycle, before its first statement: the suite may have changed a table
  // since. A statement prepared before goes on seeing the table as it was (a column
  // added would never be copied), so then every prepared statement and every known
  // computed column is let go.
  revisar_ = false;
  try {
    Rows r = read(kFormaTablas);
    std::string forma;
    for (std::size_t i = 0; i < r.columns().size(); ++i) forma += r.at(0, i).as_text() + ",";
    if (forma != forma_) {
      while (!impl_->statements.empty()) impl_->forget(impl_->statements.begin()->first);
      catalogue_.clear();
      forma_ = std::move(forma);
    }
  } catch (...) {
    revisar_ = true;
    throw;
  }
}

void Connection::lost(const Error& e) noexcept {
  if (!e.is_connection_lost()) return;
  impl_.reset();
  perdida_ = true;
  motivo_perdida_ = e.what();
  codigo_perdida_ = e.code();
}

void Connection::create_database(const ConnectParams& params, int page_size) {
  try {
    std::vector<unsigned char> dpb = build_dpb(params, page_size);
    fb::Status st;
    errno_limpio();
    Firebird::IAttachment* att = fb::provider()->createDatabase(
        st.get(), params.database.c_str(), static_cast<unsigned>(dpb.size()), dpb.data());
    errno_limpio();
    att->detach(st.get());
  } catch (const FbException& e) {
    fb::rethrow(e);
  }
}

Connection::Outcome Connection::run(std::string_view sql_text, const std::vector<Value>& params,
                                    bool want_rows, Tx which, bool want_count) {
  std::string rewritten;
  if (rewriter_) sql_text = rewritten = rewriter_(sql_text);
  if (which == Tx::Held) {
    if (!holding()) throw std::logic_error(textos::sin_transaccion_retenida());
  } else {
    ensure_connected();
  }
  const bool read_only = which == Tx::Read;
  Parameterized p = parameterize(sql_text, params);
  Outcome out;
  try {
    try {
      // Inside the try: the watch ends before a lost attachment is let go below.
      fb::Turno turno(impl_->att.get(), impl_->bound);
      fb::Status st;
      Firebird::IAttachment* att = impl_->att.get();
      Firebird::ITransaction* tx = which == Tx::Held ? impl_->retenida.get()
                                   : read_only       ? impl_->reading(stats_)
                                                     : impl_->writing(stats_);
      // Data statements stay prepared for the next time; anything else is prepared,
      // run and freed.
      std::optional<Impl::Preparada> own;
      Impl::Preparada& pr = p.reusable ? impl_->prepared(tx, p.sql, stats_)
                                       : own.emplace(impl_->prepare_once(tx, p.sql, stats_));
      IStatement* stmt = pr.stmt.get();
      fb::Forma& f = pr.forma;
      f.entrada.poner(p.params, att, tx);
      ++stats_.executes;
      if (f.type == isc_info_sql_stmt_select || f.type == isc_info_sql_stmt_select_for_upd) {
        auto fetch = [&](const fb::Disposicion& d, const std::vector<bool>* como_texto) {
          std::vector<std::vector<Value>> data;
          if (f.fila.size() < d.largo) f.fila.resize(d.largo);
          const std::size_t n = d.campos.size();
          fb::Ref<Firebird::IResultSet> rs(stmt->openCursor(st.get(), tx, f.entrada.metadata(),
                                                            f.entrada.buffer(), d.meta.get(), 0));
          while (rs->fetchNext(st.get(), f.fila.data()) == Firebird::IStatus::RESULT_OK) {
            std::vector<Value> row;
            row.reserve(n);
            for (std::size_t i = 0; i < n; ++i) {
              Value v = fb::decode(d.campos[i], f.fila.data(), att, tx);
              if (como_texto && (*como_texto)[i] && !v.is_null()) v = Value::blob(v.bytes());
              row.push_back(std::move(v));
            }
            data.push_back(std::move(row));
          }
          rs->close(st.get());
          rs.release_ownership();
          return data;
        };
        // Plain reads take their blobs inside the rows; a blob too long for that sends
        // the read again the usual way (it writes nothing, so running it twice is
        // running it once, later).
        std::optional<std::vector<std::vector<Value>>> data;
        if (read_only && f.salida_texto.meta) {
          try {
            data = fetch(f.salida_texto, &f.como_texto);
          } catch (const FbException& e) {
            if (!fb::truncated(e)) throw;
          }
        }
        if (!data) data = fetch(f.salida, nullptr);
        if (want_rows) out.rows = Rows(f.columnas, std::move(*data));
      } else {
        const std::size_t out_count = f.salida.campos.size();
        if (f.fila.size() < f.salida.largo) f.fila.resize(f.salida.largo);
        stmt->execute(st.get(), tx, f.entrada.metadata(), f.entrada.buffer(),
                      out_count ? f.salida.meta.get() : nullptr,
                      out_count ? f.fila.data() : nullptr);
        // Asking costs a round trip of its own: only for the callers that want it.
        if (want_count) out.affected = stmt->getAffectedRecords(st.get());
        if (out_count && want_rows) {
          std::vector<Value> row;
          for (const fb::Campo& c : f.salida.campos)
            row.push_back(fb::decode(c, f.fila.data(), att, tx));
          out.rows = Rows(fb::describe(f.salida.meta.get()), {std::move(row)});
        }
      }
      if (own) own->free();
    } catch (const FbException& e) {
      fb::rethrow(e);
    }
  } catch (const Error& e) {
    // The failed statement undid itself; a fresh autocommit transaction serves the next.
    // A held transaction goes on: only the failed statement is undone in it.
    if (impl_ && which == Tx::Auto) impl_->automatica.rollback_quietly();
    if (impl_ && p.reusable) impl_->forget(p.sql);
    lost(e);
    throw;
  }
  return out;
}

Rows Connection::query(std::string_view sql, const std::vector<Value>& params) {
  return run(sql, params, true, Tx::Auto, false).rows;
}

Rows Connection::read(std::string_view sql, const std::vector<Value>& params) {
  return run(sql, params, true, Tx::Read, false).rows;
}

std::uint64_t Connection::execute(std::string_view sql, const std::vector<Value>& params) {
  return run(sql, params, false, Tx::Auto, true).affected;
}

void Connection::write(std::string_view sql, const std::vector<Value>& params) {
  run(sql, params, false, Tx::Auto, false);
}

void Connection::hold() {
  ensure_connected();
  if (holding()) throw std::logic_error(textos::transaccion_retenida_abierta());
  try {
    try {
      fb::Turno turno(impl_->att.get(), impl_->bound);
      fb::Status st;
      ++stats_.transactions;
      impl_->retenida = fb::Transaction(impl_->att->startTransaction(
          st.get(), static_cast<unsigned>(impl_->tpb_retenida.size()), impl_->tpb_retenida.data()));
    } catch (const FbException& e) {
      fb::rethrow(e);
    }
  } catch (const Error& e) {
    lost(e);
    throw;
  }
}

bool Connection::holding() const { return impl_ && impl_->retenida.get(); }

Rows Connection::query_held(std::string_view sql, const std::vector<Value>& params) {
  return run(sql, params, true, Tx::Held, false).rows;
}

std::uint64_t Connection::execute_held(std::string_view sql, const std::vector<Value>& params) {
  return run(sql, params, false, Tx::Held, true).affected;
}

void Connection::write_held(std::string_view sql, const std::vector<Value>& params) {
  run(sql, params, false, Tx::Held, false);
}

void Connection::release_hold(bool commit) {
  if (!holding()) return;
  if (!commit) {
    fb::Turno turno(impl_->att.get(), impl_->bound);
    impl_->retenida.rollback_quietly();
    return;
  }
  try {
    fb::Turno turno(impl_->att.get(), impl_->bound);
    impl_->retenida.commit();
  } catch (const Error& e) {
    lost(e);
    throw;
  }
}

void Connection::commit_hold() {
  if (!holding()) throw std::logic_error(textos::sin_transaccion_retenida());
  try {
    fb::Turno turno(impl_->att.get(), impl_->bound);
    impl_->retenida.commit_retaining();
  } catch (const Error& e) {
    lost(e);
    throw;
  }
}

const Connection::Catalogo& Connection::catalogue(const std::string& relation) {
  auto it = catalogue_.find(relation);
  if (it != catalogue_.end()) return it->second;
  Rows r = read(
      "SELECT TRIM(RF.RDB$FIELD_NAME), IIF(F.RDB$COMPUTED_BLR IS NULL, 0, 1), IIF(EXISTS(SELECT 1 "
      "FROM RDB$RELATION_CONSTRAINTS RC JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = "
      "RC.RDB$INDEX_NAME WHERE RC.RDB$RELATION_NAME = RF.RDB$RELATION_NAME AND "
      "RC.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' AND S.RDB$FIELD_NAME = RF.RDB$FIELD_NAME), 1, 0) "
      "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
      "WHERE RF.RDB$RELATION_NAME = ?",
      {Value::text(relation)});
  Catalogo c;
  for (std::size_t i = 0; i < r.size(); ++i) {
    if (r.at(i, 1).as_integer() != 0) c.computed.insert(r.at(i, 0).as_text());
    if (r.at(i, 2).as_integer() != 0) c.key.insert(r.at(i, 0).as_text());
  }
  return catalogue_.emplace(relation, std::move(c)).first->second;
}

TargetSet Connection::open(std::string_view sql) {
  Rows r = read(sql);
  std::vector<Column> columns = r.columns();
  return editable(std::move(columns), r.take_rows());
}

TargetSet Connection::open_empty(std::string_view sql) {
  ensure_connected();
  Parameterized p = parameterize(sql, {});
  std::vector<Column> columns;
  try {
    try {
      fb::Turno turno(impl_->att.get(), impl_->bound);
      Firebird::ITransaction* tx = impl_->reading(stats_);
      if (p.reusable) {
        columns = impl_->prepared(tx, p.sql, stats_).forma.columnas;
      } else {
        Impl::Preparada own = impl_->prepare_once(tx, p.sql, stats_);
        columns = own.forma.columnas;
        own.free();
      }
    } catch (const FbException& e) {
      fb::rethrow(e);
    }
  } catch (const Error& e) {
    if (impl_ && p.reusable) impl_->forget(p.sql);
    lost(e);
    throw;
  }
  return editable(std::move(columns), {});
}

TargetSet Connection::editable(std::vector<Column> columns, std::vector<std::vector<Value>> data) {
  std::string table;
  for (const Column& c : columns)
    if (!c.relation.empty()) {
      table = c.relation;
      break;
    }
  if (!table.empty()) {
    // Writes address a column by its own name, whatever alias the query gave it; a
    // column selected twice is written through its first occurrence only.
    const Catalogo& catalogo = catalogue(table);
    std::set<std::string> writable;
    for (Column& c : columns) {
      c.read_only = c.relation != table || c.field.empty() ||
                    catalogo.computed.count(upper(c.field)) > 0 || !writable.insert(c.field).second;
      c.key = !c.read_only && catalogo.key.count(upper(c.field)) > 0;
    }
    // A key is one only whole: a set that lacks one of its columns has none.
    std::size_t llave = 0;
    for (const Column& c : columns) llave += c.key;
    if (llave != catalogo.key.size())
      for (Column& c : columns) c.key = false;
  } else {
    for (Column& c : columns) c.read_only = true;
  }
  return TargetSet(this, std::move(columns), std::move(data));
}

}  // namespace db
