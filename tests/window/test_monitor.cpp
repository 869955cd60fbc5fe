// The monitoring windows on a sample installation: which events each browser lists,
// "Borrar" with Yes and No, "Guardar selección" through the save dialog, the settings
// editors with "Grabar", "Cancelar" and the close box, and a browser opened during a
// cycle.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaProperty>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "db/connection.h"
#include "modal.h"
#include "monitor/mensajesenv.h"
#include "monitor/pendientes.h"
#include "monitor/repcompania.h"
#include "monitor/repdocs.h"
#include "plataforma/pagina_codigos.h"
#include "schema/esquema.h"
#include "schema/muestra.h"
#include "shell/desatendido.h"
#include "shell/principalauto.h"

using namespace monitor;
namespace fs = std::filesystem;

class TestMonitor : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  fs::path raiz_;

  db::ConnectParams bd(const char* compania) {
    return {schema::company_path(raiz_, compania), schema::kUser, schema::kPassword, 10};
  }
  Origen origen() {
    Origen o;
    o.local = bd("001");
    o.socio = bd("002");
    o.compania = "001";
    o.ciclo_en_curso = [] { return false; };
    return o;
  }
  std::string uno(const char* compania, const std::string& sql) {
    db::Connection c("prueba");
    c.set_params(bd(compania));
    db::Rows r = c.query(sql);
    std::string out;
    for (std::size_t i = 0; i < r.size(); ++i) {
      for (std::size_t k = 0; k < r.columns().size(); ++k) out += r.at(i, k).as_text() + "|";
      out += "\n";
    }
    return out;
  }
  void ejecutar(const char* compania, const std::string& sql) {
    db::Connection c("prueba");
    c.set_params(bd(compania));
    c.execute(sql);
  }
  static QStringList columna(VentanaEventos& w, int c) {
    QStringList out;
    QAbstractItemModel* m = w.rejilla()->proxy();
    for (int f = 0; f < m->rowCount(); ++f) out << m->index(f, c).data().toString();
    return out;
  }
  static QStringList titulos(QAbstractItemModel* m) {
    QStringList out;
    for (int c = 0; c < m->columnCount(); ++c) out << m->headerData(c, Qt::Horizontal).toString();
    return out;
  }
  // The titles of the columns shown.
  static QStringList visibles(VentanaEventos& w) {
    QStringList out;
    const QStringList todos = titulos(w.rejilla()->proxy());
    for (int c = 0; c < todos.size(); ++c)
      if (!w.rejilla()->vista()->isColumnHidden(c)) out << todos[c];
    return out;
  }
  // Answers the next question with `si` and keeps its text; after a Yes, the message
  // that follows is kept and closed too.
  static QPointer<QTimer> responder(bool si, QString& pregunta, QString& resultado) {
    return alAbrir<QMessageBox>([si, &pregunta, &resultado](QMessageBox* b) {
      pregunta = b->text();
      if (si)
        alAbrir<QMessageBox>([&resultado](QMessageBox* r) {
          resultado = r->text();
          r->accept();
        });
      b->done(si ? QMessageBox::Yes : QMessageBox::No);
    });
  }
  // Answers the next confirmation with `si` and returns its text.
  static QPointer<QTimer> responder(bool si, QString& texto) {
    return alAbrir<QMessageBox>([si, &texto](QMessageBox* b) {
      texto = b->text();
      b->done(si ? QMessageBox::Yes : QMessageBox::No);
    });
  }

 private slots:
  void init() {
    QVERIFY(dir_.isValid());
    raiz_ = fs::path(dir_.path().toStdString()) / "inst";
    schema::crear_muestra(raiz_);
    qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString((raiz_ / "xdg").string()));
    // Two local events failed; the 236 failed too and is never listed. The texts are the
    // suite's: Windows-1252 bytes.
    ejecutar("001",
             "UPDATE REPLICA_EVENTOS SET RPEV_ERROR = 'violation of FOREIGN KEY <FK> & {x}', "
             "RPEV_CODIGO = 'C-101' WHERE (RPEV_NUMERO = '000101' AND RPEV_TIPO = 11) OR RPEV_TIPO "
             "= 236");
    ejecutar(
        "001",
        "UPDATE REPLICA_EVENTOS SET RPEV_ERROR = 'lock conflict en Pe\xF1\x61lol\xE9n, 3 \x80', "
        "RPEV_CODIGO = 'C-300' WHERE RPEV_NUMERO = '000300' AND RPEV_TIPO = 21");
  }
  void cleanup() { fs::remove_all(raiz_); }

  void losErroresListanLoQueFallo() {
    Tfmensajesenv w(origen());
    QCOMPARE(w.windowTitle(), QStringLiteral("Mensajes de error o advertencia del envio"));
    QCOMPARE(titulos(w.rejilla()->proxy()),
             QStringList({"Tipo doc", "Pref", "Número", "Código", "Servidor", "Fecha", "Hora", "Op",
                          "Prefd", "PtVt", "Mensaje de error"}));
    QCOMPARE(columna(w, 2), QStringList({"000101", "000300"}));
    QCOMPARE(columna(w, 0), QStringList({"ENTR", "FACO"}));
    QCOMPARE(columna(w, 10), QStringList({"violation of FOREIGN KEY <FK> & {x}",
                                          "lock conflict en Peñalolén, 3 €"}));
    // Sorting by a title, then by a second one with Shift.
    w.rejilla()->ordenarPor(10, false);
    QCOMPARE(columna(w, 2), QStringList({"000300", "000101"}));
    w.rejilla()->ordenarPor(4, false);
    w.rejilla()->ordenarPor(2, true);
    w.rejilla()->ordenarPor(2, true);  // the second key turns descending
    QCOMPARE(columna(w, 2), QStringList({"000300", "000101"}));
    // The filter row acts only while "Activar filtros" is ticked.
    w.rejilla()->filtro(10)->setText(QStringLiteral("LOCK"));
    QCOMPARE(columna(w, 2).size(), 2);
    w.rejilla()->activarFiltros()->setChecked(true);
    QCOMPARE(columna(w, 2), QStringList({"000300"}));
    w.rejilla()->activarFiltros()->setChecked(false);
    QCOMPARE(columna(w, 2).size(), 2);
    // The navigator's delete takes the row out of the list only.
    w.rejilla()->irAFila(0);
    w.rejilla()->navegador()->boton(Navegador::Borrar)->click();
    QCOMPARE(w.modelo()->rowCount(), 1);
    QCOMPARE(uno("001", "SELECT COUNT(*) FROM REPLICA_EVENTOS WHERE RPEV_ERROR IS NOT NULL"),
             std::string("3|\n"));
  }

  void borrarPreguntaYSoloConSiBorra() {
    Tfmensajesenv w(origen());
    w.show();
    w.rejilla()->ordenarPor(2, false);
    w.rejilla()->irAFila(0);
    QString texto;
    QPointer<QTimer> t = responder(false, texto);
    w.Borrar->click();
    olvidar(t);
    QCOMPARE(texto, QStringLiteral("Esta seguro de borrar el evento para el documento C-101?"));
    QCOMPARE(w.modelo()->rowCount(), 2);
    t = responder(true, texto);
    w.Borrar->click();
    olvidar(t);
    QCOMPARE(uno("001",
                 "SELECT RPEV_NUMERO FROM REPLICA_EVENTOS WHERE RPEV_ERROR IS NOT NULL "
                 "ORDER BY 1"),
             std::string("|\n000300|\n"));  // the 236 and the other failed event remain
    QCOMPARE(columna(w, 2), QStringList({"000300"}));
  }

  void losPendientesEnLosDosModos() {
    Tfpendientes envio(origen(), Tfpendientes::Envio);
    QCOMPARE(titulos(envio.rejilla()->proxy())[2], QStringLiteral("Numero"));
    QCOMPARE(visibles(envio).size(), 10);
    // Every pending event of the sample but the 236 and the failed ones.
    const QStringList enviar = columna(envio, 2);
    QCOMPARE(std::to_string(enviar.size()) + "|\n",
             uno("001",
                 "SELECT COUNT(*) FROM REPLICA_EVENTOS WHERE RPEV_FECREP IS NULL AND RPEV_ERROR "
                 "IS NULL AND RPEV_TIPO <> 236"));
    QVERIFY(enviar.contains(QStringLiteral("000102")));
    QVERIFY(!enviar.contains(QStringLiteral("000300")));
    // The queue's figures above the list: every pending event, the failed ones too.
    QVERIFY2(
        envio.Cifras->text().startsWith(
            QStringLiteral("envío a 002: %1 pendientes")
                .arg(QString::fromStdString(
                         uno("001",
                             "SELECT COUNT(*) FROM REPLICA_EVENTOS WHERE RPEV_FECREP IS NULL AND "
                             "RPEV_TIPO <> 236 AND RPEV_COMPANIA = '002'"))
                         .chopped(2))),
        qPrintable(envio.Cifras->text()));
    Tfpendientes descarga(origen(), Tfpendientes::Descarga);
    const QStringList traer = columna(descarga, 2);
    QCOMPARE(std::to_string(traer.size()) + "|\n",
             uno("002",
                 "SELECT COUNT(*) FROM REPLICA_EVENTOS WHERE RPEV_FECREP IS NULL AND "
                 "RPEV_COMPANIA = '001'"));
    QVERIFY(traer.contains(QStringLiteral("000007")) && traer.contains(QStringLiteral("000008")));
    QVERIFY2(
        descarga.Cifras->text().startsWith(
            QStringLiteral("descarga de la compañía asociada: %1 pendientes").arg(traer.size())),
        qPrintable(descarga.Cifras->text()));
    QCOMPARE(descarga.Borrar->text(), QStringLiteral("Borrar"));
    QVERIFY(!descarga.rejilla()->navegador()->boton(Navegador::Borrar));
    // Re-activation reads again.
    ejecutar("002",
             "UPDATE REPLICA_EVENTOS SET RPEV_FECREP = CURRENT_DATE WHERE RPEV_NUMERO = "
             "'000007' AND RPEV_TIPO = 11");
    descarga.show();
    QVERIFY(QTest::qWaitForWindowActive(&descarga));
    QTRY_COMPARE(columna(descarga, 2).size(), traer.size() - 1);
    // Without a partner database configured yet the window says why it is empty.
    Origen sin = origen();
    sin.socio = {};
    Tfpendientes vacia(sin, Tfpendientes::Descarga);
    QCOMPARE(vacia.modelo()->rowCount(), 0);
    QVERIFY(vacia.Aviso->text().contains(QStringLiteral("Enviar")));
  }

  // "Reenviar" queues a fresh event for the failed one's document, once.
  void reenviarEncolaUnEventoNuevoYSoloUno() {
    auto eventos = [&] {
      return uno(
          "001",
          "SELECT RPEV_OPER, RPEV_COMPANIA, RPEV_IDDOC, RPEV_FECREP, RPEV_ERROR FROM "
          "REPLICA_EVENTOS WHERE RPEV_TIPO = 11 AND RPEV_NUMERO = '000101' ORDER BY RPEV_ID");
    };
    const std::string antes = eventos();
    const std::string nuevo = "I|002|101|||\n";
    Tfmensajesenv w(origen());
    w.show();
    w.rejilla()->ordenarPor(2, false);
    w.rejilla()->irAFila(0);
    QString pregunta, resultado;
    QPointer<QTimer> t = responder(false, pregunta, resultado);
    w.Reenviar->click();
    olvidar(t);
    QCOMPARE(pregunta, preguntaReenviar(1, QStringLiteral("EN 000101 C-101")));
    QCOMPARE(eventos(), antes);
    t = responder(true, pregunta, resultado);
    w.Reenviar->click();
    olvidar(t);
    QCOMPARE(resultado, resultadoReenviar(1, 0, {}));
    QCOMPARE(eventos(), antes + nuevo);
    // The document has its pending event now: pressed again, nothing more is queued.
    t = responder(true, pregunta, resultado);
    w.Reenviar->click();
    olvidar(t);
    QCOMPARE(resultado, resultadoReenviar(0, 1, {}));
    QCOMPARE(eventos(), antes + nuevo);
  }

  // "Incluir enviados" lists the events already sent, with when; "Reenviar" is refused
  // while a cycle runs, like "Borrar".
  void incluirEnviadosYReenviarFueraDeUnCiclo() {
    ejecutar("001",
             "UPDATE REPLICA_EVENTOS SET RPEV_FECREP = '2026-12-09', RPEV_HORAREP = '09:00:00' "
             "WHERE RPEV_TIPO = 11 AND RPEV_NUMERO = '000102'");
    auto eventos = [&] {
      return uno("001",
                 "SELECT RPEV_OPER, RPEV_FECREP FROM REPLICA_EVENTOS WHERE RPEV_TIPO = 11 AND "
                 "RPEV_NUMERO = '000102' ORDER BY RPEV_ID");
    };
    Origen o = origen();
    bool ciclo = false;
    o.ciclo_en_curso = [&ciclo] { return ciclo; };
    Tfpendientes w(o, Tfpendientes::Envio);
    w.show();
    QVERIFY(!columna(w, 2).contains(QStringLiteral("000102")));
    QVERIFY(!visibles(w).contains(QStringLiteral("Enviado")));
    w.Enviados->setChecked(true);
    QCOMPARE(visibles(w).mid(10), QStringList({"Enviado", "Hora envío"}));
    const int fila = static_cast<int>(columna(w, 2).indexOf(QStringLiteral("000102")));
    QVERIFY(fila >= 0);
    QCOMPARE(columna(w, 10)[fila], QStringLiteral("2026-12-09"));
    w.rejilla()->vista()->selectRow(fila);

    ciclo = true;  // started while the question was open
    QString pregunta, resultado;
    QPointer<QTimer> t = responder(true, pregunta, resultado);
    w.Reenviar->click();
    olvidar(t);
    QCOMPARE(resultado, QString::fromUtf8(kCicloEnCurso));
    QCOMPARE(eventos(), std::string("I|2026-12-09|\n"));
    ciclo = false;
    t = responder(true, pregunta, resultado);
    w.Reenviar->click();
    olvidar(t);
    QCOMPARE(resultado, resultadoReenviar(1, 0, {}));
    QCOMPARE(eventos(), std::string("I|2026-12-09|\nI||\n"));
  }

  // The partner's queue holds what it sends to other companies too: those are its own.
  void enLaColaDelSocioSoloSeReenviaLoDirigidoAEstaCompania() {
    ejecutar("002",
             "UPDATE REPLICA_EVENTOS SET RPEV_FECREP = '2026-12-09', RPEV_COMPANIA = '003' WHERE "
             "RPEV_NUMERO = '000007' AND RPEV_TIPO = 11");
    Tfpendientes w(origen(), Tfpendientes::Descarga);
    w.show();
    w.Enviados->setChecked(true);
    w.rejilla()->vista()->selectRow(
        static_cast<int>(columna(w, 2).indexOf(QStringLiteral("000007"))));
    QString pregunta, resultado;
    QPointer<QTimer> t = responder(true, pregunta, resultado);
    w.Reenviar->click();
    olvidar(t);
    QCOMPARE(resultado,
             resultadoReenviar(
                 0, 0, {QStringLiteral("EB 000007: ") + QString::fromUtf8(kAjenoNoSeReenvia)}));
    QCOMPARE(
        uno("002",
            "SELECT COUNT(*) FROM REPLICA_EVENTOS WHERE RPEV_NUMERO = '000007' AND RPEV_TIPO = 11"),
        std::string("1|\n"));
  }

  void guardarSeleccionAplicaLaExtension() {
    Tfmensajesenv w(origen());
    w.show();
    w.rejilla()->ordenarPor(2, false);
    w.rejilla()->irAFila(1);  // only the second row is selected
    w.rejilla()->vista()->selectRow(1);
    const QString base = dir_.filePath(QStringLiteral("errores"));
    QPointer<QTimer> t = alAbrir<QFileDialog>([&](QFileDialog* d) {
      d->selectNameFilter(QStringLiteral("Comma separated values (*.csv)"));
      d->setDirectory(dir_.path());
      d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("errores"));
      QMetaObject::invokeMethod(d, "accept");
    });
    w.guardarSeleccion();
    olvidar(t);
    QVERIFY2(QFileInfo::exists(base + QStringLiteral(".csv")),
             qPrintable(QDir(dir_.path()).entryList().join(QLatin1Char(' '))));
    std::ifstream in(base.toStdString() + ".csv");
    std::string titulos, fila, mas;
    std::getline(in, titulos);
    std::getline(in, fila);
    QVERIFY(!std::getline(in, mas));
    // UTF-8 with its byte-order mark, so that a spreadsheet reads the accents right.
    QVERIFY2(titulos.rfind("\xEF\xBB\xBFTipo doc,Pref,Número,Código", 0) == 0, titulos.c_str());
    QVERIFY2(fila.find(",000300,C-300,002,") != std::string::npos, fila.c_str());
    QVERIFY2(fila.find(",\"lock conflict en Peñalolén, 3 €\"") != std::string::npos, fila.c_str());
  }

  void companiasGrabarCancelarYCierre() {
    auto activa = [&] { return uno("001", "SELECT RPCO_COD, RPCO_ACTIVA FROM REPLICA_COMPANIA"); };
    QCOMPARE(activa(), std::string("002|S|\n"));
    {
      Tfrepcompania w(origen());
      QCOMPARE(titulos(w.modelo()), QStringList({"Código", "Compañía", "Servidor", "Activa"}));
      QCOMPARE(w.modelo()->index(0, 3).data(Qt::CheckStateRole).value<Qt::CheckState>(),
               Qt::Checked);
      QVERIFY(w.modelo()->setData(w.modelo()->index(0, 3), Qt::Unchecked, Qt::CheckStateRole));
      w.Cancelar->click();
      QCOMPARE(activa(), std::string("002|S|\n"));
    }
    {
      Tfrepcompania w(origen());
      w.show();
      QVERIFY(w.modelo()->setData(w.modelo()->index(0, 3), Qt::Unchecked, Qt::CheckStateRole));
      w.close();  // the close box discards
      QCOMPARE(activa(), std::string("002|S|\n"));
    }
    {
      Tfrepcompania w(origen());
      w.show();
      QVERIFY(w.modelo()->setData(w.modelo()->index(0, 3), Qt::Unchecked, Qt::CheckStateRole));
      const int nueva = w.modelo()->insertar();
      QVERIFY(
          w.modelo()->setData(w.modelo()->index(nueva, 0), QStringLiteral("003"), Qt::EditRole));
      QVERIFY(w.modelo()->setData(w.modelo()->index(nueva, 2), QStringLiteral("srv3:/v"),
                                  Qt::EditRole));
      w.Grabar->click();
      QCOMPARE(w.result(), int(QDialog::Accepted));
    }
    QCOMPARE(uno("001",
                 "SELECT RPCO_COD, RPCO_ACTIVA, RPCO_SERVIDOR FROM REPLICA_COMPANIA ORDER "
                 "BY 1"),
             std::string("002|N|" + raiz_.string() + "|\n003||srv3:/v|\n"));
  }

  // What an editor's delegate does with a cell: the editor opened on the value shown,
  // `texto` typed when given (otherwise the cell is left as shown), the value committed.
  static void editar(QTableView* v, int fila, int columna, const QString* texto = nullptr) {
    const QModelIndex i = v->model()->index(fila, columna);
    QAbstractItemDelegate* d = v->itemDelegateForIndex(i);
    std::unique_ptr<QWidget> e(d->createEditor(v->viewport(), QStyleOptionViewItem(), i));
    d->setEditorData(e.get(), i);
    if (texto) e->setProperty(e->metaObject()->userProperty().name(), *texto);
    d->setModelData(e.get(), v->model(), i);
  }

  void losAjustesSeLeenYSeGrabanEnLaPaginaDeCodigosDeLaSuite() {
    // 0x81 has no character in Windows-1252: the cell shows U+FFFD and, unless edited,
    // its byte must stay.
    ejecutar("001",
             "INSERT INTO REPLICA_COMPANIA (RPCO_COD, RPCP_NOMBRE, RPCO_SERVIDOR, RPCO_ACTIVA) "
             "VALUES ('003', 'Caf\xE9 \x81', 'srv3:/Compa\xF1\xED"
             "a', 'N')");
    ejecutar("001", "UPDATE REPLICACION_CONFIGURA SET REPC_PREFDEST = '\xD1\x31'");
    const std::string sql =
        "SELECT RPCO_COD, RPCP_NOMBRE, RPCO_SERVIDOR, RPCO_ACTIVA FROM REPLICA_COMPANIA ORDER BY 1";
    const std::string antes = uno("001", sql);
    {
      Tfrepcompania w(origen());
      QCOMPARE(w.modelo()->index(0, 1).data().toString(),
               QStringLiteral("Distribuciones Peñalolén Ltda."));
      QCOMPARE(w.modelo()->index(1, 1).data().toString(), QStringLiteral("Café \uFFFD"));
      QCOMPARE(w.modelo()->index(1, 2).data().toString(), QStringLiteral("srv3:/Compañía"));
      // Every text cell opened and closed as it was: nothing to write.
      for (int f = 0; f < 2; ++f)
        for (int c = 0; c < 3; ++c) editar(w.rejilla()->vista(), f, c);
      QVERIFY(!w.modelo()->hayCambios());
      QVERIFY2(w.Aviso->text().isEmpty(), qPrintable(w.Aviso->text()));
      w.Grabar->click();
    }
    QCOMPARE(uno("001", sql), antes);
    {
      Tfrepcompania w(origen());
      const QString nombre = QStringLiteral("Compañía Ñandú");
      editar(w.rejilla()->vista(), 1, 1, &nombre);
      // A character the code page cannot hold is refused, and the operator told why.
      const QString otro = QStringLiteral("Łódź");
      editar(w.rejilla()->vista(), 0, 1, &otro);
      QCOMPARE(
          w.Aviso->text(),
          QStringLiteral("Valor no aceptado en «Compañía»: ") +
              QString::fromStdString(plataforma::textos::sin_caracter_en_pagina("WINDOWS-1252")));
      w.Grabar->click();
      QCOMPARE(w.result(), int(QDialog::Accepted));
    }
    // Only the edited cell changed, and it holds the code page's bytes of what was typed.
    std::string despues = antes;
    despues.replace(despues.find("Caf\xE9 \x81"), 6,
                    "Compa\xF1\xED"
                    "a \xD1\x61nd\xFA");
    QCOMPARE(uno("001", sql), despues);
    Tfrepdocs d(origen());
    QCOMPARE(d.modelo()->index(0, 5).data().toString(), QStringLiteral("Ñ1"));
  }

  void documentosGrabarConElTipoYUnFalloQueNoCierra() {
    {
      Tfrepdocs w(origen());
      QCOMPARE(titulos(w.modelo()), QStringList({"Tipo documento", "Prefijo", "Replica", "Compañía",
                                                 "Agencia", "Pref.Des", "Bod.Des"}));
      QCOMPARE(w.modelo()->index(0, 0).data().toString(), QStringLiteral("ENTR"));
      QVERIFY(w.modelo()->setData(w.modelo()->index(0, 0), QVariant::fromValue<qlonglong>(13),
                                  Qt::EditRole));
      QCOMPARE(w.modelo()->index(0, 0).data().toString(), QStringLiteral("TRAS"));
      // A number column refuses text, and says so.
      QVERIFY(!w.modelo()->setData(w.modelo()->index(0, 4), QStringLiteral("x"), Qt::EditRole));
      QVERIFY(!w.Aviso->text().isEmpty());
      w.Grabar->click();
      QCOMPARE(w.result(), int(QDialog::Accepted));
    }
    QCOMPARE(uno("001", "SELECT REPC_TIPO, REPC_PREF FROM REPLICACION_CONFIGURA"),
             std::string("13|EN|\n"));
    // A row the server refuses (a duplicate key) keeps the window open with its changes.
    Tfrepdocs w(origen());
    w.show();
    const int nueva = w.modelo()->insertar();
    w.modelo()->setData(w.modelo()->index(nueva, 0), QVariant::fromValue<qlonglong>(13),
                        Qt::EditRole);
    w.modelo()->setData(w.modelo()->index(nueva, 1), QStringLiteral("EN"), Qt::EditRole);
    w.modelo()->setData(w.modelo()->index(nueva, 3), QStringLiteral("002"), Qt::EditRole);
    QString texto;
    QPointer<QTimer> t = alAbrir<QMessageBox>([&](QMessageBox* b) {
      texto = b->text();
      b->accept();
    });
    w.Grabar->click();
    olvidar(t);
    QVERIFY2(texto.startsWith(QStringLiteral("No se grabaron los cambios: ")), qPrintable(texto));
    QVERIFY(w.isVisible());
    QCOMPARE(w.modelo()->rowCount(), 2);
    QCOMPARE(uno("001", "SELECT COUNT(*) FROM REPLICACION_CONFIGURA"), std::string("1|\n"));
  }

  // The operator opens the pending window during a cycle and presses "Borrar" there:
  // nothing is deleted and the cycle writes what it writes without the window.
  void unaVentanaAbiertaDuranteElCicloNoCambiaLoQueEscribe() {
    ejecutar("001", "UPDATE REPLICA_EVENTOS SET RPEV_ERROR = NULL");
    shell::LineaComandos l =
        shell::analizar_linea({raiz_.string(), schema::kUser, schema::kPassword, "001"});
    shell::Desatendido d(l);
    shell::Tfprincipalauto& p = d.ventana();
    QSignalSpy fin(&d, &shell::Desatendido::primerCicloTerminado);
    bool abierta = false, borrarRechazado = false;
    QString aviso;
    // Pressed as soon as the cycle lets messages through.
    QTimer::singleShot(0, &p, [&] {
      QTimer::singleShot(0, &p, [&] {
        alAbrir<Tfpendientes>([&](Tfpendientes* w) {
          abierta = true;
          w->rejilla()->irAFila(0);
          alAbrir<QMessageBox>([&](QMessageBox* b) {
            if (b->text().startsWith(QStringLiteral("Esta seguro"))) {
              b->done(QMessageBox::Yes);
              alAbrir<QMessageBox>([&](QMessageBox* b2) {
                aviso = b2->text();
                borrarRechazado = true;
                b2->accept();
              });
            }
          });
          w->Borrar->click();
          QTimer::singleShot(200, w, &QDialog::close);
        });
        p.PngSpeedButton5->click();
      });
    });
    p.show();
    QVERIFY(fin.wait(60000));
    QVERIFY(abierta);
    QVERIFY(borrarRechazado);
    QCOMPARE(aviso, QString::fromUtf8(kCicloEnCurso));
    QCOMPARE(*d.primerCiclo(), agente::Resultado::Completo);
    // What an undisturbed cycle writes: every event of the sample but the 236 stamped,
    // the documents copied both ways.
    QCOMPARE(uno("001", "SELECT RPEV_TIPO FROM REPLICA_EVENTOS WHERE RPEV_FECREP IS NULL"),
             std::string("236|\n"));
    QCOMPARE(uno("002", "SELECT COUNT(*) FROM REPLICA_EVENTOS WHERE RPEV_FECREP IS NULL"),
             std::string("0|\n"));
    QCOMPARE(uno("002", "SELECT COUNT(*) FROM ENTRADAS WHERE ENTR_NUMERO IN ('000101','000102')"),
             std::string("2|\n"));
    QCOMPARE(uno("001", "SELECT COUNT(*) FROM ENTRADAS WHERE ENTR_NUMERO = '000007'"),
             std::string("1|\n"));
  }
};

QTEST_MAIN(TestMonitor)
#include "test_monitor.moc"
