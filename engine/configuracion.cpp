#include "engine/configuracion.h"

#include "engine/sql.h"

namespace engine {

std::optional<std::string> leer_configuracion(db::Connection& conn, std::string_view modulo,
                                              std::string_view categoria,
                                              std::string_view propiedad) {
  db::Rows r = conn.read(
      "select conf_valor from configuracion where conf_modulo = " + quoted(modulo) +
      " and conf_categoria = " + quoted(categoria) + " and conf_propiedad = " + quoted(propiedad));
  if (r.empty()) return std::nullopt;
  return r.at(0, 0).as_text();
}

std::string valor_configuracion(db::Connection& conn, std::string_view modulo,
                                std::string_view categoria, std::string_view propiedad) {
  return leer_configuracion(conn, modulo, categoria, propiedad).value_or("");
}

}  // namespace engine
