#include <ostream>

#include "cli/Commands.h"
#include "utils/HexText.h"

// One command exchange: send HEX --reply-length N [--reply-start HEX].
int RunSendCommand(std::vector<std::string>& AArgs, const LineOptions& ALineOptions,
                   std::ostream& AOut, std::ostream& AErr) {
  const auto length = TakeOption(AArgs, "--reply-length");
  const auto start = TakeOption(AArgs, "--reply-start");
  if (AArgs.size() != 1) throw UsageError{"send needs exactly one HEX command"};
  const auto command = HexTextToBytes(AArgs[0]);
  if (!command || command->empty()) throw UsageError{"not a hex command: '" + AArgs[0] + "'"};
  if (!length) throw UsageError{"send needs --reply-length N"};
  const int replyLength = ParseInt(*length, "--reply-length", 0, 65535);
  std::string replyStart;
  if (start) {
    const auto bytes = HexTextToBytes(*start);
    if (!bytes) throw UsageError{"not hex: '" + *start + "'"};
    replyStart = *bytes;
  }

  auto line = BuildLine(ALineOptions);
  if (!OpenLine(*line, AErr)) return kExitLineNotOpened;
  TBasicClock& clock = LineClock(*line);
  clock.SetInDetectClocks(ALineOptions.Detecting);
  std::string reply;
  clock.SendCommand(*command, replyLength, replyStart, "", reply);
  AOut << BytesToHexText(reply) << "\n";
  return reply.empty() ? kExitNoAnswer : kExitDone;
}
