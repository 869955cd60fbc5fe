#include "bench/proxy.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace bench {
namespace {

void no_delay(int fd) {
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

bool write_all(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

int connect_to(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &res) != 0) return -1;
  int fd = -1;
  for (addrinfo* a = res; a; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (fd < 0) continue;
    if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) break;
    ::close(fd);
    fd = -1;
  }
  ::freeaddrinfo(res);
  return fd;
}

}  // namespace

Proxy::Proxy(const std::string& host, int port) : host_(host), upstream_port_(port) {
  listen_fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (listen_fd_ < 0) throw std::runtime_error("proxy: sin socket");
  int one = 1;
  ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listen_fd_, 16) != 0 ||
      ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(listen_fd_);
    throw std::runtime_error("proxy: no se pudo escuchar en el puerto local");
  }
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { accept_loop(); });
}

Proxy::~Proxy() {
  stop_ = true;
  acceptor_.join();
  for (std::thread& t : threads_) t.join();
  ::close(listen_fd_);
}

std::string Proxy::prefix() const { return "localhost/" + std::to_string(port_) + ":"; }

void Proxy::accept_loop() {
  while (!stop_) {
    pollfd p{listen_fd_, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    int client = ::accept(listen_fd_, nullptr, nullptr);
    if (client < 0) continue;
    int server = connect_to(host_, upstream_port_);
    if (server < 0) {
      ::close(client);
      continue;
    }
    no_delay(client);
    no_delay(server);
    std::lock_guard<std::mutex> lock(mutex_);
    threads_.emplace_back([this, client, server] { forward(client, server); });
  }
}

void Proxy::forward(int client, int server) {
  // The side that spoke last: a reply after a request closes one round trip.
  enum class Turn { None, Client, Server } last = Turn::None;
  std::vector<char> buf(1 << 16);
  pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
  bool open = true;
  while (open && !stop_) {
    if (::poll(fds, 2, 100) <= 0) continue;
    for (int i = 0; i < 2 && open; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t n = ::recv(fds[i].fd, buf.data(), buf.size(), 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        open = false;
        break;
      }
      if (i == 0 && last != Turn::Client) {
        last = Turn::Client;
        if (long long d = delay_us_.load())
          std::this_thread::sleep_for(std::chrono::microseconds(d));
      } else if (i == 1 && last == Turn::Client) {
        last = Turn::Server;
        ++round_trips_;
      }
      open = write_all(fds[1 - i].fd, buf.data(), static_cast<std::size_t>(n));
    }
  }
  ::close(client);
  ::close(server);
}

}  // namespace bench
