// The health status against real queues: the verdict a monitoring system gets and
// what it is made of.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "agente/estado.h"
#include "schema/esquema.h"
#include "shell/ordenes.h"
#include "support/escenario.h"

namespace testing_support {
namespace {

class Estado : public Escenario {
 protected:
  // A cycle ended a minute ago, with the default frequency.
  Estado() { fin_ = errors::FinDeCiclo{{kHoy, {9, 15, 45, 0}}, 1}; }

  agente::Estado medir() {
    return agente::medir(local, {.compania = "001", .ultimo_ciclo = fin_}, reloj);
  }

  std::optional<errors::FinDeCiclo> fin_;
};

TEST_F(Estado, SinPendientesEsSano) {
  // A stamped event and one for a company without an active partner weigh nothing.
  insertar_evento(bd1, {.compania = "002", .fecrep = kHoy, .horarep = kHora});
  insertar_evento(bd1, {.compania = "009", .fecreg = db::Date{2026, 11, 1}});
  agente::Estado e = medir();
  EXPECT_EQ(e.veredicto, agente::Veredicto::Sano) << e.motivo;
  ASSERT_EQ(e.colas.size(), 1u);
  EXPECT_FALSE(e.colas[0].activo);
  EXPECT_EQ(agente::linea(e), "Sano: 0 pendientes");
}

TEST_F(Estado, UnPendienteViejoEsAtrasado) {
  // Going up: one event 20 minutes old. Coming down: two, the older 1 h 16 min old.
  insertar_evento(bd1, {.compania = "002", .fecreg = kHoy, .horareg = db::Time{8, 56, 45, 0}});
  insertar_evento(bd2, {.compania = "001", .fecreg = kHoy, .horareg = db::Time{8, 0, 0, 0}});
  insertar_evento(bd2, {.compania = "001", .fecreg = kHoy, .horareg = db::Time{9, 0, 0, 0}});
  insertar_evento(bd2, {.compania = "003", .fecreg = db::Date{2026, 1, 1}});  // not ours
  agente::Estado e = medir();
  EXPECT_EQ(e.veredicto, agente::Veredicto::Atrasado);
  EXPECT_EQ(e.motivo, "descarga de 002: 2 pendientes, el más antiguo de hace 1 h 16 min");
  ASSERT_EQ(e.colas.size(), 2u);
  EXPECT_EQ(e.colas[0].pendientes, 1);
  EXPECT_EQ(e.colas[1].pendientes, 2);

  // Five minutes are not late with a frequency of one minute.
  bd2.execute("DELETE FROM REPLICA_EVENTOS");
  bd1.execute("UPDATE REPLICA_EVENTOS SET RPEV_HORAREG = '09:11:45'");
  EXPECT_EQ(medir().veredicto, agente::Veredicto::Sano);
}

TEST_F(Estado, UnErrorDeDosDiasOUnCicloQueNoTerminaEsDetenido) {
  insertar_evento(bd1, {.compania = "002", .fecreg = db::Date{2026, 12, 7}, .error = "rechazado"});
  agente::Estado e = medir();
  EXPECT_EQ(e.veredicto, agente::Veredicto::Detenido);
  EXPECT_EQ(e.motivo, "envío a 002: 1 con error, el más antiguo de hace 2 d 1 h");

  bd1.execute("DELETE FROM REPLICA_EVENTOS");
  fin_->cuando.time = {9, 12, 0, 0};  // more than three minutes ago
  EXPECT_EQ(medir().motivo, "el último ciclo terminó hace 4 min");
  fin_.reset();
  EXPECT_EQ(medir().veredicto, agente::Veredicto::Detenido);
  // The thresholds follow the frequency the agent ran with.
  fin_ = errors::FinDeCiclo{{kHoy, {9, 12, 0, 0}}, 5};
  EXPECT_EQ(medir().veredicto, agente::Veredicto::Sano);
}

TEST_F(Estado, UnSocioInalcanzableEsDesconocidoYSaleConTres) {
  poner_socio(bd1, "002", (raiz / "no-existe").string());
  agente::Estado e = medir();
  EXPECT_EQ(e.veredicto, agente::Veredicto::Desconocido);
  EXPECT_EQ(e.motivo.rfind("No se pudo leer la cola de 002", 0), 0u) << e.motivo;

  // The command itself, on the real clock, with the last cycle just recorded.
  engine::RelojSistema ahora;
  errors::Bitacora b([this] { return raiz.string(); }, ahora);
  b.fin_de_ciclo("001", 1);
  local.disconnect();
  shell::LineaComandos l = shell::analizar_linea(
      {"--estado", raiz.string(), schema::kUser, schema::kPassword, "001", "--json"});
  ASSERT_EQ(l.error, "");
  shell::Salida s = shell::orden(l, raiz.string());
  EXPECT_EQ(s.codigo, 3) << s.texto;
  EXPECT_NE(s.texto.find("\"veredicto\": \"desconocido\""), std::string::npos) << s.texto;
  // For a scraper the verdict is a figure: the status says the figures were written.
  l.json = false;
  l.prometheus = true;
  s = shell::orden(l, raiz.string());
  EXPECT_EQ(s.codigo, 0) << s.texto;
  EXPECT_NE(s.texto.find("\nenvioauto_verdict{company=\"001\"} 3\n"), std::string::npos) << s.texto;
}

// The figures for a scraper, read back by the exposition format's own parser: four
// gauges per queue in seconds (zero for a partner with nothing pending), the verdict,
// the last cycle. Label values come from the databases' bytes and arrive as UTF-8 with
// quotes, backslashes and line breaks intact.
TEST_F(Estado, ElFormatoDePrometheusLoLeeSuPropioAnalizador) {
  insertar_evento(
      bd1, {.compania = "002", .fecreg = kHoy, .horareg = db::Time{9, 0, 0, 0}, .error = "x"});
  insertar_evento(bd1, {.compania = "\xD1\"\\", .fecreg = kHoy, .horareg = db::Time{9, 16, 0, 0}});
  insertar_evento(bd1, {.compania = "a\nb", .fecreg = kHoy, .horareg = db::Time{9, 16, 0, 0}});
  const std::filesystem::path archivo = dir / "envioauto.prom";
  std::ofstream(archivo, std::ios::binary) << agente::prometheus(medir());
  const std::optional<std::string> leido = salida_de(
      "/usr/bin/python3 -c 'import json, sys\n"
      "from prometheus_client.parser import text_string_to_metric_families as leer\n"
      "for f in leer(open(sys.argv[1], encoding=\"utf-8\", errors=\"strict\").read()):\n"
      "  for s in f.samples:\n"
      "    print(f.type, s.name, json.dumps(s.labels, sort_keys=True), int(s.value))' '" +
      archivo.string() + "'");
  ASSERT_TRUE(leido) << read_file(archivo);
  // Per family: up to 002, to the two inactive codes, down from 002.
  auto familia = [](const std::string& nombre, int a_002, int a_otros, int de_002) {
    auto muestra = [&](const std::string& sentido, const std::string& socio,
                       const std::string& activa, int valor) {
      return "gauge " + nombre + " {\"active\": \"" + activa +
             "\", \"company\": \"001\", \"direction\": \"" + sentido + "\", \"partner\": " + socio +
             "} " + std::to_string(valor) + "\n";
    };
    return muestra("envio", "\"002\"", "true", a_002) +
           muestra("envio", "\"a\\nb\"", "false", a_otros) +
           muestra("envio", "\"\\u00d1\\\"\\\\\"", "false", a_otros) +
           muestra("descarga", "\"002\"", "true", de_002);
  };
  EXPECT_EQ(*leido, familia("envioauto_pending_events", 1, 1, 0) +
                        familia("envioauto_oldest_pending_age_seconds", 1005, 45, 0) +
                        familia("envioauto_error_events", 1, 0, 0) +
                        familia("envioauto_oldest_error_age_seconds", 1005, 0, 0) +
                        "gauge envioauto_verdict {\"company\": \"001\"} 1\n"
                        "gauge envioauto_last_cycle_age_seconds {\"company\": \"001\"} 60\n")
      << read_file(archivo);
}

TEST_F(Estado, CadaCicloCompletoDejaSuFin) {
  EXPECT_FALSE(bitacora.ultimo_ciclo("001"));
  vista.op.frecuencia = "5";
  ASSERT_EQ(ciclo.ejecutar(), agente::Resultado::Completo);
  std::optional<errors::FinDeCiclo> fin = bitacora.ultimo_ciclo("001");
  ASSERT_TRUE(fin);
  EXPECT_EQ(fin->cuando, kAhora);
  EXPECT_EQ(fin->frecuencia, 5);
  // A cycle that does not reach its end leaves the previous one.
  reloj.poner({kHoy, {10, 0, 0, 0}});
  vista.op.traer = "x";
  poner_socio(bd1, "002", raiz.string());
  insertar_evento(bd2, {.compania = "001"});
  EXPECT_EQ(ciclo.ejecutar(), agente::Resultado::Error);
  EXPECT_EQ(bitacora.ultimo_ciclo("001")->cuando, kAhora);
}

TEST(LineaEstado, LasOrdenesPidenSusParametros) {
  EXPECT_NE(shell::analizar_linea({"--estado", "/r", "u", "c"}).error, "");
  EXPECT_NE(shell::analizar_linea({"--json", "/r", "u", "c", "001"}).error, "");
  shell::LineaComandos l =
      shell::analizar_linea({"--conciliar", "/r", "u", "c", "001", "--dias", "3"});
  EXPECT_EQ(l.error, "");
  EXPECT_EQ(l.orden, shell::Orden::Conciliar);
  EXPECT_EQ(l.dias, 3);
  EXPECT_NE(shell::analizar_linea({"--conciliar", "/r", "u", "c", "001", "--dias", "0"}).error, "");
  EXPECT_TRUE(shell::analizar_linea({"--conciliar", "/r", "u", "c", "001", "--reparar"}).reparar);
  EXPECT_NE(shell::analizar_linea({"--estado", "/r", "u", "c", "001", "--reparar"}).error, "");
  EXPECT_TRUE(
      shell::analizar_linea({"--estado", "/r", "u", "c", "001", "--prometheus"}).prometheus);
  EXPECT_NE(
      shell::analizar_linea({"--estado", "/r", "u", "c", "001", "--prometheus", "--json"}).error,
      "");
}

}  // namespace
}  // namespace testing_support
