#pragma once
// The only way the cycle talks to a window. The main window implements it; tests
// implement a recorder. Every text it is given is UTF-8.

#include <string>

namespace engine {

// What the operator set in the window, read at the start of each cycle. The company and
// the prefix are compared with the databases' values: they are in the suite's code page.
struct Opciones {
  std::string compania;           // LCiaOri: the local company code; empty = none chosen
  std::string prefijo;            // Pref: upload only events with this prefix
  std::string frecuencia = "1";   // Minut: minutes between cycles
  std::string traer = "500";      // Edit2: events fetched per download
  std::string enviar = "500";     // NroOp: events sent per addressee
  bool reciente_primero = false;  // ckreciente
  bool sin_reintentar = false;    // CkError: skip events that already carry an error
  std::string servidor_socios;    // command-line parameter 6 (UTF-8): replaces every RPCO_SERVIDOR
};

// "select first" takes a 32-bit count; a timer holds at most this many minutes in
// milliseconds. Larger values are refused like text that is not a number.
inline constexpr long long kMaxEventos = 2147483647;
inline constexpr long long kMaxMinutos = 35791;

class VistaCiclo {
 public:
  virtual ~VistaCiclo() = default;
  virtual Opciones opciones() = 0;
  // An empty Edit2 / NroOp is set to "80" by the cycle.
  virtual void poner_traer(const std::string& texto) = 0;
  virtual void poner_enviar(const std::string& texto) = 0;

  virtual void mensaje(const std::string& texto) = 0;  // a message box the operator must see
  virtual void panel(const std::string& titulo) = 0;   // progress panel shown with this caption
  virtual void ocultar_panel() = 0;
  virtual void progreso(int maximo) = 0;              // bar range 0..maximo, position 0
  virtual void paso() = 0;                            // bar one step on
  virtual void evento(const std::string& texto) = 0;  // Edit1: the event being processed
  virtual void mostrar_evento(bool visible) = 0;
  virtual void ultimo_envio(const std::string& texto) = 0;     // EUltenvio
  virtual void ultima_descarga(const std::string& texto) = 0;  // EUltdesc
  virtual void ultimo_error(const std::string& texto) = 0;     // Label8
  virtual void apagar_temporizador() = 0;
  virtual void armar_temporizador(int intervalo_ms) = 0;
  // Lets the window repaint and react; the cycle calls it after each event.
  virtual void procesar_mensajes() = 0;
  // True once the operator closed the window: the cycle stops after the current event.
  virtual bool cierre_pedido() = 0;
  // An error nobody handled, already in the log; a console also prints it.
  virtual void error(const std::string& texto) { (void)texto; }
};

}  // namespace engine
