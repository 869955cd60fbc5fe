#include "db/vigia.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "db/fb.h"

namespace db::fb {
namespace {

using Reloj = std::chrono::steady_clock;

class Vigia {
 public:
  ~Vigia() {
    {
      std::lock_guard<std::mutex> l(m_);
      fin_ = true;
    }
    cv_.notify_all();
    if (hilo_.joinable()) hilo_.join();
  }

  std::uint64_t vigilar(Firebird::IAttachment* att, Reloj::time_point limite) {
    std::lock_guard<std::mutex> l(m_);
    if (!hilo_.joinable()) hilo_ = std::thread([this] { vigilar_siempre(); });
    turnos_.emplace(++ultimo_, Entrada{att, limite});
    // Waking the watchdog costs two thread switches, as much as a statement on the
    // embedded engine: only when this bound ends before the watchdog means to look
    // again. Bounds are all alike and start later and later, so that is about once per
    // bound, not once per call.
    if (limite < despertar_) cv_.notify_all();
    return ultimo_;
  }

  // Once this returns the watchdog no longer touches the attachment.
  void soltar(std::uint64_t id) {
    std::lock_guard<std::mutex> l(m_);
    turnos_.erase(id);
  }

 private:
  struct Entrada {
    Firebird::IAttachment* att;
    Reloj::time_point limite;
  };

  void vigilar_siempre() {
    std::unique_lock<std::mutex> l(m_);
    while (!fin_) {
      Reloj::time_point proximo = Reloj::time_point::max();
      for (auto it = turnos_.begin(); it != turnos_.end();) {
        if (it->second.limite <= Reloj::now()) {
          // Under the lock: the call being watched cannot end (and its attachment
          // cannot go) while it is aborted.
          QuietStatus st;
          it->second.att->cancelOperation(st.get(), fb_cancel_abort);
          it = turnos_.erase(it);
        } else {
          proximo = std::min(proximo, it->second.limite);
          ++it;
        }
      }
      // A call that ends leaves its entry without waking the watchdog, which finds it
      // gone when it looks again.
      despertar_ = proximo;
      if (proximo == Reloj::time_point::max())
        cv_.wait(l);
      else
        cv_.wait_until(l, proximo);
      despertar_ = Reloj::time_point::min();  // awake: looks at every entry anyway
    }
  }

  std::mutex m_;
  std::condition_variable cv_;
  std::map<std::uint64_t, Entrada> turnos_;
  std::uint64_t ultimo_ = 0;
  // When the watchdog means to look again; min() while it is looking or not started.
  Reloj::time_point despertar_ = Reloj::time_point::min();
  bool fin_ = false;
  std::thread hilo_;
};

Vigia& vigia() {
  static Vigia v;
  return v;
}

}  // namespace

Turno::Turno(Firebird::IAttachment* att, std::chrono::seconds limite) {
  if (att && limite.count() > 0) id_ = vigia().vigilar(att, Reloj::now() + limite);
}

Turno::~Turno() {
  if (id_) vigia().soltar(id_);
}

}  // namespace db::fb
