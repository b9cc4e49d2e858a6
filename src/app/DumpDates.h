#pragma once
// The calendar of a dumped record's date. A clock counts in the solar or the Gregorian calendar,
// and so does the computer; a record's date (YYMMDD) is shown in the computer's calendar.
#include <string>

#include "calendar/ShortString.h"

// The computer's calendar from its current year written in full: solar up to 1500, Gregorian
// from 1800 on; any other year names neither, and records keep their dates.
bool IsSolarYear(int AYear);
bool IsGregorianYear(int AYear);

// Converts ARecordDate (YYMMDD in the clock's calendar) into the computer's calendar.
// AClockDate is the clock's date with a four-digit year first ("2024/05/01", "1403/02/12"): its
// year tells the clock's calendar and gives the record's century. ACurrentYear is the computer's
// current year in full ("1405" or "2026"). A Gregorian record on a solar computer becomes a solar
// YYMMDD, a solar record on a Gregorian computer a Gregorian one; otherwise, and when anything
// cannot be read, ARecordDate stays as it was.
void ConvertRecordDate(const std::string& AClockDate, const std::string& ACurrentYear,
                       TDateStr& ARecordDate);

// A dumped record's date as the record list shows it: "YYYY/MM/DD" in the computer's calendar.
// The century comes from the calendar the date ends up in: the computer's current year when the
// date was converted, the clock's date otherwise (the current year when the clock's date cannot
// be read). '' when the date does not split.
std::string RecordListDate(const std::string& AClockDate, const std::string& ACurrentYear,
                           const TDateStr& ARecordDate);
