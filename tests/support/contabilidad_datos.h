#pragma once
// Accounting vouchers for scenario tests: a header with lines in both ledgers, filled
// with ordinary values.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "db/connection.h"
#include "db/rows.h"
#include "db/value.h"

namespace testing_support {

// A voucher header; its lines (items 1..lineas, and 1..lineas_niif in the second
// ledger) carry values that depend on the voucher's id and the item.
struct ComprobantePrueba {
  std::int64_t consec;
  std::string tipo = "CE";
  std::string pref = "CO";
  std::string numero = "000123";
  db::Date fecha{2026, 12, 1};
  std::optional<int> tipo_origen = std::nullopt;  // ENCO_TIPODOC (column 7)
  std::int64_t id_origen = 0;                     // ENCO_IDDOC (column 8)
  int lineas = 3;
  int lineas_niif = 2;
};

void insertar_comprobante(db::Connection& c, const ComprobantePrueba& v);

// The headers with that type, prefix and number, every column.
db::Rows comprobante(db::Connection& c, std::string_view tipo, std::string_view pref,
                     std::string_view numero);
// The lines of voucher `consec` in one ledger ("COMPROBANTE_DETALLE" or
// "COMPROBANTE_DETALLE_NIIF") in item order, every column.
db::Rows lineas_comprobante(db::Connection& c, std::string_view libro, std::int64_t consec);

}  // namespace testing_support
