// Replication benchmark: inventory entries of 10 and 200 lines sent through a real
// upload cycle, next to a bare loop that issues the same commits (one per header,
// one per line, one per stamp) with a statement prepared once.
//
//   envio_bench [host]   embedded engine; with a host ("localhost") through that
//                        server (the files must be reachable by the server's user).
#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "agente/agente.h"
#include "db/connection.h"
#include "schema/esquema.h"

namespace fs = std::filesystem;
using db::Value;

namespace {

struct VistaMuda : engine::VistaCiclo {
  engine::Opciones op;
  engine::Opciones opciones() override { return op; }
  void poner_traer(const std::string&) override {}
  void poner_enviar(const std::string&) override {}
  void mensaje(const std::string& t) override { std::fprintf(stderr, "%s\n", t.c_str()); }
  void panel(const std::string&) override {}
  void ocultar_panel() override {}
  void progreso(int) override {}
  void paso() override {}
  void evento(const std::string&) override {}
  void mostrar_evento(bool) override {}
  void ultimo_envio(const std::string&) override {}
  void ultima_descarga(const std::string&) override {}
  void ultimo_error(const std::string& t) override { std::fprintf(stderr, "%s\n", t.c_str()); }
  void apagar_temporizador() override {}
  void armar_temporizador(int) override {}
  void procesar_mensajes() override {}
  bool cierre_pedido() override { return false; }
};

double segundos(std::chrono::steady_clock::time_point desde) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - desde).count();
}

struct Banco {
  fs::path raiz;
  std::string prefijo;  // "" embedded, "host:" through a server
  std::string usuario = schema::kUser, clave = schema::kPassword;

  db::ConnectParams params(const std::string& code) const {
    return {prefijo + schema::company_path(raiz, code), usuario, clave, 60};
  }
};

void preparar(const Banco& b, int documentos, int lineas) {
  db::Connection a("001"), d("002");
  a.set_params(b.params("001"));
  d.set_params(b.params("002"));
  a.execute("DELETE FROM REPLICA_EVENTOS");
  a.execute("DELETE FROM ENTRADAS_DETALLE");
  a.execute("DELETE FROM ENTRADAS");
  d.execute("DELETE FROM ENTRADAS_DETALLE");
  d.execute("DELETE FROM ENTRADAS");
  d.execute("DELETE FROM ENSAMBLES_DETALLE");
  for (int doc = 1; doc <= documentos; ++doc) {
    std::string num = std::to_string(100000 + doc);
    a.execute(
        "INSERT INTO ENTRADAS (ENTR_ID, TIDO_COD, PREF_PRE, ENTR_NUMERO, ENTR_FECHA, BODE_COD, "
        "TERC_NIT, ENTR_CONC, ENTR_TOTAL, ENTR_OBS) VALUES (?, 11, 'EN', ?, '2026-12-01', '01', "
        "'900123456', 'Entrada', 1000, 'observaciones')",
        {Value::integer(doc), Value::text(num)});
    for (int i = 1; i <= lineas; ++i)
      a.execute(
          "INSERT INTO ENTRADAS_DETALLE (ENTR_ID, ENDE_ITEM, BODE_COD, ARTI_COD, ENDE_CANT, "
          "ENDE_UNIDAD, ENDE_FACTOR, ENDE_COSTO, ENDE_TOTAL, ENDE_DESC) VALUES (?, ?, '01', ?, 3, "
          "'UND', 1, 12.5, 37.5, 'articulo de prueba')",
          {Value::integer(doc), Value::integer(i), Value::text("ART-" + std::to_string(i))});
    a.execute(
        "INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, "
        "RPEV_NUMERO, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER) VALUES ('002', 11, ?, 'EN', ?, "
        "'2026-12-08', '08:00:00', 'I')",
        {Value::integer(doc), Value::text(num)});
  }
}

// One upload cycle of company 001; returns seconds per event and prints statement counts.
double ciclo(const Banco& b, int documentos, int lineas) {
  fs::path logs = fs::temp_directory_path() / "envio-bench-logs";
  fs::create_directories(logs);
  VistaMuda vista;
  vista.op.compania = "001";
  vista.op.servidor_socios = b.prefijo + b.raiz.string();
  agente::Ajustes ajustes;
  ajustes.directorio = [logs] { return logs.string(); };
  agente::Agente ag(vista, std::move(ajustes));
  db::Connection& local = ag.DbCia;
  db::Connection& socio = ag.DBEnvio;
  local.set_params(b.params("001"));
  local.connect();
  auto t0 = std::chrono::steady_clock::now();
  agente::Resultado r = ag.ciclo().ejecutar();
  double s = segundos(t0);
  db::Connection check("check");
  check.set_params(b.params("001"));
  auto pendientes = check.query("SELECT COUNT(*) FROM REPLICA_EVENTOS WHERE RPEV_FECREP IS NULL")
                        .at(0, 0)
                        .as_integer();
  if (r != agente::Resultado::Completo || pendientes != 0)
    std::fprintf(stderr, "cycle did not replicate everything (%lld pending)\n",
                 static_cast<long long>(pendientes));
  std::printf(
      "  cycle: %d docs x %d lines: %.1f ms/event; per event: %.1f transactions, %.1f "
      "prepares, %.1f executes (both sides, whole cycle)\n",
      documentos, lineas, 1000 * s / documentos,
      double(local.stats().transactions + socio.stats().transactions) / documentos,
      double(local.stats().prepares + socio.stats().prepares) / documentos,
      double(local.stats().executes + socio.stats().executes) / documentos);
  return s / documentos;
}

// The floor: the same commits by a bare loop, statement prepared once per table.
double suelo(const Banco& b, int documentos, int lineas) {
  db::Connection d("002"), a("001");
  d.set_params(b.params("002"));
  a.set_params(b.params("001"));
  d.connect();
  a.connect();
  auto t0 = std::chrono::steady_clock::now();
  for (int doc = 1; doc <= documentos; ++doc) {
    d.execute("INSERT INTO ENSAMBLES_DETALLE (ENSA_ID, ENSD_ITEM, ARTI_COD) VALUES (?, 0, 'H')",
              {Value::integer(doc)});
    for (int i = 1; i <= lineas; ++i)
      d.execute("INSERT INTO ENSAMBLES_DETALLE (ENSA_ID, ENSD_ITEM, ARTI_COD) VALUES (?, ?, 'L')",
                {Value::integer(doc), Value::integer(i)});
    a.execute("UPDATE REPLICA_EVENTOS SET RPEV_HORAREP = CURRENT_TIME WHERE RPEV_ID = ?",
              {Value::integer(doc)});
  }
  double s = segundos(t0);
  std::printf("  bare loop of the same commits: %.1f ms/event\n", 1000 * s / documentos);
  return s / documentos;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    Banco b;
    char tpl[] = "/tmp/envio-bench-XXXXXX";
    b.raiz = fs::path(::mkdtemp(tpl)) / "inst";
    schema::create_installation(b.raiz, {"001", "002"});
    if (argc > 1) {
      b.prefijo = std::string(argv[1]) + ":";
      if (const char* u = std::getenv("ENVIO_E2E_USER")) b.usuario = u;
      if (const char* p = std::getenv("ENVIO_E2E_PASSWORD")) b.clave = p;
      if (struct passwd* pw = ::getpwnam("firebird")) {
        // The server opens the files as its own user.
        auto dar = [pw](const fs::path& p) {
          if (::chown(p.c_str(), pw->pw_uid, pw->pw_gid) != 0)
            throw std::runtime_error("no se pudo ceder " + p.string() + " al usuario firebird");
        };
        dar(b.raiz.parent_path());
        for (const auto& e : fs::recursive_directory_iterator(b.raiz.parent_path())) dar(e.path());
      }
    }
    {
      db::Connection a("001");
      a.set_params(b.params("001"));
      // The partner's root comes from the command-line override of every cycle.
      schema::enlazar_socio(a, "002", "servidor", b.usuario, b.clave);
    }
    std::printf("%s\n", b.prefijo.empty() ? "embedded engine" : ("server " + b.prefijo).c_str());
    for (auto [docs, lineas] : {std::pair{40, 10}, std::pair{5, 200}}) {
      preparar(b, docs, lineas);
      double c = ciclo(b, docs, lineas);
      double f = suelo(b, docs, lineas);
      std::printf("  ratio cycle / bare loop: %.2f\n", c / f);
    }
    fs::remove_all(b.raiz.parent_path());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "envio_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
