#include "db/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "db/error.h"
#include "db/textos.h"
#include "plataforma/pagina_codigos.h"

namespace db {
namespace {

constexpr std::int64_t kPow10[] = {1LL,
                                   10LL,
                                   100LL,
                                   1000LL,
                                   10000LL,
                                   100000LL,
                                   1000000LL,
                                   10000000LL,
                                   100000000LL,
                                   1000000000LL,
                                   10000000000LL,
                                   100000000000LL,
                                   1000000000000LL,
                                   10000000000000LL,
                                   100000000000000LL,
                                   1000000000000000LL,
                                   10000000000000000LL,
                                   100000000000000000LL,
                                   1000000000000000000LL};
constexpr int kMaxScaleDigits = 18;

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The message of a text that has no reading of some kind (db::textos::no_es_fecha...).
using Texto = std::string (*)(std::string_view);

// The text is the suite's (a column's value): the message shows it decoded.
[[noreturn]] void fail(Texto what, std::string_view text) {
  throw ConversionError(what(plataforma::desde_suite(text)));
}

// Rounds x to the nearest integer, halves away from zero, and checks the range.
std::int64_t round_to_int64(double x) {
  double r = std::round(x);
  if (!(r >= -9.2233720368547758e18 && r < 9.2233720368547758e18))
    throw ConversionError(textos::fuera_de_rango());
  return static_cast<std::int64_t>(r);
}

int parse_int_field(std::string_view s, std::string_view whole, Texto what) {
  int v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size() || s.empty()) fail(what, whole);
  return v;
}

int days_in_month(Date d) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
  return d.month == 2 && leap ? 29 : kDays[d.month - 1];
}

}  // namespace

const std::string& Value::bytes() const {
  if (auto* b = std::get_if<Blob>(&v_)) return b->bytes;
  return std::get<std::string>(v_);
}

Decimal rescale(Decimal d, int scale) {
  if (scale == d.scale) return d;
  if (scale > d.scale) {  // drop digits
    int drop = scale - d.scale;
    if (drop > kMaxScaleDigits) return Decimal{0, scale};
    std::int64_t div = kPow10[drop];
    std::int64_t q = d.units / div;
    std::int64_t r = d.units % div;
    if (r < 0) r = -r;
    if (r * 2 >= div) q += d.units < 0 ? -1 : 1;
    return Decimal{q, scale};
  }
  int add = d.scale - scale;
  if (add > kMaxScaleDigits) throw ConversionError(textos::fuera_de_rango());
  std::int64_t mul = kPow10[add];
  if (d.units > std::numeric_limits<std::int64_t>::max() / mul ||
      d.units < std::numeric_limits<std::int64_t>::min() / mul)
    throw ConversionError(textos::fuera_de_rango());
  return Decimal{d.units * mul, scale};
}

namespace {
Decimal without_trailing_zeros(Decimal d) {
  while (d.scale < 0 && d.units != 0 && d.units % 10 == 0) {
    d.units /= 10;
    ++d.scale;
  }
  if (d.units == 0) d.scale = 0;
  return d;
}
}  // namespace

Decimal multiply(Decimal a, Decimal b) {
  a = without_trailing_zeros(a);
  b = without_trailing_zeros(b);
  std::int64_t product = 0;
  if (__builtin_mul_overflow(a.units, b.units, &product))
    throw ConversionError(textos::fuera_de_rango());
  return Decimal{product, a.scale + b.scale};
}

namespace {
// Parses "[-]digits[.digits]" keeping at most `decimals` decimals and no more digits
// than int64 holds; the first digit dropped rounds the rest once, half away from zero.
Decimal parse_rounded(std::string_view text, int decimals) {
  std::string_view s = trim(text);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  // The magnitude runs to 2^63 for a negative number, so INT64_MIN parses too.
  const std::uint64_t limit =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
  std::uint64_t units = 0;
  int kept = 0;
  bool digits = false, point = false, dropping = false, up = false;
  for (char c : s) {
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') fail(textos::no_es_numero, text);
    digits = true;
    const unsigned d = static_cast<unsigned>(c - '0');
    const bool fits = units <= (limit - d) / 10;
    if (point && (dropping || kept == decimals || !fits)) {
      if (!dropping) up = d >= 5;
      dropping = true;
      continue;
    }
    if (!fits) throw ConversionError(textos::fuera_de_rango());
    units = units * 10 + d;
    if (point) ++kept;
  }
  if (!digits) fail(textos::no_es_numero, text);
  if (up) {
    if (units == limit) throw ConversionError(textos::fuera_de_rango());
    ++units;
  }
  return Decimal{static_cast<std::int64_t>(negative ? 0 - units : units), -kept};
}

// The exact value of a double (mantissa times a power of two) times 10^decimals,
// rounded once, half away from zero.
Decimal from_double(double x, int scale) {
  if (!std::isfinite(x)) throw ConversionError(textos::fuera_de_rango());
  const int decimals = -scale;
  if (decimals > kMaxScaleDigits) throw ConversionError(textos::fuera_de_rango());
  int e = 0;
  const double m = std::frexp(std::fabs(x), &e);
  const auto mantissa = static_cast<std::uint64_t>(std::ldexp(m, 53));  // exact: 53 bits
  e -= 53;
  using U128 = unsigned __int128;
  U128 p = static_cast<U128>(mantissa) * static_cast<U128>(kPow10[decimals]);  // < 2^113
  U128 q = 0;
  if (e >= 0) {
    if (e > 10 && mantissa != 0) throw ConversionError(textos::fuera_de_rango());  // >= 2^63
    q = p << e;
  } else if (-e < 120) {
    const int k = -e;
    q = p >> k;
    if ((p & ((static_cast<U128>(1) << k) - 1)) >= (static_cast<U128>(1) << (k - 1))) ++q;
  }
  if (q > static_cast<U128>(std::numeric_limits<std::int64_t>::max()))
    throw ConversionError(textos::fuera_de_rango());
  const auto units = static_cast<std::int64_t>(q);
  return Decimal{x < 0 ? -units : units, scale};
}
}  // namespace

Decimal parse_decimal(std::string_view text) {
  return parse_rounded(text, std::numeric_limits<int>::max());
}

Decimal parse_decimal(std::string_view text, int scale) {
  return rescale(parse_rounded(text, -scale), scale);  // only adds zeros, if anything
}

Decimal to_scale(const Value& v, int scale) {
  switch (v.kind()) {
    case Value::Kind::Fixed:
      return rescale(v.fixed_value(), scale);
    case Value::Kind::Integer:
      return rescale(Decimal{v.int_value(), 0}, scale);
    case Value::Kind::Floating:
      return from_double(v.float_value(), scale);
    case Value::Kind::Boolean:
      return rescale(Decimal{v.bool_value() ? 1 : 0, 0}, scale);
    case Value::Kind::Text:
    case Value::Kind::Blob:
      return parse_decimal(v.bytes(), scale);
    default:
      throw ConversionError(textos::no_es_numero(v.as_text()));
  }
}

std::string format_decimal(Decimal d) {
  bool negative = d.units < 0;
  // Work on the magnitude as unsigned so INT64_MIN formats correctly.
  std::uint64_t mag =
      negative ? 0 - static_cast<std::uint64_t>(d.units) : static_cast<std::uint64_t>(d.units);
  std::string digits = std::to_string(mag);
  int frac = -d.scale;
  if (frac > 0) {
    if (static_cast<int>(digits.size()) <= frac)
      digits.insert(0, static_cast<std::size_t>(frac) - digits.size() + 1, '0');
    digits.insert(digits.size() - static_cast<std::size_t>(frac), ".");
  } else if (frac < 0) {
    digits.append(static_cast<std::size_t>(-frac), '0');
  }
  return negative ? "-" + digits : digits;
}

std::string format_date(Date d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buf;
}

std::string format_time(Time t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hours, t.minutes, t.seconds);
  return buf;
}

Date parse_date(std::string_view text) {
  std::string_view s = trim(text);
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') fail(textos::no_es_fecha, text);
  Date d{parse_int_field(s.substr(0, 4), text, textos::no_es_fecha),
         parse_int_field(s.substr(5, 2), text, textos::no_es_fecha),
         parse_int_field(s.substr(8, 2), text, textos::no_es_fecha)};
  if (d.year < 1 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > days_in_month(d))
    fail(textos::no_es_fecha, text);
  return d;
}

Time parse_time(std::string_view text) {
  std::string_view s = trim(text);
  if (s.size() < 5 || s[2] != ':') fail(textos::no_es_hora, text);
  Time t;
  t.hours = parse_int_field(s.substr(0, 2), text, textos::no_es_hora);
  t.minutes = parse_int_field(s.substr(3, 2), text, textos::no_es_hora);
  if (s.size() > 5) {
    if (s.size() < 8 || s[5] != ':') fail(textos::no_es_hora, text);
    t.seconds = parse_int_field(s.substr(6, 2), text, textos::no_es_hora);
    if (s.size() > 8) {
      if (s[8] != '.' || s.size() > 13 || s.size() == 9) fail(textos::no_es_hora, text);
      std::string frac(s.substr(9));
      frac.resize(4, '0');
      t.fraction = parse_int_field(frac, text, textos::no_es_hora);
    }
  }
  if (t.hours > 23 || t.minutes > 59 || t.seconds > 59) fail(textos::no_es_hora, text);
  return t;
}

std::string Value::as_text() const {
  switch (kind()) {
    case Kind::Null:
      return {};
    case Kind::Integer:
      return std::to_string(int_value());
    case Kind::Fixed:
      return format_decimal(fixed_value());
    case Kind::Floating: {
      char buf[64];
      auto [p, ec] = std::to_chars(buf, buf + sizeof buf, float_value());
      return ec == std::errc() ? std::string(buf, p) : std::string();
    }
    case Kind::Text:
    case Kind::Blob:
      return bytes();
    case Kind::Date:
      return format_date(date_value());
    case Kind::Time:
      return format_time(time_value());
    case Kind::Timestamp:
      return format_date(timestamp_value().date) + " " + format_time(timestamp_value().time);
    case Kind::Boolean:
      return bool_value() ? "true" : "false";
  }
  return {};
}

std::int64_t Value::as_integer() const {
  switch (kind()) {
    case Kind::Integer:
      return int_value();
    case Kind::Fixed:
      return rescale(fixed_value(), 0).units;
    case Kind::Floating:
      return round_to_int64(float_value());
    case Kind::Boolean:
      return bool_value() ? 1 : 0;
    case Kind::Text:
    case Kind::Blob:
      return parse_decimal(bytes(), 0).units;
    default:
      throw ConversionError(textos::no_es_entero(as_text()));
  }
}

double Value::as_double() const {
  switch (kind()) {
    case Kind::Integer:
      return static_cast<double>(int_value());
    case Kind::Fixed:
      return static_cast<double>(fixed_value().units) /
             static_cast<double>(kPow10[std::min(-fixed_value().scale, kMaxScaleDigits)]);
    case Kind::Floating:
      return float_value();
    case Kind::Boolean:
      return bool_value() ? 1 : 0;
    case Kind::Text:
    case Kind::Blob: {
      std::string_view s = trim(bytes());
      double v = 0;
      auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
      if (ec != std::errc() || p != s.data() + s.size() || s.empty())
        fail(textos::no_es_numero, bytes());
      return v;
    }
    default:
      throw ConversionError(textos::no_es_numero(as_text()));
  }
}

Decimal Value::as_decimal() const {
  switch (kind()) {
    case Kind::Fixed:
      return fixed_value();
    case Kind::Integer:
      return Decimal{int_value(), 0};
    default:
      return as_money();
  }
}

Decimal Value::as_money() const {
  constexpr int kMoneyScale = -4;
  switch (kind()) {
    case Kind::Null:
      return Decimal{0, kMoneyScale};
    case Kind::Integer:
      return rescale(Decimal{int_value(), 0}, kMoneyScale);
    case Kind::Fixed:
      return rescale(fixed_value(), kMoneyScale);
    case Kind::Floating:
      return Decimal{round_to_int64(float_value() * 10000.0), kMoneyScale};
    case Kind::Boolean:
      return Decimal{bool_value() ? 10000 : 0, kMoneyScale};
    case Kind::Text:
    case Kind::Blob:
      return parse_decimal(bytes(), kMoneyScale);
    default:
      throw ConversionError(textos::no_es_importe(as_text()));
  }
}

}  // namespace db
