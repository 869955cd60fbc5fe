#pragma once
// The unattended run: the main window is created as for an operator (offscreen on a
// server), the command line stands in for the login and the operator's choices, the
// console reports progress, and the first cycle starts by itself. With --once the
// program exits when that cycle ends.

#include <QObject>
#include <optional>

#include "agente/ciclo.h"
#include "agente/consola.h"
#include "shell/linea_comandos.h"
#include "shell/principalauto.h"
#include "shell/senales.h"

namespace shell {

class Desatendido : public QObject {
  Q_OBJECT

 public:
  explicit Desatendido(LineaComandos linea, QObject* parent = nullptr);

  Tfprincipalauto& ventana() { return ventana_; }
  // What the first cycle ended with (none yet: not run).
  std::optional<agente::Resultado> primerCiclo() const { return primer_ciclo_; }

 signals:
  // The first cycle has ended (or could not start): 0 when it reached its end, 1 if not.
  void primerCicloTerminado(int codigo);

 private:
  void arrancar();
  void cicloTerminado(int resultado);
  void terminarPrimerCiclo(agente::Resultado r);
  void detener(const char* senal);

  LineaComandos linea_;
  Tfprincipalauto ventana_;
  agente::VistaConsola consola_;
  std::optional<agente::Resultado> primer_ciclo_;
  bool detenido_ = false;  // stopped by a signal: the program ends with status 0
  Senales senales_;
};

// The exit status of an unattended run whose first cycle ended with `r`.
int codigo_salida(agente::Resultado r);

}  // namespace shell
