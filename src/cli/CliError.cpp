#include "cli/CliError.h"

#include <iterator>

#include "cli/JsonText.h"

namespace {
const TFailureCode kCodes[] = {
    {"no-answer", kExitNoAnswer, "no clock answered, or a clock stopped answering"},
    {"clock-empty", kExitNoAnswer, "the clock holds no record"},
    {"clock-refused", kExitNoAnswer, "a clock refused what it was asked to do"},
    {"not-supported", kExitNoAnswer, "the clock cannot tell or do that"},
    {"bad-answer", kExitNoAnswer,
     "a clock answered with what cannot be (a date or time that does not exist)"},
    {"bad-usage", kExitUsage, "the command line is wrong (an unknown option, a bad value)"},
    {"port-missing", kExitLineNotOpened, "the serial port does not exist"},
    {"port-busy", kExitLineNotOpened, "another program holds the serial port"},
    {"port-denied", kExitLineNotOpened, "no permission to open the serial port"},
    {"port-failed", kExitLineNotOpened, "the serial port failed"},
    {"connection-refused", kExitLineNotOpened, "nothing listens at that TCP address and port"},
    {"host-unknown", kExitLineNotOpened, "the TCP host name is not known"},
    {"timeout", kExitLineNotOpened, "the TCP connection was not made in time"},
    {"connection-failed", kExitLineNotOpened, "the TCP connection failed otherwise"},
    {"dial-failed", kExitLineNotOpened, "the modem did not connect"},
    {"write-failed", kExitWriteFailed, "an output file or folder could not be written"},
    {"interrupted", kExitInterrupted, "stopped by Ctrl-C (SIGINT) or SIGTERM"},
};
}  // namespace

const TFailureCode* FailureCodes(std::size_t& ACount) {
  ACount = std::size(kCodes);
  return kCodes;
}

int ExitCodeOf(const std::string& ACode) {
  for (const TFailureCode& c : kCodes)
    if (ACode == c.Code) return c.Exit;
  return kExitNoAnswer;
}

std::string FailureLine(const TCliFailure& AFailure) {
  std::string line = "clockctl: " + AFailure.What;
  if (!AFailure.Why.empty()) line += ": " + AFailure.Why;
  return line;
}

std::string FailureJson(const TCliFailure& AFailure) {
  std::string message = AFailure.What;
  if (!AFailure.Why.empty()) message += ": " + AFailure.Why;
  return "{\"code\":" + JsonString(AFailure.Code) + ",\"message\":" + JsonString(message) + "}";
}
