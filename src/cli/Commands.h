#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/CliCommon.h"

// Each command takes the arguments left after the line options and the command word.
int RunPortsCommand(std::vector<std::string>& AArgs, const LineOptions& ALineOptions,
                    std::ostream& AOut, std::ostream& AErr);
int RunSendCommand(std::vector<std::string>& AArgs, const LineOptions& ALineOptions,
                   std::ostream& AOut, std::ostream& AErr);
// Dials the --modem number: prints the outcome text and, when connected, the connect speed.
int RunDialCommand(std::vector<std::string>& AArgs, const LineOptions& ALineOptions,
                   std::ostream& AOut, std::ostream& AErr);

// Builds and opens the line of AOptions (dialing on a modem line) and detects the clocks with
// AOptions.Search; AListed receives the clocks the window would list. Raises CliError when the
// line cannot be opened (port-..., connection-..., dial-failed), when no clock is listed
// (no-answer, with APartialJson before the error in --json) and when interrupted. The scan's
// steps are shown as progress.
void DetectOnLine(const LineOptions& AOptions, LineHandle& ALine,
                  std::vector<TBasicClock*>& AListed, const std::string& APartialJson = {});
// The same, for callers that expect an exit code: kExitDone, or the CliError raised.
int DetectOnLine(const LineOptions& AOptions, std::ostream& AErr, LineHandle& ALine,
                 std::vector<TBasicClock*>& AListed);

// One line per listed clock: number, type, name, firmware, date, time (tab-separated).
int RunDetectCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions,
                     std::ostream& AOut, std::ostream& AErr);
// The first listed clock's date and time.
int RunDateTimeCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions,
                       std::ostream& AOut, std::ostream& AErr);
// Sets every clock of the line to DATE TIME (the computer's now without them); prints the first
// clock's date and time read back.
int RunSetDateTimeCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions,
                          std::ostream& AOut, std::ostream& AErr);
// Whether the line's clocks answer, hold records, are busy.
int RunStatusCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions,
                     std::ostream& AOut, std::ostream& AErr);
// The first listed clock's serial number (HDLC clocks).
int RunSerialCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions,
                     std::ostream& AOut, std::ostream& AErr);
// Reads up to --max records from the first listed clock; each is stored before it is
// acknowledged.
int RunDumpCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions, std::ostream& AOut,
                   std::ostream& AErr);
