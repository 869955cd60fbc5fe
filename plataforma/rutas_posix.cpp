#include <optional>

#include "plataforma/proceso.h"
#include "plataforma/rutas.h"

namespace plataforma {

std::filesystem::path ruta(std::string_view utf8) { return std::filesystem::path(utf8); }

std::string texto(const std::filesystem::path& ruta) { return ruta.native(); }

std::filesystem::path carpeta_de_estado() {
  if (std::optional<std::string> v = variable("XDG_STATE_HOME"); v && !v->empty()) return *v;
  if (std::optional<std::string> v = variable("HOME"); v && !v->empty())
    return std::filesystem::path(*v) / ".local" / "state";
  return {};
}

}  // namespace plataforma
