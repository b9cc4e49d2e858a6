#pragma once
// A dumped record's date and time in the one form every output shows: the date in full in the
// clock's own calendar ("1403/09/17"), the same day in the Gregorian calendar as ISO
// ("2024-12-07"), and the time with its seconds where the clock gives them.
#include <string>

#include "calendar/DateType.h"
#include "utils/ClockVocabulary.h"

struct TRecordDay {
  // "YYYY/MM/DD" in the record's calendar; the date as the clock sent it when it names no day.
  std::string Date;
  // "YYYY-MM-DD"; "" when the date names no day.
  std::string Gregorian;
  // Whether the date names a real day.
  bool Valid = false;
};

// The day of a record dated ADate: "YYYY/MM/DD" or "YYMMDD" (also "YYYYMMDD" and "YY/MM/DD").
// A four-digit year tells its calendar (above 1800 Gregorian, else solar). A two-digit year is
// of ACalendar, in the century that puts it nearest to ANearYear (a year of that calendar, such
// as the current one): 03 near 1405 is 1403, 99 is 1399, 24 near 2026 is 2024.
TRecordDay RecordDay(const std::string& ADate, TDateType ACalendar, int ANearYear);

// "HH:MM", or "HH:MM:SS" when the record carries its seconds.
std::string RecordTimeText(const TVexRecord& ARecord);
