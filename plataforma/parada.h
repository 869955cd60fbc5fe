#pragma once
// Stop requests from outside the program, for an unattended agent that stops as closing
// its window does: the event in progress ends, the connections close, the program exits.
//   POSIX:   SIGTERM (a service manager's stop), SIGINT (Ctrl+C) and SIGHUP (the terminal
//            that started it closed).
//   Windows: the console's control events: Ctrl+C, Ctrl+Break, the console closed, the
//            user logging off (ignored in the services' session, where it tells of some
//            user's log-off) and the system shutting down. For the last three Windows
//            ends the process as soon as the handler returns, so the handler waits there
//            until the program says it has stopped (parada_cumplida) or the system's own
//            time limit runs out.
// The request is noted, and told at once to the function given to tomar_parada (from the
// thread that took it: the function must be safe to call from any thread); the program's
// thread asks for it (parada_pedida).

namespace plataforma {

// Takes the stop requests, `al_pedir` (when given) being told of each. On POSIX the
// signals are blocked and taken by a thread of their own: call it first thing in main,
// before any other thread exists (one started earlier would still take them with their
// default action); calling it again only changes `al_pedir`. On Windows it installs the
// console handler again if need be, ahead of any the Firebird client added since.
void tomar_parada(void (*al_pedir)() = nullptr);
// Gives the requests back to the system's default handling (Windows; on POSIX the
// signals stay with their thread until the process ends).
void soltar_parada();
// The request received since the last call, by the name of its signal or event
// ("SIGTERM", "CTRL_CLOSE_EVENT"...), or nullptr when none came.
const char* parada_pedida();
// The program has stopped: its connections are closed and it is about to exit.
void parada_cumplida();

}  // namespace plataforma
