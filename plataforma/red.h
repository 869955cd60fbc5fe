#pragma once
// The TCP link of a database attachment, as the operating system sees it. The Firebird
// client keeps its socket to itself and waits on it without a bound of its own; the
// agent finds the socket right after the attachment (the one that appeared meanwhile,
// connected to the server's port) and keeps a handle of its own on it. With it a
// watchdog tells a link that is silent from one that is only slow, and ends a silent
// one whatever the client is blocked on: a read, a write, or a lock the client holds
// while it writes (where a cancel through the client would wait too).
//   POSIX:   the descriptor table, TCP_INFO (Linux) for the silence, shutdown() to cut.
//   Windows: not looked at (no socket is found): the caller falls back on cancelling
//            through the client.

#include <chrono>
#include <optional>
#include <vector>

namespace plataforma {

// The sockets the process holds at one moment (taken just before an attachment).
struct Sockets {
  std::vector<unsigned long long> nodos;
};
Sockets sockets_abiertos();

class Enchufe {
 public:
  Enchufe() = default;  // none: an embedded attachment, or a link that was not found
  // The socket that appeared since `antes` and is connected to port `puerto`; none when
  // there is not exactly one.
  static Enchufe nuevo(const Sockets& antes, int puerto);
  ~Enchufe();
  Enchufe(Enchufe&& o) noexcept;
  Enchufe& operator=(Enchufe&& o) noexcept;
  Enchufe(const Enchufe&) = delete;
  Enchufe& operator=(const Enchufe&) = delete;

  bool existe() const { return fd_ >= 0; }
  // How long the server has sent nothing at all (no data, not even an acknowledgement
  // of what the client sent); none when the system does not tell.
  std::optional<std::chrono::milliseconds> silencio() const;
  // Ends the link both ways: every call waiting on it fails at once. The handle stays
  // the agent's until the Enchufe goes, so the number is never someone else's socket.
  void cortar() const;

 private:
  explicit Enchufe(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace plataforma
