#include "DumpDates.h"

#include "calendar/ConvertError.h"
#include "calendar/DateValue.h"
#include "calendar/PersianCalendar.h"
#include "calendar/VexDateTime.h"
#include "utils/SystemDate.h"

namespace {
// The decimal number that S holds, digits only; EConvertError otherwise.
int ReadNumber(const std::string& S) {
  if (S.empty() || S.size() > 9) throw EConvertError("'" + S + "' is not a number");
  int value = 0;
  for (const char c : S) {
    if (c < '0' || c > '9') throw EConvertError("'" + S + "' is not a number");
    value = value * 10 + (c - '0');
  }
  return value;
}

std::string Part(const std::string& S, std::size_t AStart, std::size_t ALength) {
  return AStart < S.size() ? S.substr(AStart, ALength) : std::string();
}

// The clock's century and the record's YYMMDD as "YYYY/MM/DD".
std::string FullDate(const std::string& AClockDate, const std::string& ADate) {
  return Part(AClockDate, 0, 2) + Part(ADate, 0, 2) + "/" + Part(ADate, 2, 2) + "/" +
         Part(ADate, 4, 2);
}
}  // namespace

bool IsSolarYear(int AYear) {
  return AYear > 0 && AYear <= 1500;
}
bool IsGregorianYear(int AYear) {
  return AYear >= 1800;
}

void ConvertRecordDate(const std::string& AClockDate, const std::string& ACurrentYear,
                       TDateStr& ARecordDate) {
  try {
    const int clockYear = ReadNumber(Part(AClockDate, 0, 4));
    const std::string date = ARecordDate;
    if (date.empty()) return;
    const int currentYear = ReadNumber(ACurrentYear);
    if (IsGregorianYear(clockYear) && IsSolarYear(currentYear)) {
      // Read with the short date format, "YYYY/MM/DD" since the window's initialisation.
      const TDateValue day = StrToDate(FullDate(AClockDate, date));
      const std::string solar = SolarDateToStr(ChristianToSolar(day));
      ARecordDate = Part(solar, 2, 2) + Part(solar, 5, 2) + Part(solar, 8, 2);
    } else if (IsSolarYear(clockYear) && IsGregorianYear(currentYear)) {
      const std::string full = FullDate(AClockDate, date);
      TSolarDate solar;
      solar.Year = static_cast<std::uint16_t>(ReadNumber(Part(full, 0, 4)));
      solar.Month = static_cast<std::uint16_t>(ReadNumber(Part(full, 5, 2)));
      solar.Day = static_cast<std::uint16_t>(ReadNumber(Part(full, 8, 2)));
      ARecordDate = DateToStr(SolarToChristian(solar), "yymmdd");
    }
  } catch (const std::exception&) {
    // A date that cannot be read is shown as the clock gave it.
  }
}

std::string RecordListDate(const std::string& AClockDate, const std::string& ACurrentYear,
                           const TDateStr& ARecordDate) {
  TDateStr date = ARecordDate;
  ConvertRecordDate(AClockDate, ACurrentYear, date);
  TDateParts parts;
  if (StrToDateParts(date.str(), parts, 0) == dfNone) return std::string();
  if (parts.Year < 100) {
    // The calendar the date is in now tells the century: the computer's once converted, else the
    // clock's, or the computer's when the clock's date cannot be read.
    const bool converted = date.str() != ARecordDate.str();
    int century = -1;
    for (const std::string* year : {converted ? &ACurrentYear : &AClockDate, &ACurrentYear}) {
      try {
        century = ReadNumber(Part(*year, 0, 4)) / 100;
        break;
      } catch (const std::exception&) {
        // The next one.
      }
    }
    if (century <= 0) return DateStrToLongDate(date, 0);
    parts.Year += century * 100;
  }
  return PadNumber(parts.Year, 4) + "/" + PadNumber(parts.Month, 2) + "/" + PadNumber(parts.Day, 2);
}
