#include "monitor/pendientes.h"

#include "engine/cola.h"

namespace monitor {

namespace {

VentanaEventos::Ajustes ajustes() {
  return {
      QStringLiteral("Documentos pendientes por transmitir"),
      "select * from replica_eventos r WHERE " + engine::sin_tipo_que_no_sube() +
          " and R.rpev_fecrep IS NULL and "
          "r.rpev_error is null order by rpev_id",
      "select * from replica_eventos r WHERE " + engine::sin_tipo_que_no_sube() +
          " and (R.rpev_fecrep IS NOT NULL "
          "or r.rpev_error is null) order by rpev_id",
      {
          {QStringLiteral("Tipo doc"), "RPEV_TIPO", Columna::Tipo},
          {QStringLiteral("Pref"), "RPEV_PREF"},
          {QStringLiteral("Numero"), "RPEV_NUMERO"},
          {QStringLiteral("Código"), "RPEV_CODIGO"},
          {QStringLiteral("Servidor"), "RPEV_COMPANIA"},
          {QStringLiteral("Fecha"), "RPEV_FECREG"},
          {QStringLiteral("Hora"), "RPEV_HORAREG"},
          {QStringLiteral("Op"), "RPEV_OPER"},
          {QStringLiteral("Prefd"), "RPEV_PREFDEST"},
          {QStringLiteral("PtVt"), "RPEV_PTVT"},
          {QStringLiteral("Enviado"), "RPEV_FECREP"},
          {QStringLiteral("Hora envío"), "RPEV_HORAREP"},
      },
      Navegador::kMovimiento | Navegador::Refrescar,
      QStringLiteral("Pendientesreplica"),
  };
}

}  // namespace

Tfpendientes::Tfpendientes(Origen origen, int modo, QWidget* parent)
    : VentanaEventos(origen, modo == Descarga ? origen.socio : origen.local, ajustes(), parent) {
  setObjectName(QStringLiteral("Tfpendientes"));
}

}  // namespace monitor
