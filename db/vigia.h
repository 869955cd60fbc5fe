#pragma once
// Internal: a watchdog over every call that waits on a server. A partner whose link
// freezes mid-statement would block the agent for as long as the operating system keeps
// the dead connection open (minutes, or forever); an operation that outlasts its bound
// is aborted instead (the client closes its side of the link and the call fails as a
// lost connection).

#include <firebird/Interface.h>

#include <chrono>
#include <cstdint>

namespace db::fb {

class Turno {
 public:
  // Watches `att` for `limite`; no watch for a null attachment or a bound of zero.
  Turno(Firebird::IAttachment* att, std::chrono::seconds limite);
  ~Turno();
  Turno(const Turno&) = delete;
  Turno& operator=(const Turno&) = delete;

 private:
  std::uint64_t id_ = 0;
};

}  // namespace db::fb
