#include "shell/senales.h"

#include <QSocketNotifier>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace shell {

#ifndef _WIN32
namespace {

// The handler only writes the signal's number into a pipe; the Qt thread reads it.
int tuberia[2] = {-1, -1};

void al_recibir(int senal) {
  const int guardado = errno;
  const unsigned char n = static_cast<unsigned char>(senal);
  [[maybe_unused]] ssize_t escrito = ::write(tuberia[1], &n, 1);
  errno = guardado;
}

const char* nombre(int senal) {
  switch (senal) {
    case SIGTERM:
      return "SIGTERM";
    case SIGINT:
      return "SIGINT";
    default:
      return "desconocida";
  }
}

}  // namespace

Senales::Senales(std::function<void(const char*)> detener, QObject* parent)
    : QObject(parent), detener_(std::move(detener)) {
  if (tuberia[0] < 0 && ::pipe(tuberia) == 0) {
    for (int fd : tuberia) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(tuberia[1], F_SETFL, O_NONBLOCK);
  }
  if (tuberia[0] < 0) return;
  aviso_ = std::make_unique<QSocketNotifier>(tuberia[0], QSocketNotifier::Read);
  connect(aviso_.get(), &QSocketNotifier::activated, this, &Senales::leer);
  tomar();
}

Senales::~Senales() {
  struct sigaction defecto {};
  defecto.sa_handler = SIG_DFL;
  for (int s : {SIGTERM, SIGINT}) ::sigaction(s, &defecto, nullptr);
}

void Senales::tomar() {
  if (tuberia[0] < 0) return;
  struct sigaction sa {};
  sa.sa_handler = al_recibir;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int s : {SIGTERM, SIGINT}) ::sigaction(s, &sa, nullptr);
}

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
