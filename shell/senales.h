#pragma once
// Stopping an unattended agent: SIGTERM (a service manager) and SIGINT (Ctrl+C) ask the
// agent to stop as a window close does: the event in progress ends, the connections
// close, the program exits. The Firebird client installs handlers of its own for these
// signals at its first attachment, which shut every connection down and leave the
// process running; `tomar()` puts the agent's handlers back in their place, and is
// called again after each first attachment.

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace shell {

class Senales : public QObject {
  Q_OBJECT

 public:
  // `detener` runs on the Qt thread, once per signal received, with its name.
  explicit Senales(std::function<void(const char*)> detener, QObject* parent = nullptr);
  ~Senales() override;

  // Installs (again) the handlers for SIGTERM and SIGINT.
  void tomar();

 private:
  void leer();

  std::function<void(const char*)> detener_;
  std::unique_ptr<QSocketNotifier> aviso_;
};

}  // namespace shell
