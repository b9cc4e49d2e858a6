#include "models/SimCalendar.h"

#include <array>
#include <cstdio>

namespace sim::simcal {

namespace {

constexpr std::array<int, 12> kGregorianMonthDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int solarYearLength(int AYear) {
  return isSolarLeapYear(AYear) ? 366 : 365;
}

int solarDayOfYear(int AMonth, int ADay) {
  return AMonth <= 7 ? (AMonth - 1) * 31 + ADay : (AMonth - 1) * 30 + ADay + 6;
}

// Gregorian day number of 1 Farvardin of solar year AYear: 21 March when the nearest earlier leap
// year (solar or Gregorian, looking back from AYear) is a solar one, 20 March otherwise.
std::int64_t solarNewYearDays(int AYear) {
  const int gYear = AYear + 621;
  int a = 1;
  while (!isSolarLeapYear(AYear - a) && !isGregorianLeapYear(AYear + 622 - a)) ++a;
  const int day = isSolarLeapYear(AYear - a) ? 21 : 20;
  return gregorianToDays(gYear, 3, day);
}

}  // namespace

bool isGregorianLeapYear(int AYear) {
  return (AYear % 4 == 0 && AYear % 100 != 0) || AYear % 400 == 0;
}

bool isSolarLeapYear(int AYear) {
  const int r = ((AYear + 11) % 33 + 33) % 33;
  return r % 4 == 0 && r != 32;
}

int daysInMonth(SimCalendar ACalendar, int AYear, int AMonth) {
  if (AMonth < 1 || AMonth > 12) return 0;
  if (ACalendar == SimCalendar::Gregorian) {
    if (AMonth == 2 && isGregorianLeapYear(AYear)) return 29;
    return kGregorianMonthDays[static_cast<std::size_t>(AMonth - 1)];
  }
  if (AMonth <= 6) return 31;
  if (AMonth <= 11) return 30;
  return isSolarLeapYear(AYear) ? 30 : 29;
}

bool isValid(SimCalendar ACalendar, const SimDateTime& ADateTime) {
  const auto& d = ADateTime;
  return d.Year >= 1 && d.Year <= 9999 && d.Month >= 1 && d.Month <= 12 && d.Day >= 1 &&
         d.Day <= daysInMonth(ACalendar, d.Year, d.Month) && d.Hour >= 0 && d.Hour < 24 &&
         d.Minute >= 0 && d.Minute < 60 && d.Second >= 0 && d.Second < 60;
}

// Civil-from-days and days-from-civil on the proleptic Gregorian calendar (eras of 400 years).
std::int64_t gregorianToDays(int AYear, int AMonth, int ADay) {
  const std::int64_t y = AYear - (AMonth <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = (AMonth + 9) % 12;
  const std::int64_t doy = (153 * mp + 2) / 5 + ADay - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void daysToGregorian(std::int64_t ADays, int& AYear, int& AMonth, int& ADay) {
  const std::int64_t z = ADays + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  ADay = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  AMonth = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  AYear = static_cast<int>(yoe + era * 400 + (AMonth <= 2 ? 1 : 0));
}

std::int64_t toDays(SimCalendar ACalendar, int AYear, int AMonth, int ADay) {
  if (ACalendar == SimCalendar::Gregorian) return gregorianToDays(AYear, AMonth, ADay);
  return solarNewYearDays(AYear) + solarDayOfYear(AMonth, ADay) - 1;
}

void fromDays(SimCalendar ACalendar, std::int64_t ADays, int& AYear, int& AMonth, int& ADay) {
  if (ACalendar == SimCalendar::Gregorian) {
    daysToGregorian(ADays, AYear, AMonth, ADay);
    return;
  }
  int gYear = 0, gMonth = 0, gDay = 0;
  daysToGregorian(ADays, gYear, gMonth, gDay);
  // The solar year that starts in this Gregorian year or the one before.
  int year = gYear - 621;
  if (ADays < solarNewYearDays(year)) --year;
  int doy = static_cast<int>(ADays - solarNewYearDays(year)) + 1;
  // The new-year rule and the leap rule are not tied together: a year may run one day into the
  // next one's start. Such a day counts as the next year's first.
  if (doy > solarYearLength(year)) {
    ++year;
    doy = 1;
  }
  if (doy <= 186) {
    AMonth = (doy - 1) / 31 + 1;
    ADay = (doy - 1) % 31 + 1;
  } else {
    AMonth = (doy - 187) / 30 + 7;
    ADay = (doy - 187) % 30 + 1;
  }
  AYear = year;
}

SimDateTime addSeconds(SimCalendar ACalendar, const SimDateTime& ADateTime, std::int64_t ASeconds) {
  std::int64_t secs = ADateTime.Hour * 3600 + ADateTime.Minute * 60 + ADateTime.Second + ASeconds;
  std::int64_t days = toDays(ACalendar, ADateTime.Year, ADateTime.Month, ADateTime.Day);
  std::int64_t dayShift = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);
  secs -= dayShift * 86400;
  days += dayShift;
  SimDateTime r;
  fromDays(ACalendar, days, r.Year, r.Month, r.Day);
  r.Hour = static_cast<int>(secs / 3600);
  r.Minute = static_cast<int>(secs / 60 % 60);
  r.Second = static_cast<int>(secs % 60);
  return r;
}

int dayOfWeek(SimCalendar ACalendar, const SimDateTime& ADateTime) {
  // 1970-01-01 was a Thursday (5 when Sunday is 1).
  const std::int64_t days = toDays(ACalendar, ADateTime.Year, ADateTime.Month, ADateTime.Day);
  return static_cast<int>(((days + 4) % 7 + 7) % 7) + 1;
}

SimDateTime convert(const SimDateTime& ADateTime, SimCalendar AFrom, SimCalendar ATo) {
  if (AFrom == ATo) return ADateTime;
  SimDateTime r = ADateTime;
  fromDays(ATo, toDays(AFrom, ADateTime.Year, ADateTime.Month, ADateTime.Day), r.Year, r.Month,
           r.Day);
  return r;
}

std::string toString(const SimDateTime& ADateTime) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", ADateTime.Year, ADateTime.Month,
                ADateTime.Day, ADateTime.Hour, ADateTime.Minute, ADateTime.Second);
  return buf;
}

}  // namespace sim::simcal
