#pragma once
// Listening for the event the local queue posts when a row is inserted (an AFTER INSERT
// trigger on REPLICA_EVENTOS that runs POST_EVENT), so that a document queued while the
// agent idles starts a cycle at once instead of waiting for the timer.
//
// The listener has a thread and an attachment of its own to the local company database:
// the caller only asks it to listen and never waits on its link (a server whose second
// port for events is blocked by a firewall can hold a registration for a long time).
// The client delivers the event on a thread of its own, once per registration; the
// listener's thread takes each delivery, raises a flag, tells whoever asked to be told,
// and registers again. The first delivery after a registration from scratch only tells
// how often the event was posted before (the engine answers it at once): it wakes nobody.
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

  // Both are called on the listener's thread: safe to call from any thread, quick, and
  // never touching the caller's windows. Set before the first escuchar.
  //
  // The event arrived while the flag was down (after raising it): once until it is taken.
  void al_avisar(std::function<void()> f) { al_avisar_ = std::move(f); }
  // An attachment was tried on `base`: `fallo` says why it failed, empty when the
  // listener hears it now.
  using Informe = std::function<void(const std::string& base, const std::string& fallo)>;
  void al_informar(Informe f) { al_informar_ = std::move(f); }

  // Asks the listener's thread to listen on the database of `params`, and returns at
  // once. The thread opens the attachment the first time, when the parameters changed,
  // and when the link was lost (asked with one call whether it still answers);
  // otherwise nothing happens. A link lost meanwhile is only opened again here.
  void escuchar(const ConnectParams& params);
  // Stops listening and closes the attachment. Each call on the link waits no longer than
  // the parameters' operation bound, and is cut at the end of the program's grace.
  void cerrar() noexcept;
  bool escuchando() const;

  // The event arrived since the last call; takes the flag down.
  bool tomar() noexcept { return llegado_.exchange(false); }

 private:
  struct Impl;
  void atender();  // the listener's thread

  std::string evento_;
  std::function<void()> al_avisar_;
  Informe al_informar_;
  std::atomic<bool> llegado_{false};
  std::unique_ptr<Impl> impl_;  // from the first escuchar
};

}  // namespace db
