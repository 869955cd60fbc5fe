// Inventory documents: every type is a row of statements run by the document protocol.
#include "engine/protocolo.h"
#include "handlers/registro.h"

namespace handlers {
namespace {

using engine::Documento;

// Type 11, inventory entries: identical in both phases.
const Documento kEntrada{
    .letras = "DA",
    .lectura = "select * from entradas where entr_id = {iddoc}",
    .busqueda = "SELECT * FROM ENTRADAS WHERE PREF_PRE = {pref} AND ENTR_NUMERO = {numero}",
    .anulado = "ENTR_ANULADO",
    .identificador = {.procedimiento = "cambie_id_entrada", .columna = "ENTR_ID", .numok = true},
    .borrar_al_reemplazar = {"delete from entradas_detalle where entr_id = {id}"},
    .detalles = {{"select * from entradas_detalle where entr_id = {iddoc}",
                  "SELECT * FROM ENTRADAS_DETALLE WHERE ENTR_ID = {id}"}},
    .deshacer = {"DELETE FROM ENTRADAS WHERE ENTR_ID = {id}"},
};

}  // namespace

void registrar_inventario(engine::TablaTipos& t) {
  t.registrar(11, [](engine::Contexto& ctx) { engine::protocolo_documento(ctx, kEntrada); });
}

}  // namespace handlers
