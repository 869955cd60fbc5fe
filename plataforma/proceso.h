#pragma once
// The process and what it takes from outside: its arguments and environment as UTF-8
// text, the user it runs as, the console it may write to, and whether a display exists.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plataforma {

// The arguments after the program's name, as UTF-8: on POSIX decoded from the locale's
// encoding (plataforma::tomar_locale first); on Windows read from the wide command line,
// since the ANSI `argv` loses every character outside the code page.
std::vector<std::string> argumentos(int argc, char** argv);

// An environment variable as UTF-8; none when it is not set.
std::optional<std::string> variable(const char* nombre);
void poner_variable(const char* nombre, std::string_view valor);
void quitar_variable(const char* nombre);

// The user the program runs as, fit for a file name: the numeric user id on POSIX, the
// account name on Windows.
std::string usuario();
// The process's number.
unsigned long numero_de_proceso();

// Whether a window can be shown: on POSIX an X11 or Wayland display is named in the
// environment; on Windows there is always a desktop.
bool hay_pantalla();

// For a program built without a console of its own (the window, on Windows): when it
// was started from a console, its standard output and error go to that console, unless
// they were redirected. Nothing to do on POSIX, where they are always inherited.
void usar_consola_del_padre();

}  // namespace plataforma
