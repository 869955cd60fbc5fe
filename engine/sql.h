#pragma once
// SQL text as the agent builds it: text values become string literals with their
// quotes doubled, numbers their decimal text, dates and times quoted ISO text.

#include <stdexcept>
#include <string>
#include <string_view>

#include "db/value.h"

namespace engine {

// A code read from a fixed-width (CHAR) column without the blanks that pad it: codes,
// flags and prefixes are compared, and spliced into paths, in this form.
inline std::string sin_blancos(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

// 'text' with every embedded quote doubled.
std::string quoted(std::string_view text);
// The same for a std::string: an exact match, so that an unqualified call never picks
// std::quoted (found by argument-dependent lookup wherever <iomanip> is visible).
inline std::string quoted(const std::string& text) { return quoted(std::string_view(text)); }
// '2026-12-09' and '09:16:45', the forms the server reads back unambiguously.
std::string quoted(db::Date d);
std::string quoted(db::Time t);

// A value spliced into a statement as a number: its decimal digits when it holds a whole
// number (an integer, a fixed-point number without a fraction, text that reads so);
// NULL, text that is not a number and a fraction are refused with a clear message
// (db::ConversionError) naming `que`, the value's origin.
std::string entero(std::string_view que, const db::Value& v);

// Fills a statement template: every "{name}" is replaced by the text `lookup`
// returns for it (already quoted where it is text). Unknown names throw
// std::logic_error, so a typo in a statement table fails the first test that uses it.
template <typename Lookup>
std::string fill(std::string_view tpl, Lookup&& lookup) {
  std::string out;
  out.reserve(tpl.size() + 32);
  std::size_t i = 0;
  while (i < tpl.size()) {
    std::size_t open = tpl.find('{', i);
    if (open == std::string_view::npos) {
      out.append(tpl.substr(i));
      break;
    }
    std::size_t close = tpl.find('}', open);
    if (close == std::string_view::npos)
      throw std::logic_error("unclosed statement slot in: " + std::string(tpl));
    out.append(tpl.substr(i, open - i));
    out += lookup(tpl.substr(open + 1, close - open - 1));
    i = close + 1;
  }
  return out;
}

}  // namespace engine
