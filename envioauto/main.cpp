// envioauto: the replication agent. One window (offscreen when there is no display),
// one thread; a timer repeats the replication cycle.
#include <QApplication>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "db/connection.h"
#include "shell/desatendido.h"
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
  std::fprintf(stderr, "%s\n", texto.toLocal8Bit().constData());
  if (tipo == QtFatalMsg) std::abort();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  shell::LineaComandos linea = shell::analizar_linea(args);
  if (linea.ayuda) {
    std::fputs(shell::uso().c_str(), stdout);
    return 0;
  }
  if (!linea.error.empty()) {
    std::fprintf(stderr, "envioauto: %s\n\n%s", linea.error.c_str(), shell::uso().c_str());
    return 2;
  }
  if (linea.orden != shell::Orden::Agente) {
    // --estado and --conciliar read and exit: no window, no cycle.
    const int codigo = shell::ejecutar_orden(linea);
    db::shutdown_client();
    return codigo;
  }
  if (linea.una_vez && !linea.desatendido()) {
    std::fprintf(stderr, "envioauto: --once necesita el código de la compañía (parámetro 4)\n");
    return 2;
  }
  // Before any thread exists: every thread started from here on leaves the stop signals
  // to the one that takes them.
  if (linea.desatendido()) shell::Senales::tomar();
#ifndef _WIN32
  // On a server without a display the window lives offscreen.
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
#endif
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
  return estado;
}
