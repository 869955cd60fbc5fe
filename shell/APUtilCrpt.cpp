#include "shell/APUtilCrpt.h"

namespace shell {
namespace {

// T0 is never used: positions i with i mod 3 = 1 or 2 take T1 or T2, the others T3.
constexpr int kTabla[4] = {3, 9, 2, 8};

int clave_de(std::size_t i) { return (i % 3 != 0) ? kTabla[i % 3] : kTabla[3]; }

std::string mezclar(std::string_view s, int signo) {
  std::string out(s);
  const std::size_t n = s.size();
  for (std::size_t i = 1; i <= n; ++i) {
    int delta = static_cast<int>((n + i + static_cast<std::size_t>(clave_de(i))) % 256);
    int b = static_cast<unsigned char>(s[i - 1]);
    out[i - 1] = static_cast<char>(static_cast<unsigned char>((b + signo * delta + 512) % 256));
  }
  return out;
}

}  // namespace

std::string encriptar_clave(std::string_view clave) { return mezclar(clave, +1); }
std::string desencriptar_clave(std::string_view clave) { return mezclar(clave, -1); }

}  // namespace shell
