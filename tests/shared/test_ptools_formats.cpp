// Pattern formats of numbers (the chart's log-scale labels) and date-time values in days (its
// time axis).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "shared/PTools.h"

using namespace quorel;

namespace {

TEST(FormatFloatTest, FixedAndScientificPatterns) {
  struct Case {
    const char* pattern;
    double value;
    const char* text;
  };
  const Case cases[] = {
      {"0.000", 0.001, "0.001"},  {"0.00", 0.01, "0.01"},    {"0.0", 0.1, "0.1"},
      {"0.0", 0.05, "0.1"},       {"0.00", 0.125, "0.13"},   {"0.00", 0.0049, "0.00"},
      {"0.0", 9.96, "10.0"},      {"0.000", 12.3456, "12.346"}, {"0", 999.5, "1000"},
      {"0.00", -0.125, "-0.13"},  {"0.00", -0.001, "0.00"},  {"0.000", 0, "0.000"},
      {"0E+0", 10000, "1E+4"},    {"0E+0", 1e-4, "1E-4"},    {"0E+0", 25000, "3E+4"},
      {"0E+0", 95000, "1E+5"},    {"0E+0", 0, "0E+0"},       {"0E+0", 1, "1E+0"},
      {"0E+0", -2e12, "-2E+12"},  {"0.0E+00", 12345, "1.2E+04"}, {"0E-0", 1e5, "1E5"},
      {"0E+0", 1e300, "1E+300"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatFloat(c.pattern, c.value), c.text) << c.pattern << " " << c.value;
}

TEST(DateTimeDaysTest, EncodesAndDecodesCivilDatesAndTimes) {
  EXPECT_EQ(EncodeDateTime({1899, 12, 30}), 0.0);
  EXPECT_EQ(EncodeDateTime({1900, 1, 1}), 2.0);
  // 1 January 2000 is day 36526 of this count.
  EXPECT_EQ(EncodeDateTime({2000, 1, 1}), 36526.0);
  const double t = EncodeDateTime({2024, 3, 7, 10, 37, 5, 250});
  const DateTimeParts p = DecodeDateTime(t);
  EXPECT_EQ(p.Year, 2024);
  EXPECT_EQ(p.Month, 3);
  EXPECT_EQ(p.Day, 7);
  EXPECT_EQ(p.Hour, 10);
  EXPECT_EQ(p.Minute, 37);
  EXPECT_EQ(p.Second, 5);
  EXPECT_EQ(p.Millisecond, 250);
  // One second is the difference of 0:00:02 and 0:00:01.
  EXPECT_NEAR(EncodeDateTime({1899, 12, 30, 0, 0, 2}) - EncodeDateTime({1899, 12, 30, 0, 0, 1}), 1.0 / 86400, 1e-15);
}

TEST(DateTimeDaysTest, WholeHourDropsMinutesEvenAtTheFullHour) {
  const double t = EncodeDateTime({2024, 3, 7, 10, 37, 5, 250});
  EXPECT_DOUBLE_EQ(WholeHourOf(t), EncodeDateTime({2024, 3, 7, 10}));
  // 11:00 is not 10:59:59.999 in days.
  const double eleven = 45358.0 + 11.0 / 24;
  EXPECT_EQ(DecodeDateTime(WholeHourOf(eleven)).Hour, 11);
  // Now is after the year 2020 and within a day of the system clock's local date.
  const DateTimeParts now = DecodeDateTime(DateTimeNow());
  EXPECT_GE(now.Year, 2020);
  EXPECT_EQ(DecodeDateTime(WholeHourOf(DateTimeNow())).Minute, 0);
}

}  // namespace
