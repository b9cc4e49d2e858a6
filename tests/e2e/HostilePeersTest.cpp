// clockctl against peers that never stop sending, that drip a byte at a time, or that trickle a
// log: every command ends within its cap (docs/RELIABILITY.md) and the process stays small.
// The commands of one peer run side by side, each on its own connection, so that the test takes
// the longest cap, not their sum.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Processes.h"

#if defined(__SANITIZE_ADDRESS__)
#define E2E_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define E2E_UNDER_ASAN 1
#endif
#endif

namespace {

using e2e::Simulator;
using e2e::Started;

// The most a clockctl run may hold, whatever its peer sends.
constexpr long kMostRssKiB = 100 * 1024;

struct Command {
  const char* Name;
  std::vector<std::string> Args;  // after --tcp ADDRESS
  long long CapMs;                // the command's cap against this peer, plus a second for the
                                  // start and the connect
};

// Runs the commands side by side against AAddress; checks that each ends within its cap and
// stays small, and returns their results in order.
std::vector<e2e::RunResult> RunSideBySide(const std::string& AAddress,
                                          const std::vector<Command>& ACommands) {
  std::vector<std::unique_ptr<Started>> running;
  for (const Command& c : ACommands) {
    std::vector<std::string> args = {"--tcp", AAddress, "--quiet"};
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    running.push_back(std::make_unique<Started>(CLOCKCTL_PATH, args));
  }
  long long longest = 0;
  for (const Command& c : ACommands) longest = std::max(longest, c.CapMs);
  const auto start = std::chrono::steady_clock::now();
  for (bool all = false; !all;) {
    all = true;
    for (auto& r : running) all = r->Ended() && all;
    if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(longest + 30000))
      break;  // Finish kills what is left
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::vector<e2e::RunResult> results;
  for (std::size_t i = 0; i < running.size(); ++i) {
    const Command& c = ACommands[i];
    results.push_back(running[i]->Finish(5000));  // it has ended: its output is read
    const e2e::RunResult& r = results.back();
    SCOPED_TRACE(c.Name);
    EXPECT_LE(r.Ms, c.CapMs) << r.Err;
    EXPECT_GT(r.PeakRssKiB, 0);
#ifndef E2E_UNDER_ASAN
    // (Under AddressSanitizer freed memory is held back in quarantine: the figure means little.)
    EXPECT_LT(r.PeakRssKiB, kMostRssKiB);
#endif
  }
  return results;
}

std::string Repeated(const std::string& AHexByte, std::size_t ACount) {
  std::string hex;
  for (std::size_t i = 0; i < ACount; ++i) hex += AHexByte;
  return hex;
}

// The commands against a clock that misbehaves from its first reply on: each ends in the
// detection, whose waits last 300 ms whatever arrives (one clock number: --max-clock 1).
void FromTheFirstReply(const std::string& AMisbehaviour) {
  Simulator sim({AMisbehaviour});
  const auto results = RunSideBySide(
      sim.tcpAddress(), {
                            {"status", {"--max-clock", "1", "status"}, 12000},
                            {"datetime", {"--max-clock", "1", "datetime"}, 12000},
                            {"detect", {"--max-clock", "1", "detect"}, 12000},
                            {"dump", {"--max-clock", "1", "dump", "--max", "3"}, 12000},
                        });
  for (const auto& r : results) EXPECT_NE(r.ExitCode, 0) << r.Out;
}

// The same clock answering its detection, then misbehaving from the date-time request (05h)
// on: each of the three tries ends at its 7 s timeout, then a pause of 0.5 s.
void AfterTheDetection(const std::string& AMisbehaviour) {
  Simulator sim({AMisbehaviour + " cmd=05"});
  const auto results = RunSideBySide(
      sim.tcpAddress(), {{"datetime", {"--max-clock", "1", "datetime"}, 25000}});
  EXPECT_NE(results[0].ExitCode, 0) << results[0].Out;
}

// A text clock that answers nothing but 01h, the head byte of its replies: 4 KiB every
// millisecond, far more than clockctl reads.
TEST(HostilePeers, FloodingClock) {
  const std::string flood = "misbehave flood " + Repeated("01", 4096) + " 1";
  FromTheFirstReply(flood);
  AfterTheDetection(flood);
}

// A text clock that answers a byte every 0.9 s, for ever.
TEST(HostilePeers, DrippingClock) {
  FromTheFirstReply("misbehave flood 01 900");
  AfterTheDetection("misbehave flood 01 900");
}

// The port-4370 terminal hands out its log of 100 records (4004 bytes) a byte a frame, a frame
// every 0.2 s: 800 s to the end. The read gives up at its cap, 5 s plus the log at 8000 bytes a
// second, and the dump says why.
TEST(HostilePeers, TerminalThatTricklesItsLog) {
  Simulator sim({"zk-records 100", "zk-data-frames 1 200"}, {"--zk-terminal", "0"});
  const std::string port = sim.announced("zk");
  ASSERT_FALSE(port.empty());
  const auto results =
      RunSideBySide("127.0.0.1:" + port, {{"dump", {"--search", "KRMira120", "dump"}, 10000}});
  EXPECT_NE(results[0].ExitCode, 0);
  EXPECT_EQ(results[0].Out, "") << "no record of a log that did not come whole";
  EXPECT_NE(results[0].Err.find("slower than its size allows"), std::string::npos)
      << results[0].Err;
}

}  // namespace
