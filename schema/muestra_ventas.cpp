#include "db/connection.h"
#include "schema/muestra.h"

namespace schema {

using db::Value;

void muestra_ventas(db::Connection& envia, db::Connection& recibe) {
  // The partner's payment lines travel with its cash invoices.
  recibe.execute(
      "INSERT INTO CONFIGURACION (CONF_MODULO, CONF_CATEGORIA, CONF_PROPIEDAD, CONF_VALOR) VALUES "
      "('FACTURACION', 'FACTURAS', 'ENVIAR DETALLE DE FORMAS DE PAGO DE CONTADO', 'SI')");
  recibe.execute("ALTER SEQUENCE SEQ_FACTURAS RESTART WITH 7000");
  // A cash invoice of two lines paid in cash and by card.
  envia.execute(
      "INSERT INTO FACTURAS (FACT_ID, TIDO_COD, PREF_PRE, FACT_NUMERO, FACT_FECHA, BODE_COD, "
      "TERC_NIT, FACT_NOMCLIENTE, FACT_CONC, FACT_IVAINC, FACT_CONTADO, FACT_TOTAL, "
      "FACT_CONSOLIDA, FACT_ANULADO, FACT_USUARIO) VALUES (400, 31, 'FV', '000400', '2026-12-04', "
      "'01', '900555111', 'Cliente de contado', 'Venta de mostrador', 'S', 'S', 59500, 0, 'N', "
      "'CAJERO')");
  for (int i = 1; i <= 2; ++i)
    envia.execute(
        "INSERT INTO FACTURAS_DETALLE (FACT_ID, FADE_ITEM, BODE_COD, ARTI_COD, FADE_CANT, "
        "FADE_UNIDAD, FADE_PRUNIT, FADE_IVAPORC, FADE_TOTAL, FADE_DEVUELTO) VALUES (400, ?, '01', "
        "?, 1, 'UND', 25000, 19, 29750, 0)",
        {Value::integer(i), Value::text("ART-" + std::to_string(i))});
  envia.execute(
      "INSERT INTO FACTURAS_CONTADO_PAGO (FCNT_ID, FCNT_ITEM, FOPA_COD, FCNT_VALOR) VALUES (400, "
      "1, "
      "'EF', 40000)");
  envia.execute(
      "INSERT INTO FACTURAS_CONTADO_PAGO (FCNT_ID, FCNT_ITEM, FOPA_COD, FCNT_VALOR, "
      "FCNT_DOCUMENTO, FCNT_BANCO) VALUES (400, 2, 'TC', 19500, '4512-0001', 'BANCO 1')");
  envia.execute(
      "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, RPEV_NUMERO, "
      "RPEV_CODIGO, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER, RPEV_PREFDEST) VALUES ('002', 31, 400, "
      "'FV', '000400', '', CURRENT_DATE, '08:25:00', 'I', 'EC')");
}

}  // namespace schema
