// The sample's master data: company 001 sends an article with two units and two
// price-list prices, and a third party with its customer record, to company 002.
#include <optional>
#include <string>

#include "db/connection.h"
#include "db/value.h"
#include "schema/muestra.h"

namespace schema {
namespace {

using db::Value;

void evento(db::Connection& c, int tipo, const std::string& codigo, std::optional<int> iddoc,
            const std::string& datos, const std::string& hora) {
  c.execute(
      "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_CODIGO, "
      "RPEV_DATOS, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER) VALUES ('002', ?, ?, ?, ?, "
      "CURRENT_DATE, ?, 'I')",
      {Value::integer(tipo), iddoc ? Value::integer(*iddoc) : Value(), Value::text(codigo),
       Value::text(datos), Value::text(hora)});
}

}  // namespace

void muestra_articulos(db::Connection& c) {
  c.execute(
      "INSERT INTO ARTICULO (ARTI_COD, ARTI_DES, ARTI_UNIDAD, ARTI_PRECIO, ARTI_EXIST, ESAR_COD, "
      "ARTI_FECHA, ARTI_USUARIO) VALUES ('ART-1', ?, 'UND', 18500, 'S', 'A', '2026-12-01', "
      "'SYSDBA')",
      {texto_suite("Café molido de Peñalolén 500 g (3,50 €)")});
  c.execute("INSERT INTO UNIDAD_ARTICULO VALUES ('ART-1', 'UND', 1, 18500, 0.5, 'S', 'S')");
  c.execute("INSERT INTO UNIDAD_ARTICULO VALUES ('ART-1', 'CAJA', 12, 210000, 6, 'S', 'S')");
  c.execute(
      "INSERT INTO PRECIOS_ARTICULO (LIPR_COD, ARTI_COD, PRAR_FIJO, PRAR_MARGEN, PRAR_AUTO) "
      "VALUES (1, 'ART-1', 18500, 30, 'N')");
  c.execute(
      "INSERT INTO PRECIOS_ARTICULO (LIPR_COD, ARTI_COD, PRAR_FIJO, PRAR_MARGEN, PRAR_AUTO) "
      "VALUES (2, 'ART-1', 17200, 22.5, 'N')");
  evento(c, 101, "ART-1", std::nullopt, "", "08:30:00");
  evento(c, 124, "ART-1", std::nullopt, "UND", "08:31:00");
  evento(c, 124, "ART-1", std::nullopt, "CAJA", "08:32:00");
  evento(c, 126, "ART-1", 1, "", "08:33:00");
  evento(c, 126, "ART-1", 2, "", "08:34:00");

  c.execute(
      "INSERT INTO TERCEROS (TERC_NIT, TERC_DV, TERC_TIPODOC, TERC_NOMBRE, TERC_DIRECCION, "
      "TERC_TELEFONO, TERC_CLIENTE, TERC_PROVEEDOR) VALUES ('900123456', '7', 'NI', ?, ?, "
      "'6024451212', 'S', 'N')",
      {texto_suite("Distribuidora Ñandú y Compañía"),
       texto_suite("Calle Camión # 4-21, Peñalolén")});
  c.execute(
      "INSERT INTO CLIENTES (TERC_NIT, CLIE_CUPO, CLIE_PLAZO, LIPR_COD, CLIE_BLOQUEADO) VALUES "
      "('900123456', 5000000, 30, 2, 'N')");
  evento(c, 102, "900123456", std::nullopt, "", "08:35:00");
  evento(c, 103, "900123456", std::nullopt, "", "08:36:00");
}

}  // namespace schema
