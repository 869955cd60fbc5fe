#pragma once
// The agent assembled once: the three connections, the clock, the logs, the error
// handler, the type table and the cycle. The window, the unattended run, the tests and
// the benchmark all build this and nothing else.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "agente/ciclo.h"
#include "db/connection.h"
#include "engine/reloj.h"
#include "engine/tipos.h"
#include "engine/vista.h"
#include "errors/bitacora.h"
#include "errors/manejador.h"

namespace agente {

struct Ajustes {
  // The installation directory, asked for every log line.
  std::function<std::string()> directorio;
  // How long a statement waits on a row locked by someone else, in seconds.
  int espera_bloqueo = 60;
  // The clock; none: the workstation's.
  const engine::Reloj* reloj = nullptr;
  // The system beep the error handler sounds.
  std::function<void()> campana;
  // The dispatch table; none: every family's handlers.
  std::optional<engine::TablaTipos> tipos;
};

class Agente {
 public:
  Agente(engine::VistaCiclo& vista, Ajustes ajustes);
  Agente(const Agente&) = delete;
  Agente& operator=(const Agente&) = delete;

  // The general database, the local company database and the partner database.
  db::Connection DbGeneral{"DbGeneral"};
  db::Connection DbCia{"DbCia"};
  db::Connection DBEnvio{"DBEnvio"};

  const engine::Reloj& reloj() const { return *reloj_; }
  errors::Bitacora& bitacora() { return bitacora_; }
  errors::ManejadorErrores& errores() { return errores_; }
  engine::TablaTipos& tipos() { return tipos_; }
  Ciclo& ciclo() { return ciclo_; }
  int espera_bloqueo() const { return espera_bloqueo_; }

  // The view the cycle and the messages go to (the window, or the console around it).
  engine::VistaCiclo& vista() const { return ciclo_.vista(); }
  void poner_vista(engine::VistaCiclo& v) { ciclo_.poner_vista(v); }

  // An error nobody else handled: logged (and recorded on the current event) by the
  // error handler, and told to the view. Never throws.
  void no_manejada(const std::exception& e);

 private:
  std::unique_ptr<engine::Reloj> reloj_propio_;
  const engine::Reloj* reloj_;
  int espera_bloqueo_;
  errors::Bitacora bitacora_;
  errors::ManejadorErrores errores_;
  engine::TablaTipos tipos_;
  Ciclo ciclo_;
};

}  // namespace agente
