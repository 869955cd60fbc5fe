#pragma once
// The grid every monitoring window uses: a model behind a sort-and-filter proxy, a
// table view with movable, resizable columns, sorting by several titles (a click
// sorts by that column, Shift+click adds it as a further key), incremental search
// (typing in the list), a find dialog (Ctrl+F, F3 for the next match), an optional
// filter row under the "Activar filtros" check box, an optional context menu, and
// the navigator below.

#include <QSortFilterProxyModel>
#include <QWidget>
#include <vector>

#include "monitor/exportar.h"

class QCheckBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

namespace monitor {

class Navegador : public QWidget {
  Q_OBJECT

 public:
  enum Boton {
    Primero = 1 << 0,
    Anterior = 1 << 1,
    Siguiente = 1 << 2,
    Ultimo = 1 << 3,
    Insertar = 1 << 4,
    Borrar = 1 << 5,
    Editar = 1 << 6,
    Grabar = 1 << 7,
    Cancelar = 1 << 8,
    Refrescar = 1 << 9,
  };
  static constexpr int kMovimiento = Primero | Anterior | Siguiente | Ultimo;

  Navegador(int botones, QWidget* parent);
  // The button, or null when the navigator does not have it.
  QPushButton* boton(Boton b) const;

 signals:
  void pulsado(int boton);

 private:
  std::vector<std::pair<Boton, QPushButton*>> botones_;
};

// Filters on the text of each column (all must match, case ignored) and sorts by a
// list of keys; integers (Qt::UserRole) compare as numbers.
class FiltroFilas : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  struct Clave {
    int columna;
    Qt::SortOrder orden;
  };
  using QSortFilterProxyModel::QSortFilterProxyModel;

  void ponerClaves(std::vector<Clave> claves);
  const std::vector<Clave>& claves() const { return claves_; }
  void ponerFiltro(int columna, const QString& texto);
  void activarFiltros(bool activos);
  bool filtrosActivos() const { return activos_; }

 protected:
  bool filterAcceptsRow(int fila, const QModelIndex& padre) const override;
  bool lessThan(const QModelIndex& a, const QModelIndex& b) const override;

 private:
  std::vector<Clave> claves_;
  std::vector<QString> filtros_;
  bool activos_ = false;
};

class Rejilla : public QWidget {
  Q_OBJECT

 public:
  struct Opciones {
    int botones = Navegador::kMovimiento | Navegador::Refrescar;
    bool filtros = false;  // the "Activar filtros" check box and the filter row
    bool menu = false;     // "&Copiar", "Se&lecccionar todo", "&Guardar selección"
    bool editable = false;
  };

  Rejilla(QAbstractItemModel* modelo, Opciones opciones, QWidget* parent);

  QTableView* vista() const { return vista_; }
  FiltroFilas* proxy() const { return proxy_; }
  Navegador* navegador() const { return navegador_; }
  QCheckBox* activarFiltros() const { return activar_; }  // null without filters
  QLineEdit* filtro(int columna) const;                   // null without filters
  QMenu* menu() const { return menu_; }                   // null without menu

  // The model row of the current row, or -1.
  int filaActual() const;
  void irAFila(int filaModelo);
  // Sorts by `columna`; with `agregar` it becomes a further key (or changes its
  // direction when it already is one).
  void ordenarPor(int columna, bool agregar);
  // The selected rows in the order shown, the columns in the order shown, with titles.
  Tabla seleccion() const;
  // The model rows of the selected rows in the order shown; the current row when none
  // is selected.
  std::vector<int> filasSeleccionadas() const;
  void copiar() const;
  void seleccionarTodo();
  // Moves to the next row (after the current one, wrapping) where `texto` is part of
  // the column (or of any column when -1); false when no row has it.
  bool buscarSiguiente(const QString& texto, int columna = -1);
  void abrirBuscar();

 signals:
  // A navigator button the grid does not handle itself (everything but moving).
  void accion(int boton);
  void guardarSeleccion();

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void mover(int boton);
  void colocarFiltros();
  void mostrarOrden();

  QAbstractItemModel* modelo_;
  FiltroFilas* proxy_;
  QTableView* vista_;
  Navegador* navegador_;
  QCheckBox* activar_ = nullptr;
  QWidget* filaFiltros_ = nullptr;
  std::vector<QLineEdit*> filtros_;
  QMenu* menu_ = nullptr;
  QString ultimaBusqueda_;
  int ultimaColumna_ = -1;
};

}  // namespace monitor
