#include "engine/cola.h"

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "db/error.h"
#include "db/textos.h"

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
