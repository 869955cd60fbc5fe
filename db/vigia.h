#pragma once
// Internal: a watchdog over every call that waits on a server. A partner whose link
// freezes mid-statement would block the agent for as long as the operating system keeps
// the dead connection open (hours, or for ever); a link that stays silent for its bound
// is cut instead, and the call fails as a lost connection. Silence, not the length of
// the call, is what counts: a long result that keeps arriving is never cut, while a
// single wait (a fetch, a blob segment, an execute, a commit, a detach) that hears
// nothing for the bound is. Once the program is asked to end, every call still waiting
// at the end of the grace is cut too, on the embedded engine as well.

#include <firebird/Interface.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace plataforma {
class Enchufe;
}

namespace db::fb {

// Why the watchdog cut a call.
enum class Corte { Silencio, Fin };

// The link of an attachment, known from its attachment until `olvidar`: its socket
// (none for the embedded engine) and the database, for the messages.
void registrar(Firebird::IAttachment* att, const plataforma::Enchufe* enchufe, std::string base);
void olvidar(Firebird::IAttachment* att);

// Held by every attach in the process, from the look at the process's sockets before it
// to the look after it: the one socket that appeared meanwhile is then that attachment's
// (two attaching at once on different threads would each find two and watch neither).
std::mutex& apertura();

class Turno {
 public:
  // Watches the calls made on `att` while it lives: the link is cut when it stays
  // silent for `limite` (without a socket to look at, when the calls last that long);
  // a bound of zero only cuts at the end of the program's grace. A null attachment is
  // not watched.
  Turno(Firebird::IAttachment* att, std::chrono::seconds limite);
  ~Turno();
  Turno(const Turno&) = delete;
  Turno& operator=(const Turno&) = delete;

 private:
  std::uint64_t id_ = 0;
  std::uint64_t anterior_ = 0;  // the watch in force on this thread before this one
};

// What the last watch of this thread that ended with a cut says, once: the error that
// reports a call failed by that cut. Taken by fb::rethrow, so every failure of a cut
// call reports why it was cut.
struct MotivoCorte {
  Corte corte;
  std::string base;
  long segundos;
};
std::optional<MotivoCorte> tomar_corte();

// From now on every call waits at most `gracia` more (counted from now), and no new
// attachment is opened. Safe from any thread.
void pedir_fin(std::chrono::seconds gracia);
bool fin_pedido();

}  // namespace db::fb
