// What clockctl tells when something goes wrong, and how it stops: one error line and, with
// --json, one error object with a stable code; the exit codes; usage errors with a hint instead
// of the whole help; dates and times refused before anything is sent; progress on stderr; Ctrl-C
// and SIGTERM ending the work within a second with the port released and the modem hung up.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>

#include "OutputReading.h"
#include "Processes.h"

namespace {

using e2e::Clockctl;
using e2e::JsonOf;
using e2e::Lines;
using e2e::Simulator;

// A TCP port on which nothing listens: bound, never listened on, until the object goes away.
class ClosedPort {
 public:
  ClosedPort() {
    FFd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(FFd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(FFd, reinterpret_cast<sockaddr*>(&a), &len);
    FPort = ntohs(a.sin_port);
  }
  ~ClosedPort() { close(FFd); }
  std::string address() const { return "127.0.0.1:" + std::to_string(FPort); }

 private:
  int FFd = -1;
  int FPort = 0;
};

long long MsSince(std::chrono::steady_clock::time_point AStart) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               AStart)
      .count();
}

// ---- One error shape ----

TEST(ClockctlFailures, EachFailureHasOneLineOneCodeAndItsExitCode) {
  Simulator sim({"name KR-Optica 2"});
  Simulator silent({"misbehave silence"});
  // Clocks that tell a date or time that does not exist.
  Simulator brokenText({"shown-datetime 0000/13/45 10:30"});
  Simulator brokenHdlc({"protocol Hdlc; name KR-Tal R2; shown-datetime 2024/12/08 24:60"});
  ClosedPort closed;
  struct Case {
    std::vector<std::string> Args;
    const char* Code;
    int Exit;
    // A piece of the stderr line after "clockctl: ".
    const char* Says;
  };
  const Case cases[] = {
      {{"--frob", "detect"}, "bad-usage", 2, "--frob: unknown option"},
      {{"detect", "--frob"}, "bad-usage", 2, "--frob: unknown option"},
      {{"frob"}, "bad-usage", 2, "frob: unknown command"},
      {{"detect", "extra"}, "bad-usage", 2, "detect extra: unexpected argument"},
      {{"--baud", "12345", "detect"}, "bad-usage", 2, "1200, 2400, 4800, 9600, 14400, 19200"},
      {{"--max-clock", "33", "detect"}, "bad-usage", 2, "--max-clock 33: must be from 0 to 32"},
      {{"help", "frob"}, "bad-usage", 2, "help frob: no such command"},
      {{"calendar", "03/09/18"}, "bad-usage", 2, "calendar 03/09/18: expected YYYY/MM/DD"},
      {{"calendar", "1403/12/31"}, "bad-usage", 2, "no such day in the solar calendar"},
      {{"--tcp", closed.address(), "detect"}, "connection-refused", 3, "connection refused"},
      {{"--tcp", "no-such-host.invalid", "detect"}, "host-unknown", 3, "unknown host"},
      {{"--port", "/nonexistent/tty", "detect"}, "port-missing", 3, "no such device"},
      {{"--tcp", sim.tcpAddress(), "detect"}, "no-answer", 1, "detect: no clock answered"},
      {{"--tcp", brokenText.tcpAddress(), "datetime"},
       "bad-answer",
       1,
       "clock 1: its date and time \"0000/13/45 10:30\" do not exist"},
      {{"--tcp", brokenText.tcpAddress(), "detect"},
       "bad-answer",
       1,
       "clock 1: its date and time \"0000/13/45 10:30\" do not exist"},
      {{"--tcp", brokenHdlc.tcpAddress(), "--search", "KRTalR2Fast", "datetime"},
       "bad-answer",
       1,
       "clock 1: its date and time \"2024/12/08 24:60\" do not exist"},
      {{"--tcp", silent.tcpAddress(), "send", "01", "--reply-length", "1", "--detecting"},
       "no-answer",
       1,
       "send: no reply came back"},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const auto& a : c.Args) joined += a + " ";
    const auto plain = Clockctl(c.Args);
    EXPECT_EQ(plain.ExitCode, c.Exit) << joined << plain.Err;
    const auto lines = Lines(plain.Err);
    ASSERT_FALSE(lines.empty()) << joined;
    EXPECT_EQ(lines[0].rfind("clockctl: ", 0), 0u) << joined << plain.Err;
    EXPECT_NE(lines[0].find(c.Says), std::string::npos) << joined << plain.Err;
    // A usage error is the one line and a hint, not the whole help.
    if (c.Exit == 2)
      EXPECT_EQ(lines, (std::vector<std::string>{lines[0], "Try 'clockctl --help'"})) << joined;
    else
      EXPECT_EQ(lines.size(), 1u) << joined << plain.Err;
    EXPECT_TRUE(plain.Out.empty()) << joined << plain.Out;

    auto withJson = c.Args;
    withJson.push_back("--json");
    const auto json = Clockctl(withJson);
    EXPECT_EQ(json.ExitCode, c.Exit) << joined << json.Err;
    const QJsonObject error = JsonOf(json.Out)["error"].toObject();
    EXPECT_EQ(error["code"].toString().toStdString(), c.Code) << joined << json.Out;
    EXPECT_NE(error["message"].toString().toStdString().find(c.Says), std::string::npos)
        << joined << json.Out;
  }
}

TEST(ClockctlFailures, UnknownHostFailsWithinASecond) {
  const auto start = std::chrono::steady_clock::now();
  const auto r = Clockctl({"--tcp", "no-such-host.invalid", "datetime"});
  EXPECT_EQ(r.ExitCode, 3) << r.Err;
  EXPECT_LT(MsSince(start), 1000);
}

TEST(ClockctlFailures, DatesAndTimesAreCheckedBeforeAnythingIsSent) {
  Simulator sim({"datetime 1403/09/18 10:30:00"});
  struct Case {
    std::vector<std::string> Words;
    bool Valid;
  };
  const Case cases[] = {
      {{"1403/10/01", "9:05"}, true},  {{"1403/1/1", "07:15"}, true},
      {{"2024/12/08", "22:15"}, true}, {{"1403/10/01", "9:5"}, false},
      {{"1403/10/01", "25:00"}, false}, {{"1403/10/01", "07:60"}, false},
      {{"03/10/01", "07:15"}, false},  {{"1403/13/01", "07:15"}, false},
      {{"1404/12/30", "07:15"}, false},  // 1404 is no leap year
      {{"2023/02/29", "07:15"}, false}, {{"1403/10/01"}, false},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--tcp", sim.tcpAddress(), "--trace", "set-datetime"};
    args.insert(args.end(), c.Words.begin(), c.Words.end());
    const auto r = Clockctl(args);
    const std::string what = c.Words[0] + " " + (c.Words.size() > 1 ? c.Words[1] : "");
    if (c.Valid) {
      EXPECT_EQ(r.ExitCode, 0) << what << "\n" << r.Err;
      continue;
    }
    EXPECT_EQ(r.ExitCode, 2) << what << "\n" << r.Err;
    // Refused up front: not one byte went to the clock.
    EXPECT_EQ(r.Err.find(" TX "), std::string::npos) << what << "\n" << r.Err;
  }
  // The clock keeps the last valid setting, written with two-digit hour, month and day.
  const auto r = Clockctl({"--tcp", sim.tcpAddress(), "datetime"});
  EXPECT_EQ(r.Out.rfind("1403/09/18\t22:15\t", 0), 0u) << r.Out << r.Err;
}

// ---- Help, version, JSON on every command ----

TEST(ClockctlHelp, HelpListsEveryCodeAndEachCommandHasItsOwn) {
  const auto help = Clockctl({"--help"});
  EXPECT_EQ(help.ExitCode, 0);
  for (const char* code : {"no-answer", "port-busy", "port-missing", "connection-refused",
                           "host-unknown", "timeout", "bad-usage", "clock-refused",
                           "write-failed", "interrupted", "--progress", "--quiet", "--version"})
    EXPECT_NE(help.Out.find(code), std::string::npos) << code;

  for (const auto& args : {std::vector<std::string>{"help", "set-datetime"},
                           std::vector<std::string>{"set-datetime", "--help"}}) {
    const auto r = Clockctl(args);
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out.rfind("usage: clockctl [line options] set-datetime [DATE TIME]\n", 0), 0u)
        << r.Out;
    EXPECT_EQ(r.Out.find("dump"), std::string::npos) << r.Out;
  }
  const auto version = Clockctl({"--version"});
  EXPECT_EQ(version.ExitCode, 0);
  EXPECT_EQ(version.Out.rfind("clockctl ", 0), 0u) << version.Out;
  EXPECT_NE(version.Out.find_first_of("0123456789"), std::string::npos) << version.Out;
}

TEST(ClockctlJson, CommandsThatUsedToIgnoreItAnswerInJson) {
  Simulator sim({"datetime 1403/09/18 10:30:00"});
  auto r = Clockctl({"ports", "--json"}, {{"CLOCKDIAG_COM3", "/dev/ttyUSB7"}});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const QJsonArray com = JsonOf(r.Out)["com"].toArray();
  ASSERT_EQ(com.size(), 19);
  EXPECT_EQ(com[2].toObject()["device"].toString(), "/dev/ttyUSB7");
  EXPECT_TRUE(JsonOf(r.Out)["system"].isArray());

  r = Clockctl({"--json", "calendar", "1403/09/18"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(JsonOf(r.Out)["gregorian"].toString(), "2024/12/08");
  EXPECT_EQ(JsonOf(r.Out)["solar"].toString(), "1403/09/18");

  // "01" asks a text clock for its status; it answers with one byte.
  r = Clockctl({"--tcp", sim.tcpAddress(), "--json", "send", "01", "--reply-length", "1"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(JsonOf(r.Out)["reply"].toString().size(), 2) << r.Out;
}

TEST(ClockctlJson, DialTellsItsOutcomeAsACode) {
  struct Case {
    const char* Answer;
    const char* Outcome;
    int Exit;
  };
  const Case cases[] = {{"connect:14400@100", "connected", 0},
                        {"busy@100", "busy", 1},
                        {"nodialtone@100", "no-dial-tone", 1},
                        {"nocarrier@100", "no-carrier", 1}};
  for (const Case& c : cases) {
    Simulator sim({}, {"--modem", "--modem-answer", c.Answer});
    const auto r = Clockctl({"--port", sim.ptyPath(), "--modem", "123", "--json", "dial"});
    EXPECT_EQ(r.ExitCode, c.Exit) << c.Answer << r.Err;
    const QJsonObject o = JsonOf(r.Out);
    EXPECT_EQ(o["outcome"].toString().toStdString(), c.Outcome) << r.Out;
    EXPECT_EQ(o["connected"].toBool(), c.Exit == 0) << r.Out;
    if (c.Exit != 0) {
      EXPECT_EQ(o["error"].toObject()["code"].toString(), "no-answer") << r.Out;
    }
  }
}

// ---- Progress ----

TEST(ClockctlProgress, ForcedShownOrSilencedWithTheTimeLeft) {
  Simulator sim({"protocol RS485", "clock 1", "clock 2"});
  const std::vector<std::string> scan = {"--tcp", sim.tcpAddress(), "--search", "KRTal",
                                         "--max-clock", "4", "detect"};
  auto with = [&](const char* AOption) {
    auto args = scan;
    args.insert(args.begin(), AOption);
    return Clockctl(args);
  };
  const auto shown = with("--progress");
  ASSERT_EQ(shown.ExitCode, 0) << shown.Err;
  for (const char* step : {"clockctl: connecting to", "clockctl: probing clock 1 of 4",
                           "clockctl: clock 2: answered", "clockctl: clock 3: no answer",
                           "clockctl: probing clock 4 of 4, about "})
    EXPECT_NE(shown.Err.find(step), std::string::npos) << step << "\n" << shown.Err;
  // The found clocks still go to stdout alone.
  EXPECT_EQ(Lines(shown.Out).size(), 2u) << shown.Out;

  const auto quiet = with("--quiet");
  EXPECT_EQ(quiet.ExitCode, 0);
  EXPECT_EQ(quiet.Err, "");
  // Not a terminal, not asked for: nothing either.
  EXPECT_EQ(Clockctl(scan).Err, "");
}

// ---- Interrupts ----

// A scan of a line where no clock answers: minutes of work to interrupt.
std::vector<std::string> SilentScan(const std::string& APort) {
  return {"--port", APort, "--search", "KRTal", "--progress"};
}

TEST(ClockctlInterrupt, SignalEndsAScanWithinASecondAndReleasesThePort) {
  for (int signal : {SIGINT, SIGTERM}) {
    Simulator sim({"misbehave silence"});
    auto args = SilentScan(sim.ptyPath());
    args.insert(args.end(), {"--json", "detect"});
    e2e::Started scan(CLOCKCTL_PATH, args);
    ASSERT_TRUE(scan.WaitForErr("probing clock 1 of 32", 20000)) << scan.Finish(0).Err;

    // Meanwhile the port is held: a second program is told so plainly.
    const auto second = Clockctl({"--port", sim.ptyPath(), "--json", "detect"});
    EXPECT_EQ(second.ExitCode, 3) << second.Err;
    EXPECT_EQ(JsonOf(second.Out)["error"].toObject()["code"].toString(), "port-busy")
        << second.Out;
    EXPECT_NE(second.Err.find("in use by"), std::string::npos) << second.Err;

    const auto start = std::chrono::steady_clock::now();
    scan.Signal(signal);
    const auto r = scan.Finish(5000);
    EXPECT_LT(MsSince(start), 1000) << r.Err;
    EXPECT_EQ(r.ExitCode, 130) << r.Err;
    const QJsonObject o = JsonOf(r.Out);
    EXPECT_TRUE(o["interrupted"].toBool()) << r.Out;
    EXPECT_EQ(o["error"].toObject()["code"].toString(), "interrupted") << r.Out;
    EXPECT_TRUE(o["clocks"].isArray()) << r.Out;
    EXPECT_NE(r.Err.find(signal == SIGINT ? "stopped by SIGINT" : "stopped by SIGTERM"),
              std::string::npos)
        << r.Err;
    // Nothing probed after the signal.
    EXPECT_EQ(r.Err.find("probing clock 32"), std::string::npos) << r.Err;

    // The port and its lock are free again.
    const auto after = Clockctl({"--port", sim.ptyPath(), "--json", "detect"});
    EXPECT_NE(JsonOf(after.Out)["error"].toObject()["code"].toString(), "port-busy")
        << after.Out;
  }
}

TEST(ClockctlInterrupt, InterruptedModemLineIsHungUp) {
  // The clock behind the modem stays silent; the scan is interrupted once the call is up.
  Simulator sim({"misbehave silence"}, {"--modem", "--modem-answer", "connect:9600@100"});
  auto args = SilentScan(sim.ptyPath());
  args.insert(args.end(), {"--modem", "123", "--trace", "detect"});
  e2e::Started scan(CLOCKCTL_PATH, args);
  ASSERT_TRUE(scan.WaitForErr("probing clock 1 of 32", 20000)) << scan.Finish(0).Err;
  scan.Signal(SIGINT);
  const auto r = scan.Finish(10000);
  EXPECT_EQ(r.ExitCode, 130) << r.Err;
  // After the last probe the modem went back to command mode and hung up.
  const auto lastProbe = r.Err.rfind("probing clock");
  const auto escape = r.Err.find("+++", lastProbe);
  ASSERT_NE(escape, std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("ATH0", escape), std::string::npos) << r.Err;
}

}  // namespace
