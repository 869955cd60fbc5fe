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

TEST(ConvertForColumn, FloatingIntoNumericRoundsOnceFromTheExactValue) {
  // Not through the four-decimal money form: 2.344999 -> 2.3450 -> 2.35 would round twice.
  EXPECT_EQ(db::convert_for(col(SQL_LONG, -2), Value::floating(2.344999)).fixed_value().units, 234);
  EXPECT_EQ(db::convert_for(col(SQL_INT64, -6), Value::floating(1.23456789)).fixed_value().units,
            1234568);
  // Halves go away from zero; 0.125 is exact in binary, 2.675 is just below its half.
  EXPECT_EQ(db::to_scale(Value::floating(0.125), -2).units, 13);
  EXPECT_EQ(db::to_scale(Value::floating(-0.125), -2).units, -13);
  EXPECT_EQ(db::to_scale(Value::floating(2.675), -2).units, 267);
  EXPECT_EQ(db::to_scale(Value::floating(1e-300), -4).units, 0);
  EXPECT_THROW(db::to_scale(Value::floating(1e19), 0), db::ConversionError);
  // Text rounds once too: 0.4999999999999999999999 is below its half, whatever its length.
  EXPECT_EQ(db::parse_decimal("0.4999999999999999999999", 0).units, 0);
  EXPECT_EQ(db::parse_decimal("-2.345", -2).units, -235);
  // The column copy keeps the money form.
  EXPECT_EQ(format_decimal(Value::floating(2.344999).as_money()), "2.3450");
}

TEST(DecimalText, TheWholeInt64RangeParsesAndExtraDecimalsRound) {
  EXPECT_EQ(db::parse_decimal("9223372036854775807").units, INT64_MAX);
  EXPECT_EQ(db::parse_decimal("-9223372036854775808").units, INT64_MIN);
  EXPECT_THROW(db::parse_decimal("9223372036854775808"), db::ConversionError);
  EXPECT_EQ(db::convert_for(col(SQL_INT64), Value::text("9223372036854775807")).int_value(),
            INT64_MAX);
  // Decimals beyond what int64 holds are rounded, not cut.
  Decimal d = db::parse_decimal("0.12345678901234567895");
  EXPECT_EQ(d.units, 1234567890123456790LL);
  EXPECT_EQ(d.scale, -19);
}

TEST(DateText, DaysThatDoNotExistAreRefused) {
  EXPECT_THROW(db::parse_date("2026-02-31"), db::ConversionError);
  EXPECT_THROW(db::parse_date("2026-02-29"), db::ConversionError);
  EXPECT_THROW(db::parse_date("2026-04-31"), db::ConversionError);
  EXPECT_THROW(db::parse_date("1900-02-29"), db::ConversionError);
  EXPECT_EQ(db::parse_date("2024-02-29"), (db::Date{2024, 2, 29}));
  EXPECT_EQ(db::parse_date("2000-02-29"), (db::Date{2000, 2, 29}));
  EXPECT_THROW(db::convert_for(col(SQL_TYPE_DATE), Value::text("2026-02-31")), db::ConversionError);
}
