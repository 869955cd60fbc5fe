#pragma once
// "Configuración documentos": REPLICACION_CONFIGURA, which document types the suite
// records events for, for which company, prefix and destination.

#include "monitor/ventana_ajustes.h"

namespace monitor {

class Tfrepdocs : public VentanaAjustes {
  Q_OBJECT

 public:
  explicit Tfrepdocs(Origen origen, QWidget* parent = nullptr);
};

}  // namespace monitor
