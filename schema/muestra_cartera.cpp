// The sample's receivables, cash and bank documents: company 001 sends 002 a customer
// debit note, the cash receipt that pays it (whose line points at the note and is
// re-linked to the note's copy) and a bank deposit with two cheques.
#include <string>

#include "db/connection.h"
#include "db/value.h"
#include "schema/muestra.h"

namespace schema {
namespace {

using db::Value;

void evento(db::Connection& c, const std::string& para, int tipo, int iddoc,
            const std::string& pref, const std::string& numero, const std::string& codigo,
            const std::string& hora) {
  c.execute(
      "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, RPEV_NUMERO, "
      "RPEV_CODIGO, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER) VALUES (?, ?, ?, ?, ?, ?, CURRENT_DATE, "
      "?, 'I')",
      {Value::text(para), Value::integer(tipo), Value::integer(iddoc), Value::text(pref),
       Value::text(numero), Value::text(codigo), Value::text(hora)});
}

}  // namespace

void muestra_cartera(db::Connection& a, db::Connection& b) {
  // Copies in 002 draw their ids from ranges of their own.
  b.execute("ALTER SEQUENCE SEQ_NOTAS_CLIENTES RESTART WITH 4100");
  b.execute("ALTER SEQUENCE SEQ_RECIBOS_CAJA RESTART WITH 6100");
  b.execute("ALTER SEQUENCE SEQ_CONSIGNA RESTART WITH 7100");

  a.execute(
      "INSERT INTO NOTAS_DEBITO_CLIENTES (NDCL_ID, TIDO_COD, PREF_PRE, NDCL_NUMERO, NDCL_FECHA, "
      "TERC_NIT, NDCL_CONC, NDCL_VALOR, NDCL_IVA, NDCL_TOTAL, NDCL_SALDO, NDCL_ANULADO) VALUES "
      "(41, 41, 'ND', '000041', '2026-12-04', '900123456', 'Intereses de mora', 100000, 19000, "
      "119000, 119000, 'N')");
  evento(a, "002", 41, 41, "ND", "000041", "", "08:25:00");

  a.execute(
      "INSERT INTO RECIBOS_CAJA (RECA_ID, TIDO_COD, PREF_PRE, RECA_NUMERO, RECA_FECHA, TERC_NIT, "
      "CAJA_COD, RECA_CONC, RECA_VALOR, RECA_TOTAL, RECA_ANULADO) VALUES (61, 61, 'RC', "
      "'000061', '2026-12-05', '900123456', '01', 'Pago nota debito', 119000, 119000, 'N')");
  a.execute(
      "INSERT INTO RECIBOS_CAJA_DETALLE (RECA_ID, RCDE_ITEM, TIDO_COD, RCDE_IDDOC, RCDE_PREF, "
      "RCDE_NUMERO, RCDE_VALOR) VALUES (61, 1, 41, 41, 'ND', '000041', 119000)");
  a.execute(
      "INSERT INTO RECIBOS_CAJA_PAGO (RECA_ID, RCPA_ITEM, FOPA_COD, RCPA_VALOR) VALUES (61, 1, "
      "'EF', 119000)");
  evento(a, "002", 61, 61, "RC", "000061", "", "08:30:00");

  a.execute(
      "INSERT INTO CONSIGNA (CONS_ID, TIDO_COD, CUBA_COD, PRBA_PREF, CONS_NUMERO, CONS_FECHA, "
      "CONS_CONC, CONS_EFECTIVO, CONS_CHEQUES, CONS_VALOR, CONS_ANULADO) VALUES (71, 71, "
      "'110505-01', 'CB', '000071', '2026-12-05', 'Consignacion del dia', 0, 350000, 350000, "
      "'N')");
  for (int i = 1; i <= 2; ++i)
    a.execute(
        "INSERT INTO CONSIGNA_DETALLE (CONS_ID, CODE_ITEM, BANC_COD, CODE_CHEQUE, CODE_FECHA, "
        "CODE_VALOR) VALUES (71, ?, '07', ?, '2026-12-05', 175000)",
        {Value::integer(i), Value::text("CH-00" + std::to_string(i))});
  evento(a, "002", 71, 71, "CB", "000071", "110505-01", "08:35:00");
}

}  // namespace schema
