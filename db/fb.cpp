#include "db/fb.h"

#include <ibase.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "db/error.h"
#include "db/textos.h"
#include "db/vigia.h"
#include "plataforma/pagina_codigos.h"

namespace db::fb {

Firebird::IMaster* master() {
  static Firebird::IMaster* m = Firebird::fb_get_master_interface();
  return m;
}

Firebird::IUtil* util() {
  static Firebird::IUtil* u = master()->getUtilInterface();
  return u;
}

Firebird::IProvider* provider() {
  // Kept for the life of the process: the provider owns the client's plugins.
  static Firebird::IProvider* p = master()->getDispatcher();
  return p;
}

std::string format_status(const Firebird::IStatus* status) {
  std::vector<char> buf(2048);
  for (;;) {
    unsigned n = util()->formatStatus(buf.data(), static_cast<unsigned>(buf.size()),
                                      const_cast<Firebird::IStatus*>(status));
    if (n + 1 < buf.size() || buf.size() >= (1u << 18)) break;
    buf.resize(buf.size() * 4);
  }
  buf.back() = '\0';
  return std::string(buf.data(), std::strlen(buf.data()));
}

[[noreturn]] void rethrow(const Firebird::FbException& e) {
  const Firebird::IStatus* st = e.getStatus();
  const ISC_STATUS* v = st->getErrors();
  long code = (v[0] == isc_arg_gds) ? static_cast<long>(v[1]) : 0;
  char state[6] = {};
  fb_sqlstate(state, v);
  std::string sqlstate(state, strnlen(state, 5));
  // A call the watchdog cut says why it was cut, as a lost connection whatever the
  // client made of it.
  if (std::optional<MotivoCorte> c = tomar_corte()) {
    if (!Error("", code).is_connection_lost()) code = isc_network_error;
    throw Error(c->corte == Corte::Fin ? textos::enlace_cortado_al_terminar(c->base)
                                       : textos::enlace_mudo(c->base, c->segundos),
                code, sqlstate);
  }
  // The server's words are ASCII; what it quotes is the suite's text or a file name.
  throw Error(plataforma::desde_servidor(format_status(st)), code, sqlstate);
}

bool truncated(const Firebird::FbException& e) {
  char state[6] = {};
  fb_sqlstate(state, e.getStatus()->getErrors());
  return std::string_view(state, strnlen(state, 5)) == "22001";
}

void Transaction::commit() {
  if (!t_) return;
  Status st;
  try {
    t_->commit(st.get());  // frees the interface on success
    t_ = nullptr;
  } catch (const Firebird::FbException& e) {
    rollback_quietly();
    rethrow(e);
  }
}

void Transaction::commit_retaining() {
  if (!t_) return;
  Status st;
  try {
    t_->commitRetaining(st.get());
  } catch (const Firebird::FbException& e) {
    rollback_quietly();
    rethrow(e);
  }
}

void Transaction::commit_quietly() noexcept {
  if (!t_) return;
  QuietStatus st;
  t_->commit(st.get());
  if (st.failed()) {
    rollback_quietly();
    return;
  }
  t_ = nullptr;
}

void Transaction::rollback_quietly() noexcept {
  if (!t_) return;
  QuietStatus st;
  t_->rollback(st.get());
  if (st.failed()) t_->release();
  t_ = nullptr;
}

}  // namespace db::fb

namespace db {

bool Error::is_lock_conflict() const {
  return code_ == isc_deadlock || code_ == isc_lock_conflict || code_ == isc_update_conflict ||
         code_ == isc_lock_timeout || sqlstate_ == "40001";
}

bool Error::is_connection_lost() const {
  switch (code_) {
    case isc_network_error:
    case isc_net_read_err:
    case isc_net_write_err:
    case isc_att_shutdown:
    case isc_shutdown:
    case isc_conn_lost:
    case isc_bad_db_handle:
      return true;
    default:
      return false;
  }
}

void shutdown_client() noexcept {
  // Waits up to five seconds for the engine's threads; a process that exits with them
  // still running races its own exit handlers (and the leak checker's thread stop).
  fb::QuietStatus status;
  errno = 0;  // see errno_limpio in connection.cpp: the engine may open its shared files
  fb::provider()->shutdown(status.get(), 5000, fb_shutrsn_app_stopped);
}

}  // namespace db
