#include "engine/evento.h"

#include "plataforma/pagina_codigos.h"

namespace engine {

std::string Evento::iddoc_sql() const {
  const db::Value& v = valor("RPEV_IDDOC");
  return v.is_null() ? std::string("NULL") : std::to_string(v.as_integer());
}

EstadoEvento Evento::estado() const {
  if (!valor("RPEV_FECREP").is_null()) return EstadoEvento::Replicado;
  return valor("RPEV_ERROR").is_null() ? EstadoEvento::Pendiente : EstadoEvento::PendienteConError;
}

std::string Evento::resumen() const {
  return plataforma::desde_suite(tipo_texto() + "," + oper() + "," + pref() + numero() + "," +
                                 codigo());
}

}  // namespace engine
