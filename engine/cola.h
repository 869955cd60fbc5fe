#pragma once
// Writes to the replication queue made on an operator's behalf: a fresh event that
// sends a document again through the ordinary cycle.

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
