#pragma once
// The solar hijri calendar of the clocks and the Persian interface, and its conversion to and
// from the computer's Gregorian dates.
//
// The calendar is arithmetic: a solar year is leap when (year + 11) mod 33 is one of 0, 4, 8, 12,
// 16, 20, 24, 28 (eight leap years in 33; a remainder of 32 is a common year), months 1..6 have 31
// days, 7..11 have 30 and month 12 has 29, or 30 in a leap year. Year 1343 began on Gregorian
// 1964-03-21 and every later (or earlier) year begins where the one before it ends, so 1 Farvardin
// falls on 20 or 21 March. The two directions of conversion are exact inverses of each other, and
// solar years are always reported in full (2021-03-21 is 1400/01/01).
#include <cstdint>
#include <string>

#include "calendar/DateValue.h"

struct TSolarDate {
  // 1 = Sunday .. 7 = Saturday; filled only by ChristianToSolar.
  std::uint16_t DayOfWeek = 0;
  std::uint16_t Month = 0;
  std::uint16_t Day = 0;
  // The full solar year, e.g. 1387.
  std::uint16_t Year = 0;
};

bool IsChristianLeapYear(std::uint16_t AYear);
// The leap rule of the conversions (remainder 32 is common).
bool IsSolarLeapYear(std::uint16_t AYear);

// The Gregorian day of a solar date. A day past the end of its month (or year) runs on into the
// following days. Sets the short date format to "YYYY/MM/DD" (later default date parsing relies on
// it). Throws EConvertError when the Gregorian day falls outside the years 1..9999.
TDateValue SolarToChristian(TSolarDate ADate);
// The solar date of a Gregorian day, with its day of the week. Throws EConvertError for days
// before solar year 1 (Gregorian 622).
void ChristianToSolar(TDateValue ADate, TSolarDate& ASolarDate);
TSolarDate ChristianToSolar(TDateValue ADate);

// "YYYY/MM/DD": the year as it stands, month and day with two digits.
std::string SolarDateToStr(TSolarDate ADate);

// The day arithmetic shared by the date value and the date string conversions. Day numbers count
// days from Gregorian 1970-01-01 (day 0) in both directions; no range is imposed.
namespace calendar {
// Day number of 1 Farvardin of solar year AYear.
std::int64_t SolarNewYearDay(std::int64_t AYear);
// Day number of a solar date; a month or day beyond its end runs on into the following days.
std::int64_t SolarToDayNumber(std::int64_t AYear, std::int64_t AMonth, std::int64_t ADay);
void DayNumberToSolar(std::int64_t ADayNumber, std::int64_t& AYear, int& AMonth, int& ADay);
// Proleptic Gregorian calendar; a month outside 1..12 counts on into later or earlier years and a
// day beyond its month runs on into the following days.
std::int64_t ChristianToDayNumber(std::int64_t AYear, std::int64_t AMonth, std::int64_t ADay);
void DayNumberToChristian(std::int64_t ADayNumber, std::int64_t& AYear, int& AMonth, int& ADay);
}  // namespace calendar
