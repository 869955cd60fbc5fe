// The main window at work: the unattended start on a sample installation, the guard
// message, a close during a cycle, and a second activation that does nothing.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
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

#include "agente/despertador.h"
#include "db/connection.h"
#include "db/textos.h"
#include "schema/esquema.h"
#include "schema/muestra.h"
#include "shell/desatendido.h"
#include "shell/despertar.h"
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
  // `minutos`: the frequency (parameter 8) instead of the default.
  std::unique_ptr<shell::Desatendido> desatendida(const std::string& compania,
                                                  const std::string& minutos = "") {
    std::vector<std::string> p{raiz_.string(), schema::kUser, "clave ñ", compania};
    if (!minutos.empty()) p.insert(p.end(), {"0", "", "500", minutos});
    return std::make_unique<shell::Desatendido>(shell::analizar_linea(p));
  }

  // An entry of 001 for 002 as the suite saves one while the agent idles: each row
  // committed on its own, the queue's event last.
  // `con_evento` false: the document's rows only (evento queues it).
  void documento(db::Connection& a, int id, bool con_evento = true) {
    using db::Value;
    a.execute(
        "INSERT INTO ENTRADAS (ENTR_ID, TIDO_COD, PREF_PRE, ENTR_NUMERO, ENTR_FECHA, BODE_COD) "
        "VALUES (?, 11, 'EN', ?, '2026-12-01', '01')",
        {Value::integer(id), Value::text(std::to_string(id))});
    a.execute(
        "INSERT INTO ENTRADAS_DETALLE (ENTR_ID, ENDE_ITEM, BODE_COD, ARTI_COD, ENDE_CANT) VALUES "
        "(?, 1, '01', 'ART-1', 2)",
        {Value::integer(id)});
    if (con_evento) evento(a, id);
  }
  void evento(db::Connection& a, int id) {
    using db::Value;
    a.execute(
        "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, "
        "RPEV_NUMERO, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER) VALUES ('002', 11, ?, 'EN', ?, "
        "CURRENT_DATE, CURRENT_TIME, 'I')",
        {Value::integer(id), Value::text(std::to_string(id))});
  }
  // How many of 001's documents numbered from `desde` to `hasta` are on 002.
  std::int64_t copiados(int desde, int hasta) {
    return cuenta("002", "SELECT COUNT(*) FROM ENTRADAS WHERE ENTR_NUMERO BETWEEN '" +
                             std::to_string(desde) + "' AND '" + std::to_string(hasta) + "'");
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

  // An agent idling between cycles half an hour apart: what the suite queues starts a
  // cycle within a second or so. A burst is taken by one cycle; events queued while a
  // cycle runs, after it read its list, start one more when it ends, never one over it.
  void unDocumentoEnColaDespiertaAlAgenteSinEsperarAlTemporizador() {
    auto d = desatendida("001", "30");
    QSignalSpy fin(d.get(), &shell::Desatendido::primerCicloTerminado);
    Tfprincipalauto* w = &d->ventana();
    w->show();
    QVERIFY(fin.wait(30000));
    QVERIFY(w->despertar());
    QTRY_VERIFY_WITH_TIMEOUT(w->despertar()->escuchando(), 10000);
    QSignalSpy ciclos(w, &Tfprincipalauto::cicloTerminado);
    int solapados = 0;
    bool en_ciclo = false;
    connect(w, &Tfprincipalauto::cicloEmpieza, w, [&] {
      solapados += en_ciclo || w->agente().ciclo().en_curso();
      en_ciclo = true;
    });
    connect(w, &Tfprincipalauto::cicloTerminado, w, [&] { en_ciclo = false; });
    db::Connection a("001");
    a.set_params({schema::company_path(raiz_, "001"), schema::kUser, schema::kPassword, 10});

    QElapsedTimer reloj;
    reloj.start();
    documento(a, 9001);
    QTRY_COMPARE_WITH_TIMEOUT(copiados(9001, 9001), std::int64_t{1}, 5000);
    qInfo("queued document stamped after %.2f s", reloj.elapsed() / 1000.0);
    QCOMPARE(cuenta("001", kPendientes + std::string(" AND RPEV_TIPO <> 236")), std::int64_t{0});
    QTest::qWait(int(agente::kPausaAviso.count()) * 2);
    QCOMPARE(ciclos.count(), 1);
    QVERIFY(w->Timer1->isActive());
    QCOMPARE(w->Timer1->interval(), 30 * 60000);

    // A burst: four documents queued 0.1 s apart, each committed on its own, its notice
    // taken by the window meanwhile, are gathered by the wait into one cycle (unless a
    // scheduler held the test back for longer than the wait, which may split them).
    for (int id = 9002; id <= 9005; ++id) documento(a, id, false);
    reloj.restart();
    for (int id = 9002; id <= 9005; ++id) {
      evento(a, id);
      if (id < 9005) QTest::qWait(100);
    }
    const bool junta = reloj.elapsed() < agente::kPausaAviso.count();
    QTRY_COMPARE_WITH_TIMEOUT(copiados(9002, 9005), std::int64_t{4}, 5000);
    QTest::qWait(int(agente::kPausaAviso.count()) * 2);
    if (junta)
      QCOMPARE(ciclos.count(), 2);
    else
      QVERIFY(ciclos.count() == 2 || ciclos.count() == 3);
    const int tras_rafaga = ciclos.count();

    // Two documents queued while the next cycle copies its first event: its list is read.
    bool encolados = false;
    connect(w->Edit1, &QLineEdit::textChanged, w, [&] {
      if (encolados || !w->agente().ciclo().en_curso()) return;
      encolados = true;
      documento(a, 9007);
      documento(a, 9008);
    });
    documento(a, 9006);
    QTRY_COMPARE_WITH_TIMEOUT(copiados(9006, 9008), std::int64_t{3}, 5000);
    QVERIFY(encolados);
    QTest::qWait(int(agente::kPausaAviso.count()) * 2);
    QCOMPARE(ciclos.count(), tras_rafaga + 2);
    QCOMPARE(solapados, 0);
    for (const QList<QVariant>& c : ciclos)
      QCOMPARE(c.first().toInt(), int(agente::Resultado::Completo));
    QCOMPARE(cuenta("001", kPendientes + std::string(" AND RPEV_TIPO <> 236")), std::int64_t{0});
  }

  // A queue without the trigger (as the suite's databases come): the agent listens,
  // hears nothing, and waits for its timer as it always did.
  void sinElDisparadorElAgenteEsperaAlTemporizador() {
    {
      db::Connection a("001");
      a.set_params({schema::company_path(raiz_, "001"), schema::kUser, schema::kPassword, 10});
      a.execute("DROP TRIGGER REPLICA_EVENTOS_AVISO");
    }
    auto d = desatendida("001", "30");
    QSignalSpy fin(d.get(), &shell::Desatendido::primerCicloTerminado);
    Tfprincipalauto* w = &d->ventana();
    w->show();
    QVERIFY(fin.wait(30000));
    QTRY_VERIFY_WITH_TIMEOUT(w->despertar()->escuchando(), 10000);
    QSignalSpy ciclos(w, &Tfprincipalauto::cicloTerminado);
    db::Connection a("001");
    a.set_params({schema::company_path(raiz_, "001"), schema::kUser, schema::kPassword, 10});
    documento(a, 9001);
    QTest::qWait(2000);
    QCOMPARE(ciclos.count(), 0);
    QCOMPARE(copiados(9001, 9001), std::int64_t{0});
    QVERIFY(w->Timer1->isActive());
    QCOMPARE(w->Timer1->interval(), 30 * 60000);
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
