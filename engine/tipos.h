#pragma once
// The document type codes (RPEV_TIPO) and the handler each reaches in each phase.

#include <functional>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

namespace engine {

struct Contexto;

// Download: the partner's events are applied locally. Upload: the local events are
// applied to the addressee's database.
enum class Fase { Descarga, Subida };

using Manejador = std::function<void(Contexto&)>;

// What a handler's rule finds of one document on both sides (engine/cotejo.h): the
// reconciliation asks it instead of knowing how each family finds its copies.
struct Cotejo;
using Cotejador = std::function<Cotejo(Contexto&)>;

// A handler and the check of what it copies, built from the same table row.
struct Copia {
  Manejador copiar;
  Cotejador cotejar;
};

struct TipoDocumento {
  int codigo;
  std::string_view tabla;  // the source header (or master) table
  bool descarga;           // known to the download phase
  bool subida;             // known to the upload phase
};

// Every code the replication knows, in code order.
const std::vector<TipoDocumento>& tipos_documento();

// Dispatch table: a code known to a phase maps to its handler there. A code without
// a handler (not known, or not built) is stamped without any copy.
class TablaTipos {
 public:
  // Adds the handler of a code for a phase; a code the phase does not know is a
  // programming error (std::logic_error).
  void registrar(int codigo, Fase fase, Manejador m);
  // The same handler for both phases the code is known to.
  void registrar(int codigo, Manejador m);
  // A handler with its check, for one phase or for both.
  void registrar(int codigo, Fase fase, Copia c);
  void registrar(int codigo, Copia c);
  const Manejador* manejador(int codigo, Fase fase) const;
  // The check of a code in a phase; none when its handler has no table row to check by.
  const Cotejador* cotejador(int codigo, Fase fase) const;

 private:
  std::map<std::pair<int, Fase>, Manejador> tabla_;
  std::map<std::pair<int, Fase>, Cotejador> cotejos_;
};

const TipoDocumento* buscar_tipo(int codigo);

}  // namespace engine
