#pragma once
// Where an installation keeps its databases: <root>/datos/general.fdb and
// <root>/datos/<company>/velmora.fdb.

#include <string>
#include <string_view>

namespace engine {

std::string ruta_general(std::string_view raiz);
// The local company database, always with "/" separators.
std::string ruta_compania(std::string_view raiz, std::string_view compania);
// A partner's database: "\" separators when the root is a Windows path (it has a
// "\" or a drive letter), "/" otherwise, which Firebird on any system accepts.
std::string ruta_socio(std::string_view raiz, std::string_view compania);
bool es_ruta_windows(std::string_view raiz);

}  // namespace engine
