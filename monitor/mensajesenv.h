#pragma once
// "Mensajes de error o advertencia del envio": the local events that are pending with
// an error.

#include "monitor/ventana_eventos.h"

namespace monitor {

class Tfmensajesenv : public VentanaEventos {
  Q_OBJECT

 public:
  explicit Tfmensajesenv(Origen origen, QWidget* parent = nullptr);
};

}  // namespace monitor
