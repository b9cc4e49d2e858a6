// The drift of a clock's date and time from the computer's: solar and Gregorian clocks, whole
// minutes, days apart, and what is no date and time at all.
#include <gtest/gtest.h>

#include "utils/ClockDrift.h"

namespace {

TEST(ClockDrift, SecondsFromTheComputersMinuteInEitherCalendar) {
  // The computer: 2024-12-08 10:30:45 (solar 1403/09/18).
  TLocalDateTime now;
  now.Year = 2024;
  now.Month = 12;
  now.Day = 8;
  now.Hour = 10;
  now.Minute = 30;
  now.Second = 45;
  struct Case {
    const char* Date;
    const char* Time;
    std::int64_t Drift;
  };
  const Case cases[] = {
      {"1403/09/18", "10:30", 0},             // the same minute, solar
      {"2024/12/08", "10:30", 0},             // and Gregorian
      {"1403/09/18", "12:30", 7200},          // two hours ahead
      {"2024/12/08", "10:25", -300},          // five minutes behind
      {"1403/09/17", "10:30", -86400},        // a day behind, across the calendar's own days
      {"1403/10/01", "00:00", 13 * 86400 - (10 * 3600 + 30 * 60)},  // Dey 1 is Dec 21
      {"2025/01/01", "10:30", 24 * 86400},    // into the next year
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Date) + " " + c.Time);
    const auto drift = ClockDriftSeconds(c.Date, c.Time, now);
    ASSERT_TRUE(drift.has_value());
    EXPECT_EQ(*drift, c.Drift);
  }
}

TEST(ClockDrift, NothingForWhatIsNoDateAndTime) {
  TLocalDateTime now;
  now.Year = 2024;
  now.Month = 12;
  now.Day = 8;
  const char* const dates[][2] = {
      {"", "10:30"},           {"1403/09/18", ""},      {"1403/13/01", "10:30"},
      {"1403/12/31", "10:30"}, {"2024/02/30", "10:30"}, {"03/09/18", "10:30"},
      {"1403/09/18", "24:00"}, {"1403/09/18", "10:60"}, {"1403/09/18", "1030"},
      {"1403/09/00", "10:30"},
  };
  for (const auto& d : dates) {
    SCOPED_TRACE(std::string(d[0]) + " " + d[1]);
    EXPECT_FALSE(ClockDriftSeconds(d[0], d[1], now).has_value());
  }
}

}  // namespace
