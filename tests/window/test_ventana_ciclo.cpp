// The main window at work: the unattended start on a sample installation, the guard
// message, a close during a cycle, and a second activation that does nothing.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>

#include "db/connection.h"
#include "db/textos.h"
#include "schema/esquema.h"
#include "schema/muestra.h"
#include "shell/desatendido.h"
#include "shell/principalauto.h"

using shell::Tfprincipalauto;
namespace fs = std::filesystem;

class TestVentanaCiclo : public QObject {
  Q_OBJECT

  static constexpr const char* kPendientes =
      "SELECT COUNT(*) FROM REPLICA_EVENTOS WHERE RPEV_FECREP IS NULL";
  QTemporaryDir dir_;
  fs::path raiz_;
  std::int64_t pendientes001_ = 0, pendientes002_ = 0;
  std::size_t esperadas_ = 0;

  // The embedded engine takes any password: this one shows which bytes it is given.
  std::unique_ptr<shell::Desatendido> desatendida(const std::string& compania) {
    shell::LineaComandos l =
        shell::analizar_linea({raiz_.string(), schema::kUser, "clave ñ", compania});
    return std::make_unique<shell::Desatendido>(l);
  }

  std::int64_t cuenta(const std::string& compania, const std::string& sql) {
    db::Connection c("prueba");
    c.set_params({schema::company_path(raiz_, compania), schema::kUser, schema::kPassword, 10});
    return c.query(sql).at(0, 0).as_integer();
  }

  std::vector<std::string> lineas(const char* archivo) {
    std::ifstream in(raiz_ / "logs" / archivo);
    std::vector<std::string> out;
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  }

 private slots:
  void init() {
    QVERIFY(dir_.isValid());
    raiz_ = fs::path(dir_.path().toStdString()) / "inst";
    schema::crear_muestra(raiz_);
    pendientes001_ = cuenta("001", kPendientes);
    pendientes002_ = cuenta("002", kPendientes);
    // What one cycle of 001 takes: its own events but the 236, and 002's addressed to it.
    esperadas_ = static_cast<std::size_t>(
        cuenta("001", std::string(kPendientes) + " AND RPEV_TIPO <> 236") +
        cuenta("002", std::string(kPendientes) + " AND RPEV_COMPANIA = '001'"));
    qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString((raiz_ / "xdg").string()));
  }

  void cleanup() { fs::remove_all(raiz_); }

  void elArranqueDesatendidoReplicaYRearmaElTemporizador() {
    auto d = desatendida("001");
    QSignalSpy fin(d.get(), &shell::Desatendido::primerCicloTerminado);
    Tfprincipalauto* w = &d->ventana();
    w->show();
    QVERIFY(fin.wait(30000));
    QCOMPARE(fin.first().first().toInt(), 0);
    QCOMPARE(*d->primerCiclo(), agente::Resultado::Completo);
    // The company chosen from the command line, the branch list filled with the names
    // read in the suite's code page; the password went as the login window sends it.
    QCOMPARE(w->companiaElegida(), QStringLiteral("001"));
    QCOMPARE(w->CboAgencia->itemText(0), QStringLiteral("Todas"));
    QCOMPARE(w->CboAgencia->count(), 3);
    QCOMPARE(w->CboAgencia->itemText(1), QStringLiteral("Casa matriz Ñuñoa"));
    QCOMPARE(w->agente().DbGeneral.params().password, std::string("clave \xF1"));
    // Documents went both ways; the next cycle comes after Minut minutes.
    QCOMPARE(
        cuenta("002", "SELECT COUNT(*) FROM ENTRADAS WHERE ENTR_NUMERO IN ('000101','000102')"), 2);
    QCOMPARE(cuenta("001", "SELECT COUNT(*) FROM ENTRADAS WHERE ENTR_NUMERO = '000007'"), 1);
    QVERIFY(w->Timer1->isActive());
    QCOMPARE(w->Timer1->interval(), 60000);
    QVERIFY(!w->EUltenvio->text().isEmpty());
    QVERIFY(w->EUltenvio->text() != QStringLiteral("Sin envios hasta ahora."));
    QVERIFY(!w->Panel3->isVisible());
    // The status line under "Estado": the sample's queues are empty after the cycle.
    QCOMPARE(w->LabelEstado->text(), QStringLiteral("Estado: Sano: 0 pendientes"));
    const std::size_t auditadas = lineas("ENVIO.TXT").size();
    QCOMPARE(auditadas, esperadas_);  // every event of the sample but the 236

    // A second activation neither logs in again nor starts a cycle.
    w->hide();
    w->show();
    QTest::qWait(200);
    QCOMPARE(fin.count(), 1);
    QCOMPARE(lineas("ENVIO.TXT").size(), auditadas);
  }

  void sinCompaniaDesatendidoElAvisoVaAlRegistro() {
    auto d = desatendida("999");  // not in COMPANIA: nothing is chosen
    QSignalSpy fin(d.get(), &shell::Desatendido::primerCicloTerminado);
    d->ventana().show();
    QVERIFY(fin.wait(30000));
    QCOMPARE(*d->primerCiclo(), agente::Resultado::SinCompania);
    std::vector<std::string> errores = lineas("errorenvio.txt");
    QCOMPARE(errores.size(), std::size_t{1});
    QVERIFY(errores[0].size() > 21);
    QCOMPARE(QString::fromStdString(errores[0].substr(19)),
             QStringLiteral(",,Debe indicar la compañía de origen."));
    QCOMPARE(cuenta("001", kPendientes), pendientes001_);
  }

  // A service started before its databases exist: each cycle tries to open them, one
  // line tells when they went missing and one when they came back, and the documents
  // are copied without a restart.
  void sinSusBasesElDesatendidoLasBuscaEnCadaCicloYReplicaCuandoAparecen() {
    fs::rename(raiz_ / "datos", raiz_ / "datos.aparte");
    auto d = desatendida("001");
    QSignalSpy fin(d.get(), &shell::Desatendido::primerCicloTerminado);
    Tfprincipalauto* w = &d->ventana();
    w->show();
    QVERIFY(fin.wait(30000));
    QCOMPARE(fin.first().first().toInt(), 1);  // with --once the program exits with 1
    QVERIFY(w->Timer1->isActive());
    QCOMPARE(w->Timer1->interval(), 60000);  // the next cycle tries again
    std::vector<std::string> errores = lineas("errorenvio.txt");
    QCOMPARE(errores.size(), std::size_t{1});
    const std::string general = schema::general_path(raiz_);
    QVERIFY2(errores[0].find(",,No se pudo conectar con " + general + ": ") == 19,
             errores[0].c_str());
    w->SpeedButton1Click();  // the timer's next turn: still missing, nothing new logged
    QCOMPARE(lineas("errorenvio.txt").size(), std::size_t{1});

    fs::rename(raiz_ / "datos.aparte", raiz_ / "datos");
    QSignalSpy ciclos(w, &Tfprincipalauto::cicloTerminado);
    w->SpeedButton1Click();
    QCOMPARE(ciclos.count(), 1);
    QCOMPARE(ciclos.first().first().toInt(), int(agente::Resultado::Completo));
    errores = lineas("errorenvio.txt");
    QCOMPARE(errores.size(), std::size_t{2});
    QCOMPARE(QString::fromStdString(errores[1].substr(19)),
             QString::fromStdString(",," + db::textos::conexion_restablecida(general)));
    QCOMPARE(
        cuenta("002", "SELECT COUNT(*) FROM ENTRADAS WHERE ENTR_NUMERO IN ('000101','000102')"), 2);
    QCOMPARE(lineas("ENVIO.TXT").size(), esperadas_);
  }

  void enviarSinCompaniaMuestraElAvisoYNoTocaElTemporizador() {
    Tfprincipalauto w;  // interactive
    w.ponerAcceso({});
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QString texto;
    QTimer::singleShot(100, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        texto = box->text();
        box->accept();
      }
    });
    const int antes = w.Timer1->interval();
    w.SpeedButton1->click();
    QCOMPARE(texto, QStringLiteral("Debe indicar la compañía de origen."));
    QVERIFY(w.Timer1->isActive());
    QCOMPARE(w.Timer1->interval(), antes);
  }

  void cerrarDuranteElCicloEsperaAlEventoYNoDejaNadaAMedias() {
    auto d = desatendida("001");
    QSignalSpy fin(d.get(), &shell::Desatendido::primerCicloTerminado);
    Tfprincipalauto* w = &d->ventana();
    w->show();
    // Queued behind the start: the operator closes the window as soon as the cycle
    // lets the window react, before the first event is copied.
    QTimer::singleShot(0, w, [&] { QTimer::singleShot(0, w, &QWidget::close); });
    QVERIFY(fin.wait(30000));
    QCOMPARE(*d->primerCiclo(), agente::Resultado::Interrumpido);
    QTRY_VERIFY(!w->isVisible());
    QCOMPARE(cuenta("001", "SELECT COUNT(*) FROM ENTRADAS WHERE ENTR_NUMERO = '000007'"), 0);
    QCOMPARE(cuenta("002", kPendientes), pendientes002_);
    QCOMPARE(cuenta("001", kPendientes), pendientes001_);
  }

  void otraCompaniaElegidaDuranteElCicloNoCambiaDondeEscribe() {
    auto d = desatendida("001");
    QSignalSpy fin(d.get(), &shell::Desatendido::primerCicloTerminado);
    Tfprincipalauto* w = &d->ventana();
    bool deshabilitados = false;
    // As soon as the cycle lets the window react, company 002 is chosen.
    QTimer::singleShot(0, w, [&] {
      QTimer::singleShot(0, w, [&] {
        deshabilitados = !w->LCiaOri->isEnabled() && !w->SerOri1->isEnabled();
        w->elegirCompania(QStringLiteral("002"));
      });
    });
    w->show();
    QVERIFY(fin.wait(30000));
    QCOMPARE(*d->primerCiclo(), agente::Resultado::Completo);
    QVERIFY(deshabilitados);
    // The download went into 001, the company the cycle started with; the upload took
    // 001's events, not 002's.
    QCOMPARE(cuenta("001", "SELECT COUNT(*) FROM ENTRADAS WHERE ENTR_NUMERO = '000007'"), 1);
    QCOMPARE(cuenta("002", "SELECT COUNT(*) FROM ENTRADAS WHERE ENTR_NUMERO = '000007'"), 1);
    QCOMPARE(
        cuenta("002", "SELECT COUNT(*) FROM ENTRADAS WHERE ENTR_NUMERO IN ('000101','000102')"), 2);
    // Once the cycle ended the new choice took effect.
    QVERIFY(w->LCiaOri->isEnabled());
    QCOMPARE(w->agente().DbCia.params().database, schema::company_path(raiz_, "002"));
    QCOMPARE(cuenta("001", std::string(kPendientes) + " AND RPEV_TIPO <> 236"), 0);
  }
};

QTEST_MAIN(TestVentanaCiclo)
#include "test_ventana_ciclo.moc"
