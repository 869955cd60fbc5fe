#pragma once
// Test support: a TCP link between the client and a Firebird server on loopback that a
// test can freeze (bytes stop flowing both ways, the sockets stay open), as a WAN link
// does when it dies without a reset.

#include <atomic>
#include <string>
#include <thread>

namespace testing_support {

class Enlace {
 public:
  // Listens on an ephemeral loopback port and forwards every connection to `puerto`.
  explicit Enlace(int puerto = 3050);
  ~Enlace();
  Enlace(const Enlace&) = delete;
  Enlace& operator=(const Enlace&) = delete;

  // "127.0.0.1/<port>:": the prefix that reaches the server through this link.
  std::string prefijo() const;
  void congelar() { congelado_ = true; }

 private:
  void servir();

  int escucha_ = -1;
  int puerto_local_ = 0;
  int puerto_;
  std::atomic<bool> congelado_{false};
  std::atomic<bool> fin_{false};
  std::thread hilo_;
};

// A port that accepts connections and never answers (the kernel completes the
// handshake; nobody reads).
class Mudo {
 public:
  Mudo();
  ~Mudo();
  std::string prefijo() const;

 private:
  int escucha_ = -1;
  int puerto_ = 0;
};

}  // namespace testing_support
