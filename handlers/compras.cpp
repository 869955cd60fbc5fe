// Purchase documents: invoices (21), supplier delivery notes (22) and purchase returns
// (24), copied as the same document or converted into inventory entries and exits.
#include "engine/protocolo.h"
#include "handlers/registro.h"

namespace handlers {

void registrar_compras(engine::TablaTipos&) {}

}  // namespace handlers
