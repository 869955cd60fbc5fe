#pragma once
#include <cstddef>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "db/column.h"
#include "db/value.h"

namespace db {

class Connection;

// Receives the first failure of an apply (a row rejected by the server, or one that
// is no longer found as it was read). The apply then rolls back.
class ApplyErrorSink {
 public:
  virtual ~ApplyErrorSink() = default;
  virtual void apply_failed(const std::exception& error) = 0;
};

// A cached, editable result set of one table on the target side. Changes stay in
// memory until `apply`, which writes them all in one transaction (the deletes first,
// then the updates, then the inserts): inserted rows with the columns that were
// assigned, updated rows in the columns whose value changed, updates and deletes
// located by the values every non-blob column had when read (NULL matched with IS
// NULL). A row not found that way, found more than once (rows removed together that
// hold the same values are deleted together), or rejected by the server fails the
// apply.
class TargetSet {
 public:
  TargetSet(const TargetSet&) = delete;
  TargetSet& operator=(const TargetSet&) = delete;
  TargetSet(TargetSet&&) noexcept;
  TargetSet& operator=(TargetSet&&) noexcept;
  ~TargetSet();

  const std::vector<Column>& columns() const { return columns_; }
  std::size_t column_count() const { return columns_.size(); }
  // Position of a column by name; throws ClientError when there is none.
  std::size_t column(std::string_view name) const;

  // Live rows (removed rows are not counted).
  std::size_t size() const;
  bool empty() const { return size() == 0; }
  const Value& value(std::size_t row, std::size_t col) const;
  const Value& value(std::size_t row, std::string_view name) const {
    return value(row, column(name));
  }
  // The value a column had when the row was read or last applied (NULL in an
  // appended row): what a copy that must leave a column alone puts back.
  const Value& original(std::size_t row, std::size_t col) const;

  // Adds a row with every column NULL and unassigned; returns its position.
  std::size_t append();
  // Assigns a column, converting the value to the column's type (ConversionError
  // when it has no such reading). Read-only columns take the value in memory but are
  // never written.
  void set(std::size_t row, std::size_t col, const Value& v);
  void set(std::size_t row, std::string_view name, const Value& v) { set(row, column(name), v); }
  // Checks the row: a required column still NULL raises ClientError.
  void post(std::size_t row) const;
  void remove(std::size_t row);
  bool has_changes() const;

  // Makes the rows read the rows appended since, for a set that holds every row of a
  // key: an appended row whose primary key (the columns the catalogue names) a row read
  // holds is written over that row instead, in the columns whose value differs, so a
  // row that did not change writes nothing; a row read that no appended row names is
  // removed; the other appended rows stay to be inserted. A table without a primary key
  // keeps each row read that equals an appended row in every column the row assigns,
  // and removes the others. The apply that follows writes it all in one transaction.
  void match_appended();

  // Writes every pending change in one transaction. Returns the number of failed rows
  // (0 or 1: the first failure is handed to `sink` and the transaction rolls back,
  // leaving the cached changes pending). Unposted rows are checked as by `post`.
  // `antes` are statements run first in the same transaction (the old lines of a
  // document whose header is rewritten): they commit with the rows or not at all.
  int apply(ApplyErrorSink& sink, const std::vector<std::string>& antes = {});

 private:
  friend class Connection;
  enum class State { Unchanged, Inserted, Modified, Deleted };
  struct Row {
    std::vector<Value> original;
    std::vector<Value> current;
    std::vector<bool> assigned;
    State state = State::Unchanged;
  };
  TargetSet(Connection* conn, std::vector<Column> columns, std::vector<std::vector<Value>> rows);
  std::size_t physical(std::size_t row) const;
  int apply_rows(ApplyErrorSink& sink, const std::vector<std::string>& antes);

  Connection* conn_;
  std::vector<Column> columns_;
  std::vector<Row> rows_;
  std::size_t deleted_ = 0;  // rows of rows_ removed and not yet applied
  std::string table_;
  // The INSERT of the columns a row assigned, kept for the next row that assigns the
  // same ones (a detail copied row by row writes every row with one text).
  std::vector<bool> insert_columns_;
  std::string insert_sql_;
};

// Converts a value to the type of a column (what assigning to a field does).
Value convert_for(const Column& column, const Value& v);

}  // namespace db
