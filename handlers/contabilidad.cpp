// Accounting vouchers (1): a header in COMPROBANTE_ENCABEZADO and its lines in two
// ledgers, COMPROBANTE_DETALLE and COMPROBANTE_DETALLE_NIIF. A voucher is found again by
// its type, prefix and number; a copy already in the target is never edited but removed
// and written anew under a fresh id. The header is copied by position as plain values;
// the document that generated the voucher is linked again through its copy in the
// target. Going up, the partner's accounting lock date keeps vouchers out of closed
// periods.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/rows.h"
#include "db/target_set.h"
#include "db/value.h"
#include "engine/cotejo.h"
#include "engine/documentos.h"
#include "engine/protocolo.h"
#include "handlers/registro.h"
#include "plataforma/pagina_codigos.h"

namespace handlers {
namespace {

using engine::Contexto;
using engine::Detalle;
using engine::Fase;
using engine::Sentencia;

// One voucher kind. Slots: {codigo}, {pref}, {numero} are the event's; {fila:N} column
// N of the source header; {id} a target voucher's ENCO_CONSEC.
struct Comprobante {
  // "D": the target vouchers with the event's type, prefix and number, and what removes
  // each of them.
  std::string_view busqueda_borrado;
  std::vector<Sentencia> borrado;
  // Any other letter: the source header, the target header set by the source's natural
  // key (any copy already there, with its id in column 0), what removes that copy, the
  // identifier procedure.
  std::string_view lectura;
  std::string_view busqueda;
  std::vector<Sentencia> quitar;
  engine::Identificador identificador;
  // Header positions the handler reads or writes.
  std::size_t fecha, prefijo, numero, tipo_origen, id_origen;
  // The ledgers, in order; a ledger is copied only while no line has failed.
  std::vector<Detalle> libros;
  // After a failed line: the voucher goes, with every line written.
  std::vector<Sentencia> deshacer;
};

// Type 1.
const Comprobante kComprobante{
    .busqueda_borrado =
        "SELECT ENCO_CONSEC FROM COMPROBANTE_ENCABEZADO WHERE TICO_COD = {codigo} AND PRCO_PREF "
        "= {pref} AND ENCO_NUMERO = {numero}",
    .borrado = {"DELETE FROM COMPROBANTE_DETALLE WHERE ENCO_CONSEC = {id}",
                "DELETE FROM COMPROBANTE_DETALLE_NIIF WHERE ENCO_CONSEC = {id}",
                "DELETE FROM COMPROBANTE_ENCABEZADO WHERE TICO_COD = {codigo} AND PRCO_PREF = "
                "{pref} AND ENCO_NUMERO = {numero}"},
    .lectura = "select * from comprobante_encabezado where enco_consec = {iddoc}",
    .busqueda =
        "SELECT * FROM COMPROBANTE_ENCABEZADO WHERE TICO_COD = {fila:1} AND PRCO_PREF = "
        "{fila:2} AND ENCO_NUMERO = {fila:3}",
    .quitar = {"delete FROM COMPROBANTE_DETALLE WHERE ENCO_CONSEC = {id}",
               "delete FROM COMPROBANTE_DETALLE_NIIF WHERE ENCO_CONSEC = {id}",
               "delete FROM COMPROBANTE_ENCABEZADO WHERE TICO_COD = {fila:1} AND PRCO_PREF = "
               "{fila:2} AND ENCO_NUMERO = {fila:3}"},
    .identificador = {.procedimiento = "cambie_id_comproba"},
    .fecha = 4,
    .prefijo = 2,
    .numero = 3,
    .tipo_origen = 7,
    .id_origen = 8,
    .libros = {{"select * from comprobante_detalle where enco_consec = {iddoc}",
                "SELECT * FROM COMPROBANTE_DETALLE WHERE ENCO_CONSEC = {id}"},
               {"select * from comprobante_detalle_niif where enco_consec = {iddoc}",
                "SELECT * FROM COMPROBANTE_DETALLE_NIIF WHERE ENCO_CONSEC = {id}"}},
    .deshacer = {"delete FROM COMPROBANTE_DETALLE WHERE ENCO_CONSEC = {id}",
                 "delete FROM COMPROBANTE_DETALLE_NIIF WHERE ENCO_CONSEC = {id}",
                 "delete FROM COMPROBANTE_ENCABEZADO WHERE ENCO_CONSEC = {id}"},
};

// ---- deviations ------------------------------------------------------------------------

// The statements of `lista` for every target voucher of `t` (its id in column 0), with
// the source header for the {fila:N} slots. A statement that names no id (the header's
// delete by type, prefix and number) finds nothing the second time.
std::vector<std::string> para_cada_copia(Contexto& ctx, const std::vector<Sentencia>& lista,
                                         const db::TargetSet& t, const db::Rows* origen) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < t.size(); ++i)
    for (const Sentencia& s : lista)
      if (!s.si || s.si(ctx))
        out.push_back(engine::sentencia(ctx, s.sql, t.value(i, 0).as_integer(), origen));
  return out;
}

// "D": the voucher and both ledgers go in one transaction, so a line locked by another
// user leaves the voucher whole and the event pending with the server's message.
void borrar_comprobante(Contexto& ctx, const Comprobante& c) {
  db::TargetSet t = engine::buscar_destino(ctx, engine::sentencia(ctx, c.busqueda_borrado));
  if (t.empty()) return;
  engine::aplicar(ctx, t, para_cada_copia(ctx, c.borrado, t, nullptr));
}

// A calendar date written as year-month-day or day-month-year (four-digit year,
// separator "-", "/" or "."), optionally followed by a time after a blank or a "T",
// which is ignored. Anything else, an impossible date included, is not a date.
std::optional<db::Date> leer_fecha(std::string_view texto) {
  auto blanco = [](char ch) { return std::isspace(static_cast<unsigned char>(ch)) != 0; };
  while (!texto.empty() && blanco(texto.front())) texto.remove_prefix(1);
  std::size_t fin = 0;
  while (fin < texto.size() && !blanco(texto[fin]) && texto[fin] != 'T') ++fin;
  std::string_view fecha = texto.substr(0, fin);
  std::string_view partes[3];
  char separador = 0;
  std::size_t n = 0, desde = 0;
  for (std::size_t i = 0; i <= fecha.size(); ++i) {
    if (i < fecha.size() && std::isdigit(static_cast<unsigned char>(fecha[i]))) continue;
    if (i < fecha.size()) {
      char ch = fecha[i];
      if ((ch != '-' && ch != '/' && ch != '.') || (separador && ch != separador)) return {};
      separador = ch;
    }
    if (n == 3 || i == desde) return {};
    partes[n++] = fecha.substr(desde, i - desde);
    desde = i + 1;
  }
  if (n != 3) return {};
  auto numero = [](std::string_view d) {
    int v = 0;
    for (char ch : d) v = v * 10 + (ch - '0');
    return v;
  };
  std::string_view a = partes[0], m = partes[1], d = partes[2];
  if (a.size() != 4) std::swap(a, d);
  if (a.size() != 4 || m.size() > 2 || d.size() > 2) return {};
  db::Date f{numero(a), numero(m), numero(d)};
  static constexpr int kDias[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool bisiesto = (f.year % 4 == 0 && f.year % 100 != 0) || f.year % 400 == 0;
  if (f.month < 1 || f.month > 12 || f.day < 1) return {};
  if (f.day > kDias[f.month - 1] || (f.month == 2 && f.day == 29 && !bisiesto)) return {};
  return f;
}

// The voucher's date as a date: a DATE, the day of a TIMESTAMP, or text read as above.
std::optional<db::Date> fecha_de(const db::Value& v) {
  switch (v.kind()) {
    case db::Value::Kind::Date:
      return v.date_value();
    case db::Value::Kind::Timestamp:
      return v.timestamp_value().date;
    case db::Value::Kind::Text:
      return leer_fecha(v.bytes());
    default:
      return std::nullopt;
  }
}

// Going up, a voucher dated before the partner's lock date stays out of the partner's
// closed period: it is not copied and the event is stamped. The two are compared as
// dates, so a lock date written day first ("30/11/2026") orders as the day it names.
// When either cannot be read as a date the voucher is held back: neither copied into
// what may be a closed period nor stamped as done; the event stays pending with the
// reason until the setting is corrected. An empty lock date keeps nothing out.
// Returns whether the copy goes on.
bool fuera_del_bloqueo(Contexto& ctx, const db::Value& fecha_comprobante) {
  if (ctx.fase != Fase::Subida) return true;
  const std::string& bloqueo = ctx.fecha_bloqueo;
  if (bloqueo.find_first_not_of(" \t\r\n") == std::string::npos) return true;
  std::optional<db::Date> limite = leer_fecha(bloqueo);
  std::optional<db::Date> fecha = fecha_de(fecha_comprobante);
  if (!limite || !fecha) {
    ctx.errores.apply_failed(std::runtime_error(
        "No se puede comparar la fecha del comprobante (" +
        plataforma::desde_suite(fecha_comprobante.as_text()) +
        ") con la fecha de bloqueo de contabilidad (" + plataforma::desde_suite(bloqueo) +
        "); el comprobante queda pendiente hasta corregirla."));
    ctx.fallo = true;
    return false;
  }
  return !(*fecha < *limite);
}

// The new header: every column by position as a plain value (no money form); the id of
// the generating document is the one its copy has in the target (found by the type in
// `tipo_origen` and the voucher's prefix and number), or 0 when the type has no lookup,
// is NULL, or the document is not there.
void llenar_encabezado(Contexto& ctx, const Comprobante& c, db::TargetSet& t, std::size_t fila,
                       const db::Rows& origen) {
  engine::copiar_columnas(t, fila, origen, 0, 0, /*dinero=*/false);
  t.set(fila, c.id_origen, db::Value::integer(0));
  const db::Value& tipo = t.value(fila, c.tipo_origen);
  if (tipo.is_null()) return;
  const std::int64_t codigo = tipo.as_integer();
  if (codigo < 10 || codigo > 75) return;
  std::optional<db::Value> id = engine::buscar_id_documento(ctx.destino, static_cast<int>(codigo),
                                                            t.value(fila, c.prefijo).as_text(),
                                                            t.value(fila, c.numero).as_text());
  if (id && !id->as_text().empty()) t.set(fila, c.id_origen, *id);
}

// Source read, lock date, header insert (in one transaction with the removal of any
// copy already there, so a header the target refuses leaves that copy whole), the
// ledgers, and the undo of a voucher whose lines did not all arrive.
void copiar_comprobante(Contexto& ctx, const Comprobante& c) {
  db::Rows origen = engine::leer_origen(ctx, engine::sentencia(ctx, c.lectura));
  if (origen.empty()) return;
  ctx.encabezado = &origen;
  if (!fuera_del_bloqueo(ctx, origen.at(0, c.fecha))) return;
  {
    db::TargetSet t = engine::buscar_destino(ctx, engine::sentencia(ctx, c.busqueda, 0, &origen));
    std::vector<std::string> quitar = para_cada_copia(ctx, c.quitar, t, &origen);
    ctx.id_destino = engine::insertar_encabezado(
        ctx, t,
        [&](db::TargetSet& tt, std::size_t fila) { llenar_encabezado(ctx, c, tt, fila, origen); },
        c.identificador, quitar);
  }
  if (!ctx.encabezado_escrito) return;
  const std::int64_t id = ctx.id_destino;
  for (const Detalle& d : c.libros) {
    if (ctx.fallo) break;
    engine::copiar_detalle(ctx, engine::sentencia(ctx, d.origen),
                           engine::sentencia(ctx, d.destino, id), id);
  }
  engine::deshacer_encabezado(ctx, c.deshacer, id);
}

void protocolo_comprobante(Contexto& ctx, const Comprobante& c) {
  if (engine::prueba_operacion(ctx.evento, "D") == engine::Operacion::Borrar)
    borrar_comprobante(ctx, c);
  else
    copiar_comprobante(ctx, c);
}

// The voucher as the reconciliation reads it: the same source read, the same lookup of
// the copy by type, prefix and number, the same ledgers.
const engine::Documento kCotejoComprobante{
    .letras = "D",
    .lectura = kComprobante.lectura,
    .busqueda = kComprobante.busqueda,
    .busqueda_borrado = kComprobante.busqueda_borrado,
    .detalles = kComprobante.libros,
};

// A voucher the partner's lock date keeps out of a closed period is not copied: there
// is nothing to compare.
engine::Cotejo cotejar_comprobante(Contexto& ctx) {
  if (ctx.fase == Fase::Subida &&
      engine::prueba_operacion(ctx.evento, "D") != engine::Operacion::Borrar) {
    db::Rows o = ctx.origen.read(engine::sentencia(ctx, kComprobante.lectura));
    std::optional<db::Date> limite = leer_fecha(ctx.fecha_bloqueo);
    std::optional<db::Date> fecha =
        o.empty() ? std::nullopt : fecha_de(o.at(0, kComprobante.fecha));
    if (limite && fecha && *fecha < *limite) return {.cotejable = false};
  }
  return engine::cotejar(ctx, kCotejoComprobante);
}

}  // namespace

void registrar_contabilidad(engine::TablaTipos& t) {
  t.registrar(1, engine::Copia{[](Contexto& ctx) { protocolo_comprobante(ctx, kComprobante); },
                               cotejar_comprobante});
}

}  // namespace handlers
