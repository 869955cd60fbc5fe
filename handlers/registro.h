#pragma once
// Every handler family registers its handlers here; the cycle dispatches through
// the resulting table.

#include "engine/tipos.h"

namespace handlers {

void registrar_inventario(engine::TablaTipos& t);
void registrar_compras(engine::TablaTipos& t);
void registrar_contabilidad(engine::TablaTipos& t);
void registrar_cartera(engine::TablaTipos& t);
void registrar_caja(engine::TablaTipos& t);
void registrar_bancos(engine::TablaTipos& t);
void registrar_ventas(engine::TablaTipos& t);
void registrar_articulos(engine::TablaTipos& t);
void registrar_terceros(engine::TablaTipos& t);
void registrar_prefijos(engine::TablaTipos& t);
void registrar_nomina(engine::TablaTipos& t);

// The complete dispatch table of the agent.
engine::TablaTipos tabla_completa();

}  // namespace handlers
