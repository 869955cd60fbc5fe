#pragma once
// What a monitoring window takes from the main window: where the local and the
// partner databases are (each window opens an attachment of its own with those
// parameters, so it never shares a transaction or a reconnection with the cycle),
// the central error handler, and whether a cycle is running.

#include <exception>
#include <functional>

#include "db/connection.h"
#include "engine/reloj.h"
#include "errors/manejador.h"

namespace monitor {

struct Origen {
  db::ConnectParams local;  // the local company database
  db::ConnectParams socio;  // the partner database as the cycle last configured it
  std::string compania;     // the local company: the partner's events addressed to it count
  const engine::Reloj* reloj = nullptr;  // "now" for the ages of the figures
  errors::ManejadorErrores* errores = nullptr;
  // True while a cycle runs: the windows then write nothing (the cycle holds a list of
  // events read before and would copy a deleted event's document all the same).
  std::function<bool()> ciclo_en_curso;
  // An error nobody else handles (the main window's handler).
  std::function<void(const std::exception&)> no_manejada;
};

// Shown instead of writing while a cycle runs.
inline constexpr const char* kCicloEnCurso =
    "Hay un envío en curso: no se modifica nada hasta que termine. Intente de nuevo cuando "
    "el envío haya terminado.";

}  // namespace monitor
