#pragma once
// The replication queue (REPLICA_EVENTOS) as the agent uses it: the type that never
// goes up, the claim of a pending event, its stamp, the error it records, the purge of
// what was sent long ago, and the fresh event an operator queues to send a document
// again through the ordinary cycle.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "db/connection.h"
#include "db/value.h"
#include "engine/evento.h"

namespace engine {

// Events of this type belong to the local database alone: going up never selects them
// (they stay pending), and the local queue's counts and browsers leave them out. Going
// down, a partner's event of this type reaches no handler and is stamped without a copy.
inline constexpr int kTipoQueNoSube = 236;
// The condition, in parentheses, a read of the local queue adds to leave them out.
std::string sin_tipo_que_no_sube();

// The event a queue stamped last, with when (RPEV_ID, RPEV_FECREP, RPEV_HORAREP).
inline constexpr const char* kUltimoSello =
    "SELECT FIRST 1 RPEV_ID, RPEV_FECREP, RPEV_HORAREP FROM replica_eventos ORDER BY RPEV_FECREP "
    "DESC, RPEV_HORAREP DESC";
// The addressees a queue has pending events for.
inline constexpr const char* kDestinatarios =
    "select distinct r.rpev_compania from replica_eventos r WHERE RPEV_COMPANIA <> '' AND "
    "(R.rpev_fecrep IS NULL)";

// A list of pending events of one queue, as a cycle reads it.
struct Pendientes {
  std::string cuantos;            // at most this many events: a count already checked, in digits
  std::string compania;           // addressed to this company, as the suite holds its code
  bool subida = false;            // the local queue going up: the type that never goes up is out
  bool sin_reintentar = false;    // events that carry an error are left out
  bool reciente_primero = false;  // the latest registered first
};
// The list's statement as the audit shows it, or (`como_corre`) as it runs: the same
// rows, read through the index on RPEV_FECREP. Events without an error come before those
// with one, then they go by registration (the latest first when asked), and events
// registered at the same moment in the order they were queued.
std::string lista_pendientes(const Pendientes& p, bool como_corre);

// Per addressee of a queue: RPEV_COMPANIA, how many events are pending, the registration
// of the oldest, how many of them carry an error and the registration of the oldest of
// those (a missing registration time counts as midnight). Only the events addressed to
// `destinatario` when given (a partner's queue); otherwise every addressee of the local
// queue, without the type that never goes up.
std::string recuento_pendientes(const std::optional<std::string>& destinatario);

// The events of a queue addressed to `compania` that concern the period from `limite`:
// stamped from that day on, or pending; oldest first. `subida`: the local queue going
// up, without the type that never goes up.
std::string eventos_del_periodo(const std::string& compania, bool subida, const db::Date& limite);

// Claims the pending event `id` in the queue `cola`: its row is locked, without waiting,
// in the transaction `cola` holds (opened when none is). False, with the transaction
// as it was, when the event is not this agent's to process now: another agent holds
// it, it was stamped meanwhile, an earlier event of the same document to the same
// addressee is still pending, or (`sin_reintentar`) it carries an error. Any other
// failure ends the held transaction, undone, and is thrown.
bool reclamar(db::Connection& cola, std::int64_t id, bool sin_reintentar);

// Stamps the claimed event `id` as sent at `t`, in the held transaction.
void sellar(db::Connection& cola, std::string_view id, const db::Timestamp& t);

// RPEV_ERROR holds this many bytes; a longer message is stored cut to fit, since the
// update would otherwise fail and the error be lost.
inline constexpr std::size_t kLargoError = 2048;
// Records `mensaje` (UTF-8) as the error of event `id`, in the suite's code page and
// cut to kLargoError bytes: in the held transaction when `cola` holds one (the cycle
// holds the event's row while it processes it, and any other transaction would wait
// on that lock), on its own otherwise.
void anotar_error(db::Connection& cola, std::string_view id, const std::string& mensaje);

// Removes the event `id` (an operator's choice in a browser), in a transaction of its own.
void borrar_evento(db::Connection& cola, std::string_view id);

// Removes the events stamped before `limite`.
void purgar(db::Connection& cola, const db::Date& limite);

// Queues, in the queue `cola` holds, a fresh event for the document of `original` (a
// REPLICA_EVENTOS row of that queue, every column): the same type, document id, prefix,
// number, code and key data, addressed as the original (company, destination prefix,
// point of sale), with the letter `letra`, registered at `ahora`, pending and without
// error. Its RPEV_ID is the one the database assigns to a row inserted without it.
//
// Nothing is queued while the document already has a pending event without error in
// that queue (it is on its way): the answer is then empty. An event that carries an
// error does not count, since with "No reintentar errores" it never travels again. The
// check and the insert are one statement, and it runs while the original's row is
// locked, so two operators sending the same event again queue one event between them;
// a row held by another process is waited for a moment, then refused (db::Error).
std::optional<std::int64_t> reencolar(db::Connection& cola, const Evento& original,
                                      std::string_view letra, const db::Timestamp& ahora);

namespace textos {
inline std::string evento_ocupado(std::string_view id) {
  return "El evento " + std::string(id) +
         " lo está usando otro proceso (un envío o un reenvío en curso): intente de nuevo en "
         "un momento";
}
inline std::string no_se_pudo_encolar(std::string_view motivo) {
  return "No se pudo encolar el evento nuevo: " + std::string(motivo);
}
}  // namespace textos

}  // namespace engine
