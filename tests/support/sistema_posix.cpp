#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "support/sistema.h"

namespace testing_support {
namespace fs = std::filesystem;

void abrir_a_todos(const fs::path& archivo) {
  fs::permissions(archivo, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                               fs::perms::others_read);
}

void cerrar_a_otros(const fs::path& archivo) {
  fs::permissions(archivo, fs::perms::owner_read | fs::perms::owner_write);
}

Cesion ceder(const fs::path& ruta, const char* nombre) {
  const struct passwd* pw = ::getpwnam(nombre);
  if (!pw) return Cesion::SinUsuario;
  if (::chown(ruta.c_str(), pw->pw_uid, pw->pw_gid) == 0) return Cesion::Hecha;
  if (errno == EPERM) return Cesion::NoPermitida;
  throw std::system_error(errno, std::generic_category(), "chown " + ruta.string());
}

// Sent to the process, as a service manager does: raise() would aim it at this thread,
// where it is blocked and stays pending, out of the reach of the thread that takes it.
const char* pedir_parada() {
  ::kill(::getpid(), SIGTERM);
  return "SIGTERM";
}

void ocupar_parada() {
  struct sigaction sa {};
  sa.sa_handler = [](int) {};
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGTERM, &sa, nullptr);
}

}  // namespace testing_support
