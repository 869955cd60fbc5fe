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
#include <stdexcept>

#include "agente/estado.h"
#include "db/textos.h"
#include "engine/rutas.h"
#include "errors/bitacora.h"
#include "monitor/texto.h"
#include "shell/APUtilCrpt.h"
#include "shell/acceso.h"
#include "shell/despertar.h"
#include "shell/instalacion.h"
#include "shell/principalauto.h"

namespace shell {

namespace {

std::string mayusculas(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

using monitor::desde_suite;
using monitor::hacia_suite;

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& q) { return q.toStdString(); }

}  // namespace

Tfprincipalauto::Tfprincipalauto(QWidget* parent) : Tfprincipalauto(LineaComandos{}, parent) {}

Tfprincipalauto::Tfprincipalauto(LineaComandos linea, QWidget* parent)
    : QWidget(parent), linea_(std::move(linea)) {
  construirControles();
  agente::Ajustes ajustes;
  // A missing registry key is a message of whatever view the agent reports to.
  ajustes.directorio = [this] {
    return diraplicacion([this](const std::string& m) { agente_->vista().mensaje(m); });
  };
  ajustes.espera_bloqueo = linea_.espera_bloqueo;
  ajustes.campana = [] { QApplication::beep(); };
  agente_ = std::make_unique<agente::Agente>(*this, std::move(ajustes));
  conectarEventos();
  if (!linea_.una_vez) despertar_ = std::make_unique<Despertar>(*this);
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
  if (agente_->ciclo().en_curso()) {
    // The cycle is using the connections: it stops after the current event and the
    // window closes then.
    cierre_pedido_ = true;
    e->ignore();
    return;
  }
  e->accept();
}

void Tfprincipalauto::noManejada(const std::exception& e) { agente_->no_manejada(e); }

void Tfprincipalauto::FormActivate() {
  if (!primera_activacion_) return;
  primera_activacion_ = false;
  emit activada();
  if (acceso_) acceso_();
}

void Tfprincipalauto::tomarAcceso(const std::string& servidor, const std::string& usuario,
                                  const std::string& clave_cifrada) {
  usuario_ = mayusculas(usuario);
  clave_ = clave_cifrada;
  servidor_ = servidor;
  SerOri1->clear();
  SerOri1->addItem(q(servidor_));  // opens the company list
}

void Tfprincipalauto::SerOri1Change(const QString& servidor) {
  if (servidor.isEmpty() || agente_->ciclo().en_curso()) return;
  try {
    std::vector<std::pair<QString, QString>> lista;
    for (const Compania& c : listar_companias(agente_->DbGeneral))
      lista.emplace_back(desde_suite(c.codigo), desde_suite(c.nombre));
    llenarCompanias(lista);
  } catch (const std::exception& e) {
    noManejada(e);
  }
}

void Tfprincipalauto::LCiaOriChange() {
  // A change arriving while a cycle runs (disabled controls can still be set by code)
  // must not move the cycle's connection to another company.
  if (agente_->ciclo().en_curso()) return;
  // The code names a folder (UTF-8, like every path) and a row (the suite's bytes).
  const std::string codigo = s(companiaElegida());
  if (codigo.empty()) return;
  try {
    abrirCompania(codigo);
  } catch (const std::exception& e) {
    // Unattended, the cycle that chose the company logs it and tries again; an operator
    // who logged in reads it as a failed login reads.
    if (linea_.desatendido())
      fallo_compania_ = e.what();
    else if (!servidor_.empty())
      falloAcceso(e);
    else
      noManejada(e);
  }
}

void Tfprincipalauto::abrirCompania(const std::string& codigo) {
  agente_->DbCia.disconnect();
  agente_->DbCia.set_params(db::ConnectParams{engine::ruta_compania(servidor_, codigo), usuario_,
                                              desencriptar_clave(clave_),
                                              agente_->espera_bloqueo()});
  agente_->DbCia.connect();
  compania_conectada_ = hacia_suite(q(codigo));
  std::vector<std::string> sucursales = listar_sucursales(agente_->DbCia);
  CboAgencia->clear();
  CboAgencia->addItem(QStringLiteral("Todas"));
  for (const std::string& n : sucursales) CboAgencia->addItem(desde_suite(n));
  CboAgencia->setCurrentIndex(0);
}

void Tfprincipalauto::falloAcceso(const std::exception& e) {
  try {
    agente_->bitacora().acceso(usuario_, errors::una_linea(e.what()));
  } catch (const std::exception& e2) {
    std::fprintf(stderr, "envioauto: %s\n", e2.what());
  }
  QMessageBox::warning(this, QApplication::applicationName(), q(mensaje_acceso(e.what())));
}

bool Tfprincipalauto::intentarConexion(const std::string& ruta,
                                       const std::function<void()>& abrir) {
  errors::Bitacora& log = agente_->bitacora();
  auto anotar = [&](const std::string& texto) {
    try {
      log.error("", texto);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "envioauto: %s\n", e.what());
    }
    agente_->vista().ultimo_error(log.ultimo_error(texto));
  };
  try {
    abrir();
  } catch (const std::exception& e) {
    if (sin_conexion_ != ruta) anotar(db::textos::sin_conexion(ruta, errors::una_linea(e.what())));
    sin_conexion_ = ruta;
    return false;
  }
  if (!sin_conexion_.empty()) anotar(db::textos::conexion_restablecida(sin_conexion_));
  sin_conexion_.clear();
  return true;
}

bool Tfprincipalauto::prepararConexiones() {
  db::Connection& cia = agente_->DbCia;
  if (!linea_.desatendido()) {
    // An operator's company, opened at its choice: opened again when its link was lost.
    const std::string codigo = s(companiaElegida());
    if (codigo.empty() || (hacia_suite(q(codigo)) == compania_conectada_ && cia.connected()))
      return true;
    return intentarConexion(cia.params().database, [&] { abrirCompania(codigo); });
  }
  const std::string codigo = linea_.parametro(4);
  if (s(companiaElegida()) == codigo) {
    if (compania_conectada_ == hacia_suite(q(codigo)) && cia.connected()) return true;
    return intentarConexion(engine::ruta_compania(servidor_, codigo),
                            [&] { abrirCompania(codigo); });
  }
  // Not chosen yet: the general database lists the companies to choose from.
  const std::string servidor = linea_.parametro(1);
  const std::string usuario = linea_.parametro(2);
  // The password's bytes as the server takes them (the suite's code page).
  const std::string clave = clave_para_servidor(linea_.parametro(3));
  if (!intentarConexion(engine::ruta_general(servidor), [&] {
        agente_->DbGeneral.disconnect();
        agente_->DbGeneral.set_params(db::ConnectParams{engine::ruta_general(servidor), usuario,
                                                        clave, agente_->espera_bloqueo()});
        agente_->DbGeneral.connect();
        listar_companias(agente_->DbGeneral);
      }))
    return false;
  tomarAcceso(servidor, usuario, encriptar_clave(clave));
  fallo_compania_.clear();
  // A code missing from COMPANIA chooses nothing: the cycle's guard says so.
  if (!elegirCompania(q(codigo))) return true;
  return intentarConexion(engine::ruta_compania(servidor_, codigo), [&] {
    if (!fallo_compania_.empty()) throw std::runtime_error(fallo_compania_);
  });
}

void Tfprincipalauto::SpeedButton1Click() {
  if (agente_->ciclo().en_curso()) return;
  if (!prepararConexiones()) {
    // No cycle without its databases: the timer tries again after Minut minutes.
    bool numero = false;
    const long long minutos = Minut->text().toLongLong(&numero);
    armar_temporizador(numero && minutos >= 0 && minutos <= engine::kMaxMinutos
                           ? static_cast<int>(minutos * 60000)
                           : 60000);
    emit cicloTerminado(static_cast<int>(agente::Resultado::Error));
    if (cierre_pedido_) close();
    return;
  }
  // The cycle works on the connections these choose: they hold still until it ends.
  SerOri1->setEnabled(false);
  LCiaOri->setEnabled(false);
  emit cicloEmpieza();
  agente::Resultado r = agente_->ciclo().ejecutar();
  SerOri1->setEnabled(true);
  LCiaOri->setEnabled(true);
  // A choice made by code while the cycle ran takes effect now.
  if (hacia_suite(companiaElegida()) != compania_conectada_) LCiaOriChange();
  if (r == agente::Resultado::EnCurso) return;
  if (r != agente::Resultado::SinCompania) actualizarEstado();
  emit cicloTerminado(static_cast<int>(r));
  if (cierre_pedido_) close();
}

void Tfprincipalauto::Timer1Timer() { SpeedButton1Click(); }

void Tfprincipalauto::actualizarEstado() {
  const std::string compania = compania_conectada_;
  if (compania.empty()) return;
  agente::Medicion m;
  m.compania = compania;
  m.servidor_socios = linea_.parametro(6);
  m.espera_bloqueo = agente_->espera_bloqueo();
  m.frecuencia = Minut->text().toInt();
  try {
    m.ultimo_ciclo = agente_->bitacora().ultimo_ciclo(compania);
  } catch (const std::exception&) {
    // Without the installation directory the last cycle is simply not known.
  }
  agente::Estado e = agente::medir(agente_->DbCia, m, agente_->reloj());
  LabelEstado->setText(QStringLiteral("Estado: ") + q(agente::linea(e)));
  // The local database goes back to how the cycle left it: disconnected until needed.
  agente_->DbCia.end_reads();
}

// ---- what the cycle shows ------------------------------------------------------------

engine::Opciones Tfprincipalauto::opciones() {
  engine::Opciones o;
  o.compania = hacia_suite(companiaElegida());
  o.prefijo = hacia_suite(Pref->text());
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

void Tfprincipalauto::mensaje(const std::string& texto) {
  QMessageBox::critical(this, QApplication::applicationName(), q(texto));
}

void Tfprincipalauto::panel(const std::string& titulo) {
  setPanelCaption(q(titulo));
  Panel3->show();
  repaint();
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

void Tfprincipalauto::evento(const std::string& texto) { Edit1->setText(q(texto)); }

void Tfprincipalauto::mostrar_evento(bool visible) { Edit1->setVisible(visible); }
void Tfprincipalauto::ultimo_envio(const std::string& texto) { EUltenvio->setText(q(texto)); }
void Tfprincipalauto::ultima_descarga(const std::string& texto) { EUltdesc->setText(q(texto)); }

void Tfprincipalauto::ultimo_error(const std::string& texto) { Label8->setText(q(texto)); }

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
