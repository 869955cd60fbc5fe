#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

#include "db/column.h"
#include "db/value.h"

namespace db {

// A query result fetched whole: no cursor stays open behind it, so it can be kept
// while other statements write elsewhere.
class Rows {
 public:
  Rows() = default;
  Rows(std::vector<Column> columns, std::vector<std::vector<Value>> rows)
      : columns_(std::move(columns)), rows_(std::move(rows)) {}

  const std::vector<Column>& columns() const { return columns_; }
  std::size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }

  // Position of a column by name (case-insensitive), or -1.
  int index_of(std::string_view name) const;
  // Throws std::out_of_range naming the column when it is not in the result.
  std::size_t column(std::string_view name) const;

  const Value& at(std::size_t row, std::size_t col) const { return rows_.at(row).at(col); }
  const Value& at(std::size_t row, std::string_view name) const { return at(row, column(name)); }
  const std::vector<Value>& row(std::size_t i) const { return rows_.at(i); }
  // Hands the fetched rows over (the result is empty afterwards).
  std::vector<std::vector<Value>> take_rows() { return std::move(rows_); }

 private:
  std::vector<Column> columns_;
  std::vector<std::vector<Value>> rows_;
};

int find_column(const std::vector<Column>& columns, std::string_view name);

}  // namespace db
