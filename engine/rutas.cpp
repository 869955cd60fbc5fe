#include "engine/rutas.h"

#include <cctype>

#include "engine/sql.h"

namespace engine {

std::string ruta_general(std::string_view raiz) {
  return std::string(raiz) + "/" + "datos" + "/" + "general.fdb";
}

std::string ruta_compania(std::string_view raiz, std::string_view compania) {
  return std::string(raiz) + "/datos/" + sin_blancos(std::string(compania)) + "/velmora.fdb";
}

bool es_ruta_windows(std::string_view raiz) {
  if (raiz.find('\\') != std::string_view::npos) return true;
  // A drive letter at the start ("C:...") or right after a host ("server:C:...").
  auto drive_at = [&](std::size_t i) {
    return i + 1 < raiz.size() && std::isalpha(static_cast<unsigned char>(raiz[i])) &&
           raiz[i + 1] == ':' && (i + 2 == raiz.size() || raiz[i + 2] == '/');
  };
  if (drive_at(0)) return true;
  std::size_t colon = raiz.find(':');
  return colon != std::string_view::npos && drive_at(colon + 1);
}

std::string ruta_socio(std::string_view raiz, std::string_view compania) {
  if (es_ruta_windows(raiz))
    return std::string(raiz) + "\\datos\\" + sin_blancos(std::string(compania)) + "\\velmora.fdb";
  return ruta_compania(raiz, compania);
}

}  // namespace engine
