#pragma once
// Sales documents for scenario tests: invoices with their lines and cash-payment lines,
// consolidation lists, delivery notes, returns, orders and quotations, filled with
// ordinary values that depend on the header's id so that two documents differ.
//
// Line i (1-based) of every document has item i, quantity i, warehouse "03", article
// "ART<id>-<i>", unit price 1000.25 * i and total 950 * i; an invoice line also has a
// returned quantity (column 18) of i. Payment line i pays 500 * i in form "EF<i>".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/connection.h"

namespace testing_support {

// A FACTURAS header with `lineas` FACTURAS_DETALLE rows and `pagos`
// FACTURAS_CONTADO_PAGO rows. Customer `nit`, total 15000, FACT_CONSOLIDA `consolida`
// (NULL when none), CUFE "CUFE-<id>", not annulled.
void insertar_factura(db::Connection& c, std::int64_t id, std::string_view pref,
                      std::string_view numero, int lineas, int pagos = 0,
                      std::string_view nit = "900100200",
                      std::optional<std::int64_t> consolida = std::nullopt);

// One FACTURAS_DETALLE row of invoice `id` with its own item, article and quantity.
void insertar_linea_factura(db::Connection& c, std::int64_t id, int item, std::string_view articulo,
                            std::string_view cantidad);

// A consolidation list `lista`: one row per (type, id) in order, items from 1.
void insertar_lista(db::Connection& c, std::int64_t lista,
                    const std::vector<std::pair<int, std::int64_t>>& documentos);

// A document of type 32 (REMISIONES_VENTA), 34 (PEDIDOS) or 35 (COTIZACIONES) with
// `lineas` lines; not annulled.
void insertar_documento_venta(db::Connection& c, int tipo, std::int64_t id, std::string_view pref,
                              std::string_view numero, int lineas);

// DEVOLUCIONES_VENTAS with `lineas` lines, returning invoice `factura` (prefix followed by
// number) whose source id is `factid`. Customer `nit`, total 4000.
void insertar_devolucion_venta(db::Connection& c, std::int64_t id, std::string_view pref,
                               std::string_view numero, int lineas,
                               const std::optional<std::string>& factura = std::nullopt,
                               std::optional<std::int64_t> factid = 0,
                               std::string_view nit = "900100200");

}  // namespace testing_support
