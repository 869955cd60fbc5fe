#include <stdlib.h>
#include <unistd.h>

#include <clocale>

#include "plataforma/pagina_codigos.h"
#include "plataforma/proceso.h"

namespace plataforma {

std::vector<std::string> argumentos(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(del_sistema(argv[i]));
  return args;
}

std::optional<std::string> variable(const char* nombre) {
  if (const char* v = ::getenv(nombre)) return del_sistema(v);
  return std::nullopt;
}

void poner_variable(const char* nombre, std::string_view valor) {
  ::setenv(nombre, std::string(valor).c_str(), 1);
}

void quitar_variable(const char* nombre) { ::unsetenv(nombre); }

std::string usuario() { return std::to_string(::geteuid()); }

unsigned long numero_de_proceso() { return static_cast<unsigned long>(::getpid()); }

bool hay_pantalla() { return variable("DISPLAY") || variable("WAYLAND_DISPLAY"); }

void usar_consola_del_padre() {}

}  // namespace plataforma
