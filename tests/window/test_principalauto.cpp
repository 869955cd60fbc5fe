// What the operator sees in the main window before any cycle has run: the controls, their
// captions and defaults, which boxes accept typing, the company chooser and the progress
// panel.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "shell/principalauto.h"

using shell::Tfprincipalauto;

namespace {

const std::vector<std::pair<QString, QString>> kCompanias = {
    {QStringLiteral("001"), QStringLiteral("Casa matriz")},
    {QStringLiteral("002"), QStringLiteral("Sucursal Norte")},
    {QStringLiteral("010"), QStringLiteral("Distribuidora Peñalara")},
};

// The label whose text is `texto`, or null.
QLabel* etiquetaCon(QWidget* ventana, const QString& texto) {
  for (QLabel* l : ventana->findChildren<QLabel*>()) {
    if (l->text() == texto) return l;
  }
  return nullptr;
}

QRect enVentana(QWidget* ventana, QWidget* w) {
  return QRect(w->mapTo(ventana, QPoint(0, 0)), w->size());
}

}  // namespace

class TestPrincipalauto : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir instalacion_;
  std::unique_ptr<Tfprincipalauto> w;

  QLineEdit* edit(const char* nombre) { return w->findChild<QLineEdit*>(QLatin1String(nombre)); }

  // Every shown control lies inside the window and its caption is not cut.
  void compruebaQueTodoCabe() {
    const QRect area = w->rect();
    for (QWidget* c : w->findChildren<QWidget*>()) {
      if (!c->isVisible() || c->window() != w.get()) continue;
      if (!qobject_cast<QPushButton*>(c) && !qobject_cast<QLineEdit*>(c) &&
          !qobject_cast<QComboBox*>(c) && !qobject_cast<QCheckBox*>(c) &&
          !qobject_cast<QLabel*>(c) && !qobject_cast<QProgressBar*>(c))
        continue;
      const QRect r = enVentana(w.get(), c);
      QVERIFY2(area.contains(r),
               qPrintable(c->objectName() + QLatin1String(" sale de la ventana")));
      QVERIFY2(r.width() > 0 && r.height() > 0, qPrintable(c->objectName()));
      QString texto;
      if (auto* b = qobject_cast<QPushButton*>(c)) texto = b->text();
      if (auto* k = qobject_cast<QCheckBox*>(c)) texto = k->text();
      if (auto* l = qobject_cast<QLabel*>(c); l && !l->wordWrap()) texto = l->text();
      if (!texto.isEmpty()) {
        QVERIFY2(c->width() >= c->fontMetrics().horizontalAdvance(texto),
                 qPrintable(texto + QLatin1String(" aparece cortado")));
      }
    }
  }

 private slots:
  // The installation directory points at a folder of the test's own, so the error
  // logs of choosing a company that has no database land there and no box asks
  // for a click.
  void initTestCase() {
    QVERIFY(instalacion_.isValid());
    QDir(instalacion_.path()).mkpath(QStringLiteral("xdg/Lyr"));
    QFile conf(instalacion_.filePath(QStringLiteral("xdg/Lyr/Velmora2026.conf")));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write("[General]\nDirectorio=" + instalacion_.path().toUtf8() + "\n");
    conf.close();
    qputenv("XDG_CONFIG_DIRS", instalacion_.filePath(QStringLiteral("xdg")).toUtf8());
  }

  void init() {
    w = std::make_unique<Tfprincipalauto>();
    w->ponerAcceso({});  // no login: the window as it opens
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
  }

  void cleanup() { w.reset(); }

  void titulo() { QCOMPARE(w->windowTitle(), QStringLiteral("Envío de información")); }

  void cadaControlExisteConSuNombreYClase_data() {
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("clase");
    const char* const filas[][2] = {
        {"SerOri1", "QComboBox"},
        {"LCiaOri", "QComboBox"},
        {"CboAgencia", "QComboBox"},
        {"Pref", "QLineEdit"},
        {"Minut", "QLineEdit"},
        {"Edit2", "QLineEdit"},
        {"NroOp", "QLineEdit"},
        {"ckreciente", "QCheckBox"},
        {"CkError", "QCheckBox"},
        {"EUltdesc", "QLineEdit"},
        {"EUltenvio", "QLineEdit"},
        {"Label8", "QLabel"},
        {"SpeedButton1", "QPushButton"},
        {"SpeedButton2", "QPushButton"},
        {"PngSpeedButton1", "QPushButton"},
        {"PngSpeedButton2", "QPushButton"},
        {"PngSpeedButton3", "QPushButton"},
        {"PngSpeedButton4", "QPushButton"},
        {"PngSpeedButton5", "QPushButton"},
        {"Edit1", "QLineEdit"},
        {"Panel3", "QFrame"},
        {"ProgressBar1", "QProgressBar"},
        {"Label5", "QLabel"},
        {"Timer1", "QTimer"},
    };
    for (const auto& f : filas) {
      QTest::newRow(f[0]) << QString::fromLatin1(f[0]) << QString::fromLatin1(f[1]);
    }
  }

  void cadaControlExisteConSuNombreYClase() {
    QFETCH(QString, nombre);
    QFETCH(QString, clase);
    const QList<QObject*> hallados = w->findChildren<QObject*>(nombre);
    QCOMPARE(hallados.size(), 1);
    QVERIFY2(hallados.front()->inherits(qPrintable(clase)),
             hallados.front()->metaObject()->className());
  }

  void losMiembrosSonLosControlesDeLaVentana() {
    QCOMPARE(w->findChild<QComboBox*>("LCiaOri"), w->LCiaOri);
    QCOMPARE(w->findChild<QLineEdit*>("NroOp"), w->NroOp);
    QCOMPARE(w->findChild<QPushButton*>("SpeedButton1"), w->SpeedButton1);
    QCOMPARE(w->findChild<QFrame*>("Panel3"), w->Panel3);
    QCOMPARE(w->findChild<QTimer*>("Timer1"), w->Timer1);
    QVERIFY(w->Panel3->isAncestorOf(w->ProgressBar1));
  }

  void captionsDeLosBotones_data() {
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("texto");
    QTest::newRow("SpeedButton1") << "SpeedButton1" << QStringLiteral("Enviar");
    QTest::newRow("SpeedButton2") << "SpeedButton2" << QStringLiteral("Cancelar");
    QTest::newRow("PngSpeedButton1") << "PngSpeedButton1" << QStringLiteral("Mensajes error");
    QTest::newRow("PngSpeedButton2") << "PngSpeedButton2" << QStringLiteral("Compañías");
    QTest::newRow("PngSpeedButton4") << "PngSpeedButton4" << QStringLiteral("Conf. Documentos");
    QTest::newRow("PngSpeedButton3") << "PngSpeedButton3" << QStringLiteral("Pendientes descarga");
    QTest::newRow("PngSpeedButton5") << "PngSpeedButton5" << QStringLiteral("Pendiente envio");
  }

  void captionsDeLosBotones() {
    QFETCH(QString, nombre);
    QFETCH(QString, texto);
    auto* b = w->findChild<QPushButton*>(nombre);
    QVERIFY(b);
    QCOMPARE(b->text(), texto);
    QVERIFY(b->isVisible());
    QVERIFY(b->isEnabled());
  }

  void valoresIniciales() {
    QCOMPARE(edit("Minut")->text(), QStringLiteral("1"));
    QCOMPARE(edit("Edit2")->text(), QStringLiteral("500"));
    QCOMPARE(edit("NroOp")->text(), QStringLiteral("500"));
    QCOMPARE(edit("Pref")->text(), QString());
    QCOMPARE(edit("EUltdesc")->text(), QString());
    QCOMPARE(edit("EUltenvio")->text(), QString());
    QCOMPARE(edit("Edit1")->text(), QString());

    auto* reciente = w->findChild<QCheckBox*>("ckreciente");
    QCOMPARE(reciente->text(), QStringLiteral("Enviar lo más reciente primero"));
    QVERIFY(!reciente->isChecked());
    auto* error = w->findChild<QCheckBox*>("CkError");
    QCOMPARE(error->text(), QStringLiteral("No reintentar errores"));
    QVERIFY(!error->isChecked());

    QCOMPARE(w->findChild<QLabel*>("Label8")->text(), QStringLiteral("Ultimo error:"));
    QCOMPARE(w->findChild<QLabel*>("Label5")->text(), QStringLiteral("Rev:2026/03/04"));

    for (const char* nombre : {"SerOri1", "LCiaOri", "CboAgencia"}) {
      auto* c = w->findChild<QComboBox*>(nombre);
      QVERIFY2(!c->isEditable(), nombre);
      QVERIFY2(c->currentText().isEmpty(), nombre);
    }
    QCOMPARE(w->findChild<QComboBox*>("SerOri1")->count(), 0);
    QCOMPARE(w->findChild<QComboBox*>("CboAgencia")->count(), 0);
    QCOMPARE(w->companiaElegida(), QString());
  }

  void cadaCajaTieneSuEtiqueta_data() {
    QTest::addColumn<QString>("etiqueta");
    QTest::addColumn<QString>("control");
    QTest::newRow("agencia") << "Agencia:"
                             << "CboAgencia";
    QTest::newRow("prefijo") << "Prefijo a enviar:"
                             << "Pref";
    QTest::newRow("frecuencia") << "Frecuencia:"
                                << "Minut";
    QTest::newRow("traer") << "Operaciones a traer:"
                           << "Edit2";
    QTest::newRow("enviar") << "Operaciones a enviar:"
                            << "NroOp";
    QTest::newRow("descarga") << "Ultima descarga:"
                              << "EUltdesc";
    QTest::newRow("envio") << "Ultimo envio:"
                           << "EUltenvio";
  }

  void cadaCajaTieneSuEtiqueta() {
    QFETCH(QString, etiqueta);
    QFETCH(QString, control);
    QLabel* l = etiquetaCon(w.get(), etiqueta);
    QVERIFY2(l, qPrintable(etiqueta));
    auto* c = w->findChild<QWidget*>(control);
    QCOMPARE(l->buddy(), c);
    QVERIFY(l->isVisible());
    // Read left to right: the label comes before its box, on the same line.
    const QRect rl = enVentana(w.get(), l);
    const QRect rc = enVentana(w.get(), c);
    QVERIFY(rl.right() < rc.left());
    QVERIFY(rl.top() < rc.bottom() && rc.top() < rl.bottom());
  }

  void lasMinutosSeLeenDetrasDeLaFrecuencia() {
    QLabel* min = etiquetaCon(w.get(), QStringLiteral("min."));
    QVERIFY(min);
    QVERIFY(min->isVisible());
    const QRect rm = enVentana(w.get(), min);
    const QRect rc = enVentana(w.get(), edit("Minut"));
    QVERIFY(rc.right() < rm.left());
    QVERIFY(rm.top() < rc.bottom() && rc.top() < rm.bottom());
  }

  void lasPiezasDelCicloEstanOcultasAlEmpezar() {
    QVERIFY(!w->findChild<QLineEdit*>("Edit1")->isVisible());
    QVERIFY(!w->findChild<QFrame*>("Panel3")->isVisible());
    QVERIFY(w->findChild<QLabel*>("Label8")->isVisible());
    QVERIFY(w->findChild<QLineEdit*>("EUltdesc")->isVisible());
  }

  void lasCajasDeEstadoNoAdmitenEscritura() {
    for (const char* nombre : {"EUltdesc", "EUltenvio", "Edit1"}) {
      QLineEdit* e = edit(nombre);
      QVERIFY2(e->isReadOnly(), nombre);
      e->setFocus();
      QTest::keyClicks(e, QStringLiteral("abc"));
      QCOMPARE(e->text(), QString());
    }
    // The prefix, by contrast, takes any text.
    QTest::keyClicks(edit("Pref"), QStringLiteral("FV-1"));
    QCOMPARE(edit("Pref")->text(), QStringLiteral("FV-1"));
  }

  void lasCantidadesSoloAdmitenDigitos_data() {
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("tecleado");
    QTest::addColumn<QString>("queda");
    for (const char* nombre : {"Edit2", "NroOp", "Minut"}) {
      const QString n = QString::fromLatin1(nombre);
      QTest::newRow(qPrintable(n + " letra")) << n << "12a"
                                              << "12";
      QTest::newRow(qPrintable(n + " inyeccion")) << n << "5;drop"
                                                  << "5";
      QTest::newRow(qPrintable(n + " numero")) << n << "80"
                                               << "80";
      QTest::newRow(qPrintable(n + " signo")) << n << "-3"
                                              << "3";
    }
  }

  void lasCantidadesSoloAdmitenDigitos() {
    QFETCH(QString, nombre);
    QFETCH(QString, tecleado);
    QFETCH(QString, queda);
    QLineEdit* e = edit(qPrintable(nombre));
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QCOMPARE(e->text(), QString());
    QVERIFY(e->hasAcceptableInput());  // an empty box is allowed
    QTest::keyClicks(e, tecleado);
    QCOMPARE(e->text(), queda);
  }

  void laCompaniaSeEligePorSuCodigo() {
    QSignalSpy cambios(w->LCiaOri, &QComboBox::currentTextChanged);
    w->llenarCompanias(kCompanias);
    QCOMPARE(w->LCiaOri->count(), 3);
    // Filling the list does not choose a company for the operator.
    QCOMPARE(cambios.count(), 0);
    QCOMPARE(w->LCiaOri->currentText(), QString());
    QCOMPARE(w->companiaElegida(), QString());

    QVERIFY(w->elegirCompania(QStringLiteral("002")));
    QCOMPARE(w->LCiaOri->currentText(), QStringLiteral("Sucursal Norte"));
    QCOMPARE(w->companiaElegida(), QStringLiteral("002"));
    QCOMPARE(cambios.count(), 1);
    QCOMPARE(cambios.takeFirst().at(0).toString(), QStringLiteral("Sucursal Norte"));

    QVERIFY(w->elegirCompania(QStringLiteral("010")));
    QCOMPARE(w->LCiaOri->currentText(), QStringLiteral("Distribuidora Peñalara"));
    QCOMPARE(w->companiaElegida(), QStringLiteral("010"));
  }

  void unCodigoInexistenteNoEligeNada() {
    w->llenarCompanias(kCompanias);
    QVERIFY(w->elegirCompania(QStringLiteral("001")));
    QVERIFY(!w->elegirCompania(QStringLiteral("999")));
    QCOMPARE(w->companiaElegida(), QString());
    QCOMPARE(w->LCiaOri->currentText(), QString());
    // Codes are compared whole: a name or a part of a code is not a code.
    QVERIFY(!w->elegirCompania(QStringLiteral("Casa matriz")));
    QVERIFY(!w->elegirCompania(QStringLiteral("01")));
    QVERIFY(!w->elegirCompania(QString()));
    QCOMPARE(w->companiaElegida(), QString());
  }

  void sinListaNoHayCompania() {
    QVERIFY(!w->elegirCompania(QStringLiteral("001")));
    QCOMPARE(w->companiaElegida(), QString());
  }

  void rellenarLaListaAnulaLaEleccion() {
    w->llenarCompanias(kCompanias);
    QVERIFY(w->elegirCompania(QStringLiteral("002")));
    QSignalSpy cambios(w->LCiaOri, &QComboBox::currentTextChanged);
    w->llenarCompanias({{QStringLiteral("002"), QStringLiteral("Sucursal Norte")}});
    QCOMPARE(w->companiaElegida(), QString());
    QCOMPARE(w->LCiaOri->currentText(), QString());
    QCOMPARE(w->LCiaOri->count(), 1);
    // Only the loss of the old choice is announced, as an empty text.
    QCOMPARE(cambios.count(), 1);
    QCOMPARE(cambios.takeFirst().at(0).toString(), QString());
  }

  void elOperadorEligeConElTeclado() {
    w->llenarCompanias(kCompanias);
    w->LCiaOri->setFocus();
    QTest::keyClick(w->LCiaOri, Qt::Key_Down);
    QCOMPARE(w->companiaElegida(), QStringLiteral("001"));
    QTest::keyClick(w->LCiaOri, Qt::Key_Down);
    QCOMPARE(w->companiaElegida(), QStringLiteral("002"));
    QCOMPARE(w->LCiaOri->currentText(), QStringLiteral("Sucursal Norte"));
  }

  void laListaDeCompaniasMuestraCodigoYNombre() {
    w->llenarCompanias(kCompanias);
    w->LCiaOri->showPopup();
    auto* tabla = qobject_cast<QTableView*>(w->LCiaOri->view());
    QVERIFY(tabla);
    QTRY_VERIFY(tabla->isVisible());
    QVERIFY(tabla->horizontalHeader()->isVisible());
    const QAbstractItemModel* m = tabla->model();
    QCOMPARE(m->columnCount(), 2);
    QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Código"));
    QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Nombre"));
    QCOMPARE(m->index(2, 0).data().toString(), QStringLiteral("010"));
    QCOMPARE(m->index(2, 1).data().toString(), QStringLiteral("Distribuidora Peñalara"));
    for (int col = 0; col < 2; ++col) {
      QVERIFY(!tabla->isColumnHidden(col));
      QVERIFY(tabla->columnWidth(col) > 0);
    }
    // The names are wide enough to be read whole.
    QVERIFY(tabla->columnViewportPosition(1) + tabla->columnWidth(1) <= tabla->viewport()->width());
    QVERIFY(tabla->columnWidth(1) >=
            tabla->fontMetrics().horizontalAdvance(QStringLiteral("Distribuidora Peñalara")));

    // Clicking a row chooses that company.
    const QRect fila = tabla->visualRect(m->index(1, 0));
    QTest::mouseClick(tabla->viewport(), Qt::LeftButton, {}, fila.center());
    QTRY_VERIFY(!tabla->isVisible());
    QCOMPARE(w->companiaElegida(), QStringLiteral("002"));
  }

  void elPanelDeProgresoMuestraLaFase() {
    const QString fase = QStringLiteral("Descargando información del servidor ...");
    w->setPanelCaption(fase);
    QCOMPARE(w->panelCaption(), fase);
    QLabel* leyenda = nullptr;
    for (QLabel* l : w->Panel3->findChildren<QLabel*>()) {
      if (l->text() == fase) leyenda = l;
    }
    QVERIFY(leyenda);
    w->Panel3->show();
    QVERIFY(leyenda->isVisible());
    QVERIFY(w->ProgressBar1->isVisible());
  }

  void laBarraAvanzaDeUnoEnUno() {
    QProgressBar* barra = w->ProgressBar1;
    barra->setRange(0, 3);
    barra->setValue(0);
    w->stepProgress();
    QCOMPARE(barra->value(), 1);
    w->stepProgress();
    QCOMPARE(barra->value(), 2);
    w->stepProgress();
    QCOMPARE(barra->value(), 3);
    w->stepProgress();  // a full bar stays full
    QCOMPARE(barra->value(), 3);
  }

  void elTemporizadorArrancaConMediaHora() {
    auto* t = w->findChild<QTimer*>("Timer1");
    QVERIFY(t);
    QCOMPARE(t->interval(), 1800000);
    QVERIFY(t->isActive());
  }

  void laVentanaAbreEn560x420YTodoSeVe() {
    QCOMPARE(w->size(), QSize(560, 420));
    QTest::qWait(50);  // the nested layouts settle over several rounds of the event loop
    compruebaQueTodoCabe();
    if (QTest::currentTestFailed()) return;
  }

  // The progress pieces appear inside the window as it is: it neither grows nor cuts.
  void duranteUnCicloTambienCabe() {
    w->Edit1->show();
    w->Panel3->show();
    w->Edit1->setText(QStringLiteral("11,I,EN12345,ART-0001"));
    w->setPanelCaption(QStringLiteral("Enviando información al servidor 002"));
    w->EUltdesc->setText(QStringLiteral("Sin descargas hasta ahora."));
    w->EUltenvio->setText(QStringLiteral("09/12/2026 - 09:16:45"));
    w->Label8->setText(
        QStringLiteral("Ult. error:09/12/2026:09:16:45 No se pudo conectar con el servidor "
                       "servidor02:C:\\Velmora\\datos\\003\\velmora.fdb"));
    QTest::qWait(50);  // the nested layouts settle over several rounds of the event loop
    QCOMPARE(w->size(), QSize(560, 420));
    compruebaQueTodoCabe();
    if (QTest::currentTestFailed()) return;
    // The whole connection error can be read, wrapped over several lines if need be.
    QVERIFY(w->Label8->height() >= w->Label8->heightForWidth(w->Label8->width()));
    const QRect ocupa = w->Label8->fontMetrics().boundingRect(QRect(0, 0, w->Label8->width(), 1000),
                                                              Qt::TextWordWrap, w->Label8->text());
    QVERIFY(ocupa.width() <= w->Label8->width());
    for (QLineEdit* e : {w->EUltdesc, w->EUltenvio}) {
      QVERIFY2(e->width() > e->fontMetrics().horizontalAdvance(e->text()), qPrintable(e->text()));
    }
  }
};

QTEST_MAIN(TestPrincipalauto)
#include "test_principalauto.moc"
