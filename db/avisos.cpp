#include "db/avisos.h"

#include <ibase.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "db/error.h"
#include "db/fb.h"
#include "db/textos.h"
#include "db/vigia.h"

namespace db {
namespace {

using Firebird::FbException;

constexpr unsigned char kVersionBloqueEventos = 1;  // EPB_version1

// The event parameter block for one event: its name and the count last seen (zero at
// first), which the engine compares with its own to decide when to deliver.
std::vector<unsigned char> bloque_evento(const std::string& nombre) {
  const std::size_t n = std::min<std::size_t>(nombre.size(), 255);
  // Sized once and filled in place (the count's four bytes stay zero).
  std::vector<unsigned char> b(2 + n + 4, 0);
  b[0] = kVersionBloqueEventos;
  b[1] = static_cast<unsigned char>(n);
  std::copy_n(nombre.begin(), n, b.begin() + 2);
  return b;
}

// The count in a block laid out as bloque_evento's (little-endian, after the name).
std::uint32_t cuenta(const std::vector<unsigned char>& b) {
  if (b.size() < 2 || b.size() < 2u + b[1] + 4u) return 0;
  const std::size_t i = 2u + b[1];
  return static_cast<std::uint32_t>(b[i]) | static_cast<std::uint32_t>(b[i + 1]) << 8 |
         static_cast<std::uint32_t>(b[i + 2]) << 16 | static_cast<std::uint32_t>(b[i + 3]) << 24;
}

// The embedded engine opens its shared files (the event table among them) in a loop that
// an errno left at EINTR makes spin (see connection.cpp): every call starts clean.
void errno_limpio() { errno = 0; }

// What the client's delivery thread leaves for the listener's thread.
// What escuchar and cerrar ask of it, and what it tells.
struct Buzon {
  std::mutex m;
  std::condition_variable cv;
  std::vector<unsigned char> recibido;
  unsigned registros = 0;  // registrations made so far, each numbered
  unsigned actual = 0;     // the registration waiting for its delivery; 0: none
  bool entregado = false;
  bool perdido = false;                 // the client said the attachment is gone
  std::optional<ConnectParams> pedido;  // escuchar asked for this database
  bool escuchando = false;
  bool fin = false;  // the listener is closing
};

// The callback of one registration, called by the client on a thread of its own. It only
// hands the block over: no client call is made from inside a delivery. Each registration
// has its own, numbered: a registration that is over may still be called once more with
// nothing (the remote client's echo of its release), and that says nothing of the link.
// Reference counted by the client too; the box outlives it.
class Llamada final : public Firebird::IEventCallbackImpl<Llamada, Firebird::CheckStatusWrapper> {
 public:
  Llamada(std::shared_ptr<Buzon> b, unsigned numero) : buzon_(std::move(b)), numero_(numero) {}
  void addRef() override { ++refs_; }
  int release() override {
    if (--refs_ != 0) return 1;
    delete this;
    return 0;
  }
  void eventCallbackFunction(unsigned length, const unsigned char* events) override {
    {
      std::lock_guard<std::mutex> l(buzon_->m);
      if (numero_ != buzon_->actual) return;
      buzon_->actual = 0;  // one delivery per registration
      if (length == 0 || !events) {
        buzon_->perdido = true;  // the remote client's word for a link that went
      } else {
        buzon_->recibido.assign(events, events + length);
        buzon_->entregado = true;
      }
    }
    buzon_->cv.notify_all();
  }

 private:
  std::shared_ptr<Buzon> buzon_;
  const unsigned numero_;
  std::atomic<int> refs_{1};
};

// One attachment and its registration, used by the listener's thread only.
class Enlace {
 public:
  Enlace(std::shared_ptr<Buzon> b, const ConnectParams& p, const std::string& evento)
      : buzon(std::move(b)),
        params(p),
        limite(p.operation_bound()),
        bloque(bloque_evento(evento)) {}
  ~Enlace();
  Enlace(const Enlace&) = delete;
  Enlace& operator=(const Enlace&) = delete;

  // Attaches and registers for the first delivery; throws db::Error.
  void abrir();
  // Takes a delivery and registers again; true when the event was posted since the last
  // one. Throws when it cannot register again (the link is lost).
  bool entrega(std::vector<unsigned char> recibido);
  // The attachment still answers (one round trip on a server).
  bool responde() {
    fb::QuietStatus st;
    fb::Turno turno(att, limite);
    errno_limpio();
    att->ping(st.get());
    return !st.failed();
  }

  const std::shared_ptr<Buzon> buzon;
  const ConnectParams params;

 private:
  // Registers for the delivery after the count in `bloque`; throws db::Error.
  void registrar();

  const std::chrono::seconds limite;
  std::vector<unsigned char> bloque;
  Firebird::IAttachment* att = nullptr;
  Firebird::IEvents* eventos = nullptr;  // the registration not delivered yet, if any
  // The callbacks of the last registration and of the one before (whose release may
  // still be echoed); older ones are let go.
  Llamada* llamada = nullptr;
  Llamada* anterior = nullptr;
};

void Enlace::abrir() {
  if (fin_pedido()) throw Error(textos::programa_terminando(params.database), isc_att_shutdown);
  const std::vector<unsigned char> dpb = build_dpb(params);
  try {
    // Its socket must not appear while a connection of the cycle looks for its own.
    std::lock_guard<std::mutex> uno(fb::apertura());
    fb::Status st;
    errno_limpio();
    att = fb::provider()->attachDatabase(st.get(), params.database.c_str(),
                                         static_cast<unsigned>(dpb.size()), dpb.data());
  } catch (const FbException& e) {
    fb::rethrow(e);
  }
  registrar();
}

void Enlace::registrar() {
  if (anterior) anterior->release();
  unsigned numero;
  {
    // The engine may deliver before queEvents returns.
    std::lock_guard<std::mutex> l(buzon->m);
    numero = buzon->actual = ++buzon->registros;
  }
  anterior = std::exchange(llamada, new Llamada(buzon, numero));
  fb::Turno turno(att, limite);
  try {
    fb::Status st;
    errno_limpio();
    eventos =
        att->queEvents(st.get(), llamada, static_cast<unsigned>(bloque.size()), bloque.data());
  } catch (const FbException& e) {
    fb::rethrow(e);
  }
}

bool Enlace::entrega(std::vector<unsigned char> recibido) {
  // The delivered registration is over (the remote client tells the server so).
  if (eventos) {
    fb::Turno turno(att, limite);
    errno_limpio();
    std::exchange(eventos, nullptr)->release();
  }
  // A block not laid out as asked: nothing to register with.
  if (recibido.size() != bloque.size()) throw std::runtime_error("bloque de eventos inesperado");
  const std::uint32_t antes = cuenta(bloque);
  const bool nuevo = antes != 0 && cuenta(recibido) != antes;
  bloque = std::move(recibido);
  registrar();
  // Registered from zero, the engine answers at once with the count so far: nothing new
  // happened.
  return nuevo;
}

Enlace::~Enlace() {
  {
    std::lock_guard<std::mutex> l(buzon->m);
    buzon->actual = 0;  // the cancel below is no news
    buzon->entregado = buzon->perdido = false;
    buzon->escuchando = false;
  }
  bool sin_entregas = true;  // no delivery can reach the callbacks any more
  if (att) {
    // The extra reference keeps the attachment object alive until the watch has ended
    // (a detach that succeeds frees it).
    att->addRef();
    {
      fb::Turno turno(att, limite);
      if (eventos) {
        fb::QuietStatus st;
        errno_limpio();
        eventos->cancel(st.get());  // frees the interface when it succeeds
        if (st.failed()) eventos->release();
        eventos = nullptr;
      }
      fb::QuietStatus st;
      errno_limpio();
      att->detach(st.get());  // frees the interface when it succeeds
      if (st.failed()) {
        att->release();
        sin_entregas = false;
      }
    }
    att->release();
  }
  // After a detach that failed the client might still deliver: the callbacks stay.
  if (sin_entregas)
    for (Llamada* l : {llamada, anterior})
      if (l) l->release();
}

}  // namespace

struct Avisos::Impl {
  std::shared_ptr<Buzon> buzon = std::make_shared<Buzon>();
  std::thread hilo;
};

Avisos::Avisos(std::string evento) : evento_(std::move(evento)) {}

Avisos::~Avisos() { cerrar(); }

void Avisos::escuchar(const ConnectParams& params) {
  if (!impl_) {
    impl_ = std::make_unique<Impl>();
    impl_->hilo = std::thread([this] { atender(); });
  }
  {
    std::lock_guard<std::mutex> l(impl_->buzon->m);
    impl_->buzon->pedido = params;
  }
  impl_->buzon->cv.notify_all();
}

void Avisos::atender() {
  Buzon& b = *impl_->buzon;
  std::unique_ptr<Enlace> enlace;
  for (;;) {
    std::optional<ConnectParams> pedido;
    std::optional<std::vector<unsigned char>> recibido;
    bool perdido = false;
    {
      std::unique_lock<std::mutex> l(b.m);
      b.cv.wait(l, [&] { return b.fin || b.pedido || b.entregado || b.perdido; });
      if (b.fin) break;
      pedido.swap(b.pedido);
      if (b.entregado) recibido.emplace().swap(b.recibido);
      b.entregado = false;
      perdido = std::exchange(b.perdido, false);
    }
    if (perdido) enlace.reset();  // opened again when asked
    if (enlace && recibido) {
      try {
        if (enlace->entrega(std::move(*recibido)) && !llegado_.exchange(true) && al_avisar_)
          al_avisar_();
      } catch (const std::exception&) {
        enlace.reset();  // opened again when asked
      }
    }
    if (pedido && !(enlace && enlace->params == *pedido && enlace->responde())) {
      enlace.reset();
      std::string fallo;
      try {
        enlace = std::make_unique<Enlace>(impl_->buzon, *pedido, evento_);
        enlace->abrir();
        std::lock_guard<std::mutex> l(b.m);
        b.escuchando = true;
      } catch (const std::exception& e) {
        enlace.reset();
        fallo = e.what();
        if (fallo.empty()) fallo = "?";
      }
      if (al_informar_) al_informar_(pedido->database, fallo);
    }
  }
  enlace.reset();
}

void Avisos::cerrar() noexcept {
  if (!impl_) return;
  {
    std::lock_guard<std::mutex> l(impl_->buzon->m);
    impl_->buzon->fin = true;
  }
  impl_->buzon->cv.notify_all();
  impl_->hilo.join();
  impl_.reset();
}

bool Avisos::escuchando() const {
  if (!impl_) return false;
  std::lock_guard<std::mutex> l(impl_->buzon->m);
  return impl_->buzon->escuchando;
}

}  // namespace db
