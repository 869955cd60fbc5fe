// Sample vouchers: each company posts the voucher of an entry it sends, so the copy
// shows the voucher linked to the entry's id in the other company.
#include <string>

#include "db/connection.h"
#include "schema/muestra.h"

namespace schema {
namespace {

using db::Value;

void comprobante(db::Connection& c, const std::string& para, int consec, const std::string& pref,
                 const std::string& numero, int entrada, const std::string& hora) {
  c.execute(
      "INSERT INTO COMPROBANTE_ENCABEZADO (ENCO_CONSEC, TICO_COD, PRCO_PREF, ENCO_NUMERO, "
      "ENCO_FECHA, TERC_NIT, ENCO_CONC, ENCO_TIPODOC, ENCO_IDDOC, ENCO_DEBITOS, ENCO_CREDITOS, "
      "ENCO_ANULADO, ENCO_USUARIO) VALUES (?, 'CE', ?, ?, '2026-12-01', '900123456', ?, 11, ?, "
      "75000, 75000, 'N', 'SYSDBA')",
      {Value::integer(consec), Value::text(pref), Value::text(numero),
       texto_suite("Contabilización de la entrada " + numero + ". Observación: año, 12 €"),
       Value::integer(entrada)});
  for (const char* libro : {"COMPROBANTE_DETALLE", "COMPROBANTE_DETALLE_NIIF"}) {
    c.execute(std::string("INSERT INTO ") + libro +
                  " VALUES (?, 1, '143505', '900123456', 'C01', 'Inventario', 75000, 0, 0, 0, ?)",
              {Value::integer(consec), Value::text(pref + numero)});
    c.execute(std::string("INSERT INTO ") + libro +
                  " VALUES (?, 2, '220505', '900123456', 'C01', 'Proveedor', 0, 75000, 0, 0, ?)",
              {Value::integer(consec), Value::text(pref + numero)});
  }
  c.execute(
      "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, RPEV_NUMERO, "
      "RPEV_CODIGO, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER) VALUES (?, 1, ?, ?, ?, 'CE', "
      "CURRENT_DATE, ?, 'I')",
      {Value::text(para), Value::integer(consec), Value::text(pref), Value::text(numero),
       Value::text(hora)});
}

}  // namespace

void muestra_contabilidad(db::Connection& a, db::Connection& b) {
  a.execute("ALTER SEQUENCE SEQ_COMPROBANTES RESTART WITH 700");
  b.execute("ALTER SEQUENCE SEQ_COMPROBANTES RESTART WITH 800");
  comprobante(a, "002", 41, "EN", "000101", 101, "08:06:00");
  comprobante(b, "001", 42, "EB", "000007", 7, "07:31:00");
}

}  // namespace schema
