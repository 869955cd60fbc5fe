#pragma once
// "Control de acceso": the operator picks a server from SERVIDORES.cfg (or types one),
// gives a user code and a password, and the window connects the general database of
// that server with them. A failed login is logged in ERRORES.TXT, explained in a
// message, and leaves the window open for another try.

#include <QDialog>
#include <string>

#include "db/connection.h"
#include "errors/bitacora.h"

class QComboBox;
class QFrame;
class QLineEdit;
class QPushButton;

namespace shell {

class Tfaccesoauto : public QDialog {
  Q_OBJECT

 public:
  Tfaccesoauto(db::Connection& general, errors::Bitacora& bitacora, int espera_bloqueo,
               QWidget* parent = nullptr);

  QComboBox* Servidor;
  QLineEdit* Tusua;
  QLineEdit* TClave;
  QPushButton* Entrar;
  QPushButton* Salir;
  QFrame* PanelConectando;

  // After a successful login: the user code in upper case, the scrambled password (of
  // its bytes in the suite's code page) and the server as typed.
  const std::string& usuario() const { return usuario_; }
  const std::string& clave() const { return clave_; }
  const std::string& servidor() const { return servidor_; }

  // "F2: &Entrar".
  void entrar();

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  void fallo(const std::string& usuario, const std::exception& e);

  db::Connection& general_;
  errors::Bitacora& bitacora_;
  int espera_bloqueo_;
  std::string usuario_, clave_, servidor_;
};

}  // namespace shell
