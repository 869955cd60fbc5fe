// envioauto: the replication agent. One window (offscreen when there is no display),
// one thread; a timer repeats the replication cycle.
#include <QApplication>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "db/connection.h"
#include "plataforma/pagina_codigos.h"
#include "plataforma/parada.h"
#include "plataforma/proceso.h"
#include "shell/desatendido.h"
#include "shell/instalacion.h"
#include "shell/linea_comandos.h"
#include "shell/ordenes.h"
#include "shell/principalauto.h"
#include "shell/senales.h"

namespace {

// The offscreen platform and a missing runtime folder are normal on a server; their
// warnings would only bury the agent's own lines.
void filtrar_avisos(QtMsgType tipo, const QMessageLogContext&, const QString& texto) {
  if (texto.contains(QLatin1String("propagateSizeHints")) ||
      texto.contains(QLatin1String("XDG_RUNTIME_DIR")))
    return;
  std::fprintf(stderr, "%s\n", plataforma::para_consola(texto.toStdString()).c_str());
  if (tipo == QtFatalMsg) std::abort();
}

}  // namespace

int main(int argc, char** argv) {
  // Built as a window program on Windows: progress and messages go to the console it was
  // started from, if any. The program's text is UTF-8 throughout; the command line
  // arrives in the system's encoding and is read as UTF-8.
  plataforma::usar_consola_del_padre();
  plataforma::tomar_locale();
  shell::LineaComandos linea = shell::analizar_linea(plataforma::argumentos(argc, argv));
  if (linea.ayuda) {
    std::fputs(plataforma::para_consola(shell::uso()).c_str(), stdout);
    return 0;
  }
  if (linea.error.empty()) linea.error = shell::elegir_pagina_codigos(linea.pagina_codigos);
  if (!linea.error.empty()) {
    std::fputs(
        plataforma::para_consola("envioauto: " + linea.error + "\n\n" + shell::uso()).c_str(),
        stderr);
    return 2;
  }
  if (linea.orden != shell::Orden::Agente) {
    // --estado and --conciliar read and exit: no window, no cycle.
    const int codigo = shell::ejecutar_orden(linea);
    db::shutdown_client();
    return codigo;
  }
  if (linea.una_vez && !linea.desatendido()) {
    std::fputs(plataforma::para_consola(
                   "envioauto: --once necesita el código de la compañía (parámetro 4)\n")
                   .c_str(),
               stderr);
    return 2;
  }
  // Before any thread exists: every thread started from here on leaves the stop requests
  // to the one that takes them.
  if (linea.desatendido()) shell::Senales::tomar();
  // On a server without a display the window lives offscreen.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !plataforma::hay_pantalla())
    qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(filtrar_avisos);
  int estado = 0;
  {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8("Envio automático 2026"));
    if (linea.desatendido()) {
      shell::Desatendido agente(linea);
      agente.ventana().show();
      estado = app.exec();
    } else {
      shell::Tfprincipalauto ventana(linea);
      ventana.show();
      estado = app.exec();
    }
  }
  // The window and its connections are gone: stop the client's threads before exit.
  db::shutdown_client();
  plataforma::parada_cumplida();
  return estado;
}
