#pragma once
// When an event queued locally starts the next cycle. The queue's listener tells of each
// new event; the first one after a quiet spell starts a short wait, which gathers the rest
// of a burst (a document saved line by line, several documents in a row), and the cycle
// starts at its end. A cycle that starts meanwhile, by the timer or the operator, takes
// every event queued so far. An event told while a cycle runs is not lost and does not
// start a cycle over it: another wait starts when that cycle ends. The timer goes on as
// before, and is all there is when nothing tells of events.
//
// Only the decisions live here; the caller owns the wait (a timer on the window's thread)
// and calls each function on that one thread.

#include <chrono>
#include <string>

namespace agente {

// How long the wait after an event lasts.
inline constexpr std::chrono::milliseconds kPausaAviso{500};

class Despertador {
 public:
  // A new event was told. True when the caller should start the wait now (no wait is
  // running, and no cycle).
  bool aviso();
  // The wait is over: true when a cycle should start now.
  bool vencida();
  // A cycle starts: it takes every event queued so far.
  void ciclo_empieza();
  // A cycle ended: true when the caller should start the wait (an event was told while it
  // ran).
  bool ciclo_termina();

 private:
  enum class Estado { Quieto, Esperando, EnCiclo, EnCicloConAviso };
  Estado estado_ = Estado::Quieto;
};

// What an unattended agent prints about listening to its queue.
inline std::string escuchando_cola(const std::string& base, const std::string& evento) {
  return "Se escucha el evento " + evento + " de " + base +
         ": un documento que entra en la cola empieza un ciclo sin esperar al temporizador.";
}
inline std::string cola_sin_escuchar(const std::string& base, const std::string& motivo) {
  return "No se puede escuchar la cola de " + base + " (" + motivo +
         "): los ciclos siguen solo con el temporizador.";
}

}  // namespace agente
