#include <windows.h>

#include <optional>

#include "plataforma/proceso.h"
#include "plataforma/rutas.h"

namespace plataforma {

std::filesystem::path ruta(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring ancho(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), ancho.data(), n);
  return std::filesystem::path(std::move(ancho));
}

std::string texto(const std::filesystem::path& ruta) {
  const std::wstring& ancho = ruta.native();
  if (ancho.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, ancho.data(), static_cast<int>(ancho.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, ancho.data(), static_cast<int>(ancho.size()), utf8.data(), n,
                      nullptr, nullptr);
  return utf8;
}

std::filesystem::path carpeta_de_estado() {
  if (std::optional<std::string> v = variable("LOCALAPPDATA"); v && !v->empty()) return ruta(*v);
  return {};
}

}  // namespace plataforma
