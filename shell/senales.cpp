#include "shell/senales.h"

#include <QSocketNotifier>

#include "db/connection.h"

#ifndef _WIN32
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <mutex>
#include <thread>
#endif

namespace shell {

#ifndef _WIN32
namespace {

// The taking thread writes each signal's number into a pipe; the Qt thread reads it.
int tuberia[2] = {-1, -1};

sigset_t de_parada() {
  sigset_t s;
  sigemptyset(&s);
  for (int n : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&s, n);
  return s;
}

const char* nombre(int senal) {
  switch (senal) {
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

void tomar_siempre() {
  const sigset_t s = de_parada();
  for (;;) {
    int n = 0;
    if (::sigwait(&s, &n) != 0) continue;
    const unsigned char c = static_cast<unsigned char>(n);
    [[maybe_unused]] ssize_t escrito = ::write(tuberia[1], &c, 1);
    db::pedir_fin();
  }
}

}  // namespace

void Senales::tomar() {
  static std::once_flag una_vez;
  std::call_once(una_vez, [] {
    const sigset_t s = de_parada();
    ::pthread_sigmask(SIG_BLOCK, &s, nullptr);
    if (::pipe(tuberia) != 0) return;
    for (int fd : tuberia) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(tuberia[1], F_SETFL, O_NONBLOCK);
    // Lives as long as the process: a signal during the teardown is taken too.
    std::thread(tomar_siempre).detach();
  });
}

Senales::Senales(std::function<void(const char*)> detener, QObject* parent)
    : QObject(parent), detener_(std::move(detener)) {
  tomar();
  if (tuberia[0] < 0) return;
  aviso_ = std::make_unique<QSocketNotifier>(tuberia[0], QSocketNotifier::Read);
  connect(aviso_.get(), &QSocketNotifier::activated, this, &Senales::leer);
}

Senales::~Senales() = default;

void Senales::leer() {
  unsigned char n = 0;
  if (::read(tuberia[0], &n, 1) == 1 && detener_) detener_(nombre(n));
}

#else

// Windows: the service manager stops the agent through its own means; nothing to take.
Senales::Senales(std::function<void(const char*)> detener, QObject* parent)
    : QObject(parent), detener_(std::move(detener)) {}
Senales::~Senales() = default;
void Senales::tomar() {}
void Senales::leer() {}

#endif

}  // namespace shell
