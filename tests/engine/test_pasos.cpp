// The copy protocol's steps one at a time, where a whole cycle is too coarse to show
// what a step does: the operation test, statement slots, column copy, keyed row sets,
// the identifier fetch and the header undo.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "db/error.h"
#include "db/target_set.h"
#include "db/textos.h"
#include "engine/configuracion.h"
#include "engine/maestro.h"
#include "engine/protocolo.h"
#include "engine/sql.h"
#include "support/escenario.h"

using db::Value;
using engine::Operacion;
using testing_support::contar;
using testing_support::filas;

namespace {

// A one-row event list held in memory, with the columns the steps read.
db::Rows evento_en_memoria(std::vector<std::pair<const char*, Value>> valores) {
  std::vector<db::Column> columnas;
  std::vector<Value> fila;
  for (auto& [nombre, v] : valores) {
    db::Column c;
    c.name = nombre;
    columnas.push_back(c);
    fila.push_back(std::move(v));
  }
  return db::Rows(std::move(columnas), {std::move(fila)});
}

db::Rows evento_tipico(Value oper = Value::text("I")) {
  return evento_en_memoria({{"RPEV_ID", Value::integer(5)},
                            {"RPEV_TIPO", Value::integer(11)},
                            {"RPEV_IDDOC", Value::integer(7)},
                            {"RPEV_PREF", Value::text("E'N")},
                            {"RPEV_NUMERO", Value::text("000123")},
                            {"RPEV_CODIGO", Value::text("")},
                            {"RPEV_OPER", std::move(oper)},
                            {"RPEV_PREFDEST", Value()},
                            {"RPEV_DATOS", Value::text("UND 'X'")}});
}

// Collects the failures handed over by applies.
struct Fallos : db::ApplyErrorSink {
  std::vector<std::string> mensajes;
  void apply_failed(const std::exception& e) override { mensajes.emplace_back(e.what()); }
};

// A handler's context on two connections, for one in-memory event.
struct Contexto {
  Contexto(db::Connection& origen, db::Connection& destino, db::Rows lista = evento_tipico())
      : lista(std::move(lista)), evento(this->lista, 0), ctx{evento,   engine::Fase::Subida,
                                                             origen,   destino,
                                                             banderas, bloqueo,
                                                             fallos,   reloj} {}
  Contexto(const Contexto&) = delete;
  Contexto& operator=(const Contexto&) = delete;
  db::Rows lista;
  engine::Evento evento;
  engine::Banderas banderas;
  std::string bloqueo;
  Fallos fallos;
  engine::RelojFijo reloj{testing_support::kAhora};
  engine::Contexto ctx;
};

}  // namespace

// ---- without a database --------------------------------------------------------------------

TEST(PruebaOperacion, OnlyTheLettersAHandlerTestsChooseABranch) {
  struct Caso {
    Value oper;
    const char* letras;
    Operacion esperada;
  };
  const Caso casos[] = {
      {Value::text("D"), "DA", Operacion::Borrar},
      {Value::text("A"), "DA", Operacion::Anular},
      {Value::text("I"), "DA", Operacion::Copiar},  // "I" not tested by this handler
      {Value::text("I"), "DAI", Operacion::Insertar},
      {Value::text("A"), "D", Operacion::Copiar},  // a handler without annul copies
      {Value::text("D"), "", Operacion::Copiar},
      {Value::text("d"), "DA", Operacion::Copiar},  // letters are compared exactly
      {Value::text("X"), "DAI", Operacion::Copiar},
      {Value::text(""), "DAI", Operacion::Copiar},
      {Value(), "DAI", Operacion::Copiar},
  };
  for (const Caso& c : casos) {
    db::Rows lista = evento_tipico(c.oper);
    engine::Evento e(lista, 0);
    EXPECT_EQ(engine::prueba_operacion(e, c.letras), c.esperada)
        << "'" << c.oper.as_text() << "' with " << c.letras;
  }
}

TEST(Sentencia, SlotsTakeTheEventsValuesQuotedAndNumbersAsText) {
  db::Connection a, b;
  Contexto c(a, b);
  EXPECT_EQ(engine::sentencia(c.ctx,
                              "select * from t where id = {iddoc} and x = {id} and p = {pref} and "
                              "n = {numero} and d = {prefdest} and c = {codigo} and u = {datos}",
                              1001),
            "select * from t where id = 7 and x = 1001 and p = 'E''N' and n = '000123' and d = '' "
            "and c = '' and u = 'UND ''X'''");
  EXPECT_EQ(engine::sentencia(c.ctx, "delete from entradas_detalle where entr_id = {id}"),
            "delete from entradas_detalle where entr_id = 0");
  EXPECT_EQ(engine::sentencia(c.ctx, "select 1 from rdb$database"), "select 1 from rdb$database");
}

TEST(Sentencia, SourceRowAndComputedKeySlotsAreQuotedUnlessAskedAsNumbers) {
  db::Connection a, b;
  Contexto c(a, b);
  db::Rows fila = evento_en_memoria({{"A", Value::text("O'K")}, {"B", Value::integer(42)}});
  c.ctx.claves["grupo"] = "G'1";
  c.ctx.claves["tipo"] = "15";
  EXPECT_EQ(engine::sentencia(c.ctx,
                              "x = {fila:0} and y = {fila#:1} and g = {clave:grupo} and t = "
                              "{clave#:tipo}",
                              0, &fila, 0),
            "x = 'O''K' and y = 42 and g = 'G''1' and t = 15");
  EXPECT_THROW(engine::sentencia(c.ctx, "x = {fila:0}"), std::logic_error) << "no source row";
  EXPECT_THROW(engine::sentencia(c.ctx, "g = {clave:otro}"), std::logic_error);
}

TEST(Sentencia, ANumberSlotTakesOnlyAWholeNumberAndRefusesAnythingElseClearly) {
  db::Connection a, b;
  Contexto c(a, b);
  db::Rows fila = evento_en_memoria({{"N", Value::fixed(420000, -4)},
                                     {"T", Value::text("7 OR 1 = 1")},
                                     {"F", Value::fixed(425, -1)},
                                     {"V", Value()}});
  EXPECT_EQ(engine::sentencia(c.ctx, "y = {fila#:0}", 0, &fila, 0), "y = 42");
  auto rechazo = [&](const std::string& plantilla) {
    try {
      engine::sentencia(c.ctx, plantilla, 0, &fila, 0);
    } catch (const db::ConversionError& e) {
      return std::string(e.what());
    }
    return std::string("spliced");
  };
  EXPECT_EQ(rechazo("y = {fila#:1}"),
            db::textos::no_es_numero_en("El campo T", "7 OR 1 = 1", false));
  EXPECT_EQ(rechazo("y = {fila#:2}"), db::textos::no_es_numero_en("El campo F", "42.5", false));
  EXPECT_EQ(rechazo("y = {fila#:3}"), db::textos::no_es_numero_en("El campo V", "", true));
  c.ctx.claves["tipo"] = "15) OR (1 = 1";
  EXPECT_EQ(rechazo("t = {clave#:tipo}"),
            db::textos::no_es_numero_en("La clave tipo", "15) OR (1 = 1", false));
}

TEST(Sentencia, EventWithoutDocumentIdReadsNothing) {
  db::Connection a, b;
  Contexto c(a, b, evento_en_memoria({{"RPEV_IDDOC", Value()}, {"RPEV_PREF", Value::text("EN")}}));
  EXPECT_EQ(engine::sentencia(c.ctx, "select * from entradas where entr_id = {iddoc}"),
            "select * from entradas where entr_id = NULL");
}

TEST(Sentencia, MisspelledSlotsThrowInsteadOfRunning) {
  db::Connection a, b;
  Contexto c(a, b);
  try {
    engine::sentencia(c.ctx, "select * from entradas where entr_id = {idoc}");
    FAIL() << "expected a logic_error";
  } catch (const std::logic_error& e) {
    EXPECT_NE(std::string(e.what()).find("{idoc}"), std::string::npos) << e.what();
  }
  EXPECT_THROW(engine::sentencia(c.ctx, "select * from entradas where entr_id = {ID}"),
               std::logic_error);
  EXPECT_THROW(engine::sentencia(c.ctx, "select * from entradas where entr_id = {iddoc"),
               std::logic_error);
}

TEST(Quoted, TextBecomesALiteralAndDatesIsoText) {
  EXPECT_EQ(engine::quoted(std::string_view("")), "''");
  EXPECT_EQ(engine::quoted(std::string_view("O'Brien ''x''")), "'O''Brien ''''x'''''");
  EXPECT_EQ(engine::quoted(db::Date{2026, 1, 5}), "'2026-01-05'");
  EXPECT_EQ(engine::quoted(db::Time{7, 3, 9, 1234}), "'07:03:09'");
}

// ---- against the databases ---------------------------------------------------------------

class Pasos : public testing_support::Escenario {
 protected:
  // bd1 is the source side, bd2 the target side.
  Contexto contexto() { return Contexto(bd1, bd2); }
};

TEST_F(Pasos, ColumnCopyTakesPositionsFromTheTargetAndMoneyWithFourDecimals) {
  bd2.execute(
      "CREATE TABLE COPIA (ID INTEGER NOT NULL, NOMBRE VARCHAR(10), MONTO NUMERIC(18,6), PESO "
      "DOUBLE PRECISION, CANT NUMERIC(9,2))");
  db::Rows o = evento_en_memoria({{"A", Value::integer(1)},
                                  {"B", Value::text("uno")},
                                  {"C", Value::fixed(1234567, -6)},
                                  {"D", Value::floating(1.23456789)},
                                  {"E", Value()},
                                  {"F", Value::text("de mas")}});
  db::TargetSet t = bd2.open("SELECT * FROM COPIA");

  std::size_t r = t.append();
  engine::copiar_columnas(t, r, o, 0, 0);
  EXPECT_EQ(t.value(r, "ID"), Value::integer(1));
  EXPECT_EQ(t.value(r, "NOMBRE"), Value::text("uno"));
  EXPECT_EQ(t.value(r, "MONTO").as_text(), "1.234600");
  EXPECT_EQ(t.value(r, "PESO"), Value::floating(1.23456789));
  EXPECT_EQ(t.value(r, "CANT").as_text(), "0.00") << "an empty amount becomes zero";

  std::size_t r2 = t.append();
  engine::copiar_columnas(t, r2, o, 0, 2);
  EXPECT_TRUE(t.value(r2, "ID").is_null()) << "columns before the start are left alone";
  EXPECT_TRUE(t.value(r2, "NOMBRE").is_null());
  EXPECT_EQ(t.value(r2, "MONTO").as_text(), "1.234600");

  // A source with fewer columns than the target cannot fill it.
  db::Rows corta = evento_en_memoria({{"A", Value::integer(1)}, {"B", Value::text("x")}});
  std::size_t r3 = t.append();
  try {
    engine::copiar_columnas(t, r3, corta, 0, 0);
    FAIL() << "expected out_of_range";
  } catch (const std::out_of_range& e) {
    EXPECT_EQ(e.what(), db::textos::indice_fuera_de_rango(2));
  }
}

TEST_F(Pasos, MappedColumnsTakePartOnlyInTheWritesTheirMasksName) {
  bd2.execute(
      "CREATE TABLE MAPEO (K INTEGER NOT NULL PRIMARY KEY, SOLO_INSERTA VARCHAR(10), "
      "SOLO_BAJANDO VARCHAR(10), CON_BANDERA VARCHAR(10), DINERO NUMERIC(18,4))");
  bd2.execute("INSERT INTO MAPEO VALUES (1, 'viejo', 'viejo', 'viejo', 7)");
  db::Rows o = evento_en_memoria({{"V", Value::text("nuevo")}, {"M", Value()}});
  const std::vector<engine::Campo> campos = {
      engine::solo(engine::columna("SOLO_INSERTA", "V"), engine::kInserta),
      engine::solo(engine::columna("SOLO_BAJANDO", "V"), engine::kDescarga),
      engine::con_bandera(engine::columna("CON_BANDERA", "V"), &engine::Banderas::estado_articulo),
      engine::columna("DINERO", "M", engine::Forma::Dinero),
  };
  // The row after one write, as "SOLO_INSERTA,SOLO_BAJANDO,CON_BANDERA,DINERO".
  auto tras = [&](engine::Fase f, bool nuevo, bool bandera) {
    Contexto c = contexto();
    c.ctx.fase = f;
    c.banderas.estado_articulo = bandera;
    db::TargetSet t = bd2.open("SELECT * FROM MAPEO WHERE K = 1");
    std::size_t fila = nuevo ? t.append() : 0;
    engine::mapear(c.ctx, t, fila, o, 0, campos, nuevo);
    std::string out;
    for (const char* col : {"SOLO_INSERTA", "SOLO_BAJANDO", "CON_BANDERA", "DINERO"})
      out += (out.empty() ? "" : ",") + t.value(fila, col).as_text();
    return out;
  };
  using engine::Fase;
  EXPECT_EQ(tras(Fase::Subida, true, false), "nuevo,,nuevo,0.0000") << "a NULL in money form is 0";
  EXPECT_EQ(tras(Fase::Descarga, true, false), "nuevo,nuevo,nuevo,0.0000");
  EXPECT_EQ(tras(Fase::Subida, false, false), "viejo,viejo,viejo,0.0000");
  EXPECT_EQ(tras(Fase::Descarga, false, false), "viejo,nuevo,viejo,0.0000");
  EXPECT_EQ(tras(Fase::Subida, false, true), "viejo,viejo,nuevo,0.0000");
}

TEST_F(Pasos, KeyedRowSetTriesEveryRowAndAFailureAnywhereKeepsTheFlagSet) {
  const char* ddl = "CREATE TABLE CLAVES (COD VARCHAR(5) NOT NULL PRIMARY KEY, NOMBRE VARCHAR(20))";
  bd1.execute(ddl);
  bd2.execute(ddl);
  bd2.execute("ALTER TABLE CLAVES ADD CONSTRAINT CK_PRUEBA_NOMBRE CHECK (NOMBRE <> 'MALO')");
  bd1.execute("INSERT INTO CLAVES VALUES ('A', 'uno')");
  bd1.execute("INSERT INTO CLAVES VALUES ('B', 'MALO')");
  bd1.execute("INSERT INTO CLAVES VALUES ('C', 'tres')");
  bd2.execute("INSERT INTO CLAVES VALUES ('C', 'viejo')");
  const engine::Maestro claves{.lectura = "select * from claves order by cod",
                               .busqueda = "SELECT * FROM CLAVES WHERE COD = {fila:0}",
                               .filas = engine::Filas::PorClave};

  Contexto c = contexto();
  engine::protocolo_maestro(c.ctx, claves);

  // The middle row failed; the rows after it were still written.
  db::Rows t = filas(bd2, "SELECT COD, NOMBRE FROM CLAVES ORDER BY COD");
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t.at(0, 0).as_text(), "A");
  EXPECT_EQ(t.at(1, 0).as_text(), "C");
  EXPECT_EQ(t.at(1, 1).as_text(), "tres") << "an existing row is refreshed";
  ASSERT_EQ(c.fallos.mensajes.size(), 1u);
  EXPECT_NE(c.fallos.mensajes[0].find("CK_PRUEBA_NOMBRE"), std::string::npos);
  // The last row succeeded, yet the flag stays set: the event stays pending and the
  // whole set is sent again.
  EXPECT_TRUE(c.ctx.fallo);

  // Once every row goes through, the flag is clear; a failure earlier in the same
  // event (a header the set belongs to) stays.
  bd1.execute("UPDATE CLAVES SET NOMBRE = 'dos' WHERE COD = 'B'");
  Contexto d = contexto();
  engine::protocolo_maestro(d.ctx, claves);
  EXPECT_FALSE(d.ctx.fallo);
  EXPECT_EQ(contar(bd2, "CLAVES"), 3);
  EXPECT_TRUE(d.fallos.mensajes.empty());
  d.ctx.fallo = true;
  engine::protocolo_maestro(d.ctx, claves);
  EXPECT_TRUE(d.ctx.fallo);

  // A failure of the first row alone also keeps it set.
  bd1.execute("UPDATE CLAVES SET NOMBRE = 'MALO' WHERE COD = 'A'");
  Contexto e = contexto();
  engine::protocolo_maestro(e.ctx, claves);
  EXPECT_TRUE(e.ctx.fallo);
  EXPECT_EQ(e.fallos.mensajes.size(), 1u);
}

// Rows that share a key no column of theirs completes: the target's rows of the key
// become the source's, in one apply. With a primary key a row is found by it and
// written in the columns that changed only (a row that did not change fires no trigger);
// without one a row equal to a source row stays and the others are deleted and inserted
// (two rows that differ in a blob alone go together). A rejected row leaves them all
// as they were, and the rows of other keys are never touched.
TEST_F(Pasos, KeyedRowSetMakesTheTargetsRowsOfTheKeyTheSourcesInOneApply) {
  for (bool llave : {true, false}) {
    SCOPED_TRACE(llave ? "con llave primaria" : "sin llave primaria");
    const std::string t = llave ? "CON_LLAVE" : "SIN_LLAVE";
    const std::string ddl = "CREATE TABLE " + t +
                            " (GRUPO INTEGER NOT NULL, ITEM INTEGER NOT NULL, NOMBRE "
                            "VARCHAR(20), NOTA BLOB SUB_TYPE TEXT" +
                            (llave ? ", PRIMARY KEY (GRUPO, ITEM))" : ")");
    bd1.execute(ddl);
    bd2.execute(ddl);
    bd2.execute("CREATE TABLE CAMBIOS_" + t + " (OP VARCHAR(3))");
    bd2.execute("CREATE TRIGGER " + t + "_AIUD FOR " + t +
                " AFTER INSERT OR UPDATE OR DELETE AS BEGIN INSERT INTO CAMBIOS_" + t +
                " VALUES (IIF(INSERTING, 'I', IIF(UPDATING, 'U', 'D')) || COALESCE(NEW.ITEM, "
                "OLD.ITEM)); END");
    auto fila = [&](db::Connection& c, int grupo, int item, const char* nombre, const char* nota) {
      c.execute(
          "INSERT INTO " + t + " VALUES (?, ?, ?, ?)",
          {Value::integer(grupo), Value::integer(item), Value::text(nombre), Value::blob(nota)});
    };
    fila(bd1, 1, 1, "uno", "n");
    fila(bd1, 1, 2, "dos nuevo", "n");
    fila(bd1, 1, 4, "cuatro", "n");
    fila(bd1, 2, 1, "de otro grupo", "n");
    fila(bd2, 1, 1, "uno", "n");
    fila(bd2, 1, 2, "dos", "n");
    fila(bd2, 1, 3, "tres", "n");
    fila(bd2, 2, 9, "ajeno", "n");
    if (!llave) {
      fila(bd1, 1, 5, "cinco", "a");
      fila(bd2, 1, 5, "cinco", "a");
      fila(bd2, 1, 5, "cinco", "b");
    }
    const std::string lectura = "select * from " + t + " where grupo = 1";
    const std::string busqueda = "SELECT * FROM " + t + " WHERE GRUPO = 1";
    const engine::Maestro m{.lectura = engine::PorFase(std::string_view(lectura)),
                            .busqueda = engine::PorFase(std::string_view(busqueda)),
                            .filas = engine::Filas::Conjunto};
    auto grupo = [&](int g) {
      db::Rows r = filas(bd2, "SELECT ITEM, NOMBRE, NOTA FROM " + t +
                                  " WHERE GRUPO = " + std::to_string(g) + " ORDER BY ITEM, NOTA");
      std::string out;
      for (std::size_t i = 0; i < r.size(); ++i)
        out += r.at(i, 0).as_text() + " " + r.at(i, 1).as_text() + " " + r.at(i, 2).as_text() + ";";
      return out;
    };
    auto cambios = [&] {
      db::Rows r = filas(bd2, "SELECT OP FROM CAMBIOS_" + t + " ORDER BY OP");
      std::string out;
      for (std::size_t i = 0; i < r.size(); ++i) out += r.at(i, 0).as_text() + " ";
      bd2.execute("DELETE FROM CAMBIOS_" + t);
      return out;
    };
    const std::string copia =
        llave ? "1 uno n;2 dos nuevo n;4 cuatro n;" : "1 uno n;2 dos nuevo n;4 cuatro n;5 cinco a;";
    cambios();

    Contexto c = contexto();
    EXPECT_EQ(engine::protocolo_maestro(c.ctx, m), llave ? 3u : 4u);
    EXPECT_FALSE(c.ctx.fallo);
    EXPECT_EQ(grupo(1), copia);
    EXPECT_EQ(grupo(2), "9 ajeno n;");
    EXPECT_EQ(cambios(), llave ? "D3 I4 U2 " : "D2 D3 D5 D5 I2 I4 I5 ");

    // The same rows again write nothing.
    Contexto d = contexto();
    engine::protocolo_maestro(d.ctx, m);
    EXPECT_EQ(cambios(), "");

    bd2.execute("ALTER TABLE " + t + " ADD CONSTRAINT CK_" + t + " CHECK (NOMBRE <> 'MALO')");
    bd1.execute("UPDATE " + t + " SET NOMBRE = 'uno otra vez' WHERE GRUPO = 1 AND ITEM = 1");
    bd1.execute("UPDATE " + t + " SET NOMBRE = 'MALO' WHERE GRUPO = 1 AND ITEM = 4");
    Contexto e = contexto();
    engine::protocolo_maestro(e.ctx, m);
    EXPECT_TRUE(e.ctx.fallo);
    ASSERT_EQ(e.fallos.mensajes.size(), 1u);
    EXPECT_NE(e.fallos.mensajes[0].find("CK_" + t), std::string::npos);
    EXPECT_EQ(grupo(1), copia);
    EXPECT_EQ(cambios(), "");
  }
}

TEST_F(Pasos, KeyedRowCopyInsertsOrRefreshesFromTheGivenColumn) {
  const char* ddl =
      "CREATE TABLE MAESTRO (COD VARCHAR(5) NOT NULL PRIMARY KEY, NOMBRE VARCHAR(20), SALDO "
      "NUMERIC(18,2))";
  bd1.execute(ddl);
  bd2.execute(ddl);
  bd1.execute("INSERT INTO MAESTRO VALUES ('M1', 'nuevo', 10.5)");
  bd1.execute("INSERT INTO MAESTRO VALUES ('M2', 'cambiado', 3)");
  bd2.execute("INSERT INTO MAESTRO VALUES ('M2', 'anterior', 1)");

  Contexto c = contexto();
  engine::protocolo_maestro(c.ctx, {.lectura = "select * from maestro where cod = 'M1'",
                                    .busqueda = "SELECT * FROM MAESTRO WHERE COD = 'M1'"});
  EXPECT_FALSE(c.ctx.fallo);
  engine::protocolo_maestro(c.ctx, {.lectura = "select * from maestro where cod = 'M2'",
                                    .busqueda = "SELECT * FROM MAESTRO WHERE COD = 'M2'",
                                    .desde = 1});
  EXPECT_FALSE(c.ctx.fallo);
  engine::protocolo_maestro(c.ctx, {.lectura = "select * from maestro where cod = 'M9'",
                                    .busqueda = "SELECT * FROM MAESTRO WHERE COD = 'M9'"});
  EXPECT_FALSE(c.ctx.fallo) << "an absent source row is nothing to do";

  db::Rows t = filas(bd2, "SELECT * FROM MAESTRO ORDER BY COD");
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t.at(0, "NOMBRE").as_text(), "nuevo");
  EXPECT_EQ(t.at(0, "SALDO").as_text(), "10.50");
  EXPECT_EQ(t.at(1, "NOMBRE").as_text(), "cambiado");
  EXPECT_EQ(t.at(1, "SALDO").as_text(), "3.00");
}

TEST_F(Pasos, HeaderInsertKeepsTheSourceIdWhenTheProcedureGivesNone) {
  bd2.execute(
      "CREATE PROCEDURE CAMBIE_ID_NINGUNO RETURNS (ID INTEGER) AS BEGIN IF (1 = 0) THEN SUSPEND; "
      "END");
  testing_support::insertar_entrada(bd1, 7, "EN", "000123", 0);
  testing_support::insertar_entrada(bd1, 8, "EN", "000124", 0);
  testing_support::insertar_entrada(bd2, 8, "XX", "000001", 0);  // holds id 8 already
  const engine::Identificador ninguno{
      .procedimiento = "cambie_id_ninguno", .columna = "ENTR_ID", .numok = true};
  auto desde_origen = [&](const db::Rows& o) {
    return [&o](db::TargetSet& t, std::size_t fila) { engine::copiar_columnas(t, fila, o, 0, 0); };
  };

  Contexto c = contexto();
  db::Rows siete = filas(bd1, "select * from entradas where entr_id = 7");
  db::TargetSet t =
      bd2.open("SELECT * FROM ENTRADAS WHERE PREF_PRE = 'EN' AND ENTR_NUMERO = '000123'");
  EXPECT_EQ(engine::insertar_encabezado(c.ctx, t, desde_origen(siete), ninguno), 7);
  EXPECT_TRUE(c.ctx.encabezado_escrito);
  EXPECT_FALSE(c.ctx.fallo);
  EXPECT_EQ(filas(bd2, "SELECT NUMOK FROM ENTRADAS WHERE ENTR_ID = 7").at(0, 0).as_text(), "N");

  // With the source's id taken on the target side the insert collides.
  Contexto d = contexto();
  db::Rows ocho = filas(bd1, "select * from entradas where entr_id = 8");
  db::TargetSet t2 =
      bd2.open("SELECT * FROM ENTRADAS WHERE PREF_PRE = 'EN' AND ENTR_NUMERO = '000124'");
  EXPECT_EQ(engine::insertar_encabezado(d.ctx, t2, desde_origen(ocho), ninguno), 0);
  EXPECT_FALSE(d.ctx.encabezado_escrito);
  EXPECT_TRUE(d.ctx.fallo);
  ASSERT_EQ(d.fallos.mensajes.size(), 1u);
  EXPECT_NE(d.fallos.mensajes[0].find("PK_ENTRADAS"), std::string::npos) << d.fallos.mensajes[0];
  EXPECT_EQ(contar(bd2, "ENTRADAS", "PREF_PRE = 'XX'"), 1);
}

TEST_F(Pasos, IdentifierFetchTakesTheFirstColumnOfTheFirstRow) {
  bd2.execute("ALTER SEQUENCE SEQ_ENTRADAS RESTART WITH 40");
  const std::int64_t siguiente = testing_support::valor_secuencia(bd2, "SEQ_ENTRADAS") + 1;
  bd2.execute(
      "CREATE PROCEDURE CAMBIE_ID_VARIOS RETURNS (A INTEGER, B INTEGER) AS BEGIN A = 5; B = 6; "
      "SUSPEND; A = 7; SUSPEND; END");
  Contexto c = contexto();
  EXPECT_EQ(engine::traer_identificador(c.ctx, "cambie_id_entrada"), Value::integer(siguiente));
  EXPECT_EQ(engine::traer_identificador(c.ctx, "cambie_id_varios"), Value::integer(5));
  EXPECT_EQ(testing_support::valor_secuencia(bd1, "SEQ_ENTRADAS"), 0)
      << "asked of the target side only";
}

TEST_F(Pasos, HeaderUndoRunsOnlyWhenTheFlagIsSet) {
  testing_support::insertar_entrada(bd2, 30, "EN", "000030", 1);
  const std::vector<engine::Sentencia> deshacer = {
      "DELETE FROM ENTRADAS_DETALLE WHERE ENTR_ID = {id}",
      "DELETE FROM ENTRADAS WHERE ENTR_ID = {id}"};

  Contexto c = contexto();
  engine::deshacer_encabezado(c.ctx, deshacer, 30);
  EXPECT_EQ(contar(bd2, "ENTRADAS"), 1);
  EXPECT_EQ(contar(bd2, "ENTRADAS_DETALLE"), 1);

  c.ctx.fallo = true;
  engine::deshacer_encabezado(c.ctx, deshacer, 30);
  EXPECT_EQ(contar(bd2, "ENTRADAS"), 0);
  EXPECT_EQ(contar(bd2, "ENTRADAS_DETALLE"), 0);
}

TEST_F(Pasos, ConfiguracionReadsThePartnersSettingOrTellsItIsMissing) {
  testing_support::configurar(bd2, "FACTURACION", "FACTURAS",
                              "ENVIAR DETALLE DE FORMAS DE PAGO DE CONTADO", "SI");
  testing_support::configurar(bd2, "X", "Y", "O'REILLY", "con comilla");
  std::vector<std::string> avisos;
  auto avisar = [&](const std::string& m) { avisos.push_back(m); };
  EXPECT_EQ(engine::configuracion(bd2, "FACTURACION", "FACTURAS",
                                  "ENVIAR DETALLE DE FORMAS DE PAGO DE CONTADO", avisar),
            "SI");
  EXPECT_EQ(engine::configuracion(bd2, "X", "Y", "O'REILLY", avisar), "con comilla");
  EXPECT_TRUE(avisos.empty());
  EXPECT_EQ(engine::configuracion(bd2, "FACTURACION", "FACTURAS", "NO EXISTE", avisar), "");
  EXPECT_EQ(avisos, std::vector<std::string>{"No se encontró la configuración NO EXISTE"});
}
