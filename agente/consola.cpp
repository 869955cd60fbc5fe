#include "agente/consola.h"

#include <exception>

#include "plataforma/pagina_codigos.h"

namespace agente {

VistaConsola::VistaConsola(engine::VistaCiclo& ventana, errors::Bitacora& bitacora,
                           std::FILE* salida, std::FILE* errores)
    : ventana_(ventana), bitacora_(bitacora), salida_(salida), errores_(errores) {}

void VistaConsola::mensaje(const std::string& texto) {
  std::fprintf(errores_, "envioauto: %s\n", plataforma::para_consola(texto).c_str());
  std::fflush(errores_);
  // Asking for the installation directory may itself raise a message (the directory is
  // not configured). That one goes where every log line then goes, without asking again;
  // when it is the very message being written, the outer write records it once.
  if (en_mensaje_) {
    if (texto != *en_mensaje_) escribir(texto, false);
    return;
  }
  en_mensaje_ = &texto;
  escribir(texto, true);
  en_mensaje_ = nullptr;
}

void VistaConsola::escribir(const std::string& texto, bool con_directorio) {
  try {
    if (con_directorio) {
      bitacora_.error("", texto);
    } else {
      errors::Bitacora sin_directorio([] { return std::string(); }, bitacora_.reloj());
      sin_directorio.error("", texto);
    }
  } catch (const std::exception& e) {
    std::fprintf(errores_, "envioauto: %s\n", plataforma::para_consola(e.what()).c_str());
  }
}

void VistaConsola::panel(const std::string& titulo) {
  ventana_.panel(titulo);
  linea(titulo);
}

void VistaConsola::evento(const std::string& texto) {
  ventana_.evento(texto);
  linea("  " + texto);
}

void VistaConsola::ultimo_error(const std::string& texto) {
  ventana_.ultimo_error(texto);
  error(texto);
}

void VistaConsola::error(const std::string& texto) {
  std::fprintf(errores_, "envioauto: %s\n", plataforma::para_consola(texto).c_str());
  std::fflush(errores_);
}

void VistaConsola::linea(const std::string& texto) {
  std::fprintf(salida_, "%s\n", plataforma::para_consola(texto).c_str());
  std::fflush(salida_);
}

}  // namespace agente
