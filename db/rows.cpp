#include "db/rows.h"

#include <ibase.h>

#include <stdexcept>

#include "db/textos.h"

namespace db {

bool Column::is_blob() const { return sql_type == SQL_BLOB; }
bool Column::is_text() const { return sql_type == SQL_TEXT || sql_type == SQL_VARYING; }
bool Column::is_integer() const {
  return scale == 0 && (sql_type == SQL_SHORT || sql_type == SQL_LONG || sql_type == SQL_INT64);
}
bool Column::is_fixed() const {
  return scale < 0 && (sql_type == SQL_SHORT || sql_type == SQL_LONG || sql_type == SQL_INT64);
}
bool Column::is_floating() const {
  return sql_type == SQL_FLOAT || sql_type == SQL_DOUBLE || sql_type == SQL_D_FLOAT;
}

namespace {
bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}
}  // namespace

int find_column(const std::vector<Column>& columns, std::string_view name) {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (same_name(columns[i].name, name)) return static_cast<int>(i);
  return -1;
}

int Rows::index_of(std::string_view name) const { return find_column(columns_, name); }

std::size_t Rows::column(std::string_view name) const {
  int i = index_of(name);
  if (i < 0) throw std::out_of_range(textos::campo_no_encontrado(name));
  return static_cast<std::size_t>(i);
}

}  // namespace db
