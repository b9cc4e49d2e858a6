#include "connections/RecordDates.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "calendar/PersianCalendar.h"

namespace {

std::string Pad(std::int64_t AValue, int AWidth) {
  std::string text = std::to_string(AValue);
  if (static_cast<int>(text.size()) < AWidth) text.insert(0, AWidth - text.size(), '0');
  return text;
}

// The century that puts the two-digit AYear nearest to ANearYear.
int Widen(int AYear, int ANearYear) {
  int best = (ANearYear / 100) * 100 + AYear;
  for (const int candidate : {best - 100, best + 100})
    if (std::abs(candidate - ANearYear) < std::abs(best - ANearYear)) best = candidate;
  return best;
}

// The year, month and day of "YYYY/MM/DD", "YY/MM/DD" (also with "-", and month and day of one
// digit), "YYYYMMDD" or "YYMMDD"; AYearDigits tells how many digits the year has.
bool SplitRecordDate(const std::string& ADate, int& AYear, int& AYearDigits, int& AMonth,
                     int& ADay) {
  std::vector<std::string> parts;
  std::string part;
  for (const char ch : ADate) {
    if (ch == '/' || ch == '-') {
      parts.push_back(part);
      part.clear();
    } else if (ch >= '0' && ch <= '9') {
      part += ch;
    } else {
      return false;
    }
  }
  parts.push_back(part);
  if (parts.size() == 1) {
    // Digits only: the year takes what month and day leave.
    if (part.size() != 6 && part.size() != 8) return false;
    parts = {part.substr(0, part.size() - 4), part.substr(part.size() - 4, 2),
             part.substr(part.size() - 2)};
  }
  if (parts.size() != 3 || (parts[0].size() != 2 && parts[0].size() != 4)) return false;
  for (std::size_t i = 1; i < 3; ++i)
    if (parts[i].empty() || parts[i].size() > 2) return false;
  AYearDigits = static_cast<int>(parts[0].size());
  AYear = std::stoi(parts[0]);
  AMonth = std::stoi(parts[1]);
  ADay = std::stoi(parts[2]);
  return true;
}

}  // namespace

TRecordDay RecordDay(const std::string& ADate, TDateType ACalendar, int ANearYear) {
  TRecordDay day;
  day.Date = ADate;
  int year = 0, yearDigits = 0, month = 0, dayOfMonth = 0;
  if (!SplitRecordDate(ADate, year, yearDigits, month, dayOfMonth)) return day;
  TDateType calendar = ACalendar;
  if (yearDigits == 2)
    year = Widen(year, ANearYear);
  else
    calendar = year > 1800 ? Christian : Solar;
  if (month < 1 || month > 12 || dayOfMonth < 1 || dayOfMonth > 31) return day;

  // A day that does not exist (31 Esfand, 30 February) comes back from the day count as another.
  std::int64_t gregorianYear = year;
  int gregorianMonth = month;
  int gregorianDay = dayOfMonth;
  if (calendar == Solar) {
    const std::int64_t number = calendar::SolarToDayNumber(year, month, dayOfMonth);
    std::int64_t solarYear = 0;
    int solarMonth = 0;
    int solarDay = 0;
    calendar::DayNumberToSolar(number, solarYear, solarMonth, solarDay);
    if (solarYear != year || solarMonth != month || solarDay != dayOfMonth) return day;
    calendar::DayNumberToChristian(number, gregorianYear, gregorianMonth, gregorianDay);
  } else {
    calendar::DayNumberToChristian(calendar::ChristianToDayNumber(year, month, dayOfMonth),
                                   gregorianYear, gregorianMonth, gregorianDay);
    if (gregorianYear != year || gregorianMonth != month || gregorianDay != dayOfMonth) return day;
  }
  day.Valid = true;
  day.Date = Pad(year, 4) + "/" + Pad(month, 2) + "/" + Pad(dayOfMonth, 2);
  day.Gregorian = Pad(gregorianYear, 4) + "-" + Pad(gregorianMonth, 2) + "-" + Pad(gregorianDay, 2);
  return day;
}

std::string RecordTimeText(const TVexRecord& ARecord) {
  std::string time = ARecord.Time;
  if (ARecord.Second < 0 || ARecord.Second > 59) return time;
  time += ':';
  time += static_cast<char>('0' + ARecord.Second / 10);
  time += static_cast<char>('0' + ARecord.Second % 10);
  return time;
}
