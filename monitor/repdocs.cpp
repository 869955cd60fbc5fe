#include "monitor/repdocs.h"

namespace monitor {

Tfrepdocs::Tfrepdocs(Origen origen, QWidget* parent)
    : VentanaAjustes(std::move(origen),
                     {QStringLiteral("Configuración documentos"),
                      "SELECT * FROM REPLICACION_CONFIGURA",
                      {
                          {QStringLiteral("Tipo documento"), "REPC_TIPO", Columna::Tipo},
                          {QStringLiteral("Prefijo"), "REPC_PREF"},
                          {QStringLiteral("Replica"), "REPC_REPLICA"},
                          {QStringLiteral("Compañía"), "REPC_COMPANIA"},
                          {QStringLiteral("Agencia"), "REPC_AGENCIA"},
                          {QStringLiteral("Pref.Des"), "REPC_PREFDEST"},
                          {QStringLiteral("Bod.Des"), "REPC_BODDEST"},
                      },
                      true},
                     parent) {
  setObjectName(QStringLiteral("Tfrepdocs"));
}

}  // namespace monitor
