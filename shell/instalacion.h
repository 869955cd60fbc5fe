#pragma once
// The installation directory (the "Directorio" value the suite's installer leaves
// in the registry, or in the system settings file elsewhere) and the lists the
// main window shows from the general and local company databases.

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "db/connection.h"

namespace shell {

inline constexpr const char* kOrganizacion = "Lyr";
inline constexpr const char* kAplicacion = "Velmora2026";
inline constexpr const char* kSinClave =
    "No se encontró la Clave HKEY_LOCAL_MACHINE\\Software\\Lyr\\Velmora2026\\Directorio";

// The stored directory, as stored; nothing when the key cannot be found.
std::optional<std::string> leer_directorio();

// diraplicacion: the stored directory, or empty text after telling `avisar` the
// missing-key message.
std::string diraplicacion(const std::function<void(const std::string&)>& avisar);

// The value "PaginaCodigos" beside "Directorio": the code page the suite's clients
// write their text in, when the installation says; nothing otherwise.
inline constexpr const char* kClavePagina = "PaginaCodigos";
std::optional<std::string> leer_pagina_codigos();
// Chooses the suite's code page for the whole run: `opcion` (--pagina-codigos) when
// given, else the installation's value, else Windows-1252. Returns the message for a
// name the system does not know (empty when the page is chosen).
std::string elegir_pagina_codigos(const std::string& opcion);

// As the databases hold them: the suite's code page (the window decodes them).
struct Compania {
  std::string codigo;  // COMP_COD
  std::string nombre;  // COM_NOMBRE
};
std::vector<Compania> listar_companias(db::Connection& general);

// SUCU_NOMBRE of every branch, in table order.
std::vector<std::string> listar_sucursales(db::Connection& cia);

}  // namespace shell
