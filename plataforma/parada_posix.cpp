// Stop signals on POSIX: blocked in every thread and taken by one thread of their own.
// A handler would interrupt whatever system call the thread it lands on is in (the
// embedded engine loops for ever on an EINTR left behind in errno); a blocked signal
// interrupts nothing, and the Firebird client's own handlers for it never run.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "plataforma/parada.h"

namespace plataforma {
namespace {

std::atomic<int> pedida{0};
std::atomic<void (*)()> aviso{nullptr};

sigset_t de_parada() {
  sigset_t s;
  sigemptyset(&s);
  for (int n : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&s, n);
  return s;
}

void tomar_siempre() {
  const sigset_t s = de_parada();
  for (;;) {
    int n = 0;
    if (::sigwait(&s, &n) != 0) continue;
    pedida.store(n);
    if (void (*a)() = aviso.load()) a();
  }
}

}  // namespace

void tomar_parada(void (*al_pedir)()) {
  if (al_pedir) aviso.store(al_pedir);
  static std::once_flag una_vez;
  std::call_once(una_vez, [] {
    const sigset_t s = de_parada();
    ::pthread_sigmask(SIG_BLOCK, &s, nullptr);
    // Lives as long as the process: a signal during the teardown is taken too.
    std::thread(tomar_siempre).detach();
  });
}

// The signals stay with their thread until the process ends: given back, one arriving
// during the teardown would end the process mid-way.
void soltar_parada() {}

const char* parada_pedida() {
  switch (pedida.exchange(0)) {
    case 0:
      return nullptr;
    case SIGTERM:
      return "SIGTERM";
    case SIGINT:
      return "SIGINT";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "desconocida";
  }
}

void parada_cumplida() {}

}  // namespace plataforma
