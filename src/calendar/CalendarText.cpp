#include "calendar/CalendarText.h"

#include <array>
#include <vector>

#include "calendar/ConvertError.h"
#include "calendar/PersianCalendar.h"

namespace {

// Gregorian dates are told from solar ones by their year.
constexpr int kLastSolarYear = 1800;

std::string Padded(int AValue, int AWidth) {
  std::string Text = std::to_string(AValue);
  while (static_cast<int>(Text.size()) < AWidth) Text.insert(0, "0");
  return Text;
}

std::string LongDate(int AYear, int AMonth, int ADay) {
  return Padded(AYear, 4) + "/" + Padded(AMonth, 2) + "/" + Padded(ADay, 2);
}

[[noreturn]] void Reject(const std::string& AText, const std::string& AReason) {
  throw EConvertError("'" + AText + "' is not a valid date: " + AReason);
}

int SolarMonthDays(int AYear, int AMonth) {
  if (AMonth <= 6) return 31;
  if (AMonth <= 11) return 30;
  return IsSolarLeapYear(static_cast<std::uint16_t>(AYear)) ? 30 : 29;
}

}  // namespace

std::string ConvertDateText(const std::string& AText) {
  std::size_t Begin = 0, End = AText.size();
  while (Begin < End && static_cast<unsigned char>(AText[Begin]) <= ' ') ++Begin;
  while (End > Begin && static_cast<unsigned char>(AText[End - 1]) <= ' ') --End;
  const std::string Text = AText.substr(Begin, End - Begin);

  std::vector<std::string> Parts(1);
  for (char C : Text) {
    if (C == '/' || C == '-') {
      Parts.emplace_back();
    } else if (C >= '0' && C <= '9') {
      Parts.back() += C;
    } else {
      Reject(AText, "expected YYYY/MM/DD with digits only");
    }
  }
  if (Parts.size() != 3) Reject(AText, "expected YYYY/MM/DD");
  const std::array<std::size_t, 3> MaxDigits = {4, 2, 2};
  for (std::size_t I = 0; I < 3; ++I) {
    if (Parts[I].empty() || Parts[I].size() > MaxDigits[I]) {
      Reject(AText, "expected YYYY/MM/DD");
    }
  }
  const int Year = std::stoi(Parts[0]);
  const int Month = std::stoi(Parts[1]);
  const int Day = std::stoi(Parts[2]);
  if (Month < 1 || Month > 12) Reject(AText, "the month must be 1 to 12");

  if (Year > kLastSolarYear) {
    TDateValue Date;
    try {
      Date = EncodeDate(Year, Month, Day);
    } catch (const EConvertError&) {
      Reject(AText, "no such day in the Gregorian calendar");
    }
    const TSolarDate Solar = ChristianToSolar(Date);
    return LongDate(Solar.Year, Solar.Month, Solar.Day);
  }

  if (Year < 1) Reject(AText, "the year must be at least 1");
  if (Day < 1 || Day > SolarMonthDays(Year, Month)) {
    Reject(AText, "no such day in the solar calendar");
  }
  TSolarDate Solar;
  Solar.Year = static_cast<std::uint16_t>(Year);
  Solar.Month = static_cast<std::uint16_t>(Month);
  Solar.Day = static_cast<std::uint16_t>(Day);
  int GregorianYear = 0, GregorianMonth = 0, GregorianDay = 0;
  DecodeDate(SolarToChristian(Solar), GregorianYear, GregorianMonth, GregorianDay);
  return LongDate(GregorianYear, GregorianMonth, GregorianDay);
}
