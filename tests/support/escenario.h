#pragma once
// Scenario fixture: an installation with companies 001 (local) and 002 (partner) on
// the embedded engine, the cycle wired to a recording window, a fixed clock and logs
// in the installation folder. Company 001's REPLICA_COMPANIA row for 002 is active and
// points at the installation, and 001 holds the replication user and password, so a
// cycle downloads from 002 and uploads to 002 unless a test changes that.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "agente/agente.h"
#include "db/connection.h"
#include "db/rows.h"
#include "db/value.h"
#include "engine/reloj.h"
#include "engine/tipos.h"
#include "engine/vista.h"
#include "errors/bitacora.h"
#include "errors/manejador.h"
#include "support/temp.h"

namespace db {
// Values print as their text in test failures.
inline void PrintTo(const Value& v, std::ostream* os) {
  if (v.is_null())
    *os << "NULL";
  else
    *os << "'" << v.as_text() << "'";
}
}  // namespace db

namespace engine {
inline void PrintTo(Fase f, std::ostream* os) {
  *os << (f == Fase::Subida ? "Subida" : "Descarga");
}
}  // namespace engine

namespace testing_support {

// The moment every scenario runs at.
inline const db::Timestamp kAhora{{2026, 12, 9}, {9, 16, 45, 0}};
inline const db::Date kHoy = kAhora.date;
inline const db::Time kHora = kAhora.time;

// A window that records every call the cycle makes.
class VistaGrabadora : public engine::VistaCiclo {
 public:
  struct Llamada {
    std::string que;    // the method called
    std::string texto;  // its text argument, if any
    int numero = 0;     // its number argument, if any
  };

  // What the window shows; poner_traer / poner_enviar write back into it.
  engine::Opciones op;
  // Runs inside every procesar_mensajes (a nested cycle, a change between events).
  std::function<void()> al_procesar;
  // The operator closes the window while event number `cerrar_en_evento` (1-based) is
  // processed: cierre_pedido() answers true from then on. 0 never closes.
  int cerrar_en_evento = 0;
  // The operator has closed the window.
  bool cierre = false;

  std::vector<Llamada> llamadas;
  bool temporizador_activo = true;
  std::optional<int> intervalo;  // the last interval armed

  // The text (or number, as text) of every call of one kind, in order.
  std::vector<std::string> de(std::string_view que) const;
  int veces(std::string_view que) const;
  std::vector<int> numeros(std::string_view que) const;
  // Kinds of every call, in order.
  std::vector<std::string> secuencia() const;

  engine::Opciones opciones() override { return op; }
  void poner_traer(const std::string& texto) override;
  void poner_enviar(const std::string& texto) override;
  void mensaje(const std::string& texto) override { anotar("mensaje", texto); }
  void panel(const std::string& titulo) override { anotar("panel", titulo); }
  void ocultar_panel() override { anotar("ocultar_panel"); }
  void progreso(int maximo) override { anotar("progreso", {}, maximo); }
  void paso() override { anotar("paso"); }
  void evento(const std::string& texto) override;
  void mostrar_evento(bool visible) override { anotar("mostrar_evento", {}, visible ? 1 : 0); }
  void ultimo_envio(const std::string& texto) override { anotar("ultimo_envio", texto); }
  void ultima_descarga(const std::string& texto) override { anotar("ultima_descarga", texto); }
  void ultimo_error(const std::string& texto) override { anotar("ultimo_error", texto); }
  void apagar_temporizador() override;
  void armar_temporizador(int intervalo_ms) override;
  void procesar_mensajes() override;
  bool cierre_pedido() override;

 private:
  void anotar(std::string que, std::string texto = {}, int numero = 0);
  int eventos_mostrados_ = 0;
};

// Every column of a REPLICA_EVENTOS row. Unless set, a pending event registered on
// 2026-12-08 at 08:00 with letter "I"; the other unset columns are NULL (the id is
// then given by the table's trigger).
struct EventoPrueba {
  std::optional<std::int64_t> id = std::nullopt;
  std::string compania = "001";
  int tipo = 2;
  std::optional<std::int64_t> iddoc = std::nullopt;
  std::optional<std::string> pref = std::nullopt;
  std::optional<std::string> numero = std::nullopt;
  std::optional<std::string> codigo = std::nullopt;
  std::optional<db::Date> fecreg = db::Date{2026, 12, 8};
  std::optional<db::Time> horareg = db::Time{8, 0, 0, 0};
  std::optional<db::Date> fecrep = std::nullopt;
  std::optional<db::Time> horarep = std::nullopt;
  std::optional<std::string> oper = "I";
  std::optional<std::string> prefdest = std::nullopt;
  std::optional<std::int64_t> ptvt = std::nullopt;
  std::optional<std::string> error = std::nullopt;
  std::optional<std::string> datos = std::nullopt;
};

// Inserts an event and returns its RPEV_ID.
std::int64_t insertar_evento(db::Connection& c, const EventoPrueba& e);
// The event's row (every column); throws when it does not exist.
db::Rows leer_evento(db::Connection& c, std::int64_t id);
bool existe_evento(db::Connection& c, std::int64_t id);
bool pendiente(db::Connection& c, std::int64_t id);
// RPEV_ERROR as the suite shows it (decoded from its code page), nothing when NULL.
std::optional<std::string> error_de(db::Connection& c, std::int64_t id);

// Sets (inserts or replaces) a CONFIGURACION value.
void configurar(db::Connection& c, std::string_view modulo, std::string_view categoria,
                std::string_view propiedad, std::string_view valor);
// Sets (inserts or replaces) a REPLICA_COMPANIA row.
void poner_socio(db::Connection& c, std::string_view codigo, std::string_view servidor,
                 std::string_view activa = "S");

// An ENTRADAS header with `lineas` detail lines (items 1..lineas), filled with
// ordinary values; the header's and lines' values depend on `id` so that two
// documents differ.
void insertar_entrada(db::Connection& c, std::int64_t id, std::string_view pref,
                      std::string_view numero, int lineas);

db::Rows filas(db::Connection& c, std::string_view sql);
std::int64_t contar(db::Connection& c, std::string_view tabla, std::string_view donde = {});
// Transactions open in the database on attachments other than `c`'s own (the test
// reads through `c`; the engine's connections are the others).
std::int64_t transacciones_ajenas(db::Connection& c);
// The current value of a sequence (what its last NEXT VALUE gave).
std::int64_t valor_secuencia(db::Connection& c, std::string_view secuencia);

// The lines of one of the agent's logs, as UTF-8 without their line ends (the logs are in
// the suite's code page with CR LF on Windows); none when the file is missing.
std::vector<std::string> lineas_de(const std::filesystem::path& archivo);

// Test names of the tests run once per phase.
std::string nombre_fase(const ::testing::TestParamInfo<engine::Fase>& p);

// Columns `desde`.. of two rows of the same table hold the same values; the columns
// named in `salvo` are skipped.
void mismas_columnas(const db::Rows& a, std::size_t fa, const db::Rows& b, std::size_t fb,
                     std::size_t desde, const std::set<std::string>& salvo = {});

class Escenario : public ::testing::Test {
 protected:
  // The installation in `carpeta` under the test's folder (in the folder itself when
  // empty).
  explicit Escenario(const std::string& carpeta = {});

  // Runs DDL on a helper connection once the engine's connections have let go of
  // their prepared statements.
  void alterar(db::Connection& c, std::string_view ddl);
  std::vector<std::string> log(const char* archivo) const { return lineas_de(raiz / archivo); }
  std::vector<std::string> errores_log() const { return log(errors::kErrorEnvio); }
  std::vector<std::string> auditoria() const { return log(errors::kAuditoria); }
  // "2026-12-09,09:16:45": how every log line starts.
  static std::string sello();

  TempDir dir;
  std::filesystem::path raiz;
  // Test-side connections to the two company databases, for setting up and reading.
  db::Connection bd1{"prueba-001"};
  db::Connection bd2{"prueba-002"};
  engine::RelojFijo reloj{kAhora};
  int pitidos = 0;
  VistaGrabadora vista;
  // The agent as the program assembles it, on the fixed clock and the recording window.
  agente::Agente agente;
  db::Connection& local;  // DbCia
  db::Connection& socio;  // DBEnvio
  errors::Bitacora& bitacora;
  errors::ManejadorErrores& errores;
  engine::TablaTipos& tipos;
  agente::Ciclo& ciclo;
};

}  // namespace testing_support
