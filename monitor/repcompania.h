#pragma once
// "Configuración compañías": REPLICA_COMPANIA, the partner companies and their servers.

#include "monitor/ventana_ajustes.h"

namespace monitor {

class Tfrepcompania : public VentanaAjustes {
  Q_OBJECT

 public:
  explicit Tfrepcompania(Origen origen, QWidget* parent = nullptr);
};

}  // namespace monitor
