#pragma once
// Loyalty points and payroll records for scenario tests, filled with ordinary values
// that depend on the arguments so that two records differ.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"

namespace testing_support {

// PUNTOS_REDENCION `id` (prefix, number) of customer 71222333 for `puntos` points.
void insertar_redencion(db::Connection& c, std::int64_t id, std::string_view pref,
                        std::string_view numero, int puntos);

// One receivable a payroll receivables line pays: its type code, id, prefix and number.
struct Abono {
  int tipo;
  std::int64_t iddoc;
  std::string pref;
  std::string numero;
};
// NOMINA_CARTERA `id` of employee 1020304 with one NOMINA_CARTERA_DETALLE line per
// entry of `abonos` (item i, value 1000 * i).
void insertar_cartera_nomina(db::Connection& c, std::int64_t id, const std::vector<Abono>& abonos);

// CONCEPTOS_NOMINA `codigo` named `nombre`.
void insertar_concepto_nomina(db::Connection& c, int codigo, std::string_view nombre);

// NOMINA_HORASEXT `id` of `nit` for (ano, periodo) with `horas` daytime hours.
void insertar_horas_extra(db::Connection& c, std::int64_t id, std::string_view nit, int ano,
                          int periodo, int horas);

// NOMINA_NOVEDADES `id` of `nit`, news type `tnov` on `fecha` ("2026-12-01"), with
// `lineas` NOMINA_NOVEDADES_DETALLE rows (items 1..lineas, value `valor` * item).
void insertar_novedad(db::Connection& c, std::int64_t id, std::string_view nit,
                      std::string_view tnov, std::string_view fecha, int lineas, int valor);

// MOVIMIENTO_CLIENTES `id`: document (tipo, idref) is prefix `pref`, number `numero`.
void insertar_movimiento_cliente(db::Connection& c, std::int64_t id, int tipo, std::int64_t idref,
                                 std::string_view pref, std::string_view numero);

// PUNTOS_CLIENTE `id`: `puntos` points earned with document (tipo, iddoc).
void insertar_puntos_cliente(db::Connection& c, std::int64_t id, int tipo, std::int64_t iddoc,
                             int puntos);

}  // namespace testing_support
