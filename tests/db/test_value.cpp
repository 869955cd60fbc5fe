// Values: the money form, fixed-point text, and conversions to a column's type.
#include <gtest/gtest.h>
#include <ibase.h>

#include "db/error.h"
#include "db/target_set.h"
#include "db/value.h"

using db::Decimal;
using db::Value;

TEST(Money, RoundsToFourDecimalsHalfAwayFromZero) {
  EXPECT_EQ(format_decimal(Value::fixed(123456, -5).as_money()), "1.2346");
  EXPECT_EQ(format_decimal(Value::fixed(-123455, -5).as_money()), "-1.2346");
  EXPECT_EQ(format_decimal(Value::fixed(123454, -5).as_money()), "1.2345");
  EXPECT_EQ(format_decimal(Value::floating(1.23456).as_money()), "1.2346");
  EXPECT_EQ(format_decimal(Value::text("2500").as_money()), "2500.0000");
  EXPECT_EQ(format_decimal(Value::integer(7).as_money()), "7.0000");
  EXPECT_EQ(format_decimal(Value::fixed(15, -1).as_money()), "1.5000");
}

TEST(Money, MissingValueBecomesZero) {
  Decimal d = Value().as_money();
  EXPECT_EQ(d.units, 0);
  EXPECT_EQ(d.scale, -4);
}

TEST(Money, TextThatIsNoNumberIsAConversionError) {
  EXPECT_THROW(Value::text("12,5").as_money(), db::ConversionError);
  EXPECT_THROW(Value::text("").as_money(), db::ConversionError);
}

TEST(DecimalText, FormatsEveryScaleDigitAndSign) {
  EXPECT_EQ(db::format_decimal({5, -3}), "0.005");
  EXPECT_EQ(db::format_decimal({-5, -3}), "-0.005");
  EXPECT_EQ(db::format_decimal({120, -2}), "1.20");
  EXPECT_EQ(db::format_decimal({INT64_MIN, 0}), "-9223372036854775808");
  EXPECT_EQ(db::format_decimal({INT64_MIN, -4}), "-922337203685477.5808");
}

TEST(DecimalText, ParsesAndRescales) {
  Decimal d = db::parse_decimal(" -12.345 ");
  EXPECT_EQ(d.units, -12345);
  EXPECT_EQ(d.scale, -3);
  EXPECT_EQ(db::rescale(d, -2).units, -1235);
  EXPECT_EQ(db::rescale(d, -5).units, -1234500);
  EXPECT_THROW(db::rescale({INT64_MAX / 10, 0}, -2), db::ConversionError);
  EXPECT_THROW(db::parse_decimal("1.2.3"), db::ConversionError);
}

TEST(DateText, RoundTripsAndRejectsNonsense) {
  EXPECT_EQ(db::format_date(db::parse_date("2026-12-09")), "2026-12-09");
  EXPECT_EQ(db::format_time(db::parse_time("09:16:45")), "09:16:45");
  EXPECT_EQ(db::parse_time("09:16:45.5").fraction, 5000);
  EXPECT_THROW(db::parse_date("09/12/2026"), db::ConversionError);
  EXPECT_THROW(db::parse_time("25:00:00"), db::ConversionError);
}

namespace {
db::Column col(unsigned type, int scale = 0) {
  db::Column c;
  c.name = "X";
  c.sql_type = type;
  c.scale = scale;
  return c;
}
}  // namespace

TEST(ConvertForColumn, NumbersTakeTheColumnsScale) {
  Value v = db::convert_for(col(SQL_INT64, -2), Value::fixed(12345, -4));
  EXPECT_EQ(v.fixed_value().units, 123);  // 1.2345 -> 1.23
  EXPECT_EQ(v.fixed_value().scale, -2);
  EXPECT_EQ(db::convert_for(col(SQL_LONG, -2), Value::text("7.5")).fixed_value().units, 750);
  EXPECT_EQ(db::convert_for(col(SQL_LONG), Value::text("0")).int_value(), 0);
  EXPECT_EQ(db::convert_for(col(SQL_LONG), Value::fixed(25, -1)).int_value(), 3);
  EXPECT_THROW(db::convert_for(col(SQL_SHORT), Value::integer(40000)), db::ConversionError);
  EXPECT_THROW(db::convert_for(col(SQL_LONG), Value::text("abc")), db::ConversionError);
}

TEST(ConvertForColumn, TextDatesAndNull) {
  EXPECT_EQ(db::convert_for(col(SQL_VARYING), Value::integer(13)).bytes(), "13");
  EXPECT_EQ(db::convert_for(col(SQL_VARYING), Value::fixed(-5, -2)).bytes(), "-0.05");
  EXPECT_EQ(db::convert_for(col(SQL_TYPE_DATE), Value::text("2026-12-09")).date_value(),
            (db::Date{2026, 12, 9}));
  EXPECT_EQ(db::convert_for(col(SQL_TYPE_DATE), Value::timestamp({{2026, 1, 2}, {3, 4, 5, 0}}))
                .date_value(),
            (db::Date{2026, 1, 2}));
  EXPECT_TRUE(db::convert_for(col(SQL_LONG), Value()).is_null());
  EXPECT_TRUE(db::convert_for(col(SQL_BOOLEAN), Value::text("true")).bool_value());
}

TEST(DecimalArithmetic, ProductIsExactAndOverflowIsRefused) {
  EXPECT_EQ(db::format_decimal(db::multiply({25000000, -4}, {3, 0})), "7500");
  EXPECT_EQ(db::format_decimal(db::multiply({11150, -4}, {3, 0})), "3.345");
  EXPECT_EQ(db::format_decimal(db::multiply({-15, -1}, {15, -1})), "-2.25");
  EXPECT_THROW(db::multiply({INT64_MAX / 2, 0}, {3, 0}), db::ConversionError);
  EXPECT_EQ(Value::integer(4).as_decimal().units, 4);
  EXPECT_EQ(Value::fixed(123456, -5).as_decimal().scale, -5);  // no rounding
}
