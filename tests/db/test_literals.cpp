// Which spliced values become parameters: only those whose meaning a parameter of the
// literal's own type keeps, everywhere else the text goes as written.
#include <gtest/gtest.h>

#include "db/literals.h"

using db::parameterize;
using db::Value;

TEST(Literals, ComparedAndAssignedValuesBecomeParametersOfTheirOwnType) {
  db::Parameterized p = parameterize(
      "UPDATE T SET F = '2026-12-09', N = 7 WHERE ID = 3000000000 AND C <> 'o''k' AND X = ?",
      {Value::text("x")});
  EXPECT_EQ(
      p.sql,
      "UPDATE T SET F = CAST(? AS CHAR(10) CHARACTER SET NONE), N = CAST(? AS INTEGER) "
      "WHERE ID = CAST(? AS BIGINT) AND C <> CAST(? AS CHAR(3) CHARACTER SET NONE) AND X = ?");
  ASSERT_EQ(p.params.size(), 5u);
  EXPECT_EQ(p.params[0].as_text(), "2026-12-09");
  EXPECT_EQ(p.params[1].as_integer(), 7);
  EXPECT_EQ(p.params[2].as_integer(), 3000000000LL);
  EXPECT_EQ(p.params[3].as_text(), "o'k");
  EXPECT_EQ(p.params[4].as_text(), "x");
  EXPECT_TRUE(p.reusable);
}

TEST(Literals, EverythingElseGoesAsWritten) {
  for (const char* sql : {
           "select first 80 * from T order by 1",
           "SELECT * FROM T WHERE C = '' AND D = DATE '2026-01-01' AND B = X'41' AND N = 1.5",
           "SELECT * FROM T WHERE N = 1e3 OR N = -2 OR C = 'a' COLLATE PT_BR OR \"A=1\" IS NULL",
           "SELECT * FROM T WHERE C = _NONE 'a' -- AND C = 'b'\n/* = 'c' */",
           "SELECT * FROM T WHERE N = 99999999999999999999",
       }) {
    db::Parameterized p = parameterize(sql, {});
    EXPECT_EQ(p.sql, sql);
    EXPECT_TRUE(p.params.empty()) << sql;
  }
  // Not a data statement, or values that do not match the marks: untouched, not kept.
  for (const char* sql : {"EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN END",
                          "CREATE TABLE T (C CHAR(1) DEFAULT 'N' CHECK (C = 'N'))"}) {
    db::Parameterized p = parameterize(sql, {});
    EXPECT_EQ(p.sql, sql);
    EXPECT_FALSE(p.reusable) << sql;
  }
  db::Parameterized p = parameterize("SELECT * FROM T WHERE A = ? AND B = 1", {});
  EXPECT_EQ(p.sql, "SELECT * FROM T WHERE A = ? AND B = 1");
  EXPECT_TRUE(p.params.empty());
}
