#include "calendar/VexDateTime.h"

#include <array>
#include <limits>

#include "calendar/DateType.h"
#include "calendar/FloorDivision.h"
#include "calendar/PersianCalendar.h"
#include "calendar/TrimBlanks.h"

namespace {

// The dates that IsValidDate checks are written in this calendar.
constexpr TDateType kUnitDateType = Solar;

constexpr std::array<int, 12> kChristianMonthDays = {31, 28, 31, 30, 31, 30,
                                                     31, 31, 30, 31, 30, 31};

// The solar year that relative time counts from.
constexpr std::int64_t kRelativeBaseYear = 1379;

std::int32_t Saturate(std::int64_t AValue) {
  if (AValue > std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (AValue < std::numeric_limits<std::int32_t>::min()) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(AValue);
}

int DigitValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return 99;
}

// Reads a number the way the clocks' date texts have always been read: leading blanks, a sign,
// a hexadecimal prefix "$", "x", "X", "0x" or "0X", then digits up to the first one that does not
// fit (or would overflow). AComplete tells whether the whole text was used and held a digit.
std::int32_t ReadNumber(const std::string& S, bool& AComplete) {
  std::size_t I = 0;
  while (I < S.size() && (S[I] == ' ' || S[I] == '\t')) ++I;
  bool Negative = false;
  if (I < S.size() && (S[I] == '-' || S[I] == '+')) {
    Negative = S[I] == '-';
    ++I;
  }
  int Base = 10;
  if (I < S.size() && (S[I] == '$' || S[I] == 'x' || S[I] == 'X')) {
    Base = 16;
    ++I;
  } else if (I + 1 < S.size() && S[I] == '0' && (S[I + 1] == 'x' || S[I + 1] == 'X')) {
    Base = 16;
    I += 2;
  }
  const std::int64_t Limit =
      static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + (Negative ? 1 : 0);
  std::int64_t Value = 0;
  bool AnyDigit = false;
  bool Overflow = false;
  while (I < S.size() && DigitValue(S[I]) < Base) {
    const std::int64_t Next = Value * Base + DigitValue(S[I]);
    if (Next > Limit) {
      Overflow = true;
      break;
    }
    Value = Next;
    AnyDigit = true;
    ++I;
  }
  AComplete = AnyDigit && !Overflow && I == S.size();
  return static_cast<std::int32_t>(Negative ? -Value : Value);
}

std::int32_t LenientStrToInt(const std::string& S) {
  bool Complete = false;
  return ReadNumber(S, Complete);
}

bool StrictStrToInt(const std::string& S, std::int32_t& AValue) {
  bool Complete = false;
  AValue = ReadNumber(S, Complete);
  return Complete;
}

std::string PlainDate(std::int64_t AYear, std::int64_t AMonth, std::int64_t ADay) {
  return std::to_string(AYear) + "/" + std::to_string(AMonth) + "/" + std::to_string(ADay);
}

// A two-digit year below 80 (0..79) gets 2000 added, 80..99 gets 1300 added.
int WidenYear(int AYear, int AGregorianBelow) {
  if (AYear >= 0 && AYear < AGregorianBelow) return AYear + 2000;
  if (AYear >= AGregorianBelow && AYear <= 99) return AYear + 1300;
  return AYear;
}

void SolarFromChristian(std::int64_t AYear, std::int64_t AMonth, std::int64_t ADay,
                        std::int64_t& ASolarYear, int& ASolarMonth, int& ASolarDay) {
  calendar::DayNumberToSolar(calendar::ChristianToDayNumber(AYear, AMonth, ADay), ASolarYear,
                             ASolarMonth, ASolarDay);
}

// Days of the solar months before AMonth.
std::int64_t DaysBeforeSolarMonth(std::int64_t AMonth) {
  return AMonth <= 7 ? (AMonth - 1) * 31 : (AMonth - 1) * 30 + 6;
}

// Leap years by IsSolarLeap among the years Y >= 1300 with Y - 22 < AShifted, as a difference
// function (see DaysFromRelativeBase).
std::int64_t LenientLeapCount(std::int64_t AShifted) {
  return 9 * FloorDiv(AShifted, 33) + (FloorMod(AShifted, 33) + 3) / 4;
}

// Days of the whole solar years from 1379 up to AYear - 1, each leap by IsSolarLeap.
std::int64_t DaysFromRelativeBase(std::int64_t AYear) {
  if (AYear <= kRelativeBaseYear) return 0;
  return 365 * (AYear - kRelativeBaseYear) + LenientLeapCount(AYear - 22) -
         LenientLeapCount(kRelativeBaseYear - 22);
}

}  // namespace

std::string PadNumber(int AValue, int ADigits) {
  std::string Text = std::to_string(AValue);
  const std::size_t Width = ADigits < 0 ? 0 : static_cast<std::size_t>(ADigits);
  while (Text.size() < Width) Text.insert(0, "0");
  if (Text.size() > Width) Text.erase(0, Text.size() - Width);
  return Text;
}

int SplitDateStr(const std::string& S, std::string& AYear, std::string& AMonth, std::string& ADay,
                 int ADefaultYear) {
  AYear.clear();
  AMonth.clear();
  ADay.clear();
  std::string Text = TrimBlanks(S);
  while (!Text.empty() && Text.front() == '/') Text = TrimBlanks(Text.substr(1));
  while (!Text.empty() && Text.back() == '/') Text = TrimBlanks(Text.substr(0, Text.size() - 1));
  if (Text.empty()) return dfNone;

  int Form = dfNone;
  const std::size_t FirstSlash = Text.find('/');
  if (FirstSlash == std::string::npos) {
    const std::size_t L = Text.size();
    if (L <= 2) {
      ADay = Text;  // a day alone: the month is missing
    } else if (L <= 4) {
      AMonth = Text.substr(0, L - 2);
      ADay = Text.substr(L - 2);
      Form = dfMMDD;
    } else {
      AYear = Text.substr(0, L - 4);
      AMonth = Text.substr(L - 4, 2);
      ADay = Text.substr(L - 2);
      Form = AYear.size() <= 2 ? dfYYMMDD : dfYYYYMMDD;
    }
  } else {
    AYear = Text.substr(0, FirstSlash);
    const std::string Rest = Text.substr(FirstSlash + 1);
    const std::size_t NextSlash = Rest.find('/');
    if (NextSlash == std::string::npos) {
      AMonth = AYear;
      AYear.clear();
      ADay = Rest;
      Form = dfMD;
    } else {
      AMonth = Rest.substr(0, NextSlash);
      ADay = Rest.substr(NextSlash + 1, 2);  // anything after the day's two characters is ignored
      Form = AYear.size() <= 2 ? dfYYMD : dfYYYYMD;
    }
  }
  if (ADay.size() == 1) ADay.insert(0, "0");
  if (AMonth.size() == 1) AMonth.insert(0, "0");
  if (AYear.empty())
    AYear = ADefaultYear == 0 ? PadNumber(kDefaultDateYear, 4) : PadNumber(ADefaultYear, 4);
  if (ADay.empty() || AMonth.empty()) return dfNone;
  return Form;
}

int DecodeDateStr(const std::string& S, int& AYear, int& AMonth, int& ADay, int ADefaultYear) {
  std::string YearText, MonthText, DayText;
  const int Form = SplitDateStr(S, YearText, MonthText, DayText, ADefaultYear);
  AYear = AMonth = ADay = 0;
  if (Form != dfNone) {
    AYear = LenientStrToInt(YearText);
    AMonth = LenientStrToInt(MonthText);
    ADay = LenientStrToInt(DayText);
  }
  return Form;
}

int StrToDateParts(const std::string& S, TDateParts& AParts, int ADefaultYear) {
  return DecodeDateStr(S, AParts.Year, AParts.Month, AParts.Day, ADefaultYear);
}

std::string DateStrToMMDD(const TDateStr& ADate, int ADefaultYear) {
  TDateParts P;
  if (StrToDateParts(ADate, P, ADefaultYear) == dfNone) return "";
  return PadNumber(P.Month, 2) + PadNumber(P.Day, 2);
}

std::string DateStrToYYMMDD(const TDateStr& ADate, int ADefaultYear) {
  TDateParts P;
  if (StrToDateParts(ADate, P, ADefaultYear) == dfNone) return "";
  return PadNumber(P.Year, 2) + PadNumber(P.Month, 2) + PadNumber(P.Day, 2);
}

std::string DateStrToYYYYMMDD(const TDateStr& ADate, int ADefaultYear) {
  TDateParts P;
  if (StrToDateParts(ADate, P, ADefaultYear) == dfNone) return "";
  return PadNumber(WidenYear(P.Year, 80), 4) + PadNumber(P.Month, 2) + PadNumber(P.Day, 2);
}

std::string DateStrToShortDate(const TDateStr& ADate, int ADefaultYear) {
  TDateParts P;
  if (StrToDateParts(ADate, P, ADefaultYear) == dfNone) return "";
  return PadNumber(P.Year, 2) + "/" + PadNumber(P.Month, 2) + "/" + PadNumber(P.Day, 2);
}

std::string DateStrToLongDate(const TDateStr& ADate, int ADefaultYear) {
  TDateParts P;
  if (StrToDateParts(ADate, P, ADefaultYear) == dfNone) return "";
  return PadNumber(WidenYear(P.Year, 70), 4) + "/" + PadNumber(P.Month, 2) + "/" +
         PadNumber(P.Day, 2);
}

bool IsSolarLeap(std::uint16_t AYear) {
  const int Year = AYear < 1300 ? AYear + 1300 : AYear;
  return (Year - 22) % 33 % 4 == 0;
}

bool IsChristianLeap(std::uint16_t AYear) {
  return (AYear % 4 == 0 && AYear % 100 != 0) || AYear % 400 == 0;
}

TDateParts SolarToChristianParts(TDateParts ASolar) {
  const std::int64_t Year = ASolar.Year < 100 ? std::int64_t{ASolar.Year} + 1300 : ASolar.Year;
  std::int64_t ChristianYear = 0;
  TDateParts Result;
  calendar::DayNumberToChristian(calendar::SolarToDayNumber(Year, ASolar.Month, ASolar.Day),
                                 ChristianYear, Result.Month, Result.Day);
  Result.Year = static_cast<std::int32_t>(ChristianYear);
  return Result;
}

TDateParts ChristianToSolarParts(TDateParts AChristian) {
  std::int64_t SolarYear = 0;
  TDateParts Result;
  SolarFromChristian(AChristian.Year, AChristian.Month, AChristian.Day, SolarYear, Result.Month,
                     Result.Day);
  Result.Year = static_cast<std::int32_t>(SolarYear);
  return Result;
}

TDateStr SolarToChristianDateStr(const TDateStr& ADate) {
  TDateParts P;
  if (StrToDateParts(ADate, P, 0) == dfNone) return TDateStr();
  const TDateParts C = SolarToChristianParts(P);
  return PlainDate(C.Year, C.Month, C.Day);
}

TDateStr ChristianToSolarDateStr(const TDateStr& ADate) {
  TDateParts P;
  if (StrToDateParts(ADate, P, 0) == dfNone) return TDateStr();
  const TDateParts S = ChristianToSolarParts(P);
  return PlainDate(S.Year, S.Month, S.Day);
}

bool IsValidSolarParts(TDateParts AParts) {
  const int M = AParts.Month, D = AParts.Day;
  return (M <= 6 && D <= 31) || (M < 12 && D <= 30) ||
         (M == 12 && (D < 30 || (D == 30 && IsSolarLeap(static_cast<std::uint16_t>(AParts.Year)))));
}

bool IsValidChristianParts(TDateParts AParts) {
  const int M = AParts.Month, D = AParts.Day;
  if (M < 1 || M > 12) return false;
  return D <= kChristianMonthDays[M - 1] ||
         (M == 2 && D == 29 && IsChristianLeap(static_cast<std::uint16_t>(AParts.Year)));
}

bool IsValidSolarDate(const TDateStr& ADate) {
  TDateParts P;
  return StrToDateParts(ADate, P, 0) != dfNone && IsValidSolarParts(P);
}

bool IsValidChristianDate(const TDateStr& ADate) {
  TDateParts P;
  return StrToDateParts(ADate, P, 0) != dfNone && IsValidChristianParts(P);
}

bool IsValidDate(const TDateStr& ADate) {
  TDateParts P;
  if (StrToDateParts(ADate, P, 0) == dfNone) return false;
  if (P.Day < 1 || P.Day > 31 || P.Month < 1 || P.Month > 12) return false;
  return kUnitDateType == Solar ? IsValidSolarDate(ADate) : IsValidChristianDate(ADate);
}

bool IsCalendarDate(int AYear, int AMonth, int ADay) {
  constexpr int kLastSolarYear = 1500;
  constexpr int kLastYear = 9999;
  if (AYear < 1 || AYear > kLastYear || AMonth < 1 || AMonth > 12 || ADay < 1) return false;
  const TDateParts parts{AYear, AMonth, ADay};
  return AYear > kLastSolarYear ? IsValidChristianParts(parts) : IsValidSolarParts(parts);
}

bool IsDayTime(int AHour, int AMinute, int ASecond) {
  return AHour >= 0 && AHour <= 23 && AMinute >= 0 && AMinute <= 59 && ASecond >= 0 &&
         ASecond <= 59;
}

bool IsValidTime(const TTimeStr& ATime) {
  const std::string& T = ATime;
  if (T.size() != 5) return false;
  for (std::size_t I : {0u, 1u, 3u, 4u}) {
    if (T[I] < '0' || T[I] > '9') return false;
  }
  const int Hour = (T[0] - '0') * 10 + (T[1] - '0');
  const int Minute = (T[3] - '0') * 10 + (T[4] - '0');
  return Hour <= 23 && Minute <= 59;
}

bool IsDigits(const std::string& S) {
  for (char C : S) {
    if (C < '0' || C > '9') return false;
  }
  return true;
}

TTimeStr NormalizeTime(const TTimeStr& ATime) {
  std::string T = TrimBlanks(ATime);
  if (!T.empty() && T.front() == ':') T.erase(0, 1);
  if (!T.empty() && T.back() == ':') T.pop_back();
  T = TrimBlanks(T);
  std::size_t Colon = T.find(':');
  if (Colon == std::string::npos) {
    if (T.empty()) {
      T = "00:00";
    } else if (T.size() <= 2) {
      T += ":00";
    } else {
      T.insert(T.size() - 2, ":");
    }
    Colon = T.find(':');
  }
  if (Colon == 1) {
    T.insert(0, "0");
    ++Colon;
  }
  if (T.size() - Colon - 1 == 1) T.insert(Colon + 1, "0");
  return T;  // cut to five characters
}

std::int32_t CalcRelativeTime(const TDateStr& ADate, const TTimeStr& ATime) {
  std::int64_t Value = 0;
  if (!ADate.empty()) {
    TDateParts P;
    // A date that does not split counts as no days.
    if (StrToDateParts(ADate, P, 0) != dfNone) {
      std::int64_t Year = P.Year;
      std::int64_t Month = P.Month;
      std::int64_t Day = P.Day;
      if (P.Year < 80 || P.Year > 1900) {
        const std::int64_t ChristianYear = P.Year < 80 ? std::int64_t{P.Year} + 2000 : P.Year;
        int SolarMonth = 0, SolarDay = 0;
        SolarFromChristian(ChristianYear, P.Month, P.Day, Year, SolarMonth, SolarDay);
        Month = SolarMonth;
        Day = SolarDay;
      } else if (P.Year <= 99) {
        Year += 1300;
      }
      Value = (DaysFromRelativeBase(Year) + DaysBeforeSolarMonth(Month) + Day - 1) * 24;
    }
  }
  const std::string& Time = ATime;
  // A date without a time is its midnight: the count is still in minutes.
  if (Time.empty()) return Saturate(Value * 60);
  std::int32_t Hour = 0, Minute = 0;
  if (!StrictStrToInt(Time.substr(0, 2), Hour)) return Saturate(Value);
  Value = (Value + Hour) * 60;
  if (!StrictStrToInt(Time.size() > 3 ? Time.substr(3, 2) : std::string(), Minute)) {
    return Saturate(Value);
  }
  return Saturate(Value + Minute);
}

void TCalcDateTime::SetDate(const TDateStr& AValue) {
  if (AValue == FDate) return;
  FDate = AValue;
  FRelativeTimeCalculated = false;
}

void TCalcDateTime::SetTime(const TTimeStr& AValue) {
  // Compared with the stored (normalised) time: "8:30" after "08:30" stores "08:30" again.
  if (AValue == FTime) return;
  FTime = NormalizeTime(AValue);
  FRelativeTimeCalculated = false;
}

std::int32_t TCalcDateTime::RelativeTime() const {
  if (!FRelativeTimeCalculated) {
    FRelativeTime = CalcRelativeTime(FDate, FTime);
    FRelativeTimeCalculated = true;
  }
  return FRelativeTime;
}

bool TCalcDateTime::IsValid() const {
  return IsValidDate(FDate) && IsValidTime(FTime);
}

TTransaction::TTransaction(const TDateStr& ABeginDate, const TTimeStr& ABeginTime,
                           const TDateStr& AEndDate, const TTimeStr& AEndTime) {
  FBeginDateTime.SetDate(ABeginDate);
  FBeginDateTime.SetTime(ABeginTime);
  FEndDateTime.SetDate(AEndDate);
  FEndDateTime.SetTime(AEndTime);
}

std::int32_t TTransaction::Duration() const {
  return Saturate(std::int64_t{FEndDateTime.RelativeTime()} - FBeginDateTime.RelativeTime());
}
