#include "support/inventario_datos.h"

#include <stdexcept>
#include <utility>

#include "db/target_set.h"
#include "db/value.h"

namespace testing_support {

const std::vector<TablaInventario>& tablas_inventario() {
  static const std::vector<TablaInventario> tablas{
      {11, "Entrada", "ENTRADAS", "ENTR", "ENTRADAS_DETALLE", "ENDE", "SEQ_ENTRADAS", true},
      {12, "Salida", "SALIDAS", "SALI", "SALIDAS_DETALLE", "SADE", "SEQ_SALIDAS", true},
      {13, "Traslado", "TRASFERENCIAS", "TRAN", "TRASFERENCIAS_DETALLE", "TRAS",
       "SEQ_TRASFERENCIAS", true},
      {14, "Ajuste", "AJUSTES", "AJUS", "AJUSTES_DETALLE", "AJDE", "SEQ_AJUSTES", false},
      {15, "Ensamble", "ENSAMBLES", "ENSA", "ENSAMBLES_DETALLE", "ENSD", "SEQ_ENSAMBLES", true},
      {16, "Desensamble", "DESENSAMBLES", "DESE", "DESENSAMBLES_DETALLE", "DSDE",
       "SEQ_DESENSAMBLES", true},
      {17, "Reserva", "RESERVAS", "RESE", "RESERVAS_DETALLE", "REDE", "SEQ_RESERVAS", false},
      {18, "OrdenInventario", "ORDENES_INVENTARIO", "ORIN", "ORDENINVENTARIO_DETALLE", "OIDE",
       "SEQ_ORDENES_INVENTARIO", false},
  };
  return tablas;
}

const TablaInventario& tabla_inventario(int tipo) {
  for (const TablaInventario& t : tablas_inventario())
    if (t.tipo == tipo) return t;
  throw std::out_of_range("no inventory table for type " + std::to_string(tipo));
}

namespace {

using Valores = std::vector<std::pair<std::string, db::Value>>;

// Inserts one row with `valores`; every other writable fixed-point column gets an
// amount of its own, so that a copy shows each amount arriving (an empty amount would
// arrive as 0). One statement per row keeps the rows in the order they were inserted.
void insertar_fila(db::Connection& c, std::string_view tabla, Valores valores) {
  db::TargetSet vacio = c.open("SELECT * FROM " + std::string(tabla) + " WHERE 1 = 0");
  for (std::size_t i = 0; i < vacio.column_count(); ++i) {
    const db::Column& col = vacio.columns()[i];
    bool dado = false;
    for (const auto& [nombre, valor] : valores) dado = dado || nombre == col.name;
    if (col.is_fixed() && !col.read_only && !dado)
      valores.emplace_back(col.name,
                           db::Value::fixed(static_cast<std::int64_t>(i + 1) * 100 + 25, -2));
  }
  std::string columnas, marcas;
  std::vector<db::Value> params;
  for (const auto& [nombre, valor] : valores) {
    columnas += (columnas.empty() ? "" : ", ") + nombre;
    marcas += marcas.empty() ? "?" : ", ?";
    params.push_back(valor);
  }
  c.execute("INSERT INTO " + std::string(tabla) + " (" + columnas + ") VALUES (" + marcas + ")",
            params);
}

db::Value texto(std::string_view s) { return db::Value::text(std::string(s)); }

}  // namespace

void insertar_documento(db::Connection& c, const TablaInventario& d, std::int64_t id,
                        std::string_view pref, std::string_view numero, int lineas) {
  const std::string p(d.prefijo);
  insertar_fila(
      c, d.encabezado,
      {{p + "_ID", db::Value::integer(id)},
       {"TIDO_COD", db::Value::integer(d.tipo)},
       {"PREF_PRE", texto(pref)},
       {p + "_NUMERO", texto(numero)},
       {p + "_FECHA", db::Value::date({2026, 12, 1})},
       {"BODE_COD", texto("01")},
       {p + "_CONC", texto(std::string(d.nombre) + " " + std::to_string(id))},
       {p + "_TOTAL", db::Value::fixed(100000 + id, -2)},
       {p + "_PESO", db::Value::floating(12.75)},
       {p + "_ANULADO", texto("N")},
       {p + "_TRANSMIT", texto("S")},
       {p + "_USUARIO", texto("OPERADOR")},
       {p + "_FECHAREG", db::Value::timestamp({{2026, 12, 1}, {14, 30, 5, 0}})},
       {p + "_OBS", db::Value::blob("observaciones\ndel documento " + std::to_string(id))},
       {"NUMOK", texto("S")}});
  const std::string l(d.prefijo_det);
  for (int i = 1; i <= lineas; ++i)
    insertar_fila(c, d.detalle,
                  {{d.id(), db::Value::integer(id)},
                   {l + "_ITEM", db::Value::integer(i)},
                   {"BODE_COD", texto("01")},
                   {"ARTI_COD", texto("ART" + std::to_string(id) + "-" + std::to_string(i))},
                   {l + "_CANT", db::Value::integer(i)},
                   {l + "_UNIDAD", texto("UND")},
                   {l + "_FACTOR", db::Value::fixed(15, -1)},
                   {l + "_TOTAL", db::Value::fixed(2500 * i + id, 0)},
                   {l + "_OBS", texto("Linea " + std::to_string(i))}});
}

db::Rows encabezado_documento(db::Connection& c, const TablaInventario& d, std::string_view pref,
                              std::string_view numero) {
  return c.query("SELECT * FROM " + std::string(d.encabezado) + " WHERE PREF_PRE = ? AND " +
                     d.numero() + " = ?",
                 {db::Value::text(std::string(pref)), db::Value::text(std::string(numero))});
}

db::Rows lineas_documento(db::Connection& c, const TablaInventario& d, std::int64_t id) {
  return c.query("SELECT * FROM " + std::string(d.detalle) + " WHERE " + d.id() + " = " +
                 std::to_string(id) + " ORDER BY " + d.item());
}

void insertar_traslado(db::Connection& c, std::int64_t id, std::string_view pref,
                       std::string_view numero, std::string_view boddes, int lineas) {
  c.execute(
      "INSERT INTO TRASFERENCIAS (TRAN_ID, TIDO_COD, PREF_PRE, TRAN_NUMERO, TRAN_FECHA, "
      "TRAN_HORA, BODE_COD, TRAN_BODDES, TERC_NIT, TRAN_CONC, TRAN_IMPTOS, TRAN_TOTAL, TRAN_PESO, "
      "TRAN_ANULADO, TRAN_TRANSMIT, TRAN_USUARIO, TRAN_FECHAREG, TRAN_OBS, NUMOK) VALUES (?, 13, "
      "?, ?, '2026-12-01', '10:20:30', '01', ?, '800555111', ?, 'S', 9999.99, 3.5, 'N', 'S', "
      "'BODEGUERO', '2026-12-01 10:20:35', ?, 'S')",
      {db::Value::integer(id), db::Value::text(std::string(pref)),
       db::Value::text(std::string(numero)), db::Value::text(std::string(boddes)),
       db::Value::text("Traslado " + std::to_string(id)),
       db::Value::blob("traslado\nentre bodegas " + std::to_string(id))});
  for (int i = 1; i <= lineas; ++i) {
    const std::int64_t cant = i + 2;
    c.execute(
        "INSERT INTO TRASFERENCIAS_DETALLE (TRAN_ID, TRAS_ITEM, BODE_COD, ARTI_COD, TRAS_CANT, "
        "TRAS_UNIDAD, TRAS_FACTOR, TRAS_LOTE, TRAS_DESC, TRAS_COSTO, TRAS_IVAPORC, TRAS_IVAMONTO, "
        "TRAS_CONSUMO, TRAS_TOTAL, TRAS_CODBAR, TRAS_ANULADO, TRAS_OBS) VALUES (?, ?, '01', ?, ?, "
        "'UND', 2.5, ?, ?, 1111.5, 19, ?, 4.25, ?, ?, 'N', ?)",
        {db::Value::integer(id), db::Value::integer(i), db::Value::text("ART-" + std::to_string(i)),
         db::Value::integer(cant), db::Value::text("LOTE" + std::to_string(i)),
         db::Value::text("Articulo " + std::to_string(i)), db::Value::fixed(21120 + i, -2),
         db::Value::fixed(11115 * cant, -1), db::Value::text("770000" + std::to_string(i)),
         db::Value::text("Linea " + std::to_string(i))});
  }
}

void poner_ultimo_costo(db::Connection& c, std::string_view articulo, std::string_view unidad,
                        std::string_view fecha, std::string_view costo) {
  c.execute("INSERT INTO ULTIMOS_COSTOS (ARTI_COD, UNIDAD, FECHA, COSTO) VALUES (?, ?, ?, ?)",
            {db::Value::text(std::string(articulo)), db::Value::text(std::string(unidad)),
             db::Value::date(db::parse_date(fecha)),
             db::Value::fixed(db::parse_decimal(costo).units, db::parse_decimal(costo).scale)});
}

}  // namespace testing_support
