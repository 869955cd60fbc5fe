#pragma once
// The steps every document handler is made of. A handler is a composition of these;
// none re-implements one.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/rows.h"
#include "db/target_set.h"
#include "engine/contexto.h"

namespace engine {

// ---- statements --------------------------------------------------------------------

// Fills a statement template with the event's values: {iddoc} (RPEV_IDDOC as a
// number), {pref}, {numero}, {prefdest}, {codigo}, {datos}, {pref_numero} (RPEV_PREF
// followed by RPEV_NUMERO; all quoted text) and {id} (the target id).
std::string sentencia(const Contexto& ctx, std::string_view plantilla, std::int64_t id = 0);

// ---- operation test ----------------------------------------------------------------

enum class Operacion { Borrar, Anular, Insertar, Copiar };
// Compares RPEV_OPER with "D", then "A" and "I" when `letras` names them.
Operacion prueba_operacion(const Evento& e, std::string_view letras);

// ---- reading -----------------------------------------------------------------------

db::Rows leer_origen(Contexto& ctx, std::string_view sql);
db::TargetSet buscar_destino(Contexto& ctx, std::string_view sql);

// ---- writing -----------------------------------------------------------------------

// Apply; the failure flag becomes its result (every apply overwrites it).
bool aplicar(Contexto& ctx, db::TargetSet& t);

// Column copy: target columns `desde` to the last receive the source's columns of the
// same position; fixed-point target columns take the money form, the others the
// value as it is (NULL stays NULL). A source with fewer columns is an error.
void copiar_columnas(db::TargetSet& t, std::size_t fila, const db::Rows& o, std::size_t fila_o,
                     std::size_t desde);

// Identifier fetch: the first column of the procedure's first row, if any.
std::optional<db::Value> traer_identificador(Contexto& ctx, std::string_view procedimiento);

// Target delete: the first row of the lookup is deleted and applied. Not found: nothing.
void borrar_destino(Contexto& ctx, std::string_view busqueda);
// Target annul: the first row of the lookup gets `columna` := "S". Not found: nothing.
void anular_destino(Contexto& ctx, std::string_view busqueda, std::string_view columna);

// Fills a target row (a column copy, or a mapping by name).
using Relleno = std::function<void(db::TargetSet& t, std::size_t fila)>;
// Fills a target detail row from a source detail row.
using RellenoLinea =
    std::function<void(db::TargetSet& t, std::size_t fila, const db::Rows& o, std::size_t fila_o)>;

struct Identificador {
  std::string_view procedimiento{};  // "cambie_id_entrada"
  std::string_view columna{};        // the header's id column by name; empty: column 0
  bool numok = false;                // set NUMOK := "N" on the inserted header
};

// Header insert: append, fill, identifier fetch into the id column, NUMOK, post,
// apply. Returns the target id (the written row's column 0), 0 when the apply failed;
// sets the header-written flag on success.
std::int64_t insertar_encabezado(Contexto& ctx, db::TargetSet& t, const Relleno& llenar,
                                 const Identificador& ident);
// Header replace: fills the first row (column 0, the target's own id, is left alone
// by the default fill), post, apply; once the header is written, runs `borrados`
// (the old detail rows, with the existing id). Returns the existing id; sets the
// header-written flag on success.
std::int64_t reemplazar_encabezado(Contexto& ctx, db::TargetSet& t, const Relleno& llenar,
                                   const std::vector<std::string_view>& borrados);
// Detail copy: every source row becomes a target row re-attached to `id` (column 0),
// one apply per row; stops at the first failure.
void copiar_detalle(Contexto& ctx, std::string_view origen, std::string_view destino,
                    std::int64_t id, const RellenoLinea& llenar = {});
// Header undo: when the failure flag is set, runs the statements with `id`.
void deshacer_encabezado(Contexto& ctx, const std::vector<std::string_view>& sentencias,
                         std::int64_t id);

// Keyed row copy (master data): source read by `lectura`, lookup by `busqueda`;
// absent: append and copy from column 0; present: edit and copy from `desde`.
void copiar_fila_clave(Contexto& ctx, std::string_view lectura, std::string_view busqueda,
                       std::size_t desde = 0);
// Keyed row set copy: every source row is looked up by the statement `busqueda`
// builds for it and inserted or refreshed, one apply per row. Every row is attempted;
// a failed row keeps the failure flag set so the event stays pending and the whole
// set is sent again.
void copiar_filas_clave(Contexto& ctx, std::string_view lectura,
                        const std::function<std::string(const db::Rows&, std::size_t)>& busqueda);

// ---- mappings by name ------------------------------------------------------------------

// How a mapped value is written: as it is, or converted to text first (NULL gives "").
enum class Forma { Valor, Texto };

// One target column of a mapping by name and where its value comes from.
struct Campo {
  enum class De { Columna, Texto, Numero, Evento };
  std::string_view destino;
  De de;
  std::string_view valor;  // the source column, the constant, or an event template
  Forma forma = Forma::Valor;
};
// The source row's column `columna`.
constexpr Campo columna(std::string_view destino, std::string_view columna,
                        Forma forma = Forma::Valor) {
  return {destino, Campo::De::Columna, columna, forma};
}
// A text constant ("" included).
constexpr Campo texto(std::string_view destino, std::string_view valor) {
  return {destino, Campo::De::Texto, valor, Forma::Valor};
}
// A whole-number constant.
constexpr Campo numero(std::string_view destino, std::string_view valor) {
  return {destino, Campo::De::Numero, valor, Forma::Valor};
}
// Event values: "{pref}{numero}" is RPEV_PREF followed by RPEV_NUMERO, as text; a
// template that is exactly "{iddoc}" gives the number.
constexpr Campo evento(std::string_view destino, std::string_view plantilla) {
  return {destino, Campo::De::Evento, plantilla, Forma::Valor};
}

// The event's values spliced into a template as plain text (no quotes).
std::string texto_evento(const Contexto& ctx, std::string_view plantilla);
// Writes every mapped column of row `fila` from source row `fila_o`.
void mapear(const Contexto& ctx, db::TargetSet& t, std::size_t fila, const db::Rows& o,
            std::size_t fila_o, const std::vector<Campo>& campos);

// ---- the document protocol -----------------------------------------------------------

struct Detalle {
  std::string_view origen;   // "select * from entradas_detalle where entr_id = {iddoc}"
  std::string_view destino;  // "SELECT * FROM ENTRADAS_DETALLE WHERE ENTR_ID = {id}"
};

// One numbered document kind, as its family's statement table describes it. The
// defaults are the plain protocol: copy by position, no deviation.
struct Documento {
  std::string_view letras = "DA";       // the operation letters tested
  std::string_view lectura{};           // source read
  std::string_view busqueda{};          // target lookup (also for "D" and "A" unless below)
  std::string_view busqueda_borrado{};  // target lookup of "D" and "A", when it differs
  std::string_view anulado{};           // annul column
  Identificador identificador{};
  std::vector<std::string_view> borrar_al_reemplazar{};  // replace deletes, with {id}
  std::vector<Detalle> detalles{};
  std::vector<std::string_view> deshacer{};  // header undo, with {id}

  // Conversions into another document kind: the header and its lines are mapped by
  // name (insert and replace alike) instead of copied by position.
  std::vector<Campo> encabezado{};
  std::vector<Campo> linea{};
  bool numok_al_reemplazar = false;  // NUMOK := "N" on replace too

  // Deviations, run after the header's copy or mapping (`nuevo`: header insert), and
  // after each line's.
  void (*ajustar)(Contexto& ctx, db::TargetSet& t, std::size_t fila, const db::Rows& origen,
                  bool nuevo) = nullptr;
  void (*ajustar_linea)(Contexto& ctx, db::TargetSet& t, std::size_t fila, const db::Rows& origen,
                        const db::Rows& lineas, std::size_t i) = nullptr;
  // A lookup the handler builds itself (it replaces both statements above).
  std::string (*buscar)(const Contexto& ctx) = nullptr;
};

// Operation test, source read, target lookup, header insert or replace, detail copy,
// header undo.
void protocolo_documento(Contexto& ctx, const Documento& doc);

}  // namespace engine
