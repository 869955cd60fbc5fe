// One replication cycle between company 001 (local) and 002 (partner): which events
// it takes, in which order, what it stamps, purges, shows and logs. Most events here
// carry a type code without a handler, so they are only stamped; document copies are
// covered by the document tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "db/textos.h"
#include "engine/rutas.h"
#include "engine/sql.h"
#include "support/bloqueo.h"
#include "support/escenario.h"

using agente::Resultado;
using db::Date;
using db::Time;
using testing_support::contar;
using testing_support::error_de;
using testing_support::Escenario;
using testing_support::existe_evento;
using testing_support::insertar_evento;
using testing_support::kHora;
using testing_support::kHoy;
using testing_support::leer_evento;
using testing_support::pendiente;
using testing_support::transacciones_ajenas;

namespace {

constexpr const char* kBorrando = "Borrando información procesada...";
constexpr const char* kDescargando = "Descargando información del servidor ...";

// Twelve pending events registered over two days, their ids falling as they get newer,
// so that only the registration date and time give the order. Returned oldest first.
std::vector<std::int64_t> doce_pendientes(db::Connection& c, const std::string& para, int base) {
  std::vector<std::int64_t> ids;
  for (int i = 0; i < 12; ++i) {
    // The second day's events were registered earlier in the day than the first day's.
    Time hora{i < 6 ? 15 : 7, i, 0, 0};
    ids.push_back(insertar_evento(c, {.id = base + 12 - i,
                                      .compania = para,
                                      .numero = std::to_string(i),
                                      .fecreg = Date{2026, 12, i < 6 ? 1 : 2},
                                      .horareg = hora}));
  }
  return ids;
}

// 1 for every stamped event, 0 for every pending one.
std::vector<int> sellados(db::Connection& c, const std::vector<std::int64_t>& ids) {
  std::vector<int> out;
  for (std::int64_t id : ids) out.push_back(pendiente(c, id) ? 0 : 1);
  return out;
}

std::vector<int> primeros(int n, int total) {
  std::vector<int> v(static_cast<std::size_t>(total), 0);
  std::fill_n(v.begin(), n, 1);
  return v;
}

std::vector<int> ultimos(int n, int total) {
  std::vector<int> v(static_cast<std::size_t>(total), 0);
  std::fill_n(v.rbegin(), n, 1);
  return v;
}

std::string ruta_de(const std::filesystem::path& raiz, const char* compania) {
  return engine::ruta_socio(raiz.string(), compania);
}

}  // namespace

// ---- guard ------------------------------------------------------------------------------

TEST_F(Escenario, WithoutLocalCompanyOnlyTheGuardMessageIsShown) {
  std::int64_t viejo = insertar_evento(
      bd1, {.compania = "002", .fecrep = Date{2026, 1, 1}, .horarep = Time{10, 0, 0, 0}});
  std::int64_t de_socio = insertar_evento(bd2, {.compania = "001"});
  std::int64_t propio = insertar_evento(bd1, {.compania = "002"});
  vista.op.compania = "";

  EXPECT_EQ(ciclo.ejecutar(), Resultado::SinCompania);

  ASSERT_EQ(vista.llamadas.size(), 1u) << "nothing but the message, the timer untouched";
  EXPECT_EQ(vista.llamadas[0].que, "mensaje");
  EXPECT_EQ(vista.llamadas[0].texto, "Debe indicar la compañía de origen.");
  EXPECT_TRUE(existe_evento(bd1, viejo)) << "no purge";
  EXPECT_TRUE(pendiente(bd2, de_socio));
  EXPECT_TRUE(pendiente(bd1, propio));
  EXPECT_TRUE(errores_log().empty());
  EXPECT_TRUE(auditoria().empty());
  EXPECT_FALSE(ciclo.en_curso());
}

// ---- a whole cycle as the window sees it ---------------------------------------------------

TEST_F(Escenario, OrdinaryCycleShowsItsProgressStampsBothSidesAndReArmsTheTimer) {
  std::int64_t b1 = insertar_evento(bd2, {.compania = "001",
                                          .pref = "EN",
                                          .numero = "000001",
                                          .codigo = "C1",
                                          .horareg = Time{8, 0, 0, 0}});
  std::int64_t b2 = insertar_evento(bd2, {.compania = "001",
                                          .pref = "EN",
                                          .numero = "000002",
                                          .horareg = Time{8, 5, 0, 0},
                                          .oper = "D"});
  std::int64_t s1 = insertar_evento(
      bd1,
      {.compania = "002", .tipo = 5, .pref = "XY", .numero = "9", .codigo = "COD", .oper = "A"});
  vista.op.frecuencia = "3";

  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(vista.de("panel"), (std::vector<std::string>{kBorrando, kDescargando,
                                                         "Enviando información al servidor 002"}));
  EXPECT_EQ(vista.numeros("progreso"), (std::vector<int>{2, 1}));
  EXPECT_EQ(vista.veces("paso"), 3);
  // Pending window messages are processed after the last download is shown and after
  // each event is shown.
  EXPECT_EQ(vista.veces("procesar_mensajes"), 1 + 3);
  EXPECT_EQ(vista.de("evento"),
            (std::vector<std::string>{"2,I,EN000001,C1", "2,D,EN000002,", "5,A,XY9,COD"}));
  EXPECT_EQ(vista.de("ultima_descarga"), std::vector<std::string>{"Sin descargas hasta ahora."});
  EXPECT_EQ(vista.de("ultimo_envio"),
            (std::vector<std::string>{"Sin envios hasta ahora.", "2026-12-09 - 09:16:45"}));
  EXPECT_EQ(ciclo.ultimo_enviado(), std::to_string(s1));
  EXPECT_TRUE(vista.de("ultimo_error").empty());

  // The timer is off from the first event list to the end, then armed with Minut minutes;
  // Edit1 is shown while events are processed and hidden with the panel at the end.
  std::vector<std::string> s = vista.secuencia();
  auto primera = [&](const char* que) { return std::find(s.begin(), s.end(), que) - s.begin(); };
  EXPECT_LT(primera("apagar_temporizador"), primera("evento"));
  EXPECT_LT(primera("mostrar_evento"), primera("evento"));
  EXPECT_EQ(vista.numeros("mostrar_evento").back(), 0);
  EXPECT_EQ(vista.veces("ocultar_panel"), 1);
  EXPECT_EQ(vista.veces("armar_temporizador"), 1);
  EXPECT_EQ(s.back(), "armar_temporizador");
  EXPECT_TRUE(vista.temporizador_activo);
  EXPECT_EQ(vista.intervalo, 3 * 60000);

  // Download events are stamped at the partner, upload events locally, with the clock's
  // date and time.
  for (auto [c, id] :
       {std::pair<db::Connection*, std::int64_t>{&bd2, b1}, {&bd2, b2}, {&bd1, s1}}) {
    db::Rows r = leer_evento(*c, id);
    EXPECT_EQ(r.at(0, "RPEV_FECREP"), db::Value::date(kHoy)) << id;
    EXPECT_EQ(r.at(0, "RPEV_HORAREP"), db::Value::time(kHora)) << id;
    EXPECT_TRUE(r.at(0, "RPEV_ERROR").is_null()) << id;
  }
  EXPECT_EQ(contar(bd1, "REPLICA_EVENTOS"), 1) << "nothing downloaded into the local queue";
  EXPECT_TRUE(errores_log().empty());
  EXPECT_EQ(pitidos, 0);
}

TEST_F(Escenario, StampsTakeTheClockOfTheMomentTheEventIsDone) {
  std::int64_t primero = insertar_evento(bd1, {.compania = "002"});
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  reloj.poner(db::Timestamp{{2026, 12, 10}, {0, 0, 1, 0}});
  std::int64_t segundo = insertar_evento(bd1, {.compania = "002"});
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(leer_evento(bd1, primero).at(0, "RPEV_FECREP"), db::Value::date(kHoy));
  EXPECT_EQ(leer_evento(bd1, primero).at(0, "RPEV_HORAREP"), db::Value::time(kHora));
  EXPECT_EQ(leer_evento(bd1, segundo).at(0, "RPEV_FECREP"), db::Value::date({2026, 12, 10}));
  EXPECT_EQ(leer_evento(bd1, segundo).at(0, "RPEV_HORAREP"), db::Value::time({0, 0, 1, 0}));
  // The last-send display orders by date before time.
  EXPECT_EQ(vista.de("ultimo_envio").back(), "2026-12-10 - 00:00:01");
  EXPECT_EQ(ciclo.ultimo_enviado(), std::to_string(segundo));
}

TEST_F(Escenario, LastSendAndLastDownloadShowTheNewestStampOfEachSide) {
  auto sellado = [](const char* para, Date d, Time t) {
    return testing_support::EventoPrueba{.compania = para, .fecrep = d, .horarep = t};
  };
  // Later date with an earlier time beats an earlier date with a later time.
  insertar_evento(bd1, sellado("009", {2026, 12, 4}, {23, 59, 59, 0}));
  std::int64_t nuevo = insertar_evento(bd1, sellado("009", {2026, 12, 5}, {10, 11, 12, 0}));
  insertar_evento(bd1, {.compania = "009"});  // pending events do not count
  insertar_evento(bd2, sellado("003", {2026, 12, 7}, {6, 30, 0, 0}));
  insertar_evento(bd2, sellado("001", {2026, 12, 6}, {22, 0, 0, 0}));
  insertar_evento(bd2, {.compania = "003"});

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  // Nothing is sent (no REPLICA_COMPANIA row for 009), so the display is not refreshed.
  EXPECT_EQ(vista.de("ultimo_envio"), std::vector<std::string>{"2026-12-05 - 10:11:12"});
  EXPECT_EQ(ciclo.ultimo_enviado(), std::to_string(nuevo));
  // Any stamp of the partner's queue counts, whoever the event was for.
  EXPECT_EQ(vista.de("ultima_descarga"), std::vector<std::string>{"2026-12-07 - 06:30:00"});
}

// ---- how many events, in which order ----------------------------------------------------

TEST_F(Escenario, DownloadTakesTheOldestEventsUpToTheLimitAndTheNextCycleContinues) {
  std::vector<std::int64_t> ids = doce_pendientes(bd2, "001", 100);
  vista.op.traer = "5";

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(sellados(bd2, ids), primeros(5, 12));
  EXPECT_EQ(vista.numeros("progreso").front(), 5);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(sellados(bd2, ids), primeros(10, 12));
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(sellados(bd2, ids), primeros(12, 12));
  EXPECT_TRUE(vista.de("poner_traer").empty()) << "a filled box is left as it is";
}

TEST_F(Escenario, DownloadWithNewestFirstTakesTheNewestEventsUpToTheLimit) {
  std::vector<std::int64_t> ids = doce_pendientes(bd2, "001", 100);
  vista.op.traer = "5";
  vista.op.reciente_primero = true;

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(sellados(bd2, ids), ultimos(5, 12));
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(sellados(bd2, ids), ultimos(10, 12));
}

TEST_F(Escenario, UploadLimitAppliesPerAddresseeInBothOrders) {
  std::vector<std::int64_t> ids = doce_pendientes(bd1, "002", 100);
  vista.op.enviar = "5";

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(sellados(bd1, ids), primeros(5, 12));
  vista.op.reciente_primero = true;
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  std::vector<int> esperado = primeros(5, 12);
  std::fill_n(esperado.rbegin(), 5, 1);
  EXPECT_EQ(sellados(bd1, ids), esperado);
}

TEST_F(Escenario, EmptyLimitBoxesBecomeEightyAndTheWindowIsTold) {
  std::vector<std::int64_t> bajada, subida;
  for (int i = 0; i < 85; ++i) {
    Time t{8 + i / 60, i % 60, 0, 0};
    bajada.push_back(insertar_evento(bd2, {.compania = "001", .horareg = t}));
    subida.push_back(insertar_evento(bd1, {.compania = "002", .horareg = t}));
  }
  vista.op.traer = "";
  vista.op.enviar = "";

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(vista.de("poner_traer"), std::vector<std::string>{"80"});
  EXPECT_EQ(vista.de("poner_enviar"), std::vector<std::string>{"80"});
  EXPECT_EQ(sellados(bd2, bajada), primeros(80, 85));
  EXPECT_EQ(sellados(bd1, subida), primeros(80, 85));
  EXPECT_EQ(vista.numeros("progreso"), (std::vector<int>{80, 80}));
  EXPECT_EQ(vista.op.traer, "80");
  EXPECT_EQ(vista.op.enviar, "80");
}

TEST_F(Escenario, EmptyLimitBoxWithNewestFirstTakesTheNewestEighty) {
  std::vector<std::int64_t> ids;
  for (int i = 0; i < 85; ++i)
    ids.push_back(insertar_evento(bd2, {.compania = "001",
                                        .numero = std::to_string(i),
                                        .horareg = Time{8 + i / 60, i % 60, 0, 0}}));
  vista.op.traer = "";
  vista.op.reciente_primero = true;

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(vista.de("poner_traer"), std::vector<std::string>{"80"});
  EXPECT_EQ(sellados(bd2, ids), ultimos(80, 85));
}

// ---- purge --------------------------------------------------------------------------------

TEST_F(Escenario, PurgeDeletesLocalEventsStampedEightOrMoreDaysAgoOnly) {
  auto sellado_hace = [&](int dias, Time t) {
    return insertar_evento(
        bd1, {.compania = "009", .fecrep = engine::dias_antes(kHoy, dias), .horarep = t});
  };
  std::int64_t siete = sellado_hace(7, {0, 0, 0, 0});
  std::int64_t seis = sellado_hace(6, {12, 0, 0, 0});
  std::int64_t ocho = sellado_hace(8, {23, 59, 59, 0});
  std::int64_t treinta = sellado_hace(30, {12, 0, 0, 0});
  std::int64_t pendiente_viejo =
      insertar_evento(bd1, {.compania = "009", .fecreg = Date{2025, 1, 1}});
  std::int64_t del_socio = insertar_evento(
      bd2, {.compania = "003", .fecrep = Date{2026, 10, 1}, .horarep = Time{9, 0, 0, 0}});

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_TRUE(existe_evento(bd1, siete));
  EXPECT_TRUE(existe_evento(bd1, seis));
  EXPECT_FALSE(existe_evento(bd1, ocho));
  EXPECT_FALSE(existe_evento(bd1, treinta));
  EXPECT_TRUE(existe_evento(bd1, pendiente_viejo)) << "pending events are never purged";
  EXPECT_TRUE(existe_evento(bd2, del_socio)) << "only the local queue is purged";
  EXPECT_EQ(vista.de("panel").front(), kBorrando);
}

// ---- which events are taken ------------------------------------------------------------

TEST_F(Escenario, UploadPrefixFilterAuditsOtherPrefixesAndLeavesThemPending) {
  vista.op.prefijo = "EN";
  std::int64_t igual = insertar_evento(bd1, {.compania = "002", .pref = "EN", .numero = "1"});
  std::int64_t otro = insertar_evento(
      bd1, {.compania = "002", .pref = "XX", .numero = "2", .horareg = Time{9, 0, 0, 0}});
  std::int64_t sin_prefijo =
      insertar_evento(bd1, {.compania = "002", .numero = "3", .horareg = Time{10, 0, 0, 0}});
  std::int64_t bajada = insertar_evento(bd2, {.compania = "001", .pref = "XX", .numero = "4"});

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_FALSE(pendiente(bd1, igual));
  EXPECT_TRUE(pendiente(bd1, otro));
  EXPECT_FALSE(error_de(bd1, otro).has_value()) << "skipping is not an error";
  EXPECT_FALSE(pendiente(bd1, sin_prefijo)) << "an event without prefix passes the filter";
  EXPECT_FALSE(pendiente(bd2, bajada)) << "the download phase does not filter by prefix";
  std::vector<std::string> a = auditoria();
  ASSERT_EQ(a.size(), 4u);
  EXPECT_EQ(a[2].substr(0, a[2].find(",select")), sello() + "," + std::to_string(otro) + ",2,XX2");
  EXPECT_EQ(vista.veces("paso"), 4);
}

TEST_F(Escenario, AddresseesWithoutAnActiveServerKeepTheirEventsPendingWithoutEventErrors) {
  bd1.execute("UPDATE REPLICA_COMPANIA SET RPCO_ACTIVA = 'N' WHERE RPCO_COD = '002'");
  testing_support::poner_socio(bd1, "004", "");  // active, but no server
  std::int64_t inactiva = insertar_evento(bd1, {.compania = "002"});
  std::int64_t sin_fila = insertar_evento(bd1, {.compania = "003"});
  std::int64_t sin_servidor = insertar_evento(bd1, {.compania = "004"});
  std::int64_t sin_destinatario = insertar_evento(bd1, {.compania = ""});
  std::int64_t bajada = insertar_evento(bd2, {.compania = "001"});

  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);

  for (std::int64_t id : {inactiva, sin_fila, sin_servidor, sin_destinatario}) {
    EXPECT_TRUE(pendiente(bd1, id)) << id;
    EXPECT_FALSE(error_de(bd1, id).has_value()) << id;
  }
  // The only active row has no server either, so there is no download.
  EXPECT_TRUE(pendiente(bd2, bajada));
  EXPECT_TRUE(vista.de("ultima_descarga").empty());
  EXPECT_EQ(vista.de("panel"),
            (std::vector<std::string>{
                kBorrando, kDescargando, "Enviando información al servidor 002",
                "Enviando información al servidor 003", "Enviando información al servidor 004"}));
  EXPECT_TRUE(auditoria().empty());
  // Only the active partner without a server is worth a line.
  std::vector<std::string> e = errores_log();
  ASSERT_EQ(e.size(), 1u);
  EXPECT_NE(e[0].find("004 está activa pero no tiene servidor"), std::string::npos) << e[0];
  EXPECT_TRUE(vista.de("ultimo_error").empty());
  EXPECT_EQ(pitidos, 0);
  EXPECT_EQ(vista.intervalo, 60000);
}

TEST_F(Escenario, DownloadLeavesPartnerEventsForOtherCompaniesUntouched) {
  std::int64_t mio = insertar_evento(bd2, {.compania = "001"});
  std::int64_t de_otra = insertar_evento(bd2, {.compania = "003"});
  std::int64_t del_socio = insertar_evento(bd2, {.compania = "002"});
  std::vector<db::Value> antes_otra = leer_evento(bd2, de_otra).row(0);
  std::vector<db::Value> antes_socio = leer_evento(bd2, del_socio).row(0);

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_FALSE(pendiente(bd2, mio));
  EXPECT_EQ(leer_evento(bd2, de_otra).row(0), antes_otra);
  EXPECT_EQ(leer_evento(bd2, del_socio).row(0), antes_socio);
  EXPECT_EQ(auditoria().size(), 1u);
}

TEST_F(Escenario, Type236IsNeverUploadedButIsStampedOnDownload) {
  std::int64_t local = insertar_evento(bd1, {.compania = "002", .tipo = 236});
  std::int64_t remoto = insertar_evento(bd2, {.compania = "001", .tipo = 236});

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_TRUE(pendiente(bd1, local));
  EXPECT_FALSE(error_de(bd1, local).has_value());
  EXPECT_FALSE(pendiente(bd2, remoto));
  std::vector<std::string> a = auditoria();
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].substr(0, a[0].find(",select")), sello() + "," + std::to_string(remoto) + ",236,");
}

TEST_F(Escenario, CodesWithoutHandlerAreStampedWithoutAnyCopy) {
  // A document exists under the events' id, so a copy would show.
  testing_support::insertar_entrada(bd2, 7, "EN", "000001", 2);
  testing_support::insertar_entrada(bd1, 7, "EN", "000001", 2);
  std::vector<std::int64_t> bajada, subida;
  for (int tipo : {2, 190, 1001, 1050, 236, 99999})
    bajada.push_back(insertar_evento(
        bd2, {.compania = "001", .tipo = tipo, .iddoc = 7, .pref = "EN", .numero = "000001"}));
  for (int tipo : {2, 99999})
    subida.push_back(insertar_evento(
        bd1, {.compania = "002", .tipo = tipo, .iddoc = 7, .pref = "EN", .numero = "000001"}));
  db::Rows destino_local = testing_support::filas(bd1, "SELECT * FROM ENTRADAS_DETALLE");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  for (std::int64_t id : bajada) EXPECT_FALSE(pendiente(bd2, id)) << id;
  for (std::int64_t id : subida) EXPECT_FALSE(pendiente(bd1, id)) << id;
  EXPECT_EQ(contar(bd1, "ENTRADAS"), 1);
  EXPECT_EQ(contar(bd2, "ENTRADAS"), 1);
  EXPECT_EQ(contar(bd1, "ENTRADAS_DETALLE"), 2);
  EXPECT_EQ(contar(bd2, "ENTRADAS_DETALLE"), 2);
  EXPECT_EQ(contar(bd1, "REPLICA_EVENTOS"), 2) << "nothing arrives in the local queue";
  EXPECT_EQ(auditoria().size(), bajada.size() + subida.size());
  EXPECT_TRUE(errores_log().empty());
}

// ---- the five switches --------------------------------------------------------------------

namespace {

struct Interruptor {
  const char* modulo;
  const char* categoria;
  const char* propiedad;
  const char* valor;
};
const Interruptor kInterruptores[] = {
    {"INVENTARIO", "ARTICULOS", "ENVIAR ESTADO DEL ARTICULO EN REPLICA Y ENVIO AUTOMATICO", "SI"},
    {"COMPRAS", "FACTURAS", "ENVIAR FACTURA DE COMPRA COMO ENTRADA O COMO FACTURA", "FACTURA"},
    {"FACTURACION", "FACTURAS", "ENVIAR FACTURA DE VENTA COMO ENTRADA O COMO FACTURA", "FACTURA"},
    {"INVENTARIO", "TRASLADOS",
     "REPLICAR TRASLADO COMO ENTRADA EN COMPANIA ASOCIADA A BODEGA DE DESTINO", "SI"},
    {"INVENTARIO", "TRASLADOS", "REPLICAR TRASLADO A ULTIMO COSTO", "SI"},
};

std::vector<bool> encendidas(const engine::Banderas& b) {
  return {b.estado_articulo, b.compra_como_factura, b.venta_como_factura, b.traslado_como_entrada,
          b.traslado_ultimo_costo};
}

}  // namespace

TEST_F(Escenario, OnlyTheExactValuesSwitchTheFlagsOn) {
  const std::vector<bool> ninguna(5, false), todas(5, true);
  for (const Interruptor& i : kInterruptores) {
    std::string minusculas(i.valor);
    for (char& c : minusculas) c = static_cast<char>(c - 'A' + 'a');
    testing_support::configurar(bd1, i.modulo, i.categoria, i.propiedad, minusculas);
  }
  // The partner's settings are not the ones read.
  for (const Interruptor& i : kInterruptores)
    testing_support::configurar(bd2, i.modulo, i.categoria, i.propiedad, i.valor);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(encendidas(ciclo.banderas()), ninguna);

  testing_support::configurar(bd1, "INVENTARIO", "ARTICULOS",
                              "ENVIAR ESTADO DEL ARTICULO EN REPLICA Y ENVIO AUTOMATICO", "SI ");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(encendidas(ciclo.banderas()), (std::vector<bool>{true, false, false, false, false}))
      << "the blanks that pad a fixed-width value are not part of it";

  for (const Interruptor& i : kInterruptores)
    testing_support::configurar(bd1, i.modulo, i.categoria, i.propiedad, i.valor);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(encendidas(ciclo.banderas()), todas);
}

TEST_F(Escenario, FlagsAreReadEveryCycleWhateverThePartners) {
  for (const Interruptor& i : kInterruptores)
    testing_support::configurar(bd1, i.modulo, i.categoria, i.propiedad, i.valor);
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  ASSERT_EQ(encendidas(ciclo.banderas()), std::vector<bool>(5, true));

  // Without an active partner to download from, the upload still follows this cycle's
  // settings, not the previous cycle's.
  for (const Interruptor& i : kInterruptores)
    testing_support::configurar(bd1, i.modulo, i.categoria, i.propiedad, "NO");
  bd1.execute("UPDATE REPLICA_COMPANIA SET RPCO_SERVIDOR = ''");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(encendidas(ciclo.banderas()), std::vector<bool>(5, false));
  bd1.execute("UPDATE REPLICA_COMPANIA SET RPCO_SERVIDOR = " + engine::quoted(raiz.string()));
  testing_support::configurar(bd1, "COMPRAS", "FACTURAS",
                              "ENVIAR FACTURA DE COMPRA COMO ENTRADA O COMO FACTURA", "FACTURA");
  bd1.execute("UPDATE REPLICA_COMPANIA SET RPCO_ACTIVA = 'N'");
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(encendidas(ciclo.banderas()), (std::vector<bool>{false, true, false, false, false}));
}

TEST_F(Escenario, KnownCodesWithoutTheirHandlerWaitUntouchedAndUnknownOnesAreStamped) {
  tipos = engine::TablaTipos{};  // an agent that copies no family yet
  testing_support::insertar_entrada(bd1, 7, "EN", "000001", 2);
  std::int64_t entrada = insertar_evento(
      bd1, {.compania = "002", .tipo = 11, .iddoc = 7, .pref = "EN", .numero = "000001"});
  std::int64_t sin_manejador = insertar_evento(bd1, {.compania = "002", .tipo = 44});

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_TRUE(pendiente(bd1, entrada)) << "stamped without its copy, it would be lost";
  EXPECT_FALSE(error_de(bd1, entrada).has_value());
  EXPECT_EQ(contar(bd2, "ENTRADAS"), 0);
  EXPECT_FALSE(pendiente(bd1, sin_manejador));
}

TEST_F(Escenario, MinutesAndPrefixAreReadWhereTheyAreUsed) {
  std::int64_t primero = insertar_evento(bd1, {.compania = "002", .tipo = 2, .pref = "AA"});
  std::int64_t segundo = insertar_evento(
      bd1, {.compania = "002", .tipo = 2, .pref = "AA", .horareg = Time{9, 0, 0, 0}});
  int veces = 0;
  // The operator changes both boxes while the first event is shown.
  vista.al_procesar = [&] {
    if (vista.veces("evento") == 1 && veces++ == 0) {
      vista.op.prefijo = "ZZ";
      vista.op.frecuencia = "5";
    }
  };
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_TRUE(pendiente(bd1, segundo));
  EXPECT_TRUE(pendiente(bd1, primero)) << "the prefix is read as each event is taken";
  EXPECT_EQ(vista.intervalo, 5 * 60000);
}

TEST_F(Escenario, CountsAndMinutesBeyondWhatTheStatementsTakeAreRefusedLikeText) {
  std::int64_t e = insertar_evento(bd1, {.compania = "002", .tipo = 2});
  vista.op.enviar = "99999999999";
  EXPECT_EQ(ciclo.ejecutar(), Resultado::Error);
  EXPECT_TRUE(pendiente(bd1, e));
  ASSERT_FALSE(errores_log().empty());
  EXPECT_NE(errores_log().back().find(db::textos::no_es_entero("99999999999")), std::string::npos);

  vista.op.enviar = "500";
  vista.op.frecuencia = "35792";  // more minutes than a timer holds
  EXPECT_EQ(ciclo.ejecutar(), Resultado::Error);
  EXPECT_FALSE(pendiente(bd1, e));
  EXPECT_EQ(vista.intervalo, 60000) << "re-armed at one minute, as for text";
}

// ---- partners that cannot be reached -----------------------------------------------------

TEST_F(Escenario, UnreachableFirstPartnerIsLoggedOnceAndTheUploadStillRuns) {
  // The first active row now names company 003, whose database does not exist; 002
  // follows it.
  bd1.execute("UPDATE REPLICA_COMPANIA SET RPCO_COD = '003' WHERE RPCO_COD = '002'");
  testing_support::poner_socio(bd1, "002", raiz.string());
  testing_support::configurar(bd1, "INVENTARIO", "TRASLADOS", "REPLICAR TRASLADO A ULTIMO COSTO",
                              "SI");
  std::int64_t subida = insertar_evento(bd1, {.compania = "002"});
  const std::string ruta = ruta_de(raiz, "003");

  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);

  ASSERT_EQ(errores_log().size(), 1u);
  EXPECT_EQ(errores_log()[0].rfind(
                sello() + ",No se pudo conectar con el servidor " + ruta + ": I/O error", 0),
            0u)
      << "the path, then the server's reason";
  EXPECT_EQ(vista.de("ultimo_error"),
            std::vector<std::string>{"Ult. error:2026-12-09:09:16:45 No se pudo conectar con el "
                                     "servidor " +
                                     ruta});
  EXPECT_TRUE(vista.de("ultima_descarga").empty()) << "the download stopped at the connection";
  EXPECT_TRUE(ciclo.banderas().traslado_ultimo_costo) << "flags are read before connecting";
  EXPECT_FALSE(pendiente(bd1, subida));
  EXPECT_TRUE(vista.temporizador_activo);
  EXPECT_EQ(vista.intervalo, 60000);
  EXPECT_EQ(pitidos, 0) << "a connection failure is logged, not handled as an error";
}

TEST_F(Escenario, DoubtfulPartnerRowsAreLoggedNotSkippedSilently) {
  testing_support::poner_socio(bd1, "002", "", "S");
  testing_support::poner_socio(bd1, "003", "/x", "s");

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  std::vector<std::string> e = errores_log();
  ASSERT_EQ(e.size(), 2u);
  EXPECT_NE(e[0].find(",,La compañía socia 003 tiene RPCO_ACTIVA = 's'"), std::string::npos)
      << e[0];
  EXPECT_NE(e[1].find(",,La compañía socia 002 está activa pero no tiene servidor"),
            std::string::npos)
      << e[1];
}

TEST_F(Escenario, UnreachableAddresseeKeepsItsEventsPendingAndTheOthersAreSent) {
  const std::string otra_raiz = (dir / "no-existe").string();
  testing_support::poner_socio(bd1, "003", otra_raiz);
  std::int64_t a_003 = insertar_evento(bd1, {.compania = "003"});
  std::int64_t a_002 = insertar_evento(bd1, {.compania = "002"});
  const std::string ruta = ruta_de(otra_raiz, "003");

  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_FALSE(pendiente(bd1, a_002));
  EXPECT_TRUE(pendiente(bd1, a_003));
  EXPECT_FALSE(error_de(bd1, a_003).has_value());
  ASSERT_EQ(errores_log().size(), 1u);
  EXPECT_EQ(errores_log()[0].rfind(
                sello() + ",No se pudo conectar con el servidor " + ruta + ": I/O error", 0),
            0u)
      << "the path, then the server's reason";
  EXPECT_EQ(vista.de("ultimo_error"),
            std::vector<std::string>{"Ult. error:2026-12-09:09:16:45 No se pudo conectar con el "
                                     "servidor " +
                                     ruta});
  EXPECT_EQ(auditoria().size(), 1u);
  EXPECT_EQ(vista.intervalo, 60000);
}

// ---- the timer --------------------------------------------------------------------------

TEST_F(Escenario, MinutesZeroArmsTheTimerWithIntervalZero) {
  vista.op.frecuencia = "0";
  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(vista.intervalo, 0);
  EXPECT_TRUE(vista.temporizador_activo);
}

TEST_F(Escenario, NonNumericMinutesIsLoggedAndTheTimerFallsBackToOneMinute) {
  std::int64_t id = insertar_evento(bd1, {.compania = "002"});
  vista.op.frecuencia = "5x";

  EXPECT_EQ(ciclo.ejecutar(), Resultado::Error);

  EXPECT_FALSE(pendiente(bd1, id)) << "the cycle's work was done before the re-arm";
  EXPECT_FALSE(error_de(bd1, id).has_value()) << "no event is current at the re-arm";
  EXPECT_EQ(errores_log(),
            std::vector<std::string>{sello() + ",," + db::textos::no_es_entero("5x")});
  EXPECT_EQ(vista.intervalo, 60000);
  EXPECT_EQ(pitidos, 1);
}

// ---- audit log ----------------------------------------------------------------------------

TEST_F(Escenario, EveryEventTakenLeavesOneAuditLineWithTheListQuery) {
  vista.op.traer = "7";
  vista.op.enviar = "9";
  vista.op.reciente_primero = true;
  vista.op.sin_reintentar = true;
  std::int64_t bajada =
      insertar_evento(bd2, {.compania = "001", .pref = "EN", .numero = "000123", .codigo = "COD1"});
  std::int64_t subida = insertar_evento(bd1, {.compania = "002", .tipo = 5, .numero = "77"});
  std::int64_t con_error = insertar_evento(bd1, {.compania = "002", .error = "fallo anterior"});

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(auditoria(),
            (std::vector<std::string>{
                sello() + "," + std::to_string(bajada) +
                    ",2,EN000123COD1,select first 7 * from replica_eventos where rpev_fecrep is "
                    "null and rpev_compania = '001' AND RPEV_ERROR IS NULL order by rpev_fecreg "
                    "desc, rpev_horareg desc, rpev_id",
                sello() + "," + std::to_string(subida) +
                    ",5,77,select first 9 * from replica_eventos where (rpev_tipo <> 236) and "
                    "rpev_fecrep is null and rpev_compania = '002' AND RPEV_ERROR IS NULL order "
                    "by rpev_fecreg desc, rpev_horareg desc, rpev_id"}));
  EXPECT_TRUE(pendiente(bd1, con_error)) << "events with an error are not retried";
}

TEST_F(Escenario, AuditLinesUseTheOldestFirstQueryByDefault) {
  std::int64_t bajada = insertar_evento(bd2, {.compania = "001", .numero = "1"});
  std::int64_t subida = insertar_evento(bd1, {.compania = "002", .pref = "A'B"});
  std::int64_t con_error = insertar_evento(bd2, {.compania = "001", .error = "fallo anterior"});

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(auditoria(),
            (std::vector<std::string>{
                sello() + "," + std::to_string(bajada) +
                    ",2,1,select first 500 * from replica_eventos where rpev_fecrep is null and "
                    "rpev_compania = '001' order by case when rpev_error is null then 0 else 1 "
                    "end, rpev_fecreg, rpev_horareg, rpev_id",
                sello() + "," + std::to_string(con_error) +
                    ",2,,select first 500 * from replica_eventos where rpev_fecrep is null and "
                    "rpev_compania = '001' order by case when rpev_error is null then 0 else 1 "
                    "end, rpev_fecreg, rpev_horareg, rpev_id",
                sello() + "," + std::to_string(subida) +
                    ",2,A'B,select first 500 * from replica_eventos where (rpev_tipo <> 236) and "
                    "rpev_fecrep is null and rpev_compania = '002' order by case when "
                    "rpev_error is null then 0 else 1 end, rpev_fecreg, rpev_horareg, rpev_id"}));
  EXPECT_FALSE(pendiente(bd2, con_error)) << "an event with an error is retried";
  EXPECT_EQ(error_de(bd2, con_error), "fallo anterior") << "a stamp does not clear the error";
}

// ---- one cycle at a time, and closing --------------------------------------------------

TEST_F(Escenario, ACycleRequestedWhileOneRunsIsRefusedAndNothingIsDoneTwice) {
  std::vector<std::int64_t> bajada, subida;
  for (int i = 0; i < 3; ++i) bajada.push_back(insertar_evento(bd2, {.compania = "001"}));
  for (int i = 0; i < 2; ++i) subida.push_back(insertar_evento(bd1, {.compania = "002"}));
  std::vector<Resultado> anidados;
  vista.al_procesar = [&] { anidados.push_back(ciclo.ejecutar()); };

  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);

  ASSERT_FALSE(anidados.empty());
  for (Resultado r : anidados) EXPECT_EQ(r, Resultado::EnCurso);
  EXPECT_EQ(auditoria().size(), 5u);
  std::vector<std::string> paneles = vista.de("panel");
  EXPECT_EQ(std::count(paneles.begin(), paneles.end(), kBorrando), 1);
  EXPECT_EQ(vista.veces("armar_temporizador"), 1);
  for (std::int64_t id : bajada) EXPECT_FALSE(pendiente(bd2, id));
  for (std::int64_t id : subida) EXPECT_FALSE(pendiente(bd1, id));

  vista.al_procesar = nullptr;
  EXPECT_FALSE(ciclo.en_curso());
  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo) << "once finished, the next cycle runs";
  EXPECT_EQ(auditoria().size(), 5u);
}

TEST_F(Escenario, ClosingTheWindowStopsTheCycleAfterTheCurrentEvent) {
  std::vector<std::int64_t> bajada;
  for (int i = 1; i <= 3; ++i) {
    std::string numero = "00000" + std::to_string(i);
    testing_support::insertar_entrada(bd2, i, "EN", numero, 3);
    bajada.push_back(insertar_evento(bd2, {.compania = "001",
                                           .tipo = 11,
                                           .iddoc = i,
                                           .pref = "EN",
                                           .numero = numero,
                                           .horareg = Time{8, i, 0, 0}}));
  }
  std::int64_t subida = insertar_evento(bd1, {.compania = "002"});
  vista.cerrar_en_evento = 2;

  EXPECT_EQ(ciclo.ejecutar(), Resultado::Interrumpido);

  EXPECT_FALSE(pendiente(bd2, bajada[0]));
  EXPECT_FALSE(pendiente(bd2, bajada[1]));
  EXPECT_TRUE(pendiente(bd2, bajada[2]));
  EXPECT_FALSE(error_de(bd2, bajada[2]).has_value());
  EXPECT_TRUE(pendiente(bd1, subida)) << "the upload phase did not start";
  // The two documents done are whole; the third was not started.
  EXPECT_EQ(contar(bd1, "ENTRADAS", "ENTR_NUMERO IN ('000001', '000002')"), 2);
  EXPECT_EQ(contar(bd1, "ENTRADAS", "ENTR_NUMERO = '000003'"), 0);
  EXPECT_EQ(contar(bd1, "ENTRADAS_DETALLE"), 6);
  EXPECT_EQ(auditoria().size(), 2u);
  EXPECT_EQ(vista.veces("armar_temporizador"), 0) << "a closing window is not re-armed";
  EXPECT_FALSE(ciclo.en_curso());
  EXPECT_EQ(transacciones_ajenas(bd2), 0) << "the list's held transaction ended with it";

  vista.cerrar_en_evento = 0;
  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_FALSE(pendiente(bd2, bajada[2]));
  EXPECT_FALSE(pendiente(bd1, subida));
  EXPECT_EQ(contar(bd1, "ENTRADAS_DETALLE"), 9);
}

TEST_F(Escenario, ClosingBeforeTheFirstEventLeavesEverythingPending) {
  std::int64_t bajada = insertar_evento(bd2, {.compania = "001"});
  std::int64_t subida = insertar_evento(bd1, {.compania = "002"});
  // The operator closes while the last download is shown.
  vista.al_procesar = [&] { vista.cierre = true; };

  EXPECT_EQ(ciclo.ejecutar(), Resultado::Interrumpido);

  EXPECT_TRUE(pendiente(bd2, bajada));
  EXPECT_TRUE(pendiente(bd1, subida));
  EXPECT_TRUE(vista.de("evento").empty());
  EXPECT_TRUE(auditoria().empty());
  EXPECT_EQ(vista.veces("armar_temporizador"), 0);
}

TEST_F(Escenario, ClosingDuringTheUploadStopsAfterTheCurrentEvent) {
  std::vector<std::int64_t> ids;
  for (int i = 0; i < 3; ++i)
    ids.push_back(insertar_evento(bd1, {.compania = "002", .horareg = Time{8, i, 0, 0}}));
  vista.cerrar_en_evento = 1;

  EXPECT_EQ(ciclo.ejecutar(), Resultado::Interrumpido);

  EXPECT_EQ(sellados(bd1, ids), (std::vector<int>{1, 0, 0}));
  EXPECT_EQ(auditoria().size(), 1u);
  EXPECT_EQ(vista.veces("armar_temporizador"), 0);
}

// ---- what a handler is given ------------------------------------------------------------

TEST_F(Escenario, HandlersSeeTheirPhasesSidesAndThePartnersLockDate) {
  struct Visto {
    engine::Fase fase;
    std::string origen, destino, bloqueo;
    std::int64_t evento;
    bool operator==(const Visto&) const = default;
  };
  std::vector<Visto> vistos;
  tipos.registrar(1, [&](engine::Contexto& c) {
    vistos.push_back({c.fase, c.origen.name(), c.destino.name(), c.fecha_bloqueo, c.evento.id()});
  });
  testing_support::configurar(bd2, "CONTABILIDAD", "GENERAL", "FECHA DE BLOQUEO", "2026-11-30");
  testing_support::configurar(bd1, "CONTABILIDAD", "GENERAL", "FECHA DE BLOQUEO", "2020-01-01");
  std::int64_t bajada = insertar_evento(bd2, {.compania = "001", .tipo = 1});
  std::int64_t subida = insertar_evento(bd1, {.compania = "002", .tipo = 1});

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  ASSERT_EQ(vistos.size(), 2u);
  EXPECT_TRUE(vistos[0] == (Visto{engine::Fase::Descarga, "DBEnvio", "DbCia", "", bajada}));
  EXPECT_TRUE(vistos[1] == (Visto{engine::Fase::Subida, "DbCia", "DBEnvio", "2026-11-30", subida}))
      << vistos[1].origen << " -> " << vistos[1].destino << " lock date '" << vistos[1].bloqueo
      << "'";
  EXPECT_FALSE(pendiente(bd2, bajada));
  EXPECT_FALSE(pendiente(bd1, subida));
}

TEST_F(Escenario, AHandlerThatReportsAFailureLeavesItsEventPendingAndTheNextOneGoesOn) {
  tipos.registrar(1, [](engine::Contexto& c) { c.fallo = c.evento.numero() == "MAL"; });
  std::int64_t mal = insertar_evento(bd1, {.compania = "002", .tipo = 1, .numero = "MAL"});
  std::int64_t bien = insertar_evento(
      bd1, {.compania = "002", .tipo = 1, .numero = "BIEN", .horareg = Time{9, 0, 0, 0}});

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_TRUE(pendiente(bd1, mal));
  EXPECT_FALSE(pendiente(bd1, bien));
  EXPECT_EQ(auditoria().size(), 2u);
  EXPECT_TRUE(errores_log().empty()) << "the handler's own failure was reported by nobody";
}

// ---- errors that end the cycle ----------------------------------------------------------

TEST_F(Escenario, NonNumericLimitEndsTheCycleBeforeAnyEvent) {
  std::int64_t bajada = insertar_evento(bd2, {.compania = "001"});
  std::int64_t subida = insertar_evento(bd1, {.compania = "002"});
  vista.op.traer = "cinco";

  EXPECT_EQ(ciclo.ejecutar(), Resultado::Error);

  EXPECT_TRUE(pendiente(bd2, bajada));
  EXPECT_TRUE(pendiente(bd1, subida)) << "the upload phase did not run";
  EXPECT_FALSE(error_de(bd2, bajada).has_value());
  std::vector<std::string> e = errores_log();
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].rfind(sello() + ",,", 0), 0u) << e[0];
  EXPECT_NE(e[0].find(db::textos::no_es_entero("cinco")), std::string::npos)
      << "refused before it reaches a statement";
  EXPECT_TRUE(auditoria().empty());
  EXPECT_EQ(vista.intervalo, 60000);
}

// ---- a statement error ends its event only ------------------------------------------------

TEST_F(Escenario, StampRejectedByTheServerIsRecordedInTheEventAndTheListGoesOn) {
  alterar(bd1, "CREATE EXCEPTION E_PRUEBA_SELLO 'sello rechazado por la prueba'");
  alterar(bd1,
          "CREATE TRIGGER T_PRUEBA_SELLO FOR REPLICA_EVENTOS BEFORE UPDATE AS BEGIN IF "
          "(NEW.RPEV_FECREP IS NOT NULL AND NEW.RPEV_TIPO = 5) THEN EXCEPTION E_PRUEBA_SELLO; END");
  std::int64_t primero = insertar_evento(
      bd1, {.compania = "002", .tipo = 5, .pref = "EN", .numero = "000001", .codigo = "C1"});
  std::int64_t segundo = insertar_evento(bd1, {.compania = "002", .horareg = Time{9, 0, 0, 0}});

  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_TRUE(pendiente(bd1, primero));
  std::optional<std::string> error = error_de(bd1, primero);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("sello rechazado por la prueba"), std::string::npos) << *error;
  EXPECT_NE(error->find("E_PRUEBA_SELLO"), std::string::npos) << *error;
  EXPECT_EQ(errores_log(),
            std::vector<std::string>{sello() + ",5|C1\\EN000001,I,," + errors::una_linea(*error)});
  EXPECT_FALSE(pendiente(bd1, segundo)) << "the next event of the list was processed";
  EXPECT_EQ(auditoria().size(), 2u);
  EXPECT_EQ(vista.veces("mensaje"), 0);
  EXPECT_EQ(pitidos, 1);
  EXPECT_FALSE(ciclo.en_curso());
}

TEST_F(Escenario, MissingTargetTableIsRecordedTheHeaderIsUndoneAndTheOtherEventsGoOn) {
  alterar(bd1, "DROP TABLE ENTRADAS_DETALLE");
  testing_support::insertar_entrada(bd2, 7, "EN", "000007", 2);
  std::int64_t doc = insertar_evento(
      bd2,
      {.compania = "001", .tipo = 11, .iddoc = 7, .pref = "EN", .numero = "000007", .oper = "M"});
  // A later event of the same document waits behind the failed one.
  std::int64_t mismo = insertar_evento(bd2, {.compania = "001",
                                             .tipo = 11,
                                             .iddoc = 7,
                                             .pref = "EN",
                                             .numero = "000007",
                                             .horareg = Time{8, 30, 0, 0},
                                             .oper = "M"});
  std::int64_t despues = insertar_evento(bd2, {.compania = "001", .horareg = Time{9, 0, 0, 0}});
  std::int64_t subida = insertar_evento(bd1, {.compania = "002"});

  EXPECT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_TRUE(pendiente(bd2, doc));
  std::optional<std::string> error = error_de(bd2, doc);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("ENTRADAS_DETALLE"), std::string::npos) << *error;
  EXPECT_EQ(errores_log(),
            std::vector<std::string>{sello() + ",11|\\EN000007,M,," + errors::una_linea(*error)});
  // The header written before the statement failed is undone: no header without lines.
  EXPECT_EQ(contar(bd1, "ENTRADAS", "ENTR_NUMERO = '000007'"), 0);
  EXPECT_TRUE(pendiente(bd2, mismo));
  EXPECT_FALSE(error_de(bd2, mismo).has_value());
  EXPECT_FALSE(pendiente(bd2, despues));
  EXPECT_FALSE(pendiente(bd1, subida)) << "the upload phase ran";
}

TEST_F(Escenario, ALogThatCannotBeWrittenIsToldButReplicationGoesOn) {
  std::int64_t bajada = insertar_evento(bd2, {.compania = "001"});
  std::int64_t subida = insertar_evento(bd1, {.compania = "002"});
  raiz = dir / "no-existe";

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_FALSE(pendiente(bd2, bajada));
  EXPECT_FALSE(pendiente(bd1, subida));
  // Told once per log file, not once per line.
  std::vector<std::string> e = vista.de("ultimo_error");
  ASSERT_FALSE(e.empty());
  EXPECT_LE(e.size(), 3u);
  EXPECT_NE(e[0].find((raiz / errors::kAuditoria).string()), std::string::npos) << e[0];
}

// ---- two agents on one queue -----------------------------------------------------------

TEST_F(Escenario, AnEventAnotherAgentHoldsIsLeftToItAndLaterEventsOfItsDocumentWait) {
  std::vector<std::int64_t> copiados;
  tipos.registrar(1, [&](engine::Contexto& c) { copiados.push_back(c.evento.id()); });
  // In each queue: a document another agent is copying right now, a later event of
  // the same document, and another document.
  auto cola = [&](db::Connection& c, const std::string& para) {
    std::vector<std::int64_t> ids;
    for (auto [numero, hora] : {std::pair{"1", 8}, {"1", 9}, {"2", 10}})
      ids.push_back(insertar_evento(
          c, {.compania = para, .tipo = 1, .numero = numero, .horareg = Time{hora, 0, 0, 0}}));
    return ids;
  };
  std::vector<std::int64_t> bajada = cola(bd2, "001"), subida = cola(bd1, "002");
  auto tomado = [](db::Connection& c, std::int64_t id) {
    return testing_support::RowLock(c.params(),
                                    "UPDATE REPLICA_EVENTOS SET RPEV_OPER = RPEV_OPER WHERE "
                                    "RPEV_ID = " +
                                        std::to_string(id));
  };
  auto inicio = std::chrono::steady_clock::now();
  {
    testing_support::RowLock otro_b = tomado(bd2, bajada[0]), otro_s = tomado(bd1, subida[0]);
    ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(10))
      << "a claim never waits on another agent's lock";
  EXPECT_EQ(copiados, (std::vector<std::int64_t>{bajada[2], subida[2]}));
  for (auto [c, ids] : {std::pair{&bd2, bajada}, {&bd1, subida}}) {
    EXPECT_TRUE(pendiente(*c, ids[0]));
    EXPECT_TRUE(pendiente(*c, ids[1]));
    EXPECT_FALSE(error_de(*c, ids[0]).has_value());
  }
  EXPECT_TRUE(errores_log().empty());

  // Once the other agent let go, the document's events go in their order.
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(copiados, (std::vector<std::int64_t>{bajada[2], subida[2], bajada[0], bajada[1],
                                                 subida[0], subida[1]}));
}

TEST_F(Escenario, AClaimReadsNoneOfTheEventsThatNeverLeaveTheQueue) {
  tipos.registrar(1, [](engine::Contexto&) {});
  // Events to the same addressee registered long before, that stay pending for good
  // (236 is never uploaded).
  constexpr int kFijos = 2000;
  bd1.execute(
      "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < " + std::to_string(kFijos) +
      ") DO BEGIN INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, "
      "RPEV_NUMERO, RPEV_FECREG, RPEV_HORAREG, RPEV_OPER) VALUES ('002', 236, :I, 'EN', :I, "
      "DATEADD(-MOD(:I, 300) DAY TO DATE '2025-06-30'), '07:00:00', 'I'); I = I + 1; END END");
  // The agent's attachment; then a first event, so that every statement of an event is
  // prepared and each cycle measured below starts the same way (with its catalogue check).
  const std::int64_t agente =
      local.read("SELECT CURRENT_CONNECTION FROM RDB$DATABASE").at(0, 0).as_integer();
  insertar_evento(bd1, {.compania = "002", .tipo = 1, .numero = "0"});
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  // Rows the agent's attachment has read so far, in every table, seen from another
  // attachment.
  auto leidas = [&] {
    db::Connection m("monitor");
    m.set_params(bd1.params());
    return m
        .read(
            "SELECT R.MON$RECORD_IDX_READS + R.MON$RECORD_SEQ_READS FROM MON$ATTACHMENTS A "
            "JOIN MON$RECORD_STATS R ON R.MON$STAT_ID = A.MON$STAT_ID WHERE "
            "A.MON$ATTACHMENT_ID = " +
            std::to_string(agente))
        .at(0, 0)
        .as_integer();
  };
  const std::int64_t antes = leidas();
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  const std::int64_t vacio = leidas() - antes;
  constexpr int kEventos = 10;
  std::vector<std::int64_t> ids;
  for (int i = 0; i < kEventos; ++i)
    ids.push_back(
        insertar_evento(bd1, {.compania = "002", .tipo = 1, .numero = std::to_string(i + 1)}));

  const std::int64_t desde = leidas();
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  const std::int64_t por_evento = (leidas() - desde - vacio) / kEventos;

  for (std::int64_t id : ids) EXPECT_FALSE(pendiente(bd1, id));
  EXPECT_LT(por_evento, 50) << "rows read per event beyond an idle cycle's, with " << kFijos
                            << " events pending for good (an idle cycle reads " << vacio << ")";
}

TEST_F(Escenario, EachEventLetsGoOfItsRowWhenItEndsWhileTheListGoesOn) {
  // Another user, whose statements wait at most a second on a lock.
  db::Connection otro("otro");
  otro.set_params(testing_support::embedded(bd2.params().database, 1));
  auto libre = [&](std::int64_t id) {
    try {
      otro.write("UPDATE REPLICA_EVENTOS SET RPEV_PTVT = 1 WHERE RPEV_ID = " + std::to_string(id));
      return true;
    } catch (const db::Error& e) {
      if (!e.is_lock_conflict()) throw;
      return false;
    }
  };
  std::vector<std::int64_t> ids;
  std::vector<std::pair<bool, bool>> visto;  // (the previous row free, its own row free)
  tipos.registrar(1, [&](engine::Contexto& c) {
    if (c.evento.id() != ids[0]) visto.emplace_back(libre(ids[0]), libre(c.evento.id()));
  });
  for (int i = 0; i < 3; ++i)
    ids.push_back(insertar_evento(
        bd2,
        {.compania = "001", .tipo = 1, .numero = std::to_string(i), .horareg = Time{8, i, 0, 0}}));

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  EXPECT_EQ(visto, (std::vector<std::pair<bool, bool>>{{true, false}, {true, false}}))
      << "an ended event's row is free at once; the current one is held";
  for (std::int64_t id : ids) EXPECT_FALSE(pendiente(bd2, id));
  otro.disconnect();
  EXPECT_EQ(transacciones_ajenas(bd2), 0);
}

TEST_F(Escenario, NewestFirstStillAppliesTheEventsOfOneDocumentInTheirOrder) {
  std::vector<std::int64_t> copiados;
  tipos.registrar(1, [&](engine::Contexto& c) { copiados.push_back(c.evento.id()); });
  std::int64_t primero = insertar_evento(bd2, {.compania = "001", .tipo = 1, .pref = "EN"});
  std::int64_t segundo = insertar_evento(
      bd2, {.compania = "001", .tipo = 1, .pref = "EN", .horareg = Time{9, 0, 0, 0}});
  vista.op.reciente_primero = true;

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(copiados, std::vector<std::int64_t>{primero});
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_EQ(copiados, (std::vector<std::int64_t>{primero, segundo}));
}

TEST_F(Escenario, FailingEventsAheadOfTheLimitDoNotStarveTheOthers) {
  tipos.registrar(1, [](engine::Contexto& c) { c.fallo = c.evento.numero() != "BIEN"; });
  for (int i = 0; i < 3; ++i)
    insertar_evento(bd2, {.compania = "001",
                          .tipo = 1,
                          .numero = "MAL" + std::to_string(i),
                          .horareg = Time{7, i, 0, 0},
                          .error = "fallo anterior"});
  std::int64_t bien = insertar_evento(bd2, {.compania = "001", .tipo = 1, .numero = "BIEN"});
  vista.op.traer = "2";

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  EXPECT_FALSE(pendiente(bd2, bien));
}

// ---- a long queue ------------------------------------------------------------------------

TEST_F(Escenario, ACycleReadsThePendingRowsOnlyHoweverManyAreStamped) {
  constexpr int kSellados = 3000;
  // Queue rows the engine's attachments to `c`'s database have read so far.
  auto leidas = [](db::Connection& c) {
    c.end_reads();  // the monitoring tables are a snapshot per transaction
    return c
        .query(
            "SELECT COALESCE(SUM(R.MON$RECORD_SEQ_READS + R.MON$RECORD_IDX_READS), 0) FROM "
            "MON$ATTACHMENTS A JOIN MON$TABLE_STATS T ON T.MON$STAT_ID = A.MON$STAT_ID JOIN "
            "MON$RECORD_STATS R ON R.MON$STAT_ID = T.MON$RECORD_STAT_ID WHERE "
            "A.MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND A.MON$SYSTEM_FLAG = 0 AND "
            "T.MON$TABLE_NAME = 'REPLICA_EVENTOS'")
        .at(0, 0)
        .as_integer();
  };
  std::vector<std::pair<db::Connection*, std::int64_t>> eventos;
  for (auto [c, para] : {std::pair{&bd2, "001"}, {&bd1, "002"}}) {
    c->execute(
        "EXECUTE BLOCK (N INTEGER = ?, PARA VARCHAR(3) = ?) AS DECLARE I INTEGER = 0; BEGIN "
        "WHILE (I < N) DO BEGIN INSERT INTO REPLICA_EVENTOS (RPEV_COMPANIA, RPEV_TIPO, "
        "RPEV_FECREG, RPEV_HORAREG, RPEV_FECREP, RPEV_HORAREP, RPEV_OPER) VALUES (:PARA, 2, "
        "'2026-12-08', '07:00:00', '2026-12-08', '07:30:00', 'I'); I = I + 1; END END",
        {db::Value::integer(kSellados), db::Value::text(para)});
    for (int i = 0; i < 2; ++i) eventos.emplace_back(c, insertar_evento(*c, {.compania = para}));
  }
  // The first cycle attaches; the second is measured.
  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);
  for (auto [c, id] : eventos)
    c->execute(
        "UPDATE REPLICA_EVENTOS SET RPEV_FECREP = NULL, "
        "RPEV_HORAREP = NULL WHERE RPEV_ID = " +
        std::to_string(id));
  const std::int64_t antes1 = leidas(bd1), antes2 = leidas(bd2);

  ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo);

  for (auto [c, id] : eventos) EXPECT_FALSE(pendiente(*c, id));
  EXPECT_LT(leidas(bd1) - antes1, kSellados / 10) << "the local queue";
  EXPECT_LT(leidas(bd2) - antes2, kSellados / 10) << "the partner's queue";
}

// ---- many cycles ----------------------------------------------------------------------------

TEST_F(Escenario, ManyCyclesKeepTheAttachmentsTheyOpenAndLeaveNoTransactionOpen) {
  // An agent runs cycle after cycle for days: what one cycle opens must not pile up.
  auto abiertas = [&](db::Connection& c) {
    // A transaction of its own: the monitoring tables are a snapshot per transaction.
    return c
        .query(
            "SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0 AND "
            "MON$ATTACHMENT_ID <> CURRENT_CONNECTION")
        .at(0, 0)
        .as_integer();
  };
  std::vector<std::int64_t> despues;
  for (int ciclo_n = 0; ciclo_n < 25; ++ciclo_n) {
    // Every other cycle has nothing to upload, so no addressee closes the connections.
    std::optional<std::int64_t> subida;
    if (ciclo_n % 2 == 0) subida = insertar_evento(bd1, {.compania = "002", .tipo = 2});
    std::int64_t bajada = insertar_evento(bd2, {.compania = "001", .tipo = 2});
    ASSERT_EQ(ciclo.ejecutar(), Resultado::Completo) << "cycle " << ciclo_n;
    if (subida) {
      ASSERT_FALSE(pendiente(bd1, *subida));
    }
    ASSERT_FALSE(pendiente(bd2, bajada));
    despues.push_back(abiertas(bd2) + abiertas(bd1));
    // Between cycles the engine's connections hold no transaction (the count leaves
    // out the test's own connection, whose statement is running).
    EXPECT_EQ(transacciones_ajenas(bd1), 0) << "cycle " << ciclo_n;
    EXPECT_EQ(transacciones_ajenas(bd2), 0) << "cycle " << ciclo_n;
  }
  // At most the engine's two connections stay attached, whatever the number of cycles.
  EXPECT_LE(*std::max_element(despues.begin(), despues.end()), 2);
  EXPECT_EQ(despues.back(), despues.front());
}
