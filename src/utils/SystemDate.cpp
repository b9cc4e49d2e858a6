#include "utils/SystemDate.h"

#include "platform/Platform.h"

TDateValue DateOf(const TLocalDateTime& ADateTime) {
  return EncodeDate(ADateTime.Year, ADateTime.Month, ADateTime.Day);
}

TDateValue Today() {
  return DateOf(platform::Clock().localNow());
}

TSolarDate SolarToday() {
  return ChristianToSolar(Today());
}

TDateValue StrToDate(const std::string& S) {
  return StrToDate(S, ShortDateFormat(), platform::Clock().localNow().Year);
}
