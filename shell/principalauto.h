#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "agente/agente.h"
#include "engine/vista.h"
#include "shell/linea_comandos.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStandardItemModel;
class QTimer;

namespace monitor {
struct Origen;
}

namespace shell {

class Despertar;

// The agent's main window: the origin (server, company, branch), the cycle options, the
// state of the last cycle and the buttons that open the monitoring windows. It owns the
// three connections and the replication cycle, which reaches it only as a VistaCiclo.
class Tfprincipalauto : public QWidget, public engine::VistaCiclo {
  Q_OBJECT

 public:
  explicit Tfprincipalauto(QWidget* parent = nullptr);
  // With parameter 4 on the command line the first activation starts unattended.
  explicit Tfprincipalauto(LineaComandos linea, QWidget* parent = nullptr);
  ~Tfprincipalauto() override;

  agente::Agente& agente() { return *agente_; }
  // What starts a cycle when an event is queued locally; none with --once.
  Despertar* despertar() { return despertar_.get(); }

  // The interactive login of the first activation (Tfaccesoauto by default). The
  // unattended run and tests of the window that do not log in pass an empty function.
  void ponerAcceso(std::function<void()> acceso) { acceso_ = std::move(acceso); }

  // Replaces the companies offered in LCiaOri by `codigoNombre` (COMP_COD, COM_NOMBRE, decoded), in
  // the given order. Afterwards no company is chosen; filling by itself never announces a
  // choice (when a company was chosen before, the change to "none" is announced first).
  void llenarCompanias(const std::vector<std::pair<QString, QString>>& codigoNombre);
  // COMP_COD of the chosen company; empty when none is chosen.
  QString companiaElegida() const;
  // Chooses the company whose COMP_COD is exactly `codigo` and returns true. When no company
  // has that code the choice is cleared and false is returned.
  bool elegirCompania(const QString& codigo);

  // Caption of the progress panel (the phase being run).
  void setPanelCaption(const QString& caption);
  QString panelCaption() const;
  // Advances ProgressBar1 by one step (the bar never passes its maximum).
  void stepProgress();

  // Origin.
  QComboBox* SerOri1;     // server chosen at login
  QComboBox* LCiaOri;     // local company, two-column lookup over the companies
  QComboBox* CboAgencia;  // branches of the local company
  QLineEdit* Pref;        // prefix to send (empty: every prefix)

  // Options of the cycle.
  QLineEdit* Minut;  // minutes between cycles
  QLineEdit* Edit2;  // events fetched per cycle in the download phase
  QLineEdit* NroOp;  // events taken per partner company in the upload phase
  QCheckBox* ckreciente;
  QCheckBox* CkError;

  // State of the last cycle.
  QLineEdit* EUltdesc;
  QLineEdit* EUltenvio;
  QLabel* LabelEstado;  // the health status after the last cycle: verdict and worst figure
  QLabel* Label8;       // last connection error
  QLineEdit* Edit1;     // event being processed, shown only during a cycle
  QFrame* Panel3;       // progress panel, shown only during a cycle
  QProgressBar* ProgressBar1;
  QLabel* Label5;  // revision mark

  // Buttons.
  QPushButton* SpeedButton1;     // Enviar
  QPushButton* SpeedButton2;     // Cancelar
  QPushButton* PngSpeedButton1;  // Mensajes error
  QPushButton* PngSpeedButton2;  // Compañías
  QPushButton* PngSpeedButton4;  // Conf. Documentos
  QPushButton* PngSpeedButton3;  // Pendientes descarga
  QPushButton* PngSpeedButton5;  // Pendiente envio

  // Repeats the cycle; configured for 30 minutes and left stopped.
  QTimer* Timer1;

 signals:
  // The window was activated for the first time: time to log in, or to start unattended.
  void activada();
  // A cycle is about to start, its databases open.
  void cicloEmpieza();
  // A cycle has ended (an agente::Resultado); not emitted for a request while one runs.
  void cicloTerminado(int resultado);

 public slots:
  void SpeedButton1Click();

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private slots:
  void FormActivate();
  void SerOri1Change(const QString& servidor);
  void LCiaOriChange();
  void Timer1Timer();
  // The monitoring windows (principalauto_monitor.cpp).
  void PngSpeedButton1Click();
  void PngSpeedButton2Click();
  void PngSpeedButton3Click();
  void PngSpeedButton4Click();
  void PngSpeedButton5Click();

 private:
  void construirControles();
  void conectarEventos();
  void noManejada(const std::exception& e);
  // Before each cycle, the databases it needs are open or opened again: an unattended
  // agent opens the general database, lists the companies and chooses its own; the
  // chosen company's database is opened again when its link was lost. False when one
  // cannot be opened: the cycle waits for the next turn of the timer.
  bool prepararConexiones();
  // Runs `abrir`; a failure to open `ruta` is logged when it starts and the return of
  // the connection when it ends, not once per cycle.
  bool intentarConexion(const std::string& ruta, const std::function<void()>& abrir);
  // Opens the database of company `codigo` and lists its branches; throws.
  void abrirCompania(const std::string& codigo);
  // An operator's company whose database cannot be opened: told as the login tells a
  // failed login (the message, and the line in ERRORES.TXT).
  void falloAcceso(const std::exception& e);
  void abrirAcceso();
  // Takes the operator's login: remembered, and the company list opened.
  void tomarAcceso(const std::string& servidor, const std::string& usuario,
                   const std::string& clave_cifrada);
  // What a monitoring window takes; false (after the message) with no company chosen.
  bool origenMonitor(monitor::Origen& o);
  // Reads the health status of the chosen company into LabelEstado.
  void actualizarEstado();

  // engine::VistaCiclo
  engine::Opciones opciones() override;
  void poner_traer(const std::string& texto) override;
  void poner_enviar(const std::string& texto) override;
  void mensaje(const std::string& texto) override;
  void panel(const std::string& titulo) override;
  void ocultar_panel() override;
  void progreso(int maximo) override;
  void paso() override;
  void evento(const std::string& texto) override;
  void mostrar_evento(bool visible) override;
  void ultimo_envio(const std::string& texto) override;
  void ultima_descarga(const std::string& texto) override;
  void ultimo_error(const std::string& texto) override;
  void apagar_temporizador() override;
  void armar_temporizador(int intervalo_ms) override;
  void procesar_mensajes() override;
  bool cierre_pedido() override { return cierre_pedido_; }

  QStandardItemModel* companias_;
  QLabel* panelCaption_;

  LineaComandos linea_;
  std::unique_ptr<agente::Agente> agente_;
  std::unique_ptr<Despertar> despertar_;
  bool primera_activacion_ = true;  // until the first activation has been handled
  std::string usuario_;             // operator code, upper case
  std::string clave_;               // operator password, scrambled
  std::string servidor_;            // server root path
  int modo_pendientes_ = 0;         // 0: partner's pending events, 1: local ones
  bool cierre_pedido_ = false;      // closed during a cycle: end once it stops
  std::string compania_conectada_;  // the company DbCia is connected to (the suite's bytes)
  // The database the last attempt could not open (empty: every one opened).
  std::string sin_conexion_;
  // Why the company chosen unattended could not be opened (empty: it was).
  std::string fallo_compania_;
  std::function<void()> acceso_ = [this] { abrirAcceso(); };
};

}  // namespace shell
