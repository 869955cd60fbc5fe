#pragma once
// File system paths. Inside the program a path is UTF-8 text, as the command line, the
// settings and the windows give it; the file system gets a std::filesystem::path built
// from that text in the native form (UTF-16 on Windows), so that a folder such as
// "C:\Usuarios\Peña" is opened under its own name and never through the ANSI code page.

#include <filesystem>
#include <string>
#include <string_view>

namespace plataforma {

// The path named by UTF-8 text. On Windows a byte sequence that is not UTF-8 becomes
// U+FFFD (such a name cannot be opened); on POSIX the bytes are the name.
std::filesystem::path ruta(std::string_view utf8);
// The path as UTF-8 text, for messages and for anything that stores it.
std::string texto(const std::filesystem::path& ruta);

// The user's folder for state such as logs: $XDG_STATE_HOME, else $HOME/.local/state;
// on Windows %LOCALAPPDATA%. Empty when the environment names none.
std::filesystem::path carpeta_de_estado();

}  // namespace plataforma
