// Relative time: minutes from the start of solar year 1379, as the line uses it to order records
// from several clocks.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "calendar/VexDateTime.h"

namespace {

constexpr std::int32_t kDay = 24 * 60;

TEST(RelativeTime, CountsMinutesFromSolar1379) {
  struct {
    std::string Date, Time;
    std::int32_t Minutes;
  } const Cases[] = {
      {"1379/01/01", "00:00", 0},
      {"1379/01/02", "00:00", kDay},
      {"1379/01/01", "01:30", 90},
      {"1380/01/01", "00:00", 366 * kDay},  // 1379 is leap
      {"1381/01/01", "00:00", (366 + 365) * kDay},
      {"1379/07/01", "00:00", 186 * kDay},
      {"1379/08/01", "00:00", 216 * kDay},
      {"1379/12/30", "23:59", 365 * kDay + 23 * 60 + 59},
      {"", "10:15", 615},
      {"", "", 0},
      // A date without a time is its midnight, still counted in minutes.
      {"1379/01/02", "", kDay},
      // A date that does not split counts no days.
      {"1387//05", "01:00", 60},
      // A time that is not a number ends the count where it stands.
      {"1379/01/02", "ab:30", 24},
      {"1379/01/02", "01:xx", (24 + 1) * 60},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Date + " " + C.Time);
    EXPECT_EQ(CalcRelativeTime(C.Date, C.Time), C.Minutes);
  }
}

TEST(RelativeTime, YearDecidesTheCalendarOfTheDate) {
  const std::int32_t Solar = CalcRelativeTime("1387/01/01", "08:00");
  // Two-digit solar year (80..99), Gregorian above 1900, two-digit Gregorian below 80.
  EXPECT_EQ(CalcRelativeTime("87/01/01", "08:00"), Solar);
  EXPECT_EQ(CalcRelativeTime("2008/03/20", "08:00"), Solar);
  EXPECT_EQ(CalcRelativeTime("08/03/20", "08:00"), Solar);
  EXPECT_EQ(CalcRelativeTime("080320", "08:00"), Solar);
  // A date without a year falls in 1382.
  EXPECT_EQ(CalcRelativeTime("01/01", "08:00"), CalcRelativeTime("1382/01/01", "08:00"));
}

TEST(RelativeTime, YearsBefore1380AddNoWholeYears) {
  EXPECT_EQ(CalcRelativeTime("1378/12/29", "00:00"), CalcRelativeTime("1379/12/29", "00:00"));
  EXPECT_EQ(CalcRelativeTime("1300/03/01", "00:00"), 62 * kDay);
}

TEST(RelativeTime, CountsYearsWithTheLenientLeapRule) {
  // 1407 has remainder 32: counted as 366 days here, as the clocks' records always were.
  EXPECT_EQ(CalcRelativeTime("1408/01/01", "") - CalcRelativeTime("1407/01/01", ""), 366 * kDay);
  EXPECT_EQ(CalcRelativeTime("1409/01/01", "") - CalcRelativeTime("1408/01/01", ""), 366 * kDay);
  EXPECT_EQ(CalcRelativeTime("1410/01/01", "") - CalcRelativeTime("1409/01/01", ""), 365 * kDay);
  // Nine leap years in every 33.
  EXPECT_EQ(CalcRelativeTime("1412/01/01", "") - CalcRelativeTime("1379/01/01", ""),
            (33 * 365 + 9) * kDay);
}

TEST(RelativeTime, GregorianDatesFrom1400OnComeAfterThoseBefore) {
  // Gregorian dates from 2021-03-21 on are solar 1400 and later, not 1300.
  EXPECT_EQ(CalcRelativeTime("2021/03/21", "00:00"), CalcRelativeTime("1400/01/01", "00:00"));
  EXPECT_EQ(CalcRelativeTime("2026/12/09", "10:30"), CalcRelativeTime("1405/09/18", "10:30"));
  TTransaction T("2021/03/20", "23:00", "2021/03/21", "01:00");
  EXPECT_EQ(T.Duration(), 120);
}

TEST(RelativeTime, AbsurdYearsSaturateInsteadOfWrapping) {
  // Such years come only from damaged records; they must still sort last, and quickly.
  const std::int32_t Max = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(CalcRelativeTime("9999999999", "23:59"), Max);
  EXPECT_EQ(CalcRelativeTime("$FFFFFFF/1/1", ""), Max);
  TTransaction T("1387/01/01", "00:00", "9999999999", "00:00");
  EXPECT_GT(T.Duration(), 0);
}

TEST(RelativeTimeCalcDateTime, StartsEmpty) {
  TCalcDateTime T;
  EXPECT_TRUE(T.Date().empty());
  EXPECT_TRUE(T.Time().empty());
  EXPECT_FALSE(T.RelativeTimeCalculated());
  EXPECT_EQ(T.RelativeTime(), 0);
  EXPECT_FALSE(T.IsValid());
}

TEST(RelativeTimeCalcDateTime, RecomputesOnlyAfterAChange) {
  TCalcDateTime T;
  T.SetDate("1379/01/02");
  T.SetTime("8:30");
  EXPECT_EQ(T.Time().str(), "08:30");
  EXPECT_FALSE(T.RelativeTimeCalculated());
  EXPECT_EQ(T.RelativeTime(), kDay + 8 * 60 + 30);
  EXPECT_TRUE(T.RelativeTimeCalculated());

  // Equal values keep the cached result.
  T.SetDate("1379/01/02");
  T.SetTime("08:30");
  EXPECT_TRUE(T.RelativeTimeCalculated());
  // Compared with the normalised time, "8:30" differs: stored as 08:30 again, cache dropped.
  T.SetTime("8:30");
  EXPECT_FALSE(T.RelativeTimeCalculated());
  EXPECT_EQ(T.Time().str(), "08:30");
  EXPECT_EQ(T.RelativeTime(), kDay + 8 * 60 + 30);

  T.SetDate("1379/01/03");
  EXPECT_FALSE(T.RelativeTimeCalculated());
  EXPECT_EQ(T.RelativeTime(), 2 * kDay + 8 * 60 + 30);
  T.SetTime("9");
  EXPECT_EQ(T.RelativeTime(), 2 * kDay + 9 * 60);
}

TEST(RelativeTimeCalcDateTime, DateIsCutToTenCharacters) {
  TCalcDateTime T;
  T.SetDate(std::string("1379/01/02 and more"));
  EXPECT_EQ(T.Date().str(), "1379/01/02");
  EXPECT_EQ(T.RelativeTime(), kDay);
  T.SetDate(std::string("1379/01/02xyz"));  // the same date once cut
  EXPECT_TRUE(T.RelativeTimeCalculated());
}

TEST(RelativeTimeCalcDateTime, IsValidChecksDateThenTime) {
  struct {
    std::string Date, Time;
    bool Valid;
  } const Cases[] = {
      {"1387/12/30", "23:59", true},
      {"1387/12/30", "24:00", false},
      {"1388/12/30", "23:59", false},
      // An empty time set on a new object equals the stored one and is not normalised.
      {"1387/01/01", "", false},
      {"", "12:00", false},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Date + " " + C.Time);
    TCalcDateTime T;
    T.SetDate(C.Date);
    T.SetTime(C.Time);
    EXPECT_EQ(T.IsValid(), C.Valid);
  }
}

TEST(RelativeTimeTransaction, DurationIsEndMinusBegin) {
  TTransaction Forward("1387/01/01", "08:00", "1387/01/01", "17:30");
  EXPECT_EQ(Forward.Duration(), 570);
  TTransaction Backward("1387/01/01", "17:30", "1387/01/01", "08:00");
  EXPECT_EQ(Backward.Duration(), -570);
  // Across calendars and forms: the same moment gives 0.
  TTransaction Same("2008/03/20", "8:00", "870101", "0800");
  EXPECT_EQ(Same.Duration(), 0);
  // Across a year end counted by the lenient rule.
  TTransaction YearEnd("1387/12/30", "23:00", "1388/01/01", "01:00");
  EXPECT_EQ(YearEnd.Duration(), 120);
}

TEST(RelativeTimeTransaction, EndsCanBeSetAfterCreation) {
  TTransaction T;
  EXPECT_EQ(T.Duration(), 0);
  T.BeginDateTime().SetDate("1387/05/01");
  T.BeginDateTime().SetTime("10:00");
  T.EndDateTime().SetDate("1387/05/02");
  T.EndDateTime().SetTime("09:00");
  EXPECT_EQ(T.Duration(), 23 * 60);
  T.EndDateTime().SetDate("1387/04/31");  // months 1..6 have 31 days
  EXPECT_EQ(T.Duration(), -25 * 60);
}

}  // namespace
