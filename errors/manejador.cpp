#include "errors/manejador.h"

#include "db/error.h"
#include "plataforma/pagina_codigos.h"

namespace errors {
ManejadorErrores::ManejadorErrores(Bitacora& bitacora, db::Connection& local, db::Connection& socio,
                                   std::function<void()> campana)
    : bitacora_(bitacora), local_(local), socio_(socio), campana_(std::move(campana)) {}

void ManejadorErrores::abrir_lista(engine::Fase fase) {
  lista(fase).abierta = true;
  lista(fase).evento.reset();
}

void ManejadorErrores::evento_actual(engine::Fase fase, const engine::Evento& e) {
  lista(fase).evento =
      Actual{e.id_texto(), e.tipo_texto(), e.codigo(), e.pref(), e.numero(), e.oper()};
}

void ManejadorErrores::cerrar_lista(engine::Fase fase) { lista(fase) = Lista{}; }

std::string ManejadorErrores::identidad() const {
  std::string out;
  // Upload first, then download, each when its list is open.
  for (const Lista* l : {&subida_, &descarga_}) {
    if (!l->abierta) continue;
    const Actual a = l->evento.value_or(Actual{});
    out += a.tipo + "|" + a.codigo + "\\" + a.pref + a.numero + "," + a.oper + ",";
  }
  return plataforma::desde_suite(out);
}

void ManejadorErrores::registrar_en_evento(const std::string& mensaje) {
  // The event's own database: upload events live locally, download events at the partner.
  const Lista* l = subida_.abierta ? &subida_ : (descarga_.abierta ? &descarga_ : nullptr);
  if (!l || !l->evento) return;
  engine::anotar_error((l == &subida_) ? local_ : socio_, l->evento->id, mensaje);
}

void ManejadorErrores::ManejarError(const std::exception& e, bool escritura) {
  std::string mensaje = e.what();
  bitacora_.error(identidad(), mensaje);
  if (escritura) registrar_en_evento(mensaje);
  if (campana_) campana_();
}

void ManejadorErrores::apply_failed(const std::exception& e) {
  if (const auto* d = dynamic_cast<const db::Error*>(&e); d && d->is_connection_lost()) throw *d;
  ManejarError(e, true);
}

void ManejadorErrores::ManejarClientError(const std::exception& e) { ManejarError(e, true); }

void ManejadorErrores::ENoManejada(const std::exception& e) {
  ManejarError(e, hay_evento_actual());
}

}  // namespace errors
