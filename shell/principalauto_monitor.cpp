// The main window's login and the buttons that open the monitoring windows.
//
// Each window is modal and made anew for every press. A press during a cycle is
// handled between two events (the cycle lets messages through after each one), so it
// waits for the event in progress; the cycle then waits for the window to close
// before it takes its next event. The windows read on attachments of their own and
// refuse to write while a cycle runs, so a window opened during a cycle changes
// nothing the cycle writes.
#include <QApplication>
#include <QComboBox>

#include "monitor/mensajesenv.h"
#include "monitor/pendientes.h"
#include "monitor/repcompania.h"
#include "monitor/repdocs.h"
#include "shell/ctrlaccesoauto.h"
#include "shell/principalauto.h"

namespace shell {

void Tfprincipalauto::abrirAcceso() {
  agente::Agente& a = agente();
  Tfaccesoauto acceso(a.DbGeneral, a.bitacora(), a.espera_bloqueo(), this);
  if (acceso.exec() != QDialog::Accepted) {
    // Leaving the login ends the program.
    close();
    QCoreApplication::quit();
    return;
  }
  tomarAcceso(acceso.servidor(), acceso.usuario(), acceso.clave());
}

bool Tfprincipalauto::origenMonitor(monitor::Origen& o) {
  if (companiaElegida().isEmpty()) {
    agente().vista().mensaje(agente::kSinCompania);
    return false;
  }
  agente::Agente& a = agente();
  o.local = a.DbCia.params();
  o.socio = a.DBEnvio.params();
  o.compania = compania_conectada_;
  o.reloj = &a.reloj();
  o.errores = &a.errores();
  o.ciclo_en_curso = [&ciclo = a.ciclo()] { return ciclo.en_curso(); };
  o.no_manejada = [this](const std::exception& x) { noManejada(x); };
  return true;
}

void Tfprincipalauto::PngSpeedButton1Click() {
  monitor::Origen o;
  if (!origenMonitor(o)) return;
  monitor::Tfmensajesenv w(o, this);
  w.exec();
}

void Tfprincipalauto::PngSpeedButton2Click() {
  monitor::Origen o;
  if (!origenMonitor(o)) return;
  monitor::Tfrepcompania w(o, this);
  w.exec();
}

void Tfprincipalauto::PngSpeedButton3Click() {
  modo_pendientes_ = monitor::Tfpendientes::Descarga;
  monitor::Origen o;
  if (!origenMonitor(o)) return;
  monitor::Tfpendientes w(o, modo_pendientes_, this);
  w.exec();
}

void Tfprincipalauto::PngSpeedButton4Click() {
  monitor::Origen o;
  if (!origenMonitor(o)) return;
  monitor::Tfrepdocs w(o, this);
  w.exec();
}

void Tfprincipalauto::PngSpeedButton5Click() {
  modo_pendientes_ = monitor::Tfpendientes::Envio;
  monitor::Origen o;
  if (!origenMonitor(o)) return;
  monitor::Tfpendientes w(o, modo_pendientes_, this);
  w.exec();
}

}  // namespace shell
