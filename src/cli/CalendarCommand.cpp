#include "cli/CalendarCommand.h"

#include "calendar/CalendarText.h"
#include "cli/DateArgs.h"
#include "cli/JsonText.h"

int RunCalendarCommand(std::vector<std::string>& AArgs, const LineOptions& ALineOptions,
                       std::ostream& AOut, std::ostream&) {
  if (AArgs.empty()) throw UsageError{"calendar", "needs one date (YYYY/MM/DD)"};
  if (AArgs[0].size() > 1 && AArgs[0][0] == '-') RejectLeftovers(AArgs, "calendar");
  RejectLeftovers({AArgs.begin() + 1, AArgs.end()}, "calendar");
  const std::string date = CheckedDateArg(AArgs[0], "calendar");
  const std::string other = ConvertDateText(date);
  const bool gregorian = std::stoi(date.substr(0, 4)) > 1800;
  if (ALineOptions.Json)
    AOut << "{\"solar\":" << JsonString(gregorian ? other : date)
         << ",\"gregorian\":" << JsonString(gregorian ? date : other) << "}\n";
  else
    AOut << other << "\n";
  return kExitDone;
}
