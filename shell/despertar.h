#pragma once
// The queue's listener wired to the main window: each cycle the window starts first asks
// the listener to hear the local company's database (opened again when its link was lost,
// or moved with the company; the window never waits on it), and an event queued while
// the agent idles starts the next cycle after a short wait, as the timer would. The
// listener's thread only posts to the window's thread; everything else happens there.

#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

#include "agente/despertador.h"
#include "db/avisos.h"

namespace shell {

class Tfprincipalauto;

class Despertar : public QObject {
  Q_OBJECT

 public:
  explicit Despertar(Tfprincipalauto& ventana);
  ~Despertar() override;

  // Where an unattended agent prints when it starts listening, or cannot (each change
  // once; that it cannot goes to errorenvio.txt too).
  void alInformar(std::function<void(const std::string&)> f) { informar_ = std::move(f); }
  bool escuchando() const { return avisos_.escuchando(); }

 private:
  void cicloEmpieza();
  void cicloTerminado();
  void aviso();
  void vencida();
  // False when it was the last thing told.
  bool informar(const std::string& texto);

  Tfprincipalauto& ventana_;
  agente::Despertador despertador_;
  QTimer pausa_;
  std::function<void(const std::string&)> informar_;
  std::string informado_;
  db::Avisos avisos_;
};

}  // namespace shell
