#include "monitor/rejilla.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace monitor {

namespace {

struct BotonNavegador {
  Navegador::Boton boton;
  const char* nombre;
  const char* texto;
  const char* ayuda;
};
const BotonNavegador kBotones[] = {
    {Navegador::Primero, "Primero", "|◀", "Primer registro"},
    {Navegador::Anterior, "Anterior", "◀", "Registro anterior"},
    {Navegador::Siguiente, "Siguiente", "▶", "Registro siguiente"},
    {Navegador::Ultimo, "Ultimo", "▶|", "Último registro"},
    {Navegador::Insertar, "Insertar", "+", "Insertar registro"},
    {Navegador::Borrar, "BorrarFila", "−", "Borrar registro"},
    {Navegador::Editar, "Editar", "✎", "Editar registro"},
    {Navegador::Grabar, "GrabarFila", "✓", "Confirmar cambios del registro"},
    {Navegador::Cancelar, "CancelarFila", "✗", "Cancelar cambios del registro"},
    {Navegador::Refrescar, "Refrescar", "⟳", "Actualizar datos"},
};

bool esEntero(const QVariant& v) {
  return v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int;
}

}  // namespace

// ---- navigator -------------------------------------------------------------------------

Navegador::Navegador(int botones, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Navegador"));
  auto* h = new QHBoxLayout(this);
  h->setContentsMargins(0, 0, 0, 0);
  h->setSpacing(2);
  for (const BotonNavegador& b : kBotones) {
    if (!(botones & b.boton)) continue;
    auto* p = new QPushButton(QString::fromUtf8(b.texto), this);
    p->setObjectName(QString::fromLatin1(b.nombre));
    p->setToolTip(QString::fromUtf8(b.ayuda));
    p->setFocusPolicy(Qt::NoFocus);  // an open cell editor keeps its focus until committed
    p->setFixedWidth(p->fontMetrics().horizontalAdvance(QStringLiteral("▶|")) + 22);
    connect(p, &QPushButton::clicked, this, [this, b = b.boton] { emit pulsado(b); });
    h->addWidget(p);
    botones_.emplace_back(b.boton, p);
  }
  h->addStretch(1);
}

QPushButton* Navegador::boton(Boton b) const {
  for (const auto& [k, p] : botones_)
    if (k == b) return p;
  return nullptr;
}

// ---- proxy -------------------------------------------------------------------------------

void FiltroFilas::ponerClaves(std::vector<Clave> claves) {
  claves_ = std::move(claves);
  invalidate();
  sort(claves_.empty() ? -1 : 0, Qt::AscendingOrder);
}

void FiltroFilas::ponerFiltro(int columna, const QString& texto) {
  if (columna < 0) return;
  if (static_cast<int>(filtros_.size()) <= columna) filtros_.resize(columna + 1);
  filtros_[columna] = texto;
  if (activos_) invalidateRowsFilter();
}

void FiltroFilas::activarFiltros(bool activos) {
  activos_ = activos;
  invalidateRowsFilter();
}

bool FiltroFilas::filterAcceptsRow(int fila, const QModelIndex& padre) const {
  if (!activos_) return true;
  for (int c = 0; c < static_cast<int>(filtros_.size()); ++c) {
    if (filtros_[c].isEmpty()) continue;
    const QString texto = sourceModel()->index(fila, c, padre).data(Qt::DisplayRole).toString();
    if (!texto.contains(filtros_[c], Qt::CaseInsensitive)) return false;
  }
  return true;
}

bool FiltroFilas::lessThan(const QModelIndex& a, const QModelIndex& b) const {
  for (const Clave& k : claves_) {
    const QModelIndex ia = a.sibling(a.row(), k.columna), ib = b.sibling(b.row(), k.columna);
    const QVariant va = ia.data(Qt::UserRole), vb = ib.data(Qt::UserRole);
    int c;
    if (esEntero(va) && esEntero(vb)) {
      const qlonglong x = va.toLongLong(), y = vb.toLongLong();
      c = x < y ? -1 : (x > y ? 1 : 0);
    } else {
      c = QString::compare(ia.data(Qt::DisplayRole).toString(), ib.data(Qt::DisplayRole).toString(),
                           Qt::CaseInsensitive);
    }
    if (c != 0) return k.orden == Qt::AscendingOrder ? c < 0 : c > 0;
  }
  return a.row() < b.row();  // equal keys keep the order read
}

// ---- find dialog -------------------------------------------------------------------------

namespace {

class DialogoBuscar : public QDialog {
 public:
  DialogoBuscar(Rejilla* rejilla, const QString& texto, int columna) : QDialog(rejilla) {
    setObjectName(QStringLiteral("Buscar"));
    setWindowTitle(QStringLiteral("Buscar"));
    texto_ = new QLineEdit(texto, this);
    texto_->setObjectName(QStringLiteral("TextoBuscar"));
    columna_ = new QComboBox(this);
    columna_->addItem(QStringLiteral("Todas las columnas"), -1);
    QAbstractItemModel* m = rejilla->proxy();
    for (int c = 0; c < m->columnCount(); ++c)
      columna_->addItem(m->headerData(c, Qt::Horizontal).toString(), c);
    columna_->setCurrentIndex(std::max(0, columna_->findData(columna)));
    resultado_ = new QLabel(this);
    auto* siguiente = new QPushButton(QStringLiteral("Buscar &siguiente"), this);
    siguiente->setDefault(true);
    auto* cerrar = new QPushButton(QStringLiteral("&Cerrar"), this);
    auto* g = new QGridLayout(this);
    g->addWidget(new QLabel(QStringLiteral("Texto:"), this), 0, 0);
    g->addWidget(texto_, 0, 1, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("Columna:"), this), 1, 0);
    g->addWidget(columna_, 1, 1, 1, 2);
    g->addWidget(resultado_, 2, 0, 1, 3);
    g->addWidget(siguiente, 3, 1);
    g->addWidget(cerrar, 3, 2);
    connect(cerrar, &QPushButton::clicked, this, &QDialog::close);
    connect(siguiente, &QPushButton::clicked, this, [this, rejilla] {
      const QString t = texto_->text();
      if (t.isEmpty()) return;
      resultado_->setText(rejilla->buscarSiguiente(t, columna_->currentData().toInt())
                              ? QString()
                              : QStringLiteral("No se encontró «%1».").arg(t));
    });
  }

 private:
  QLineEdit* texto_;
  QComboBox* columna_;
  QLabel* resultado_;
};

}  // namespace

// ---- grid ---------------------------------------------------------------------------------

Rejilla::Rejilla(QAbstractItemModel* modelo, Opciones op, QWidget* parent)
    : QWidget(parent), modelo_(modelo) {
  setObjectName(QStringLiteral("Rejilla"));
  proxy_ = new FiltroFilas(this);
  proxy_->setSourceModel(modelo);
  proxy_->setDynamicSortFilter(true);

  vista_ = new QTableView(this);
  vista_->setObjectName(QStringLiteral("Lista"));
  vista_->setModel(proxy_);
  vista_->setSortingEnabled(false);  // the titles sort through ordenarPor
  vista_->setSelectionBehavior(op.editable ? QAbstractItemView::SelectItems
                                           : QAbstractItemView::SelectRows);
  vista_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  vista_->setEditTriggers(op.editable ? QAbstractItemView::DoubleClicked |
                                            QAbstractItemView::EditKeyPressed |
                                            QAbstractItemView::AnyKeyPressed
                                      : QAbstractItemView::NoEditTriggers);
  vista_->setWordWrap(false);
  vista_->setTextElideMode(Qt::ElideRight);
  vista_->setAlternatingRowColors(true);
  vista_->verticalHeader()->setDefaultSectionSize(vista_->fontMetrics().height() + 6);
  vista_->verticalHeader()->setVisible(op.editable);
  QHeaderView* h = vista_->horizontalHeader();
  h->setSectionsMovable(true);
  h->setSectionResizeMode(QHeaderView::Interactive);
  h->setSectionsClickable(true);
  h->setSortIndicatorShown(false);
  h->setHighlightSections(false);
  connect(h, &QHeaderView::sectionClicked, this,
          [this](int c) { ordenarPor(c, QApplication::keyboardModifiers() & Qt::ShiftModifier); });

  navegador_ = new Navegador(op.botones, this);
  connect(navegador_, &Navegador::pulsado, this, [this](int b) {
    if (b & Navegador::kMovimiento)
      mover(b);
    else
      emit accion(b);
  });

  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(2);
  if (op.filtros) {
    activar_ = new QCheckBox(QStringLiteral("Activar filtros"), this);
    activar_->setObjectName(QStringLiteral("ActivarFiltros"));
    filaFiltros_ = new QWidget(this);
    filaFiltros_->setObjectName(QStringLiteral("FilaFiltros"));
    for (int c = 0; c < modelo->columnCount(); ++c) {
      auto* e = new QLineEdit(filaFiltros_);
      e->setObjectName(QStringLiteral("Filtro%1").arg(c));
      e->setPlaceholderText(QStringLiteral("filtro"));
      e->setClearButtonEnabled(true);
      connect(e, &QLineEdit::textChanged, this,
              [this, c](const QString& t) { proxy_->ponerFiltro(c, t); });
      filtros_.push_back(e);
    }
    filaFiltros_->setFixedHeight(filtros_.empty() ? 0 : filtros_[0]->sizeHint().height());
    filaFiltros_->hide();
    connect(activar_, &QCheckBox::toggled, this, [this](bool on) {
      filaFiltros_->setVisible(on);
      proxy_->activarFiltros(on);
      colocarFiltros();
    });
    connect(h, &QHeaderView::sectionResized, this, &Rejilla::colocarFiltros);
    connect(h, &QHeaderView::sectionMoved, this, &Rejilla::colocarFiltros);
    connect(h, &QHeaderView::geometriesChanged, this, &Rejilla::colocarFiltros);
    connect(vista_->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &Rejilla::colocarFiltros);
    vista_->installEventFilter(this);
    v->addWidget(activar_);
    v->addWidget(filaFiltros_);
  }
  v->addWidget(vista_, 1);
  v->addWidget(navegador_);

  if (op.menu) {
    menu_ = new QMenu(this);
    QAction* copiar = menu_->addAction(QStringLiteral("&Copiar"), this, &Rejilla::copiar);
    copiar->setShortcut(QKeySequence::Copy);
    QAction* todo =
        menu_->addAction(QStringLiteral("Se&lecccionar todo"), this, &Rejilla::seleccionarTodo);
    todo->setShortcut(QKeySequence::SelectAll);
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("&Guardar selección"), this, &Rejilla::guardarSeleccion);
    vista_->addAction(copiar);
    vista_->addAction(todo);
    for (QAction* a : {copiar, todo}) a->setShortcutContext(Qt::WidgetShortcut);
    vista_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(vista_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { menu_->popup(vista_->viewport()->mapToGlobal(p)); });
  }
  auto* buscar = new QShortcut(QKeySequence::Find, this, this, &Rejilla::abrirBuscar);
  buscar->setContext(Qt::WidgetWithChildrenShortcut);
  auto* siguiente = new QShortcut(QKeySequence::FindNext, this, this, [this] {
    if (!ultimaBusqueda_.isEmpty()) buscarSiguiente(ultimaBusqueda_, ultimaColumna_);
  });
  siguiente->setContext(Qt::WidgetWithChildrenShortcut);
}

QLineEdit* Rejilla::filtro(int columna) const {
  if (columna < 0 || columna >= static_cast<int>(filtros_.size())) return nullptr;
  return filtros_[columna];
}

int Rejilla::filaActual() const {
  const QModelIndex i = vista_->currentIndex();
  return i.isValid() ? proxy_->mapToSource(i).row() : -1;
}

void Rejilla::irAFila(int filaModelo) {
  const QModelIndex i = proxy_->mapFromSource(modelo_->index(filaModelo, 0));
  if (!i.isValid()) return;
  const int columna = std::max(0, vista_->currentIndex().column());
  vista_->setCurrentIndex(i.sibling(i.row(), columna));
  vista_->scrollTo(i);
}

void Rejilla::mover(int boton) {
  const int n = proxy_->rowCount();
  if (n == 0) return;
  int fila = vista_->currentIndex().isValid() ? vista_->currentIndex().row() : -1;
  switch (boton) {
    case Navegador::Primero:
      fila = 0;
      break;
    case Navegador::Anterior:
      fila = std::max(0, fila - 1);
      break;
    case Navegador::Siguiente:
      fila = std::min(n - 1, fila + 1);
      break;
    case Navegador::Ultimo:
      fila = n - 1;
      break;
    default:
      return;
  }
  const int columna = std::max(0, vista_->currentIndex().column());
  vista_->setCurrentIndex(proxy_->index(fila, columna));
}

void Rejilla::ordenarPor(int columna, bool agregar) {
  std::vector<FiltroFilas::Clave> claves = proxy_->claves();
  auto it =
      std::find_if(claves.begin(), claves.end(), [&](auto& k) { return k.columna == columna; });
  if (agregar) {
    if (it != claves.end())
      it->orden = it->orden == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    else
      claves.push_back({columna, Qt::AscendingOrder});
  } else {
    Qt::SortOrder orden = Qt::AscendingOrder;
    if (!claves.empty() && claves.front().columna == columna &&
        claves.front().orden == Qt::AscendingOrder)
      orden = Qt::DescendingOrder;
    claves = {{columna, orden}};
  }
  proxy_->ponerClaves(claves);
  mostrarOrden();
}

// The header marks the first key; the tooltip lists all of them.
void Rejilla::mostrarOrden() {
  QHeaderView* h = vista_->horizontalHeader();
  const auto& claves = proxy_->claves();
  h->setSortIndicatorShown(!claves.empty());
  if (!claves.empty()) h->setSortIndicator(claves.front().columna, claves.front().orden);
  QStringList partes;
  for (const auto& k : claves)
    partes << proxy_->headerData(k.columna, Qt::Horizontal).toString() +
                  (k.orden == Qt::AscendingOrder ? QStringLiteral(" ↑") : QStringLiteral(" ↓"));
  h->setToolTip(partes.isEmpty()
                    ? QString()
                    : QStringLiteral("Ordenado por: ") + partes.join(QStringLiteral(", ")) +
                          QStringLiteral(" (Mayús+clic añade una columna)"));
}

std::vector<int> Rejilla::filasSeleccionadas() const {
  std::vector<int> vistas;
  for (const QModelIndex& i : vista_->selectionModel()->selectedIndexes())
    vistas.push_back(i.row());
  std::sort(vistas.begin(), vistas.end());
  vistas.erase(std::unique(vistas.begin(), vistas.end()), vistas.end());
  std::vector<int> out;
  for (int f : vistas) out.push_back(proxy_->mapToSource(proxy_->index(f, 0)).row());
  if (out.empty() && filaActual() >= 0) out.push_back(filaActual());
  return out;
}

Tabla Rejilla::seleccion() const {
  QHeaderView* h = vista_->horizontalHeader();
  std::vector<int> columnas;
  for (int visual = 0; visual < h->count(); ++visual) {
    const int c = h->logicalIndex(visual);
    if (!h->isSectionHidden(c)) columnas.push_back(c);
  }
  std::vector<int> filas;
  for (const QModelIndex& i : vista_->selectionModel()->selectedIndexes()) filas.push_back(i.row());
  std::sort(filas.begin(), filas.end());
  filas.erase(std::unique(filas.begin(), filas.end()), filas.end());

  Tabla t;
  for (int c : columnas)
    t.titulos.push_back(proxy_->headerData(c, Qt::Horizontal).toString().toStdString());
  for (int f : filas) {
    std::vector<std::string> fila;
    for (int c : columnas) fila.push_back(proxy_->index(f, c).data().toString().toStdString());
    t.filas.push_back(std::move(fila));
  }
  return t;
}

void Rejilla::copiar() const {
  const Tabla t = seleccion();
  if (t.filas.empty()) return;
  QString texto;
  for (const auto& fila : t.filas) {
    QStringList celdas;
    for (const auto& c : fila) celdas << QString::fromStdString(c);
    texto += celdas.join(QLatin1Char('\t')) + QLatin1Char('\n');
  }
  QApplication::clipboard()->setText(texto);
}

void Rejilla::seleccionarTodo() { vista_->selectAll(); }

bool Rejilla::buscarSiguiente(const QString& texto, int columna) {
  ultimaBusqueda_ = texto;
  ultimaColumna_ = columna;
  const int n = proxy_->rowCount();
  const int desde = vista_->currentIndex().isValid() ? vista_->currentIndex().row() : -1;
  for (int k = 1; k <= n; ++k) {
    const int f = (desde + k) % n;
    for (int c = 0; c < proxy_->columnCount(); ++c) {
      if (columna >= 0 && c != columna) continue;
      if (proxy_->index(f, c).data().toString().contains(texto, Qt::CaseInsensitive)) {
        vista_->setCurrentIndex(proxy_->index(f, c));
        vista_->scrollTo(proxy_->index(f, c));
        return true;
      }
    }
  }
  return false;
}

void Rejilla::abrirBuscar() {
  auto* d = new DialogoBuscar(this, ultimaBusqueda_, ultimaColumna_);
  d->setAttribute(Qt::WA_DeleteOnClose);
  d->show();
}

bool Rejilla::eventFilter(QObject* o, QEvent* e) {
  if (o == vista_ && (e->type() == QEvent::Resize || e->type() == QEvent::Show)) colocarFiltros();
  return QWidget::eventFilter(o, e);
}

// Each filter box sits above its column, following moves, resizes and scrolling.
void Rejilla::colocarFiltros() {
  if (!filaFiltros_ || !filaFiltros_->isVisible()) return;
  QHeaderView* h = vista_->horizontalHeader();
  const int x0 = vista_->frameWidth() +
                 (vista_->verticalHeader()->isVisible() ? vista_->verticalHeader()->width() : 0);
  for (int c = 0; c < static_cast<int>(filtros_.size()); ++c) {
    QLineEdit* e = filtros_[c];
    if (h->isSectionHidden(c)) {
      e->hide();
      continue;
    }
    e->setGeometry(x0 + h->sectionViewportPosition(c), 0, h->sectionSize(c),
                   filaFiltros_->height());
    e->show();
  }
}

}  // namespace monitor
