#include "db/vigia.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "db/fb.h"
#include "plataforma/red.h"

namespace db::fb {
namespace {

using Reloj = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The last cut of this thread's watches, until the error it caused is reported, and
// the watch in force on this thread (an error may be reported while it still lasts).
thread_local std::optional<MotivoCorte> ultimo_corte;
thread_local std::uint64_t turno_actual = 0;

std::atomic<bool> fin_pedido_{false};

class Vigia {
 public:
  ~Vigia() {
    {
      std::lock_guard<std::mutex> l(m_);
      fin_hilo_ = true;
    }
    cv_.notify_all();
    if (hilo_.joinable()) hilo_.join();
  }

  void registrar(Firebird::IAttachment* att, const plataforma::Enchufe* enchufe, std::string base) {
    std::lock_guard<std::mutex> l(m_);
    enlaces_[att] = Enlace{enchufe, std::move(base)};
  }

  void olvidar(Firebird::IAttachment* att) {
    std::lock_guard<std::mutex> l(m_);
    enlaces_.erase(att);
  }

  std::uint64_t vigilar(Firebird::IAttachment* att, std::chrono::seconds limite) {
    std::lock_guard<std::mutex> l(m_);
    if (!hilo_.joinable()) hilo_ = std::thread([this] { vigilar_siempre(); });
    Entrada e{att, nullptr, limite, Reloj::time_point::max(), false};
    // The link stays known until the attachment is forgotten, after its last watch.
    if (auto it = enlaces_.find(att); it != enlaces_.end()) e.enlace = &it->second;
    if (limite.count() > 0) e.mirar = Reloj::now() + limite;
    // Waking the watchdog costs two thread switches, as much as a statement on the
    // embedded engine: only when this watch ends before the watchdog means to look
    // again. Bounds are all alike and start later and later, so that is about once per
    // bound, not once per call.
    if (std::min(e.mirar, fin_) < despertar_) cv_.notify_all();
    turnos_.emplace(++ultimo_, std::move(e));
    return ultimo_;
  }

  // Once this returns the watchdog no longer touches the attachment.
  void soltar(std::uint64_t id) {
    std::lock_guard<std::mutex> l(m_);
    auto it = turnos_.find(id);
    if (it == turnos_.end()) return;
    if (it->second.cortado) ultimo_corte = motivo(it->second);
    turnos_.erase(it);
  }

  std::optional<MotivoCorte> corte_de(std::uint64_t id) {
    std::lock_guard<std::mutex> l(m_);
    auto it = turnos_.find(id);
    if (it == turnos_.end() || !it->second.cortado) return std::nullopt;
    return motivo(it->second);
  }

  void pedir_fin(std::chrono::seconds gracia) {
    {
      std::lock_guard<std::mutex> l(m_);
      fin_ = std::min(fin_, Reloj::now() + gracia);
    }
    fin_pedido_ = true;
    cv_.notify_all();
  }

 private:
  struct Enlace {
    const plataforma::Enchufe* enchufe;
    std::string base;
  };
  struct Entrada {
    Firebird::IAttachment* att;
    const Enlace* enlace;  // none for an attachment not registered
    std::chrono::seconds limite;
    Reloj::time_point mirar;  // when to look at the link's silence again
    bool cortado;
    Corte corte = Corte::Silencio;
  };

  static MotivoCorte motivo(const Entrada& e) {
    return MotivoCorte{e.corte, e.enlace ? e.enlace->base : std::string(),
                       static_cast<long>(e.limite.count())};
  }

  // Under the lock: the call being watched cannot end (and its attachment cannot go)
  // while it is cut. A socket of the agent's own is shut down, which ends any wait on
  // it at once; without one, the client is asked to abort, which closes its side of a
  // remote link and shuts an embedded attachment down.
  static void cortar(Entrada& e, Corte por) {
    e.cortado = true;
    e.corte = por;
    if (const plataforma::Enchufe* enchufe = e.enlace ? e.enlace->enchufe : nullptr;
        enchufe && enchufe->existe()) {
      enchufe->cortar();
      return;
    }
    QuietStatus st;
    e.att->cancelOperation(st.get(), fb_cancel_abort);
  }

  void vigilar_siempre() {
    std::unique_lock<std::mutex> l(m_);
    while (!fin_hilo_) {
      const Reloj::time_point ahora = Reloj::now();
      Reloj::time_point proximo = Reloj::time_point::max();
      for (auto& [id, e] : turnos_) {
        if (e.cortado) continue;
        const Reloj::time_point cuando = std::min(e.mirar, fin_);
        if (cuando > ahora) {
          proximo = std::min(proximo, cuando);
          continue;
        }
        if (ahora >= fin_) {
          cortar(e, Corte::Fin);
          continue;
        }
        // The bound is over: the link is cut unless the server was heard from within
        // it (a long result still arriving, a long write still acknowledged).
        if (e.enlace && e.enlace->enchufe) {
          if (std::optional<milliseconds> s = e.enlace->enchufe->silencio(); s && *s < e.limite) {
            e.mirar = ahora + (e.limite - *s);
            proximo = std::min(proximo, e.mirar);
            continue;
          }
        }
        cortar(e, Corte::Silencio);
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
  std::map<Firebird::IAttachment*, Enlace> enlaces_;
  std::map<std::uint64_t, Entrada> turnos_;
  std::uint64_t ultimo_ = 0;
  // When the watchdog means to look again; min() while it is looking or not started.
  Reloj::time_point despertar_ = Reloj::time_point::min();
  // The end of the program's grace; max() until an end is asked for.
  Reloj::time_point fin_ = Reloj::time_point::max();
  bool fin_hilo_ = false;
  std::thread hilo_;
};

Vigia& vigia() {
  static Vigia v;
  return v;
}

}  // namespace

void registrar(Firebird::IAttachment* att, const plataforma::Enchufe* enchufe, std::string base) {
  vigia().registrar(att, enchufe, std::move(base));
}

void olvidar(Firebird::IAttachment* att) { vigia().olvidar(att); }

std::mutex& apertura() {
  static std::mutex m;
  return m;
}

Turno::Turno(Firebird::IAttachment* att, std::chrono::seconds limite) : anterior_(turno_actual) {
  ultimo_corte.reset();
  if (att) id_ = vigia().vigilar(att, limite);
  if (id_) turno_actual = id_;
}

Turno::~Turno() {
  if (!id_) return;
  turno_actual = anterior_;
  vigia().soltar(id_);
}

std::optional<MotivoCorte> tomar_corte() {
  if (ultimo_corte) return std::exchange(ultimo_corte, std::nullopt);
  return turno_actual ? vigia().corte_de(turno_actual) : std::nullopt;
}

void pedir_fin(std::chrono::seconds gracia) { vigia().pedir_fin(gracia); }

bool fin_pedido() { return fin_pedido_; }

}  // namespace db::fb
