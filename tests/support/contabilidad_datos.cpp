#include "support/contabilidad_datos.h"

#include <vector>

namespace testing_support {

using db::Value;

void insertar_comprobante(db::Connection& c, const ComprobantePrueba& v) {
  c.execute(
      "INSERT INTO COMPROBANTE_ENCABEZADO (ENCO_CONSEC, TICO_COD, PRCO_PREF, ENCO_NUMERO, "
      "ENCO_FECHA, TERC_NIT, ENCO_CONC, ENCO_TIPODOC, ENCO_IDDOC, ENCO_DEBITOS, ENCO_CREDITOS, "
      "ENCO_TASACAMBIO, ENCO_ANULADO, ENCO_USUARIO, ENCO_FECHAREG, ENCO_OBS) VALUES (?, ?, ?, ?, "
      "?, '900123456', ?, ?, ?, ?, ?, 4012.123456, 'N', 'CONTADOR', '2026-12-01 16:45:10', ?)",
      {Value::integer(v.consec), Value::text(v.tipo), Value::text(v.pref), Value::text(v.numero),
       Value::date(v.fecha), Value::text("Comprobante " + std::to_string(v.consec)),
       v.tipo_origen ? Value::integer(*v.tipo_origen) : Value(), Value::integer(v.id_origen),
       Value::fixed(150000 + v.consec, -2), Value::fixed(150000 + v.consec, -2),
       Value::blob("asiento\ndel comprobante " + std::to_string(v.consec))});
  auto lineas = [&](const char* libro, const char* p, int n) {
    const std::string pre(p);
    for (int i = 1; i <= n; ++i)
      c.execute(
          "INSERT INTO " + std::string(libro) + " (ENCO_CONSEC, " + pre +
              "_ITEM, CUEN_COD, TERC_NIT, " + pre + "_CENTRO, " + pre + "_DESC, " + pre +
              "_DEBITO, " + pre + "_CREDITO, " + pre + "_BASE, " + pre + "_CANTIDAD, " + pre +
              "_DOCREF) VALUES (?, ?, ?, '900123456', 'C01', ?, ?, 0, 1000.50, "
              "2.123456, 'REF-1')",
          {Value::integer(v.consec), Value::integer(i), Value::text("1105" + std::to_string(i)),
           Value::text(std::string(libro) + " linea " + std::to_string(i)),
           Value::fixed(10000 * i + v.consec, -2)});
  };
  lineas("COMPROBANTE_DETALLE", "CODE", v.lineas);
  lineas("COMPROBANTE_DETALLE_NIIF", "CDNI", v.lineas_niif);
}

db::Rows comprobante(db::Connection& c, std::string_view tipo, std::string_view pref,
                     std::string_view numero) {
  return c.query(
      "SELECT * FROM COMPROBANTE_ENCABEZADO WHERE TICO_COD = ? AND PRCO_PREF = ? AND "
      "ENCO_NUMERO = ?",
      {Value::text(std::string(tipo)), Value::text(std::string(pref)),
       Value::text(std::string(numero))});
}

db::Rows lineas_comprobante(db::Connection& c, std::string_view libro, std::int64_t consec) {
  return c.query("SELECT * FROM " + std::string(libro) +
                 " WHERE ENCO_CONSEC = " + std::to_string(consec) + " ORDER BY 2");
}

}  // namespace testing_support
