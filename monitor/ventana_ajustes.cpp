#include "monitor/ventana_ajustes.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace monitor {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// The document type column is chosen from TIPO_DOCUMENTO by its short name.
class DelegadoTipo : public QStyledItemDelegate {
 public:
  DelegadoTipo(const ModeloEdicion* modelo, QObject* parent)
      : QStyledItemDelegate(parent), modelo_(modelo) {}

  QWidget* createEditor(QWidget* padre, const QStyleOptionViewItem&,
                        const QModelIndex&) const override {
    auto* c = new QComboBox(padre);
    for (const auto& [codigo, nombre] : modelo_->tipos())
      c->addItem(q(nombre), QVariant::fromValue<qlonglong>(codigo));
    return c;
  }
  void setEditorData(QWidget* editor, const QModelIndex& i) const override {
    auto* c = static_cast<QComboBox*>(editor);
    c->setCurrentIndex(c->findText(i.data(Qt::EditRole).toString()));
  }
  void setModelData(QWidget* editor, QAbstractItemModel* m, const QModelIndex& i) const override {
    auto* c = static_cast<QComboBox*>(editor);
    if (c->currentIndex() >= 0) m->setData(i, c->currentData(), Qt::EditRole);
  }

 private:
  const ModeloEdicion* modelo_;
};

// Hands the first failure to the central error handler and keeps its text for the
// operator.
class Sumidero : public db::ApplyErrorSink {
 public:
  explicit Sumidero(errors::ManejadorErrores* central) : central_(central) {}
  void apply_failed(const std::exception& e) override {
    mensaje = e.what();
    if (central_) central_->apply_failed(e);
  }
  std::string mensaje;

 private:
  errors::ManejadorErrores* central_;
};

}  // namespace

VentanaAjustes::VentanaAjustes(Origen origen, Ajustes ajustes, QWidget* parent)
    : QDialog(parent), origen_(std::move(origen)), bd_("Ajustes"), ajustes_(std::move(ajustes)) {
  setWindowTitle(ajustes_.titulo);
  bd_.set_params(origen_.local);
  modelo_ = new ModeloEdicion(ajustes_.columnas, this);
  rejilla_ = new Rejilla(modelo_,
                         {.botones = Navegador::kMovimiento | Navegador::Insertar |
                                     Navegador::Borrar | Navegador::Editar | Navegador::Grabar |
                                     Navegador::Cancelar | Navegador::Refrescar,
                          .editable = true},
                         this);
  for (int c = 0; c < static_cast<int>(ajustes_.columnas.size()); ++c)
    if (ajustes_.columnas[c].clase == Columna::Tipo)
      rejilla_->vista()->setItemDelegateForColumn(c, new DelegadoTipo(modelo_, this));

  Grabar = new QPushButton(QStringLiteral("Grabar"), this);
  Grabar->setObjectName(QStringLiteral("Grabar"));
  Cancelar = new QPushButton(QStringLiteral("Cancelar"), this);
  Cancelar->setObjectName(QStringLiteral("Cancelar"));
  for (QPushButton* b : {Grabar, Cancelar}) b->setAutoDefault(false);
  Aviso = new QLabel(this);
  Aviso->setObjectName(QStringLiteral("Aviso"));
  Aviso->setWordWrap(true);
  Aviso->setStyleSheet(QStringLiteral("color: #a00000;"));
  Aviso->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  auto* botones = new QHBoxLayout;
  botones->addWidget(Aviso, 1);
  botones->addWidget(Grabar);
  botones->addWidget(Cancelar);
  auto* v = new QVBoxLayout(this);
  v->addWidget(rejilla_, 1);
  v->addLayout(botones);

  connect(Grabar, &QPushButton::clicked, this, &VentanaAjustes::grabar);
  connect(Cancelar, &QPushButton::clicked, this, &QDialog::reject);
  connect(rejilla_, &Rejilla::accion, this, &VentanaAjustes::accion);
  connect(modelo_, &ModeloEdicion::rechazo, this,
          [this](const QString& m, const std::exception& e) {
            Aviso->setText(m);
            // A refused value is a client-side error: logged and answered with a beep.
            if (origen_.errores) origen_.errores->ManejarClientError(e);
          });

  leer();
  rejilla_->vista()->resizeColumnsToContents();
  QHeaderView* h = rejilla_->vista()->horizontalHeader();
  for (int c = 0; c < modelo_->columnCount(); ++c)
    h->resizeSection(c, std::max(h->sectionSize(c) + 14, 70));
  resize(720, 380);
}

void VentanaAjustes::leer() {
  try {
    Tipos tipos = ajustes_.tipos ? leer_tipos(bd_) : Tipos{};
    modelo_->cargar(bd_.open(ajustes_.sql), std::move(tipos));
    Aviso->clear();
  } catch (const std::exception& e) {
    bd_.disconnect();
    if (origen_.no_manejada) origen_.no_manejada(e);
    Aviso->setText(QStringLiteral("No se pudo leer la lista: ") + q(e.what()));
  }
}

void VentanaAjustes::accion(int boton) {
  const int fila = rejilla_->filaActual();
  switch (boton) {
    case Navegador::Insertar: {
      const int nueva = modelo_->insertar();
      if (nueva < 0) return;
      rejilla_->irAFila(nueva);
      rejilla_->vista()->edit(rejilla_->vista()->currentIndex());
      break;
    }
    case Navegador::Borrar:
      modelo_->borrar(fila);
      break;
    case Navegador::Editar:
      rejilla_->vista()->edit(rejilla_->vista()->currentIndex());
      break;
    case Navegador::Grabar:
      if (modelo_->confirmar(fila)) Aviso->clear();
      break;
    case Navegador::Cancelar:
      modelo_->cancelar(fila);
      break;
    case Navegador::Refrescar: {
      QMessageBox box(QMessageBox::Question, windowTitle(),
                      QStringLiteral("Los cambios sin grabar se perderán. ¿Desea leer la lista "
                                     "de nuevo?"),
                      QMessageBox::Yes | QMessageBox::No, this);
      box.button(QMessageBox::Yes)->setText(QStringLiteral("&Sí"));
      box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
      if (!modelo_->hayCambios() || box.exec() == QMessageBox::Yes) leer();
      break;
    }
    default:
      break;
  }
}

void VentanaAjustes::grabar() {
  db::TargetSet* filas = modelo_->filas();
  if (!filas) return;
  // The cycle reads these settings while it works; it must not see them change midway.
  if (origen_.ciclo_en_curso && origen_.ciclo_en_curso()) {
    Aviso->setText(QString::fromUtf8(kCicloEnCurso));
    return;
  }
  Sumidero sumidero(origen_.errores);
  if (filas->apply(sumidero) == 0) {
    accept();
    return;
  }
  Aviso->setText(QStringLiteral("No se grabaron los cambios: ") + q(sumidero.mensaje));
  QMessageBox::warning(this, windowTitle(),
                       QStringLiteral("No se grabaron los cambios: ") + q(sumidero.mensaje));
}

}  // namespace monitor
