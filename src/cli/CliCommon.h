#pragma once
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "clock/ClockFamilies.h"
#include "cli/CliError.h"
#include "connections/ClockSet.h"

// The options that set up the line, shared by every command that talks to clocks.
struct LineOptions {
  std::string Port = "COM1";
  int Baud = 9600;
  std::optional<std::string> TcpHost;
  int TcpPort = kCardClockTcpPort;
  TProtocol Protocol = RS232;
  int Clock = 1;
  bool Detecting = false;
  bool Trace = false;
  // --modem NUMBER: a modem on the serial port; the line dials NUMBER when it is opened.
  std::optional<std::string> ModemNumber;
  // --search TYPE: which family of clocks a detection looks for, and how.
  TClockSearchType Search = cstKRTalFast;
  // --max-clock N: the highest clock number a bus scan probes.
  int MaxClock = 32;
  // --quick: each clock number is asked once per parity with a short timeout; --probe-timeout MS
  // (which implies --quick) sets that timeout, 0 for the detection's own.
  bool Quick = false;
  int ProbeTimeout = 0;
  // --json: the commands print one JSON object instead of tab-separated lines.
  bool Json = false;
};

// The valid values of --baud, "300, 600, ..." for a message.
std::string BaudRateList();

// Closes and frees a line: a modem line that is still connected hangs up first.
struct LineCloser {
  void operator()(TClockSet* ALine) const;
};
using LineHandle = std::unique_ptr<TClockSet, LineCloser>;

// Takes the line options out of AArgs (wherever they stand) and leaves the rest.
LineOptions TakeLineOptions(std::vector<std::string>& AArgs);
// Raises the usage error for the first word of AArgs that a command has not taken: an unknown
// option ("--frob") or an argument too many.
void RejectLeftovers(const std::vector<std::string>& AArgs, const std::string& ACommand);
// Takes "--name VALUE" out of AArgs; nothing when absent.
std::optional<std::string> TakeOption(std::vector<std::string>& AArgs, const std::string& AName);
bool TakeFlag(std::vector<std::string>& AArgs, const std::string& AName);
int ParseInt(const std::string& AText, const std::string& AWhat, int AMin, int AMax);

// A line set up as the options say, with its clock AOptions.Clock in the clock list.
LineHandle BuildLine(const LineOptions& AOptions);
// Opens the serial port or connects the socket, and on a modem line dials; raises CliError
// (port-missing, port-busy, connection-refused, host-unknown, dial-failed, ...) when the line
// cannot be opened or the dial does not connect.
void OpenLine(TClockSet& ALine);
// Opens the serial port or connects the socket only.
void OpenPort(TClockSet& ALine);
// Dials the line's number; AOutcome is the modem's verdict text. Shown as progress.
void DialLine(TClockSet& ALine, std::string& AOutcome);
// The stable code of a dial's outcome text: connected, busy, no-dial-tone, no-carrier, canceled.
std::string DialOutcomeCode(const std::string& AOutcome);
// The failure of a port that raised APlatformError while it was opened or used.
CliError PortFailure(const class PlatformError& AError);
TBasicClock& LineClock(TClockSet& ALine);
