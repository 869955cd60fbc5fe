#pragma once
// What the two event browsers share: a read-only list of REPLICA_EVENTOS rows, re-read
// every time the window is activated, "Borrar" with its confirmation, and the context
// menu's copy, select all and "Guardar selección".

#include <QDialog>
#include <vector>

#include "db/connection.h"
#include "monitor/modelos.h"
#include "monitor/origen.h"
#include "monitor/rejilla.h"

class QLabel;
class QPushButton;

namespace monitor {

class VentanaEventos : public QDialog {
  Q_OBJECT

 public:
  struct Ajustes {
    QString titulo;
    std::string sql;
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
  QLabel* Aviso;   // why the list is empty when it could not be read
  QLabel* Cifras;  // the queue's figures: pending and failed events and their ages

  // Reads the list again, keeping the current event when it is still there.
  void leer();
  // "Borrar": the current event, after the operator's Yes.
  void borrar();
  // "&Guardar selección".
  void guardarSeleccion();

 protected:
  void changeEvent(QEvent* e) override;

 private:
  void fallo(const QString& que, const std::exception& e);
  void leerCifras();

  Origen origen_;
  db::Connection bd_;
  bool socio_;  // the list is the partner's queue
  Ajustes ajustes_;
  ModeloLista* modelo_;
  Rejilla* rejilla_;
};

}  // namespace monitor
