// envio_muestra crear|mostrar DIR: the README's sample installation.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "plataforma/pagina_codigos.h"
#include "plataforma/rutas.h"
#include "schema/muestra.h"

int main(int argc, char** argv) {
  plataforma::tomar_locale();  // paths with accents, and the console's encoding
  if (argc != 3 || (std::string(argv[1]) != "crear" && std::string(argv[1]) != "mostrar")) {
    std::fprintf(stderr, "Uso: envio_muestra crear|mostrar DIRECTORIO\n");
    return 2;
  }
  try {
    std::filesystem::path root = std::filesystem::absolute(plataforma::ruta(argv[2]));
    if (std::string(argv[1]) == "crear")
      schema::crear_muestra(root);
    else
      schema::mostrar_muestra(root);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "envio_muestra: %s\n", plataforma::para_consola(e.what()).c_str());
    return 1;
  }
  return 0;
}
