#pragma once
// Listening for the event the local queue posts when a row is inserted (an AFTER INSERT
// trigger on REPLICA_EVENTOS that runs POST_EVENT), so that a document queued while the
// agent idles starts a cycle at once instead of waiting for the timer.
//
// The listener has an attachment of its own to the local company database. The client
// delivers the event on a thread of its own, once per registration; a thread of the
// listener takes each delivery, raises a flag, tells whoever asked to be told, and
// registers again. The first delivery after a registration from scratch only tells how
// often the event was posted before (the engine answers it at once): it wakes nobody.
// Without the trigger nobody posts the event and the listener never wakes anybody.

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "db/connection.h"

namespace db {

// The event the queue's trigger posts (schema/compania.sql; the README gives the DDL).
inline constexpr const char* kEventoCola = "REPLICA_EVENTOS_NUEVO";

class Avisos {
 public:
  explicit Avisos(std::string evento = kEventoCola);
  ~Avisos();  // stops listening
  Avisos(const Avisos&) = delete;
  Avisos& operator=(const Avisos&) = delete;

  // Told on the listener's thread when the event arrives while the flag is down (after
  // raising it), so once until the flag is taken: safe to call from any thread, quick,
  // and never touching the caller's windows. Set before listening.
  void al_avisar(std::function<void()> f) { al_avisar_ = std::move(f); }

  // Listens on the database of `params`. The attachment is opened the first time, when
  // the parameters changed, and when the link was lost (asked with one call whether it
  // still answers); otherwise nothing happens. Throws db::Error when it cannot be opened
  // or the event cannot be registered (nothing is listened to then).
  void escuchar(const ConnectParams& params);
  // Stops listening and closes the attachment. Each call on the link waits no longer than
  // the parameters' operation bound, and is cut at the end of the program's grace.
  void cerrar() noexcept;
  bool escuchando() const;

  // The event arrived since the last call; takes the flag down.
  bool tomar() noexcept { return llegado_.exchange(false); }

 private:
  struct Impl;

  std::string evento_;
  std::function<void()> al_avisar_;
  std::atomic<bool> llegado_{false};
  std::unique_ptr<Impl> impl_;  // while listening
};

}  // namespace db
