#include "agente/despertador.h"

namespace agente {

bool Despertador::aviso() {
  switch (estado_) {
    case Estado::Quieto:
      estado_ = Estado::Esperando;
      return true;
    case Estado::EnCiclo:
      estado_ = Estado::EnCicloConAviso;
      return false;
    case Estado::Esperando:
    case Estado::EnCicloConAviso:
      return false;  // gathered into the wait or the cycle already coming
  }
  return false;
}

bool Despertador::vencida() {
  if (estado_ != Estado::Esperando) return false;  // a cycle took the events meanwhile
  estado_ = Estado::Quieto;
  return true;
}

void Despertador::ciclo_empieza() { estado_ = Estado::EnCiclo; }

bool Despertador::ciclo_termina() {
  switch (estado_) {
    case Estado::EnCicloConAviso:
      estado_ = Estado::Esperando;
      return true;
    case Estado::EnCiclo:
      estado_ = Estado::Quieto;
      return false;
    case Estado::Quieto:
    case Estado::Esperando:
      return false;  // the end of an attempt that never started a cycle
  }
  return false;
}

}  // namespace agente
