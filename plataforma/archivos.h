#pragma once
// Files and folders whose owner matters: a log written without following a link planted
// in its place, the private folder the logs fall back to, and the check that a password
// file is readable by its owner only.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace plataforma {

enum class Escritura { Agregar, Reemplazar };
// What a write met: the error of opening the file, else that of writing or closing it.
struct Escrito {
  std::error_code al_abrir;
  std::error_code al_escribir;
  explicit operator bool() const { return !al_abrir && !al_escribir; }
};

// Writes `datos` with one call: appended at the end (a log line, whole even when
// another thread or process appends at the same time) or replacing what the file held.
// A missing file is created (readable and writable as the umask allows, on POSIX). A
// symbolic link in the file's place is not followed (nor any reparse point on Windows):
// opening fails with errc::too_many_symbolic_link_levels.
Escrito escribir(const std::filesystem::path& archivo, std::string_view datos, Escritura modo);

// The user's private folder at `carpeta` (its parent must exist): created readable by
// its owner only when missing; refused when it is a symbolic link (or a junction), or
// belongs to another user. A folder of the user's own that others may enter is closed
// to them (POSIX).
enum class Privada { Lista, Enlace, Ajena, Fallo };
struct CarpetaPrivada {
  Privada estado = Privada::Fallo;
  std::error_code error;  // why it could not be created or inspected (Fallo)
};
CarpetaPrivada carpeta_privada(const std::filesystem::path& carpeta);

// Who may read a file. POSIX: nobody but its owner has any permission on it. Windows:
// its access list lets nobody read it but its owner, the system and the administrators.
enum class Lectores { SoloSuDueno, Otros, Desconocido };
Lectores lectores(const std::filesystem::path& archivo);
// The command that leaves a file readable by its owner only, for the message that
// refuses it: "chmod 600 RUTA", or the icacls line on Windows.
std::string orden_solo_su_dueno(std::string_view ruta);

}  // namespace plataforma
