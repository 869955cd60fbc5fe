#include "monitor/repcompania.h"

namespace monitor {

Tfrepcompania::Tfrepcompania(Origen origen, QWidget* parent)
    : VentanaAjustes(std::move(origen),
                     {QStringLiteral("Configuración compañías"),
                      "SELECT * FROM REPLICA_COMPANIA",
                      {
                          {QStringLiteral("Código"), "RPCO_COD"},
                          {QStringLiteral("Compañía"), "RPCP_NOMBRE"},
                          {QStringLiteral("Servidor"), "RPCO_SERVIDOR"},
                          {QStringLiteral("Activa"), "RPCO_ACTIVA", Columna::Activa},
                      }},
                     parent) {
  setObjectName(QStringLiteral("Tfrepcompania"));
}

}  // namespace monitor
