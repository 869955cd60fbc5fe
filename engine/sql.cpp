#include "engine/sql.h"

#include "db/error.h"
#include "db/textos.h"

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

std::string entero(std::string_view que, const db::Value& v) {
  if (v.is_null()) throw db::ConversionError(db::textos::no_es_numero_en(que, "", true));
  const std::string texto = v.as_text();
  try {
    const db::Decimal d = db::parse_decimal(texto);
    const db::Decimal n = db::rescale(d, 0);
    if (db::rescale(n, d.scale) == d) return std::to_string(n.units);
  } catch (const db::ConversionError&) {
  }
  throw db::ConversionError(db::textos::no_es_numero_en(que, texto, false));
}

std::string quoted(db::Date d) { return quoted(db::format_date(d)); }
std::string quoted(db::Time t) { return quoted(db::format_time(t)); }

}  // namespace engine
