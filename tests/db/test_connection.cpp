// The Firebird layer against the embedded engine: every type the suite uses survives
// a read and an apply unchanged, and apply keeps its all-or-nothing promise.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <tuple>

#include "db/connection.h"
#include "db/error.h"
#include "db/fb.h"
#include "db/target_set.h"
#include "db/textos.h"
#include "support/bloqueo.h"
#include "support/temp.h"

using db::Value;
using testing_support::RowLock;
using testing_support::TempDir;

namespace {

const char* kTypesTable =
    "CREATE TABLE TIPOS (ID INTEGER NOT NULL PRIMARY KEY, S SMALLINT, I INTEGER, B BIGINT, "
    "N2 NUMERIC(9,2), N4 NUMERIC(18,4), D3 DECIMAL(4,3), N0 NUMERIC(18,0), F FLOAT, "
    "DP DOUBLE PRECISION, C CHAR(10), V VARCHAR(40), DT DATE, TM TIME, TS TIMESTAMP, "
    "BT BLOB SUB_TYPE TEXT, BB BLOB SUB_TYPE BINARY, BO BOOLEAN, CALC COMPUTED BY (I * 2))";

struct Recorder : db::ApplyErrorSink {
  std::vector<std::string> messages;
  void apply_failed(const std::exception& e) override { messages.emplace_back(e.what()); }
};

class Database : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::create_empty(dir / "a.fdb");
    testing_support::create_empty(dir / "b.fdb");
    a.set_params(testing_support::embedded(dir / "a.fdb"));
    b.set_params(testing_support::embedded(dir / "b.fdb"));
  }
  void both(const std::string& ddl) {
    a.execute(ddl);
    b.execute(ddl);
  }
  std::int64_t count(db::Connection& c, const std::string& table) {
    return c.query("SELECT COUNT(*) FROM " + table).at(0, 0).as_integer();
  }

  TempDir dir;
  db::Connection a{"a"}, b{"b"};
  Recorder sink;
};

}  // namespace

TEST_F(Database, EveryTypeSurvivesReadAndApplyUnchanged) {
  both(kTypesTable);
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary += static_cast<char>(i % 256);  // zero bytes, > 64 KiB
  a.execute(
      "INSERT INTO TIPOS (ID, S, I, B, N2, N4, D3, N0, F, DP, C, V, DT, TM, TS, BT, BB, BO) VALUES "
      "(1, -32768, 2147483647, -9223372036854775807, -1234567.89, 12345678901234.5678, -9.999, "
      "999999999999999999, 1.5, 3.141592653589793, 'ab', ?, '2026-02-28', '23:59:59.1234', "
      "'1999-12-31 00:00:01.0001', ?, ?, TRUE)",
      {Value::text("it's \xE1\xE9\xED\xF1 \xFF\x80"), Value::blob("texto largo\n\xE1"),
       Value::blob(binary)});
  a.execute("INSERT INTO TIPOS (ID) VALUES (2)");  // every other column NULL

  db::Rows source = a.query("SELECT * FROM TIPOS ORDER BY ID");
  ASSERT_EQ(source.size(), 2u);
  EXPECT_EQ(source.at(0, "C").bytes(), "ab        ");  // CHAR keeps its trailing blanks
  EXPECT_EQ(source.at(0, "CALC").int_value(), 4294967294LL);

  db::TargetSet target = b.open("SELECT * FROM TIPOS");
  for (std::size_t r = 0; r < source.size(); ++r) {
    std::size_t row = target.append();
    for (std::size_t c = 0; c < target.column_count(); ++c) target.set(row, c, source.at(r, c));
    target.post(row);
  }
  ASSERT_EQ(target.apply(sink), 0) << (sink.messages.empty() ? "" : sink.messages[0]);

  db::Rows copy = b.query("SELECT * FROM TIPOS ORDER BY ID");
  ASSERT_EQ(copy.size(), 2u);
  for (std::size_t r = 0; r < 2; ++r)
    for (std::size_t c = 0; c < copy.columns().size(); ++c)
      EXPECT_EQ(copy.at(r, c), source.at(r, c))
          << "row " << r << " column " << copy.columns()[c].name;
  EXPECT_EQ(copy.at(0, "BB").bytes().size(), 70000u);
  EXPECT_EQ(copy.at(0, "TM").time_value().fraction, 1234);
}

// Blobs short enough to travel inside the message and the longer ones written segment
// by segment come back byte for byte, the empty one empty and not NULL.
TEST_F(Database, BlobsOfEveryLengthAreWrittenAndReadByteForByte) {
  a.execute("CREATE TABLE T (ID INTEGER, BT BLOB SUB_TYPE TEXT, BB BLOB SUB_TYPE BINARY)");
  auto bytes = [](std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>((i * 7) % 256);
    return s;
  };
  const std::vector<std::string> values = {
      "", std::string("a\0b\xFF", 4), bytes(1000), bytes(32765), bytes(32766), bytes(70000)};
  for (std::size_t i = 0; i < values.size(); ++i)
    a.execute("INSERT INTO T (ID, BT, BB) VALUES (?, ?, ?)",
              {Value::integer(static_cast<std::int64_t>(i)), Value::blob(values[i]),
               Value::blob(values[i])});
  db::TargetSet t = a.open("SELECT * FROM T");
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::size_t r = t.append();
    t.set(r, "ID", Value::integer(static_cast<std::int64_t>(10 + i)));
    t.set(r, "BT", Value::blob(values[i]));
    t.set(r, "BB", Value::blob(values[i]));
    t.post(r);
  }
  ASSERT_EQ(t.apply(sink), 0) << (sink.messages.empty() ? "" : sink.messages[0]);
  // A plain read takes short blobs inside the rows and reads the long ones the usual
  // way; a statement in a transaction that writes always reads them the usual way.
  const char* sql = "SELECT ID, BT, BB FROM T ORDER BY ID";
  for (const db::Rows& got : {a.read(sql), a.query(sql)}) {
    ASSERT_EQ(got.size(), 2 * values.size());
    for (std::size_t r = 0; r < got.size(); ++r)
      for (const char* c : {"BT", "BB"}) {
        ASSERT_FALSE(got.at(r, c).is_null()) << "row " << r << " " << c;
        EXPECT_EQ(got.at(r, c), Value::blob(values[r % values.size()])) << "row " << r << " " << c;
      }
  }
  EXPECT_TRUE(a.read("SELECT BT FROM T WHERE ID = 0").columns()[0].is_blob());
}

// A binary blob holds bytes, whatever character set the database gives its text by
// default: every byte value, short enough to travel inside the message and long enough
// to be written segment by segment, written by the agent and read back by it, copied
// from one database into another, and as the server itself stores and compares it;
// on the embedded engine and through a server.
class BlobBinario : public Database,
                    public ::testing::WithParamInterface<std::tuple<const char*, bool>> {
 protected:
  void SetUp() override {
    if (!std::get<1>(GetParam())) return Database::SetUp();
    const char* host = std::getenv("ENVIO_E2E_SERVER");
    if (!host || !*host) GTEST_SKIP() << "ENVIO_E2E_SERVER not set: no Firebird server";
    const char* usuario = std::getenv("ENVIO_E2E_USER");
    const char* clave = std::getenv("ENVIO_E2E_PASSWORD");
    ::chmod(dir.path().c_str(), 0777);  // the server writes the files as its own user
    for (auto [c, f] : {std::pair{&a, "a.fdb"}, std::pair{&b, "b.fdb"}}) {
      db::ConnectParams p{std::string(host) + ":" + (dir / f).string(),
                          usuario ? usuario : "SYSDBA", clave ? clave : "", 10};
      db::Connection::create_database(p);
      c->set_params(p);
    }
  }
};

TEST_P(BlobBinario, EveryByteValueTravelsUnchangedBothWays) {
  std::string todos;
  for (int i = 0; i < 256; ++i) todos += static_cast<char>(i);
  std::string hex = "x'";
  for (unsigned char c : todos)
    hex += "0123456789ABCDEF"[c >> 4], hex += "0123456789ABCDEF"[c & 15];
  hex += "'";
  std::string largo;
  for (int i = 0; i < 200; ++i) largo += todos;  // longer than a message takes
  for (db::Connection* c : {&a, &b}) {
    c->execute(std::string("ALTER DATABASE SET DEFAULT CHARACTER SET ") + std::get<0>(GetParam()));
    c->disconnect();
    c->execute("CREATE TABLE T (ID INTEGER NOT NULL, BB BLOB SUB_TYPE BINARY)");
  }
  // Written by the server from a literal, by a statement's parameters, and by an apply.
  a.execute("INSERT INTO T (ID, BB) VALUES (1, " + hex + ")");
  a.execute("INSERT INTO T (ID, BB) VALUES (?, ?)", {Value::integer(2), Value::blob(todos)});
  a.execute("INSERT INTO T (ID, BB) VALUES (?, ?)", {Value::integer(3), Value::blob(largo)});
  db::TargetSet t = a.open("SELECT * FROM T");
  for (auto [id, bytes] : {std::pair{4, &todos}, std::pair{5, &largo}}) {
    std::size_t r = t.append();
    t.set(r, 0, Value::integer(id));
    t.set(r, 1, Value::blob(*bytes));
  }
  ASSERT_EQ(t.apply(sink), 0) << (sink.messages.empty() ? "" : sink.messages[0]);
  // A read takes the short ones inside its rows, a longer one the usual way (a read of
  // both takes them all the usual way), and the agent's copy into the other database
  // writes them again.
  const char* cortas = "SELECT ID, BB FROM T WHERE OCTET_LENGTH(BB) < 1000 ORDER BY ID";
  const char* largas = "SELECT ID, BB FROM T WHERE OCTET_LENGTH(BB) > 1000 ORDER BY ID";
  db::TargetSet copia = b.open("SELECT * FROM T");
  for (const char* sql : {cortas, largas}) {
    db::Rows leidas = a.read(sql);
    for (std::size_t i = 0; i < leidas.size(); ++i) {
      std::size_t r = copia.append();
      for (std::size_t c = 0; c < 2; ++c) copia.set(r, c, leidas.at(i, c));
    }
  }
  ASSERT_EQ(copia.apply(sink), 0) << (sink.messages.empty() ? "" : sink.messages[0]);
  for (db::Connection* c : {&a, &b}) {
    for (const char* sql : {cortas, largas}) {
      for (const db::Rows& got : {c->read(sql), c->query(sql)}) {
        ASSERT_EQ(got.size(), sql == cortas ? 3u : 2u);
        for (std::size_t i = 0; i < got.size(); ++i)
          EXPECT_TRUE(got.at(i, 1).bytes() == (sql == cortas ? todos : largo))
              << c->name() << " id " << got.at(i, 0).as_text();
      }
    }
    // What the server holds: every row begins with the 256 values in order.
    db::Rows servidor = c->query(
        "SELECT ID, OCTET_LENGTH(BB), CASE WHEN CAST(SUBSTRING(BB FROM 1 FOR 256) AS "
        "VARCHAR(256) CHARACTER SET OCTETS) = " +
        hex + " THEN 1 ELSE 0 END FROM T ORDER BY ID");
    for (std::size_t i = 0; i < servidor.size(); ++i) {
      EXPECT_EQ(servidor.at(i, 1).as_integer(), i == 2 || i == 4 ? 51200 : 256) << c->name();
      EXPECT_EQ(servidor.at(i, 2).as_integer(), 1) << c->name() << " id " << i + 1;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Juegos, BlobBinario,
                         ::testing::Combine(::testing::Values("ISO8859_1", "WIN1252", "UTF8",
                                                              "NONE"),
                                            ::testing::Bool()),
                         [](const auto& p) {
                           return std::string(std::get<0>(p.param)) +
                                  (std::get<1>(p.param) ? "_servidor" : "_embebido");
                         });

TEST_F(Database, ColumnsAreDescribedWithTheirNatureAndComputedOnesAreReadOnly) {
  both(kTypesTable);
  db::TargetSet t = a.open("SELECT * FROM TIPOS");
  EXPECT_FALSE(t.columns()[t.column("ID")].nullable);
  EXPECT_TRUE(t.columns()[t.column("ID")].required());
  EXPECT_TRUE(t.columns()[t.column("N2")].is_fixed());
  EXPECT_TRUE(t.columns()[t.column("N0")].is_integer() || t.columns()[t.column("N0")].is_fixed());
  EXPECT_TRUE(t.columns()[t.column("DP")].is_floating());
  EXPECT_TRUE(t.columns()[t.column("BT")].is_blob());
  EXPECT_TRUE(t.columns()[t.column("CALC")].read_only);
  EXPECT_FALSE(t.columns()[t.column("I")].read_only);
  // The computed column takes a value in memory and is simply never written.
  std::size_t row = t.append();
  t.set(row, "ID", Value::integer(5));
  t.set(row, "I", Value::integer(10));
  t.set(row, "CALC", Value::integer(99));
  ASSERT_EQ(t.apply(sink), 0);
  EXPECT_EQ(a.query("SELECT CALC FROM TIPOS WHERE ID = 5").at(0, 0).as_integer(), 20);
}

TEST_F(Database, ApplyInsertsOnlyAssignedColumnsSoDefaultsApply) {
  a.execute("CREATE TABLE T (ID INTEGER NOT NULL, E CHAR(1) DEFAULT 'N', X VARCHAR(5))");
  db::TargetSet t = a.open("SELECT * FROM T");
  std::size_t r = t.append();
  t.set(r, "ID", Value::integer(1));
  t.set(r, "X", Value());
  ASSERT_EQ(t.apply(sink), 0);
  // Rows applied one after another in the same set, each assigning other columns:
  // each one writes its own columns, whatever the row before it wrote.
  r = t.append();
  t.set(r, "ID", Value::integer(2));
  t.set(r, "E", Value::text("S"));
  ASSERT_EQ(t.apply(sink), 0);
  r = t.append();
  t.set(r, "ID", Value::integer(3));
  ASSERT_EQ(t.apply(sink), 0);
  db::Rows got = a.query("SELECT E, X FROM T ORDER BY ID");
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got.at(0, 0).bytes(), "N");
  EXPECT_TRUE(got.at(0, 1).is_null());
  EXPECT_EQ(got.at(1, 0).bytes(), "S");
  EXPECT_EQ(got.at(2, 0).bytes(), "N");
}

TEST_F(Database, ApplyUpdatesAndDeletesLocatedByTheValuesRead) {
  a.execute("CREATE TABLE T (ID INTEGER, NOMBRE VARCHAR(20), NOTA BLOB SUB_TYPE TEXT)");
  a.execute("INSERT INTO T VALUES (1, NULL, 'x')");  // NULL in a located column
  a.execute("INSERT INTO T VALUES (2, 'dos', 'y')");
  a.execute("INSERT INTO T VALUES (3, 'tres', 'z')");
  db::TargetSet t = a.open("SELECT * FROM T ORDER BY ID");
  t.set(0, "NOMBRE", Value::text("uno"));
  t.set(1, "NOTA", Value::blob("nuevo"));
  t.remove(2);
  EXPECT_EQ(t.size(), 2u);
  ASSERT_EQ(t.apply(sink), 0) << (sink.messages.empty() ? "" : sink.messages[0]);
  db::Rows got = a.query("SELECT ID, NOMBRE, NOTA FROM T ORDER BY ID");
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got.at(0, 1).bytes(), "uno");
  EXPECT_EQ(got.at(1, 2).bytes(), "nuevo");
  // After a successful apply the set is clean and a second apply writes nothing.
  EXPECT_FALSE(t.has_changes());
  EXPECT_EQ(t.apply(sink), 0);
  // The removed row is gone from the numbering, and the rows written are found by what
  // they were written with from now on.
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t.value(1, "ID").as_integer(), 2);
  t.set(0, "NOMBRE", Value::text("otra vez"));
  t.remove(1);
  ASSERT_EQ(t.apply(sink), 0) << (sink.messages.empty() ? "" : sink.messages[0]);
  got = a.query("SELECT ID, NOMBRE FROM T");
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got.at(0, 1).bytes(), "otra vez");
  EXPECT_EQ(t.size(), 1u);
}

TEST_F(Database, RowChangedByAnotherConnectionFailsAndRollsBackTheWholeApply) {
  a.execute("CREATE TABLE T (ID INTEGER, NOMBRE VARCHAR(20))");
  a.execute("INSERT INTO T VALUES (1, 'uno')");
  a.execute("INSERT INTO T VALUES (2, 'dos')");
  db::TargetSet t = a.open("SELECT * FROM T ORDER BY ID");
  db::Connection other("other");
  other.set_params(a.params());
  other.execute("UPDATE T SET NOMBRE = 'cambiado' WHERE ID = 2");

  std::size_t r = t.append();
  t.set(r, "ID", Value::integer(3));
  t.set(0, "NOMBRE", Value::text("UNO"));
  t.set(1, "NOMBRE", Value::text("DOS"));
  EXPECT_EQ(t.apply(sink), 1);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], db::textos::fila_no_encontrada());
  db::Rows got = a.query("SELECT ID, NOMBRE FROM T ORDER BY ID");
  ASSERT_EQ(got.size(), 2u);  // the insert before the failing row was rolled back
  EXPECT_EQ(got.at(0, 1).bytes(), "uno");
  EXPECT_EQ(got.at(1, 1).bytes(), "cambiado");
  EXPECT_TRUE(t.has_changes());  // the cached changes stay pending
}

TEST_F(Database, RowFoundMoreThanOnceFails) {
  a.execute("CREATE TABLE T (ID INTEGER, NOMBRE VARCHAR(20))");
  a.execute("INSERT INTO T VALUES (1, 'uno')");
  a.execute("INSERT INTO T VALUES (1, 'uno')");
  db::TargetSet t = a.open("SELECT * FROM T");
  t.remove(0);
  EXPECT_EQ(t.apply(sink), 1);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], db::textos::fila_repetida("T"));
  EXPECT_EQ(count(a, "T"), 2);
}

TEST_F(Database, ServerRejectionCarriesTheFullMessage) {
  a.execute("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(3))");
  a.execute("INSERT INTO T VALUES (1, 'a')");
  db::TargetSet t = a.open("SELECT * FROM T");
  std::size_t r = t.append();
  t.set(r, "ID", Value::integer(1));
  EXPECT_EQ(t.apply(sink), 1);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_NE(sink.messages[0].find("violation of PRIMARY or UNIQUE KEY constraint"),
            std::string::npos)
      << sink.messages[0];
  EXPECT_NE(sink.messages[0].find("\"T\""), std::string::npos) << sink.messages[0];

  // A value too long for its column is the server's refusal, not a silent cut.
  db::TargetSet t2 = a.open("SELECT * FROM T");
  std::size_t r2 = t2.append();
  t2.set(r2, "ID", Value::integer(2));
  t2.set(r2, "V", Value::text("abcd"));
  EXPECT_EQ(t2.apply(sink), 1);
  EXPECT_NE(sink.messages.back().find("truncation"), std::string::npos) << sink.messages.back();

  try {
    a.query("SELECT * FROM NO_SUCH_TABLE");
    FAIL() << "expected an error";
  } catch (const db::Error& e) {
    EXPECT_NE(std::string(e.what()).find("Table unknown"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("NO_SUCH_TABLE"), std::string::npos) << e.what();
  }
}

// One statement keeps its input message from one execution to the next and gives a
// parameter more room only when a value outgrows it: every value still arrives whole,
// and a value too long for its column is still refused even when the message has room
// for it.
TEST_F(Database, AStatementRunAgainTakesEachValueWholeWhateverTheOnesBefore) {
  a.execute("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, W VARCHAR(6000))");
  const char* insert = "INSERT INTO T (ID, W) VALUES (?, ?)";
  const std::vector<Value> values = {Value::text("a"),
                                     Value(),
                                     Value::text(std::string(3000, 'b')),
                                     Value::text(std::string(5000, 'c')),
                                     Value::integer(7),
                                     Value::text(std::string(5500, 'd')),
                                     Value::text("")};
  for (std::size_t i = 0; i < values.size(); ++i)
    a.execute(insert, {Value::integer(static_cast<std::int64_t>(i)), values[i]});
  // The room the 5,500 bytes made is more than the column takes.
  EXPECT_THROW(a.execute(insert, {Value::integer(100), Value::text(std::string(6001, 'e'))}),
               db::Error);
  a.execute(insert, {Value::integer(101), Value::text("f")});

  db::Rows got = a.read("SELECT ID, W FROM T ORDER BY ID");
  ASSERT_EQ(got.size(), values.size() + 1);
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(got.at(i, "W"), values[i].is_null() ? Value() : Value::text(values[i].as_text()))
        << "row " << i;
  EXPECT_EQ(got.at(values.size(), "W"), Value::text("f"));
}

// A set opened for appending only has the columns a read would give, computed ones
// read-only, and no rows; it costs the statement's preparation once and no execution.
TEST_F(Database, ASetOpenedEmptyHasTheColumnsOfARead) {
  both(kTypesTable);
  a.execute("INSERT INTO TIPOS (ID, I) VALUES (1, 5)");
  const char* sql = "SELECT * FROM TIPOS WHERE ID = 1";
  db::TargetSet leida = a.open(sql);
  const std::uint64_t antes = a.stats().executes;
  db::TargetSet vacia = a.open_empty(sql);
  EXPECT_EQ(a.stats().executes, antes);
  EXPECT_TRUE(vacia.empty());
  ASSERT_EQ(vacia.column_count(), leida.column_count());
  for (std::size_t c = 0; c < leida.column_count(); ++c) {
    EXPECT_EQ(vacia.columns()[c].name, leida.columns()[c].name);
    EXPECT_EQ(vacia.columns()[c].read_only, leida.columns()[c].read_only) << c;
  }
  EXPECT_TRUE(vacia.columns()[vacia.column("CALC")].read_only);
  std::size_t r = vacia.append();
  vacia.set(r, "ID", Value::integer(2));
  vacia.set(r, "I", Value::integer(7));
  vacia.post(r);
  ASSERT_EQ(vacia.apply(sink), 0) << (sink.messages.empty() ? "" : sink.messages[0]);
  EXPECT_EQ(a.read("SELECT CALC FROM TIPOS WHERE ID = 2").at(0, 0).as_integer(), 14);
}

TEST_F(Database, RequiredNullIsRefusedAtPostBeforeAnyApply) {
  a.execute("CREATE TABLE T (ID INTEGER NOT NULL, FECHA DATE NOT NULL)");
  db::TargetSet t = a.open("SELECT * FROM T");
  std::size_t r = t.append();
  t.set(r, "ID", Value::integer(1));
  try {
    t.post(r);
    FAIL() << "expected a client error";
  } catch (const db::ClientError& e) {
    EXPECT_EQ(e.what(), db::textos::campo_requerido("FECHA"));
  }
  EXPECT_THROW(t.apply(sink), db::ClientError);
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(count(a, "T"), 0);
  try {
    t.set(r, "NO_HAY", Value::integer(1));
    FAIL() << "expected a client error";
  } catch (const db::ClientError& e) {
    EXPECT_EQ(e.what(), db::textos::campo_no_encontrado("NO_HAY"));
  }
}

TEST_F(Database, LockConflictWaitsForTheTimeoutThenFails) {
  a.execute("CREATE TABLE T (ID INTEGER, V INTEGER)");
  a.execute("INSERT INTO T VALUES (1, 0)");
  a.set_params(testing_support::embedded(dir / "a.fdb", 2));
  RowLock lock(a.params(), "UPDATE T SET V = 5 WHERE ID = 1");
  db::TargetSet t = a.open("SELECT * FROM T");
  t.set(0, "V", Value::integer(1));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(t.apply(sink), 1);
  double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(waited, 0.9);  // the lock manager counts the timeout in whole-second ticks
  EXPECT_LT(waited, 15.0);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_NE(sink.messages[0].find("conflict"), std::string::npos) << sink.messages[0];

  // A plain statement waits and fails the same way.
  try {
    a.execute("UPDATE T SET V = 2 WHERE ID = 1");
    FAIL() << "expected a lock conflict";
  } catch (const db::Error& e) {
    EXPECT_TRUE(e.is_lock_conflict()) << e.code() << " " << e.what();
  }
}

TEST_F(Database, DisconnectedConnectionReconnectsWithItsParameters) {
  a.execute("CREATE TABLE T (ID INTEGER)");
  a.execute("INSERT INTO T VALUES (7)");
  a.disconnect();
  EXPECT_FALSE(a.connected());
  EXPECT_EQ(a.query("SELECT ID FROM T").at(0, 0).as_integer(), 7);
  EXPECT_TRUE(a.connected());
  a.set_params(b.params());  // another database: the next statement goes there
  EXPECT_THROW(a.query("SELECT ID FROM T"), db::Error);
}

TEST_F(Database, ApplyStatementsArePreparedOncePerConnectionAndTable) {
  a.execute("CREATE TABLE T (ID INTEGER, V INTEGER)");
  db::TargetSet t = a.open("SELECT * FROM T");
  std::uint64_t before = a.stats().prepares;
  for (int i = 0; i < 10; ++i) {
    std::size_t r = t.append();
    t.set(r, "ID", Value::integer(i));
    t.set(r, "V", Value::integer(i * i));
    ASSERT_EQ(t.apply(sink), 0);
  }
  EXPECT_EQ(a.stats().prepares - before, 1u);
  EXPECT_EQ(count(a, "T"), 10);
}

TEST_F(Database, SelectableProcedureAndParametersWork) {
  a.execute("CREATE SEQUENCE G");
  a.execute(
      "CREATE PROCEDURE CAMBIE_ID_X RETURNS (ID INTEGER) AS BEGIN ID = NEXT VALUE FOR G; SUSPEND; "
      "END");
  EXPECT_EQ(a.query("select * from cambie_id_x").at(0, 0).as_integer(), 1);
  EXPECT_EQ(a.query("select * from cambie_id_x").at(0, 0).as_integer(), 2);
  db::Rows r = a.query("SELECT CAST(? AS VARCHAR(10)) FROM RDB$DATABASE", {Value::text("o'k")});
  EXPECT_EQ(r.at(0, 0).bytes(), "o'k");
}

TEST_F(Database, ReadsInTheOpenReadOnlyTransactionSeeEveryLaterCommit) {
  a.execute("CREATE TABLE T (ID INTEGER)");
  EXPECT_EQ(a.read("SELECT COUNT(*) FROM T").at(0, 0).as_integer(), 0);
  db::Connection other("other");
  other.set_params(a.params());
  other.execute("INSERT INTO T VALUES (1)");
  EXPECT_EQ(a.read("SELECT COUNT(*) FROM T").at(0, 0).as_integer(), 1);
  a.execute("INSERT INTO T VALUES (2)");  // the connection's own writes commit on their own
  EXPECT_EQ(a.read("SELECT COUNT(*) FROM T").at(0, 0).as_integer(), 2);
  // Nothing can be written through it.
  EXPECT_THROW(a.read("INSERT INTO T VALUES (3)"), db::Error);
  EXPECT_EQ(other.query("SELECT COUNT(*) FROM T").at(0, 0).as_integer(), 2);
  // It survives a reconnect like every other statement.
  a.disconnect();
  EXPECT_EQ(a.read("SELECT COUNT(*) FROM T").at(0, 0).as_integer(), 2);
  std::uint64_t before = a.stats().transactions;
  for (int i = 0; i < 5; ++i) a.read("SELECT COUNT(*) FROM T");
  EXPECT_EQ(a.stats().transactions, before);  // no transaction of their own
  a.end_reads();
  EXPECT_EQ(a.read("SELECT COUNT(*) FROM T").at(0, 0).as_integer(), 2);
  EXPECT_EQ(a.stats().transactions, before + 1);  // the next read starts another
}

TEST_F(Database, AttachmentDroppedByTheServerIsRefusedUntilOpenedAgain) {
  a.execute("CREATE TABLE T (ID INTEGER)");
  a.execute("INSERT INTO T VALUES (1)");
  std::int64_t mine = a.read("SELECT CURRENT_CONNECTION FROM RDB$DATABASE").at(0, 0).as_integer();
  db::Connection admin("admin");
  admin.set_params(a.params());
  admin.execute("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = " + std::to_string(mine));
  // The statement that finds the attachment gone fails with the server's reason, and
  // so does every later one, without attaching again: the work begun on the lost
  // attachment must not go on unnoticed on another...
  std::string motivo;
  try {
    a.query("SELECT COUNT(*) FROM T");
    FAIL() << "the dropped attachment answered";
  } catch (const db::Error& e) {
    EXPECT_TRUE(e.is_connection_lost()) << e.code() << " " << e.what();
    motivo = e.what();
  }
  EXPECT_TRUE(a.perdida());
  try {
    a.execute("INSERT INTO T VALUES (2)");
    FAIL() << "a lost connection attached again by itself";
  } catch (const db::Error& e) {
    EXPECT_TRUE(e.is_connection_lost());
    EXPECT_EQ(e.what(), motivo);
  }
  // ...until it is opened again, with the same parameters.
  a.connect();
  EXPECT_EQ(a.query("SELECT COUNT(*) FROM T").at(0, 0).as_integer(), 1);
  EXPECT_NE(a.read("SELECT CURRENT_CONNECTION FROM RDB$DATABASE").at(0, 0).as_integer(), mine);
}

TEST_F(Database, ParametersIntoNumericRoundOnceAndBigintTakesItsWholeRange) {
  a.execute("CREATE TABLE T (N2 NUMERIC(9,2), N6 NUMERIC(18,6), B BIGINT, D DATE)");
  a.execute("INSERT INTO T (N2, N6, B) VALUES (?, ?, ?)",
            {Value::floating(2.344999), Value::floating(1.23456789),
             Value::text("-9223372036854775808")});
  db::Rows r = a.query("SELECT N2, N6, B FROM T");
  EXPECT_EQ(db::format_decimal(r.at(0, 0).fixed_value()), "2.34");
  EXPECT_EQ(db::format_decimal(r.at(0, 1).fixed_value()), "1.234568");
  EXPECT_EQ(r.at(0, 2).int_value(), INT64_MIN);
  EXPECT_THROW(a.execute("INSERT INTO T (D) VALUES (?)", {Value::text("2026-02-31")}),
               db::ConversionError);
  EXPECT_EQ(count(a, "T"), 1);
}

TEST_F(Database, ARowWithNoColumnToLocateItByIsRefusedNotWrittenEverywhere) {
  a.execute("CREATE TABLE T (NOTA BLOB SUB_TYPE TEXT, DOBLE COMPUTED BY (1))");
  a.execute("INSERT INTO T (NOTA) VALUES ('uno')");
  a.execute("INSERT INTO T (NOTA) VALUES ('dos')");
  db::TargetSet t = a.open("SELECT * FROM T");
  t.set(0, "NOTA", Value::blob("cambiada"));
  EXPECT_EQ(t.apply(sink), 1);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], db::textos::sin_ubicacion("T"));
  db::TargetSet borrar = a.open("SELECT * FROM T");
  borrar.remove(0);
  EXPECT_EQ(borrar.apply(sink), 1);
  EXPECT_EQ(count(a, "T WHERE CAST(NOTA AS VARCHAR(10)) IN ('uno', 'dos')"), 2);
}

TEST_F(Database, AnAliasedColumnWritesToItsOwnColumn) {
  a.execute("CREATE TABLE T (ID INTEGER, NOMBRE VARCHAR(20))");
  a.execute("INSERT INTO T VALUES (1, 'uno')");
  db::TargetSet t = a.open("SELECT ID AS CLAVE, NOMBRE AS N, NOMBRE FROM T");
  EXPECT_FALSE(t.columns()[t.column("N")].read_only);
  EXPECT_TRUE(t.columns()[2].read_only) << "the second NOMBRE is the same column";
  t.set(0, "N", Value::text("UNO"));
  std::size_t r = t.append();
  t.set(r, "CLAVE", Value::integer(2));
  t.set(r, "N", Value::text("dos"));
  ASSERT_EQ(t.apply(sink), 0) << (sink.messages.empty() ? "" : sink.messages[0]);
  db::Rows got = a.query("SELECT ID, NOMBRE FROM T ORDER BY ID");
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got.at(0, 1).bytes(), "UNO");
  EXPECT_EQ(got.at(1, 1).bytes(), "dos");
}

TEST_F(Database, EachStatementCommitsOnItsOwnAndAFailedOneUndoesOnlyItself) {
  a.execute("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY)");
  db::Connection other("other");
  other.set_params(a.params());
  a.execute("INSERT INTO T VALUES (1)");
  EXPECT_EQ(count(other, "T"), 1) << "visible to another attachment right after";
  // The second row of this statement breaks the key: the whole statement, and only it,
  // is undone.
  EXPECT_THROW(a.execute("INSERT INTO T SELECT 2 FROM RDB$DATABASE UNION ALL SELECT 1 FROM "
                         "RDB$DATABASE"),
               db::Error);
  EXPECT_EQ(count(other, "T"), 1);
  a.execute("INSERT INTO T VALUES (3)");
  EXPECT_EQ(count(other, "T"), 2);
  EXPECT_EQ(count(a, "T WHERE ID = 2"), 0);

  // After end_reads no transaction of this attachment is left open.
  std::int64_t mine = a.read("SELECT CURRENT_CONNECTION FROM RDB$DATABASE").at(0, 0).as_integer();
  a.end_reads();
  EXPECT_EQ(count(other, "MON$TRANSACTIONS WHERE MON$ATTACHMENT_ID = " + std::to_string(mine)), 0);
}

TEST_F(Database, APlainStatementWaitsOnALockForTheTimeoutOnly) {
  a.execute("CREATE TABLE T (ID INTEGER, V INTEGER)");
  a.execute("INSERT INTO T VALUES (1, 0)");
  a.set_params(testing_support::embedded(dir / "a.fdb", 2));
  RowLock lock(a.params(), "UPDATE T SET V = 5 WHERE ID = 1");
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(a.execute("UPDATE T SET V = 2 WHERE ID = 1"), db::Error);
  double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(waited, 0.9);
  EXPECT_LT(waited, 15.0);
  a.execute("UPDATE T SET V = 3 WHERE ID = 2");  // the connection goes on after the failure
}

TEST_F(Database, StatementsThatDifferOnlyInTheirValuesArePreparedOnceAndSeeTheSame) {
  a.execute("CREATE TABLE T (ID INTEGER, COD VARCHAR(4), NUM VARCHAR(8), FECHA DATE, BIG BIGINT)");
  a.execute("INSERT INTO T VALUES (1, 'EN', '0123', '2026-12-01', 3000000000)");
  a.execute("INSERT INTO T VALUES (2, 'o''k', '77', '2026-12-02', 5)");
  auto ids = [&](const std::string& where) {
    std::string got;
    db::Rows r = a.read("SELECT ID FROM T WHERE " + where + " ORDER BY ID");
    for (std::size_t i = 0; i < r.size(); ++i) got += r.at(i, 0).as_text() + ";";
    return got;
  };
  // What a literal means stays: a quote inside, a value longer than its column (no
  // match, not an error), text against a number (compared as numbers), text against a
  // date, a number beyond INTEGER.
  EXPECT_EQ(ids("COD = 'o''k'"), "2;");
  EXPECT_EQ(ids("COD = 'ENTRADAS'"), "");
  EXPECT_EQ(ids("NUM = 123"), "1;");
  EXPECT_EQ(ids("FECHA < '2026-12-02'"), "1;");
  EXPECT_EQ(ids("BIG = 3000000000"), "1;");
  EXPECT_EQ(ids("COD = 'EN' /* = 'x' */ AND \"ID\" = 1 -- = 2"), "1;");
  // Marks of the caller and spliced values together keep their order.
  EXPECT_EQ(a.read("SELECT ID FROM T WHERE ID = ? AND COD = 'EN' AND NUM = ?",
                   {Value::integer(1), Value::text("0123")})
                .size(),
            1u);
  // Other values, same statement: prepared once.
  std::uint64_t before = a.stats().prepares;
  for (int id : {1, 2, 3, 1})
    EXPECT_EQ(a.read("SELECT ID FROM T WHERE ID = " + std::to_string(id)).size(), id < 3 ? 1u : 0u);
  EXPECT_EQ(a.stats().prepares - before, 1u);
  // Counts come back when asked for, on the reused statement too.
  EXPECT_EQ(a.execute("UPDATE T SET BIG = 1 WHERE ID = 1"), 1u);
  EXPECT_EQ(a.execute("UPDATE T SET BIG = 1 WHERE ID = 9"), 0u);
}

TEST_F(Database, AReusedStatementStillCommitsOnItsOwnAndAFailedRunUndoesOnlyItself) {
  a.execute("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V INTEGER)");
  a.execute("CREATE TABLE L (ID INTEGER NOT NULL PRIMARY KEY)");
  db::Connection other("other");
  other.set_params(testing_support::embedded(dir / "a.fdb", 1));
  const char* insert = "INSERT INTO T VALUES (?, 0)";
  a.write(insert, {Value::integer(1)});
  EXPECT_EQ(count(other, "T"), 1) << "seen by another attachment right after the statement";
  a.write(insert, {Value::integer(2)});
  EXPECT_EQ(count(other, "T"), 2);
  EXPECT_THROW(a.write(insert, {Value::integer(1)}), db::Error);  // the key is taken
  EXPECT_EQ(count(other, "T"), 2) << "the failed run undid only itself";
  a.write(insert, {Value::integer(3)});
  EXPECT_EQ(count(other, "T"), 3);

  // An update through a reused statement commits too: another attachment locks the row
  // at once (its lock timeout is one second) instead of finding it held.
  for (int v : {5, 6}) {
    a.write("UPDATE T SET V = " + std::to_string(v) + " WHERE ID = 2");
    other.write("UPDATE T SET V = V + 10 WHERE ID = 2");
    EXPECT_EQ(a.read("SELECT V FROM T WHERE ID = 2").at(0, 0).as_integer(), v + 10);
  }

  // Single-row applies one after another, as a detail copy does: each commits alone and
  // a refused one undoes only its own row.
  db::TargetSet t = a.open("SELECT * FROM L");
  auto add = [&](int id) {
    std::size_t r = t.append();
    t.set(r, "ID", Value::integer(id));
    return t.apply(sink);
  };
  EXPECT_EQ(add(10), 0);
  EXPECT_EQ(add(11), 0);
  EXPECT_EQ(count(other, "L"), 2);
  EXPECT_EQ(add(10), 1);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_NE(sink.messages[0].find("PRIMARY"), std::string::npos) << sink.messages[0];
  EXPECT_EQ(count(other, "L"), 2);
  t.remove(t.size() - 1);
  EXPECT_EQ(add(12), 0);
  EXPECT_EQ(count(other, "L"), 3);
}

// The held transaction claims rows without waiting; committing it lets go of the rows
// claimed so far (another attachment takes them at once) while it goes on holding the
// next one, and only its release ends it.
TEST_F(Database, CommittingTheHeldTransactionReleasesItsLocksAndItGoesOn) {
  a.execute("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V INTEGER)");
  a.execute("INSERT INTO T VALUES (1, 0)");
  a.execute("INSERT INTO T VALUES (2, 0)");
  const db::ConnectParams otro = testing_support::embedded(dir / "a.fdb", 1);
  db::Connection other("other");
  other.set_params(otro);
  auto tomar = [&](int id) {
    return a.query_held("SELECT ID FROM T WHERE ID = ? WITH LOCK", {Value::integer(id)}).size();
  };
  auto libre = [&](int id) {
    try {
      other.write("UPDATE T SET V = V + 1 WHERE ID = " + std::to_string(id));
      return true;
    } catch (const db::Error& e) {
      if (!e.is_lock_conflict()) throw;
      return false;
    }
  };

  a.hold();
  ASSERT_EQ(tomar(1), 1u);
  a.write_held("UPDATE T SET V = 10 WHERE ID = 1");
  EXPECT_FALSE(libre(1));
  a.commit_hold();
  EXPECT_TRUE(a.holding());
  EXPECT_TRUE(libre(1)) << "the committed claim let go of its row";
  EXPECT_EQ(other.read("SELECT V FROM T WHERE ID = 1").at(0, 0).as_integer(), 11)
      << "what the held transaction wrote was committed with it";

  ASSERT_EQ(tomar(2), 1u) << "the transaction went on";
  {
    testing_support::RowLock ajeno(otro, "UPDATE T SET V = V WHERE ID = 1");
    EXPECT_THROW(tomar(1), db::Error) << "a row another transaction holds is refused";
  }
  EXPECT_TRUE(a.holding()) << "a refused claim undoes only itself";
  EXPECT_FALSE(libre(2));
  a.write_held("UPDATE T SET V = 20 WHERE ID = 2");
  a.release_hold(false);
  EXPECT_FALSE(a.holding());
  EXPECT_TRUE(libre(2));
  EXPECT_EQ(other.read("SELECT V FROM T WHERE ID = 2").at(0, 0).as_integer(), 1)
      << "the rollback undid only what followed the last commit";
}
