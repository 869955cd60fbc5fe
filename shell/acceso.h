#pragma once
// What the login window does below its controls: the server list of SERVIDORES.cfg,
// the statement that checks the operator against USUARIO, and the message the
// operator reads for each way a login fails.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

inline constexpr const char* kServidores = "SERVIDORES.cfg";

// One server name per line. A line ends at a CR or at an LF; the byte after a CR is
// skipped whatever it is (the LF of a CR LF pair). An empty line ended by LF gives an
// empty entry. A last line without a line end is taken too: editors often save the
// file that way, and dropping it would hide the only server of a one-line list. The
// file is 8-bit text in the suite's code page, as its other files; the names come back
// decoded (UTF-8), as paths are handed on.
std::vector<std::string> leer_servidores(std::string_view contenido);
// The list of the file; empty when it cannot be read.
std::vector<std::string> leer_servidores(const std::filesystem::path& archivo);

// The user query with the code quoted (a code holding a quote stays a value); the code
// as typed (UTF-8), the query in the suite's code page.
std::string consulta_usuario(std::string_view codigo_mayusculas);

// The password as it goes to the server: the bytes of the suite's code page, as its own
// clients send them, whether it was typed in the login window or given on the command
// line (both UTF-8 here).
std::string clave_para_servidor(std::string_view clave);

// Raised when the user query finds no USUARIO row for the code: the server let the
// user in (the embedded engine and trusted logins check no password) but the suite
// does not know him.
class UsuarioDesconocido : public std::runtime_error {
 public:
  explicit UsuarioDesconocido(const std::string& codigo);
};

// The text shown for a failed login, chosen from the error's message.
std::string mensaje_acceso(std::string_view error);

}  // namespace shell
