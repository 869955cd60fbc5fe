#include "support/ventas_datos.h"

#include <stdexcept>

#include "db/value.h"

namespace testing_support {
namespace {

using db::Value;

Value txt(std::string_view s) { return Value::text(std::string(s)); }

// Tables and column prefixes of the documents that share one layout.
struct Tabla {
  int tipo;
  const char* encabezado;
  const char* p;  // header column prefix
  const char* detalle;
  const char* d;                // line column prefix
  const char* saldo = nullptr;  // the line's quantity already invoiced or dispatched
};
constexpr Tabla kTablas[] = {
    {32, "REMISIONES_VENTA", "REVT", "REMISIONES_VENTA_DETALLE", "RVDE", "RVDE_FACTURADO"},
    {33, "DEVOLUCIONES_VENTAS", "DEVT", "DEVOLUCIONES_VENTAS_DETALLE", "DVDE"},
    {34, "PEDIDOS", "PEDI", "PEDIDOS_DETALLE", "PEDE", "PEDE_DESPACHADO"},
    {35, "COTIZACIONES", "COTI", "COTIZACIONES_DETALLE", "CTDE"},
};

const Tabla& tabla(int tipo) {
  for (const Tabla& t : kTablas)
    if (t.tipo == tipo) return t;
  throw std::invalid_argument("no sales table for type " + std::to_string(tipo));
}

void insertar_lineas(db::Connection& c, const Tabla& t, std::int64_t id, int lineas) {
  const std::string d = t.d;
  const std::string sql = std::string("INSERT INTO ") + t.detalle + " (" + t.p + "_ID, " + d +
                          "_ITEM, BODE_COD, ARTI_COD, " + d + "_CANT, " + d + "_UNIDAD, " + d +
                          "_PRUNIT, " + d + "_IVAPORC, " + d + "_TOTAL, " + d +
                          "_OBS) VALUES (?, ?, '03', ?, ?, 'UND', ?, 19, ?, ?)";
  for (int i = 1; i <= lineas; ++i)
    c.execute(sql, {Value::integer(id), Value::integer(i),
                    txt("ART" + std::to_string(id) + "-" + std::to_string(i)), Value::integer(i),
                    Value::fixed(100025 * i, -2), Value::fixed(950 * i, 0),
                    txt("obs " + std::to_string(i))});
  if (t.saldo)
    c.execute(std::string("UPDATE ") + t.detalle + " SET " + t.saldo + " = 0 WHERE " + t.p +
              "_ID = " + std::to_string(id));
}

}  // namespace

void insertar_factura(db::Connection& c, std::int64_t id, std::string_view pref,
                      std::string_view numero, int lineas, int pagos, std::string_view nit,
                      std::optional<std::int64_t> consolida) {
  c.execute(
      "INSERT INTO FACTURAS (FACT_ID, TIDO_COD, PREF_PRE, FACT_NUMERO, FACT_FECHA, FACT_HORA, "
      "FACT_FECVENCE, FACT_PLAZO, BODE_COD, TERC_NIT, FACT_NOMCLIENTE, VEND_COD, FACT_CONC, "
      "FACT_IVAINC, FACT_CONTADO, FACT_SUBTOTAL, FACT_DESCUENTO, FACT_IVA, FACT_RETEFUENTE, "
      "FACT_TOTAL, FACT_TASACAMBIO, FACT_PESO, FACT_CONSOLIDA, FACT_CUFE, FACT_ANULADO, "
      "FACT_TRANSMIT, FACT_USUARIO, FACT_FECHAREG, FACT_OBS) VALUES (?, 31, ?, ?, '2026-12-05', "
      "'10:30:00', '2027-01-04', 30, '03', ?, ?, 'V01', ?, 'S', 'S', ?, 0, 2394, 0, 15000, "
      "1.000000, 2.5, ?, ?, 'N', 'S', 'CAJERO', '2026-12-05 10:30:15', ?)",
      {Value::integer(id), txt(pref), txt(numero), txt(nit), txt("Cliente " + std::string(nit)),
       txt("Venta " + std::to_string(id)), Value::fixed(12606 + id, 0),
       consolida ? Value::integer(*consolida) : Value(), txt("CUFE-" + std::to_string(id)),
       Value::blob("observaciones\nde la venta " + std::to_string(id))});
  for (int i = 1; i <= lineas; ++i) {
    const std::string n = std::to_string(i);
    c.execute(
        "INSERT INTO FACTURAS_DETALLE (FACT_ID, FADE_ITEM, BODE_COD, ARTI_COD, FADE_CANT, "
        "FADE_UNIDAD, FADE_FACTOR, FADE_LOTE, FADE_DESC, FADE_PRUNIT, FADE_DTOPORC, "
        "FADE_DTOMONTO, FADE_IVAPORC, FADE_IVAMONTO, FADE_CONSUMO, FADE_TOTAL, FADE_CODBAR, "
        "FADE_ANULADO, FADE_DEVUELTO, FADE_OBS) VALUES (?, ?, '03', ?, ?, 'UND', 1.5, ?, ?, ?, 5, "
        "?, 19, 180.50, 12.25, ?, ?, 'N', ?, ?)",
        {Value::integer(id), Value::integer(i), txt("ART" + std::to_string(id) + "-" + n),
         Value::integer(i), txt("L" + n), txt("Linea " + n), Value::fixed(100025 * i, -2),
         Value::fixed(5000 * i, -2), Value::fixed(950 * i, 0), txt("77000" + n), Value::integer(i),
         txt("obs " + n)});
  }
  for (int i = 1; i <= pagos; ++i)
    c.execute(
        "INSERT INTO FACTURAS_CONTADO_PAGO (FCNT_ID, FCNT_ITEM, FOPA_COD, FCNT_VALOR, "
        "FCNT_DOCUMENTO, FCNT_BANCO, FCNT_FECHA) VALUES (?, ?, ?, ?, ?, 'BANCO 1', '2026-12-05')",
        {Value::integer(id), Value::integer(i), txt("EF" + std::to_string(i)),
         Value::integer(500 * i), txt("DOC-" + std::to_string(i))});
}

void insertar_linea_factura(db::Connection& c, std::int64_t id, int item, std::string_view articulo,
                            std::string_view cantidad) {
  c.execute(
      "INSERT INTO FACTURAS_DETALLE (FACT_ID, FADE_ITEM, BODE_COD, ARTI_COD, FADE_CANT, "
      "FADE_DEVUELTO) VALUES (?, ?, '03', ?, CAST(? AS NUMERIC(18,4)), 7)",
      {Value::integer(id), Value::integer(item), txt(articulo), txt(cantidad)});
}

void insertar_lista(db::Connection& c, std::int64_t lista,
                    const std::vector<std::pair<int, std::int64_t>>& documentos) {
  int item = 0;
  for (const auto& [tipo, id] : documentos)
    c.execute(
        "INSERT INTO CONSOLIDE_FALTANTES (CEFA_ID, CEFA_ITEM, CEFA_TIPODES, CEFA_TIPOORI, "
        "CEFA_IDORI) VALUES (?, ?, 31, ?, ?)",
        {Value::integer(lista), Value::integer(++item), Value::integer(tipo), Value::integer(id)});
}

void insertar_documento_venta(db::Connection& c, int tipo, std::int64_t id, std::string_view pref,
                              std::string_view numero, int lineas) {
  const Tabla& t = tabla(tipo);
  const std::string p = t.p;
  c.execute(std::string("INSERT INTO ") + t.encabezado + " (" + p + "_ID, TIDO_COD, PREF_PRE, " +
                p + "_NUMERO, " + p + "_FECHA, BODE_COD, TERC_NIT, " + p + "_NOMCLIENTE, " + p +
                "_CONC, " + p + "_SUBTOTAL, " + p + "_IVA, " + p + "_TOTAL, " + p + "_ANULADO, " +
                p + "_TRANSMIT, " + p + "_USUARIO, " + p + "_FECHAREG, " + p +
                "_OBS) VALUES (?, ?, ?, ?, '2026-12-04', '03', '900100200', 'Cliente', ?, 1000, "
                "190, ?, 'N', 'S', 'VENDEDOR', '2026-12-04 09:00:00', ?)",
            {Value::integer(id), Value::integer(tipo), txt(pref), txt(numero),
             txt("Documento " + std::to_string(id)), Value::fixed(1190 + id, 0),
             Value::blob("observaciones " + std::to_string(id))});
  insertar_lineas(c, t, id, lineas);
}

void insertar_devolucion_venta(db::Connection& c, std::int64_t id, std::string_view pref,
                               std::string_view numero, int lineas,
                               const std::optional<std::string>& factura,
                               std::optional<std::int64_t> factid, std::string_view nit) {
  c.execute(
      "INSERT INTO DEVOLUCIONES_VENTAS (DEVT_ID, TIDO_COD, PREF_PRE, DEVT_NUMERO, DEVT_FECHA, "
      "BODE_COD, TERC_NIT, DEVT_NOMCLIENTE, DEVT_CONC, DEVT_MOTIVO, DEVT_IVAINC, DEVT_SUBTOTAL, "
      "DEVT_IVA, DEVT_TOTAL, DEVT_ANULADO, DEVT_TRANSMIT, DEVT_USUARIO, DEVT_FECHAREG, DEVT_OBS, "
      "DEVT_FACTURA, DEVT_FACTID) VALUES (?, 33, ?, ?, '2026-12-06', '03', ?, 'Cliente', ?, "
      "'AVERIA', 'S', 3361.34, 638.66, 4000, 'N', 'S', 'CAJERO', '2026-12-06 12:00:00', ?, ?, ?)",
      {Value::integer(id), txt(pref), txt(numero), txt(nit),
       txt("Devolucion " + std::to_string(id)),
       Value::blob("observaciones de la devolucion " + std::to_string(id)),
       factura ? txt(*factura) : Value(), factid ? Value::integer(*factid) : Value()});
  insertar_lineas(c, tabla(33), id, lineas);
}

}  // namespace testing_support
