#pragma once
// "Documentos pendientes por transmitir": the pending events without error of the
// partner database ("Pendientes descarga", mode 0) or of the local one ("Pendiente
// envio", mode 1); with "Incluir enviados", the events already sent too, with when.

#include "monitor/ventana_eventos.h"

namespace monitor {

class Tfpendientes : public VentanaEventos {
  Q_OBJECT

 public:
  enum Modo { Descarga = 0, Envio = 1 };
  Tfpendientes(Origen origen, int modo, QWidget* parent = nullptr);
};

}  // namespace monitor
