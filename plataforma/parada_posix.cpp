#include <signal.h>

#include <atomic>

#include "plataforma/parada.h"

namespace plataforma {
namespace {

constexpr int kSenales[] = {SIGTERM, SIGINT};

// The handler only stores the signal's number; a lock-free atomic is safe there.
std::atomic<int> pedida{0};
static_assert(std::atomic<int>::is_always_lock_free);

void al_recibir(int senal) { pedida.store(senal); }

}  // namespace

void tomar_parada() {
  struct sigaction sa {};
  sa.sa_handler = al_recibir;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int s : kSenales) ::sigaction(s, &sa, nullptr);
}

void soltar_parada() {
  struct sigaction defecto {};
  defecto.sa_handler = SIG_DFL;
  for (int s : kSenales) ::sigaction(s, &defecto, nullptr);
}

const char* parada_pedida() {
  switch (pedida.exchange(0)) {
    case 0:
      return nullptr;
    case SIGTERM:
      return "SIGTERM";
    case SIGINT:
      return "SIGINT";
    default:
      return "desconocida";
  }
}

void parada_cumplida() {}

}  // namespace plataforma
