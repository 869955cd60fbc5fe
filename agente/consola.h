#pragma once
// What an unattended agent shows: everything goes on to the window (which still exists,
// offscreen on a server), progress is printed on standard output, errors on standard
// error, and the messages a window would show in a box become errorenvio.txt lines,
// since nobody is there to click them away. What is printed follows the locale.

#include <cstdio>
#include <string>

#include "engine/vista.h"
#include "errors/bitacora.h"

namespace agente {

class VistaConsola : public engine::VistaCiclo {
 public:
  VistaConsola(engine::VistaCiclo& ventana, errors::Bitacora& bitacora, std::FILE* salida = stdout,
               std::FILE* errores = stderr);

  engine::Opciones opciones() override { return ventana_.opciones(); }
  void poner_traer(const std::string& t) override { ventana_.poner_traer(t); }
  void poner_enviar(const std::string& t) override { ventana_.poner_enviar(t); }
  void mensaje(const std::string& texto) override;
  void panel(const std::string& titulo) override;
  void ocultar_panel() override { ventana_.ocultar_panel(); }
  void progreso(int maximo) override { ventana_.progreso(maximo); }
  void paso() override { ventana_.paso(); }
  void evento(const std::string& texto) override;
  void mostrar_evento(bool visible) override { ventana_.mostrar_evento(visible); }
  void ultimo_envio(const std::string& t) override { ventana_.ultimo_envio(t); }
  void ultima_descarga(const std::string& t) override { ventana_.ultima_descarga(t); }
  void ultimo_error(const std::string& texto) override;
  void apagar_temporizador() override { ventana_.apagar_temporizador(); }
  void armar_temporizador(int ms) override { ventana_.armar_temporizador(ms); }
  void procesar_mensajes() override { ventana_.procesar_mensajes(); }
  bool cierre_pedido() override { return ventana_.cierre_pedido(); }
  void error(const std::string& texto) override;

  // A line of its own on standard output (the end of each cycle).
  void linea(const std::string& texto);

 private:
  engine::VistaCiclo& ventana_;
  errors::Bitacora& bitacora_;
  std::FILE* salida_;
  std::FILE* errores_;
  void escribir(const std::string& texto, bool con_directorio);
  const std::string* en_mensaje_ = nullptr;  // the message being written, if any
};

}  // namespace agente
