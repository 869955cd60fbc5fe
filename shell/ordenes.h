#pragma once
// The commands that read and exit: --estado (the health status, for a monitoring
// system) and --conciliar (the reconciliation; with --reparar it also queues fresh
// events). Neither opens a window, copies or stamps anything.

#include <string>

#include "shell/linea_comandos.h"

namespace shell {

// Runs the command the line names, prints its output and returns the exit status.
int ejecutar_orden(const LineaComandos& linea);

// The same with the installation directory given (the logs and the last-cycle file)
// and the output returned (UTF-8): what the tests run.
struct Salida {
  int codigo = 0;
  std::string texto;
};
Salida orden(const LineaComandos& linea, const std::string& directorio);

}  // namespace shell
