#pragma once
#include <cstdint>
#include <string>

namespace sim {

// The calendar a clock keeps its date in. Card clocks sold here run on the solar hijri calendar;
// some are set to the Gregorian one.
enum class SimCalendar { Solar, Gregorian };

// A clock's date and time in its own calendar.
struct SimDateTime {
  int Year = 0, Month = 0, Day = 0;
  int Hour = 0, Minute = 0, Second = 0;
  bool operator==(const SimDateTime&) const = default;
};

// The clock firmware's own calendar arithmetic. The solar calendar follows the 33-year leap cycle
// and puts 1 Farvardin on 20 or 21 March, the same arithmetic the tool uses when it converts a
// solar date to Gregorian before setting a clock, so that a date set by the tool reads back
// unchanged.
namespace simcal {

bool isGregorianLeapYear(int AYear);
bool isSolarLeapYear(int AYear);
int daysInMonth(SimCalendar ACalendar, int AYear, int AMonth);
bool isValid(SimCalendar ACalendar, const SimDateTime& ADateTime);

// Days since 1970-01-01 of a Gregorian date.
std::int64_t gregorianToDays(int AYear, int AMonth, int ADay);
void daysToGregorian(std::int64_t ADays, int& AYear, int& AMonth, int& ADay);

// Days since 1970-01-01 of a date in the given calendar.
std::int64_t toDays(SimCalendar ACalendar, int AYear, int AMonth, int ADay);
void fromDays(SimCalendar ACalendar, std::int64_t ADays, int& AYear, int& AMonth, int& ADay);

// ADateTime moved by ASeconds (may be negative), days rolling over in the calendar's months.
SimDateTime addSeconds(SimCalendar ACalendar, const SimDateTime& ADateTime, std::int64_t ASeconds);

// Day of the week, 1 = Sunday to 7 = Saturday, as the clocks count it.
int dayOfWeek(SimCalendar ACalendar, const SimDateTime& ADateTime);

// The same moment in another calendar.
SimDateTime convert(const SimDateTime& ADateTime, SimCalendar AFrom, SimCalendar ATo);

// "YYYY/MM/DD HH:MM:SS".
std::string toString(const SimDateTime& ADateTime);

}  // namespace simcal
}  // namespace sim
