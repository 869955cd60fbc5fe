#pragma once
// Prefixes, print formats and year parameters for scenario tests, filled with ordinary
// values that depend on the arguments so that two rows differ.

#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"

namespace testing_support {

// A PREFIJOS row with every column set; `actual` is the current number and also
// seeds the other values (name "Prefijo <actual>", resolution "RES-<actual>" and so on).
void insertar_prefijo(db::Connection& c, int tido, std::string_view pref, int actual);

// FORMATOS row of (tido, pref) with one FORMATO_DATOS row per field of `campos`
// (row i at line i, width 10 * i) and `lineas` FORMATO_LINEAS rows (items 1..lineas).
// `ancho` is the paper width of the format and seeds the other values.
void insertar_formato(db::Connection& c, int tido, std::string_view pref, int ancho,
                      const std::vector<std::string>& campos, int lineas);

// A PARAMETROS_ANO row for `ano` with minimum wage `salario`.
void insertar_parametros_ano(db::Connection& c, std::string_view ano, int salario);

}  // namespace testing_support
