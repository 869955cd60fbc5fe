#include "shell/acceso.h"

#include <fstream>
#include <iterator>

#include "engine/sql.h"
#include "plataforma/pagina_codigos.h"

namespace shell {

namespace {

constexpr const char* kPrefijoDesconocido = "El usuario no está registrado en la base general: ";

// The text between the first double quote and the next one (empty when there is none).
std::string entre_comillas(std::string_view s) {
  std::size_t a = s.find('"');
  if (a == std::string_view::npos) return {};
  std::size_t b = s.find('"', a + 1);
  if (b == std::string_view::npos) return std::string(s.substr(a + 1));
  return std::string(s.substr(a + 1, b - a - 1));
}

bool contiene(std::string_view s, std::string_view parte) {
  return s.find(parte) != std::string_view::npos;
}

// The file of an I/O error. Older servers say I/O error for file "x", Firebird 3 says
// I/O error during "open" operation for file "x": the name is the quoted text after
// "for file" in both.
std::string archivo_de(std::string_view e) { return entre_comillas(e.substr(e.find("for file"))); }

struct Caso {
  bool (*aplica)(std::string_view error);
  std::string (*mensaje)(std::string_view error);
};

const Caso kCasos[] = {
    {[](std::string_view e) {
       return contiene(e, "Your user name and password are not defined") ||
              contiene(e, kPrefijoDesconocido);
     },
     [](std::string_view) {
       return std::string("El nombre de Usuario o la clave son incorrectas.");
     }},
    {[](std::string_view e) { return contiene(e, "I/O error") && contiene(e, "for file"); },
     [](std::string_view e) { return "No se encontró el archivo o la ruta " + archivo_de(e); }},
    {[](std::string_view e) { return contiene(e, "Unable to complete network request"); },
     [](std::string_view e) {
       return "No se encontró el equipo servidor con nombre " + entre_comillas(e);
     }},
};

}  // namespace

std::vector<std::string> leer_servidores(std::string_view contenido) {
  std::vector<std::string> lista;
  std::string linea;
  bool abierta = false;  // bytes read since the last line end
  for (std::size_t i = 0; i < contenido.size(); ++i) {
    char c = contenido[i];
    if (c == '\r' || c == '\n') {
      lista.push_back(plataforma::desde_suite(linea));
      linea.clear();
      abierta = false;
      if (c == '\r') ++i;  // the byte after a CR belongs to the line end
      continue;
    }
    linea += c;
    abierta = true;
  }
  if (abierta) lista.push_back(plataforma::desde_suite(linea));
  return lista;
}

std::vector<std::string> leer_servidores(const std::filesystem::path& archivo) {
  std::ifstream in(archivo, std::ios::binary);
  if (!in) return {};
  std::string contenido((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return leer_servidores(std::string_view(contenido));
}

std::string consulta_usuario(std::string_view codigo_mayusculas) {
  return "select usua_nombre from usuario where usua_cod = " +
         engine::quoted(plataforma::hacia_suite(codigo_mayusculas));
}

std::string clave_para_servidor(std::string_view clave) { return plataforma::hacia_suite(clave); }

UsuarioDesconocido::UsuarioDesconocido(const std::string& codigo)
    : std::runtime_error(kPrefijoDesconocido + codigo) {}

std::string mensaje_acceso(std::string_view error) {
  for (const Caso& c : kCasos)
    if (c.aplica(error)) return c.mensaje(error);
  return "Se presento el siguiente error: " + std::string(error);
}

}  // namespace shell
