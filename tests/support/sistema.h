#pragma once
// Test support: who may read a file, who owns it, and a stop request to this process,
// each done the way its platform does it (sistema_posix.cpp, sistema_windows.cpp).

#include <filesystem>

namespace testing_support {

// Lets everyone read the file (chmod 644; on Windows an entry for Everyone as well).
void abrir_a_todos(const std::filesystem::path& archivo);
// Leaves the file to its owner alone (chmod 600; on Windows an access list holding
// its owner only).
void cerrar_a_otros(const std::filesystem::path& archivo);

// Gives a file or folder to the system user `nombre` (chown). Throws std::system_error
// when the user exists but the file cannot be given to it.
enum class Cesion { Hecha, SinUsuario, NoPermitida };
Cesion ceder(const std::filesystem::path& ruta, const char* nombre);

// Asks this process to stop as the platform's service manager or console would (SIGTERM;
// on Windows Ctrl+C on a console of the process's own); returns the name the request
// arrives under.
const char* pedir_parada();
// Installs a foreign handler for those requests that takes them without stopping
// anything, as the Firebird client does with its own at its first attachment.
void ocupar_parada();

}  // namespace testing_support
