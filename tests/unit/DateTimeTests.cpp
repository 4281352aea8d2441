#include <gtest/gtest.h>

#include "core/DateTime.h"

namespace tarvel {
namespace {

TEST(DateTimeTest, FormatsTheProgramsThreeStamps) {
  const TLocalDateTime t{2026, 3, 1, 14, 5, 9, 7};
  EXPECT_EQ(FormatDateTime(LogTimePattern, t), u"2026-03-01 14:05:09");
  EXPECT_EQ(FormatDateTime(FileStampPattern, t), u"20260301_140509_007");
  EXPECT_EQ(FormatDateTime(DiagnosticTimePattern, t), u"14:05:09.007");
  EXPECT_EQ(FormatDateTime(LogTimePattern, {987, 12, 31, 23, 59, 59, 999}), u"0987-12-31 23:59:59");
}

TEST(DateTimeTest, ColonsBecomeTheGivenTimeSeparator) {
  const TLocalDateTime t{2026, 3, 1, 14, 5, 9, 7};
  EXPECT_EQ(FormatDateTime(LogTimePattern, t, u"."), u"2026-03-01 14.05.09");
  EXPECT_EQ(FormatDateTime(LogTimePattern, t, u" h "), u"2026-03-01 14 h 05 h 09");
  EXPECT_EQ(FormatDateTime(FileStampPattern, t, u"."), u"20260301_140509_007");
}

TEST(DateTimeTest, DayCountMatchesTheClassicEpoch) {
  EXPECT_DOUBLE_EQ(ToDateTimeValue({1899, 12, 30, 0, 0, 0, 0}), 0.0);
  EXPECT_DOUBLE_EQ(ToDateTimeValue({1900, 1, 1, 12, 0, 0, 0}), 2.5);
  EXPECT_DOUBLE_EQ(ToDateTimeValue({2026, 3, 1, 0, 0, 0, 0}), 46082.0);
}

TEST(DateTimeTest, DayCountRoundTripsToTheMillisecond) {
  for (const TLocalDateTime& t : {TLocalDateTime{2026, 3, 1, 14, 5, 9, 7}, TLocalDateTime{2000, 2, 29, 23, 59, 59, 999},
                                  TLocalDateTime{1899, 12, 30, 0, 0, 0, 1}, TLocalDateTime{2100, 1, 1, 0, 0, 0, 0}})
    EXPECT_EQ(FromDateTimeValue(ToDateTimeValue(t)), t);
}

} // namespace
} // namespace tarvel
