#pragma once
// The command line: nine positional parameters (parameter 4, the local company,
// selects unattended mode) plus a few options that do not disturb them.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// What the program is asked to do: run the agent, or read the health status or the
// reconciliation and exit.
enum class Orden { Agente, Estado, Conciliar };

struct LineaComandos {
  // Parameters 1 to 9 (index 0 is parameter 1), in UTF-8; empty when missing.
  std::array<std::string, 9> parametros;
  bool una_vez = false;             // --once: run the first cycle, then exit
  bool ayuda = false;               // --help
  int espera_bloqueo = 60;          // --lock-timeout=SECONDS
  std::string clave_archivo;        // --clave-archivo=RUTA: parameter 3 read from a file
  std::vector<std::string> avisos;  // values refused (reported at start; the default is kept)
  std::string error;                // a command line that cannot be used
  Orden orden = Orden::Agente;      // --estado, --conciliar
  bool json = false;                // --json: the status for machines
  bool prometheus = false;          // --prometheus: the status for a metrics scraper
  bool reparar = false;             // --reparar: the reconciliation queues fresh events
  int dias = 7;                     // --dias N: the reconciliation's period
  // --pagina-codigos=NOMBRE: the suite's code page; empty: the installation's setting,
  // else Windows-1252.
  std::string pagina_codigos;

  const std::string& parametro(int n) const {
    return parametros.at(static_cast<std::size_t>(n - 1));
  }
  bool desatendido() const { return !parametro(4).empty(); }
};

// The password, when parameter 3 is empty, comes from the file named by
// --clave-archivo (readable by its owner only) or else from the environment variable
// ENVIOAUTO_CLAVE: a password on the command line is visible to every local user. Both
// are read as the system's text, like the command line.
inline constexpr const char* kVariableClave = "ENVIOAUTO_CLAVE";
// Why a password file others can read is refused, with the command that mends it.
std::string clave_legible_por_otros(std::string_view ruta);

// The longest --lock-timeout taken, in seconds.
inline constexpr int kMaxEsperaBloqueo = 3600;

LineaComandos analizar_linea(const std::vector<std::string>& args);
std::string uso();

}  // namespace shell
