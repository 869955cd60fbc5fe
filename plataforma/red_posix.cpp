// The link of a remote attachment on POSIX systems: sockets are found in the process's
// descriptor table, the silence is the kernel's TCP_INFO (Linux), the cut a shutdown.
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include "plataforma/red.h"

namespace plataforma {
namespace {

// The socket's identity (its inode): a descriptor number can be closed and reused, the
// socket behind it cannot.
bool nodo_de_socket(int fd, unsigned long long& nodo) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode)) return false;
  nodo = static_cast<unsigned long long>(st.st_ino);
  return true;
}

// Every open descriptor: /proc/self/fd where there is one, else every number up to the
// process's limit.
std::vector<int> descriptores() {
  std::vector<int> fds;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    const int propio = ::dirfd(d);
    while (const dirent* e = ::readdir(d)) {
      char* fin = nullptr;
      long n = std::strtol(e->d_name, &fin, 10);
      if (fin != e->d_name && *fin == '\0' && n != propio) fds.push_back(static_cast<int>(n));
    }
    ::closedir(d);
    return fds;
  }
  const long maximo = std::min(::sysconf(_SC_OPEN_MAX), 65536L);
  for (int fd = 0; fd < maximo; ++fd)
    if (::fcntl(fd, F_GETFD) != -1) fds.push_back(fd);
  return fds;
}

// The TCP port of the other side; -1 when the socket is not a connected TCP one.
int puerto_remoto(int fd) {
  sockaddr_storage a{};
  socklen_t l = sizeof a;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&a), &l) != 0) return -1;
  if (a.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(a).sin_port);
  if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(a).sin6_port);
  return -1;
}

}  // namespace

Sockets sockets_abiertos() {
  Sockets s;
  for (int fd : descriptores()) {
    unsigned long long nodo = 0;
    if (nodo_de_socket(fd, nodo)) s.nodos.push_back(nodo);
  }
  std::sort(s.nodos.begin(), s.nodos.end());
  return s;
}

Enchufe Enchufe::nuevo(const Sockets& antes, int puerto) {
  int hallado = -1;
  for (int fd : descriptores()) {
    unsigned long long nodo = 0;
    if (!nodo_de_socket(fd, nodo) ||
        std::binary_search(antes.nodos.begin(), antes.nodos.end(), nodo))
      continue;
    const int remoto = puerto_remoto(fd);
    if (remoto < 0 || (puerto > 0 && remoto != puerto)) continue;
    if (hallado >= 0) return {};  // two candidates: neither is taken for the client's
    hallado = fd;
  }
  if (hallado < 0) return {};
  return Enchufe(::fcntl(hallado, F_DUPFD_CLOEXEC, 0));
}

Enchufe::~Enchufe() {
  if (fd_ >= 0) ::close(fd_);
}

Enchufe::Enchufe(Enchufe&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}

Enchufe& Enchufe::operator=(Enchufe&& o) noexcept {
  if (this != &o) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(o.fd_, -1);
  }
  return *this;
}

std::optional<std::chrono::milliseconds> Enchufe::silencio() const {
#ifdef TCP_INFO
  if (fd_ < 0) return std::nullopt;
  tcp_info info{};
  socklen_t l = sizeof info;
  if (::getsockopt(fd_, IPPROTO_TCP, TCP_INFO, &info, &l) != 0) return std::nullopt;
  return std::chrono::milliseconds(std::min(info.tcpi_last_data_recv, info.tcpi_last_ack_recv));
#else
  return std::nullopt;
#endif
}

void Enchufe::cortar() const {
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

}  // namespace plataforma
