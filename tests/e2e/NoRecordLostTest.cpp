// No record is lost when a dump is killed. clockctl dump --out is killed with SIGKILL at random
// moments (seeded, so a failing run can be repeated) while it dumps a clocksim clock over TCP/IP;
// afterwards clocksim says which records its clock still holds (--remaining), and every record
// that left the clock must be in the output file. A record may be both in the file and still on
// the clock (killed after writing it, before acknowledging it): the next dump reads it again.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Processes.h"

namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

constexpr int kRuns = 200;
constexpr int kRecords = 12;
constexpr unsigned kSeed = 20241209;

// The clock: RS232, replies 1 ms after each command, kRecords records with distinct cards.
std::vector<std::string> Scenario(std::set<std::string>& ACards) {
  std::vector<std::string> statements = {"latency 1", "clear-records"};
  for (int i = 0; i < kRecords; ++i) {
    const std::string card = std::to_string(500001 + i);
    ACards.insert(card);
    char when[32];
    std::snprintf(when, sizeof when, "1403/09/17 %02d:%02d", 8 + i / 60, i % 60);
    statements.push_back("record " + card + " " + when);
  }
  return statements;
}

std::string ReadFile(const fs::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The cards of the rows of clockctl's CSV file; a last row cut off by the kill is left out.
std::set<std::string> CardsInCsv(const fs::path& APath) {
  std::set<std::string> cards;
  const std::string text = ReadFile(APath);
  std::size_t at = 0;
  bool header = true;
  for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    const std::string row = text.substr(at, end - at);
    if (header) {
      header = false;
      continue;
    }
    // clock,card,date,...
    const auto first = row.find(',');
    const auto second = row.find(',', first + 1);
    if (first != std::string::npos && second != std::string::npos)
      cards.insert(row.substr(first + 1, second - first - 1));
  }
  return cards;
}

// The cards (users) that a clock still holds, from clocksim's --remaining file: those of the
// TCP copy of the clock by default, "zk" for the port-4370 terminal.
std::set<std::string> CardsRemaining(const fs::path& APath, const std::string& AOf = "tcp") {
  std::set<std::string> cards;
  std::istringstream lines(ReadFile(APath));
  std::string transport, clock, card, date, time;
  while (lines >> transport >> clock >> card >> date >> time)
    if (transport == AOf) cards.insert(card);
  return cards;
}

// The records of AAll that are neither still on the clock nor in the file.
std::vector<std::string> Lost(const std::set<std::string>& AAll, const std::set<std::string>& ALeft,
                              const std::set<std::string>& AWritten) {
  std::vector<std::string> lost;
  for (const auto& record : AAll)
    if (!ALeft.count(record) && !AWritten.count(record)) lost.push_back(record);
  return lost;
}

// clockctl dump against the simulator; killed with SIGKILL after AKillAfter unless it ends
// first. Returns how long it ran.
SteadyClock::duration RunDump(const std::string& AAddress, const fs::path& AOut,
                              SteadyClock::duration AKillAfter, bool& AKilled,
                              const std::vector<std::string>& AOptions = {}) {
  std::vector<std::string> args = {CLOCKCTL_PATH, "--tcp", AAddress};
  args.insert(args.end(), AOptions.begin(), AOptions.end());
  for (const char* a : {"dump", "--max", "1000", "--out"}) args.emplace_back(a);
  args.push_back(AOut.string());
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto start = SteadyClock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0);
    dup2(devnull, 1);
    dup2(devnull, 2);
    execv(CLOCKCTL_PATH, argv.data());
    _exit(127);
  }
  AKilled = false;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (SteadyClock::now() - start >= AKillAfter) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      AKilled = WIFSIGNALED(status);
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return SteadyClock::now() - start;
}

class NoRecordLost : public ::testing::Test {
 protected:
  NoRecordLost() : FDir(fs::temp_directory_path() / ("norecordlost-" + std::to_string(getpid()))) {
    fs::create_directories(FDir);
  }
  ~NoRecordLost() override { fs::remove_all(FDir); }
  fs::path FDir;
};

TEST_F(NoRecordLost, DumpKilledAtRandomMomentsKeepsEveryRemovedRecord) {
  std::set<std::string> all;
  const std::vector<std::string> statements = Scenario(all);

  // A whole dump first: how long it takes sets the range of the kill moments, and it shows that
  // a dump left alone takes every record.
  SteadyClock::duration whole{};
  {
    const fs::path out = FDir / "whole.csv";
    const fs::path remaining = FDir / "whole.remaining";
    {
      e2e::Simulator sim(statements, {"--remaining", remaining.string()});
      bool killed = false;
      whole = RunDump(sim.tcpAddress(), out, std::chrono::seconds(60), killed);
      ASSERT_FALSE(killed);
    }
    ASSERT_EQ(CardsInCsv(out), all);
    ASSERT_TRUE(CardsRemaining(remaining).empty()) << ReadFile(remaining);
  }

  // The time a dump takes to find a clock empty: start, detection, one status query. Records
  // move from there on, so the kill moments are spread over the rest (and a little before).
  SteadyClock::duration start{};
  {
    e2e::Simulator sim({"clear-records"});
    bool killed = false;
    start = RunDump(sim.tcpAddress(), FDir / "empty.csv", std::chrono::seconds(60), killed);
    ASSERT_FALSE(killed);
  }
  ASSERT_LT(start, whole);

  std::mt19937 random(kSeed);
  using std::chrono::duration_cast;
  using std::chrono::microseconds;
  std::uniform_int_distribution<long long> moment(
      duration_cast<microseconds>(start).count() * 9 / 10,
      duration_cast<microseconds>(whole).count());
  int killedMidway = 0;
  for (int run = 0; run < kRuns; ++run) {
    const auto killAfter = std::chrono::microseconds(moment(random));
    const fs::path out = FDir / ("run" + std::to_string(run) + ".csv");
    const fs::path remaining = FDir / ("run" + std::to_string(run) + ".remaining");
    bool killed = false;
    {
      e2e::Simulator sim(statements, {"--remaining", remaining.string()});
      RunDump(sim.tcpAddress(), out, killAfter, killed);
    }
    const std::set<std::string> left = CardsRemaining(remaining);
    const std::vector<std::string> lost = Lost(all, left, CardsInCsv(out));
    ASSERT_TRUE(lost.empty()) << "run " << run << " (seed " << kSeed << ", killed after "
                              << killAfter.count() << " us): " << lost.size()
                              << " records left the clock without reaching the file, the first "
                              << lost.front();
    if (killed && left.size() < all.size() && !left.empty()) ++killedMidway;
  }
  // The kill moments are spread over the dump: some runs stop it between records. On a loaded
  // machine most of a dump's time goes to starting and detecting, so only a share of the kills
  // land between records; a twentieth of the runs is enough to show that they are exercised.
  EXPECT_GE(killedMidway, kRuns / 20);
  std::printf("no record lost in %d runs, %d of them killed in the middle of the dump\n", kRuns,
              killedMidway);
}

// The same for the port-4370 terminal, whose log leaves only as a whole when it is cleared: a
// punch is stored while the tool reads the log (just after the log was sent, so that the
// terminal's count before the clearing no longer agrees with what was read), and the kills land
// anywhere from the start to the end of a whole dump. Every
// record is on the terminal or in the file, the punch included: a clearing never takes a record
// that was not written.
TEST_F(NoRecordLost, TerminalDumpKilledAtRandomMomentsLeavesEveryRecordOnTheTerminalOrInTheFile) {
  constexpr int kTerminalRuns = 60;
  constexpr int kLog = 40;
  // Users 1..kLog, one record each, and the punch of user 777777.
  const std::vector<std::string> statements = {
      "zk-records " + std::to_string(kLog),
      "zk-punch-during-read 1 777777 2024-12-08 10:29:30 0"};
  std::set<std::string> all = {"777777"};
  for (int i = 1; i <= kLog; ++i) all.insert(std::to_string(i));
  const std::vector<std::string> terminal = {"--search", "KRMira120"};
  auto serve = [&](const fs::path& ARemaining) {
    return std::make_unique<e2e::Simulator>(
        statements,
        std::vector<std::string>{"--zk-terminal", "0", "--remaining", ARemaining.string()});
  };

  SteadyClock::duration whole{};
  {
    const fs::path out = FDir / "zk-whole.csv";
    const fs::path remaining = FDir / "zk-whole.remaining";
    {
      auto sim = serve(remaining);
      bool killed = false;
      whole = RunDump("127.0.0.1:" + sim->announced("zk"), out, std::chrono::seconds(60), killed,
                      terminal);
      ASSERT_FALSE(killed);
    }
    ASSERT_EQ(CardsInCsv(out), all);
    ASSERT_TRUE(CardsRemaining(remaining, "zk").empty()) << ReadFile(remaining);
  }

  // The kills land from the start to half as long again as the measured dump: on a loaded
  // machine a run can take longer than the one measured, and some runs must still reach the
  // clearing (a run that ends before its kill moment is a whole dump, cleared).
  std::mt19937 random(kSeed);
  std::uniform_int_distribution<long long> moment(
      0, std::chrono::duration_cast<std::chrono::microseconds>(whole).count() * 3 / 2);
  int cleared = 0;
  int keptWithoutClearing = 0;
  for (int run = 0; run < kTerminalRuns; ++run) {
    const auto killAfter = std::chrono::microseconds(moment(random));
    const fs::path out = FDir / ("zk" + std::to_string(run) + ".csv");
    const fs::path remaining = FDir / ("zk" + std::to_string(run) + ".remaining");
    bool killed = false;
    {
      auto sim = serve(remaining);
      RunDump("127.0.0.1:" + sim->announced("zk"), out, killAfter, killed, terminal);
    }
    const std::set<std::string> left = CardsRemaining(remaining, "zk");
    const std::set<std::string> written = CardsInCsv(out);
    // The punch exists once the log was read; only a clearing, which comes after a read, can
    // lose it. Until then the terminal holds everything it ever held.
    const bool clearedOnce = !left.count("1");
    std::set<std::string> held = all;
    if (!clearedOnce) held.erase("777777");
    const std::vector<std::string> lost = Lost(held, left, written);
    ASSERT_TRUE(lost.empty()) << "run " << run << " (seed " << kSeed << ", killed after "
                              << killAfter.count() << " us): " << lost.size()
                              << " records left the terminal without reaching the file, the first "
                              << lost.front();
    if (clearedOnce) ++cleared;
    if (!left.empty() && !written.empty()) ++keptWithoutClearing;
  }
  // Some kills come after the clearing, some between the first row written and the clearing.
  EXPECT_GE(cleared, 1);
  EXPECT_GE(keptWithoutClearing, 1);
  std::printf("no terminal record lost in %d runs: %d cleared, %d killed with rows written\n",
              kTerminalRuns, cleared, keptWithoutClearing);
}

}  // namespace
