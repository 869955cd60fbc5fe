#include "shell/desatendido.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>

#include "shell/despertar.h"

namespace shell {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

const char* nombre(agente::Resultado r) {
  switch (r) {
    case agente::Resultado::Completo:
      return "completo";
    case agente::Resultado::SinCompania:
      return "sin compañía";
    case agente::Resultado::Error:
      return "terminado por un error";
    case agente::Resultado::Interrumpido:
      return "interrumpido";
    case agente::Resultado::EnCurso:
      return "en curso";
  }
  return "";
}

}  // namespace

int codigo_salida(agente::Resultado r) { return r == agente::Resultado::Completo ? 0 : 1; }

Desatendido::Desatendido(LineaComandos linea, QObject* parent)
    : QObject(parent),
      linea_(std::move(linea)),
      ventana_(linea_),
      consola_(ventana_.agente().vista(), ventana_.agente().bitacora()),
      senales_([this](const char* senal) { detener(senal); }) {
  ventana_.agente().poner_vista(consola_);
  ventana_.ponerAcceso({});  // the command line stands in for the login
  if (Despertar* d = ventana_.despertar())
    d->alInformar([this](const std::string& t) { consola_.linea(t); });
  connect(&ventana_, &Tfprincipalauto::activada, this, &Desatendido::arrancar);
  connect(&ventana_, &Tfprincipalauto::cicloTerminado, this, &Desatendido::cicloTerminado);
}

void Desatendido::arrancar() {
  for (const std::string& a : linea_.avisos) consola_.mensaje(a);
  // Each cycle opens the general and the company database first, the first one too: a
  // database that cannot be opened yet (the server still starting) is tried again at
  // the next turn of the timer.
  if (linea_.parametro(5) == "1") ventana_.CkError->setChecked(true);
  if (!linea_.parametro(7).empty()) ventana_.NroOp->setText(q(linea_.parametro(7)));
  if (!linea_.parametro(8).empty()) ventana_.Minut->setText(q(linea_.parametro(8)));
  if (!linea_.parametro(9).empty()) ventana_.Edit2->setText(q(linea_.parametro(9)));
  ventana_.SpeedButton1Click();
}

void Desatendido::cicloTerminado(int resultado) {
  auto r = static_cast<agente::Resultado>(resultado);
  // On Windows the Firebird client adds a console handler of its own at its first
  // attachment, ahead of the agent's: the agent's goes first again.
  Senales::tomar();
  consola_.linea(std::string("Ciclo ") + nombre(r) + ".");
  terminarPrimerCiclo(r);
}

void Desatendido::terminarPrimerCiclo(agente::Resultado r) {
  if (primer_ciclo_) return;
  primer_ciclo_ = r;
  emit primerCicloTerminado(codigo_salida(r));
  if (linea_.una_vez && !detenido_) QCoreApplication::exit(codigo_salida(r));
}

void Desatendido::detener(const char* senal) {
  if (detenido_) return;
  detenido_ = true;
  consola_.linea(std::string("Señal ") + senal +
                 " recibida: se termina el evento en curso, se cierran las conexiones y se sale.");
  // As a window close: during a cycle it takes effect after the current event.
  ventana_.close();
}

}  // namespace shell
