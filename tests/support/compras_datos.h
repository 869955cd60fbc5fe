#pragma once
// Purchase documents for scenario tests: invoices, supplier delivery notes and purchase
// returns with their lines, filled with ordinary values that depend on the header's id
// so that two documents differ.
//
// Line i (1-based) of every document has item i, quantity i, warehouse "03", article
// "ART<id>-<i>", unit price 1000.25 * i, a 5 % discount of 50 * i, VAT 19 % of 180.50,
// total 950 * i and, on invoices and delivery notes, a returned quantity of i.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "db/connection.h"

namespace testing_support {

// FACTURAS_COMPRA with `lineas` FACTURAS_COMPRAS_DETALLE rows. The concept is
// "Compra <id>", NUMOK "S", not annulled.
void insertar_factura_compra(db::Connection& c, std::int64_t id, std::string_view pref,
                             std::string_view numero, int lineas);

// REMISION_PROVEEDOR with `lineas` REMISION_PROVEEDOR_DET rows. The concept is
// "Remision <id>", NUMOK "S", not annulled.
void insertar_remision_proveedor(db::Connection& c, std::int64_t id, std::string_view pref,
                                 std::string_view numero, int lineas);

// DEVOLUCIONES_COMPRAS with `lineas` DEVOLUCIONES_COMPRAS_DET rows, returning the
// invoice `factura` (prefix followed by number) whose source id is `factid`. The
// concept is "Devolucion <id>", NUMOK "S", not annulled.
void insertar_devolucion_compra(db::Connection& c, std::int64_t id, std::string_view pref,
                                std::string_view numero, int lineas,
                                const std::optional<std::string>& factura = std::nullopt,
                                std::optional<std::int64_t> factid = 0);

// A SALIDAS header of type 12 with `lineas` SALIDAS_DETALLE rows, as a converted return
// looks: SALI_TIPOREF `tiporef`, SALI_IDREF `idref`.
void insertar_salida(db::Connection& c, std::int64_t id, std::string_view pref,
                     std::string_view numero, int tiporef, std::int64_t idref, int lineas);

}  // namespace testing_support
