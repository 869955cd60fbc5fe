#pragma once
// What the two settings editors share: a cached, editable list of one table of the
// local company database. Edits, inserts and deletions stay in memory; "Grabar" writes
// them all in one apply and closes; "Cancelar" and the close box discard them.

#include <QDialog>
#include <vector>

#include "db/connection.h"
#include "monitor/modelos.h"
#include "monitor/origen.h"
#include "monitor/rejilla.h"

class QLabel;
class QPushButton;

namespace monitor {

class VentanaAjustes : public QDialog {
  Q_OBJECT

 public:
  struct Ajustes {
    QString titulo;
    std::string sql;
    std::vector<Columna> columnas;
    bool tipos = false;  // the list looks up document type names
  };

  VentanaAjustes(Origen origen, Ajustes ajustes, QWidget* parent);

  Rejilla* rejilla() const { return rejilla_; }
  ModeloEdicion* modelo() const { return modelo_; }
  QPushButton* Grabar;
  QPushButton* Cancelar;
  QLabel* Aviso;  // the last value or row refused, or why nothing was saved

  // "Grabar": one apply of every pending change; the window closes when it succeeded
  // and stays open with the changes when it failed.
  void grabar();

 private:
  void leer();
  void accion(int boton);

  Origen origen_;
  db::Connection bd_;
  Ajustes ajustes_;
  ModeloEdicion* modelo_;
  Rejilla* rejilla_;
};

}  // namespace monitor
