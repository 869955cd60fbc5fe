#pragma once
// What the login and the monitoring windows take from the main window's engine.

#include "db/connection.h"
#include "engine/ciclo.h"
#include "errors/bitacora.h"
#include "errors/manejador.h"

namespace shell {

struct Enlaces {
  db::Connection& general;  // DbGeneral
  db::Connection& cia;      // DbCia
  db::Connection& socio;    // DBEnvio
  errors::Bitacora& bitacora;
  errors::ManejadorErrores& errores;
  const engine::Ciclo& ciclo;
  int espera_bloqueo;
};

}  // namespace shell
