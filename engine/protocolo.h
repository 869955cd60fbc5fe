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
// followed by RPEV_NUMERO; all quoted text) and {id} (the target id). {clave:NAME} is
// a key part a handler computed for this event (Contexto::claves), quoted, and
// {clave#:NAME} the same part as it is (a number). With a
// source row, {fila:N} is the text of its column N quoted and {fila#:N} the same text
// as it is (a number); N is a position, or a column's name.
std::string sentencia(const Contexto& ctx, std::string_view plantilla, std::int64_t id = 0,
                      const db::Rows* fila = nullptr, std::size_t i = 0);

// A statement run only when its condition holds for the event (none: always).
struct Sentencia {
  constexpr Sentencia(const char* s) : sql(s) {}
  constexpr Sentencia(std::string_view s) : sql(s) {}
  constexpr Sentencia(std::string_view s, bool (*c)(Contexto&)) : sql(s), si(c) {}
  std::string_view sql;
  bool (*si)(Contexto&) = nullptr;
};
// The statements of `lista` whose condition holds, filled in with `id`.
std::vector<std::string> sentencias(Contexto& ctx, const std::vector<Sentencia>& lista,
                                    std::int64_t id);

// ---- operation test ----------------------------------------------------------------

enum class Operacion { Borrar, Anular, Insertar, Copiar };
// Compares RPEV_OPER with "D", then "A" and "I" when `letras` names them.
Operacion prueba_operacion(const Evento& e, std::string_view letras);

// ---- reading -----------------------------------------------------------------------

db::Rows leer_origen(Contexto& ctx, std::string_view sql);
db::TargetSet buscar_destino(Contexto& ctx, std::string_view sql);

// ---- writing -----------------------------------------------------------------------

// Apply; the failure flag becomes its result (every apply overwrites it). `antes` are
// statements run first in the apply's transaction: they commit with the rows or not at
// all.
bool aplicar(Contexto& ctx, db::TargetSet& t, const std::vector<std::string>& antes = {});

// How a value is carried: as it is (NULL stays NULL), through its text (NULL gives
// ""), or through the four-decimal money form (NULL gives 0).
enum class Forma { Valor, Texto, Dinero };
// `v` in form `f`.
db::Value en_forma(const db::Value& v, Forma f);

// Column copy: target columns `desde` to the last receive the source's columns of the
// same position; fixed-point target columns take the money form (or the value as it
// is when `dinero` is false), the others the value as it is. A source with fewer
// columns is an error.
void copiar_columnas(db::TargetSet& t, std::size_t fila, const db::Rows& o, std::size_t fila_o,
                     std::size_t desde, bool dinero = true);

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
  std::string_view procedimiento{};  // "cambie_id_entrada"; none: the header keeps its id
  std::string_view columna{};        // the header's id column by name; empty: column 0
  bool numok = false;                // set NUMOK := "N" on the inserted header
};

// Header insert: append, fill, identifier fetch into the id column, NUMOK, post,
// apply. Returns the target id (the written row's column 0), 0 when the apply failed;
// sets the header-written flag on success. `antes` run first in the apply's
// transaction (the removal of an older copy): a header the target refuses leaves
// that copy whole.
std::int64_t insertar_encabezado(Contexto& ctx, db::TargetSet& t, const Relleno& llenar,
                                 const Identificador& ident,
                                 const std::vector<std::string>& antes = {});
// Header replace: fills the first row (column 0, the target's own id, is left alone
// by the default fill), post, and applies it in one transaction with `borrados` (the
// old detail rows, with the existing id): a header the target refuses, or an old line
// locked by someone else, leaves the previous version of the document whole. Returns
// the existing id; sets the header-written flag on success.
std::int64_t reemplazar_encabezado(Contexto& ctx, db::TargetSet& t, const Relleno& llenar,
                                   const std::vector<Sentencia>& borrados);
// Detail copy: every source row becomes a target row re-attached to `id` (column 0),
// one apply per row; stops at the first failure.
void copiar_detalle(Contexto& ctx, std::string_view origen, std::string_view destino,
                    std::int64_t id, const RellenoLinea& llenar = {});
// Header undo: when the failure flag is set, runs the statements with `id`.
void deshacer_encabezado(Contexto& ctx, const std::vector<Sentencia>& lista, std::int64_t id);

// Keyed row copy and keyed row set copy: engine/maestro.h.

// ---- mappings by name ------------------------------------------------------------------

// Which writes of a row a mapped column takes part in: inserting or updating, in
// either phase. Masks combine them.
enum Camino : unsigned {
  kInsertaDescarga = 1,
  kActualizaDescarga = 2,
  kInsertaSubida = 4,
  kActualizaSubida = 8,
  kInserta = kInsertaDescarga | kInsertaSubida,
  kActualiza = kActualizaDescarga | kActualizaSubida,
  kDescarga = kInsertaDescarga | kActualizaDescarga,
  kSubida = kInsertaSubida | kActualizaSubida,
  kSiempre = kDescarga | kSubida,
};
// The bit of one write.
unsigned camino(Fase fase, bool nuevo);

// One target column of a mapping by name and where its value comes from.
struct Campo {
  enum class De { Columna, Texto, Numero, Evento };
  std::string_view destino;
  De de;
  std::string_view valor;  // the source column, the constant, or an event template
  Forma forma = Forma::Valor;
  unsigned en = kSiempre;  // the writes that assign it
  // A cycle flag that must be on for an update to assign it (inserts always do).
  bool Banderas::*bandera = nullptr;
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
// `c`, assigned only on the writes of `en`.
constexpr Campo solo(Campo c, unsigned en) {
  c.en = en;
  return c;
}
// `c`, assigned on update only while `bandera` is on.
constexpr Campo con_bandera(Campo c, bool Banderas::*bandera) {
  c.bandera = bandera;
  return c;
}

// The event's values spliced into a template as plain text (no quotes).
std::string texto_evento(const Contexto& ctx, std::string_view plantilla);
// Writes every mapped column of row `fila` from source row `fila_o` that takes part in
// this write (`nuevo`: an insert).
void mapear(const Contexto& ctx, db::TargetSet& t, std::size_t fila, const db::Rows& o,
            std::size_t fila_o, const std::vector<Campo>& campos, bool nuevo = true);

// ---- the document protocol -----------------------------------------------------------

// A line hook: runs after a line's copy or mapping, before it is posted. The source
// header is Contexto::encabezado and the target id Contexto::id_destino.
using AjusteLinea = void (*)(Contexto& ctx, db::TargetSet& t, std::size_t fila,
                             const db::Rows& lineas, std::size_t i);

// One detail table of a document, copied after the header in table order.
struct Detalle {
  std::string_view origen;          // "select * from entradas_detalle where entr_id = {iddoc}"
  std::string_view destino;         // "SELECT * FROM ENTRADAS_DETALLE WHERE ENTR_ID = {id}"
  std::vector<Campo> linea{};       // a mapping by name instead of the copy by position
  AjusteLinea ajustar = nullptr;    // the line hook
  bool (*si)(Contexto&) = nullptr;  // copied only when this holds (a setting decides)
  // Line columns the target computes for itself (the line hook writes them): left out
  // when the reconciliation sums the lines. By name, or by position where the hook
  // writes the column by its position.
  std::vector<std::string_view> propias{};
  std::vector<std::size_t> posiciones_propias{};
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
  std::vector<Sentencia> borrar_al_reemplazar{};  // replace deletes, with {id}
  std::vector<Detalle> detalles{};
  // Header undo, with {id}: `anular_al_deshacer` first, while the lines are still
  // there; then the lines written (the replace deletes); then `deshacer`.
  std::vector<Sentencia> anular_al_deshacer{};
  std::vector<Sentencia> deshacer{};

  // A copy already on the target is never edited but removed and written anew: these
  // statements remove each copy the lookup finds ({id} its id, {fila:N} the source
  // header), in one transaction with the new header's insert.
  std::vector<Sentencia> quitar{};
  // "D" removes every copy the delete lookup finds (its id in column 0) with these
  // statements, in one transaction; none: the lookup's first row is removed.
  std::vector<Sentencia> borrar{};
  // The header's copy by position carries fixed-point columns in the money form
  // (false: every column as it is).
  bool encabezado_dinero = true;
  // Going up, the partner's accounting lock date keeps out of its closed period a
  // document whose header holds an earlier date at this position (none: no check).
  std::optional<std::size_t> fecha_bloqueo{};

  // Conversions into another document kind: the header is mapped by name (insert and
  // replace alike) instead of copied by position.
  std::vector<Campo> encabezado{};
  bool numok_al_reemplazar = false;  // NUMOK := "N" on replace too

  // Hooks, in the order the protocol reaches them.
  // After the header's copy or mapping, before it is posted (`nuevo`: header insert).
  void (*ajustar)(Contexto& ctx, db::TargetSet& t, std::size_t fila, const db::Rows& origen,
                  bool nuevo) = nullptr;
  // After the header apply, whether it succeeded or not (a second write of the header).
  void (*tras_encabezado)(Contexto& ctx, db::TargetSet& t) = nullptr;
  // After the detail tables, before the undo (a check that may set the failure flag).
  void (*tras_detalle)(Contexto& ctx) = nullptr;
  // After a complete copy (a stored procedure of the target).
  void (*al_exito)(Contexto& ctx) = nullptr;
  // A lookup the handler builds itself (it replaces both statements above).
  std::string (*buscar)(const Contexto& ctx) = nullptr;
  // Header columns the target computes for itself (a hook writes them): left out when
  // the reconciliation compares the header.
  std::vector<std::string_view> propias{};
};

// Operation test, source read, lock date, target lookup, header insert or replace,
// detail copy, header undo.
void protocolo_documento(Contexto& ctx, const Documento& doc);

// A calendar date written as year-month-day or day-month-year (four-digit year,
// separator "-", "/" or "."), optionally followed by a time after a blank or a "T",
// which is ignored. Anything else, an impossible date included, is not a date.
std::optional<db::Date> leer_fecha(std::string_view texto);
// A value's date: a DATE, the day of a TIMESTAMP, or text read as above.
std::optional<db::Date> fecha_de(const db::Value& v);
// A document dated `fecha` and the lock date `bloqueo` (text, as the partner's setting
// holds it): whether it falls in the closed period. Empty when either is not a date.
std::optional<bool> antes_del_bloqueo(const db::Value& fecha, std::string_view bloqueo);

namespace textos {
inline std::string fecha_no_comparable(std::string_view fecha, std::string_view bloqueo) {
  return "No se puede comparar la fecha del comprobante (" + std::string(fecha) +
         ") con la fecha de bloqueo de contabilidad (" + std::string(bloqueo) +
         "); el comprobante queda pendiente hasta corregirla.";
}
}  // namespace textos

// A document kind picked by a setting or by the phase.
using Eleccion = const Documento& (*)(const Contexto&);

// The kind a document takes on the target when it can be written as either of two:
// `nueva` is what the settings and the phase pick, `otra` the other kind. A copy already
// on the target keeps the kind it was written as, so a document exists once whichever
// agent copied it first (the owner's going up or the addressee's going down read their
// own company's settings) and after a setting changes; only a document not there yet
// takes `nueva`. When both copies exist, `nueva`'s is the one kept up to date.
const Documento& forma_en_destino(Contexto& ctx, const Documento& nueva, const Documento& otra);

}  // namespace engine
