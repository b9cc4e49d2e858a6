// The settings string of a clock: number;model;Active|Inactive, for example "5;KRCorax;Active".
// The line and the list of lines join these strings into their own.
#include "adapters/KRMira/KRMira.h"
#include "calendar/VexDateTime.h"
#include "clock/ClockOpsSupport.h"
#include "clock/VexClock.h"
#include "utils/TextFields.h"

namespace {
constexpr int kLowestClockNumber = 1;
constexpr int kHighestClockNumber = 32;
}  // namespace

std::string TBasicClock::BuildProperties() {
  return std::to_string(ClockNumber) + ";" + ClockTypeToStr(ClockType) + ";" +
         (Active ? "Active" : "Inactive");
}

void TBasicClock::ApplyProperties(const std::string& AValue) {
  std::string rest = AValue;
  std::string field;
  ExtractField(rest, ';', field);
  // An empty number, or one outside the clock numbers of a line, leaves the number as it is.
  // (Nine digits at most are read; a longer number is out of range anyway.)
  if (!field.empty() && IsDigits(field)) {
    const long long number = field.size() > 9 ? -1 : std::stoll(field);
    if (number >= kLowestClockNumber && number <= kHighestClockNumber)
      ClockNumber = static_cast<TClockNumber>(number);
  }
  ExtractField(rest, ';', field);
  ClockType = StrToClockType(field);
  if (ClockType == KRMiraClock) FKrMira->SetIpAddress(LineIpAddress());
  ExtractField(rest, ';', field);
  field = clockops::UpperText(field);
  if (field == "ACTIVE")
    Active = true;
  else if (field == "INACTIVE")
    Active = false;
}
