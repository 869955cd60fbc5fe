#pragma once
// What a document handler is given: the event, the phase, the source and target
// sides, the cycle's flags and the per-event failure and header-written flags.

#include <string>

#include "db/connection.h"
#include "db/target_set.h"
#include "engine/evento.h"
#include "engine/reloj.h"
#include "engine/tipos.h"

namespace engine {

// The behaviour switches read from CONFIGURACION at the start of the download phase.
struct Banderas {
  bool estado_articulo = false;  // "ENVIAR ESTADO DEL ARTICULO ..." = "SI"
  bool compra_como_factura =
      false;  // "ENVIAR FACTURA DE COMPRA COMO ENTRADA O COMO FACTURA" = "FACTURA"
  bool venta_como_factura =
      false;  // "ENVIAR FACTURA DE VENTA COMO ENTRADA O COMO FACTURA" = "FACTURA"
  bool traslado_como_entrada = false;  // "REPLICAR TRASLADO COMO ENTRADA ..." = "SI"
  bool traslado_ultimo_costo = false;  // "REPLICAR TRASLADO A ULTIMO COSTO" = "SI"
};

struct Contexto {
  const Evento& evento;
  Fase fase;
  db::Connection& origen;   // where the event and its document live
  db::Connection& destino;  // where the document is copied to
  const Banderas& banderas;
  const std::string& fecha_bloqueo;  // accounting lock date (upload only)
  db::ApplyErrorSink& errores;       // receives the first failure of every apply
  const Reloj& reloj;

  bool fallo = false;               // the last apply reported a failed row
  bool encabezado_escrito = false;  // the header apply of this event succeeded
};

}  // namespace engine
