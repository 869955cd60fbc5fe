#pragma once
// Test support: the real program run in the background, stopped by a signal, and timed.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace testing_support {

// Polls `cond` every 20 ms for at most `segundos`.
template <typename F>
bool hasta(F&& cond, double segundos) {
  auto fin = std::chrono::steady_clock::now() + std::chrono::duration<double>(segundos);
  for (;;) {
    if (cond()) return true;
    if (std::chrono::steady_clock::now() >= fin) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// A shell command run in the background (`exec`ed, so that its pid is the program's);
// killed when the test ends without having stopped it.
class EnMarcha {
 public:
  explicit EnMarcha(const std::string& orden) {
    pid_ = ::fork();
    if (pid_ == 0) {
      const std::string c = "exec " + orden;
      ::execl("/bin/sh", "sh", "-c", c.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~EnMarcha() {
    if (pid_ > 0 && !terminado_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  EnMarcha(const EnMarcha&) = delete;
  EnMarcha& operator=(const EnMarcha&) = delete;

  bool vivo() const { return pid_ > 0 && !terminado_; }
  // Sends `senal` and waits up to `segundos` for the program to end; the seconds it
  // took (negative when it did not end).
  double parar(int senal, double segundos) {
    auto t = std::chrono::steady_clock::now();
    ::kill(pid_, senal);
    if (!hasta([&] { return ::waitpid(pid_, &estado_, WNOHANG) == pid_; }, segundos)) return -1;
    terminado_ = true;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
  }
  // The exit status once stopped; -1 when it did not exit normally.
  int codigo() const { return WIFEXITED(estado_) ? WEXITSTATUS(estado_) : -1; }

 private:
  pid_t pid_ = -1;
  int estado_ = 0;
  bool terminado_ = false;
};

}  // namespace testing_support
