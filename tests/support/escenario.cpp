#include "support/escenario.h"

#include <fstream>
#include <stdexcept>

#include "engine/sql.h"
#include "plataforma/pagina_codigos.h"
#include "schema/esquema.h"
#include "support/esquema_distinto.h"

namespace testing_support {
namespace fs = std::filesystem;

// ---- recording window ----------------------------------------------------------------

void VistaGrabadora::anotar(std::string que, std::string texto, int numero) {
  llamadas.push_back(Llamada{std::move(que), std::move(texto), numero});
}

std::vector<std::string> VistaGrabadora::de(std::string_view que) const {
  std::vector<std::string> out;
  for (const Llamada& l : llamadas)
    if (l.que == que) out.push_back(l.texto.empty() ? std::to_string(l.numero) : l.texto);
  return out;
}

int VistaGrabadora::veces(std::string_view que) const {
  int n = 0;
  for (const Llamada& l : llamadas) n += l.que == que;
  return n;
}

std::vector<int> VistaGrabadora::numeros(std::string_view que) const {
  std::vector<int> out;
  for (const Llamada& l : llamadas)
    if (l.que == que) out.push_back(l.numero);
  return out;
}

std::vector<std::string> VistaGrabadora::secuencia() const {
  std::vector<std::string> out;
  for (const Llamada& l : llamadas) out.push_back(l.que);
  return out;
}

void VistaGrabadora::poner_traer(const std::string& texto) {
  anotar("poner_traer", texto);
  op.traer = texto;
}

void VistaGrabadora::poner_enviar(const std::string& texto) {
  anotar("poner_enviar", texto);
  op.enviar = texto;
}

void VistaGrabadora::evento(const std::string& texto) {
  ++eventos_mostrados_;
  anotar("evento", texto);
}

void VistaGrabadora::apagar_temporizador() {
  anotar("apagar_temporizador");
  temporizador_activo = false;
}

void VistaGrabadora::armar_temporizador(int intervalo_ms) {
  anotar("armar_temporizador", {}, intervalo_ms);
  temporizador_activo = true;
  intervalo = intervalo_ms;
}

void VistaGrabadora::procesar_mensajes() {
  anotar("procesar_mensajes");
  if (al_procesar) al_procesar();
}

bool VistaGrabadora::cierre_pedido() {
  return cierre || (cerrar_en_evento > 0 && eventos_mostrados_ > cerrar_en_evento);
}

// ---- rows ----------------------------------------------------------------------------

namespace {

template <typename T, typename F>
db::Value o_nulo(const std::optional<T>& v, F hacer) {
  return v ? hacer(*v) : db::Value();
}

db::Value texto(const std::optional<std::string>& v) {
  return o_nulo(v, [](const std::string& s) { return db::Value::text(s); });
}

db::Value entero(const std::optional<std::int64_t>& v) {
  return o_nulo(v, [](std::int64_t i) { return db::Value::integer(i); });
}

}  // namespace

std::int64_t insertar_evento(db::Connection& c, const EventoPrueba& e) {
  db::Rows r = c.query(
      "INSERT INTO REPLICA_EVENTOS (RPEV_ID, RPEV_COMPANIA, RPEV_TIPO, RPEV_IDDOC, RPEV_PREF, "
      "RPEV_NUMERO, RPEV_CODIGO, RPEV_FECREG, RPEV_HORAREG, RPEV_FECREP, RPEV_HORAREP, RPEV_OPER, "
      "RPEV_PREFDEST, RPEV_PTVT, RPEV_ERROR, RPEV_DATOS) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
      "?, ?, ?, ?, ?) RETURNING RPEV_ID",
      {entero(e.id), db::Value::text(e.compania), db::Value::integer(e.tipo), entero(e.iddoc),
       texto(e.pref), texto(e.numero), texto(e.codigo),
       o_nulo(e.fecreg, [](db::Date d) { return db::Value::date(d); }),
       o_nulo(e.horareg, [](db::Time t) { return db::Value::time(t); }),
       o_nulo(e.fecrep, [](db::Date d) { return db::Value::date(d); }),
       o_nulo(e.horarep, [](db::Time t) { return db::Value::time(t); }), texto(e.oper),
       texto(e.prefdest), entero(e.ptvt), texto(e.error), texto(e.datos)});
  return r.at(0, 0).as_integer();
}

db::Rows leer_evento(db::Connection& c, std::int64_t id) {
  db::Rows r = c.query("SELECT * FROM REPLICA_EVENTOS WHERE RPEV_ID = " + std::to_string(id));
  if (r.empty()) throw std::runtime_error("no event " + std::to_string(id) + " in " + c.name());
  return r;
}

bool existe_evento(db::Connection& c, std::int64_t id) {
  return contar(c, "REPLICA_EVENTOS", "RPEV_ID = " + std::to_string(id)) == 1;
}

bool pendiente(db::Connection& c, std::int64_t id) {
  db::Rows r = leer_evento(c, id);
  return r.at(0, "RPEV_FECREP").is_null() && r.at(0, "RPEV_HORAREP").is_null();
}

std::optional<std::string> error_de(db::Connection& c, std::int64_t id) {
  db::Rows r = leer_evento(c, id);
  const db::Value& v = r.at(0, "RPEV_ERROR");
  if (v.is_null()) return std::nullopt;
  return plataforma::desde_suite(v.as_text());
}

void configurar(db::Connection& c, std::string_view modulo, std::string_view categoria,
                std::string_view propiedad, std::string_view valor) {
  c.execute(
      "UPDATE OR INSERT INTO CONFIGURACION (CONF_MODULO, CONF_CATEGORIA, CONF_PROPIEDAD, "
      "CONF_VALOR) VALUES (?, ?, ?, ?) MATCHING (CONF_MODULO, CONF_CATEGORIA, CONF_PROPIEDAD)",
      {db::Value::text(std::string(modulo)), db::Value::text(std::string(categoria)),
       db::Value::text(std::string(propiedad)), db::Value::text(std::string(valor))});
}

void poner_socio(db::Connection& c, std::string_view codigo, std::string_view servidor,
                 std::string_view activa) {
  c.execute(
      "UPDATE OR INSERT INTO REPLICA_COMPANIA (RPCO_COD, RPCP_NOMBRE, RPCO_SERVIDOR, RPCO_ACTIVA) "
      "VALUES (?, ?, ?, ?) MATCHING (RPCO_COD)",
      {db::Value::text(std::string(codigo)), db::Value::text("Compania " + std::string(codigo)),
       db::Value::text(std::string(servidor)), db::Value::text(std::string(activa))});
}

void insertar_entrada(db::Connection& c, std::int64_t id, std::string_view pref,
                      std::string_view numero, int lineas) {
  c.execute(
      "INSERT INTO ENTRADAS (ENTR_ID, TIDO_COD, PREF_PRE, ENTR_NUMERO, ENTR_FECHA, ENTR_HORA, "
      "BODE_COD, TERC_NIT, ENTR_NOMTERC, ENTR_CONC, ENTR_REFER, ENTR_IMPTOS, ENTR_SUBTOTAL, "
      "ENTR_IVA, ENTR_TOTAL, ENTR_TASACAMBIO, ENTR_PESO, ENTR_ANULADO, ENTR_TRANSMIT, "
      "ENTR_USUARIO, ENTR_FECHAREG, ENTR_OBS, NUMOK) VALUES (?, 11, ?, ?, '2026-12-01', "
      "'14:30:00', '01', '900123456', 'Proveedor de prueba', ?, 'REF-1', 'S', ?, 19.00, ?, "
      "4012.5, 12.75, 'N', 'S', 'OPERADOR', '2026-12-01 14:30:05', ?, 'S')",
      {db::Value::integer(id), db::Value::text(std::string(pref)),
       db::Value::text(std::string(numero)), db::Value::text("Entrada " + std::to_string(id)),
       db::Value::fixed(10000 + id, 0), db::Value::fixed(10019 + id, 0),
       db::Value::blob("observaciones\nde la entrada " + std::to_string(id))});
  for (int i = 1; i <= lineas; ++i)
    c.execute(
        "INSERT INTO ENTRADAS_DETALLE (ENTR_ID, ENDE_ITEM, BODE_COD, ARTI_COD, ENDE_CANT, "
        "ENDE_UNIDAD, ENDE_FACTOR, ENDE_LOTE, ENDE_DESC, ENDE_COSTO, ENDE_DTOPORC, ENDE_DTOMONTO, "
        "ENDE_IVAPORC, ENDE_IVAMONTO, ENDE_CONSUMO, ENDE_TOTAL, ENDE_CODBAR, ENDE_ANULADO, "
        "ENDE_OBS) VALUES (?, ?, '01', ?, ?, 'UND', 1, 'L1', ?, 2500.5, 0, 0, 19, 475.1, 0, ?, "
        "NULL, 'N', NULL)",
        {db::Value::integer(id), db::Value::integer(i),
         db::Value::text("ART" + std::to_string(id) + "-" + std::to_string(i)),
         db::Value::integer(i), db::Value::text("Linea " + std::to_string(i)),
         db::Value::fixed(2500 * i, 0)});
}

db::Rows filas(db::Connection& c, std::string_view sql) { return c.query(sql); }

std::int64_t contar(db::Connection& c, std::string_view tabla, std::string_view donde) {
  std::string sql = "SELECT COUNT(*) FROM " + std::string(tabla);
  if (!donde.empty()) sql += " WHERE " + std::string(donde);
  return c.query(sql).at(0, 0).as_integer();
}

std::int64_t transacciones_ajenas(db::Connection& c) {
  // A transaction of its own: the monitoring tables are a snapshot per transaction.
  return c
      .query(
          "SELECT COUNT(*) FROM MON$TRANSACTIONS T JOIN MON$ATTACHMENTS A ON "
          "A.MON$ATTACHMENT_ID = T.MON$ATTACHMENT_ID WHERE A.MON$ATTACHMENT_ID <> "
          "CURRENT_CONNECTION AND A.MON$SYSTEM_FLAG = 0")
      .at(0, 0)
      .as_integer();
}

std::int64_t valor_secuencia(db::Connection& c, std::string_view secuencia) {
  return c.query("SELECT GEN_ID(" + std::string(secuencia) + ", 0) FROM RDB$DATABASE")
      .at(0, 0)
      .as_integer();
}

std::vector<std::string> lineas_de(const fs::path& archivo) {
  // The logs' one encoding and line end, whichever the platform writes.
  const plataforma::FormaBitacora forma = plataforma::forma_bitacora();
  const bool crlf = std::string_view(forma.fin_de_linea) == "\r\n";
  std::vector<std::string> out;
  std::ifstream in(archivo, std::ios::binary);
  std::string linea;
  while (std::getline(in, linea)) {
    if (crlf && !linea.empty() && linea.back() == '\r') linea.pop_back();
    out.push_back(forma.pagina_suite ? plataforma::desde_suite(linea) : linea);
  }
  return out;
}

// ---- the fixture -----------------------------------------------------------------------

namespace {

fs::path instalar(const TempDir& dir, const std::string& carpeta) {
  return schema::create_installation(
      carpeta.empty() ? dir.path() : dir.path() / carpeta, {"001", "002"},
      EsquemaDistinto::activo() ? EsquemaDistinto::el().guiones() : schema::scripts());
}

}  // namespace

Escenario::Escenario(const std::string& carpeta)
    : raiz(instalar(dir, carpeta)),
      agente(vista,
             [this] {
               agente::Ajustes a;
               a.directorio = [this] { return raiz.string(); };
               a.reloj = &reloj;
               a.campana = [this] { ++pitidos; };
               return a;
             }()),
      local(agente.DbCia),
      socio(agente.DBEnvio),
      bitacora(agente.bitacora()),
      errores(agente.errores()),
      tipos(agente.tipos()),
      ciclo(agente.ciclo()) {
  local.set_params(embedded(schema::company_path(raiz, "001")));
  socio.set_params(embedded(schema::company_path(raiz, "002")));
  bd1.set_params(embedded(schema::company_path(raiz, "001")));
  bd2.set_params(embedded(schema::company_path(raiz, "002")));
  if (EsquemaDistinto::activo())
    for (db::Connection* c : {&bd1, &bd2})
      c->set_rewriter([](std::string_view sql) { return EsquemaDistinto::el().traducir(sql); });
  vista.op.compania = "001";
  vista.op.frecuencia = "1";
  vista.op.traer = "500";
  vista.op.enviar = "500";
  poner_socio(bd1, "002", raiz.string());
  configurar(bd1, "INVENTARIO", "ARTICULOS", "NOMBRE DE USUARIO PARA REPLICACION DE ARTICULOS",
             schema::kUser);
  configurar(bd1, "INVENTARIO", "ARTICULOS", "CLAVE DE USUARIO PARA REPLICACION DE ARTICULOS",
             schema::kPassword);
}

void Escenario::alterar(db::Connection& c, std::string_view ddl) {
  local.disconnect();
  socio.disconnect();
  c.disconnect();
  c.execute(ddl);
}

std::string Escenario::sello() { return db::format_date(kHoy) + "," + db::format_time(kHora); }

std::string nombre_fase(const ::testing::TestParamInfo<engine::Fase>& p) {
  return p.param == engine::Fase::Subida ? "Subida" : "Descarga";
}

void mismas_columnas(const db::Rows& a, std::size_t fa, const db::Rows& b, std::size_t fb,
                     std::size_t desde, const std::set<std::string>& salvo) {
  ASSERT_EQ(a.columns().size(), b.columns().size());
  for (std::size_t i = desde; i < a.columns().size(); ++i) {
    if (salvo.count(a.columns()[i].name)) continue;
    EXPECT_EQ(a.at(fa, i), b.at(fb, i)) << "column " << a.columns()[i].name;
  }
}

}  // namespace testing_support
