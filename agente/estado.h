#pragma once
// Health at a glance, from the queues the agent already reads: per addressee the
// pending events and the age of the oldest, the events carrying an error and the oldest
// of those; when the last cycle reached its end; and a verdict a monitoring system can
// act on. Reading the status never writes anything.

#include <optional>
#include <string>
#include <vector>

#include "db/connection.h"
#include "engine/reloj.h"
#include "engine/vista.h"
#include "errors/bitacora.h"

namespace agente {

// The exit status of `envioauto --estado`, the convention monitoring plugins use.
enum class Veredicto { Sano = 0, Atrasado = 1, Detenido = 2, Desconocido = 3 };

// The pending events of one queue addressed to one company. Texts in UTF-8.
struct Cola {
  std::string base;          // whose queue: "local" or the partner's code
  std::string destinatario;  // RPEV_COMPANIA
  // The addressee can be sent to (the local queue: it has an active REPLICA_COMPANIA
  // row). Events for a company without one wait by design and do not weigh on the
  // verdict.
  bool activo = true;
  long long pendientes = 0;
  std::optional<db::Timestamp> mas_antiguo;  // registration of the oldest pending event
  long long con_error = 0;
  std::optional<db::Timestamp> error_mas_antiguo;  // registration of the oldest of those
};

struct Estado {
  std::string compania;
  db::Timestamp ahora;
  std::vector<Cola> colas;
  std::optional<errors::FinDeCiclo> ultimo_ciclo;
  int frecuencia = 1;                      // minutes between cycles the thresholds use
  std::vector<std::string> inalcanzables;  // the databases that could not be read, and why
  // The active partners (UTF-8), and those whose queue was read: what a scraper gets a
  // figure for even when nothing is pending.
  std::vector<std::string> socios;
  std::vector<std::string> socios_leidos;
  bool local_inalcanzable = false;  // the first of them is the local one
  Veredicto veredicto = Veredicto::Sano;
  std::string motivo;  // the worst figure, in words
};

// The thresholds in seconds: late when the oldest pending event is older than
// 10 × the frequency, stalled when no cycle reached its end within 3 × the frequency or
// an event has carried an error for more than a day (measured from its registration:
// when it first failed is not kept).
struct Umbrales {
  long long atraso;
  long long detencion;
  long long error = 24 * 3600;
};
Umbrales umbrales(int frecuencia);

// Seconds from `desde` to `hasta` (negative when `desde` is later).
long long segundos_entre(const db::Timestamp& desde, const db::Timestamp& hasta);
// "3 d 4 h", "2 h 5 min", "40 s".
std::string edad(long long segundos);

// The pending events of a queue per addressee; only those addressed to `destinatario`
// when given (a partner's queue; the code as the suite holds it). The local queue leaves out
// the events that never go up (engine::kTipoQueNoSube).
std::vector<Cola> leer_colas(db::Connection& bd, const std::string& base,
                             const std::optional<std::string>& destinatario);

// Sets the verdict and the worst figure from the figures.
void juzgar(Estado& e);

struct Medicion {
  std::string compania{};         // the local company, as the suite's databases hold its code
  std::string servidor_socios{};  // replaces every RPCO_SERVIDOR when not empty (UTF-8)
  int espera_bloqueo = 60;
  std::optional<errors::FinDeCiclo> ultimo_ciclo{};
  int frecuencia = 1;  // used when the last cycle does not say
};

// The local queue, each active partner's queue addressed to the local company (a
// partner that cannot be read is listed as such), the last complete cycle, the verdict.
Estado medir(db::Connection& local, const Medicion& m, const engine::Reloj& reloj);

// Plain text (one line per queue), JSON (strict UTF-8), and the one line the window
// shows; all in UTF-8.
std::string texto(const Estado& e);
std::string json(const Estado& e);
std::string linea(const Estado& e);
// The same figures in the Prometheus text exposition format: per queue (labels
// company, direction "envio" or "descarga", partner, active) the pending events, the age
// of the oldest in seconds, the events with an error and the age of the oldest of
// those, zero for an active partner with nothing pending (every active partner going
// up, every partner read coming down), so that a series never vanishes; the verdict as
// its exit code; the seconds since the last cycle reached its end (absent when none
// did). Label values in UTF-8, escaped as the format asks.
std::string prometheus(const Estado& e);
// The figures of some queues, one short phrase each (the event browsers).
std::string cifras(const std::vector<Cola>& colas, const db::Timestamp& ahora);
const char* nombre(Veredicto v);

// Records the end of a complete cycle for --estado; a file that cannot be written is
// logged, never thrown.
void anotar_fin_de_ciclo(errors::Bitacora& b, const engine::Opciones& op) noexcept;

}  // namespace agente
