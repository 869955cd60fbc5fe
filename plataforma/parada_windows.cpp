#include "plataforma/parada_windows.h"

#include <windows.h>

#include <atomic>

#include "plataforma/parada.h"

namespace plataforma {
namespace {

// The kind of the event noted, plus one (zero: none).
std::atomic<unsigned long> pedida{0};
// Set when the program has stopped; the close, log-off and shutdown events wait for it.
HANDLE cumplida() {
  static HANDLE evento = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return evento;
}

std::atomic<void (*)()> aviso{nullptr};

void notar(unsigned long evento) {
  pedida.store(evento + 1);
  if (void (*a)() = aviso.load()) a();
}

bool en_la_sesion_de_servicios() {
  DWORD sesion = 1;
  return ProcessIdToSessionId(GetCurrentProcessId(), &sesion) && sesion == 0;
}

BOOL WINAPI al_evento(DWORD evento) { return atender_evento_de_consola(evento); }

}  // namespace

int atender_evento_de_consola(unsigned long evento) {
  switch (evento) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      notar(evento);
      return TRUE;
    case CTRL_LOGOFF_EVENT:
      // A service sees every user's log-off; only its own session's ending stops it.
      if (en_la_sesion_de_servicios()) return FALSE;
      [[fallthrough]];
    case CTRL_CLOSE_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      notar(evento);
      WaitForSingleObject(cumplida(), INFINITE);
      return TRUE;
    default:
      return FALSE;
  }
}

void tomar_parada(void (*al_pedir)()) {
  if (al_pedir) aviso.store(al_pedir);
  cumplida();
  // Ctrl+C may come switched off from the parent (a new process group); a handler added
  // last is asked first, so the agent's goes before any the Firebird client added.
  SetConsoleCtrlHandler(nullptr, FALSE);
  SetConsoleCtrlHandler(al_evento, FALSE);
  SetConsoleCtrlHandler(al_evento, TRUE);
}

void soltar_parada() { SetConsoleCtrlHandler(al_evento, FALSE); }

const char* parada_pedida() {
  switch (pedida.exchange(0)) {
    case 0:
      return nullptr;
    case CTRL_C_EVENT + 1:
      return "CTRL_C_EVENT";
    case CTRL_BREAK_EVENT + 1:
      return "CTRL_BREAK_EVENT";
    case CTRL_CLOSE_EVENT + 1:
      return "CTRL_CLOSE_EVENT";
    case CTRL_LOGOFF_EVENT + 1:
      return "CTRL_LOGOFF_EVENT";
    case CTRL_SHUTDOWN_EVENT + 1:
      return "CTRL_SHUTDOWN_EVENT";
    default:
      return "desconocida";
  }
}

void parada_cumplida() {
  if (HANDLE e = cumplida()) SetEvent(e);
}

}  // namespace plataforma
