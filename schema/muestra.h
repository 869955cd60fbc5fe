#pragma once
// A sample installation on the embedded engine: companies "001" and "002" that
// replicate with each other, their settings, a few documents and pending events.

#include <filesystem>
#include <string>

namespace db {
class Connection;
}

namespace schema {

// Creates the installation under `root` (absolute path) and the registry stand-in
// `root`/xdg/Lyr/Velmora2026.conf pointing the agent's logs at `root`/logs.
void crear_muestra(const std::filesystem::path& root);
// Company 001's master data for 002: an article with its units and prices, and a third
// party with its customer record, each announced by its events.
void muestra_articulos(db::Connection& c);
// Prints the events of both companies with their state, their inventory entries and
// the agent's logs.
void mostrar_muestra(const std::filesystem::path& root);

}  // namespace schema
