#pragma once
// How clockctl reports a failure: one line "clockctl: <what failed>: <why>" on standard error and,
// with --json, an object {"error":{"code":"...","message":"..."}} on standard output. Each code
// is stable (scripts match on it) and decides the exit code.
#include <exception>
#include <string>
#include <utility>

// Exit codes of every clockctl command.
enum ExitCode {
  kExitDone = 0,
  kExitNoAnswer = 1,
  kExitUsage = 2,
  kExitLineNotOpened = 3,
  kExitWriteFailed = 4,
  kExitInterrupted = 130
};

struct TCliFailure {
  // A stable kebab-case code, one of FailureCodes().
  std::string Code;
  // What failed ("cannot open COM3", "--baud 12345") and why ("no such device").
  std::string What;
  std::string Why;
};

// A failure that ends the command. APartialJson holds the members (without braces) of what the
// command had gathered before it failed, printed before the "error" member with --json.
class CliError : public std::exception {
 public:
  CliError(std::string ACode, std::string AWhat, std::string AWhy, std::string APartialJson = {})
      : Failure{std::move(ACode), std::move(AWhat), std::move(AWhy)},
        PartialJson(std::move(APartialJson)) {}
  const char* what() const noexcept override { return Failure.Why.c_str(); }
  TCliFailure Failure;
  std::string PartialJson;
};

// A mistake in what the user typed: code bad-usage, exit code 2, followed by a hint to the help.
struct UsageError {
  UsageError(std::string AWhat, std::string AWhy = {}) : What(std::move(AWhat)), Why(std::move(AWhy)) {}
  std::string What;
  std::string Why;
};

struct TFailureCode {
  const char* Code;
  int Exit;
  const char* Meaning;
};
// Every code clockctl reports, in the order the help lists them.
const TFailureCode* FailureCodes(std::size_t& ACount);
// The exit code of ACode (kExitNoAnswer for a code not in the table).
int ExitCodeOf(const std::string& ACode);

// "clockctl: what: why".
std::string FailureLine(const TCliFailure& AFailure);
// {"code":"...","message":"what: why"}.
std::string FailureJson(const TCliFailure& AFailure);
