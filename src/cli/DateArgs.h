#pragma once
// Dates and times typed on the command line, checked before anything is sent to a clock.
#include <string>

// AText as "YYYY/MM/DD": a four-digit year (above 1800 Gregorian, otherwise solar), "/" or "-"
// between the parts, a day that exists in that calendar. Raises UsageError naming AWhat.
std::string CheckedDateArg(const std::string& AText, const std::string& AWhat);
// AText ("H:MM" or "HH:MM", hour 0 to 23, minute 00 to 59) as "HH:MM". Raises UsageError.
std::string CheckedTimeArg(const std::string& AText, const std::string& AWhat);
