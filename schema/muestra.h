#pragma once
// A sample installation on the embedded engine: companies "001" and "002" that
// replicate with each other, their settings, a few documents and pending events.

#include <filesystem>
#include <string>
#include <string_view>

#include "db/value.h"

namespace db {
class Connection;
}

namespace schema {

// A text as the suite's clients store it: the bytes of its code page. The sample's
// texts are Spanish ("Compañía", "Peñalolén", "€"), like the suite's own data.
db::Value texto_suite(std::string_view utf8);

// Creates the installation under `root` (absolute path) and the registry stand-in
// `root`/xdg/Lyr/Velmora2026.conf pointing the agent's logs at `root`/logs.
void crear_muestra(const std::filesystem::path& root);
// Company 001's master data for 002: an article with its units and prices, and a third
// party with its customer record, each announced by its events.
void muestra_articulos(db::Connection& c);
// Prints the companies, the events of both with their state, their inventory entries,
// articles and third parties, and the agent's logs (the databases' text decoded).
void mostrar_muestra(const std::filesystem::path& root);

// Accounting vouchers of the entries each company sends (`a` is 001, `b` 002).
void muestra_contabilidad(db::Connection& a, db::Connection& b);
// Receivables, cash and bank documents company `a` (001) sends to `b` (002).
void muestra_cartera(db::Connection& a, db::Connection& b);
// Sales documents: `envia` sends a cash invoice with its payment lines to `recibe`,
// whose setting lets payment lines travel.
void muestra_ventas(db::Connection& envia, db::Connection& recibe);
// Each family's sample documents and events, between companies 001 (`a`) and 002 (`b`).
void muestra_nomina(db::Connection& a, db::Connection& b);

}  // namespace schema
