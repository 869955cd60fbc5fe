#include "handlers/registro.h"

namespace handlers {

engine::TablaTipos tabla_completa() {
  engine::TablaTipos t;
  registrar_inventario(t);
  registrar_compras(t);
  registrar_prefijos(t);
  registrar_nomina(t);
  return t;
}

}  // namespace handlers
