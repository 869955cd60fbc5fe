// Sample rows of prefixes, payroll and loyalty points: company 001 sends a prefix and a
// payroll news record with its lines to 002; company 002 sends a point redemption.
#include <string>

#include "db/connection.h"
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

void muestra_nomina(db::Connection& a, db::Connection& b) {
  a.execute(
      "INSERT INTO PREFIJOS (TIDO_COD, PREF_PRE, PREF_NOMBRE, PREF_ACTUAL, PREF_AUTO, "
      "PREF_ACTIVO, SUCU_ID) VALUES (11, 'EN', 'Entradas de mercancia', 102, 'S', 'S', 1)");
  evento(a, "002", 142, 11, "EN", "", "", "08:25:00");

  a.execute(
      "INSERT INTO NOMINA_NOVEDADES (NONO_ID, TERC_NIT, TNOV_COD, NONO_FECHA, NONO_DIAS, "
      "NONO_VALOR, NONO_OBS, NONO_USUARIO) VALUES (31, '1020304', 'INC', '2026-12-01', 2, "
      "120000, 'Incapacidad general', 'NOMINA')");
  for (int i = 1; i <= 2; ++i)
    a.execute(
        "INSERT INTO NOMINA_NOVEDADES_DETALLE (NONO_ID, NNDE_ITEM, NNDE_FECHA, NNDE_CONC, "
        "NNDE_HORAS, NNDE_VALOR) VALUES (31, ?, '2026-12-01', 10, 8, 60000)",
        {Value::integer(i)});
  evento(a, "002", 193, 31, "", "", "", "08:30:00");

  b.execute(
      "INSERT INTO PUNTOS_REDENCION (PTRE_ID, TIDO_COD, PREF_PRE, PTRE_NUMERO, PTRE_FECHA, "
      "TERC_NIT, PTRE_PUNTOS, PTRE_VALOR, PTRE_CONC, PTRE_ANULADO) VALUES (4, 81, 'RD', "
      "'000004', '2026-12-05', '71222333', 120, 12000, 'Redencion en caja', 'N')");
  evento(b, "001", 81, 4, "RD", "000004", "", "07:40:00");
}

}  // namespace schema
