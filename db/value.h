#pragma once
// A database value as the agent carries it between Firebird databases: bytes are
// never transcoded, fixed-point numbers keep their scale, dates keep their parts.

#include <compare>
#include <cstdint>
#include <string>
#include <variant>

namespace db {

struct Date {
  int year = 0, month = 0, day = 0;
  auto operator<=>(const Date&) const = default;
};

// Time of day; `fraction` counts 1/10000 s as Firebird stores it.
struct Time {
  int hours = 0, minutes = 0, seconds = 0, fraction = 0;
  auto operator<=>(const Time&) const = default;
};

struct Timestamp {
  Date date;
  Time time;
  auto operator<=>(const Timestamp&) const = default;
};

// Fixed-point number: units * 10^scale, scale <= 0 (NUMERIC/DECIMAL).
struct Decimal {
  std::int64_t units = 0;
  int scale = 0;
  bool operator==(const Decimal&) const = default;
};

struct Blob {
  std::string bytes;
  bool operator==(const Blob&) const = default;
};

class Value {
 public:
  enum class Kind { Null, Integer, Fixed, Floating, Text, Date, Time, Timestamp, Blob, Boolean };

  Value() = default;
  static Value integer(std::int64_t v) { return Value(v); }
  static Value fixed(std::int64_t units, int scale) { return Value(Decimal{units, scale}); }
  static Value floating(double v) { return Value(v); }
  static Value text(std::string bytes) { return Value(std::move(bytes)); }
  static Value date(Date d) { return Value(d); }
  static Value time(Time t) { return Value(t); }
  static Value timestamp(Timestamp ts) { return Value(ts); }
  static Value blob(std::string bytes) { return Value(Blob{std::move(bytes)}); }
  static Value boolean(bool b) { return Value(b); }

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool is_null() const { return kind() == Kind::Null; }

  std::int64_t int_value() const { return std::get<std::int64_t>(v_); }
  const Decimal& fixed_value() const { return std::get<Decimal>(v_); }
  double float_value() const { return std::get<double>(v_); }
  // The bytes of a text or blob value.
  const std::string& bytes() const;
  Date date_value() const { return std::get<db::Date>(v_); }
  Time time_value() const { return std::get<db::Time>(v_); }
  Timestamp timestamp_value() const { return std::get<db::Timestamp>(v_); }
  bool bool_value() const { return std::get<bool>(v_); }

  // Text form: integers and fixed-point numbers in plain decimal with "." and all
  // scale digits, dates "YYYY-MM-DD", times "HH:MM:SS", timestamps "YYYY-MM-DD HH:MM:SS",
  // booleans "true"/"false", text and blobs as their bytes; NULL gives "".
  std::string as_text() const;
  // Whole number; fixed-point and floating values round half away from zero; text
  // is parsed. Throws ConversionError when the value has no integer reading.
  std::int64_t as_integer() const;
  double as_double() const;
  // The money form: a fixed-point amount with four decimals, rounded half away
  // from zero (1.23456 -> 1.2346). NULL becomes 0.
  Decimal as_money() const;
  // An exact fixed-point reading: NUMERIC keeps its digits, integers have none,
  // anything else takes the money form.
  Decimal as_decimal() const;

  bool operator==(const Value&) const = default;

 private:
  using Storage = std::variant<std::monostate, std::int64_t, Decimal, double, std::string, db::Date,
                               db::Time, db::Timestamp, Blob, bool>;
  template <typename T>
  explicit Value(T v) : v_(std::move(v)) {}
  Storage v_;
};

// Rescales a fixed-point number, rounding half away from zero when digits are dropped.
// Throws ConversionError on overflow.
Decimal rescale(Decimal d, int scale);
// The exact product (trailing zero decimals are dropped first so that only significant
// digits can overflow). Throws ConversionError when it does not fit.
Decimal multiply(Decimal a, Decimal b);
// Parses "[-]digits[.digits]" (blanks around allowed), every int64 included; decimals
// beyond what int64 holds round the rest once. Throws ConversionError.
Decimal parse_decimal(std::string_view text);
// The same, rounded once to `scale` (half away from zero).
Decimal parse_decimal(std::string_view text, int scale);
// A value written into a NUMERIC/DECIMAL of `scale`: rounded once, half away from
// zero, from its exact value (a floating value from its binary value, not through the
// money form). Throws ConversionError when it has no numeric reading or does not fit.
Decimal to_scale(const Value& v, int scale);
std::string format_decimal(Decimal d);
std::string format_date(Date d);
std::string format_time(Time t);
Date parse_date(std::string_view text);  // "YYYY-MM-DD", a real day; throws ConversionError
Time parse_time(std::string_view text);  // "HH:MM[:SS[.ffff]]"; throws ConversionError

}  // namespace db
