#pragma once
// The calendar's days as the installed platform's clock tells them: today, and dates read with
// the short date format in the current year's century.
#include <string>

#include "calendar/DateValue.h"
#include "calendar/PersianCalendar.h"
#include "platform/SystemClock.h"

// The date part of a local date and time; throws EConvertError when it holds no real day.
TDateValue DateOf(const TLocalDateTime& ADateTime);
// Today by the installed platform's clock, Gregorian and solar.
TDateValue Today();
TSolarDate SolarToday();
// StrToDate in the short date format, a two-digit year falling in the platform's current century.
TDateValue StrToDate(const std::string& S);
