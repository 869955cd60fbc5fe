#pragma once
// Stopping an unattended agent from outside: SIGTERM (a service manager), SIGINT (Ctrl+C)
// and SIGHUP (the terminal that started it closed) on POSIX, the console's control events
// on Windows (plataforma/parada.h), ask the agent to stop as a window close does: the
// event in progress ends, the connections close, the program exits with status 0.
//
// The database layer is told at once, from whatever thread took the request (a call
// still waiting on a server at the end of the grace is cut, so the stop never waits on a
// silent partner); the Qt thread looks for the request a few times a second.

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

  // Takes the stop requests. Called first thing in main, before any other thread exists
  // (on POSIX a thread started earlier would still take the signals with their default
  // action), and again after the first attachment (on Windows the Firebird client adds a
  // console handler of its own ahead of the agent's). The constructor calls it too.
  static void tomar();

 private:
  void leer();

  std::function<void(const char*)> detener_;
  QTimer vigia_;  // looks for a request a few times a second
};

}  // namespace shell
