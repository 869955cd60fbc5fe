#include "monitor/mensajesenv.h"

#include "engine/cola.h"

namespace monitor {

namespace {

VentanaEventos::Ajustes ajustes() {
  return {
      QStringLiteral("Mensajes de error o advertencia del envio"),
      "select * from replica_eventos r WHERE " + engine::sin_tipo_que_no_sube() +
          " and R.rpev_fecrep IS NULL and "
          "r.rpev_error is not null",
      {},
      {
          {QStringLiteral("Tipo doc"), "RPEV_TIPO", Columna::Tipo},
          {QStringLiteral("Pref"), "RPEV_PREF"},
          {QStringLiteral("Número"), "RPEV_NUMERO"},
          {QStringLiteral("Código"), "RPEV_CODIGO"},
          {QStringLiteral("Servidor"), "RPEV_COMPANIA"},
          {QStringLiteral("Fecha"), "RPEV_FECREG"},
          {QStringLiteral("Hora"), "RPEV_HORAREG"},
          {QStringLiteral("Op"), "RPEV_OPER"},
          {QStringLiteral("Prefd"), "RPEV_PREFDEST"},
          {QStringLiteral("PtVt"), "RPEV_PTVT"},
          {QStringLiteral("Mensaje de error"), "RPEV_ERROR"},
      },
      Navegador::kMovimiento | Navegador::Borrar | Navegador::Refrescar,
      QStringLiteral("Erroresreplica"),
  };
}

}  // namespace

Tfmensajesenv::Tfmensajesenv(Origen origen, QWidget* parent)
    : VentanaEventos(origen, origen.local, ajustes(), parent) {
  setObjectName(QStringLiteral("Tfmensajesenv"));
}

}  // namespace monitor
