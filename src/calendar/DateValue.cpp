#include "calendar/DateValue.h"

#include <cctype>
#include <vector>

#include "calendar/ConvertError.h"

namespace {

std::string& ShortDateFormatSetting() {
  static std::string Format = "YYYY/MM/DD";
  return Format;
}

std::string Padded(int AValue, int AWidth) {
  const std::string Text = std::to_string(AValue);
  if (static_cast<int>(Text.size()) >= AWidth) return Text;
  return std::string(static_cast<std::size_t>(AWidth) - Text.size(), '0') + Text;
}

// The fields that a date format names, in the order in which it names them.
std::vector<char> FieldOrder(const std::string& AFormat) {
  std::vector<char> Order;
  for (char C : AFormat) {
    const char Field = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    if (Field != 'Y' && Field != 'M' && Field != 'D') continue;
    bool Seen = false;
    for (char F : Order) Seen = Seen || F == Field;
    if (!Seen) Order.push_back(Field);
  }
  return Order;
}

[[noreturn]] void NotADate(const std::string& S) {
  throw EConvertError("'" + S + "' is not a valid date");
}

}  // namespace

TDateValue EncodeDate(int AYear, int AMonth, int ADay) {
  using namespace std::chrono;
  const year_month_day Ymd{year{AYear}, month{static_cast<unsigned>(AMonth < 0 ? 0 : AMonth)},
                           day{static_cast<unsigned>(ADay < 0 ? 0 : ADay)}};
  if (AYear < 1 || AYear > 9999 || AMonth < 1 || AMonth > 12 || ADay < 1 || ADay > 31 ||
      !Ymd.ok()) {
    throw EConvertError("Invalid date: " + std::to_string(AYear) + "/" + std::to_string(AMonth) +
                        "/" + std::to_string(ADay));
  }
  return sys_days{Ymd};
}

void DecodeDate(TDateValue ADate, int& AYear, int& AMonth, int& ADay) {
  const std::chrono::year_month_day Ymd{ADate};
  AYear = static_cast<int>(Ymd.year());
  AMonth = static_cast<int>(static_cast<unsigned>(Ymd.month()));
  ADay = static_cast<int>(static_cast<unsigned>(Ymd.day()));
}

int DayOfWeek(TDateValue ADate) {
  return static_cast<int>(std::chrono::weekday{ADate}.c_encoding()) + 1;
}

const std::string& ShortDateFormat() {
  return ShortDateFormatSetting();
}

void SetShortDateFormat(const std::string& AFormat) {
  ShortDateFormatSetting() = AFormat;
}

std::string DateToStr(TDateValue ADate) {
  return DateToStr(ADate, ShortDateFormat());
}

std::string DateToStr(TDateValue ADate, const std::string& AFormat) {
  int Year = 0, Month = 0, Day = 0;
  DecodeDate(ADate, Year, Month, Day);
  std::string Result;
  std::size_t I = 0;
  while (I < AFormat.size()) {
    const char Field = static_cast<char>(std::toupper(static_cast<unsigned char>(AFormat[I])));
    std::size_t Run = 1;
    while (I + Run < AFormat.size() &&
           std::toupper(static_cast<unsigned char>(AFormat[I + Run])) == Field) {
      ++Run;
    }
    if (Field == 'Y') {
      Result += Run > 2 ? Padded(Year, 4) : Padded(Year % 100, 2);
    } else if (Field == 'M') {
      Result += Padded(Month, Run > 1 ? 2 : 1);
    } else if (Field == 'D') {
      Result += Padded(Day, Run > 1 ? 2 : 1);
    } else {
      Result.append(AFormat, I, Run);
    }
    I += Run;
  }
  return Result;
}

TDateValue StrToDate(const std::string& S, const std::string& AFormat, int ACurrentYear) {
  const std::vector<char> Order = FieldOrder(AFormat);
  if (Order.size() != 3) NotADate(S);
  std::size_t Begin = 0, End = S.size();
  while (Begin < End && std::isspace(static_cast<unsigned char>(S[Begin]))) ++Begin;
  while (End > Begin && std::isspace(static_cast<unsigned char>(S[End - 1]))) --End;

  int Year = 0, Month = 0, Day = 0;
  std::size_t YearDigits = 0;
  std::size_t Pos = Begin;
  for (std::size_t Field = 0; Field < 3; ++Field) {
    if (Field > 0) {
      // One separator between numbers, never a digit.
      if (Pos >= End || std::isdigit(static_cast<unsigned char>(S[Pos]))) NotADate(S);
      ++Pos;
    }
    const std::size_t Start = Pos;
    int Value = 0;
    while (Pos < End && std::isdigit(static_cast<unsigned char>(S[Pos])) && Pos - Start < 4) {
      Value = Value * 10 + (S[Pos] - '0');
      ++Pos;
    }
    if (Pos == Start) NotADate(S);
    if (Order[Field] == 'Y') {
      Year = Value;
      YearDigits = Pos - Start;
    } else if (Order[Field] == 'M') {
      Month = Value;
    } else {
      Day = Value;
    }
  }
  if (Pos != End) NotADate(S);
  if (YearDigits <= 2) Year += ACurrentYear - ACurrentYear % 100;
  try {
    return EncodeDate(Year, Month, Day);
  } catch (const EConvertError&) {
    NotADate(S);
  }
}
