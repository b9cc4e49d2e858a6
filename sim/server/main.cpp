// clocksim: serves simulated time-attendance clocks over TCP and over a pseudo-terminal.
#include <csignal>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "models/HayesModemModel.h"
#include "models/MiraTerminalServer.h"
#include "models/Scenario.h"
#include "models/ZkTerminalServer.h"
#include "server/RemainingRecords.h"
#include "server/SimServer.h"
#include "utils/ProgramVersion.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void printUsage(std::FILE* AOut) {
  std::fprintf(AOut, "%s",
               R"(Usage: clocksim [--tcp PORT] [--pty] [--scenario FILE] [-e STATEMENTS]...
                [--trace] [--trace-us] [--exit-on-stdin-eof] [--modem ...] [--mira-terminal [ADDR:]PORT]
                [--zk-terminal PORT] [--remaining FILE] [--check] [--help] [--version]

Serves simulated card clocks that speak the text protocol (RS232, or RS485 with a bus of
clocks) in real time.

  --tcp PORT            listen on 127.0.0.1:PORT (0 picks a free port); prints "tcp <port>"
  --pty                 open a pseudo-terminal; prints "pty <slave path>". Replies are paced
                        at the speed the tool set on it (10 bits per byte).
                        Without --tcp and --pty, both are served (--tcp 0 --pty).
  --scenario FILE       the scenario (format below); without one, the default scenario: one
                        RS232 clock "KR-Tal 100", firmware "VER 3.10", three records
  -e, --exec STATEMENTS scenario statements, ";" between them; read after the file
  --trace               every byte received and sent on stderr: "<ms> <where> RX|TX <hex>"
  --trace-us            the same trace with the time in microseconds of the system's monotonic
                        clock (CLOCK_MONOTONIC, the same in every process)
  --exit-on-stdin-eof   stop when standard input closes (for tests); otherwise run until
                        SIGTERM or SIGINT
  --modem               a Hayes modem in front of the pseudo-terminal's clocks: the tool
                        dials (ATD), talks to the clocks once connected, hangs up (+++, ATH0)
  --modem-answer A      the modem's answer to every number: VERDICT[:SPEED][@MS] with VERDICT
                        connect, busy, nodialtone, nocarrier or silent (default connect:9600@3000)
  --modem-number N=A    the answer when number N is dialled (repeatable)
  --modem-lower         the modem answers in lower case
  --mira-terminal [ADDR:]PORT
                        also serve a face-recognition terminal of the first kind (KR-Mira) on
                        ADDR:PORT (ADDR 127.0.0.1 by default); prints "mira ADDR:PORT". The
                        tool's adapter always connects to port 9922: give another loopback
                        address (127.0.0.2:9922) to run several at once
  --zk-terminal PORT    also serve a face-recognition terminal of the second kind (KR-Mira120)
                        on 127.0.0.1:PORT (0 picks a free port; the tool uses 4370 by default);
                        prints "zk PORT"
                        The KR-Mira terminal holds three sample records of the day before its
                        date; the KR-Mira120 terminal three of its own day, unless the scenario
                        gives its log (zk-records, zk-record). It serves several connections
                        at once, each with its own session, and writes each reply frame on
                        its own, as a terminal does.
  --remaining FILE      when stopped, write the records the clocks still hold to FILE, one
                        line each: tcp|pty CLOCK CARD YYYY/MM/DD HH:MM (the date in the clock's
                        calendar), for the copy served over TCP and the pseudo-terminal's
                        copy; with --zk-terminal also zk 1 USER YYYY/MM/DD HH:MM:SS for each
                        record of that terminal's log ("-" for a record without a user)
  --check               read the scenario, print any warnings and exit
  --version             print the version and exit
TCP and the pseudo-terminal serve separate copies of the scenario.
Exit codes: 0 stopped, 1 the port or pseudo-terminal could not be opened, 2 bad usage or
scenario.

)");
  std::fprintf(AOut, "%s", sim::scenarioHelp().c_str());
}

void onSignal(int) {
  sim::SimServer::stop();
}

// Three records of the day before the terminal's date: entry, exit and entry again, each with a
// small photo; then the scenario's odd records and the time text a broken terminal tells.
sim::MiraTerminalSettings miraTerminalSettings(const sim::Scenario& AScenario) {
  sim::MiraTerminalSettings s;
  s.ShownTime = AScenario.MiraShownTime;
  const sim::SimDateTime day = sim::simcal::addSeconds(s.Calendar, s.DateTime, -86400);
  const struct {
    const char* Id;
    int Hour, Minute, Status;
  } samples[] = {{"1001", 8, 5, 1}, {"1002", 12, 30, 2}, {"1003", 17, 45, 1}};
  for (const auto& r : samples) {
    sim::MiraRecord record;
    record.Id = r.Id;
    record.When = day;
    record.When.Hour = r.Hour;
    record.When.Minute = r.Minute;
    record.When.Second = 0;
    record.Status = r.Status;
    record.Photo = sim::MiraTerminalModel::samplePhoto(r.Id);
    s.Records.push_back(record);
  }
  // The scenario's odd records come after the samples, in the same day's last minutes.
  int minute = 0;
  for (const sim::MiraOddRecord& r : AScenario.MiraOddRecords) {
    sim::MiraRecord record;
    record.Id = r.Id;
    record.When = day;
    record.When.Hour = 23;
    record.When.Minute = std::min(minute++, 59);
    record.Status = r.Status;
    s.ShownRecordTimes[r.Id] = r.TimeText;
    s.Records.push_back(record);
  }
  return s;
}

// The log the scenario gives: ACount records one a minute up to the terminal's date and time,
// then the records it lists.
void addZkLog(sim::ZkTerminalModel& AModel, const sim::Scenario& AScenario) {
  const zk::DateTime now = AModel.deviceTime();
  constexpr int kUsers = 500;
  for (int i = 0; i < AScenario.ZkRecordCount; ++i) {
    zk::AttRecord record;
    record.Uid = static_cast<std::uint16_t>(i % kUsers + 1);
    record.UserId = std::to_string(i % kUsers + 1);
    record.VerifyMode = 15;  // face
    record.Time = sim::ZkTerminalModel::addSeconds(now, -60LL * (AScenario.ZkRecordCount - i));
    record.InOutMode = static_cast<std::uint8_t>(i % 2);
    AModel.addRecord(record);
  }
  std::uint16_t uid = static_cast<std::uint16_t>(AScenario.ZkRecordCount % kUsers + 1);
  auto record = [&uid](const sim::ZkLogRecord& r) {
    zk::AttRecord out;
    const bool digits = !r.User.empty() && r.User.size() <= 9 &&
                        r.User.find_first_not_of("0123456789") == std::string::npos;
    out.Uid = digits ? static_cast<std::uint16_t>(std::stoul(r.User) & 0xFFFF) : uid++;
    out.UserId = r.User;
    out.VerifyMode = 15;
    out.Time = {r.When.Year, r.When.Month, r.When.Day, r.When.Hour, r.When.Minute, r.When.Second};
    out.InOutMode = static_cast<std::uint8_t>(r.InOutMode);
    return out;
  };
  for (const sim::ZkLogRecord& r : AScenario.ZkRecords) AModel.addRecord(record(r));
  for (const auto& [read, r] : AScenario.ZkPunchesDuringRead)
    AModel.storeDuringRead(read, record(r));
}

// What the terminal's log still holds, one line a record: zk 1 USER YYYY/MM/DD HH:MM:SS.
std::string ZkRemainingText(const sim::ZkTerminalModel& AModel) {
  std::string out;
  char when[32];
  for (const zk::AttRecord& r : AModel.records()) {
    std::snprintf(when, sizeof when, "%04d/%02d/%02d %02d:%02d:%02d", r.Time.Year, r.Time.Month,
                  r.Time.Day, r.Time.Hour, r.Time.Minute, r.Time.Second);
    out += "zk 1 " + (r.UserId.empty() ? std::string("-") : r.UserId) + " " + when + "\n";
  }
  return out;
}

void addZkSamples(sim::ZkTerminalModel& AModel) {
  const zk::DateTime now = AModel.deviceTime();
  std::uint16_t uid = 1;
  for (const auto& [user, hour, minute, inOut] :
       {std::tuple{"2001", 8, 10, 0}, std::tuple{"2002", 13, 0, 1},
        std::tuple{"2003", 18, 20, 1}}) {
    zk::AttRecord record;
    record.Uid = uid++;
    record.UserId = user;
    record.VerifyMode = 15;  // face
    record.Time = {now.Year, now.Month, now.Day, hour, minute, 0};
    record.InOutMode = static_cast<std::uint8_t>(inOut);
    AModel.addRecord(record);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int tcpPort = -1;
  bool pty = false;
  bool trace = false;
  bool exitOnEof = false;
  bool checkOnly = false;
  std::string scenarioFile;
  std::string remainingFile;
  bool traceUs = false;
  std::vector<std::string> statements;
  bool modem = false;
  std::string miraAddress;
  int miraPort = -1;
  int zkPort = -1;
  sim::HayesModemSettings modemSettings;
  modemSettings.Answer = *sim::ParseDialAnswer("connect:9600@3000");

  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "clocksim: %s needs a value\n", a.c_str());
        std::exit(kExitUsage);
      }
      return argv[++i];
    };
    if (a == "--help" || a == "-h") {
      printUsage(stdout);
      return kExitOk;
    } else if (a == "--version") {
      std::printf("clocksim %s\n", ProgramVersion().c_str());
      return kExitOk;
    } else if (a == "--tcp") {
      const std::string v = value();
      char* end = nullptr;
      const long port = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || port < 0 || port > 65535) {
        std::fprintf(stderr, "clocksim: --tcp needs a port 0 to 65535: %s\n", v.c_str());
        return kExitUsage;
      }
      tcpPort = static_cast<int>(port);
    } else if (a == "--pty") {
      pty = true;
    } else if (a == "--scenario") {
      scenarioFile = value();
    } else if (a == "-e" || a == "--exec") {
      statements.push_back(value());
    } else if (a == "--trace") {
      trace = true;
    } else if (a == "--trace-us") {
      trace = traceUs = true;
    } else if (a == "--exit-on-stdin-eof") {
      exitOnEof = true;
    } else if (a == "--modem") {
      modem = true;
    } else if (a == "--modem-answer" || a == "--modem-number") {
      modem = true;
      std::string v = value();
      std::string number;
      if (a == "--modem-number") {
        const auto eq = v.find('=');
        if (eq == std::string::npos || eq == 0) {
          std::fprintf(stderr, "clocksim: --modem-number needs NUMBER=ANSWER: %s\n", v.c_str());
          return kExitUsage;
        }
        number = v.substr(0, eq);
        v = v.substr(eq + 1);
      }
      const auto answer = sim::ParseDialAnswer(v);
      if (!answer) {
        std::fprintf(stderr, "clocksim: not a modem answer: %s\n", v.c_str());
        return kExitUsage;
      }
      if (number.empty())
        modemSettings.Answer = *answer;
      else
        modemSettings.Numbers[number] = *answer;
    } else if (a == "--modem-lower") {
      modem = modemSettings.LowerCase = true;
    } else if (a == "--mira-terminal" || a == "--zk-terminal") {
      const std::string v = value();
      const auto colon = v.rfind(':');
      const std::string address = colon == std::string::npos ? "" : v.substr(0, colon);
      const std::string portText = colon == std::string::npos ? v : v.substr(colon + 1);
      char* end = nullptr;
      const long port = std::strtol(portText.c_str(), &end, 10);
      if (portText.empty() || *end != '\0' || port < 0 || port > 65535 ||
          (a == "--zk-terminal" && colon != std::string::npos) ||
          (colon != std::string::npos && address.empty())) {
        std::fprintf(stderr, "clocksim: %s needs %s: %s\n", a.c_str(),
                     a == "--zk-terminal" ? "a port 0 to 65535" : "[ADDR:]PORT", v.c_str());
        return kExitUsage;
      }
      if (a == "--zk-terminal") {
        zkPort = static_cast<int>(port);
      } else {
        miraAddress = address.empty() ? "127.0.0.1" : address;
        miraPort = static_cast<int>(port);
      }
    } else if (a == "--remaining") {
      remainingFile = value();
    } else if (a == "--check") {
      checkOnly = true;
    } else {
      std::fprintf(stderr, "clocksim: unknown argument %s (see --help)\n", a.c_str());
      return kExitUsage;
    }
  }
  if (tcpPort < 0 && !pty) {
    tcpPort = 0;
    pty = true;
  }

  sim::Scenario scenario;
  try {
    sim::ScenarioParser parser;
    if (!scenarioFile.empty()) {
      std::ifstream in(scenarioFile, std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "clocksim: cannot read scenario %s: %s\n", scenarioFile.c_str(),
                     std::strerror(errno));
        return kExitUsage;
      }
      std::ostringstream text;
      text << in.rdbuf();
      parser.parse(text.str(), scenarioFile);
    }
    int n = 0;
    for (const auto& s : statements) parser.parse(s, "-e #" + std::to_string(++n), true);
    scenario = parser.finish();
  } catch (const sim::ScenarioError& e) {
    std::fprintf(stderr, "clocksim: scenario: %s\n", e.what());
    return kExitUsage;
  }
  for (const auto& w : scenario.Warnings)
    std::fprintf(stderr, "clocksim: warning: %s\n", w.c_str());
  if (checkOnly) return kExitOk;

  std::signal(SIGPIPE, SIG_IGN);
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);

  // The clocks run in real time from now on.
  const auto start = sim::SimServer::Clock::now();
  auto nowMs = [start]() -> std::uint64_t {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sim::SimServer::Clock::now() - start)
            .count());
  };
  sim::SimServer server([&scenario, nowMs] { return sim::buildModel(scenario, nowMs); }, trace);
  server.traceMonotonicMicroseconds(traceUs);
  if (modem) {
    server.setPtyFactory([&scenario, &modemSettings, nowMs]() -> std::unique_ptr<sim::DeviceModel> {
      return std::make_unique<sim::HayesModemModel>(sim::buildModel(scenario, nowMs), modemSettings,
                                                    nowMs);
    });
  }
  // The face terminals run on threads of their own beside the clocks' server.
  std::unique_ptr<sim::MiraTerminalServer> mira;
  sim::ZkTerminalModel zkModel;
  std::unique_ptr<sim::ZkTerminalServer> zk;
  if (miraPort >= 0) {
    mira = std::make_unique<sim::MiraTerminalServer>(miraTerminalSettings(scenario));
    if (!mira->start(miraAddress, miraPort)) {
      std::fprintf(stderr, "clocksim: cannot listen on %s:%d for the KR-Mira terminal\n",
                   miraAddress.c_str(), miraPort);
      return kExitFailure;
    }
    std::printf("mira %s:%d\n", mira->address().c_str(), mira->port());
    std::fflush(stdout);
  }
  if (zkPort >= 0) {
    if (scenario.ZkLogGiven)
      addZkLog(zkModel, scenario);
    else
      addZkSamples(zkModel);
    if (scenario.ZkDataFrameBytes > 0) {
      zkModel.setDataFrameLimit(static_cast<std::size_t>(scenario.ZkDataFrameBytes));
      zkModel.setDataFrameGapMs(static_cast<std::uint32_t>(scenario.ZkDataFrameGapMs));
    }
    zkModel.setRefuseClear(scenario.ZkRefuseClear);
    zk = std::make_unique<sim::ZkTerminalServer>(zkModel);
    zk->setLink(1000ULL * static_cast<std::uint64_t>(scenario.ZkLinkKbps),
                static_cast<std::uint32_t>(scenario.ZkTurnaroundMs));
    if (!zk->start(static_cast<std::uint16_t>(zkPort))) {
      std::fprintf(stderr, "clocksim: cannot listen on 127.0.0.1:%d for the KR-Mira120 terminal\n",
                   zkPort);
      return kExitFailure;
    }
    std::printf("zk %d\n", static_cast<int>(zk->port()));
    std::fflush(stdout);
  }
  try {
    if (tcpPort >= 0) {
      const int port = server.listenTcp(tcpPort);
      std::printf("tcp %d\n", port);
      std::fflush(stdout);
    }
    if (pty) {
      const std::string path = server.openPty();
      std::printf("pty %s\n", path.c_str());
      std::fflush(stdout);
    }
    if (exitOnEof) server.exitOnStdinEof();
    server.run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "clocksim: %s\n", e.what());
    return kExitFailure;
  }
  if (!remainingFile.empty()) {
    std::ofstream out(remainingFile, std::ios::binary | std::ios::trunc);
    out << sim::RemainingRecordsText("tcp", server.tcpModel(), scenario)
        << sim::RemainingRecordsText("pty", server.ptyModel(), scenario);
    if (zk)
      out << zk->withModel([](sim::ZkTerminalModel& AModel) { return ZkRemainingText(AModel); });
    if (!out.flush()) {
      std::fprintf(stderr, "clocksim: cannot write %s\n", remainingFile.c_str());
      return kExitFailure;
    }
  }
  return kExitOk;
}
