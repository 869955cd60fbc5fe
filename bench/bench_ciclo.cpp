// Replication benchmark: inventory entries sent through real upload cycles of one
// running agent (its connections stay open from cycle to cycle, as they do in the
// window or unattended), next to a bare loop that issues the same commits.
//
//   envio_bench [HOST]                times on the embedded engine and, with HOST
//                                     ("localhost"), through that server side by side;
//                                     round trips counted by a link in front of it
//   envio_bench --latencia=MS HOST    the same cycles over a link of MS ms per round trip
//   envio_bench --memoria [HOST]      peak memory of a cycle of 500 events of 200 lines
//   envio_bench --cola [HOST]         time per event with 1,000 and 100,000 stamped rows
//                                     in the queue
//   envio_bench --despertar HOST      seconds from queueing a document to its stamp, with
//                                     the real unattended agent idling between cycles a
//                                     minute apart (--sin-aviso: without the queue's trigger)
//   envio_bench --destinatarios HOST  cycle time for one addressee and for 8, each partner
//                                     behind a slow link of its own, and their ratio
//
// Through a server the files must be reachable by the server's user
// (ENVIO_E2E_USER/ENVIO_E2E_PASSWORD give the credentials).
#include <ibase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "agente/agente.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/fb.h"
#include "db/message.h"
#include "schema/esquema.h"
#include "support/enlace.h"
#include "support/proceso.h"
#include "support/sistema.h"
#include "support/temp.h"

namespace fs = std::filesystem;
using db::Value;

namespace {

struct VistaMuda : engine::VistaCiclo {
  engine::Opciones op;
  engine::Opciones opciones() override { return op; }
  void poner_traer(const std::string&) override {}
  void poner_enviar(const std::string&) override {}
  void mensaje(const std::string& t) override { std::fprintf(stderr, "%s\n", t.c_str()); }
  void panel(const std::string&) override {}
  void ocultar_panel() override {}
  void progreso(int) override {}
  void paso() override {}
  void evento(const std::string&) override {}
  void mostrar_evento(bool) override {}
  void ultimo_envio(const std::string&) override {}
  void ultima_descarga(const std::string&) override {}
  void ultimo_error(const std::string& t) override { std::fprintf(stderr, "%s\n", t.c_str()); }
  void apagar_temporizador() override {}
  void armar_temporizador(int) override {}
  void procesar_mensajes() override {}
  bool cierre_pedido() override { return false; }
};

double segundos(std::chrono::steady_clock::time_point desde) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - desde).count();
}

// "001", "002"...
std::string codigo_compania(int n) {
  std::string t = std::to_string(n);
  return std::string(t.size() < 3 ? 3 - t.size() : 0, '0') + t;
}

struct Banco {
  fs::path raiz;
  std::string prefijo;  // "" embedded, "host:" (or the link's "127.0.0.1/port:") a server
  std::string usuario = schema::kUser, clave = schema::kPassword;

  db::ConnectParams params(const std::string& code) const {
    return {prefijo + schema::company_path(raiz, code), usuario, clave, 60};
  }
  // The same files reached another way (through the counting link).
  Banco por(const std::string& otro_prefijo) const {
    Banco b = *this;
    b.prefijo = otro_prefijo;
    return b;
  }
};

// An installation of company 001 and `socios` companies after it (002, 003...), 001
// sending to 002.
Banco instalar(const std::string& host, int socios = 1) {
  Banco b;
  const char* dir = std::getenv("ENVIO_BENCH_DIR");
  b.raiz = testing_support::nueva_carpeta(dir ? fs::path(dir) : fs::temp_directory_path(),
                                          "envio-bench-") /
           "inst";
  std::vector<std::string> companias;
  for (int i = 1; i <= socios + 1; ++i) companias.push_back(codigo_compania(i));
  schema::create_installation(b.raiz, companias);
  if (!host.empty()) {
    b.prefijo = host + ":";
    if (const char* u = std::getenv("ENVIO_E2E_USER")) b.usuario = u;
    if (const char* p = std::getenv("ENVIO_E2E_PASSWORD")) b.clave = p;
    // The server opens the files as its own user, where there is one.
    auto dar = [](const fs::path& p) {
      if (testing_support::ceder(p, "firebird") == testing_support::Cesion::NoPermitida)
        throw std::runtime_error("no se pudo ceder " + p.string() + " al usuario firebird");
    };
    dar(b.raiz.parent_path());
    for (const auto& e : fs::recursive_directory_iterator(b.raiz.parent_path())) dar(e.path());
  }
  db::Connection a("001");
  a.set_params(b.params("001"));
  // The partner's root comes from the command-line override of every cycle.
  schema::enlazar_socio(a, "002", "servidor", b.usuario, b.clave);
  return b;
}

// Reads every row of `tablas`: the versions the deletes before it left behind are
// collected now, not by the first statement timed after it.
void recoger(db::Connection& c, const std::vector<std::string>& tablas) {
  for (const std::string& t : tablas) c.query("SELECT COUNT(*) FROM " + t);
}

// `documentos` pending entries of `lineas` lines from 001 to 002, each copied afresh.
// `sellados_tambien`: the stamped events go too (else only those of these entries).
void preparar(const Banco& b, int documentos, int lineas, bool sellados_tambien = true) {
  db::Connection a("001"), d("002");
  a.set_params(b.params("001"));
  d.set_params(b.params("002"));
  a.execute(sellados_tambien ? "DELETE FROM REPLICA_EVENTOS"
                             : "DELETE FROM REPLICA_EVENTOS WHERE RPEV_IDDOC < 900000");
  a.execute("DELETE FROM ENTRADAS_DETALLE");
  a.execute("DELETE FROM ENTRADAS");
  d.execute("DELETE FROM ENTRADAS_DETALLE");
  d.execute("DELETE FROM ENTRADAS");
  a.execute(
      "EXECUTE BLOCK (DOCS INTEGER = ?, LINEAS INTEGER = ?) AS DECLARE D INTEGER = 1; DECLARE I "
      "INTEGER; BEGIN WHILE (D <= DOCS) DO BEGIN "
      "INSERT INTO ENTRADAS (ENTR_ID, TIDO_COD, PREF_PRE, ENTR_NUMERO, ENTR_FECHA, BODE_COD, "
      "TERC_NIT, ENTR_CONC, ENTR_TOTAL, ENTR_OBS) VALUES (:D, 11, 'EN', 100000 + :D, "
      "'2026-12-01', '01', '900123456', 'Entrada', 1000, 'observaciones'); "
      "I = 1; WHILE (I <= LINEAS) DO BEGIN "
      "INSERT INTO ENTRADAS_DETALLE (ENTR_ID, ENDE_ITEM, BODE_COD, ARTI_COD, ENDE_CANT, "
      "ENDE_UNIDAD, ENDE_FACTOR, ENDE_COSTO, ENDE_TOTAL, ENDE_DESC) VALUES (:D, :I, '01', "
      "'ART-' || :I, 3, 'UND', 1, 12.5, 37.5, 'articulo de prueba'); I = I + 1; END "
      "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, "
      "RPEV_NUMERO, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER) VALUES ('002', 11, :D, 'EN', "
      "100000 + :D, '2026-12-08', '08:00:00', 'I'); D = D + 1; END END",
      {Value::integer(documentos), Value::integer(lineas)});
  for (db::Connection* c : {&a, &d})
    recoger(*c, {"REPLICA_EVENTOS", "ENTRADAS", "ENTRADAS_DETALLE"});
}

// `filas` rows into the queue of 001, each the INSERT's `fila` (columns and values,
// the row's number in :I).
void encolar(const Banco& b, int filas, const std::string& fila) {
  db::Connection a("001");
  a.set_params(b.params("001"));
  a.execute(
      "EXECUTE BLOCK (N INTEGER = ?) AS DECLARE I INTEGER = 0; BEGIN WHILE (I < N) DO BEGIN "
      "INSERT INTO REPLICA_EVENTOS " +
          fila + "; I = I + 1; END END",
      {Value::integer(filas)});
}

// `filas` events of 001 already sent today (the purge keeps them a week).
void sellados(const Banco& b, int filas) {
  encolar(b, filas,
          "(RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, RPEV_NUMERO, RPEV_FECREG, "
          "RPEV_HORAREG, RPEV_FECREP, RPEV_HORAREP, RPEV_OPER) VALUES ('002', 11, 900000 + :I, "
          "'EN', 900000 + :I, CURRENT_DATE, '07:00:00', CURRENT_DATE, '07:30:00', 'I')");
}

// `filas` events of 001 to 002 that stay pending for good, registered before any entry:
// type 236, which the upload never lists.
void sin_enviar(const Banco& b, int filas) {
  encolar(b, filas,
          "(RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, RPEV_NUMERO, RPEV_FECREG, "
          "RPEV_HORAREG, RPEV_OPER) VALUES ('002', 236, 950000 + :I, 'EN', 950000 + :I, "
          "DATEADD(-1 - MOD(:I, 300) DAY TO DATE '2026-12-08'), '07:00:00', 'I')");
}

// Vouchers with `lineas` lines in each ledger, generated by an entry that the partner
// does not have (so the document lookup runs and finds nothing).
void preparar_comprobantes(const Banco& b, int documentos, int lineas) {
  db::Connection a("001"), d("002");
  a.set_params(b.params("001"));
  d.set_params(b.params("002"));
  a.execute("DELETE FROM REPLICA_EVENTOS");
  for (db::Connection* c : {&a, &d})
    for (const char* t :
         {"COMPROBANTE_DETALLE", "COMPROBANTE_DETALLE_NIIF", "COMPROBANTE_ENCABEZADO"})
      c->execute(std::string("DELETE FROM ") + t);
  a.execute(
      "EXECUTE BLOCK (DOCS INTEGER = ?, LINEAS INTEGER = ?) AS DECLARE D INTEGER = 1; DECLARE I "
      "INTEGER; BEGIN WHILE (D <= DOCS) DO BEGIN "
      "INSERT INTO COMPROBANTE_ENCABEZADO (ENCO_CONSEC, TICO_COD, PRCO_PREF, ENCO_NUMERO, "
      "ENCO_FECHA, TERC_NIT, ENCO_CONC, ENCO_TIPODOC, ENCO_IDDOC, ENCO_DEBITOS, ENCO_CREDITOS) "
      "VALUES (:D, 'CE', 'CO', 100000 + :D, '2026-12-01', '900123456', 'Comprobante', 11, :D, "
      "1000, 1000); I = 1; WHILE (I <= LINEAS) DO BEGIN "
      "INSERT INTO COMPROBANTE_DETALLE VALUES (:D, :I, '110505', '900123456', 'C01', 'linea', "
      "100, 0, 0, 1, 'R'); INSERT INTO COMPROBANTE_DETALLE_NIIF VALUES (:D, :I, '110505', "
      "'900123456', 'C01', 'linea', 100, 0, 0, 1, 'R'); I = I + 1; END "
      "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, "
      "RPEV_NUMERO, RPEV_CODIGO, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER) VALUES ('002', 1, :D, "
      "'CO', 100000 + :D, 'CE', '2026-12-08', '08:00:00', 'I'); D = D + 1; END END",
      {Value::integer(documentos), Value::integer(lineas)});
  for (db::Connection* c : {&a, &d})
    recoger(*c, {"REPLICA_EVENTOS", "COMPROBANTE_ENCABEZADO", "COMPROBANTE_DETALLE",
                 "COMPROBANTE_DETALLE_NIIF"});
}

// Queues every event of 001 again: the next cycle replaces each copy.
void reenviar(const Banco& b) {
  db::Connection a("001");
  a.set_params(b.params("001"));
  a.execute("UPDATE REPLICA_EVENTOS SET RPEV_FECREP = NULL, RPEV_HORAREP = NULL");
}

std::int64_t pendientes(const Banco& b) {
  db::Connection check("check");
  check.set_params(b.params("001"));
  return check.query("SELECT COUNT(*) FROM REPLICA_EVENTOS WHERE RPEV_FECREP IS NULL")
      .at(0, 0)
      .as_integer();
}

struct Medida {
  double segundos = 0;
  std::uint64_t viajes = 0;  // round trips counted by the link (0 without one)
  double transacciones = 0;  // client calls, both connections, whole cycle
  double preparaciones = 0;
  double ejecuciones = 0;
};

// One agent of company 001 that runs cycle after cycle with the same connections.
class Corrida {
 public:
  // `raices_propias`: each partner is reached at its own REPLICA_COMPANIA root (else every
  // partner at the installation's, as the command line's override does).
  Corrida(const Banco& b, const testing_support::Enlace* enlace, const std::string& enviar = "500",
          bool raices_propias = false)
      : b_(b), enlace_(enlace) {
    fs::path logs = fs::temp_directory_path() / "envio-bench-logs";
    fs::create_directories(logs);
    vista_.op.compania = "001";
    if (!raices_propias) vista_.op.servidor_socios = b.prefijo + b.raiz.string();
    vista_.op.enviar = enviar;
    agente::Ajustes ajustes;
    ajustes.directorio = [logs] { return logs.string(); };
    ag_ = std::make_unique<agente::Agente>(vista_, std::move(ajustes));
    ag_->DbCia.set_params(b.params("001"));
    ag_->DbCia.connect();
    // The first cycles attach to the partner and prepare the statements of an entry,
    // which a running agent has done long before; the bare loop prepares its own
    // statements before it is timed too.
    ciclo();
    entradas(1, 1);
  }

  Medida ciclo() {
    db::ConnectionStats l0 = ag_->DbCia.stats(), s0 = ag_->DBEnvio.stats();
    std::uint64_t v0 = enlace_ ? enlace_->viajes() : 0;
    auto t0 = std::chrono::steady_clock::now();
    agente::Resultado r = ag_->ciclo().ejecutar();
    Medida m;
    m.segundos = segundos(t0);
    m.viajes = enlace_ ? enlace_->viajes() - v0 : 0;
    const db::ConnectionStats &l = ag_->DbCia.stats(), &s = ag_->DBEnvio.stats();
    m.transacciones = double(l.transactions - l0.transactions + s.transactions - s0.transactions);
    m.preparaciones = double(l.prepares - l0.prepares + s.prepares - s0.prepares);
    m.ejecuciones = double(l.executes - l0.executes + s.executes - s0.executes);
    if (r != agente::Resultado::Completo) std::fprintf(stderr, "el ciclo no terminó completo\n");
    return m;
  }

  // Prepares `docs` entries of `lineas` lines and sends them in one cycle.
  Medida entradas(int docs, int lineas) {
    preparar(b_, docs, lineas);
    Medida m = ciclo();
    if (std::int64_t p = pendientes(b_))
      std::fprintf(stderr, "el ciclo dejó %lld eventos pendientes\n", static_cast<long long>(p));
    return m;
  }

 private:
  Banco b_;
  const testing_support::Enlace* enlace_;
  VistaMuda vista_;
  std::unique_ptr<agente::Agente> ag_;
};

// The floor: the same commits by a bare loop on the client's own calls, each
// statement prepared once. `autocommit`: each statement commits on its own, as the
// agent's statements on the partner do; else the statements run in one transaction
// that `confirmar` commits and keeps, as the agent's claim and stamp of each event do.
class Suelo {
 public:
  Suelo(const db::ConnectParams& p, bool autocommit) {
    db::fb::Status st;
    try {
      auto* util = db::fb::util();
      auto* dpb = util->getXpbBuilder(st.get(), Firebird::IXpbBuilder::DPB, nullptr, 0);
      dpb->insertString(st.get(), isc_dpb_user_name, p.user.c_str());
      dpb->insertString(st.get(), isc_dpb_password, p.password.c_str());
      dpb->insertString(st.get(), isc_dpb_lc_ctype, "NONE");
      att_ = db::fb::provider()->attachDatabase(
          st.get(), p.database.c_str(), dpb->getBufferLength(st.get()), dpb->getBuffer(st.get()));
      dpb->dispose();
      auto* tpb = util->getXpbBuilder(st.get(), Firebird::IXpbBuilder::TPB, nullptr, 0);
      for (unsigned char tag : {isc_tpb_write, isc_tpb_read_committed, isc_tpb_rec_version})
        tpb->insertTag(st.get(), tag);
      tpb->insertTag(st.get(), autocommit ? isc_tpb_wait : isc_tpb_nowait);
      if (autocommit) tpb->insertTag(st.get(), isc_tpb_autocommit);
      tra_ = att_->startTransaction(st.get(), tpb->getBufferLength(st.get()),
                                    tpb->getBuffer(st.get()));
      tpb->dispose();
    } catch (const Firebird::FbException& e) {
      db::fb::rethrow(e);
    }
  }
  ~Suelo() {
    db::fb::QuietStatus st;
    for (auto& s : sentencias_) s.stmt->free(st.get());
    tra_->commit(st.get());
    att_->detach(st.get());
  }
  // A statement and its messages, all made once.
  struct Sentencia {
    Firebird::IStatement* stmt;
    db::fb::Forma forma;
  };
  Sentencia* preparar(const std::string& sql) {
    db::fb::Status st;
    try {
      Firebird::IStatement* s = att_->prepare(st.get(), tra_, 0, sql.c_str(), 3, 0);
      sentencias_.push_back({s, db::fb::Forma(s)});
    } catch (const Firebird::FbException& e) {
      db::fb::rethrow(e);
    }
    return &sentencias_.back();
  }
  void ejecutar(Sentencia* s, const std::vector<Value>& valores) {
    db::fb::Status st;
    try {
      s->forma.entrada.poner(valores, att_, tra_);
      s->stmt->execute(st.get(), tra_, s->forma.entrada.metadata(), s->forma.entrada.buffer(),
                       nullptr, nullptr);
    } catch (const Firebird::FbException& e) {
      db::fb::rethrow(e);
    }
  }
  // The first column of the first row of a SELECT.
  Value primero(Sentencia* s, const std::vector<Value>& valores) {
    db::fb::Status st;
    try {
      db::fb::Forma& f = s->forma;
      f.fila.resize(f.salida.largo);
      f.entrada.poner(valores, att_, tra_);
      Firebird::IResultSet* rs = s->stmt->openCursor(st.get(), tra_, f.entrada.metadata(),
                                                     f.entrada.buffer(), f.salida.meta.get(), 0);
      Value v;
      if (rs->fetchNext(st.get(), f.fila.data()) == Firebird::IStatus::RESULT_OK)
        v = db::fb::decode(f.salida.campos[0], f.fila.data(), att_, tra_);
      rs->close(st.get());
      return v;
    } catch (const Firebird::FbException& e) {
      db::fb::rethrow(e);
    }
  }
  void confirmar() {
    db::fb::Status st;
    try {
      tra_->commitRetaining(st.get());
    } catch (const Firebird::FbException& e) {
      db::fb::rethrow(e);
    }
  }

 private:
  Firebird::IAttachment* att_ = nullptr;
  Firebird::ITransaction* tra_ = nullptr;
  std::list<Sentencia> sentencias_;  // stays where it is as more are added
};

// One table's rows as the bare loop writes them: an INSERT of every column the
// target lets a statement write, and the source's rows grouped by their first column
// (the document's id, in a header and in its lines alike).
struct Tabla {
  std::string insertar;
  std::map<std::int64_t, std::vector<std::vector<Value>>> por_documento;
};

Tabla tabla(db::Connection& origen, db::Connection& destino, const std::string& nombre) {
  db::TargetSet t = destino.open("SELECT * FROM " + nombre + " WHERE 1 = 0");
  std::string columnas, marcas;
  for (const db::Column& c : t.columns()) {
    if (c.read_only) continue;
    columnas += (columnas.empty() ? "" : ", ") + c.field;
    marcas += marcas.empty() ? "?" : ", ?";
  }
  Tabla out;
  out.insertar = "INSERT INTO " + nombre + " (" + columnas + ") VALUES (" + marcas + ")";
  db::Rows r = origen.read("SELECT " + columnas + " FROM " + nombre);
  for (std::size_t i = 0; i < r.size(); ++i) {
    std::vector<Value> fila;
    for (std::size_t c = 0; c < r.columns().size(); ++c) fila.push_back(r.at(i, c));
    out.por_documento[r.at(i, 0).as_integer()].push_back(std::move(fila));
  }
  return out;
}

// A document's tables for the bare loop: the header's first, then its details; and
// the procedure that gives the header its id on the partner.
struct Documento {
  std::vector<std::string> tablas;
  std::string identificador;
};

// Milliseconds per event of the bare loop, in two measures.
struct Piso {
  double filas = 0;    // the rows and the stamp alone
  double commits = 0;  // every commit the agent makes: the claim and the id draw too
};

// The bare loop: the rows the agent wrote for the pending documents, written again
// into the same tables of the partner (every column the agent writes, one commit per
// row) and one stamp per event. With `todo`, also what else the agent's commits hold:
// each document's id drawn from the partner's procedure (its header and lines take
// it), and the event's row locked by a claim that commits with the stamp.
double suelo(const Banco& b, const Documento& doc, bool todo) {
  std::vector<Tabla> datos;
  std::vector<std::int64_t> eventos;
  {
    db::Connection a("001"), d("002");
    a.set_params(b.params("001"));
    d.set_params(b.params("002"));
    for (const std::string& t : doc.tablas) datos.push_back(tabla(a, d, t));
    db::Rows r =
        a.read("SELECT RPEV_ID FROM REPLICA_EVENTOS WHERE RPEV_IDDOC < 900000 ORDER BY RPEV_ID");
    for (std::size_t i = 0; i < r.size(); ++i) eventos.push_back(r.at(i, 0).as_integer());
    // The agent's copies make room for the same rows again, and its events wait to be
    // stamped again: a stamp from empty to a date enters the queue's indexes on it.
    for (auto t = doc.tablas.rbegin(); t != doc.tablas.rend(); ++t) d.execute("DELETE FROM " + *t);
    recoger(d, doc.tablas);
    a.execute(
        "UPDATE REPLICA_EVENTOS SET RPEV_FECREP = NULL, RPEV_HORAREP = NULL WHERE RPEV_IDDOC < "
        "900000");
    recoger(a, {"REPLICA_EVENTOS"});
  }
  Suelo d(b.params("002"), true), a(b.params("001"), !todo);
  std::vector<Suelo::Sentencia*> inserciones;
  for (const Tabla& t : datos) inserciones.push_back(d.preparar(t.insertar));
  auto* id = d.preparar("SELECT * FROM " + doc.identificador);
  auto* reclamo = a.preparar("SELECT RPEV_ID FROM REPLICA_EVENTOS WHERE RPEV_ID = ? WITH LOCK");
  auto* sello = a.preparar(
      "UPDATE REPLICA_EVENTOS SET RPEV_FECREP = CURRENT_DATE, RPEV_HORAREP = CURRENT_TIME "
      "WHERE RPEV_ID = ?");
  std::vector<Value> evento(1);
  std::size_t n = 0;
  auto t0 = std::chrono::steady_clock::now();
  for (auto& [documento, encabezado] : datos[0].por_documento) {
    evento[0] = Value::integer(eventos.empty() ? documento : eventos[n % eventos.size()]);
    if (todo) a.primero(reclamo, evento);
    const Value nuevo = todo ? d.primero(id, {}) : Value::integer(documento);
    for (std::size_t t = 0; t < datos.size(); ++t) {
      auto filas = datos[t].por_documento.find(documento);
      if (filas == datos[t].por_documento.end()) continue;
      for (std::vector<Value>& fila : filas->second) {
        fila[0] = nuevo;
        d.ejecutar(inserciones[t], fila);
      }
    }
    a.ejecutar(sello, evento);
    if (todo) a.confirmar();
    ++n;
  }
  return n ? 1000 * segundos(t0) / static_cast<double>(n) : 0;
}

Piso pisos(const Banco& b, const Documento& doc) {
  Piso p;
  p.filas = suelo(b, doc, false);
  p.commits = suelo(b, doc, true);
  return p;
}

const Documento kEntrada = {{"ENTRADAS", "ENTRADAS_DETALLE"}, "cambie_id_entrada"};
const Documento kComprobante = {
    {"COMPROBANTE_ENCABEZADO", "COMPROBANTE_DETALLE", "COMPROBANTE_DETALLE_NIIF"},
    "cambie_id_comproba"};

// ---- reports -------------------------------------------------------------------------

// "agent ms/event; bare loop ms/event (ratio) and its rows and stamps alone (ratio)".
std::string frente(double agente_ms, const Piso& p) {
  char t[200];
  std::snprintf(t, sizeof t,
                "%.2f ms/event; bare loop of the same commits %.2f ms/event, ratio %.2f (its rows "
                "and stamps alone %.2f ms/event, ratio %.2f)",
                agente_ms, p.commits, agente_ms / p.commits, p.filas, agente_ms / p.filas);
  return t;
}

// Disk timings swing with whatever else the disk serves: each figure is the median of
// kVeces runs, the agent's and the bare loop's taking turns.
constexpr int kVeces = 5;

double mediana(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The agent's ms/event over `docs` events (`enviar` prepares them and runs the cycle,
// which it returns) beside the bare loop's for `doc`, each the median of its runs.
std::string comparar(const Banco& b, const Documento& doc, int docs,
                     const std::function<Medida()>& enviar, Medida* ultima = nullptr) {
  std::vector<double> agente, filas, commits;
  for (int i = 0; i < kVeces; ++i) {
    Medida m = enviar();
    agente.push_back(1000 * m.segundos / docs);
    if (ultima) *ultima = m;
    Piso p = pisos(b, doc);
    filas.push_back(p.filas);
    commits.push_back(p.commits);
  }
  return frente(mediana(agente), {mediana(filas), mediana(commits)});
}

void tiempos(const Banco& b, const char* nombre) {
  std::printf("%s (medians of %d runs)\n", nombre, kVeces);
  Corrida c(b, nullptr);
  Medida vacio = c.ciclo();
  std::printf("  idle cycle: %.1f ms\n", 1000 * vacio.segundos);
  for (auto [docs, lineas] : {std::pair{40, 10}, std::pair{5, 200}}) {
    Medida m;
    std::string t = comparar(
        b, kEntrada, docs, [&, docs = docs, lineas = lineas] { return c.entradas(docs, lineas); },
        &m);
    std::printf(
        "  %d entries x %d lines: %s; per event %.1f transactions, %.1f prepares, %.1f "
        "executes\n",
        docs, lineas, t.c_str(), m.transacciones / docs, m.preparaciones / docs,
        m.ejecuciones / docs);
  }
  std::printf("  40 vouchers x 10 lines per ledger: %s\n", comparar(b, kComprobante, 40, [&] {
                                                             preparar_comprobantes(b, 40, 10);
                                                             return c.ciclo();
                                                           }).c_str());
  reenviar(b);
  Medida m = c.ciclo();
  std::printf("  the same vouchers sent again (each replaces its copy): %.2f ms/event\n",
              1000 * m.segundos / 40);
}

void viajes(const Banco& b, const testing_support::Enlace& enlace, double demora_ms) {
  Corrida c(b, &enlace);
  constexpr int kDocs = 20;
  Medida vacio = c.ciclo();
  Medida cero = c.entradas(kDocs, 0);
  Medida diez = c.entradas(kDocs, 10);
  Medida docientas = c.entradas(2, 200);
  double fijo = double(cero.viajes - vacio.viajes) / kDocs;
  double fila = double(diez.viajes - cero.viajes) / (kDocs * 10.0);
  double fila200 = (double(docientas.viajes - vacio.viajes) - 2 * fijo) / 400.0;
  double entrada = double(diez.viajes - vacio.viajes) / kDocs;
  std::printf(
      "  round trips: idle cycle %llu; fixed cost of one event %.1f; each detail row "
      "%.2f (%.2f at 200 lines); one entry of 10 lines %.1f\n",
      static_cast<unsigned long long>(vacio.viajes), fijo, fila, fila200, entrada);
  if (demora_ms > 0)
    std::printf(
        "  at %.0f ms per round trip: idle cycle %.2f s; one entry of 10 lines %.2f s "
        "(cycle of %d: %.2f s)\n",
        demora_ms, vacio.segundos, (diez.segundos - vacio.segundos) / kDocs, kDocs, diez.segundos);
}

long vm_kib(const char* campo) {
  std::ifstream f("/proc/self/status");
  std::string linea;
  while (std::getline(f, linea))
    if (linea.rfind(campo, 0) == 0) return std::atol(linea.c_str() + std::strlen(campo));
  return -1;
}

void memoria(const Banco& b, const char* nombre) {
  constexpr int kDocs = 500, kLineas = 200;
  Corrida c(b, nullptr);
  preparar(b, kDocs, kLineas);
  // The high-water mark starts again from what the process holds now.
  { std::ofstream("/proc/self/clear_refs") << "5"; }
  long antes = vm_kib("VmRSS:");
  Medida m = c.ciclo();
  long pico = vm_kib("VmHWM:");
  std::printf(
      "%s: cycle of %d events x %d lines: %.1f s, %.2f ms/event; resident before %.1f "
      "MiB, peak during the cycle %.1f MiB (+%.1f)\n",
      nombre, kDocs, kLineas, m.segundos, 1000 * m.segundos / kDocs, antes / 1024.0, pico / 1024.0,
      (pico - antes) / 1024.0);
  if (std::int64_t p = pendientes(b))
    std::fprintf(stderr, "el ciclo dejó %lld eventos pendientes\n", static_cast<long long>(p));
}

void cola(const Banco& b, const char* nombre) {
  constexpr int kDocs = 40, kLineas = 10;
  Corrida c(b, nullptr);
  std::printf("%s\n", nombre);
  preparar(b, 0, 0);
  int en_cola = 0;
  for (int filas : {1000, 100000}) {
    // The queue grows; the rows deleted to prepare the entries are collected (a full
    // read of the table) before the measured cycle, which would pay for them otherwise.
    preparar(b, kDocs, kLineas, false);
    sellados(b, filas - en_cola);
    en_cola = filas;
    {
      db::Connection a("001");
      a.set_params(b.params("001"));
      a.query("SELECT COUNT(*) FROM REPLICA_EVENTOS");
    }
    Medida m = c.ciclo();
    Medida vacio = c.ciclo();
    std::printf("  %6d stamped rows: %.2f ms/event (%d entries x %d lines); idle cycle %.1f ms\n",
                filas, 1000 * m.segundos / kDocs, kDocs, kLineas, 1000 * vacio.segundos);
  }
  // Events that never leave the queue: every claim asks whether an earlier event of its
  // document waits, and must not read them all to answer.
  constexpr int kFijos = 20000;
  sin_enviar(b, kFijos);
  preparar(b, kDocs, kLineas, false);
  Medida m = c.ciclo();
  Medida vacio = c.ciclo();
  std::printf(
      "  %6d stamped rows and %d pending for good: %.2f ms/event (%d entries x %d lines); idle "
      "cycle %.1f ms\n",
      en_cola, kFijos, 1000 * m.segundos / kDocs, kDocs, kLineas, 1000 * vacio.segundos);
}

// Copies the pending events of 001 to 002 for `destino` too, and deletes the entries
// `destino` holds: the cycle copies the same documents to one more addressee.
void encolar_tambien(const Banco& b, const std::string& destino) {
  db::Connection a("001"), d(destino);
  a.set_params(b.params("001"));
  d.set_params(b.params(destino));
  d.execute("DELETE FROM ENTRADAS_DETALLE");
  d.execute("DELETE FROM ENTRADAS");
  recoger(d, {"ENTRADAS", "ENTRADAS_DETALLE"});
  a.execute(
      "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, "
      "RPEV_NUMERO, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER) SELECT ?, RPEV_TIPO, RPEV_IDDOC, "
      "RPEV_PREF, RPEV_NUMERO, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER FROM REPLICA_EVENTOS WHERE "
      "RPEV_COMPANIA = '002' AND RPEV_FECREP IS NULL ORDER BY RPEV_ID",
      {Value::text(destino)});
}

// A head office and its branches: company 001 sends kDocs entries of kLineas lines to
// one addressee and then to kSocios, every partner reached through a link of its own
// that holds each request back `demora` (a round trip of that, as with half of it each
// way). Each measured cycle follows an idle one, which leaves the agent attached to the
// partner it downloads from, as its previous cycle did.
void destinatarios(const std::string& host, std::chrono::milliseconds demora) {
  constexpr int kSocios = 8, kDocs = 5, kLineas = 5, kRondas = 3;
  Banco b = instalar(host, kSocios);
  std::vector<std::unique_ptr<testing_support::Enlace>> enlaces;
  {
    db::Connection a("001");
    a.set_params(b.params("001"));
    for (int i = 0; i < kSocios; ++i) {
      enlaces.push_back(std::make_unique<testing_support::Enlace>(3050, host));
      enlaces.back()->demorar(demora);
      schema::enlazar_socio(a, codigo_compania(i + 2), enlaces.back()->prefijo() + b.raiz.string(),
                            b.usuario, b.clave);
    }
  }
  auto viajes = [&] {
    std::uint64_t v = 0;
    for (const auto& e : enlaces) v += e->viajes();
    return v;
  };
  auto c = std::make_unique<Corrida>(b, nullptr, "500", true);
  struct Vuelta {
    double segundos;
    std::uint64_t viajes;
  };
  // One measured cycle after an idle one; `a` addressees get the entries first (0: none).
  auto vuelta = [&](int a) {
    c->ciclo();
    if (a > 0) preparar(b, kDocs, kLineas);
    for (int i = 1; i < a; ++i) encolar_tambien(b, codigo_compania(i + 2));
    std::uint64_t v0 = viajes();
    Medida m = c->ciclo();
    if (std::int64_t p = pendientes(b))
      std::fprintf(stderr, "el ciclo dejó %lld eventos pendientes\n", static_cast<long long>(p));
    return Vuelta{m.segundos, viajes() - v0};
  };
  vuelta(kSocios);  // every partner's statements are prepared once, as a running agent's are
  std::vector<double> vacio, uno, todos;
  Vuelta ultima[3]{};
  for (int i = 0; i < kRondas; ++i) {
    int j = 0;
    for (auto [a, v] : {std::pair{0, &vacio}, std::pair{1, &uno}, std::pair{kSocios, &todos}}) {
      ultima[j] = vuelta(a);
      v->push_back(ultima[j++].segundos);
    }
  }
  const double s0 = mediana(vacio), s1 = mediana(uno), s8 = mediana(todos);
  std::printf(
      "server %s, %d partners each behind a link of %lld ms per round trip; %d entries x %d "
      "lines to each addressee (medians of %d cycles)\n",
      host.c_str(), kSocios, static_cast<long long>(demora.count()), kDocs, kLineas, kRondas);
  std::printf("  idle cycle:       %6.2f s  (%llu round trips)\n", s0,
              static_cast<unsigned long long>(ultima[0].viajes));
  std::printf("  1 addressee:      %6.2f s  (%llu round trips)\n", s1,
              static_cast<unsigned long long>(ultima[1].viajes));
  std::printf("  %d addressees:     %6.2f s  (%llu round trips)\n", kSocios, s8,
              static_cast<unsigned long long>(ultima[2].viajes));
  std::printf("  beyond the idle cycle, %d addressees cost %.2f times one\n", kSocios,
              (s8 - s0) / (s1 - s0));
  c.reset();
  db::shutdown_client();  // every attachment ends before the links stop
  enlaces.clear();
  fs::remove_all(b.raiz.parent_path());
}

#ifdef ENVIOAUTO_EXE
// The real program, unattended, for company 001 of `b` (through its server), a cycle a
// minute; each of `muestras` documents is queued while it idles, and the time until its
// event is stamped is measured. Without `aviso` the queue's trigger is dropped first:
// only the timer starts cycles then.
void despertar(const Banco& b, bool aviso, int muestras) {
  const fs::path dir = b.raiz.parent_path();
  fs::create_directories(dir / "logs");
  fs::create_directories(dir / "xdg" / "Lyr");
  std::ofstream(dir / "xdg" / "Lyr" / "Velmora2026.conf")
      << "[General]\nDirectorio=" << (dir / "logs").string() << "\n";
  db::Connection a("001");
  a.set_params(b.params("001"));
  schema::enlazar_socio(a, "002", b.prefijo + b.raiz.string(), b.usuario, b.clave);
  if (!aviso) a.execute("DROP TRIGGER REPLICA_EVENTOS_AVISO");
  a.disconnect();
  const fs::path salida = dir / "salida.txt";
  testing_support::EnMarcha agente(
      "env ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen XDG_CONFIG_DIRS='" +
      (dir / "xdg").string() + "' '" ENVIOAUTO_EXE "' '" + b.prefijo + b.raiz.string() + "' '" +
      b.usuario + "' '" + b.clave + "' 001 0 '' 500 1 > '" + salida.string() + "' 2>&1");
  auto leer = [&] {
    std::ifstream in(salida);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  if (!testing_support::hasta([&] { return leer().find("Ciclo completo.") != std::string::npos; },
                              120))
    throw std::runtime_error("el agente no terminó su primer ciclo:\n" + leer());
  {
    // What the agent says about its queue's listener.
    std::istringstream in(leer());
    for (std::string l; std::getline(in, l);)
      if (l.find("cola") != std::string::npos) std::printf("  agent: %s\n", l.c_str());
  }
  a.set_params(b.params("001"));
  std::vector<double> t;
  for (int i = 1; i <= muestras; ++i) {
    std::this_thread::sleep_for(std::chrono::seconds(2));  // the agent idles
    a.execute(
        "INSERT INTO ENTRADAS (ENTR_ID, TIDO_COD, PREF_PRE, ENTR_NUMERO, ENTR_FECHA, BODE_COD) "
        "VALUES (?, 11, 'EN', ?, '2026-12-01', '01')",
        {Value::integer(800000 + i), Value::text(std::to_string(800000 + i))});
    a.execute(
        "INSERT INTO ENTRADAS_DETALLE (ENTR_ID, ENDE_ITEM, BODE_COD, ARTI_COD, ENDE_CANT) "
        "VALUES (?, 1, '01', 'ART-1', 2)",
        {Value::integer(800000 + i)});
    const auto desde = std::chrono::steady_clock::now();
    const std::int64_t id =
        a.query(
             "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, "
             "RPEV_NUMERO, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER) VALUES ('002', 11, ?, 'EN', ?, "
             "CURRENT_DATE, CURRENT_TIME, 'I') RETURNING RPEV_ID",
             {Value::integer(800000 + i), Value::text(std::to_string(800000 + i))})
            .at(0, 0)
            .as_integer();
    auto sellado = [&] {
      return !a.query("SELECT RPEV_FECREP FROM REPLICA_EVENTOS WHERE RPEV_ID = ?",
                      {Value::integer(id)})
                  .at(0, 0)
                  .is_null();
    };
    if (!testing_support::hasta(sellado, 180))
      throw std::runtime_error("el evento " + std::to_string(id) + " sigue pendiente:\n" + leer());
    t.push_back(segundos(desde));
    std::printf("  document %d stamped after %.2f s\n", i, t.back());
    std::fflush(stdout);
  }
  a.disconnect();
  if (agente.parar(SIGTERM, 10) < 0) throw std::runtime_error("el agente no se detuvo");
  std::sort(t.begin(), t.end());
  const double mediana =
      t.size() % 2 ? t[t.size() / 2] : (t[t.size() / 2 - 1] + t[t.size() / 2]) / 2;
  std::printf("%s: queued to stamped, median %.2f s, worst %.2f s (%d documents)\n",
              aviso ? "with the queue's trigger" : "without the trigger (timer only)", mediana,
              t.back(), muestras);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  std::string modo, host;
  double demora_ms = 0;
  bool sin_aviso = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a.rfind("--latencia=", 0) == 0) {
      modo = "latencia";
      demora_ms = std::atof(a.c_str() + 11);
    } else if (a == "--memoria" || a == "--cola" || a == "--despertar" || a == "--destinatarios") {
      modo = a.substr(2);
    } else if (a == "--sin-aviso") {
      sin_aviso = true;
    } else if (a.rfind("--", 0) == 0) {
      std::fprintf(stderr, "envio_bench: opción desconocida %s\n", a.c_str());
      return 2;
    } else {
      host = a;
    }
  }
  if ((modo == "latencia" || modo == "despertar" || modo == "destinatarios") && host.empty()) {
    std::fprintf(stderr, "envio_bench: --%s necesita un servidor (localhost)\n", modo.c_str());
    return 2;
  }
#ifndef ENVIOAUTO_EXE
  if (modo == "despertar") {
    std::fprintf(stderr, "envio_bench: --despertar necesita el programa (construido con Qt)\n");
    return 2;
  }
#endif
  int rc = 0;
  try {
    if (modo == "destinatarios") {
      destinatarios(host, std::chrono::milliseconds(20));
      return 0;
    }
    std::optional<Banco> local, servidor;
    if (modo != "latencia" && modo != "despertar") local = instalar("");
    if (!host.empty()) servidor = instalar(host);
    std::unique_ptr<testing_support::Enlace> enlace;
    if (servidor) enlace = std::make_unique<testing_support::Enlace>(3050, host);

    if (modo.empty()) {
      tiempos(*local, "embedded engine");
      if (servidor) {
        tiempos(*servidor, ("server " + host).c_str());
        std::printf("server %s through the counting link\n", host.c_str());
        viajes(servidor->por(enlace->prefijo()), *enlace, 0);
      }
    } else if (modo == "latencia") {
      enlace->demorar(std::chrono::microseconds(static_cast<long long>(demora_ms * 1000)));
      std::printf("server %s through a link of %.0f ms per round trip\n", host.c_str(), demora_ms);
      viajes(servidor->por(enlace->prefijo()), *enlace, demora_ms);
    } else if (modo == "memoria") {
      memoria(*local, "embedded engine");
      if (servidor) memoria(*servidor, ("server " + host).c_str());
    } else if (modo == "despertar") {
#ifdef ENVIOAUTO_EXE
      std::printf("unattended agent of %s, a cycle a minute\n", host.c_str());
      despertar(*servidor, !sin_aviso, 6);
#endif
    } else {
      cola(*local, "embedded engine");
      if (servidor) cola(*servidor, ("server " + host).c_str());
    }
    db::shutdown_client();  // every attachment ends before the link stops
    enlace.reset();
    for (auto* b : {&local, &servidor})
      if (*b) fs::remove_all((*b)->raiz.parent_path());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "envio_bench: %s\n", e.what());
    rc = 1;
  }
  return rc;
}
