#include "support/enlace.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

namespace testing_support {
namespace {

int escuchar(int& puerto) {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 16) != 0)
    throw std::runtime_error("no se pudo escuchar en loopback");
  socklen_t l = sizeof a;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &l);
  puerto = ntohs(a.sin_port);
  return s;
}

void sin_demora(int fd) {
  int uno = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &uno, sizeof uno);
}

int conectar(const std::string& host, int puerto) {
  addrinfo pista{};
  pista.ai_family = AF_UNSPEC;
  pista.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(puerto).c_str(), &pista, &res) != 0) return -1;
  int s = -1;
  for (addrinfo* a = res; a; a = a->ai_next) {
    s = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (s < 0) continue;
    if (::connect(s, a->ai_addr, a->ai_addrlen) == 0) break;
    ::close(s);
    s = -1;
  }
  ::freeaddrinfo(res);
  if (s >= 0) sin_demora(s);
  return s;
}

// Writes all of `n` bytes; false when the other side is gone.
bool escribir(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

// One connection through the link and who spoke last on it.
struct Par {
  int cliente, servidor;
  bool pregunta = false;  // the client spoke last: the server's answer ends a round trip
};

}  // namespace

Enlace::Enlace(int puerto, std::string host) : puerto_(puerto), host_(std::move(host)) {
  escucha_ = escuchar(puerto_local_);
  hilo_ = std::thread([this] { servir(); });
}

Enlace::~Enlace() {
  fin_ = true;
  hilo_.join();
  ::close(escucha_);
}

std::string Enlace::prefijo() const { return "127.0.0.1/" + std::to_string(puerto_local_) + ":"; }

void Enlace::servir() {
  // Every connection in one poll loop.
  std::vector<Par> pares;
  auto cerrar = [](const Par& p) {
    ::close(p.cliente);
    ::close(p.servidor);
  };
  while (!fin_) {
    std::vector<pollfd> fds{{escucha_, POLLIN, 0}};
    for (const Par& p : pares) {
      short ev = congelado_ ? 0 : POLLIN;
      fds.push_back({p.cliente, ev, 0});
      fds.push_back({p.servidor, ev, 0});
    }
    if (::poll(fds.data(), fds.size(), 50) <= 0) continue;
    std::vector<Par> siguen;
    for (std::size_t i = 0; i < pares.size(); ++i) {
      Par& par = pares[i];
      bool cerrado = false;
      for (int lado = 0; lado < 2 && !cerrado; ++lado) {
        const pollfd& p = fds[1 + 2 * i + static_cast<std::size_t>(lado)];
        if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buf[65536];
        ssize_t n = ::read(p.fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        const bool del_cliente = lado == 0;
        if (n > 0 && del_cliente && restantes_ > 0 && --restantes_ == 0) {
          // The link dies: every connection through it is gone at once.
          restantes_ = -1;
          cortado_ = true;
          for (const Par& q : pares) cerrar(q);
          pares.clear();
          siguen.clear();
          break;
        }
        if (n > 0 && del_cliente && congelar_en_ > 0 && --congelar_en_ == 0) {
          // The message is kept back and the link stops answering.
          congelar_en_ = -1;
          congelado_ = true;
          break;
        }
        if (n <= 0) {
          cerrado = true;  // one side ended: the link ends
          break;
        }
        if (del_cliente && !par.pregunta) {
          par.pregunta = true;
          if (long long d = demora_us_) std::this_thread::sleep_for(std::chrono::microseconds(d));
        } else if (!del_cliente && par.pregunta) {
          par.pregunta = false;
          ++viajes_;
        }
        cerrado =
            !escribir(del_cliente ? par.servidor : par.cliente, buf, static_cast<std::size_t>(n));
      }
      if (pares.empty()) break;
      if (cerrado)
        cerrar(par);
      else
        siguen.push_back(par);
    }
    pares = std::move(siguen);
    if (fds[0].revents & POLLIN) {
      int c = ::accept(escucha_, nullptr, nullptr);
      int s = c >= 0 ? conectar(host_, puerto_) : -1;
      if (s >= 0) {
        sin_demora(c);
        pares.push_back({c, s});
      } else if (c >= 0) {
        ::close(c);
      }
    }
  }
  for (const Par& p : pares) cerrar(p);
}

Mudo::Mudo() { escucha_ = escuchar(puerto_); }
Mudo::~Mudo() { ::close(escucha_); }
std::string Mudo::prefijo() const { return "127.0.0.1/" + std::to_string(puerto_) + ":"; }

}  // namespace testing_support
