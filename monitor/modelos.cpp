#include "monitor/modelos.h"

#include <QBrush>
#include <QPalette>

#include "db/connection.h"
#include "db/error.h"
#include "monitor/texto.h"

namespace monitor {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// A value as the list shows it: the suite's text decoded.
QString mostrado(const db::Value& v) { return desde_suite(v.as_text()); }

QString texto_tipo(const Tipos& tipos, const db::Value& codigo) {
  if (codigo.is_null()) return {};
  try {
    auto it = tipos.find(codigo.as_integer());
    return it == tipos.end() ? QString() : q(it->second);
  } catch (const db::ConversionError&) {
    return {};
  }
}

QVariant clave_orden(const db::Value& v) {
  if (v.kind() == db::Value::Kind::Integer) return QVariant::fromValue<qlonglong>(v.int_value());
  return {};
}

}  // namespace

Tipos leer_tipos(db::Connection& c) {
  db::Rows r = c.query("SELECT TIDO_COD, TIDO_NOMCORTO FROM TIPO_DOCUMENTO ORDER BY TIDO_COD");
  Tipos t;
  for (std::size_t i = 0; i < r.size(); ++i)
    t[r.at(i, 0).as_integer()] = plataforma::desde_suite(r.at(i, 1).as_text());
  return t;
}

// ---- read-only list -------------------------------------------------------------------

ModeloLista::ModeloLista(std::vector<Columna> columnas, QObject* parent)
    : QAbstractTableModel(parent), columnas_(std::move(columnas)) {}

void ModeloLista::cargar(db::Rows filas, Tipos tipos) {
  beginResetModel();
  campos_ = filas.columns();
  posiciones_.clear();
  if (!campos_.empty())
    for (const Columna& c : columnas_)
      posiciones_.push_back(static_cast<int>(filas.column(c.campo)));
  filas_ = filas.take_rows();
  tipos_ = std::move(tipos);
  endResetModel();
}

const db::Value& ModeloLista::valor(int fila, std::string_view campo) const {
  return filas_.at(fila).at(db::find_column(campos_, campo));
}

db::Rows ModeloLista::fila(int f) const { return db::Rows(campos_, {filas_.at(f)}); }

int ModeloLista::rowCount(const QModelIndex& p) const {
  return p.isValid() ? 0 : static_cast<int>(filas_.size());
}
int ModeloLista::columnCount(const QModelIndex& p) const {
  return p.isValid() ? 0 : static_cast<int>(columnas_.size());
}

QVariant ModeloLista::data(const QModelIndex& i, int rol) const {
  if (!i.isValid()) return {};
  const db::Value& v = filas_[i.row()][posiciones_[i.column()]];
  const Columna& c = columnas_[i.column()];
  switch (rol) {
    case Qt::DisplayRole:
      return c.clase == Columna::Tipo ? texto_tipo(tipos_, v) : mostrado(v);
    case Qt::ToolTipRole:
      return v.as_text().size() > 40 ? mostrado(v) : QVariant();
    case Qt::UserRole:
      return c.clase == Columna::Tipo ? QVariant() : clave_orden(v);
    default:
      return {};
  }
}

QVariant ModeloLista::headerData(int s, Qt::Orientation o, int rol) const {
  if (o == Qt::Horizontal && rol == Qt::DisplayRole && s >= 0 && s < columnCount())
    return columnas_[s].titulo;
  return QAbstractTableModel::headerData(s, o, rol);
}

bool ModeloLista::removeRows(int fila, int cuantas, const QModelIndex& p) {
  if (p.isValid() || fila < 0 || cuantas <= 0 || fila + cuantas > rowCount()) return false;
  beginRemoveRows({}, fila, fila + cuantas - 1);
  filas_.erase(filas_.begin() + fila, filas_.begin() + fila + cuantas);
  endRemoveRows();
  return true;
}

// ---- editable list --------------------------------------------------------------------

ModeloEdicion::ModeloEdicion(std::vector<Columna> columnas, QObject* parent)
    : QAbstractTableModel(parent), columnas_(std::move(columnas)) {}

void ModeloEdicion::cargar(db::TargetSet filas, Tipos tipos) {
  beginResetModel();
  filas_.emplace(std::move(filas));
  tipos_ = std::move(tipos);
  antes_.clear();
  nuevas_.clear();
  endResetModel();
}

bool ModeloEdicion::hayCambios() const { return filas_ && filas_->has_changes(); }

std::size_t ModeloEdicion::posicion(int columna) const {
  return filas_->column(columnas_[columna].campo);
}

int ModeloEdicion::rowCount(const QModelIndex& p) const {
  return p.isValid() || !filas_ ? 0 : static_cast<int>(filas_->size());
}
int ModeloEdicion::columnCount(const QModelIndex& p) const {
  return p.isValid() ? 0 : static_cast<int>(columnas_.size());
}

QVariant ModeloEdicion::data(const QModelIndex& i, int rol) const {
  if (!i.isValid() || !filas_) return {};
  const db::Value& v = filas_->value(i.row(), posicion(i.column()));
  const Columna& c = columnas_[i.column()];
  if (c.clase == Columna::Activa) {
    if (rol == Qt::CheckStateRole) return v.as_text() == "S" ? Qt::Checked : Qt::Unchecked;
    if (rol == Qt::TextAlignmentRole) return Qt::AlignCenter;
    return {};
  }
  switch (rol) {
    case Qt::DisplayRole:
      return c.clase == Columna::Tipo ? texto_tipo(tipos_, v) : mostrado(v);
    case Qt::EditRole:
      return c.clase == Columna::Tipo ? QVariant(texto_tipo(tipos_, v)) : QVariant(mostrado(v));
    case Qt::UserRole:
      return c.clase == Columna::Tipo ? QVariant() : clave_orden(v);
    default:
      return {};
  }
}

QVariant ModeloEdicion::headerData(int s, Qt::Orientation o, int rol) const {
  if (o == Qt::Horizontal && rol == Qt::DisplayRole && s >= 0 && s < columnCount())
    return columnas_[s].titulo;
  if (o == Qt::Vertical && rol == Qt::DisplayRole)
    return nuevas_.count(s) ? QStringLiteral("*")
                            : (antes_.count(s) ? QStringLiteral("✎") : QString());
  return QAbstractTableModel::headerData(s, o, rol);
}

Qt::ItemFlags ModeloEdicion::flags(const QModelIndex& i) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(i);
  if (!i.isValid()) return f;
  if (columnas_[i.column()].clase == Columna::Activa) return f | Qt::ItemIsUserCheckable;
  return f | Qt::ItemIsEditable;
}

bool ModeloEdicion::setData(const QModelIndex& i, const QVariant& v, int rol) {
  if (!i.isValid() || !filas_) return false;
  const Columna& c = columnas_[i.column()];
  db::Value nuevo;
  if (c.clase == Columna::Activa) {
    if (rol != Qt::CheckStateRole) return false;
    nuevo = db::Value::text(v.value<Qt::CheckState>() == Qt::Checked ? "S" : "N");
  } else if (rol == Qt::EditRole) {
    if (c.clase == Columna::Tipo) {
      // The editor hands over the type code; a typed name is looked up.
      bool es_numero = false;
      const qlonglong codigo = v.toLongLong(&es_numero);
      if (v.typeId() == QMetaType::QString) {
        es_numero = false;
        for (const auto& [k, nombre] : tipos_)
          if (q(nombre) == v.toString()) {
            nuevo = db::Value::integer(k);
            es_numero = true;
          }
        if (!es_numero) return false;
      } else if (es_numero) {
        nuevo = db::Value::integer(codigo);
      } else {
        return false;
      }
    } else {
      // A cell left as it was shown is not a change: its bytes stay as they are, even
      // those the code page cannot show (one written back would be a "?").
      const QString escrito = v.toString();
      if (escrito == data(i, Qt::EditRole).toString()) return true;
      const std::optional<std::string> s = hacia_suite_exacto(escrito);
      if (!s) {
        const db::ConversionError e(
            plataforma::textos::sin_caracter_en_pagina(plataforma::pagina_suite().nombre()));
        emit rechazo(QStringLiteral("Valor no aceptado en «%1»: %2").arg(c.titulo, q(e.what())), e);
        return false;
      }
      nuevo = s->empty() ? db::Value() : db::Value::text(*s);
    }
  } else {
    return false;
  }
  const std::size_t col = posicion(i.column());
  if (filas_->value(i.row(), col) == nuevo) return true;
  try {
    const std::vector<db::Value> antes = [&] {
      std::vector<db::Value> r;
      for (std::size_t k = 0; k < filas_->column_count(); ++k)
        r.push_back(filas_->value(i.row(), k));
      return r;
    }();
    filas_->set(i.row(), col, nuevo);
    if (!antes_.count(i.row()) && !nuevas_.count(i.row())) {
      antes_[i.row()] = antes;
      emit headerDataChanged(Qt::Vertical, i.row(), i.row());
    }
  } catch (const std::exception& e) {
    emit rechazo(QStringLiteral("Valor no aceptado en «%1»: %2").arg(c.titulo, q(e.what())), e);
    return false;
  }
  emit dataChanged(i.siblingAtColumn(0), i.siblingAtColumn(columnCount() - 1));
  return true;
}

void ModeloEdicion::correr(int desde, int delta) {
  auto mover = [&](auto& mapa) {
    std::remove_reference_t<decltype(mapa)> otro;
    for (auto& [f, v] : mapa) otro[f >= desde ? f + delta : f] = std::move(v);
    mapa = std::move(otro);
  };
  mover(antes_);
  mover(nuevas_);
}

int ModeloEdicion::insertar() {
  if (!filas_) return -1;
  const int fila = rowCount();
  beginInsertRows({}, fila, fila);
  filas_->append();
  nuevas_[fila] = true;
  endInsertRows();
  return fila;
}

void ModeloEdicion::borrar(int fila) {
  if (!filas_ || fila < 0 || fila >= rowCount()) return;
  beginRemoveRows({}, fila, fila);
  filas_->remove(fila);
  antes_.erase(fila);
  nuevas_.erase(fila);
  correr(fila + 1, -1);
  endRemoveRows();
}

bool ModeloEdicion::confirmar(int fila) {
  if (!filas_ || fila < 0 || fila >= rowCount()) return false;
  try {
    filas_->post(fila);
  } catch (const std::exception& e) {
    emit rechazo(QStringLiteral("El registro no se puede confirmar: %1").arg(q(e.what())), e);
    return false;
  }
  antes_.erase(fila);
  nuevas_.erase(fila);
  emit headerDataChanged(Qt::Vertical, fila, fila);
  return true;
}

void ModeloEdicion::cancelar(int fila) {
  if (!filas_ || fila < 0 || fila >= rowCount()) return;
  if (nuevas_.count(fila)) {
    borrar(fila);
    return;
  }
  auto it = antes_.find(fila);
  if (it == antes_.end()) return;
  for (std::size_t c = 0; c < it->second.size(); ++c)
    if (!(filas_->value(fila, c) == it->second[c])) filas_->set(fila, c, it->second[c]);
  antes_.erase(it);
  emit dataChanged(index(fila, 0), index(fila, columnCount() - 1));
  emit headerDataChanged(Qt::Vertical, fila, fila);
}

}  // namespace monitor
