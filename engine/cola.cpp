#include "engine/cola.h"

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "db/error.h"
#include "db/textos.h"
#include "engine/sql.h"
#include "plataforma/pagina_codigos.h"

namespace engine {
namespace {

// Locks the original's row for the rest of the transaction. A row already gone (purged
// or deleted meanwhile) locks nothing; its values are still at hand.
constexpr const char* kBloqueo = "SELECT RPEV_ID FROM REPLICA_EVENTOS WHERE RPEV_ID = ? WITH LOCK";

// The fresh event, unless the document already has a pending event without error in
// this queue: the check and the insert are one statement. The document is named as
// a claim names it (addressee, type, document id, prefix, number, code) plus the key
// data of master-data satellites. Each value takes the type of its column, so the
// statement holds whatever widths the suite's table has. RPEV_ID is left to the
// database.
constexpr const char* kReencolar =
    "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, RPEV_NUMERO, "
    "RPEV_CODIGO, RPEV_DATOS, RPEV_PREFDEST, RPEV_PTVT, RPEV_OPER, RPEV_FECREG, RPEV_HORAREG) "
    "SELECT N.COMPANIA, N.TIPO, N.IDDOC, N.PREF, N.NUMERO, N.CODIGO, N.DATOS, N.PREFDEST, N.PTVT, "
    "N.OPER, N.FECREG, N.HORAREG FROM (SELECT "
    "CAST(? AS TYPE OF COLUMN REPLICA_EVENTOS.RPEV_COMPANIA) AS COMPANIA, "
    "CAST(? AS TYPE OF COLUMN REPLICA_EVENTOS.RPEV_TIPO) AS TIPO, "
    "CAST(? AS TYPE OF COLUMN REPLICA_EVENTOS.RPEV_IDDOC) AS IDDOC, "
    "CAST(? AS TYPE OF COLUMN REPLICA_EVENTOS.RPEV_PREF) AS PREF, "
    "CAST(? AS TYPE OF COLUMN REPLICA_EVENTOS.RPEV_NUMERO) AS NUMERO, "
    "CAST(? AS TYPE OF COLUMN REPLICA_EVENTOS.RPEV_CODIGO) AS CODIGO, "
    "CAST(? AS TYPE OF COLUMN REPLICA_EVENTOS.RPEV_DATOS) AS DATOS, "
    "CAST(? AS TYPE OF COLUMN REPLICA_EVENTOS.RPEV_PREFDEST) AS PREFDEST, "
    "CAST(? AS TYPE OF COLUMN REPLICA_EVENTOS.RPEV_PTVT) AS PTVT, "
    "CAST(? AS TYPE OF COLUMN REPLICA_EVENTOS.RPEV_OPER) AS OPER, "
    "CAST(? AS TYPE OF COLUMN REPLICA_EVENTOS.RPEV_FECREG) AS FECREG, "
    "CAST(? AS TYPE OF COLUMN REPLICA_EVENTOS.RPEV_HORAREG) AS HORAREG "
    "FROM RDB$DATABASE) N "
    "WHERE NOT EXISTS (SELECT 1 FROM REPLICA_EVENTOS P WHERE P.RPEV_COMPANIA = N.COMPANIA "
    "AND P.RPEV_FECREP IS NULL AND P.RPEV_TIPO = N.TIPO "
    "AND P.RPEV_IDDOC IS NOT DISTINCT FROM N.IDDOC AND P.RPEV_PREF IS NOT DISTINCT FROM N.PREF "
    "AND P.RPEV_NUMERO IS NOT DISTINCT FROM N.NUMERO "
    "AND P.RPEV_CODIGO IS NOT DISTINCT FROM N.CODIGO "
    "AND P.RPEV_DATOS IS NOT DISTINCT FROM N.DATOS AND P.RPEV_ERROR IS NULL) "
    "RETURNING RPEV_ID";

// The event list's condition on the addressee, as the audit shows it and as the list
// runs. Run as written, the server reads the pending rows through the index that
// starts with RPEV_COMPANIA and uses no more of it than that column ("IS NULL" on the
// next one is not matched), so it walks every row of the addressee, stamped ones
// included, and the list costs more the longer the queue. Wrapped in an OR that is
// never true, the comparison stays exactly what it was for every value and row while
// the server finds the pending rows through the index on RPEV_FECREP instead.
std::string para_compania(const std::string& codigo, bool como_corre) {
  const std::string igual = "rpev_compania = " + quoted(codigo);
  return como_corre ? "(" + igual + " or 1 = 0)" : igual;
}

// Events that have not failed come first, so that failing ones never starve them; a
// list without failed events keeps the plain order. Events registered at the same
// moment go in the order they were queued (their ids), in both orders: the order a
// claim holds a document's events to.
std::string orden(const Pendientes& p) {
  std::string primero_sin_error =
      p.sin_reintentar ? "" : "case when rpev_error is null then 0 else 1 end, ";
  return " order by " + primero_sin_error +
         (p.reciente_primero ? "rpev_fecreg desc, rpev_horareg desc, rpev_id"
                             : "rpev_fecreg, rpev_horareg, rpev_id");
}

// Claims one pending event: its queue row is locked, without waiting, in the
// transaction the cycle holds while it processes the event. No row comes back when
// another agent holds the event, when it was stamped meanwhile, or while an earlier
// event of the same document to the same addressee is still pending (a document's
// events apply one at a time and in the order they were registered). Each "+ 0" keeps an
// index out of the plan: the primary key's, which would read every stamped row before
// the event, and the registration order's, which would read every pending row of the
// addressee registered before it (events that never leave the queue pile up there). What
// is left is the index of the document's own pending events.
constexpr const char* kReclamo =
    "SELECT E.RPEV_ID FROM REPLICA_EVENTOS E WHERE E.RPEV_ID = ? AND E.RPEV_FECREP IS NULL "
    "AND NOT EXISTS (SELECT 1 FROM REPLICA_EVENTOS P WHERE P.RPEV_COMPANIA = E.RPEV_COMPANIA "
    "AND P.RPEV_FECREP IS NULL AND P.RPEV_TIPO = E.RPEV_TIPO "
    "AND P.RPEV_IDDOC IS NOT DISTINCT FROM E.RPEV_IDDOC "
    "AND P.RPEV_PREF IS NOT DISTINCT FROM E.RPEV_PREF "
    "AND P.RPEV_NUMERO IS NOT DISTINCT FROM E.RPEV_NUMERO "
    "AND P.RPEV_CODIGO IS NOT DISTINCT FROM E.RPEV_CODIGO "
    "AND (P.RPEV_FECREG + 0 < E.RPEV_FECREG OR P.RPEV_FECREG + 0 = E.RPEV_FECREG AND "
    "(P.RPEV_HORAREG < E.RPEV_HORAREG OR P.RPEV_HORAREG = E.RPEV_HORAREG AND "
    "P.RPEV_ID + 0 < E.RPEV_ID)){salvo_errores}) WITH LOCK";

// How long a row another process holds is waited for: that process is a repair like
// this one (a few milliseconds) or a cycle copying the event (it may take longer; the
// operator tries again).
constexpr int kIntentos = 20;
constexpr std::chrono::milliseconds kPausa{100};

// Whatever ends the attempt, nothing stays held (undone unless it was committed).
struct Retenida {
  db::Connection& c;
  ~Retenida() { c.release_hold(false); }
};

}  // namespace

std::string sin_tipo_que_no_sube() {
  return "(rpev_tipo <> " + std::to_string(kTipoQueNoSube) + ")";
}

std::string lista_pendientes(const Pendientes& p, bool como_corre) {
  return "select first " + p.cuantos + " * from replica_eventos where " +
         (p.subida ? sin_tipo_que_no_sube() + " and " : std::string()) +
         "rpev_fecrep is null and " + para_compania(p.compania, como_corre) +
         (p.sin_reintentar ? " AND RPEV_ERROR IS NULL" : "") + orden(p);
}

std::string recuento_pendientes(const std::optional<std::string>& destinatario) {
  return "select rpev_compania, count(*), min(rpev_fecreg + coalesce(rpev_horareg, time "
         "'00:00:00')), sum(case when rpev_error is not null then 1 else 0 end), min(case when "
         "rpev_error is not null then rpev_fecreg + coalesce(rpev_horareg, time '00:00:00') end) "
         "from replica_eventos where rpev_fecrep is null" +
         (destinatario ? " and rpev_compania = " + quoted(*destinatario)
                       : " and " + sin_tipo_que_no_sube() + " and rpev_compania <> ''") +
         " group by rpev_compania";
}

std::string eventos_del_periodo(const std::string& compania, bool subida, const db::Date& limite) {
  return "select * from replica_eventos where " +
         (subida ? sin_tipo_que_no_sube() + " and " : std::string()) +
         "rpev_compania = " + quoted(compania) +
         " and (rpev_fecrep is null or rpev_fecrep >= " + quoted(limite) +
         ") order by rpev_fecreg, rpev_horareg, rpev_id";
}

bool reclamar(db::Connection& cola, std::int64_t id, bool sin_reintentar) {
  static const std::string con_errores = fill(kReclamo, [](std::string_view) { return ""; });
  static const std::string sin_errores =
      fill(kReclamo, [](std::string_view) { return std::string(" AND P.RPEV_ERROR IS NULL"); });
  // One held transaction serves a whole list (the cycle ends it): each event's end
  // commits it, which lets go of the event's row, and the next claim runs in it.
  if (!cola.holding()) cola.hold();
  try {
    return !cola.query_held(sin_reintentar ? sin_errores : con_errores, {db::Value::integer(id)})
                .empty();
  } catch (const db::Error& err) {
    // Another agent is copying this event right now: it is left to that agent. The
    // refused claim undid only itself; nothing else is pending in the transaction.
    if (!err.is_lock_conflict()) {
      cola.release_hold(false);
      throw;
    }
  }
  return false;
}

void sellar(db::Connection& cola, std::string_view id, const db::Timestamp& t) {
  cola.write_held("UPDATE REPLICA_EVENTOS SET RPEV_FECREP = " + quoted(t.date) +
                  ", RPEV_HORAREP = " + quoted(t.time) + " where RPEV_ID = " + std::string(id));
}

void anotar_error(db::Connection& cola, std::string_view id, const std::string& mensaje) {
  // The suite reads the column in its code page: the message goes in encoded so (the
  // server's own words included, which arrived decoded like everything it says).
  const std::string texto = plataforma::hacia_suite(mensaje).substr(0, kLargoError);
  const std::string sql = "UPDATE REPLICA_EVENTOS SET RPEV_ERROR = " + quoted(texto) +
                          " where RPEV_ID = " + std::string(id);
  if (cola.holding())
    cola.execute_held(sql);
  else
    cola.execute(sql);
}

void borrar_evento(db::Connection& cola, std::string_view id) {
  cola.execute("DELETE FROM REPLICA_EVENTOS WHERE RPEV_ID = " + std::string(id));
}

void purgar(db::Connection& cola, const db::Date& limite) {
  cola.write(
      "delete from replica_eventos r WHERE (R.rpev_fecrep IS NOT NULL) AND (R.rpev_fecrep < " +
      quoted(limite) + ")");
}

std::optional<std::int64_t> reencolar(db::Connection& cola, const Evento& original,
                                      std::string_view letra, const db::Timestamp& ahora) {
  if (cola.holding()) throw std::logic_error(db::textos::transaccion_retenida_abierta());
  const std::vector<db::Value> valores{
      original.valor("RPEV_COMPANIA"), original.valor("RPEV_TIPO"),
      original.valor("RPEV_IDDOC"),    original.valor("RPEV_PREF"),
      original.valor("RPEV_NUMERO"),   original.valor("RPEV_CODIGO"),
      original.valor("RPEV_DATOS"),    original.valor("RPEV_PREFDEST"),
      original.valor("RPEV_PTVT"),     db::Value::text(std::string(letra)),
      db::Value::date(ahora.date),     db::Value::time(ahora.time)};
  for (int intento = 1;; ++intento) {
    try {
      cola.hold();
      Retenida fin{cola};
      cola.query_held(kBloqueo, {original.valor("RPEV_ID")});
      db::Rows r = cola.query_held(kReencolar, valores);
      cola.release_hold(true);
      if (r.empty() || r.at(0, 0).is_null()) return std::nullopt;
      return r.at(0, 0).as_integer();
    } catch (const db::Error& e) {
      if (!e.is_lock_conflict())
        throw db::Error(textos::no_se_pudo_encolar(e.what()), e.code(), e.sqlstate());
      if (intento == kIntentos)
        throw db::Error(textos::evento_ocupado(original.id_texto()), e.code(), e.sqlstate());
    }
    std::this_thread::sleep_for(kPausa);
  }
}

}  // namespace engine
