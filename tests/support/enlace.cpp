#include "support/enlace.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

int conectar(int puerto) {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(puerto));
  if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(s);
    return -1;
  }
  return s;
}

}  // namespace

Enlace::Enlace(int puerto) : puerto_(puerto) {
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
  // Pairs of (client, server) sockets; everything in one poll loop.
  std::vector<std::pair<int, int>> pares;
  while (!fin_) {
    std::vector<pollfd> fds{{escucha_, POLLIN, 0}};
    for (auto [c, s] : pares) {
      short ev = congelado_ ? 0 : POLLIN;
      fds.push_back({c, ev, 0});
      fds.push_back({s, ev, 0});
    }
    if (::poll(fds.data(), fds.size(), 50) <= 0) continue;
    std::vector<std::pair<int, int>> siguen;
    for (std::size_t i = 0; i < pares.size(); ++i) {
      bool cerrado = false;
      for (int lado = 0; lado < 2 && !cerrado; ++lado) {
        const pollfd& p = fds[1 + 2 * i + static_cast<std::size_t>(lado)];
        if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buf[65536];
        ssize_t n = ::read(p.fd, buf, sizeof buf);
        int otro = lado == 0 ? pares[i].second : pares[i].first;
        if (n > 0) {
          for (ssize_t hecho = 0; hecho < n;) {
            ssize_t w = ::write(otro, buf + hecho, static_cast<std::size_t>(n - hecho));
            if (w <= 0) break;
            hecho += w;
          }
        } else {
          cerrado = true;  // one side ended: the link ends
        }
      }
      if (cerrado) {
        ::close(pares[i].first);
        ::close(pares[i].second);
      } else {
        siguen.push_back(pares[i]);
      }
    }
    pares = std::move(siguen);
    if (fds[0].revents & POLLIN) {
      int c = ::accept(escucha_, nullptr, nullptr);
      int s = c >= 0 ? conectar(puerto_) : -1;
      if (s >= 0)
        pares.emplace_back(c, s);
      else if (c >= 0)
        ::close(c);
    }
  }
  for (auto [c, s] : pares) {
    ::close(c);
    ::close(s);
  }
}

Mudo::Mudo() { escucha_ = escuchar(puerto_); }
Mudo::~Mudo() { ::close(escucha_); }
std::string Mudo::prefijo() const { return "127.0.0.1/" + std::to_string(puerto_) + ":"; }

}  // namespace testing_support
