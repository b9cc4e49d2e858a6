#include <ostream>

#include "cli/Commands.h"
#include "cli/JsonText.h"
#include "platform/PlatformError.h"

// dial: dials the --modem number and reports the modem's verdict. The line hangs up when it is
// freed, as after every command on a modem line.
int RunDialCommand(std::vector<std::string>& AArgs, const LineOptions& ALineOptions,
                   std::ostream& AOut, std::ostream& AErr) {
  if (!AArgs.empty()) throw UsageError{"dial takes no arguments"};
  if (!ALineOptions.ModemNumber) throw UsageError{"dial needs --modem NUMBER"};

  auto line = BuildLine(ALineOptions);
  if (!OpenPort(*line, AErr)) return kExitLineNotOpened;
  std::string outcome;
  try {
    line->Dial(outcome);
  } catch (const PlatformError& e) {
    AErr << e.what() << "\n";
    return kExitLineNotOpened;
  }
  const bool connected = line->ModemConnected();
  if (ALineOptions.Json) {
    AOut << "{\"connected\":" << JsonBool(connected) << ",\"outcome\":" << JsonString(outcome)
         << ",\"speed\":" << JsonString(connected ? line->ConnectSpeed() : "") << "}\n";
    return connected ? kExitDone : kExitNoAnswer;
  }
  AOut << outcome;
  if (connected && !line->ConnectSpeed().empty()) AOut << " " << line->ConnectSpeed();
  AOut << "\n";
  return connected ? kExitDone : kExitNoAnswer;
}
