#include <ostream>

#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/JsonText.h"

// dial: dials the --modem number and reports the modem's verdict. The line hangs up when it is
// freed, as after every command on a modem line.
int RunDialCommand(std::vector<std::string>& AArgs, const LineOptions& ALineOptions,
                   std::ostream& AOut, std::ostream&) {
  RejectLeftovers(AArgs, "dial");
  if (!ALineOptions.ModemNumber) throw UsageError{"dial", "needs --modem NUMBER"};

  auto line = BuildLine(ALineOptions);
  OpenPort(*line);
  std::string outcome;
  DialLine(*line, outcome);
  const bool connected = line->ModemConnected();
  const std::string code = DialOutcomeCode(outcome);
  const std::string json = "\"connected\":" + JsonBool(connected) +
                           ",\"outcome\":" + JsonString(code) + ",\"text\":" + JsonString(outcome) +
                           ",\"speed\":" + JsonString(connected ? line->ConnectSpeed() : "");
  cli::ThrowIfInterrupted("dial " + *ALineOptions.ModemNumber, json);
  if (!connected)
    throw CliError("no-answer", "dial " + *ALineOptions.ModemNumber, code + " (" + outcome + ")",
                   json);
  if (ALineOptions.Json) {
    AOut << "{" << json << "}\n";
    return kExitDone;
  }
  AOut << outcome;
  if (!line->ConnectSpeed().empty()) AOut << " " << line->ConnectSpeed();
  AOut << "\n";
  return kExitDone;
}
