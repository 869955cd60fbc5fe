#pragma once
// One replication cycle: purge, download phase from the first active partner,
// upload phase per addressee, re-arm. Runs on the window's thread and talks to the
// window only through engine::VistaCiclo.

#include <set>
#include <string>

#include "db/connection.h"
#include "db/error.h"
#include "engine/contexto.h"
#include "engine/reloj.h"
#include "engine/tipos.h"
#include "engine/vista.h"
#include "errors/bitacora.h"
#include "errors/manejador.h"

namespace agente {

enum class Resultado {
  Completo,      // the cycle reached its end
  SinCompania,   // no local company chosen: nothing was done
  Error,         // an error ended the cycle early (logged; the timer is re-armed)
  Interrumpido,  // the window was closed: the cycle stopped after the current event
  EnCurso,       // a cycle was already running: the request was ignored
};

inline constexpr const char* kSinCompania = "Debe indicar la compañía de origen.";

class Ciclo {
 public:
  Ciclo(db::Connection& local, db::Connection& socio, engine::VistaCiclo& vista,
        const engine::TablaTipos& tipos, errors::Bitacora& bitacora,
        errors::ManejadorErrores& errores, const engine::Reloj& reloj);

  Resultado ejecutar();
  bool en_curso() const { return en_curso_; }
  // The view the cycle reports to from now on (the console wraps the window unattended).
  void poner_vista(engine::VistaCiclo& v) { vista_ = &v; }
  engine::VistaCiclo& vista() const { return *vista_; }

  // RPEV_ID of the newest stamped local event, refreshed by every cycle.
  const std::string& ultimo_enviado() const { return ultimo_enviado_; }
  const engine::Banderas& banderas() const { return banderas_; }
  // How long partner statements wait on a lock held elsewhere.
  void poner_espera_bloqueo(int segundos) { espera_bloqueo_ = segundos; }
  // How long a partner's link may stay silent during a call; 0: the lock wait plus one
  // minute.
  void poner_limite_operacion(int segundos) { limite_operacion_ = segundos; }

 private:
  void pasos(const engine::Opciones& op);
  void ultimo_envio();
  void purgar();
  bool descarga(const engine::Opciones& op);
  bool descargar(const engine::Opciones& op);
  // Partners whose RPCO_ACTIVA says neither yes nor no are logged (they are not used).
  void avisar_socios_dudosos();
  bool subida();
  // One addressee's list; false when the window asked to close.
  bool enviar_a(const std::string& codigo);
  // A lost partner link is logged and ends that partner's list only; false for any
  // other error, which ends the cycle.
  bool socio_perdido(const db::Error& e);
  void leer_banderas();
  // `raiz` in UTF-8 (decoded when it came from the database), `codigo` as the suite holds it.
  bool conectar_socio(const std::string& raiz, const std::string& codigo);
  // Opens the partner's database with the parameters it has; a failure is logged.
  bool abrir_socio();
  // After the partner's link was lost in a list: opens it again, once per list
  // (`reabierto`), unless the program or the window is ending; false when the list ends.
  bool reabrir_socio(bool& reabierto);
  // Processes one event list; false when the window asked to close. No transaction is
  // held once it returns or throws.
  bool recorrer(engine::Fase fase, const db::Rows& lista, const std::string& sql);
  bool recorrer_eventos(engine::Fase fase, const db::Rows& lista, const std::string& sql);
  // The window was closed or the program is ending: the cycle stops after the event in
  // progress.
  bool parar() const;
  // Logs a failure (and, `en_evento`, records it on the current event, which stays
  // pending) and lets the cycle go on; never throws.
  void fallido(const std::exception& e, bool en_evento);
  // Options are read where they are used: Minut at the re-arm, NroOp per addressee,
  // Pref per event.
  void rearmar();

  db::Connection& local_;
  db::Connection& socio_;
  engine::VistaCiclo* vista_;
  const engine::TablaTipos& tipos_;
  errors::Bitacora& bitacora_;
  errors::ManejadorErrores& errores_;
  const engine::Reloj& reloj_;

  bool en_curso_ = false;
  bool interrumpido_ = false;
  std::string ultimo_enviado_;
  engine::Banderas banderas_;
  std::string fecha_bloqueo_;
  int espera_bloqueo_ = 60;
  int limite_operacion_ = 0;
  // The loss that ends a partner's list is already in the log with its event.
  bool perdida_anotada_ = false;
  // Partners whose link was lost in this cycle and could not be opened again.
  std::set<std::string> inalcanzables_;
};

}  // namespace agente
