#include "calendar/PersianCalendar.h"

#include "calendar/ConvertError.h"
#include "calendar/FloorDivision.h"

namespace {

// Leap years Y with 0 <= Y + 11 < AShifted, counted as a difference function: the number of leap
// years in [A, B) is LeapCount(B + 11) - LeapCount(A + 11) for any A <= B.
std::int64_t LeapCount(std::int64_t AShifted) {
  return 8 * FloorDiv(AShifted, 33) + (FloorMod(AShifted, 33) + 3) / 4;
}

constexpr std::int64_t kAnchorYear = 1343;  // began on 1964-03-21

}  // namespace

namespace calendar {

std::int64_t ChristianToDayNumber(std::int64_t AYear, std::int64_t AMonth, std::int64_t ADay) {
  std::int64_t Y = AYear + FloorDiv(AMonth - 1, 12);
  const std::int64_t M = FloorMod(AMonth - 1, 12) + 1;
  // Counted from 1 March so that the leap day ends the counting year.
  Y -= M <= 2 ? 1 : 0;
  const std::int64_t Era = FloorDiv(Y, 400);
  const std::int64_t YearOfEra = Y - Era * 400;
  const std::int64_t DayOfYear = (153 * (M > 2 ? M - 3 : M + 9) + 2) / 5;
  const std::int64_t DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
  return Era * 146097 + DayOfEra - 719468 + (ADay - 1);
}

void DayNumberToChristian(std::int64_t ADayNumber, std::int64_t& AYear, int& AMonth, int& ADay) {
  const std::int64_t Z = ADayNumber + 719468;
  const std::int64_t Era = FloorDiv(Z, 146097);
  const std::int64_t DayOfEra = Z - Era * 146097;
  const std::int64_t YearOfEra =
      (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
  const std::int64_t DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
  const std::int64_t MonthFromMarch = (5 * DayOfYear + 2) / 153;
  ADay = static_cast<int>(DayOfYear - (153 * MonthFromMarch + 2) / 5 + 1);
  AMonth = static_cast<int>(MonthFromMarch < 10 ? MonthFromMarch + 3 : MonthFromMarch - 9);
  AYear = YearOfEra + Era * 400 + (AMonth <= 2 ? 1 : 0);
}

std::int64_t SolarNewYearDay(std::int64_t AYear) {
  static const std::int64_t AnchorDay = ChristianToDayNumber(1964, 3, 21);
  return AnchorDay + 365 * (AYear - kAnchorYear) + LeapCount(AYear + 11) -
         LeapCount(kAnchorYear + 11);
}

std::int64_t SolarToDayNumber(std::int64_t AYear, std::int64_t AMonth, std::int64_t ADay) {
  // Months 1..7 are preceded by months of 31 days; from month 8 on, six of 31 and the rest of 30.
  const std::int64_t DayOfYear =
      AMonth <= 7 ? (AMonth - 1) * 31 + ADay : (AMonth - 1) * 30 + ADay + 6;
  return SolarNewYearDay(AYear) + DayOfYear - 1;
}

void DayNumberToSolar(std::int64_t ADayNumber, std::int64_t& AYear, int& AMonth, int& ADay) {
  std::int64_t GregorianYear = 0;
  int GregorianMonth = 0, GregorianDay = 0;
  DayNumberToChristian(ADayNumber, GregorianYear, GregorianMonth, GregorianDay);
  std::int64_t Year = GregorianYear - 621;
  while (ADayNumber < SolarNewYearDay(Year)) --Year;
  while (ADayNumber >= SolarNewYearDay(Year + 1)) ++Year;
  const std::int64_t DayOfYear = ADayNumber - SolarNewYearDay(Year) + 1;  // 1..366
  if (DayOfYear <= 186) {
    AMonth = static_cast<int>((DayOfYear - 1) / 31 + 1);
    ADay = static_cast<int>((DayOfYear - 1) % 31 + 1);
  } else {
    const std::int64_t K = DayOfYear - 186;
    AMonth = static_cast<int>((K - 1) / 30 + 7);
    ADay = static_cast<int>((K - 1) % 30 + 1);
  }
  AYear = Year;
}

}  // namespace calendar

bool IsChristianLeapYear(std::uint16_t AYear) {
  return (AYear % 4 == 0 && AYear % 100 != 0) || AYear % 400 == 0;
}

bool IsSolarLeapYear(std::uint16_t AYear) {
  const int R = (AYear + 11) % 33;
  return R % 4 == 0 && R != 32;
}

TDateValue SolarToChristian(TSolarDate ADate) {
  std::int64_t Year = 0;
  int Month = 0, Day = 0;
  calendar::DayNumberToChristian(calendar::SolarToDayNumber(ADate.Year, ADate.Month, ADate.Day),
                                 Year, Month, Day);
  // Callers that read dates back with the default format rely on this.
  SetShortDateFormat("YYYY/MM/DD");
  if (Year < 1 || Year > 9999) {
    throw EConvertError("Solar date " + SolarDateToStr(ADate) + " has no Gregorian day");
  }
  return EncodeDate(static_cast<int>(Year), Month, Day);
}

void ChristianToSolar(TDateValue ADate, TSolarDate& ASolarDate) {
  std::int64_t Year = 0;
  int Month = 0, Day = 0;
  calendar::DayNumberToSolar(ADate.time_since_epoch().count(), Year, Month, Day);
  if (Year < 1 || Year > 0xFFFF) {
    throw EConvertError("Gregorian date " + DateToStr(ADate, "YYYY/MM/DD") +
                        " is before the solar calendar");
  }
  ASolarDate.DayOfWeek = static_cast<std::uint16_t>(DayOfWeek(ADate));
  ASolarDate.Month = static_cast<std::uint16_t>(Month);
  ASolarDate.Day = static_cast<std::uint16_t>(Day);
  ASolarDate.Year = static_cast<std::uint16_t>(Year);
}

TSolarDate ChristianToSolar(TDateValue ADate) {
  TSolarDate Result;
  ChristianToSolar(ADate, Result);
  return Result;
}

std::string SolarDateToStr(TSolarDate ADate) {
  auto TwoDigits = [](int AValue) { return (AValue < 10 ? "0" : "") + std::to_string(AValue); };
  return std::to_string(ADate.Year) + "/" + TwoDigits(ADate.Month) + "/" + TwoDigits(ADate.Day);
}
