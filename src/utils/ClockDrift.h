#pragma once
// How far a clock's time is from the computer's: what a technician looks at to see which clocks
// need setting.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/SystemClock.h"

// The clock's date and time (ADate "YYYY/MM/DD", solar or Gregorian by its year, above 1800 is
// Gregorian; ATime "HH:MM") less the computer's ANow, in seconds: positive when the clock is
// ahead. The clocks tell whole minutes, so ANow counts to its minute too and a clock that shows
// the computer's minute is 0 off. Nothing when the date or time is no real date or time.
std::optional<std::int64_t> ClockDriftSeconds(const std::string& ADate, const std::string& ATime,
                                              const TLocalDateTime& ANow);
// The drift against the installed platform's clock now.
std::optional<std::int64_t> ClockDriftNow(const std::string& ADate, const std::string& ATime);
