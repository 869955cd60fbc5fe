#pragma once
// What a document handler is given: the event, the phase, the source and target
// sides, the cycle's flags and the per-event failure and header-written flags.

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "db/connection.h"
#include "db/target_set.h"
#include "engine/evento.h"
#include "engine/reloj.h"
#include "engine/tipos.h"
#include "engine/vista.h"

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

  VistaCiclo* vista = nullptr;  // per-line progress and the operator's messages

  bool fallo = false;                    // the last apply reported a failed row
  bool encabezado_escrito = false;       // the header apply of this event succeeded
  std::int64_t id_destino = 0;           // the target id of the document being written
  const db::Rows* encabezado = nullptr;  // the source header, once read
  // Key parts a handler computes for the event, for the {clave:NAME} slots.
  std::map<std::string, std::string, std::less<>> claves{};

  // The partner database: the source going down, the target going up.
  db::Connection& socio() const { return fase == Fase::Descarga ? origen : destino; }
  // A message for the operator (a box in the window, a log line unattended).
  void avisar(const std::string& texto) const {
    if (vista) vista->mensaje(texto);
  }
};

}  // namespace engine
