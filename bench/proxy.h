#pragma once
// A TCP forwarder between the Firebird client and a server that counts round trips:
// one each time the traffic of a connection turns from client->server to
// server->client. With a delay it also plays a slow link: each client->server burst
// waits that long before it is forwarded, so every round trip costs the delay once.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bench {

class Proxy {
 public:
  // Forwards to `host`:`port`; listens on a free port of the loopback interface.
  Proxy(const std::string& host, int port);
  ~Proxy();
  Proxy(const Proxy&) = delete;
  Proxy& operator=(const Proxy&) = delete;

  int port() const { return port_; }
  // "localhost/PORT:": the prefix of a database path that goes through the proxy.
  std::string prefix() const;
  std::uint64_t round_trips() const { return round_trips_.load(); }
  void set_delay(std::chrono::microseconds d) { delay_us_.store(d.count()); }

 private:
  void accept_loop();
  void forward(int client, int server);

  std::string host_;
  int upstream_port_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> round_trips_{0};
  std::atomic<long long> delay_us_{0};
  std::mutex mutex_;
  std::vector<std::thread> threads_;
  std::thread acceptor_;
};

}  // namespace bench
