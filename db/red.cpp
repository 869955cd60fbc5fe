#include "db/red.h"

#include <cctype>
#include <string>

namespace db::red {
namespace {

constexpr int kPuertoFirebird = 3050;

// A port written in digits; 0 (any port) for a service name, whose number only the
// system's service list knows.
int numero(std::string_view s) {
  if (s.empty()) return kPuertoFirebird;
  int n = 0;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c)) || n > 65535) return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

int puerto(std::string_view base) {
  for (std::string_view esquema : {"inet://", "inet4://", "inet6://"}) {
    if (base.substr(0, esquema.size()) != esquema) continue;
    std::string_view anfitrion = base.substr(esquema.size());
    anfitrion = anfitrion.substr(0, anfitrion.find('/'));
    std::size_t fin_v6 = anfitrion.rfind(']');
    std::size_t dos_puntos = anfitrion.rfind(':');
    if (dos_puntos == std::string_view::npos ||
        (fin_v6 != std::string_view::npos && dos_puntos < fin_v6))
      return kPuertoFirebird;
    return numero(anfitrion.substr(dos_puntos + 1));
  }
  if (base.find("://") != std::string_view::npos) return -1;  // xnet, wnet: no TCP
  // "host[/port]:path"; a bracketed IPv6 address keeps its colons, and one letter before
  // the colon is a Windows drive, which the embedded engine opens.
  std::size_t desde = base.size() > 0 && base[0] == '[' ? base.find(']') : 0;
  if (desde == std::string_view::npos) return -1;
  std::size_t dos_puntos = base.find(':', desde);
  if (dos_puntos == std::string_view::npos || dos_puntos <= 1) return -1;
  std::string_view anfitrion = base.substr(0, dos_puntos);
  std::size_t barra = anfitrion.find('/', desde);
  return barra == std::string_view::npos ? kPuertoFirebird : numero(anfitrion.substr(barra + 1));
}

}  // namespace db::red
