#include "utils/ClockDrift.h"

#include "calendar/PersianCalendar.h"
#include "calendar/VexDateTime.h"
#include "platform/Platform.h"

namespace {
constexpr int kFirstGregorianYear = 1800;

std::optional<std::int64_t> MinuteOfDay(const std::string& ATime) {
  if (ATime.size() != 5 || ATime[2] != ':' || !IsDigits(ATime.substr(0, 2)) ||
      !IsDigits(ATime.substr(3, 2)))
    return std::nullopt;
  const int hour = std::stoi(ATime.substr(0, 2));
  const int minute = std::stoi(ATime.substr(3, 2));
  if (hour > 23 || minute > 59) return std::nullopt;
  return hour * 60 + minute;
}
}  // namespace

std::optional<std::int64_t> ClockDriftSeconds(const std::string& ADate, const std::string& ATime,
                                              const TLocalDateTime& ANow) {
  TDateParts parts;
  // A four-digit year: a year of two digits does not say its calendar.
  if (StrToDateParts(ADate, parts, 0) == dfNone || parts.Year < 1000) return std::nullopt;
  const std::optional<std::int64_t> minute = MinuteOfDay(ATime);
  if (!minute || parts.Month < 1 || parts.Month > 12 || parts.Day < 1 || parts.Day > 31)
    return std::nullopt;
  const bool gregorian = parts.Year > kFirstGregorianYear;
  if (gregorian ? !IsValidChristianParts(parts) : !IsValidSolarParts(parts)) return std::nullopt;
  const std::int64_t day =
      gregorian ? calendar::ChristianToDayNumber(parts.Year, parts.Month, parts.Day)
                : calendar::SolarToDayNumber(parts.Year, parts.Month, parts.Day);
  const std::int64_t today = calendar::ChristianToDayNumber(ANow.Year, ANow.Month, ANow.Day);
  const std::int64_t clockMinutes = day * 1440 + *minute;
  const std::int64_t nowMinutes = today * 1440 + ANow.Hour * 60 + ANow.Minute;
  return (clockMinutes - nowMinutes) * 60;
}

std::optional<std::int64_t> ClockDriftNow(const std::string& ADate, const std::string& ATime) {
  return ClockDriftSeconds(ADate, ATime, platform::Clock().localNow());
}
