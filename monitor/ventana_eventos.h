#pragma once
// What the two event browsers share: a read-only list of REPLICA_EVENTOS rows, re-read
// every time the window is activated, "Borrar" with its confirmation, "Reenviar" (a
// fresh event for each selected event that was sent or failed), and the context
// menu's copy, select all and "Guardar selección".

#include <QDialog>
#include <vector>

#include "db/connection.h"
#include "monitor/modelos.h"
#include "monitor/origen.h"
#include "monitor/rejilla.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace monitor {

class VentanaEventos : public QDialog {
  Q_OBJECT

 public:
  struct Ajustes {
    QString titulo;
    std::string sql;
    // The list with the events already sent too, chosen by "Incluir enviados"; empty:
    // no such choice. Columns whose field is RPEV_FECREP or RPEV_HORAREP are shown
    // only then.
    std::string sqlEnviados;
    std::vector<Columna> columnas;
    int botones;            // of the navigator
    QString nombreArchivo;  // the save dialog's default name
  };

  // `bd` is where the list is read and events are deleted.
  VentanaEventos(Origen origen, db::ConnectParams bd, Ajustes ajustes, QWidget* parent);

  Rejilla* rejilla() const { return rejilla_; }
  ModeloLista* modelo() const { return modelo_; }
  QPushButton* Cerrar;
  QPushButton* Borrar;
  QPushButton* Reenviar;
  QCheckBox* Enviados;  // "Incluir enviados"; null when the window has no such choice
  QLabel* Aviso;        // why the list is empty when it could not be read
  QLabel* Cifras;       // the queue's figures: pending and failed events and their ages

  // Reads the list again, keeping the current event when it is still there.
  void leer();
  // "Borrar": the current event, after the operator's Yes.
  void borrar();
  // "Reenviar": after the operator's Yes, a fresh event for the document of each
  // selected event that was sent or failed (its own letter when it deletes or annuls,
  // else a copy), unless the document already has a pending event.
  void reenviar();
  // "&Guardar selección".
  void guardarSeleccion();

 protected:
  void changeEvent(QEvent* e) override;

 private:
  void fallo(const QString& que, const std::exception& e);
  void leerCifras();
  void mostrarEnviados();

  Origen origen_;
  db::Connection bd_;
  bool socio_;  // the list is the partner's queue
  Ajustes ajustes_;
  ModeloLista* modelo_;
  Rejilla* rejilla_;
};

// The texts of "Reenviar".
inline constexpr const char* kNadaQueReenviar =
    "Seleccione eventos ya enviados o con error: los pendientes ya van camino de su destino.";
inline constexpr const char* kAjenoNoSeReenvia =
    "no va dirigido a esta compañía: lo reenvía la compañía asociada";
QString preguntaReenviar(int documentos, const QString& documento);
QString resultadoReenviar(int encolados, int pendientes, const QStringList& fallos);

}  // namespace monitor
