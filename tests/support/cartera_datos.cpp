#include "support/cartera_datos.h"

#include <map>

namespace testing_support {
namespace {

using db::Value;

Value txt(std::string_view s) { return Value::text(std::string(s)); }

// The customer and supplier documents an application or a cash document can point at:
// table, id column, number column. 31 and 33 belong to the sales tables; a bare
// version of them is created when the database has none.
struct Aplicable {
  const char* tabla;
  const char* id;
  const char* numero;
};
const std::map<int, Aplicable> kAplicables{
    {21, {"FACTURAS_COMPRA", "FACO_ID", "FACO_NUMERO"}},
    {24, {"DEVOLUCIONES_COMPRAS", "DVCO_ID", "DVCO_NUMERO"}},
    {31, {"FACTURAS", "FACT_ID", "FACT_NUMERO"}},
    {33, {"DEVOLUCIONES_VENTAS", "DEVT_ID", "DEVT_NUMERO"}},
    {41, {"NOTAS_DEBITO_CLIENTES", "NDCL_ID", "NDCL_NUMERO"}},
    {42, {"NOTAS_CREDITO_CLIENTES", "NCCL_ID", "NCCL_NUMERO"}},
    {45, {"ANTICIPOS_CLIENTE", "ANCL_ID", "ANCL_NUMERO"}},
    {51, {"NOTAS_DEBITO_PROVEEDOR", "NDPR_ID", "NDPR_NUMERO"}},
    {52, {"NOTAS_CREDITO_PROVEEDOR", "NCPR_ID", "NCPR_NUMERO"}},
    {55, {"ANTICIPOS_PROVEEDOR", "ANPR_ID", "ANPR_NUMERO"}},
    {11, {"ENTRADAS", "ENTR_ID", "ENTR_NUMERO"}},
};

bool existe_tabla(db::Connection& c, std::string_view tabla) {
  return !c.query("SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = '" + std::string(tabla) +
                  "'")
              .empty();
}

}  // namespace

void insertar_fila(db::Connection& c, std::string_view tabla, const Columnas& columnas) {
  std::string nombres, marcas;
  std::vector<Value> valores;
  for (const auto& [nombre, valor] : columnas) {
    nombres += (nombres.empty() ? "" : ", ") + nombre;
    marcas += marcas.empty() ? "?" : ", ?";
    valores.push_back(valor);
  }
  c.execute("INSERT INTO " + std::string(tabla) + " (" + nombres + ") VALUES (" + marcas + ")",
            valores);
}

void insertar_valores(db::Connection& c, std::string_view tabla,
                      const std::vector<Value>& valores) {
  std::string marcas;
  for (std::size_t i = 0; i < valores.size(); ++i) marcas += i ? ", ?" : "?";
  c.execute("INSERT INTO " + std::string(tabla) + " VALUES (" + marcas + ")", valores);
}

void insertar_linea(db::Connection& c, std::string_view tabla, std::vector<Value> primeras) {
  const std::vector<db::Column> cols =
      c.query("SELECT * FROM " + std::string(tabla) + " WHERE 1 = 0").columns();
  const std::int64_t item = primeras.size() > 1 ? primeras[1].as_integer() : 0;
  for (std::size_t i = primeras.size(); i < cols.size(); ++i) {
    const auto n = static_cast<std::int64_t>(i);
    const db::Column& col = cols[i];
    if (col.is_integer())
      primeras.push_back(Value::integer(10 * item + n));
    else if (col.is_fixed())
      primeras.push_back(Value::fixed(100 * item + n, -2));
    else if (col.is_text())
      primeras.push_back(Value::text("c" + std::to_string(i)));
    else
      primeras.push_back(Value::date({2026, 12, 5}));
  }
  insertar_valores(c, tabla, primeras);
}

void insertar_documento(db::Connection& c, const TablaDoc& t, std::int64_t id,
                        std::string_view pref, std::string_view numero, const Columnas& extra) {
  const std::string p = t.p;
  Columnas cols{{p + "_ID", Value::integer(id)},
                {"TIDO_COD", Value::integer(t.tipo)},
                {t.prefijo, txt(pref)},
                {t.numero, txt(numero)},
                {p + "_FECHA", Value::date({2026, 12, 5})},
                {p + "_CONC", txt(std::string(t.tabla) + " " + std::to_string(id))},
                {p + "_VALOR", Value::fixed(123456 + 100 * id, -2)},
                {p + "_ANULADO", txt("N")},
                {p + "_TRANSMIT", txt("S")},
                {p + "_USUARIO", txt("TESORERO")},
                {p + "_FECHAREG", Value::timestamp({{2026, 12, 5}, {10, 30, 0, 0}})}};
  if (t.tercero) cols.push_back({"TERC_NIT", txt("900123456")});
  cols.insert(cols.end(), extra.begin(), extra.end());
  // Every other amount is filled too: a NULL amount arrives as 0.
  std::int64_t n = 0;
  const db::Rows vacia = c.query("SELECT * FROM " + std::string(t.tabla) + " WHERE 1 = 0");
  for (const db::Column& col : vacia.columns()) {
    bool dado = false;
    for (const auto& [nombre, valor] : cols) dado = dado || nombre == col.name;
    if (!dado && col.is_fixed()) cols.push_back({col.name, Value::fixed(1000 * id + ++n, -2)});
  }
  insertar_fila(c, t.tabla, cols);
}

void insertar_aplicable(db::Connection& c, int tipo, std::int64_t id, std::string_view pref,
                        std::string_view numero) {
  const Aplicable& a = kAplicables.at(tipo);
  if (!existe_tabla(c, a.tabla))
    c.execute("CREATE TABLE " + std::string(a.tabla) + " (" + a.id + " INTEGER NOT NULL, " +
              "PREF_PRE VARCHAR(4), " + a.numero + " VARCHAR(8))");
  insertar_fila(c, a.tabla,
                {{a.id, Value::integer(id)}, {"PREF_PRE", txt(pref)}, {a.numero, txt(numero)}});
}

db::Rows todo(db::Connection& c, std::string_view tabla) {
  return c.query("SELECT * FROM " + std::string(tabla) + " ORDER BY 1, 2");
}

db::Rows lineas_doc(db::Connection& c, std::string_view tabla, std::int64_t id) {
  const std::string t(tabla);
  const std::string id_col = c.query("SELECT * FROM " + t + " WHERE 1 = 0").columns().at(0).name;
  return c.query("SELECT * FROM " + t + " WHERE " + id_col + " = " + std::to_string(id) +
                 " ORDER BY 2");
}

db::Rows documento(db::Connection& c, const TablaDoc& t, std::string_view pref,
                   std::string_view numero, std::string_view cuenta) {
  std::string sql = "SELECT * FROM " + std::string(t.tabla) + " WHERE " + t.prefijo + " = ? AND " +
                    t.numero + " = ?";
  std::vector<Value> v{txt(pref), txt(numero)};
  if (!cuenta.empty()) {
    sql += " AND CUBA_COD = ?";
    v.push_back(txt(cuenta));
  }
  return c.query(sql, v);
}

void mismas_filas(const db::Rows& a, const db::Rows& b, std::size_t desde) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t r = 0; r < a.size(); ++r) mismas_columnas(a, r, b, r, desde);
}

std::int64_t Tesoreria::reiniciar(const TablaDoc& t, int desde) {
  alterar(destino(),
          "ALTER SEQUENCE " + std::string(t.secuencia) + " RESTART WITH " + std::to_string(desde));
  return valor_secuencia(destino(), t.secuencia) + 1;
}

std::int64_t Tesoreria::anunciar(int tipo, std::int64_t iddoc, std::string_view pref,
                                 std::string_view numero, std::string_view oper,
                                 std::string_view codigo) {
  const int m = minuto_++;
  return insertar_evento(origen(), {.compania = subida() ? "002" : "001",
                                    .tipo = tipo,
                                    .iddoc = iddoc,
                                    .pref = std::string(pref),
                                    .numero = std::string(numero),
                                    .codigo = std::string(codigo),
                                    .horareg = db::Time{8, m, 0, 0},
                                    .oper = std::string(oper)});
}

void Tesoreria::reabrir(std::int64_t ev) {
  origen().execute(
      "UPDATE REPLICA_EVENTOS SET RPEV_FECREP = NULL, RPEV_HORAREP = NULL, RPEV_ERROR = NULL "
      "WHERE RPEV_ID = " +
      std::to_string(ev));
}

}  // namespace testing_support
