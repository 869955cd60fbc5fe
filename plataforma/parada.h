#pragma once
// Stop requests from outside the program, for an unattended agent that stops as closing
// its window does: the event in progress ends, the connections close, the program exits.
//   POSIX:   SIGTERM (a service manager's stop) and SIGINT (Ctrl+C).
//   Windows: the console's control events: Ctrl+C, Ctrl+Break, the console closed, the
//            user logging off (ignored in the services' session, where it tells of some
//            user's log-off) and the system shutting down. For the last three Windows
//            ends the process as soon as the handler returns, so the handler waits there
//            until the program says it has stopped (parada_cumplida) or the system's own
//            time limit runs out.
// The handlers only note the request; the program's thread asks for it (parada_pedida).

namespace plataforma {

// Installs the handlers, again if need be: the Firebird client installs its own for
// these signals at its first attachment (they shut every connection down and leave the
// process running), so the agent takes them back after it.
void tomar_parada();
// Gives the requests back to the system's default handling.
void soltar_parada();
// The request received since the last call, by the name of its signal or event
// ("SIGTERM", "CTRL_CLOSE_EVENT"...), or nullptr when none came.
const char* parada_pedida();
// The program has stopped: its connections are closed and it is about to exit.
void parada_cumplida();

}  // namespace plataforma
