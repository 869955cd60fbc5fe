// The whole type table: every code reaches a handler in each phase that knows it, and
// none in a phase that does not. For the prefix, format, year-parameter, points and
// payroll codes, one real cycle per phase copies the smallest row or document of each
// code and stamps its event.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/tipos.h"
#include "handlers/registro.h"
#include "support/escenario.h"
#include "support/nomina_datos.h"
#include "support/por_fase.h"
#include "support/prefijos_datos.h"

using agente::Resultado;
using engine::Fase;
using testing_support::contar;
using testing_support::EventoPrueba;
using testing_support::nombre_fase;
using testing_support::pendiente;

namespace {

TEST(TablaCompleta, CadaCodigoLlegaASuManejadorEnLasFasesQueLoConocen) {
  const engine::TablaTipos tabla = handlers::tabla_completa();
  for (const engine::TipoDocumento& t : engine::tipos_documento()) {
    for (Fase f : {Fase::Descarga, Fase::Subida}) {
      const bool conocido = f == Fase::Descarga ? t.descarga : t.subida;
      EXPECT_EQ(tabla.manejador(t.codigo, f) != nullptr, conocido)
          << "code " << t.codigo << (f == Fase::Descarga ? " going down" : " going up");
    }
  }
}

// The smallest row or document of a code on the source side (and whatever the target
// must already hold for it to travel), the event that announces it, and a count on the
// target that the copy makes 1.
struct Muestra {
  int codigo;
  std::function<EventoPrueba(db::Connection& origen, db::Connection& destino)> preparar;
  std::string tabla;
  std::string donde;
};

std::vector<Muestra> muestras() {
  namespace ts = testing_support;
  std::vector<Muestra> m = {
      {81,
       [](db::Connection& o, db::Connection&) {
         ts::insertar_redencion(o, 1, "PR", "1", 1);
         return EventoPrueba{.tipo = 81, .iddoc = 1, .pref = "PR", .numero = "1"};
       },
       "PUNTOS_REDENCION", "PREF_PRE = 'PR'"},
      {94,
       [](db::Connection& o, db::Connection&) {
         ts::insertar_cartera_nomina(o, 1, {});
         return EventoPrueba{.tipo = 94, .iddoc = 1};
       },
       "NOMINA_CARTERA", "NCAR_ID = 1"},
      {96,
       [](db::Connection& o, db::Connection&) {
         ts::insertar_concepto_nomina(o, 1, "Basico");
         return EventoPrueba{.tipo = 96, .iddoc = 1};
       },
       "CONCEPTOS_NOMINA", "CONC_COD = 1"},
      {120,
       [](db::Connection& o, db::Connection&) {
         ts::insertar_prefijo(o, 11, "P1", 1);
         return EventoPrueba{.tipo = 120, .iddoc = 11, .codigo = "P1"};
       },
       "PREFIJOS", "PREF_PRE = 'P1'"},
      {142,
       [](db::Connection& o, db::Connection&) {
         ts::insertar_prefijo(o, 11, "P2", 1);
         return EventoPrueba{.tipo = 142, .iddoc = 11, .pref = "P2"};
       },
       "PREFIJOS", "PREF_PRE = 'P2'"},
      {190,
       [](db::Connection& o, db::Connection&) {
         ts::insertar_parametros_ano(o, "2026", 1);
         return EventoPrueba{.tipo = 190, .codigo = "2026"};
       },
       "PARAMETROS_ANO", "PAAN_ANO = '2026'"},
      {192,
       [](db::Connection& o, db::Connection&) {
         ts::insertar_horas_extra(o, 1, "1", 2026, 1, 1);
         return EventoPrueba{.tipo = 192, .iddoc = 1, .codigo = "1"};
       },
       "NOMINA_HORASEXT", "TERC_NIT = '1'"},
      {193,
       [](db::Connection& o, db::Connection&) {
         ts::insertar_novedad(o, 1, "1", "VAC", "2026-12-01", 0, 1);
         return EventoPrueba{.tipo = 193, .iddoc = 1};
       },
       "NOMINA_NOVEDADES", "TERC_NIT = '1'"},
      {235,
       [](db::Connection& o, db::Connection& d) {
         ts::insertar_movimiento_cliente(o, 1, 31, 1, "FV", "1");
         ts::insertar_movimiento_cliente(d, 1, 31, 2, "FV", "1");
         ts::insertar_puntos_cliente(o, 1, 31, 1, 1);
         return EventoPrueba{.tipo = 235, .iddoc = 1};
       },
       "PUNTOS_CLIENTE", "PTCL_IDDOC = 2"},
  };
  for (const engine::TipoDocumento& t : engine::tipos_documento()) {
    if (t.codigo < 1001 || t.codigo > 1089) continue;
    const int tido = t.codigo - 1000;
    m.push_back({t.codigo,
                 [tido](db::Connection& o, db::Connection&) {
                   ts::insertar_formato(o, tido, "F", 1, {"FECHA"}, 1);
                   return EventoPrueba{.tipo = tido + 1000, .codigo = "F"};
                 },
                 "FORMATOS", "TIDO_COD = " + std::to_string(tido)});
  }
  return m;
}

class TablaCompletaCiclo : public testing_support::EscenarioPorFase {};

TEST_P(TablaCompletaCiclo, CadaCodigoDeLaFamiliaCopiaSuMuestraYSellaSuEvento) {
  std::vector<std::pair<const Muestra*, std::int64_t>> eventos;
  const std::vector<Muestra> m = muestras();
  for (const Muestra& x : m) {
    const engine::TipoDocumento* t = engine::buscar_tipo(x.codigo);
    ASSERT_NE(t, nullptr) << x.codigo;
    if (!(subida() ? t->subida : t->descarga)) continue;
    ASSERT_EQ(contar(destino(), x.tabla, x.donde), 0) << x.codigo;
    eventos.emplace_back(&x, anunciar(x.preparar(origen(), destino())));
  }
  ASSERT_EQ(eventos.size(), subida() ? 90u : 8u);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  for (const auto& [x, ev] : eventos) {
    EXPECT_FALSE(pendiente(origen(), ev)) << "code " << x->codigo;
    EXPECT_EQ(contar(destino(), x->tabla, x->donde), 1) << "code " << x->codigo;
  }
}

INSTANTIATE_TEST_SUITE_P(Fases, TablaCompletaCiclo, ::testing::Values(Fase::Descarga, Fase::Subida),
                         nombre_fase);

}  // namespace
