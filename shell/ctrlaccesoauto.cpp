#include "shell/ctrlaccesoauto.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <cstdio>

#include "engine/rutas.h"
#include "shell/APUtilCrpt.h"
#include "shell/acceso.h"

namespace shell {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

Tfaccesoauto::Tfaccesoauto(db::Connection& general, errors::Bitacora& bitacora, int espera_bloqueo,
                           QWidget* parent)
    : QDialog(parent), general_(general), bitacora_(bitacora), espera_bloqueo_(espera_bloqueo) {
  setObjectName(QStringLiteral("Tfaccesoauto"));
  setWindowTitle(QStringLiteral("Control de acceso"));

  auto* origen = new QGroupBox(QStringLiteral("Origen:"), this);
  Servidor = new QComboBox(origen);
  Servidor->setObjectName(QStringLiteral("Servidor"));
  Servidor->setEditable(true);
  Servidor->setInsertPolicy(QComboBox::NoInsert);
  Servidor->setMinimumContentsLength(28);
  Tusua = new QLineEdit(origen);
  Tusua->setObjectName(QStringLiteral("Tusua"));
  TClave = new QLineEdit(origen);
  TClave->setObjectName(QStringLiteral("TClave"));
  TClave->setEchoMode(QLineEdit::Password);
  TClave->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));  // "*"

  auto* g = new QGridLayout(origen);
  const char* const etiquetas[] = {"Servidor : ", "Usuario : ", "Clave : "};
  QWidget* const campos[] = {Servidor, Tusua, TClave};
  for (int i = 0; i < 3; ++i) {
    auto* l = new QLabel(QString::fromUtf8(etiquetas[i]), origen);
    l->setBuddy(campos[i]);
    g->addWidget(l, i, 0);
    g->addWidget(campos[i], i, 1);
  }

  PanelConectando = new QFrame(this);
  PanelConectando->setObjectName(QStringLiteral("PanelConectando"));
  PanelConectando->setFrameShape(QFrame::StyledPanel);
  auto* hp = new QHBoxLayout(PanelConectando);
  hp->addWidget(new QLabel(QStringLiteral("Conectando con el servidor origen"), PanelConectando), 0,
                Qt::AlignCenter);
  PanelConectando->hide();

  Entrar = new QPushButton(QStringLiteral("F2: &Entrar"), this);
  Entrar->setObjectName(QStringLiteral("Entrar"));
  Salir = new QPushButton(QStringLiteral("ESC: &Salir"), this);
  Salir->setObjectName(QStringLiteral("Salir"));
  for (QPushButton* b : {Entrar, Salir}) b->setAutoDefault(false);

  auto* hb = new QHBoxLayout;
  hb->addStretch(1);
  hb->addWidget(Entrar);
  hb->addWidget(Salir);
  auto* v = new QVBoxLayout(this);
  v->addWidget(origen);
  v->addWidget(PanelConectando);
  v->addLayout(hb);

  connect(Entrar, &QPushButton::clicked, this, &Tfaccesoauto::entrar);
  connect(Salir, &QPushButton::clicked, this, &QDialog::reject);
  // F2 alone logs in; with Shift, Alt or Ctrl it is another key.
  auto* f2 = new QShortcut(QKeySequence(Qt::Key_F2), this, this, &Tfaccesoauto::entrar);
  f2->setContext(Qt::WindowShortcut);
  // Enter moves on to the next field instead of pressing a button.
  for (QObject* o : {static_cast<QObject*>(Servidor), static_cast<QObject*>(Servidor->lineEdit()),
                     static_cast<QObject*>(Tusua), static_cast<QObject*>(TClave)})
    o->installEventFilter(this);

  std::vector<std::string> servidores;
  try {
    // The installation directory is text (UTF-8): the file system takes it as its own
    // form of the name (UTF-16 on Windows), never through the ANSI code page.
    servidores =
        leer_servidores(std::filesystem::path(q(bitacora_.ruta(kServidores)).toStdU16String()));
  } catch (const std::exception&) {
    // No directory: the list stays empty and the operator types the server.
  }
  for (const std::string& s : servidores) Servidor->addItem(q(s));
  if (Servidor->count() > 0) Servidor->setCurrentIndex(0);
}

void Tfaccesoauto::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  Tusua->setFocus();
}

bool Tfaccesoauto::eventFilter(QObject* o, QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(e);
    if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) &&
        !(k->modifiers() & ~Qt::KeypadModifier)) {
      focusNextChild();
      return true;
    }
  }
  return QDialog::eventFilter(o, e);
}

void Tfaccesoauto::entrar() {
  PanelConectando->show();
  repaint();
  const std::string servidor = Servidor->currentText().toStdString();
  const std::string usuario = Tusua->text().toUpper().toStdString();
  // The bytes the command line's password would give: the suite's code page.
  const std::string clave = clave_para_servidor(TClave->text().toStdString());
  try {
    general_.disconnect();
    general_.set_params(db::ConnectParams{engine::ruta_general(servidor),
                                          Tusua->text().toStdString(), clave, espera_bloqueo_});
    general_.connect();
    // The server let the user in; the suite must know him too (the embedded engine
    // and trusted logins check no password).
    if (general_.query(consulta_usuario(usuario)).empty()) throw UsuarioDesconocido(usuario);
  } catch (const std::exception& e) {
    general_.disconnect();
    PanelConectando->hide();
    fallo(usuario, e);
    return;
  }
  usuario_ = usuario;
  clave_ = encriptar_clave(clave);
  servidor_ = servidor;
  PanelConectando->hide();
  accept();
}

void Tfaccesoauto::fallo(const std::string& usuario, const std::exception& e) {
  try {
    bitacora_.acceso(usuario, errors::una_linea(e.what()));
  } catch (const std::exception& e2) {
    std::fprintf(stderr, "envioauto: %s\n", e2.what());
  }
  QMessageBox::warning(this, windowTitle(), q(mensaje_acceso(e.what())));
}

}  // namespace shell
