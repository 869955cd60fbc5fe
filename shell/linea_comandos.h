#pragma once
// The command line: nine positional parameters (parameter 4, the local company,
// selects unattended mode) plus a few options that do not disturb them.

#include <array>
#include <string>
#include <vector>

namespace shell {

// What the program is asked to do: run the agent, or read the health status or the
// reconciliation and exit.
enum class Orden { Agente, Estado, Conciliar };

struct LineaComandos {
  // Parameters 1 to 9 (index 0 is parameter 1); empty when missing.
  std::array<std::string, 9> parametros;
  bool una_vez = false;             // --once: run the first cycle, then exit
  bool ayuda = false;               // --help
  int espera_bloqueo = 60;          // --lock-timeout=SECONDS
  std::string clave_archivo;        // --clave-archivo=RUTA: parameter 3 read from a file
  std::vector<std::string> avisos;  // values refused (reported at start; the default is kept)
  std::string error;                // a command line that cannot be used
  Orden orden = Orden::Agente;      // --estado, --conciliar
  bool json = false;                // --json: the status for machines
  int dias = 7;                     // --dias N: the reconciliation's period

  const std::string& parametro(int n) const {
    return parametros.at(static_cast<std::size_t>(n - 1));
  }
  bool desatendido() const { return !parametro(4).empty(); }
};

// The password, when parameter 3 is empty, comes from the file named by
// --clave-archivo (readable by its owner only) or else from the environment variable
// ENVIOAUTO_CLAVE: a password on the command line is visible to every local user.
inline constexpr const char* kVariableClave = "ENVIOAUTO_CLAVE";

// The longest --lock-timeout taken, in seconds.
inline constexpr int kMaxEsperaBloqueo = 3600;

LineaComandos analizar_linea(const std::vector<std::string>& args);
std::string uso();

}  // namespace shell
