#pragma once
// A date typed by the user, converted to the other calendar.
#include <string>

// Reads a date "YYYY/MM/DD" (or with "-" between the parts). A year above 1800 is Gregorian and
// the result is its solar date; any other year is solar and the result is its Gregorian date. The
// result is "YYYY/MM/DD". Throws EConvertError, with a message fit for the user, when the text is
// not such a date or names a day that does not exist.
std::string ConvertDateText(const std::string& AText);
