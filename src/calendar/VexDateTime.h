#pragma once
// Dates and times as the clocks send and expect them and as the user sees them: one tolerant date
// parser, formatters for the forms MMDD, YYMMDD, YYYYMMDD, "YY/MM/DD" and "YYYY/MM/DD", solar and
// Gregorian conversion of whole date strings, validity checks and a time normaliser; and the
// relative time of a clock's date and time, with TCalcDateTime and TTransaction.
//
// Two-digit years are widened by fixed thresholds that differ per operation, as the clocks and
// the earlier records expect; each operation states its own. The calendar type TDateType lives in
// calendar/DateType.h; TDateStr (10 characters) and TTimeStr (5) in calendar/ShortString.h: every
// argument of these types is cut to that length on the way in, every result on the way out.
#include <cstdint>
#include <string>

#include "calendar/ShortString.h"

struct TDateParts {
  std::int32_t Year = 0;
  std::int32_t Month = 0;
  std::int32_t Day = 0;
};

// The year a date without one falls in when the caller passes 0 as its default year.
constexpr int kDefaultDateYear = 1382;

// The decimal text of AValue, with leading zeros up to ADigits characters, or only its last
// ADigits characters when it is longer (1387 at width 2 gives "87").
std::string PadNumber(int AValue, int ADigits);

// The date forms that SplitDateStr recognises. Callers act only on zero (no date) or non-zero.
enum TDateForm : int {
  dfNone = 0,
  dfMMDD = 1,      // 305, 0305
  dfYYMMDD = 2,    // 870305
  dfYYYYMMDD = 3,  // 13870305
  dfMD = 4,        // 3/5
  dfYYMD = 5,      // 87/3/5
  dfYYYYMD = 6     // 1387/3/5
};

// Splits a date into year, month and day texts. Slashes and blanks around the date are ignored; a
// date without a year takes ADefaultYear (four digits), or kDefaultDateYear when that is 0. A month
// or day of one character gets a leading zero. Returns dfNone when month or day is missing.
int SplitDateStr(const std::string& S, std::string& AYear, std::string& AMonth, std::string& ADay,
                 int ADefaultYear);
// SplitDateStr with each part read as a number by a reading that never fails: it skips leading
// blanks, takes a sign and a hexadecimal prefix ("$", "x", "0x"), and stops at the first character
// that does not fit (no digits: 0). The numbers are 0 when the date does not split.
int DecodeDateStr(const std::string& S, int& AYear, int& AMonth, int& ADay, int ADefaultYear);
int StrToDateParts(const std::string& S, TDateParts& AParts, int ADefaultYear);

// Formatters; each returns "" when the date does not split. Month and day have two digits.
std::string DateStrToMMDD(const TDateStr& ADate, int ADefaultYear);
// The last two digits of the year.
std::string DateStrToYYMMDD(const TDateStr& ADate, int ADefaultYear);
// A two-digit year 80..99 becomes 13YY, 0..79 becomes 20YY.
std::string DateStrToYYYYMMDD(const TDateStr& ADate, int ADefaultYear);
// "YY/MM/DD" with the last two digits of the year.
std::string DateStrToShortDate(const TDateStr& ADate, int ADefaultYear);
// "YYYY/MM/DD"; a two-digit year 70..99 becomes 13YY, 0..69 becomes 20YY.
std::string DateStrToLongDate(const TDateStr& ADate, int ADefaultYear);

// The leap rule of relative time and date validity: a year below 1300 is taken as 13YY, and a
// year is leap when (year - 22) mod 33 is divisible by 4, 32 included (nine in 33, so 1374 counts).
bool IsSolarLeap(std::uint16_t AYear);
// On the year as passed; a two-digit year is not widened.
bool IsChristianLeap(std::uint16_t AYear);

// Conversions of the solar calendar (see calendar/PersianCalendar.h), on numbers. A solar year
// below 100 is taken as 13YY; a Gregorian year is used as passed. Days past a month's end run on.
TDateParts SolarToChristianParts(TDateParts ASolar);
TDateParts ChristianToSolarParts(TDateParts AChristian);
// The same on strings: the result is year "/" month "/" day without leading zeros (2008/3/20).
// A date that does not split gives "".
TDateStr SolarToChristianDateStr(const TDateStr& ADate);
TDateStr ChristianToSolarDateStr(const TDateStr& ADate);

// Upper bounds only: a day or month of 0 passes.
bool IsValidSolarParts(TDateParts AParts);
bool IsValidChristianParts(TDateParts AParts);
bool IsValidSolarDate(const TDateStr& ADate);
bool IsValidChristianDate(const TDateStr& ADate);
// A solar date with month 1..12 and day 1..31 that IsValidSolarDate accepts.
bool IsValidDate(const TDateStr& ADate);
// A day that exists in its calendar, as the clocks give dates: a year above 1500 is Gregorian,
// a year from 1 to 1500 solar; month and day count from 1.
bool IsCalendarDate(int AYear, int AMonth, int ADay);
// A time of day: hour 0..23, minute and second 0..59.
bool IsDayTime(int AHour, int AMinute, int ASecond = 0);
// "HH:MM" with hour 0..23 and minute 0..59; the separator is not examined.
bool IsValidTime(const TTimeStr& ATime);
// True when every character is a decimal digit (also for "").
bool IsDigits(const std::string& S);
// "8" -> "08:00", "830" -> "08:30", "12:5" -> "12:05", "" -> "00:00".
TTimeStr NormalizeTime(const TTimeStr& ATime);

// Minutes from the start of solar year 1379 to a clock's date and time. The date's year decides
// its calendar: below 80 a two-digit Gregorian year (20YY), above 1900 a Gregorian year, 80..99 a
// two-digit solar year (13YY), anything else a solar year. Whole years are counted with
// IsSolarLeap, and years before 1380 add none. An empty time is midnight; a date that does not
// split counts no days. Never throws: an hour or minute that is not a number ends the count where
// it stands (an unreadable hour leaves it in hours). Results beyond 32 bits saturate.
std::int32_t CalcRelativeTime(const TDateStr& ADate, const TTimeStr& ATime);

// One date and time of a clock, with its relative time computed once per change.
class TCalcDateTime {
 public:
  const TDateStr& Date() const { return FDate; }
  void SetDate(const TDateStr& AValue);
  const TTimeStr& Time() const { return FTime; }
  // Stores the time normalised to HH:MM.
  void SetTime(const TTimeStr& AValue);
  std::int32_t RelativeTime() const;
  bool IsValid() const;
  // True while the cached relative time matches the date and time.
  bool RelativeTimeCalculated() const { return FRelativeTimeCalculated; }

 private:
  mutable std::int32_t FRelativeTime = 0;
  TDateStr FDate;
  TTimeStr FTime;
  mutable bool FRelativeTimeCalculated = false;
};

// A begin and an end date-time; Duration tells how many minutes lie between them.
class TTransaction {
 public:
  TTransaction() = default;
  TTransaction(const TDateStr& ABeginDate, const TTimeStr& ABeginTime, const TDateStr& AEndDate,
               const TTimeStr& AEndTime);
  TCalcDateTime& BeginDateTime() { return FBeginDateTime; }
  TCalcDateTime& EndDateTime() { return FEndDateTime; }
  const TCalcDateTime& BeginDateTime() const { return FBeginDateTime; }
  const TCalcDateTime& EndDateTime() const { return FEndDateTime; }
  // End minus begin, in minutes: not negative when the begin is not later than the end.
  std::int32_t Duration() const;

 private:
  TCalcDateTime FBeginDateTime;
  TCalcDateTime FEndDateTime;
};
