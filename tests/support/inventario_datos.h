#pragma once
// Inventory documents for scenario tests: which table each type writes, and source
// documents filled with ordinary values.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"
#include "db/rows.h"

namespace testing_support {

// An inventory document kind whose copy is a copy by position: its header and line
// tables and the names their columns are built from.
struct TablaInventario {
  int tipo;
  const char* nombre;            // names the test cases: "Salida"
  std::string_view encabezado;   // "SALIDAS"
  std::string_view prefijo;      // header columns: "SALI" (SALI_ID, SALI_NUMERO, ...)
  std::string_view detalle;      // "SALIDAS_DETALLE"
  std::string_view prefijo_det;  // line columns: "SADE" (SADE_ITEM, SADE_CANT, ...)
  std::string_view secuencia;    // the sequence behind the type's identifier procedure
  bool numok;                    // inserted headers get NUMOK "N"

  std::string id() const { return std::string(prefijo) + "_ID"; }
  std::string numero() const { return std::string(prefijo) + "_NUMERO"; }
  std::string anulado() const { return std::string(prefijo) + "_ANULADO"; }
  std::string item() const { return std::string(prefijo_det) + "_ITEM"; }
  std::string cantidad() const { return std::string(prefijo_det) + "_CANT"; }
};

// Entries, exits, transfers (copied as transfers), adjustments, assemblies,
// disassemblies, reservations and inventory orders.
const std::vector<TablaInventario>& tablas_inventario();
const TablaInventario& tabla_inventario(int tipo);

// A header of `d` with `lineas` lines (items 1..lineas, quantity = item), its values
// depending on `id` so that two documents differ; every amount is filled and the
// header's NUMOK is "S".
void insertar_documento(db::Connection& c, const TablaInventario& d, std::int64_t id,
                        std::string_view pref, std::string_view numero, int lineas);

// The header of `d` with that prefix and number, every column.
db::Rows encabezado_documento(db::Connection& c, const TablaInventario& d, std::string_view pref,
                              std::string_view numero);
// The lines of header `id` in item order, every column.
db::Rows lineas_documento(db::Connection& c, const TablaInventario& d, std::int64_t id);

// A transfer from warehouse "01" to `boddes` dated 2026-12-01, every column filled;
// its lines (items 1..lineas) move `lineas` different articles ART-1, ART-2, ... in
// unit "UND", quantity = item + 2, TRAS_COSTO 1111.5 and TRAS_TOTAL quantity × cost.
void insertar_traslado(db::Connection& c, std::int64_t id, std::string_view pref,
                       std::string_view numero, std::string_view boddes, int lineas);

// A cost for ULTIMO_COSTO: article, unit, from that date ("YYYY-MM-DD"), amount text.
void poner_ultimo_costo(db::Connection& c, std::string_view articulo, std::string_view unidad,
                        std::string_view fecha, std::string_view costo);

}  // namespace testing_support
