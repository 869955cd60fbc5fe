#include "agente/agente.h"

#include <cstdio>

#include "handlers/registro.h"
#include "plataforma/pagina_codigos.h"

namespace agente {
namespace {

const engine::Reloj* reloj_de(const Ajustes& a, std::unique_ptr<engine::Reloj>& propio) {
  if (a.reloj) return a.reloj;
  propio = std::make_unique<engine::RelojSistema>();
  return propio.get();
}

}  // namespace

Agente::Agente(engine::VistaCiclo& vista, Ajustes a)
    : reloj_(reloj_de(a, reloj_propio_)),
      espera_bloqueo_(a.espera_bloqueo),
      bitacora_(std::move(a.directorio), *reloj_),
      errores_(bitacora_, DbCia, DBEnvio, std::move(a.campana)),
      tipos_(a.tipos ? std::move(*a.tipos) : handlers::tabla_completa()),
      ciclo_(DbCia, DBEnvio, vista, tipos_, bitacora_, errores_, *reloj_) {
  ciclo_.poner_espera_bloqueo(espera_bloqueo_);
  // A log that cannot be written is told on the standard error and in the window's
  // last-error line, and replication goes on.
  bitacora_.poner_aviso([this, &vista](const std::string& fallo) {
    std::fprintf(stderr, "envioauto: %s\n", plataforma::para_consola(fallo).c_str());
    vista.ultimo_error(bitacora_.ultimo_error(fallo));
  });
}

void Agente::no_manejada(const std::exception& e) {
  try {
    errores_.ENoManejada(e);
  } catch (const std::exception& e2) {
    std::fprintf(stderr, "envioauto: %s\n", plataforma::para_consola(e2.what()).c_str());
  }
  vista().error(e.what());
}

}  // namespace agente
