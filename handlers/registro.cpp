#include "handlers/registro.h"

namespace handlers {

engine::TablaTipos tabla_completa() {
  engine::TablaTipos t;
  registrar_inventario(t);
  registrar_compras(t);
  registrar_contabilidad(t);
  registrar_cartera(t);
  registrar_caja(t);
  registrar_bancos(t);
  registrar_ventas(t);
  registrar_articulos(t);
  registrar_terceros(t);
  registrar_prefijos(t);
  registrar_nomina(t);
  return t;
}

}  // namespace handlers
