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
// Prints the events of both companies with their state, their inventory entries and
// the agent's logs.
void mostrar_muestra(const std::filesystem::path& root);

// Each family's sample documents and events, between companies 001 (`a`) and 002 (`b`).
void muestra_nomina(db::Connection& a, db::Connection& b);

}  // namespace schema
