#include "engine/sql.h"

namespace engine {

std::string quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '\'';
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
  return out;
}

std::string quoted(db::Date d) { return quoted(db::format_date(d)); }
std::string quoted(db::Time t) { return quoted(db::format_time(t)); }

}  // namespace engine
