#pragma once
// Stopping an unattended agent from outside: SIGTERM (a service manager) and SIGINT
// (Ctrl+C) on POSIX, the console's control events on Windows (plataforma/parada.h) ask
// the agent to stop as a window close does: the event in progress ends, the connections
// close, the program exits. The Firebird client installs handlers of its own for the
// signals at its first attachment, which shut every connection down and leave the
// process running; `tomar()` puts the agent's handlers back in their place, and is
// called again after each first attachment.

#include <QObject>
#include <QTimer>
#include <functional>

namespace shell {

class Senales : public QObject {
  Q_OBJECT

 public:
  // `detener` runs on the Qt thread, once per request received, with its name.
  explicit Senales(std::function<void(const char*)> detener, QObject* parent = nullptr);
  ~Senales() override;

  // Installs (again) the handlers.
  void tomar();

 private:
  void leer();

  std::function<void(const char*)> detener_;
  QTimer vigia_;  // looks for a request a few times a second
};

}  // namespace shell
