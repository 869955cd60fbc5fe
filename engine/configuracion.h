#pragma once
// CONFIGURACION: key-value settings of a company database, by module, category and
// property.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "db/connection.h"
#include "engine/contexto.h"

namespace engine {

// The first column of the first row of the lookup, as text; nothing when no row.
std::optional<std::string> leer_configuracion(db::Connection& conn, std::string_view modulo,
                                              std::string_view categoria,
                                              std::string_view propiedad);
// The same, with empty text for a missing key.
std::string valor_configuracion(db::Connection& conn, std::string_view modulo,
                                std::string_view categoria, std::string_view propiedad);

// configuracion: a setting of the partner database. A missing key is told through
// `avisar` as "No se encontró la configuración " + property, and gives empty text.
std::string configuracion(db::Connection& socio, std::string_view modulo,
                          std::string_view categoria, std::string_view propiedad,
                          const std::function<void(const std::string&)>& avisar);

// The five behaviour switches, read from the local company database.
Banderas leer_banderas(db::Connection& local);

// The user and password the agent takes on partner databases, from the local company
// database (empty text for a missing key).
struct Credenciales {
  std::string usuario;
  std::string clave;
};
Credenciales credenciales_socio(db::Connection& local);

}  // namespace engine
