#include "cli/CalendarCommand.h"

#include "calendar/CalendarText.h"
#include "calendar/ConvertError.h"

namespace {
constexpr const char* kUsage =
    "usage: clockctl calendar YYYY/MM/DD\n"
    "  A year above 1800 is Gregorian and is shown as a solar date; any other year is solar\n"
    "  and is shown as a Gregorian date.\n";
}  // namespace

int RunCalendarCommand(const std::vector<std::string>& AArgs, std::ostream& AOut,
                       std::ostream& AErr) {
  if (AArgs.size() == 1 && (AArgs[0] == "-h" || AArgs[0] == "--help")) {
    AOut << kUsage;
    return 0;
  }
  if (AArgs.size() != 1) {
    AErr << "clockctl calendar: expected exactly one date\n" << kUsage;
    return 2;
  }
  try {
    AOut << ConvertDateText(AArgs[0]) << "\n";
    return 0;
  } catch (const EConvertError& E) {
    AErr << "clockctl calendar: " << E.what() << "\n";
    return 2;
  }
}
