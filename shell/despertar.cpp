#include "shell/despertar.h"

#include "errors/bitacora.h"
#include "shell/principalauto.h"

namespace shell {

Despertar::Despertar(Tfprincipalauto& ventana) : ventana_(ventana) {
  pausa_.setSingleShot(true);
  pausa_.setInterval(agente::kPausaAviso);
  connect(&pausa_, &QTimer::timeout, this, &Despertar::vencida);
  connect(&ventana_, &Tfprincipalauto::cicloEmpieza, this, &Despertar::cicloEmpieza);
  connect(&ventana_, &Tfprincipalauto::cicloTerminado, this, &Despertar::cicloTerminado);
  // From the listener's thread: only posts to this one.
  avisos_.al_avisar(
      [this] { QMetaObject::invokeMethod(this, &Despertar::aviso, Qt::QueuedConnection); });
  avisos_.al_informar([this](const std::string& base, const std::string& fallo) {
    QMetaObject::invokeMethod(
        this,
        [this, base, fallo] {
          if (fallo.empty()) {
            informar(agente::escuchando_cola(base, db::kEventoCola));
            return;
          }
          // The timer goes on as before; the next cycle tries again.
          const std::string texto = agente::cola_sin_escuchar(base, errors::una_linea(fallo));
          if (informar(texto)) ventana_.agente().bitacora().error("", texto);
        },
        Qt::QueuedConnection);
  });
}

Despertar::~Despertar() { avisos_.cerrar(); }

void Despertar::cicloEmpieza() {
  despertador_.ciclo_empieza();
  const db::Connection& cia = ventana_.agente().DbCia;
  // Never waits: the listener attaches on its own thread.
  if (!db::fin_pedido() && cia.connected()) avisos_.escuchar(cia.params());
}

void Despertar::cicloTerminado() {
  if (despertador_.ciclo_termina()) pausa_.start();
}

void Despertar::aviso() {
  avisos_.tomar();  // the next event posts again
  if (despertador_.aviso()) pausa_.start();
}

void Despertar::vencida() {
  if (!despertador_.vencida()) return;
  // As a turn of the timer would, and only while the timer is on: a frequency of 0 asks
  // for no further cycles, and a window being closed starts none.
  if (db::fin_pedido() || !ventana_.isVisible() || !ventana_.Timer1->isActive()) return;
  ventana_.SpeedButton1Click();
}

bool Despertar::informar(const std::string& texto) {
  if (texto == informado_) return false;
  informado_ = texto;
  if (informar_) informar_(texto);
  return true;
}

}  // namespace shell
