#pragma once
// Master-data rows for scenario tests: one case per code, the event that names its
// rows and those rows on either side, and the fixture that runs them through cycles
// in one phase. Text keys carry a quote, so every statement that splices one must
// quote it. Article rows with every column filled, by version.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"
#include "db/rows.h"
#include "engine/tipos.h"
#include "support/escenario.h"

namespace testing_support {

// The rows of one table that an event names.
struct TablaMaestra {
  std::string tabla;
  std::string donde;  // the condition that selects them
};

// One master-data code of the scenarios.
struct CasoMaestro {
  int tipo;
  std::string nombre;   // test name
  std::string borra{};  // the letter that deletes; empty: every letter copies
  std::optional<std::string> codigo{};
  std::optional<std::int64_t> iddoc{};
  std::optional<std::string> datos{};
  std::vector<TablaMaestra> tablas{};  // where the named rows live
  // INSERT statements of the named rows; "{v}" is the version, so two versions of a row
  // differ in every column that is not a key.
  std::vector<std::string> filas{};
  std::string vecina{};     // INSERT of a row of the first table that the event does not name
  bool por_nombre = false;  // copied by name: compared by its own tests, not column by column
};

inline void PrintTo(const CasoMaestro& c, std::ostream* os) { *os << c.tipo << " " << c.nombre; }

// The codes of articles and their satellites.
const std::vector<CasoMaestro>& casos_articulos();
const CasoMaestro& caso_articulo(int tipo);

// Inserts the named rows in `version`, but for row number `salvo`.
void insertar_caso(db::Connection& c, const CasoMaestro& caso, int version,
                   std::size_t salvo = std::string::npos);

// An ARTICULO row with every column filled; the values depend on `version`.
void insertar_articulo(db::Connection& c, std::string_view codigo, int version);
// A PRECIOS_ARTICULO row with every column filled but PRAR_DTO2 (NULL).
void insertar_precio(db::Connection& c, int lista, std::string_view articulo, int version);

inline constexpr const char* kEstadoArticulo =
    "ENVIAR ESTADO DEL ARTICULO EN REPLICA Y ENVIO AUTOMATICO";

// The cycle of one company pair in one phase, seen from the side where the events live.
class EscenarioMaestro : public Escenario {
 protected:
  bool subida() const { return fase == engine::Fase::Subida; }
  db::Connection& origen() { return subida() ? bd1 : bd2; }
  db::Connection& destino() { return subida() ? bd2 : bd1; }

  std::int64_t evento(int tipo, std::optional<std::string> codigo,
                      std::optional<std::int64_t> iddoc, std::optional<std::string> datos,
                      const std::string& oper = "I") {
    return insertar_evento(origen(), {.compania = subida() ? "002" : "001",
                                      .tipo = tipo,
                                      .iddoc = iddoc,
                                      .codigo = std::move(codigo),
                                      .oper = oper,
                                      .datos = std::move(datos)});
  }
  std::int64_t evento(const CasoMaestro& c, const std::string& oper) {
    return evento(c.tipo, c.codigo, c.iddoc, c.datos, oper);
  }
  // Queues the event again, as the suite does when the row changes once more.
  void reabrir(std::int64_t id) {
    origen().execute(
        "UPDATE REPLICA_EVENTOS SET RPEV_FECREP = NULL, RPEV_HORAREP = NULL WHERE RPEV_ID = " +
        std::to_string(id));
  }
  db::Rows de(db::Connection& c, const TablaMaestra& t) {
    return filas(c, "SELECT * FROM " + t.tabla + " WHERE " + t.donde + " ORDER BY 1, 2");
  }
  db::Rows todo(db::Connection& c, const std::string& tabla) {
    return filas(c, "SELECT * FROM " + tabla + " ORDER BY 1, 2");
  }
  engine::Fase fase = engine::Fase::Descarga;
};

// Rows hold the same values, row by row, column by column.
void mismas_filas(const db::Rows& a, const db::Rows& b);

}  // namespace testing_support
