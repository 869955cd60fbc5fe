#include "plataforma/proceso.h"

// windows.h first, then the headers built on it.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <stdlib.h>

#include <cstdio>
#include <filesystem>

#include "plataforma/rutas.h"

namespace plataforma {
namespace {

std::wstring ancho(std::string_view utf8) { return ruta(utf8).native(); }
std::string utf8(const wchar_t* w) { return texto(std::filesystem::path(w)); }

bool valido(DWORD cual) {
  HANDLE h = GetStdHandle(cual);
  return h != nullptr && h != INVALID_HANDLE_VALUE;
}

}  // namespace

std::vector<std::string> argumentos(int, char**) {
  int n = 0;
  wchar_t** w = CommandLineToArgvW(GetCommandLineW(), &n);
  std::vector<std::string> out;
  for (int i = 1; w && i < n; ++i) out.push_back(utf8(w[i]));
  if (w) LocalFree(w);
  return out;
}

std::optional<std::string> variable(const char* nombre) {
  if (const wchar_t* v = _wgetenv(ancho(nombre).c_str())) return utf8(v);
  return std::nullopt;
}

void poner_variable(const char* nombre, std::string_view valor) {
  // An empty value would remove the variable; Windows has no variable set to nothing.
  _wputenv_s(ancho(nombre).c_str(), ancho(valor).c_str());
}

void quitar_variable(const char* nombre) { _wputenv_s(ancho(nombre).c_str(), L""); }

std::string usuario() {
  wchar_t nombre[257] = {};
  DWORD n = 257;
  return GetUserNameW(nombre, &n) ? utf8(nombre) : std::string("usuario");
}

unsigned long numero_de_proceso() { return GetCurrentProcessId(); }

bool hay_pantalla() { return true; }

void usar_consola_del_padre() {
  const bool salida = valido(STD_OUTPUT_HANDLE), error = valido(STD_ERROR_HANDLE);
  if ((salida && error) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (!salida) std::freopen("CONOUT$", "w", stdout);
  if (!error) std::freopen("CONOUT$", "w", stderr);
}

}  // namespace plataforma
