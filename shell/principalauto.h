#pragma once

#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStandardItemModel;
class QTimer;

namespace shell {

// The agent's main window: the origin (server, company, branch), the cycle options, the
// state of the last cycle and the buttons that open the monitoring windows. This class
// only builds the controls; the replication cycle and the button handlers are connected
// from outside through the public members.
class Tfprincipalauto : public QWidget {
  Q_OBJECT

 public:
  explicit Tfprincipalauto(QWidget* parent = nullptr);
  ~Tfprincipalauto() override;

  // Replaces the companies offered in LCiaOri by `codigoNombre` (COMP_COD, COM_NOMBRE), in
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
  QLabel* Label8;  // last connection error
  QLineEdit* Edit1;  // event being processed, shown only during a cycle
  QFrame* Panel3;    // progress panel, shown only during a cycle
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

 private:
  QStandardItemModel* companias_;
  QLabel* panelCaption_;
};

}  // namespace shell
