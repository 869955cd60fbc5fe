#include "db/literals.h"

#include <cctype>
#include <cstdint>
#include <limits>

namespace db {
namespace {

constexpr std::size_t kMaxChar = 32767;  // the longest CHAR, in bytes

bool ident_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool ident_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

bool same_word(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// Reads SQL text token by token, skipping blanks and comments.
struct Scanner {
  std::string_view s;
  std::size_t i = 0;

  // Position of the next token from `p`, past blanks and comments.
  std::size_t skip(std::size_t p) const {
    for (;;) {
      while (p < s.size() && std::isspace(static_cast<unsigned char>(s[p]))) ++p;
      if (s.substr(p, 2) == "--") {
        std::size_t e = s.find('\n', p);
        p = e == std::string_view::npos ? s.size() : e + 1;
      } else if (s.substr(p, 2) == "/*") {
        std::size_t e = s.find("*/", p + 2);
        p = e == std::string_view::npos ? s.size() : e + 2;
      } else {
        return p;
      }
    }
  }
  std::string_view word_at(std::size_t p) const {
    std::size_t e = p;
    if (e < s.size() && ident_start(s[e]))
      while (e < s.size() && ident_char(s[e])) ++e;
    return s.substr(p, e - p);
  }
  // End of the quoted text starting at `p` (past its closing quote), or npos.
  std::size_t quoted_end(std::size_t p, char q) const {
    for (std::size_t k = p + 1; k < s.size(); ++k) {
      if (s[k] != q) continue;
      if (k + 1 < s.size() && s[k + 1] == q) {
        ++k;
        continue;
      }
      return k + 1;
    }
    return std::string_view::npos;
  }
};

bool data_statement(const Scanner& sc) {
  std::string_view w = sc.word_at(sc.skip(0));
  for (std::string_view k : {"SELECT", "INSERT", "UPDATE", "DELETE", "WITH"})
    if (same_word(w, k)) return true;
  return false;
}

std::string unquote(std::string_view body) {
  std::string out;
  out.reserve(body.size());
  for (std::size_t k = 0; k < body.size(); ++k) {
    out += body[k];
    if (body[k] == '\'') ++k;  // a doubled quote stands for one
  }
  return out;
}

}  // namespace

Parameterized parameterize(std::string_view sql, const std::vector<Value>& params) {
  Parameterized out;
  Scanner sc{sql};
  if (!data_statement(sc)) {
    out.sql = std::string(sql);
    out.params = params;
    return out;
  }
  out.reusable = true;
  out.sql.reserve(sql.size() + 32);
  std::size_t next_param = 0;
  bool after_comparison = false;  // the last token compares or assigns
  std::size_t p = 0;
  while (p < sql.size()) {
    std::size_t t = sc.skip(p);
    out.sql.append(sql.substr(p, t - p));  // blanks and comments as written
    p = t;
    if (p >= sql.size()) break;
    char c = sql[p];
    bool compared = after_comparison;
    after_comparison = false;
    if (c == '\'' || c == '"') {
      std::size_t e = sc.quoted_end(p, c);
      if (e == std::string_view::npos) {  // unterminated: the server says what is wrong
        out.sql.append(sql.substr(p));
        break;
      }
      std::size_t len = e - p - 2;
      std::string_view body = sql.substr(p + 1, len);
      std::string value = c == '\'' ? unquote(body) : std::string();
      bool collated = same_word(sc.word_at(sc.skip(e)), "COLLATE");
      if (c == '\'' && compared && !value.empty() && value.size() <= kMaxChar && !collated) {
        out.sql += "CAST(? AS CHAR(" + std::to_string(value.size()) + ") CHARACTER SET NONE)";
        out.params.push_back(Value::text(std::move(value)));
      } else {
        out.sql.append(sql.substr(p, e - p));
      }
      p = e;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      std::size_t e = p;
      while (e < sql.size() && std::isdigit(static_cast<unsigned char>(sql[e]))) ++e;
      bool whole = e >= sql.size() || (sql[e] != '.' && !ident_char(sql[e]));
      std::uint64_t v = 0;
      bool fits = whole;
      for (std::size_t k = p; k < e && fits; ++k) {
        unsigned d = static_cast<unsigned>(sql[k] - '0');
        fits = v <= (static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) - d) / 10;
        v = v * 10 + d;
      }
      if (compared && fits) {
        bool small = v <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
        out.sql += small ? "CAST(? AS INTEGER)" : "CAST(? AS BIGINT)";
        out.params.push_back(Value::integer(static_cast<std::int64_t>(v)));
      } else {
        // Digits that are not a whole number of their own (1.5, 1e3, 0x1F) go as written.
        while (e < sql.size() && (ident_char(sql[e]) || sql[e] == '.')) ++e;
        out.sql.append(sql.substr(p, e - p));
      }
      p = e;
    } else if (ident_start(c)) {
      std::string_view w = sc.word_at(p);
      out.sql.append(w);
      p += w.size();
    } else if (c == '?') {
      out.sql += '?';
      if (next_param < params.size()) out.params.push_back(params[next_param]);
      ++next_param;
      ++p;
    } else if (std::string_view("=<>!^~").find(c) != std::string_view::npos) {
      std::size_t e = p;
      while (e < sql.size() && std::string_view("=<>!^~").find(sql[e]) != std::string_view::npos)
        ++e;
      char last = sql[e - 1];
      after_comparison = last == '=' || last == '<' || last == '>';
      out.sql.append(sql.substr(p, e - p));
      p = e;
    } else {
      out.sql += c;
      ++p;
    }
  }
  if (next_param != params.size()) {
    // Values and marks do not match: the statement goes as written, to be refused as such.
    out.sql = std::string(sql);
    out.params = params;
  }
  return out;
}

}  // namespace db
