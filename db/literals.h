#pragma once
// Internal: statements that differ only in the values spliced into them share one
// prepared statement.

#include <string>
#include <string_view>
#include <vector>

#include "db/value.h"

namespace db {

struct Parameterized {
  std::string sql;
  std::vector<Value> params;
  // A data statement (SELECT, INSERT, UPDATE, DELETE, WITH): worth keeping prepared.
  bool reusable = false;
};

// In a data statement, every string or whole-number literal that follows a comparison
// or an assignment ("=", "<>", "<", ">", "<=", ">=", ...) becomes a parameter cast to
// exactly the type the literal has: 'abc' is CHAR(3) CHARACTER SET NONE (the
// connection's character set), 12 an INTEGER, 3000000000 a BIGINT. What the statement
// does is therefore the same for every value, quotes included; only the text to
// prepare no longer depends on it. The statement's own "?" keep their values, in
// order. Anything else (DDL, blocks, typed or introduced literals such as DATE '...',
// _NONE '...', X'..', an empty string, a literal followed by COLLATE) stays as written.
Parameterized parameterize(std::string_view sql, const std::vector<Value>& params);

}  // namespace db
