#pragma once
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "clock/ClockFamilies.h"
#include "connections/ClockSet.h"

// Exit codes of every clockctl command.
enum ExitCode { kExitDone = 0, kExitNoAnswer = 1, kExitUsage = 2, kExitLineNotOpened = 3 };

// An error in what the user typed: reported with the usage and exit code 2.
struct UsageError {
  std::string Message;
};

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
  // --json: the commands print one JSON object instead of tab-separated lines.
  bool Json = false;
};


// Closes and frees a line: a modem line that is still connected hangs up first.
struct LineCloser {
  void operator()(TClockSet* ALine) const;
};
using LineHandle = std::unique_ptr<TClockSet, LineCloser>;

// Takes the line options out of AArgs (wherever they stand) and leaves the rest.
LineOptions TakeLineOptions(std::vector<std::string>& AArgs);
// Takes "--name VALUE" out of AArgs; nothing when absent.
std::optional<std::string> TakeOption(std::vector<std::string>& AArgs, const std::string& AName);
bool TakeFlag(std::vector<std::string>& AArgs, const std::string& AName);
int ParseInt(const std::string& AText, const std::string& AWhat, int AMin, int AMax);

// A line set up as the options say, with its clock AOptions.Clock in the clock list.
LineHandle BuildLine(const LineOptions& AOptions);
// Opens the serial port or connects the socket, and on a modem line dials; false when the line
// cannot be opened or the dial does not connect (the reason goes to AErr).
bool OpenLine(TClockSet& ALine, std::ostream& AErr);
// Opens the serial port or connects the socket only.
bool OpenPort(TClockSet& ALine, std::ostream& AErr);
TBasicClock& LineClock(TClockSet& ALine);
