#pragma once
// Table models of the monitoring windows: a read-only list of fetched rows, and an
// editable list over a cached result set whose changes stay in memory until applied.

#include <QAbstractTableModel>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "db/rows.h"
#include "db/target_set.h"

namespace monitor {

// Document type names (TIDO_COD -> TIDO_NOMCORTO, decoded) of TIPO_DOCUMENTO, in code order.
using Tipos = std::map<std::int64_t, std::string>;
Tipos leer_tipos(db::Connection& c);

// A column shown: a field of the rows, or the type name looked up from a type field.
struct Columna {
  QString titulo;
  std::string campo;
  enum Clase { Texto, Activa, Tipo } clase = Texto;
};

// Read-only rows. Removing rows takes them out of the list only.
class ModeloLista : public QAbstractTableModel {
  Q_OBJECT

 public:
  ModeloLista(std::vector<Columna> columnas, QObject* parent);
  void cargar(db::Rows filas, Tipos tipos);
  // A field of a row (any field the query returned, shown or not).
  const db::Value& valor(int fila, std::string_view campo) const;
  // One row with every field the query returned, as a result of its own.
  db::Rows fila(int fila) const;

  int rowCount(const QModelIndex& = {}) const override;
  int columnCount(const QModelIndex& = {}) const override;
  QVariant data(const QModelIndex& i, int rol) const override;
  QVariant headerData(int s, Qt::Orientation o, int rol) const override;
  bool removeRows(int fila, int cuantas, const QModelIndex& = {}) override;

 private:
  std::vector<Columna> columnas_;
  std::vector<db::Column> campos_;
  std::vector<std::vector<db::Value>> filas_;
  std::vector<int> posiciones_;  // field position of every column shown
  Tipos tipos_;
};

// Rows of a cached result set, edited in memory. Cells show the suite's text decoded;
// a cell the operator changed takes the code page's bytes of what was typed, and one
// left as shown is never written. A rejected value or row (a character the code page
// lacks, a required column left empty) goes to `rechazo` and leaves the row as it was.
class ModeloEdicion : public QAbstractTableModel {
  Q_OBJECT

 public:
  ModeloEdicion(std::vector<Columna> columnas, QObject* parent);
  void cargar(db::TargetSet filas, Tipos tipos);
  db::TargetSet* filas() { return filas_ ? &*filas_ : nullptr; }
  const Tipos& tipos() const { return tipos_; }
  bool hayCambios() const;

  // Navigator actions on one row.
  int insertar();
  void borrar(int fila);
  bool confirmar(int fila);  // checks the required columns
  void cancelar(int fila);   // undoes the row's changes since it was last confirmed

  int rowCount(const QModelIndex& = {}) const override;
  int columnCount(const QModelIndex& = {}) const override;
  QVariant data(const QModelIndex& i, int rol) const override;
  QVariant headerData(int s, Qt::Orientation o, int rol) const override;
  Qt::ItemFlags flags(const QModelIndex& i) const override;
  bool setData(const QModelIndex& i, const QVariant& v, int rol) override;

 signals:
  void rechazo(const QString& mensaje, const std::exception& e);

 private:
  std::size_t posicion(int columna) const;
  void correr(int desde, int delta);

  std::vector<Columna> columnas_;
  std::optional<db::TargetSet> filas_;
  Tipos tipos_;
  std::map<int, std::vector<db::Value>> antes_;  // rows changed since last confirmed
  std::map<int, bool> nuevas_;                   // rows inserted and not confirmed yet
};

}  // namespace monitor
