#include "monitor/ventana_eventos.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "agente/estado.h"
#include "engine/cola.h"
#include "engine/sql.h"
#include "monitor/exportar.h"
#include "monitor/texto.h"
#include "plataforma/rutas.h"

namespace monitor {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// A Yes/No question with the answers in the system's language.
bool confirmar(QWidget* padre, const QString& titulo, const QString& pregunta) {
  QMessageBox box(QMessageBox::Question, titulo, pregunta, QMessageBox::Yes | QMessageBox::No,
                  padre);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("&Sí"));
  box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

constexpr int kAnchoMensaje = 360;  // the error text is cut with an ellipsis beyond it

bool deEnvio(const std::string& campo) { return campo == "RPEV_FECREP" || campo == "RPEV_HORAREP"; }

// Prefix, number and code of an event's document, as the operator reads them.
QString documento(const ModeloLista& m, int f) {
  std::string d;
  for (const char* c : {"RPEV_PREF", "RPEV_NUMERO", "RPEV_CODIGO"}) {
    const std::string v = engine::sin_blancos(m.valor(f, c).as_text());
    if (!v.empty()) d += (d.empty() ? "" : " ") + v;
  }
  return desde_suite(d);
}

}  // namespace

QString preguntaReenviar(int documentos, const QString& documento) {
  const QString efecto =
      QStringLiteral(" Se encola un evento nuevo que el próximo envío copia por completo.");
  if (documentos == 1) return QStringLiteral("¿Reenviar el documento %1?").arg(documento) + efecto;
  return QStringLiteral("¿Reenviar los %1 documentos seleccionados?").arg(documentos) + efecto;
}

QString resultadoReenviar(int encolados, int pendientes, const QStringList& fallos) {
  QString t = QStringLiteral("Eventos encolados: %1.").arg(encolados);
  if (pendientes > 0)
    t += QStringLiteral(" %1 documentos ya tenían un evento pendiente y no se encoló otro.")
             .arg(pendientes);
  if (!fallos.isEmpty()) t += QStringLiteral("\n") + fallos.join(QStringLiteral("\n"));
  return t;
}

VentanaEventos::VentanaEventos(Origen origen, db::ConnectParams bd, Ajustes ajustes,
                               QWidget* parent)
    : QDialog(parent),
      origen_(std::move(origen)),
      bd_("Monitor"),
      socio_(bd.database != origen_.local.database),
      ajustes_(std::move(ajustes)) {
  setWindowTitle(ajustes_.titulo);
  bd_.set_params(std::move(bd));
  modelo_ = new ModeloLista(ajustes_.columnas, this);
  rejilla_ =
      new Rejilla(modelo_, {.botones = ajustes_.botones, .filtros = true, .menu = true}, this);
  Cerrar = new QPushButton(QStringLiteral("Cerrar"), this);
  Cerrar->setObjectName(QStringLiteral("Cerrar"));
  Borrar = new QPushButton(QStringLiteral("Borrar"), this);
  Borrar->setObjectName(QStringLiteral("Borrar"));
  Reenviar = new QPushButton(QStringLiteral("Reenviar"), this);
  Reenviar->setObjectName(QStringLiteral("Reenviar"));
  for (QPushButton* b : {Cerrar, Borrar, Reenviar}) b->setAutoDefault(false);
  Enviados = nullptr;
  if (!ajustes_.sqlEnviados.empty()) {
    Enviados = new QCheckBox(QStringLiteral("Incluir enviados"), this);
    Enviados->setObjectName(QStringLiteral("Enviados"));
  }

  Aviso = new QLabel(this);
  Aviso->setObjectName(QStringLiteral("Aviso"));
  Aviso->setWordWrap(true);
  Aviso->setStyleSheet(QStringLiteral("color: #a00000;"));
  Aviso->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  Cifras = new QLabel(this);
  Cifras->setObjectName(QStringLiteral("Cifras"));
  Cifras->setWordWrap(true);
  Cifras->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  auto* botones = new QHBoxLayout;
  botones->addWidget(Aviso, 1);
  if (Enviados) botones->addWidget(Enviados);
  botones->addWidget(Reenviar);
  botones->addWidget(Borrar);
  botones->addWidget(Cerrar);
  auto* v = new QVBoxLayout(this);
  v->addWidget(Cifras);
  v->addWidget(rejilla_, 1);
  v->addLayout(botones);

  connect(Cerrar, &QPushButton::clicked, this, &QDialog::close);
  connect(Borrar, &QPushButton::clicked, this, &VentanaEventos::borrar);
  connect(Reenviar, &QPushButton::clicked, this, &VentanaEventos::reenviar);
  if (Enviados)
    connect(Enviados, &QCheckBox::toggled, this, [this] {
      mostrarEnviados();
      leer();
    });
  connect(rejilla_, &Rejilla::guardarSeleccion, this, &VentanaEventos::guardarSeleccion);
  connect(rejilla_, &Rejilla::accion, this, [this](int b) {
    if (b == Navegador::Refrescar) leer();
    // The navigator's delete takes the row out of the list shown; only "Borrar"
    // deletes the event.
    if (b == Navegador::Borrar && rejilla_->filaActual() >= 0)
      modelo_->removeRows(rejilla_->filaActual(), 1);
  });

  leer();
  QHeaderView* h = rejilla_->vista()->horizontalHeader();
  rejilla_->vista()->resizeColumnsToContents();
  // Room for the sort mark beside each title; the error text is cut at a width of its
  // own and, being the last column, takes what is left of the window.
  for (int c = 0; c < modelo_->columnCount(); ++c)
    h->resizeSection(c, std::min(h->sectionSize(c) + 14, kAnchoMensaje));
  h->setStretchLastSection(ajustes_.columnas.back().campo == "RPEV_ERROR");
  mostrarEnviados();
  resize(900, 480);
}

void VentanaEventos::mostrarEnviados() {
  const bool ver = Enviados && Enviados->isChecked();
  for (std::size_t c = 0; c < ajustes_.columnas.size(); ++c)
    if (deEnvio(ajustes_.columnas[c].campo))
      rejilla_->vista()->setColumnHidden(static_cast<int>(c), !ver);
}

void VentanaEventos::changeEvent(QEvent* e) {
  QDialog::changeEvent(e);
  // Every activation shows the queue as it is now.
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) leer();
}

void VentanaEventos::fallo(const QString& que, const std::exception& e) {
  if (origen_.no_manejada) origen_.no_manejada(e);
  QMessageBox::warning(this, windowTitle(), que + q(e.what()));
}

void VentanaEventos::leer() {
  const int actual = rejilla_->filaActual();
  const std::string id = actual >= 0 ? modelo_->valor(actual, "RPEV_ID").as_text() : std::string();
  Aviso->clear();
  if (bd_.params().database.empty()) {
    // Only the partner database can be unknown: no cycle has opened one yet.
    modelo_->cargar({}, {});
    Aviso->setText(
        QStringLiteral("Aún no se ha conectado con ninguna compañía asociada: pulse "
                       "\"Enviar\" y abra esta ventana de nuevo."));
    return;
  }
  try {
    db::Rows filas =
        bd_.query(Enviados && Enviados->isChecked() ? ajustes_.sqlEnviados : ajustes_.sql);
    modelo_->cargar(std::move(filas), leer_tipos(bd_));
  } catch (const std::exception& e) {
    // Shown in the window, not in a box: closing a box re-activates the window, which
    // would read (and fail) again.
    bd_.disconnect();
    modelo_->cargar({}, {});
    if (origen_.no_manejada) origen_.no_manejada(e);
    Aviso->setText(QStringLiteral("No se pudo leer la lista de eventos: ") + q(e.what()));
    return;
  }
  for (int f = 0; f < modelo_->rowCount(); ++f)
    if (!id.empty() && modelo_->valor(f, "RPEV_ID").as_text() == id) rejilla_->irAFila(f);
  leerCifras();
}

void VentanaEventos::leerCifras() {
  // The local queue per addressee; the partner's, what it holds for the local company.
  try {
    std::vector<agente::Cola> colas =
        socio_ ? agente::leer_colas(bd_, "la compañía asociada", origen_.compania)
               : agente::leer_colas(bd_, "local", std::nullopt);
    engine::RelojSistema sistema;
    const engine::Reloj& reloj = origen_.reloj ? *origen_.reloj : sistema;
    Cifras->setText(q(agente::cifras(colas, reloj.ahora())));
  } catch (const std::exception& e) {
    Cifras->setText(QStringLiteral("No se pudieron leer las cifras de la cola: ") + q(e.what()));
  }
}

void VentanaEventos::borrar() {
  const int fila = rejilla_->filaActual();
  if (fila < 0) return;
  const db::Value& id = modelo_->valor(fila, "RPEV_ID");
  if (id.is_null()) return;
  const std::string texto_id = id.as_text();
  if (!confirmar(this, windowTitle(),
                 QStringLiteral("Esta seguro de borrar el evento para el documento ") +
                     desde_suite(modelo_->valor(fila, "RPEV_CODIGO").as_text()) +
                     QStringLiteral("?")))
    return;
  // The question let messages through: a cycle may have started meanwhile.
  if (origen_.ciclo_en_curso && origen_.ciclo_en_curso()) {
    QMessageBox::information(this, windowTitle(), QString::fromUtf8(kCicloEnCurso));
    return;
  }
  try {
    engine::borrar_evento(bd_, texto_id);
  } catch (const std::exception& e) {
    fallo(QStringLiteral("No se pudo borrar el evento: "), e);
  }
  leer();
}

void VentanaEventos::reenviar() {
  // Taken first: closing the question re-activates this window, which re-reads the list.
  std::vector<std::pair<db::Rows, QString>> eventos;
  for (int f : rejilla_->filasSeleccionadas())
    if (!modelo_->valor(f, "RPEV_FECREP").is_null() || !modelo_->valor(f, "RPEV_ERROR").is_null())
      eventos.emplace_back(modelo_->fila(f), documento(*modelo_, f));
  if (eventos.empty()) {
    QMessageBox::information(this, windowTitle(), QString::fromUtf8(kNadaQueReenviar));
    return;
  }
  if (!confirmar(this, windowTitle(),
                 preguntaReenviar(static_cast<int>(eventos.size()), eventos.front().second)))
    return;
  // The question let messages through: a cycle may have started meanwhile.
  if (origen_.ciclo_en_curso && origen_.ciclo_en_curso()) {
    QMessageBox::information(this, windowTitle(), QString::fromUtf8(kCicloEnCurso));
    return;
  }
  engine::RelojSistema sistema;
  const engine::Reloj& reloj = origen_.reloj ? *origen_.reloj : sistema;
  int encolados = 0, pendientes = 0;
  QStringList fallos;
  for (const auto& [fila, nombre] : eventos) {
    const engine::Evento e(fila, 0);
    // The partner's queue holds events for other companies too: those are its own.
    if (socio_ && engine::sin_blancos(e.compania()) != origen_.compania) {
      fallos << nombre + QStringLiteral(": ") + QString::fromUtf8(kAjenoNoSeReenvia);
      continue;
    }
    const std::string oper = engine::sin_blancos(e.oper());
    const bool borra_o_anula = oper == engine::kOperBorrar || oper == engine::kOperAnular;
    try {
      if (engine::reencolar(bd_, e, borra_o_anula ? oper : std::string(engine::kOperInsertar),
                            reloj.ahora()))
        ++encolados;
      else
        ++pendientes;
    } catch (const std::exception& x) {
      if (origen_.no_manejada) origen_.no_manejada(x);
      fallos << nombre + QStringLiteral(": ") + q(x.what());
    }
  }
  QMessageBox::information(this, windowTitle(), resultadoReenviar(encolados, pendientes, fallos));
  leer();
}

void VentanaEventos::guardarSeleccion() {
  // Taken first: closing the dialog re-activates this window, which re-reads the list.
  const Tabla tabla = rejilla_->seleccion();
  QFileDialog d(this, QStringLiteral("Guardar selección"));
  d.setObjectName(QStringLiteral("DialogoGuardar"));
  d.setOption(QFileDialog::DontUseNativeDialog);
  d.setOption(QFileDialog::DontConfirmOverwrite);  // asked below, after the extension rule
  d.setAcceptMode(QFileDialog::AcceptSave);
  d.setFileMode(QFileDialog::AnyFile);
  QStringList filtros;
  for (const std::string& f : filtros_guardar()) filtros << q(f);
  d.setNameFilters(filtros);
  d.setLabelText(QFileDialog::LookIn, QStringLiteral("Guardar en:"));
  d.setLabelText(QFileDialog::FileName, QStringLiteral("Nombre:"));
  d.setLabelText(QFileDialog::FileType, QStringLiteral("Tipo:"));
  d.setLabelText(QFileDialog::Accept, QStringLiteral("&Guardar"));
  d.setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
  d.selectFile(ajustes_.nombreArchivo);
  if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return;
  const Formato f = formato_de_filtro(static_cast<int>(filtros.indexOf(d.selectedNameFilter())));
  const QString archivo = q(con_extension(d.selectedFiles().first().toStdString(), f));
  if (QFileInfo::exists(archivo) &&
      !confirmar(this, windowTitle(),
                 QStringLiteral("El archivo %1 ya existe. ¿Desea reemplazarlo?").arg(archivo)))
    return;
  try {
    guardar(plataforma::ruta(archivo.toStdString()), tabla, f);
  } catch (const std::exception& e) {
    QMessageBox::warning(this, windowTitle(), q(e.what()));
  }
}

}  // namespace monitor
