#include "shell/principalauto.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace shell {

namespace {

// Until the first cycle has ended the timer waits half an hour.
constexpr int kIntervaloInicialMs = 30 * 60 * 1000;

constexpr int kColumnaCodigo = 0;
constexpr int kColumnaNombre = 1;

template <typename W>
W* crear(const char* nombre, QWidget* padre) {
  auto* w = new W(padre);
  w->setObjectName(QString::fromLatin1(nombre));
  return w;
}

QLabel* etiqueta(const QString& texto, QWidget* companero, QWidget* padre) {
  auto* l = new QLabel(texto, padre);
  l->setBuddy(companero);
  return l;
}

QLineEdit* edicion(const char* nombre, const QString& texto, QWidget* padre) {
  auto* e = crear<QLineEdit>(nombre, padre);
  e->setText(texto);
  return e;
}

QLineEdit* soloLectura(const char* nombre, QWidget* padre) {
  auto* e = crear<QLineEdit>(nombre, padre);
  e->setReadOnly(true);
  return e;
}

QPushButton* boton(const char* nombre, const QString& texto, QWidget* padre) {
  auto* b = crear<QPushButton>(nombre, padre);
  b->setText(texto);
  return b;
}

// Width for an edit that holds about `caracteres` digits.
int anchoDigitos(const QWidget* w, int caracteres) {
  return w->fontMetrics().horizontalAdvance(QLatin1Char('0')) * caracteres + 16;
}

// Long server paths and company names must not widen the window: the combos take a
// fixed minimum and stretch with the window.
void comboCompacto(QComboBox* c) {
  c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  c->setMinimumContentsLength(8);
  c->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

}  // namespace

void Tfprincipalauto::construirControles() {
  setWindowTitle(QStringLiteral("Envío de información"));

  // --- Origin -----------------------------------------------------------------------
  auto* origen = new QGroupBox(QStringLiteral("Origen"), this);

  SerOri1 = crear<QComboBox>("SerOri1", origen);
  SerOri1->setEditable(false);
  comboCompacto(SerOri1);

  LCiaOri = crear<QComboBox>("LCiaOri", origen);
  LCiaOri->setEditable(false);
  comboCompacto(LCiaOri);
  companias_ = new QStandardItemModel(0, 2, LCiaOri);
  companias_->setHorizontalHeaderLabels({QStringLiteral("Código"), QStringLiteral("Nombre")});
  auto* lista = new QTableView(LCiaOri);
  lista->setSelectionBehavior(QAbstractItemView::SelectRows);
  lista->setSelectionMode(QAbstractItemView::SingleSelection);
  lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lista->setShowGrid(false);
  lista->setWordWrap(false);
  lista->verticalHeader()->hide();
  lista->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  lista->verticalHeader()->setDefaultSectionSize(lista->fontMetrics().height() + 6);
  lista->horizontalHeader()->setHighlightSections(false);
  LCiaOri->setModel(companias_);
  LCiaOri->setView(lista);
  // The header has its columns once the view has the model.
  lista->horizontalHeader()->setSectionResizeMode(kColumnaCodigo, QHeaderView::ResizeToContents);
  lista->horizontalHeader()->setStretchLastSection(true);
  lista->setMinimumWidth(320);
  LCiaOri->setModelColumn(kColumnaNombre);
  LCiaOri->setCurrentIndex(-1);

  CboAgencia = crear<QComboBox>("CboAgencia", origen);
  CboAgencia->setEditable(false);
  comboCompacto(CboAgencia);

  Pref = edicion("Pref", QString(), origen);
  Pref->setFixedWidth(anchoDigitos(Pref, 8));

  auto* gOrigen = new QGridLayout(origen);
  gOrigen->addWidget(etiqueta(QStringLiteral("Servidor:"), SerOri1, origen), 0, 0);
  gOrigen->addWidget(SerOri1, 0, 1);
  gOrigen->addWidget(etiqueta(QStringLiteral("Compañía:"), LCiaOri, origen), 1, 0);
  gOrigen->addWidget(LCiaOri, 1, 1);
  gOrigen->addWidget(etiqueta(QStringLiteral("Agencia:"), CboAgencia, origen), 2, 0);
  gOrigen->addWidget(CboAgencia, 2, 1);
  gOrigen->addWidget(etiqueta(QStringLiteral("Prefijo a enviar:"), Pref, origen), 3, 0);
  gOrigen->addWidget(Pref, 3, 1, Qt::AlignLeft);
  gOrigen->setColumnStretch(1, 1);
  gOrigen->setRowStretch(4, 1);

  // --- Options of the cycle -----------------------------------------------------------
  auto* opciones = new QGroupBox(QStringLiteral("Opciones"), this);

  // Counts and minutes are whole numbers; an empty box stays allowed.
  auto* soloDigitos =
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
  Minut = edicion("Minut", QStringLiteral("1"), opciones);
  Edit2 = edicion("Edit2", QStringLiteral("500"), opciones);
  NroOp = edicion("NroOp", QStringLiteral("500"), opciones);
  for (QLineEdit* e : {Minut, Edit2, NroOp}) {
    e->setValidator(soloDigitos);
    // No more digits than the statements and the timer take (the cycle checks the value).
    e->setMaxLength(e == Minut ? 5 : 9);
    e->setFixedWidth(anchoDigitos(e, 6));
  }

  ckreciente = crear<QCheckBox>("ckreciente", opciones);
  ckreciente->setText(QStringLiteral("Enviar lo más reciente primero"));
  ckreciente->setChecked(false);
  CkError = crear<QCheckBox>("CkError", opciones);
  CkError->setText(QStringLiteral("No reintentar errores"));
  CkError->setChecked(false);

  auto* gOpciones = new QGridLayout(opciones);
  gOpciones->addWidget(etiqueta(QStringLiteral("Frecuencia:"), Minut, opciones), 0, 0);
  gOpciones->addWidget(Minut, 0, 1, Qt::AlignLeft);
  gOpciones->addWidget(new QLabel(QStringLiteral("min."), opciones), 0, 2);
  gOpciones->addWidget(etiqueta(QStringLiteral("Operaciones a traer:"), Edit2, opciones), 1, 0);
  gOpciones->addWidget(Edit2, 1, 1, Qt::AlignLeft);
  gOpciones->addWidget(etiqueta(QStringLiteral("Operaciones a enviar:"), NroOp, opciones), 2, 0);
  gOpciones->addWidget(NroOp, 2, 1, Qt::AlignLeft);
  gOpciones->addWidget(ckreciente, 3, 0, 1, 4);
  gOpciones->addWidget(CkError, 4, 0, 1, 4);
  gOpciones->setColumnStretch(3, 1);
  gOpciones->setRowStretch(5, 1);

  // --- State of the last cycle ----------------------------------------------------------
  auto* estado = new QGroupBox(QStringLiteral("Estado"), this);

  EUltdesc = soloLectura("EUltdesc", estado);
  EUltenvio = soloLectura("EUltenvio", estado);
  // Wide enough for "Sin descargas hasta ahora." and for a date and time.
  for (QLineEdit* e : {EUltdesc, EUltenvio}) {
    e->setMinimumWidth(
        e->fontMetrics().horizontalAdvance(QStringLiteral("Sin descargas hasta ahora.")) + 16);
  }

  LabelEstado = crear<QLabel>("LabelEstado", estado);
  LabelEstado->setText(QStringLiteral("Estado: sin ciclo todavía"));
  LabelEstado->setWordWrap(true);
  LabelEstado->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  LabelEstado->setTextInteractionFlags(Qt::TextSelectableByMouse);

  Label8 = crear<QLabel>("Label8", estado);
  Label8->setText(QStringLiteral("Ultimo error:"));
  // The error text carries a database path; it wraps instead of widening the window.
  Label8->setWordWrap(true);
  Label8->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label8->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  Label8->setTextInteractionFlags(Qt::TextSelectableByMouse);

  Edit1 = soloLectura("Edit1", estado);
  Edit1->hide();

  Panel3 = crear<QFrame>("Panel3", estado);
  Panel3->setFrameShape(QFrame::StyledPanel);
  Panel3->setFrameShadow(QFrame::Raised);
  panelCaption_ = crear<QLabel>("Panel3Caption", Panel3);
  ProgressBar1 = crear<QProgressBar>("ProgressBar1", Panel3);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setMinimumWidth(80);
  auto* hPanel = new QHBoxLayout(Panel3);
  hPanel->setContentsMargins(6, 2, 6, 2);
  hPanel->addWidget(panelCaption_);
  hPanel->addWidget(ProgressBar1, 1);
  Panel3->hide();

  auto* gUltimos = new QGridLayout;
  gUltimos->addWidget(etiqueta(QStringLiteral("Ultima descarga:"), EUltdesc, estado), 0, 0);
  gUltimos->addWidget(EUltdesc, 0, 1);
  gUltimos->addWidget(etiqueta(QStringLiteral("Ultimo envio:"), EUltenvio, estado), 1, 0);
  gUltimos->addWidget(EUltenvio, 1, 1);
  gUltimos->setColumnStretch(2, 1);

  auto* hProgreso = new QHBoxLayout;
  hProgreso->addWidget(Edit1, 1);
  hProgreso->addWidget(Panel3, 1);

  auto* vEstado = new QVBoxLayout(estado);
  vEstado->addWidget(LabelEstado);
  vEstado->addLayout(gUltimos);
  vEstado->addWidget(Label8);
  vEstado->addLayout(hProgreso);

  // --- Buttons -----------------------------------------------------------------------
  PngSpeedButton1 = boton("PngSpeedButton1", QStringLiteral("Mensajes error"), this);
  PngSpeedButton3 = boton("PngSpeedButton3", QStringLiteral("Pendientes descarga"), this);
  PngSpeedButton5 = boton("PngSpeedButton5", QStringLiteral("Pendiente envio"), this);
  PngSpeedButton2 = boton("PngSpeedButton2", QStringLiteral("Compañías"), this);
  PngSpeedButton4 = boton("PngSpeedButton4", QStringLiteral("Conf. Documentos"), this);
  SpeedButton1 = boton("SpeedButton1", QStringLiteral("Enviar"), this);
  SpeedButton2 = boton("SpeedButton2", QStringLiteral("Cancelar"), this);
  SpeedButton1->setDefault(true);

  auto* gBotones = new QGridLayout;
  gBotones->addWidget(PngSpeedButton1, 0, 0);
  gBotones->addWidget(PngSpeedButton3, 0, 1);
  gBotones->addWidget(PngSpeedButton5, 0, 2);
  gBotones->addWidget(PngSpeedButton2, 1, 0);
  gBotones->addWidget(PngSpeedButton4, 1, 1);
  gBotones->setColumnStretch(3, 1);
  gBotones->addWidget(SpeedButton1, 0, 4);
  gBotones->addWidget(SpeedButton2, 1, 4);

  Label5 = crear<QLabel>("Label5", this);
  Label5->setText(QStringLiteral("Rev:2026/03/04"));
  QFont pequena = Label5->font();
  pequena.setPointSizeF(pequena.pointSizeF() * 0.85);
  Label5->setFont(pequena);
  Label5->setForegroundRole(QPalette::PlaceholderText);
  gBotones->addWidget(Label5, 1, 2, 1, 2, Qt::AlignRight | Qt::AlignBottom);

  // --- Window ------------------------------------------------------------------------
  auto* hArriba = new QHBoxLayout;
  hArriba->addWidget(origen, 1);
  hArriba->addWidget(opciones);

  auto* raiz = new QVBoxLayout(this);
  raiz->addLayout(hArriba);
  raiz->addWidget(estado);
  raiz->addStretch(1);
  raiz->addLayout(gBotones);

  // Room for the progress panel from the start, so the window does not jump when a cycle
  // shows it.
  resize(sizeHint().expandedTo(QSize(560, 420)));

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kIntervaloInicialMs);
}

void Tfprincipalauto::llenarCompanias(
    const std::vector<std::pair<QString, QString>>& codigoNombre) {
  // A previous choice is given up in the open, so whoever follows LCiaOri sees it go.
  LCiaOri->setCurrentIndex(-1);
  const QSignalBlocker silencio(LCiaOri);
  companias_->setRowCount(0);
  for (const auto& [codigo, nombre] : codigoNombre) {
    companias_->appendRow({new QStandardItem(codigo), new QStandardItem(nombre)});
  }
  // The combo picks the first row of a freshly filled list; the operator has to choose.
  LCiaOri->setCurrentIndex(-1);
}

QString Tfprincipalauto::companiaElegida() const {
  const int fila = LCiaOri->currentIndex();
  if (fila < 0) return {};
  return companias_->item(fila, kColumnaCodigo)->text();
}

bool Tfprincipalauto::elegirCompania(const QString& codigo) {
  for (int fila = 0; fila < companias_->rowCount(); ++fila) {
    if (companias_->item(fila, kColumnaCodigo)->text() == codigo) {
      LCiaOri->setCurrentIndex(fila);
      return true;
    }
  }
  LCiaOri->setCurrentIndex(-1);
  return false;
}

void Tfprincipalauto::setPanelCaption(const QString& caption) { panelCaption_->setText(caption); }

QString Tfprincipalauto::panelCaption() const { return panelCaption_->text(); }

void Tfprincipalauto::stepProgress() {
  const int siguiente = std::max(ProgressBar1->value(), ProgressBar1->minimum()) + 1;
  ProgressBar1->setValue(std::min(siguiente, ProgressBar1->maximum()));
}

}  // namespace shell
