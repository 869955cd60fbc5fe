#pragma once
#include <string>

namespace db {

// One column of a result, as described by the server's message metadata plus the
// catalogue (computed columns are flagged read-only and the primary key's columns as
// its key, since the metadata cannot say).
struct Column {
  std::string name;      // the name as returned: its alias, if the query gave one
  std::string field;     // the table's own column name (what writes address); empty for expressions
  std::string relation;  // the table it comes from; empty for expressions
  unsigned sql_type = 0;  // SQL_TEXT, SQL_VARYING, SQL_LONG, ... without the nullable bit
  int scale = 0;          // negative for NUMERIC/DECIMAL
  int sub_type = 0;       // blob sub-type (1 = text)
  unsigned length = 0;    // bytes in the message
  bool nullable = true;
  bool read_only = false;
  bool key = false;  // part of its table's primary key (from the catalogue)

  bool is_blob() const;
  bool is_text() const;      // CHAR or VARCHAR
  bool is_integer() const;   // SMALLINT, INTEGER, BIGINT without scale
  bool is_fixed() const;     // NUMERIC/DECIMAL: integer storage with a negative scale
  bool is_floating() const;  // FLOAT, DOUBLE PRECISION
  // NOT NULL and writable: post refuses a row where it is still NULL.
  bool required() const { return !nullable && !read_only; }
};

}  // namespace db
