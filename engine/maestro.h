#pragma once
// Master-data rows: tables without prefix, number or identifier procedure, named by
// the event's key values (RPEV_CODIGO, RPEV_IDDOC, RPEV_DATOS) and copied with their
// own keys. One row type describes every such table: which letter deletes and how,
// the source read and the target lookup (which may differ by phase), whether one row
// or every row the read returns travels, and how columns are carried.

#include <cstddef>
#include <string_view>
#include <vector>

#include "engine/contexto.h"
#include "engine/protocolo.h"

namespace engine {

// A statement that may read differently in each phase.
struct PorFase {
  constexpr PorFase() = default;
  constexpr PorFase(const char* ambas) : descarga(ambas), subida(ambas) {}
  constexpr PorFase(std::string_view ambas) : descarga(ambas), subida(ambas) {}
  constexpr PorFase(std::string_view d, std::string_view s) : descarga(d), subida(s) {}
  std::string_view en(Fase f) const { return f == Fase::Descarga ? descarga : subida; }
  bool vacio() const { return descarga.empty() && subida.empty(); }
  std::string_view descarga{};
  std::string_view subida{};
};

// How the deleting letter removes the target row.
enum class Borrado {
  Ninguno,    // nothing is deleted (the letter copies like any other)
  Primera,    // the delete lookup's first row is removed and applied
  Todas,      // every row of the delete lookup is removed, in one apply
  Sentencia,  // a delete statement
};

// Which rows of the source read travel, and how each finds its target row.
enum class Filas {
  Una,       // the first row, into the first row of the target lookup
  PorClave,  // every row, each found by its own whole key (the lookup names the row's
             // key column); every row is attempted, one apply each
  Conjunto,  // every row of a key that several rows may share, found by the one lookup
             // of that key: the target's rows of the key become the source's, in one
             // apply (see db::TargetSet::match_appended)
};

struct Maestro {
  std::string_view borra = "D";  // the letter that deletes
  Borrado borrado = Borrado::Ninguno;
  PorFase borrar{};    // the delete lookup, or the delete statement
  PorFase lectura{};   // source read
  PorFase busqueda{};  // target lookup; for PorClave it names the source row ({fila:N})
  Filas filas = Filas::Una;
  // For a Conjunto: a source that holds no row of the key empties the target's too
  // (the master row the rows hang from, read before, says the set is there and empty).
  // Otherwise an empty read changes nothing, like any copy whose source is gone.
  bool vacio_vacia = false;
  // On update, the copy by position starts at this column (1 keeps the target's own id).
  std::size_t desde = 0;
  // A copy by name instead of by position: only these columns, each in its form, on the
  // writes its mask names.
  std::vector<Campo> campos{};
  // Computes key parts into Contexto::claves for the {clave:NAME} slots; false: the
  // event names nothing to copy or delete (it is stamped).
  bool (*preparar)(Contexto& ctx) = nullptr;
};

// Keyed row copy and keyed row set copy as the row describes them. By key, every row
// is attempted; a rejected row keeps the failure flag set (a flag set earlier in the
// same event stays set too), so the event stays pending and the whole set is sent
// again. A Conjunto is written in one apply: a rejected row leaves the target's rows of
// the key as they were.
// Returns how many source rows the copy found (0 for a delete or nothing to do), so a
// handler can stop when a master row has gone from the source.
std::size_t protocolo_maestro(Contexto& ctx, const Maestro& m);

}  // namespace engine
