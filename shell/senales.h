#pragma once
// Stopping an unattended agent: SIGTERM (a service manager), SIGINT (Ctrl+C) and SIGHUP
// (the terminal that started it closed) ask the agent to stop as a window close does:
// the event in progress ends, the connections close, the program exits with status 0.
//
// The signals are blocked in every thread and taken by one thread of their own, which
// interrupts nothing: a handler would interrupt whatever system call the thread it lands
// on is in, and the embedded engine loops for ever on an EINTR left behind. That thread
// tells the database layer at once (a call still waiting on a server at the end of the
// grace is cut, so the stop never waits on a silent partner) and the Qt thread through
// a pipe. The Firebird client's own handlers for these signals never run.

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

  // Blocks the stop signals and starts the thread that takes them. Called first thing
  // in main, before any other thread exists (a thread started earlier would still take
  // them with their default action); the constructor calls it too. Idempotent.
  static void tomar();

 private:
  void leer();

  std::function<void(const char*)> detener_;
  std::unique_ptr<QSocketNotifier> aviso_;
};

}  // namespace shell
