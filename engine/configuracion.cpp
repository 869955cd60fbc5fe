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

std::string configuracion(db::Connection& socio, std::string_view modulo,
                          std::string_view categoria, std::string_view propiedad,
                          const std::function<void(const std::string&)>& avisar) {
  if (std::optional<std::string> v = leer_configuracion(socio, modulo, categoria, propiedad))
    return *v;
  if (avisar) avisar("No se encontró la configuración " + std::string(propiedad));
  return {};
}

}  // namespace engine
