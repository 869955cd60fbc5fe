// The main window's behaviour: start-up in either run mode, the company and branch
// lists, the cycle and its timer, and what the cycle shows through VistaCiclo.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "engine/rutas.h"
#include "errors/bitacora.h"
#include "errors/manejador.h"
#include "handlers/registro.h"
#include "shell/APUtilCrpt.h"
#include "shell/enlaces.h"
#include "shell/instalacion.h"
#include "shell/principalauto.h"

namespace shell {

// Everything the window owns below the controls.
struct Motor {
  Motor(Tfprincipalauto& vista, std::function<std::string()> directorio, int espera)
      : bitacora(std::move(directorio), reloj),
        errores(bitacora, DbCia, DBEnvio, [] { QApplication::beep(); }),
        tipos(handlers::tabla_completa()),
        ciclo(DbCia, DBEnvio, vista, tipos, bitacora, errores, reloj),
        espera_bloqueo(espera) {
    ciclo.poner_espera_bloqueo(espera);
  }
  db::Connection DbGeneral{"DbGeneral"};
  db::Connection DbCia{"DbCia"};
  db::Connection DBEnvio{"DBEnvio"};
  engine::RelojSistema reloj;
  errors::Bitacora bitacora;
  errors::ManejadorErrores errores;
  engine::TablaTipos tipos;
  engine::Ciclo ciclo;
  int espera_bloqueo;
};

namespace {

std::string mayusculas(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& q) { return q.toStdString(); }

int codigo_salida(engine::Resultado r) { return r == engine::Resultado::Completo ? 0 : 1; }

}  // namespace

Tfprincipalauto::Tfprincipalauto(QWidget* parent) : Tfprincipalauto(LineaComandos{}, parent) {}

Tfprincipalauto::Tfprincipalauto(LineaComandos linea, QWidget* parent)
    : QWidget(parent), linea_(std::move(linea)) {
  construirControles();
  motor_ = std::make_unique<Motor>(
      *this, [this] { return diraplicacion([this](const std::string& m) { avisar(m); }); },
      linea_.espera_bloqueo);
  conectarEventos();
  Timer1->start();
}

Tfprincipalauto::~Tfprincipalauto() = default;

void Tfprincipalauto::conectarEventos() {
  connect(SerOri1, &QComboBox::currentTextChanged, this, &Tfprincipalauto::SerOri1Change);
  connect(LCiaOri, &QComboBox::currentIndexChanged, this, &Tfprincipalauto::LCiaOriChange);
  connect(SpeedButton1, &QPushButton::clicked, this, &Tfprincipalauto::SpeedButton1Click);
  connect(SpeedButton2, &QPushButton::clicked, this, &QWidget::close);
  connect(Timer1, &QTimer::timeout, this, &Tfprincipalauto::Timer1Timer);
  connect(PngSpeedButton1, &QPushButton::clicked, this, &Tfprincipalauto::PngSpeedButton1Click);
  connect(PngSpeedButton2, &QPushButton::clicked, this, &Tfprincipalauto::PngSpeedButton2Click);
  connect(PngSpeedButton3, &QPushButton::clicked, this, &Tfprincipalauto::PngSpeedButton3Click);
  connect(PngSpeedButton4, &QPushButton::clicked, this, &Tfprincipalauto::PngSpeedButton4Click);
  connect(PngSpeedButton5, &QPushButton::clicked, this, &Tfprincipalauto::PngSpeedButton5Click);
}

void Tfprincipalauto::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  // The first time the window is on screen; later activations do nothing.
  if (primera_activacion_) QTimer::singleShot(0, this, &Tfprincipalauto::FormActivate);
}

void Tfprincipalauto::closeEvent(QCloseEvent* e) {
  if (motor_->ciclo.en_curso()) {
    // The cycle is using the connections: it stops after the current event and the
    // window closes then.
    cierre_pedido_ = true;
    e->ignore();
    return;
  }
  e->accept();
}

void Tfprincipalauto::noManejada(const std::exception& e) {
  try {
    motor_->errores.ENoManejada(e);
  } catch (const std::exception& e2) {
    std::fprintf(stderr, "envioauto: %s\n", e2.what());
  }
  if (desatendido()) std::fprintf(stderr, "envioauto: %s\n", e.what());
}

// A message for the operator. Unattended nobody would click a box away, so the
// message becomes a line of errorenvio.txt instead.
void Tfprincipalauto::avisar(const std::string& texto) {
  if (!desatendido()) {
    QMessageBox::critical(this, QApplication::applicationName(), q(texto));
    return;
  }
  std::fprintf(stderr, "envioauto: %s\n", texto.c_str());
  try {
    if (texto == kSinClave) {
      // The directory itself is what is missing: the line goes where every log line
      // then goes, without asking for the directory again.
      errors::Bitacora sin_directorio([] { return std::string(); }, motor_->reloj);
      sin_directorio.error("", texto);
    } else {
      motor_->bitacora.error("", texto);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "envioauto: %s\n", e.what());
  }
}

void Tfprincipalauto::FormActivate() {
  if (!primera_activacion_) return;
  primera_activacion_ = false;
  if (desatendido()) {
    for (const std::string& a : linea_.avisos) avisar(a);
    try {
      motor_->DbGeneral.disconnect();
      motor_->DbGeneral.set_params(db::ConnectParams{engine::ruta_general(linea_.parametro(1)),
                                                     linea_.parametro(2), linea_.parametro(3),
                                                     linea_.espera_bloqueo});
      motor_->DbGeneral.connect();
    } catch (const std::exception& e) {
      noManejada(e);
      terminarPrimerCiclo(engine::Resultado::Error);
      return;
    }
    usuario_ = mayusculas(linea_.parametro(2));
    clave_ = encriptar_clave(linea_.parametro(3));
    servidor_ = linea_.parametro(1);
    conectado_ = true;
  } else if (acceso_) {
    acceso_();  // the login window: sets conectado_, or ends the program
  }
  if (conectado_) {
    conectado_ = false;
    SerOri1->clear();
    SerOri1->addItem(q(servidor_));  // opens the company list
  }
  if (!desatendido()) return;
  elegirCompania(q(linea_.parametro(4)));  // connects the local company database
  if (linea_.parametro(5) == "1") CkError->setChecked(true);
  if (!linea_.parametro(7).empty()) NroOp->setText(q(linea_.parametro(7)));
  if (!linea_.parametro(8).empty()) Minut->setText(q(linea_.parametro(8)));
  if (!linea_.parametro(9).empty()) Edit2->setText(q(linea_.parametro(9)));
  SpeedButton1Click();
}

Enlaces Tfprincipalauto::enlaces() {
  return {motor_->DbGeneral, motor_->DbCia, motor_->DBEnvio,       motor_->bitacora,
          motor_->errores,   motor_->ciclo, motor_->espera_bloqueo};
}

void Tfprincipalauto::terminarPrimerCiclo(engine::Resultado r) {
  if (primer_ciclo_) return;
  primer_ciclo_ = r;
  emit primerCicloTerminado(codigo_salida(r));
  if (linea_.una_vez) QCoreApplication::exit(codigo_salida(r));
}

void Tfprincipalauto::SerOri1Change(const QString& servidor) {
  if (servidor.isEmpty()) return;
  try {
    std::vector<std::pair<QString, QString>> lista;
    for (const Compania& c : listar_companias(motor_->DbGeneral))
      lista.emplace_back(q(c.codigo), q(c.nombre));
    llenarCompanias(lista);
  } catch (const std::exception& e) {
    noManejada(e);
  }
}

void Tfprincipalauto::LCiaOriChange() {
  std::string codigo = s(companiaElegida());
  if (codigo.empty()) return;
  try {
    motor_->DbCia.disconnect();
    motor_->DbCia.set_params(db::ConnectParams{engine::ruta_compania(servidor_, codigo), usuario_,
                                               desencriptar_clave(clave_), motor_->espera_bloqueo});
    motor_->DbCia.connect();
    std::vector<std::string> sucursales = listar_sucursales(motor_->DbCia);
    CboAgencia->clear();
    CboAgencia->addItem(QStringLiteral("Todas"));
    for (const std::string& n : sucursales) CboAgencia->addItem(q(n));
    CboAgencia->setCurrentIndex(0);
  } catch (const std::exception& e) {
    noManejada(e);
  }
}

void Tfprincipalauto::SpeedButton1Click() {
  engine::Resultado r = motor_->ciclo.ejecutar();
  if (r == engine::Resultado::EnCurso) return;
  if (desatendido()) {
    static const char* const kNombres[] = {"completo", "sin compañía", "terminado por un error",
                                           "interrumpido", "en curso"};
    std::printf("Ciclo %s.\n", kNombres[static_cast<int>(r)]);
    std::fflush(stdout);
    terminarPrimerCiclo(r);
  }
  if (cierre_pedido_) close();
}

void Tfprincipalauto::Timer1Timer() { SpeedButton1Click(); }

// ---- what the cycle shows ------------------------------------------------------------

engine::Opciones Tfprincipalauto::opciones() {
  engine::Opciones o;
  o.compania = s(companiaElegida());
  o.prefijo = s(Pref->text());
  o.frecuencia = s(Minut->text());
  o.traer = s(Edit2->text());
  o.enviar = s(NroOp->text());
  o.reciente_primero = ckreciente->isChecked();
  o.sin_reintentar = CkError->isChecked();
  o.servidor_socios = linea_.parametro(6);
  return o;
}

void Tfprincipalauto::poner_traer(const std::string& texto) { Edit2->setText(q(texto)); }
void Tfprincipalauto::poner_enviar(const std::string& texto) { NroOp->setText(q(texto)); }

void Tfprincipalauto::mensaje(const std::string& texto) { avisar(texto); }

void Tfprincipalauto::panel(const std::string& titulo) {
  setPanelCaption(q(titulo));
  Panel3->show();
  repaint();
  if (desatendido()) {
    std::printf("%s\n", titulo.c_str());
    std::fflush(stdout);
  }
}

void Tfprincipalauto::ocultar_panel() {
  Panel3->hide();
  repaint();
}

void Tfprincipalauto::progreso(int maximo) {
  ProgressBar1->setRange(0, maximo);
  ProgressBar1->setValue(0);
}

void Tfprincipalauto::paso() { stepProgress(); }

void Tfprincipalauto::evento(const std::string& texto) {
  Edit1->setText(q(texto));
  if (desatendido()) {
    std::printf("  %s\n", texto.c_str());
    std::fflush(stdout);
  }
}

void Tfprincipalauto::mostrar_evento(bool visible) { Edit1->setVisible(visible); }
void Tfprincipalauto::ultimo_envio(const std::string& texto) { EUltenvio->setText(q(texto)); }
void Tfprincipalauto::ultima_descarga(const std::string& texto) { EUltdesc->setText(q(texto)); }

void Tfprincipalauto::ultimo_error(const std::string& texto) {
  Label8->setText(q(texto));
  if (desatendido()) std::fprintf(stderr, "envioauto: %s\n", texto.c_str());
}

void Tfprincipalauto::apagar_temporizador() { Timer1->stop(); }

void Tfprincipalauto::armar_temporizador(int intervalo_ms) {
  Timer1->setInterval(intervalo_ms);
  // An interval of 0 never fires.
  if (intervalo_ms > 0)
    Timer1->start();
  else
    Timer1->stop();
}

void Tfprincipalauto::procesar_mensajes() { QCoreApplication::processEvents(); }

}  // namespace shell
