#pragma once
// The suite's schema as this project knows it (schema/*.sql, embedded at build time),
// and the helper that lays out an installation: datos/general.fdb and
// datos/<code>/velmora.fdb per company.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace db {
class Connection;
}

namespace schema {

struct Script {
  std::string_view name;
  std::string_view text;
};
// Every embedded script, sorted by file name.
const std::vector<Script>& scripts();

// Splits an isql-style script into statements: ";" ends a statement unless
// "SET TERM x ;" chose another terminator; comments and quoted text are respected.
std::vector<std::string> split_script(std::string_view text);
void run_script(db::Connection& conn, std::string_view text);

enum class Kind { General, Company };

// Creates a database of that kind at `path` (a copy of a template built once and
// kept under the system's temporary folder, keyed by the schema's content), from the
// embedded scripts or from `guiones`, another form of them (tests build the suite's
// schema with the columns named otherwise).
void create_database(Kind kind, const std::filesystem::path& path,
                     const std::vector<Script>& guiones = scripts());

// Creates `root`/datos/general.fdb (listing the companies) and one company database
// per code, from the scripts as above. Returns `root`.
std::filesystem::path create_installation(const std::filesystem::path& root,
                                          const std::vector<std::string>& companies,
                                          const std::vector<Script>& guiones = scripts());

std::string general_path(const std::filesystem::path& root);
std::string company_path(const std::filesystem::path& root, const std::string& code);

// Makes company `codigo` a partner of the company database `c`: an active
// REPLICA_COMPANIA row with its server root, and the credentials the agent uses on
// partner databases (CONFIGURACION, INVENTARIO / ARTICULOS).
void enlazar_socio(db::Connection& c, const std::string& codigo, const std::string& servidor,
                   const std::string& usuario, const std::string& clave);

// User the schema's databases are created for.
inline constexpr const char* kUser = "SYSDBA";
inline constexpr const char* kPassword = "masterkey";

}  // namespace schema
