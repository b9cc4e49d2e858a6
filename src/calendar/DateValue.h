#pragma once
// The computer's own date value (a Gregorian day), its encoding and decoding, and the short date
// format with which dates are written and read by default.
#include <chrono>
#include <string>

// A Gregorian day. Arithmetic on it counts days; no time of day is kept.
using TDateValue = std::chrono::sys_days;

// The day AYear-AMonth-ADay. Throws EConvertError when no such day exists or the year is outside
// 1..9999.
TDateValue EncodeDate(int AYear, int AMonth, int ADay);
void DecodeDate(TDateValue ADate, int& AYear, int& AMonth, int& ADay);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateValue ADate);

// The short date format: the pattern that DateToStr writes and StrToDate reads when no other is
// given. "YYYY" (or "Y", "YY": two digits) stands for the year, "MM"/"M" for the month, "DD"/"D"
// for the day (letters in either case, the doubled form with a leading zero); everything else is
// written as it stands. It starts as "YYYY/MM/DD"; converting a solar date to a Gregorian date
// sets it to that again.
const std::string& ShortDateFormat();
void SetShortDateFormat(const std::string& AFormat);

std::string DateToStr(TDateValue ADate);
std::string DateToStr(TDateValue ADate, const std::string& AFormat);
// Reads three numbers separated by single non-digit characters, in the order in which the format
// names year, month and day. A year of one or two digits falls in the century of ACurrentYear.
// Throws EConvertError for anything else. (utils/SystemDate.h reads in the short date format and
// the current year.)
TDateValue StrToDate(const std::string& S, const std::string& AFormat, int ACurrentYear);
