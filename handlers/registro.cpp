#include "handlers/registro.h"

namespace handlers {

engine::TablaTipos tabla_completa() {
  engine::TablaTipos t;
  registrar_inventario(t);
  registrar_compras(t);
  registrar_articulos(t);
  registrar_terceros(t);
  return t;
}

}  // namespace handlers
