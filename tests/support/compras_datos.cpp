#include "support/compras_datos.h"

#include <vector>

#include "db/value.h"

namespace testing_support {
namespace {

using db::Value;

Value txt(std::string_view s) { return Value::text(std::string(s)); }

// The lines of a purchase document: `id_col` is the header id column, `p` the lines'
// column prefix (FCDE, RPVD, DVCD); `devuelto` adds the returned quantity.
void insertar_lineas(db::Connection& c, std::string_view tabla, std::string_view id_col,
                     std::string_view p, std::int64_t id, int lineas, bool devuelto) {
  const std::string q(p);
  std::string sql = "INSERT INTO " + std::string(tabla) + " (" + std::string(id_col) + ", " + q +
                    "_ITEM, BODE_COD, ARTI_COD, " + q + "_CANT, " + q + "_UNIDAD, " + q +
                    "_FACTOR, " + q + "_LOTE, " + q + "_DESC, " + q + "_PRUNIT, " + q +
                    "_DTOPORC, " + q + "_DTOMONTO, " + q + "_IVAPORC, " + q + "_IVAMONTO, " + q +
                    "_CONSUMO, " + q + "_TOTAL, " + q + "_CODBAR, " + q + "_ANULADO, " + q +
                    "_OBS" + (devuelto ? ", " + q + "_DEVUELTO" : std::string()) +
                    ") VALUES (?, ?, '03', ?, ?, 'UND', 1.5, ?, ?, ?, 5, ?, 19, 180.50, 12.25, ?, "
                    "?, 'N', ?" +
                    (devuelto ? ", ?" : "") + ")";
  for (int i = 1; i <= lineas; ++i) {
    const std::string n = std::to_string(i);
    std::vector<Value> v{Value::integer(id),
                         Value::integer(i),
                         txt("ART" + std::to_string(id) + "-" + n),
                         Value::integer(i),
                         txt("L" + n),
                         txt("Linea " + n),
                         Value::fixed(100025 * i, -2),
                         Value::fixed(5000 * i, -2),
                         Value::fixed(950 * i, 0),
                         txt("77000" + n),
                         txt("obs " + n)};
    if (devuelto) v.push_back(Value::integer(i));
    c.execute(sql, v);
  }
}

}  // namespace

void insertar_factura_compra(db::Connection& c, std::int64_t id, std::string_view pref,
                             std::string_view numero, int lineas) {
  c.execute(
      "INSERT INTO FACTURAS_COMPRA (FACO_ID, TIDO_COD, PREF_PRE, FACO_NUMERO, FACO_FECHA, "
      "FACO_FECVENCE, FACO_PLAZO, BODE_COD, TERC_NIT, FACO_FACTPROV, FACO_CONC, FACO_IMPTOS, "
      "FACO_SUBTOTAL, FACO_DESCUENTO, FACO_IVA, FACO_RETEFUENTE, FACO_TOTAL, FACO_TASACAMBIO, "
      "FACO_PESO, FACO_ANULADO, FACO_TRANSMIT, FACO_USUARIO, FACO_FECHAREG, FACO_OBS, NUMOK) "
      "VALUES (?, 21, ?, ?, '2026-12-02', '2027-01-01', 30, '03', '800111222', ?, ?, 'S', ?, "
      "500, 1900, 250, ?, 4012.5, 7.25, 'N', 'S', 'COMPRADOR', '2026-12-02 10:15:00', ?, 'S')",
      {Value::integer(id), txt(pref), txt(numero), txt("PROV-" + std::to_string(id)),
       txt("Compra " + std::to_string(id)), Value::fixed(10000 + id, 0),
       Value::fixed(11150 + id, 0),
       Value::blob("observaciones\nde la compra " + std::to_string(id))});
  insertar_lineas(c, "FACTURAS_COMPRAS_DETALLE", "FACO_ID", "FCDE", id, lineas, true);
}

void insertar_remision_proveedor(db::Connection& c, std::int64_t id, std::string_view pref,
                                 std::string_view numero, int lineas) {
  c.execute(
      "INSERT INTO REMISION_PROVEEDOR (REPR_ID, TIDO_COD, PREF_PRE, REPR_NUMERO, REPR_FECHA, "
      "REPR_HORA, BODE_COD, TERC_NIT, REPR_REMIPROV, REPR_CONC, REPR_IMPTOS, REPR_SUBTOTAL, "
      "REPR_IVA, REPR_TOTAL, REPR_PESO, REPR_FACTURADA, REPR_ANULADO, REPR_TRANSMIT, "
      "REPR_USUARIO, REPR_FECHAREG, REPR_OBS, NUMOK) VALUES (?, 22, ?, ?, '2026-12-03', "
      "'11:20:00', '03', '800111222', ?, ?, 'N', ?, 1900, ?, 3.5, 'N', 'N', 'S', 'BODEGUERO', "
      "'2026-12-03 11:20:30', ?, 'S')",
      {Value::integer(id), txt(pref), txt(numero), txt("RPROV-" + std::to_string(id)),
       txt("Remision " + std::to_string(id)), Value::fixed(20000 + id, 0),
       Value::fixed(21900 + id, 0),
       Value::blob("observaciones\nde la remision " + std::to_string(id))});
  insertar_lineas(c, "REMISION_PROVEEDOR_DET", "REPR_ID", "RPVD", id, lineas, true);
}

void insertar_devolucion_compra(db::Connection& c, std::int64_t id, std::string_view pref,
                                std::string_view numero, int lineas,
                                const std::optional<std::string>& factura,
                                std::optional<std::int64_t> factid) {
  c.execute(
      "INSERT INTO DEVOLUCIONES_COMPRAS (DVCO_ID, TIDO_COD, PREF_PRE, DVCO_NUMERO, DVCO_FECHA, "
      "BODE_COD, TERC_NIT, DVCO_FACTURA, DVCO_FACTID, DVCO_CONC, DVCO_IMPTOS, DVCO_SUBTOTAL, "
      "DVCO_IVA, DVCO_TOTAL, DVCO_PESO, DVCO_ANULADO, DVCO_TRANSMIT, DVCO_USUARIO, "
      "DVCO_FECHAREG, DVCO_OBS, NUMOK) VALUES (?, 24, ?, ?, '2026-12-04', '03', '800111222', ?, "
      "?, ?, 'S', ?, 190, ?, 1.25, 'N', 'S', 'DEVOLUCIONES', '2026-12-04 16:45:00', ?, 'S')",
      {Value::integer(id), txt(pref), txt(numero), factura ? txt(*factura) : Value(),
       factid ? Value::integer(*factid) : Value(), txt("Devolucion " + std::to_string(id)),
       Value::fixed(1000 + id, 0), Value::fixed(1190 + id, 0),
       Value::blob("observaciones\nde la devolucion " + std::to_string(id))});
  insertar_lineas(c, "DEVOLUCIONES_COMPRAS_DET", "DVCO_ID", "DVCD", id, lineas, false);
}

void insertar_salida(db::Connection& c, std::int64_t id, std::string_view pref,
                     std::string_view numero, int tiporef, std::int64_t idref, int lineas) {
  c.execute(
      "INSERT INTO SALIDAS (SALI_ID, TIDO_COD, PREF_PRE, SALI_NUMERO, SALI_FECHA, BODE_COD, "
      "TERC_NIT, SALI_CONC, SALI_TIPOREF, SALI_IDREF, SALI_TOTAL, SALI_ANULADO, NUMOK) VALUES "
      "(?, 12, ?, ?, '2026-12-01', '03', '800111222', ?, ?, ?, 99, 'N', 'S')",
      {Value::integer(id), txt(pref), txt(numero), txt("Salida " + std::to_string(id)),
       Value::integer(tiporef), Value::integer(idref)});
  for (int i = 1; i <= lineas; ++i)
    c.execute(
        "INSERT INTO SALIDAS_DETALLE (SALI_ID, SADE_ITEM, BODE_COD, ARTI_COD, SADE_CANT, "
        "SADE_COSTO) VALUES (?, ?, '03', 'ART', ?, 10)",
        {Value::integer(id), Value::integer(i), Value::integer(i)});
}

}  // namespace testing_support
