#include "schema/muestra.h"

#include <fstream>
#include <iostream>

#include "db/connection.h"
#include "plataforma/pagina_codigos.h"
#include "plataforma/rutas.h"
#include "schema/esquema.h"

namespace schema {
namespace fs = std::filesystem;
using db::Value;

namespace {

db::ConnectParams params(const std::string& path) { return {path, kUser, kPassword, 60}; }

// The companies' names, in Spanish like every text of the suite.
std::string nombre_compania(const std::string& codigo) {
  return codigo == "001" ? "Compañía Ñandú S.A." : "Distribuciones Peñalolén Ltda.";
}

void configurar(db::Connection& c, const std::string& socio, const fs::path& root) {
  enlazar_socio(c, socio, plataforma::texto(root), kUser, kPassword);
  c.execute("UPDATE REPLICA_COMPANIA SET RPCP_NOMBRE = ? WHERE RPCO_COD = ?",
            {texto_suite(nombre_compania(socio)), Value::text(socio)});
  c.execute("INSERT INTO SUCURSALES (SUCU_ID, SUCU_NOMBRE) VALUES (1, ?)",
            {texto_suite("Casa matriz Ñuñoa")});
  c.execute("INSERT INTO SUCURSALES (SUCU_ID, SUCU_NOMBRE) VALUES (2, ?)",
            {texto_suite("Bodega Camión Peñalolén")});
  // The document types the monitoring windows name, and what the suite replicates.
  for (const char* t : {"(2, 'NOTA', 'Nota contable')", "(11, 'ENTR', 'Entrada de inventario')",
                        "(13, 'TRAS', 'Traslado de bodega')", "(21, 'FACO', 'Factura de compra')",
                        "(236, 'PUNT', 'Puntos de cliente')"})
    c.execute(std::string("INSERT INTO TIPO_DOCUMENTO (TIDO_COD, TIDO_NOMCORTO, TIDO_NOMLARGO) "
                          "VALUES ") +
              t);
  c.execute(
      "INSERT INTO REPLICACION_CONFIGURA (REPC_TIPO, REPC_PREF, REPC_REPLICA, REPC_COMPANIA, "
      "REPC_AGENCIA, REPC_PREFDEST, REPC_BODDEST) VALUES (11, 'EN', 'S', ?, 1, 'EN', '01')",
      {Value::text(socio)});
}

void entrada(db::Connection& c, int id, const std::string& pref, const std::string& numero,
             int lineas) {
  c.execute(
      "INSERT INTO ENTRADAS (ENTR_ID, TIDO_COD, PREF_PRE, ENTR_NUMERO, ENTR_FECHA, BODE_COD, "
      "TERC_NIT, ENTR_CONC, ENTR_TOTAL, ENTR_ANULADO, ENTR_USUARIO) VALUES (?, 11, ?, ?, "
      "'2026-12-01', '01', '900123456', ?, ?, 'N', 'SYSDBA')",
      {Value::integer(id), Value::text(pref), Value::text(numero),
       texto_suite("Entrada de mercancía " + numero + ", flete 12 €"),
       Value::fixed(lineas * 25000, 0)});
  for (int i = 1; i <= lineas; ++i)
    c.execute(
        "INSERT INTO ENTRADAS_DETALLE (ENTR_ID, ENDE_ITEM, BODE_COD, ARTI_COD, ENDE_CANT, "
        "ENDE_UNIDAD, ENDE_COSTO, ENDE_TOTAL) VALUES (?, ?, '01', ?, 2, 'UND', 12500, 25000)",
        {Value::integer(id), Value::integer(i), Value::text("ART-" + std::to_string(i))});
}

void factura_compra(db::Connection& c, int id, const std::string& numero, int lineas) {
  c.execute(
      "INSERT INTO FACTURAS_COMPRA (FACO_ID, TIDO_COD, PREF_PRE, FACO_NUMERO, FACO_FECHA, "
      "BODE_COD, TERC_NIT, FACO_CONC, FACO_TOTAL, FACO_ANULADO) VALUES (?, 21, 'FC', ?, "
      "'2026-12-02', '01', '800111222', 'Compra a proveedor', ?, 'N')",
      {Value::integer(id), Value::text(numero), Value::fixed(lineas * 40000, 0)});
  for (int i = 1; i <= lineas; ++i)
    c.execute(
        "INSERT INTO FACTURAS_COMPRAS_DETALLE (FACO_ID, FCDE_ITEM, BODE_COD, ARTI_COD, FCDE_CANT, "
        "FCDE_UNIDAD, FCDE_PRUNIT, FCDE_TOTAL) VALUES (?, ?, '01', ?, 4, 'UND', 10000, 40000)",
        {Value::integer(id), Value::integer(i), Value::text("ART-" + std::to_string(i))});
}

void traslado(db::Connection& c, int id, const std::string& numero, int lineas) {
  c.execute(
      "INSERT INTO TRASFERENCIAS (TRAN_ID, TIDO_COD, PREF_PRE, TRAN_NUMERO, TRAN_FECHA, BODE_COD, "
      "TRAN_BODDES, TRAN_CONC, TRAN_ANULADO) VALUES (?, 13, 'TR', ?, '2026-12-03', '01', '02', "
      "'Traslado entre bodegas', 'N')",
      {Value::integer(id), Value::text(numero)});
  for (int i = 1; i <= lineas; ++i)
    c.execute(
        "INSERT INTO TRASFERENCIAS_DETALLE (TRAN_ID, TRAS_ITEM, BODE_COD, ARTI_COD, TRAS_CANT, "
        "TRAS_UNIDAD, TRAS_COSTO, TRAS_TOTAL) VALUES (?, ?, '01', ?, 1, 'UND', 9000, 9000)",
        {Value::integer(id), Value::integer(i), Value::text("ART-" + std::to_string(i))});
}

void evento(db::Connection& c, const std::string& para, int tipo, int iddoc,
            const std::string& pref, const std::string& numero, const std::string& oper,
            const std::string& hora, const std::string& prefdest = "") {
  c.execute(
      "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, RPEV_NUMERO, "
      "RPEV_CODIGO, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER, RPEV_PREFDEST) VALUES (?, ?, ?, ?, ?, "
      "'', "
      "CURRENT_DATE, ?, ?, ?)",
      {Value::text(para), Value::integer(tipo), Value::integer(iddoc), Value::text(pref),
       Value::text(numero), Value::text(hora), Value::text(oper), Value::text(prefdest)});
}

// Prints a line of the databases' text (or of a log) in the console's encoding.
void ver(const std::string& utf8) { std::cout << plataforma::para_consola(utf8) << "\n"; }

std::string t(const db::Value& v) { return plataforma::desde_suite(v.as_text()); }

void mostrar_archivo(const fs::path& p) {
  ver("---- " + plataforma::texto(p.filename()));
  std::ifstream in(p, std::ios::binary);
  if (!in) {
    ver("(vacío)");
    return;
  }
  // The logs are in one encoding: the suite's code page on Windows, UTF-8 elsewhere.
  const plataforma::FormaBitacora forma = plataforma::forma_bitacora();
  std::string linea;
  while (std::getline(in, linea)) {
    if (!linea.empty() && linea.back() == '\r') linea.pop_back();
    ver(forma.pagina_suite ? plataforma::desde_suite(linea) : linea);
  }
}

}  // namespace

void crear_muestra(const fs::path& root) {
  fs::remove_all(root / "datos");
  fs::remove_all(root / "logs");
  fs::create_directories(root / "logs");
  fs::create_directories(root / "xdg" / "Lyr");
  std::ofstream(root / "xdg" / "Lyr" / "Velmora2026.conf")
      << "[General]\nDirectorio=" << plataforma::texto(root / "logs") << "\n";
  create_installation(root, {"001", "002"});
  {
    db::Connection general("DbGeneral");
    general.set_params(params(general_path(root)));
    for (const char* codigo : {"001", "002"})
      general.execute("UPDATE COMPANIA SET COM_NOMBRE = ? WHERE COMP_COD = ?",
                      {texto_suite(nombre_compania(codigo)), Value::text(codigo)});
  }

  db::Connection a("001"), b("002");
  a.set_params(params(company_path(root, "001")));
  b.set_params(params(company_path(root, "002")));
  configurar(a, "002", root);
  configurar(b, "001", root);
  // Each company draws its ids from its own range, so copies visibly get new ones.
  b.execute("ALTER SEQUENCE SEQ_ENTRADAS RESTART WITH 5000");
  a.execute("ALTER SEQUENCE SEQ_TRASFERENCIAS RESTART WITH 900");

  // Company 001 sends two entries to 002, an event the upload never takes (236), and
  // one of a type that is stamped without copy.
  entrada(a, 101, "EN", "000101", 3);
  entrada(a, 102, "EN", "000102", 1);
  evento(a, "002", 11, 101, "EN", "000101", "I", "08:00:00");
  evento(a, "002", 11, 102, "EN", "000102", "I", "08:05:00");
  evento(a, "002", 236, 0, "", "", "I", "08:10:00");
  evento(a, "002", 2, 0, "XX", "1", "I", "08:15:00");
  // A purchase invoice: without the purchase setting it arrives as an entry filed
  // under the destination prefix.
  factura_compra(a, 300, "000300", 2);
  evento(a, "002", 21, 300, "FC", "000300", "I", "08:20:00", "EC");
  muestra_articulos(a);
  // Company 002 sends one entry and one transfer to 001, which 001's agent downloads.
  entrada(b, 7, "EB", "000007", 2);
  evento(b, "001", 11, 7, "EB", "000007", "I", "07:30:00");
  traslado(b, 8, "000008", 3);
  evento(b, "001", 13, 8, "TR", "000008", "I", "07:35:00");
  muestra_contabilidad(a, b);
  muestra_cartera(a, b);
  muestra_ventas(a, b);
  muestra_nomina(a, b);
}

db::Value texto_suite(std::string_view utf8) {
  return db::Value::text(plataforma::hacia_suite(utf8));
}

void mostrar_muestra(const fs::path& root) {
  {
    db::Connection general("DbGeneral");
    general.set_params(params(general_path(root)));
    db::Rows cias = general.query("SELECT COMP_COD, COM_NOMBRE FROM COMPANIA ORDER BY COMP_COD");
    ver("Compañías:");
    for (std::size_t i = 0; i < cias.size(); ++i)
      ver("  " + t(cias.at(i, 0)) + " " + t(cias.at(i, 1)));
  }
  for (const char* code : {"001", "002"}) {
    db::Connection c(code);
    c.set_params(params(company_path(root, code)));
    ver(std::string("==== Compañía ") + code);
    db::Rows ev = c.query(
        "SELECT RPEV_ID, RPEV_COMPANIA, RPEV_TIPO, RPEV_PREF, RPEV_NUMERO, RPEV_OPER, RPEV_FECREP, "
        "RPEV_HORAREP, RPEV_ERROR FROM REPLICA_EVENTOS ORDER BY RPEV_ID");
    ver("Eventos (id, para, tipo, documento, oper, estado):");
    for (std::size_t i = 0; i < ev.size(); ++i) {
      std::string estado =
          ev.at(i, "RPEV_FECREP").is_null()
              ? (ev.at(i, "RPEV_ERROR").is_null()
                     ? "pendiente"
                     : "pendiente con error: " + t(ev.at(i, "RPEV_ERROR")))
              : "replicado " + t(ev.at(i, "RPEV_FECREP")) + " " + t(ev.at(i, "RPEV_HORAREP"));
      ver("  " + t(ev.at(i, 0)) + ", " + t(ev.at(i, 1)) + ", " + t(ev.at(i, 2)) + ", " +
          t(ev.at(i, 3)) + t(ev.at(i, 4)) + ", " + t(ev.at(i, 5)) + ", " + estado);
    }
    db::Rows en = c.query(
        "SELECT E.ENTR_ID, E.PREF_PRE, E.ENTR_NUMERO, E.NUMOK, E.ENTR_TIPOREF, (SELECT COUNT(*) "
        "FROM ENTRADAS_DETALLE D WHERE D.ENTR_ID = E.ENTR_ID), E.ENTR_CONC FROM ENTRADAS E "
        "ORDER BY E.ENTR_ID");
    ver("Entradas de inventario (id, documento, NUMOK, tipo de origen, líneas, concepto):");
    for (std::size_t i = 0; i < en.size(); ++i)
      ver("  " + t(en.at(i, 0)) + ", " + t(en.at(i, 1)) + t(en.at(i, 2)) + ", " + t(en.at(i, 3)) +
          ", " + t(en.at(i, 4)) + ", " + t(en.at(i, 5)) + ", " + t(en.at(i, 6)));
    db::Rows tr = c.query(
        "SELECT T.TRAN_ID, T.PREF_PRE, T.TRAN_NUMERO, T.NUMOK, (SELECT COUNT(*) FROM "
        "TRASFERENCIAS_DETALLE D WHERE D.TRAN_ID = T.TRAN_ID) FROM TRASFERENCIAS T ORDER BY 1");
    ver("Traslados (id, documento, NUMOK, líneas):");
    for (std::size_t i = 0; i < tr.size(); ++i)
      ver("  " + t(tr.at(i, 0)) + ", " + t(tr.at(i, 1)) + t(tr.at(i, 2)) + ", " + t(tr.at(i, 3)) +
          ", " + t(tr.at(i, 4)));
    db::Rows ar = c.query("SELECT ARTI_COD, ARTI_DES FROM ARTICULO ORDER BY 1");
    ver("Artículos:");
    for (std::size_t i = 0; i < ar.size(); ++i) ver("  " + t(ar.at(i, 0)) + ", " + t(ar.at(i, 1)));
    db::Rows te = c.query("SELECT TERC_NIT, TERC_NOMBRE, TERC_DIRECCION FROM TERCEROS ORDER BY 1");
    ver("Terceros:");
    for (std::size_t i = 0; i < te.size(); ++i)
      ver("  " + t(te.at(i, 0)) + ", " + t(te.at(i, 1)) + ", " + t(te.at(i, 2)));
  }
  ver("==== Registros del agente (" + plataforma::texto(root / "logs") + ")");
  mostrar_archivo(root / "logs" / "ENVIO.TXT");
  mostrar_archivo(root / "logs" / "errorenvio.txt");
}

}  // namespace schema
