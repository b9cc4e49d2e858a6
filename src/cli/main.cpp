// clockctl: the command line of the clock diagnostic tool.
#include <QCoreApplication>
#include <algorithm>
#include <iostream>

#include "cli/CalendarCommand.h"
#include "cli/Commands.h"
#include "cli/Help.h"
#include "cli/Interrupt.h"
#include "cli/LinesCommand.h"
#include "cli/Progress.h"
#include "platform/PlatformError.h"

namespace {

// clockctl --lines FILE [--jobs N] [options for every line] detect|status|datetime
int RunLines(const std::string& AFile, std::vector<std::string>& AArgs) {
  TLinesOptions options;
  options.File = AFile;
  if (auto jobs = TakeOption(AArgs, "--jobs")) options.Jobs = ParseInt(*jobs, "--jobs", 1, 64);
  options.Json = TakeFlag(AArgs, "--json");
  for (const char* own : {"--tcp", "--port", "--baud", "--modem"})
    if (std::find(AArgs.begin(), AArgs.end(), own) != AArgs.end())
      throw UsageError{own, "names a line: with --lines it belongs in the file's rows"};
  // The options for every line are checked here once, as each line's clockctl will read them.
  std::vector<std::string> rest = AArgs;
  TakeLineOptions(rest);
  if (rest.empty()) throw UsageError{"--lines", "no command given"};
  options.Command = rest.front();
  if (options.Command != "detect" && options.Command != "status" && options.Command != "datetime")
    throw UsageError{"--lines " + AFile + " " + options.Command,
                     "runs detect, status or datetime"};
  RejectLeftovers({rest.begin() + 1, rest.end()}, options.Command);
  options.Shared = AArgs;
  options.Shared.erase(std::find(options.Shared.begin(), options.Shared.end(), options.Command));
  return RunLinesCommand(options, std::cout, std::cerr);
}

int Run(std::vector<std::string>& AArgs) {
  if (AArgs.empty()) throw UsageError{"no command given", ""};
  const std::string& first = AArgs.front();
  if (first == "--help" || first == "-h") {
    std::cout << FullHelp();
    return kExitDone;
  }
  if (first == "--version") {
    std::cout << VersionText();
    return kExitDone;
  }
  if (TakeFlag(AArgs, "--quiet")) cli::SetProgressMode(cli::TProgressMode::Never);
  if (TakeFlag(AArgs, "--progress")) cli::SetProgressMode(cli::TProgressMode::Always);
  if (auto file = TakeOption(AArgs, "--lines")) return RunLines(*file, AArgs);
  LineOptions line = TakeLineOptions(AArgs);
  if (AArgs.empty()) throw UsageError{"no command given", ""};
  const std::string command = AArgs.front();
  AArgs.erase(AArgs.begin());
  if (command.size() > 1 && command[0] == '-') throw UsageError{command, "unknown option"};
  if (!IsCommand(command)) throw UsageError{command, "unknown command"};
  if (command == "help" || TakeFlag(AArgs, "--help") || TakeFlag(AArgs, "-h")) {
    const std::string topic = command == "help" ? (AArgs.empty() ? "" : AArgs.front()) : command;
    if (command == "help" && AArgs.size() > 1) RejectLeftovers({AArgs.begin() + 1, AArgs.end()}, "help");
    if (topic.empty()) {
      std::cout << FullHelp();
      return kExitDone;
    }
    const auto text = CommandHelp(topic);
    if (!text) throw UsageError{"help " + topic, "no such command"};
    std::cout << *text;
    return kExitDone;
  }
  if (command == "calendar") return RunCalendarCommand(AArgs, line, std::cout, std::cerr);
  if (command == "ports") return RunPortsCommand(AArgs, line, std::cout, std::cerr);
  if (command == "send") return RunSendCommand(AArgs, line, std::cout, std::cerr);
  if (command == "dial") return RunDialCommand(AArgs, line, std::cout, std::cerr);
  if (command == "detect") return RunDetectCommand(AArgs, line, std::cout, std::cerr);
  if (command == "datetime") return RunDateTimeCommand(AArgs, line, std::cout, std::cerr);
  if (command == "set-datetime") return RunSetDateTimeCommand(AArgs, line, std::cout, std::cerr);
  if (command == "status") return RunStatusCommand(AArgs, line, std::cout, std::cerr);
  if (command == "serial") return RunSerialCommand(AArgs, line, std::cout, std::cerr);
  return RunDumpCommand(AArgs, line, std::cout, std::cerr);
}

int Report(const TCliFailure& AFailure, bool AJson, const std::string& APartialJson = {}) {
  std::cerr << FailureLine(AFailure) << "\n";
  if (AFailure.Code == "bad-usage") std::cerr << "Try 'clockctl --help'\n";
  if (AJson)
    std::cout << "{" << APartialJson << (APartialJson.empty() ? "" : ",")
              << (AFailure.Code == "interrupted" && APartialJson.find("\"interrupted\"") ==
                                                        std::string::npos
                      ? "\"interrupted\":true,"
                      : "")
              << "\"error\":" << FailureJson(AFailure) << "}\n";
  return ExitCodeOf(AFailure.Code);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  cli::InstallInterrupts();
  std::vector<std::string> args(argv + 1, argv + argc);
  // Known before anything can fail, so that every failure has the form the caller asked for.
  const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
  try {
    const int code = Run(args);
    // A command that finished its output normally after a request to stop still ends as
    // interrupted: its caller must not take the work for complete.
    if (cli::Interrupted()) {
      std::cerr << "clockctl: interrupted: stopped before the work was complete\n";
      return kExitInterrupted;
    }
    return code;
  } catch (const UsageError& e) {
    return Report({"bad-usage", e.What, e.Why}, json);
  } catch (const CliError& e) {
    return Report(e.Failure, json, e.PartialJson);
  } catch (const PlatformError& e) {
    // The port or socket failed under way.
    return Report(PortFailure(e).Failure, json);
  } catch (const std::exception& e) {
    return Report({"no-answer", "clockctl", e.what()}, json);
  }
}
