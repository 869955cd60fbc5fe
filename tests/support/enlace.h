#pragma once
// A TCP link between the Firebird client and a server, on loopback, that tests and the
// benchmark put in the middle: it counts round trips (one each time a connection's
// traffic turns from client->server to server->client), can play a slow link (each
// client->server burst that starts a round trip waits a delay before it is forwarded),
// and can freeze (bytes stop flowing both ways, the sockets stay open) or die, as a WAN
// link does.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace testing_support {

class Enlace {
 public:
  // Listens on an ephemeral loopback port and forwards every connection to
  // `host`:`puerto`.
  explicit Enlace(int puerto = 3050, std::string host = "127.0.0.1");
  ~Enlace();
  Enlace(const Enlace&) = delete;
  Enlace& operator=(const Enlace&) = delete;

  // "127.0.0.1/<port>:": the prefix that reaches the server through this link.
  std::string prefijo() const;
  void congelar() { congelado_ = true; }
  void descongelar() { congelado_ = false; }
  // Freezes the link when the client has sent its `n`-th message from now on, before
  // forwarding it (the client waits for an answer that never comes).
  void congelar_tras(int n) { congelar_en_ = n; }
  // Cuts every connection (both sockets closed) when the client has sent its `n`-th
  // message from now on, before forwarding it; `cortado()` tells whether it happened.
  void cortar_tras(int n) {
    cortado_ = false;
    restantes_ = n;
  }
  bool cortado() const { return cortado_; }
  std::uint64_t viajes() const { return viajes_; }
  void demorar(std::chrono::microseconds d) { demora_us_ = d.count(); }

 private:
  void servir();

  int escucha_ = -1;
  int puerto_local_ = 0;
  int puerto_;
  std::string host_;
  std::atomic<bool> congelado_{false};
  std::atomic<int> restantes_{-1};
  std::atomic<int> congelar_en_{-1};
  std::atomic<bool> cortado_{false};
  std::atomic<std::uint64_t> viajes_{0};
  std::atomic<long long> demora_us_{0};
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
