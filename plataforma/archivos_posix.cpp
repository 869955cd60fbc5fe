#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "plataforma/archivos.h"

namespace plataforma {
namespace {

std::error_code ultimo_error() { return std::error_code(errno, std::generic_category()); }

}  // namespace

Escrito escribir(const std::filesystem::path& archivo, std::string_view datos, Escritura modo) {
  Escrito r;
  const int banderas = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC |
                       (modo == Escritura::Agregar ? O_APPEND : O_TRUNC);
  const int fd = ::open(archivo.c_str(), banderas, 0666);
  if (fd < 0) {
    r.al_abrir = errno == ELOOP ? std::make_error_code(std::errc::too_many_symbolic_link_levels)
                                : ultimo_error();
    return r;
  }
  std::size_t hecho = 0;
  while (hecho < datos.size()) {
    const ssize_t n = ::write(fd, datos.data() + hecho, datos.size() - hecho);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      r.al_escribir = n < 0 ? ultimo_error() : std::make_error_code(std::errc::io_error);
      break;
    }
    hecho += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 && !r.al_escribir) r.al_escribir = ultimo_error();
  return r;
}

CarpetaPrivada carpeta_privada(const std::filesystem::path& carpeta) {
  // Created now: it is the user's own and closed to others (the umask only takes away).
  if (::mkdir(carpeta.c_str(), 0700) == 0) return {Privada::Lista, {}};
  if (errno != EEXIST) return {Privada::Fallo, ultimo_error()};
  struct stat st {};
  if (::lstat(carpeta.c_str(), &st) != 0) return {Privada::Fallo, ultimo_error()};
  if (S_ISLNK(st.st_mode)) return {Privada::Enlace, {}};
  // Opened without following a link, the folder inspected is the one changed.
  const int fd = ::open(carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return {Privada::Fallo, ultimo_error()};
  CarpetaPrivada r{Privada::Lista, {}};
  if (::fstat(fd, &st) != 0)
    r = {Privada::Fallo, ultimo_error()};
  else if (st.st_uid != ::geteuid())
    r = {Privada::Ajena, {}};
  else if ((st.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0)
    r = {Privada::Fallo, ultimo_error()};
  ::close(fd);
  return r;
}

Lectores lectores(const std::filesystem::path& archivo) {
  struct stat st {};
  if (::stat(archivo.c_str(), &st) != 0) return Lectores::Desconocido;
  return (st.st_mode & 077) != 0 ? Lectores::Otros : Lectores::SoloSuDueno;
}

std::string orden_solo_su_dueno(std::string_view ruta) { return "chmod 600 " + std::string(ruta); }

}  // namespace plataforma
