// A dump of a terminal that clears only its whole log, over loopback TCP to the simulator's
// terminal: what is kept is committed once, before the clear, and a dump that stops short of
// the log's end clears nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "connections/ClockSet.h"
#include "connections/RecordDump.h"
#include "inproc/VirtualPlatform.h"
#include "models/ZkTerminalModel.h"
#include "models/ZkTerminalServer.h"
#include "support/DumpLeaves.h"

namespace {

// Writes down each step in order: "P<card>" for a record kept, "C<n>" for a commit while the
// terminal still held n records; its commit can be made to fail.
class StepSink : public IDumpSink {
 public:
  explicit StepSink(std::function<int()> ARecordsLeft) : FRecordsLeft(std::move(ARecordsLeft)) {}
  bool Persist(const TDumpEntry& AEntry, std::string&) override {
    Steps += "P" + AEntry.Record.KartNo + " ";
    return true;
  }
  bool Commit(std::string& AError) override {
    Steps += "C" + std::to_string(FRecordsLeft()) + " ";
    if (RefuseCommit) AError = "disk full";
    return !RefuseCommit;
  }
  std::string Steps;
  bool RefuseCommit = false;

 private:
  std::function<int()> FRecordsLeft;
};

class WholeLogDump : public ::testing::Test {
 protected:
  void SetUp() override {
    Model.setDeviceTime({2024, 12, 9, 10, 0, 0});
    ASSERT_TRUE(Server.start());
  }
  // Three punches on the terminal, 08:01:30 to 08:03:30.
  void FillLog() {
    Server.withModel([](sim::ZkTerminalModel& AModel) {
      AModel.clearLog();
      for (std::uint16_t n = 1; n <= 3; ++n)
        AModel.addRecord({n, std::to_string(1000 + n), 1, {2024, 12, 9, 8, n, 30}, 0, 0});
      return 0;
    });
  }
  int RecordsLeft() {
    return Server.withModel(
        [](sim::ZkTerminalModel& AModel) { return static_cast<int>(AModel.records().size()); });
  }
  // A dump of the three punches, through a line that has just found the terminal.
  TDumpResult Dump(IDumpSink& ASink, int ACount, bool AFinish, bool AKeepEntries = true) {
    FillLog();
    TClockSet line;
    line.ChangeConnectionType(TcpIp);
    line.ChangeSocketAddress("127.0.0.1");
    line.ChangeSocketPort(Server.port());
    line.DetectClocks(cstKRMira120);
    if (line.Clocks().empty()) throw std::runtime_error("the terminal was not found");
    TDumpOptions options;
    options.Count = ACount;
    options.FinishRelease = AFinish;
    options.KeepEntries = AKeepEntries;
    return TRecordDump(line, *line.Clocks().front(), ASink, options).Run();
  }

  sim::ScopedVirtualPlatform vp;
  sim::ZkTerminalModel Model;
  sim::ZkTerminalServer Server{Model};
};

TEST_F(WholeLogDump, CountThatEndsWithTheLogOrBeforeIt) {
  struct Case {
    const char* Name;
    int Count;
    bool Finish;
    const char* Steps;
    const char* Leaves;
    int RecordsLeft;
  };
  const Case cases[] = {
      // Everything kept, committed once while the terminal still held it all, then cleared.
      {"all", 0, false, "P1001 P1002 P1003 C3 ", "LLL", 0},
      {"count of the log's size, finished", 3, true, "P1001 P1002 P1003 C3 ", "LLL", 0},
      // Stopped at the count: the log is not cleared, and nothing is committed.
      {"count of the log's size", 3, false, "P1001 P1002 P1003 ", "PPP", 3},
      {"count below the log's size, finished", 2, true, "P1001 P1002 ", "PP", 3},
  };
  for (const Case& c : cases) {
    // Without the entries kept, the dump does the same and its counts say the same.
    for (const bool keep : {true, false}) {
      SCOPED_TRACE(std::string(c.Name) + (keep ? "" : ", entries not kept"));
      StepSink sink([this] { return RecordsLeft(); });
      const TDumpResult result = Dump(sink, c.Count, c.Finish, keep);
      EXPECT_EQ(sink.Steps, c.Steps);
      EXPECT_EQ(Leaves(result), keep ? c.Leaves : "");
      const std::string leaves = c.Leaves;
      EXPECT_EQ(result.CountLeaving(TRecordLeave::Left), std::count(leaves.begin(), leaves.end(), 'L'));
      EXPECT_EQ(result.CountLeaving(TRecordLeave::Pending),
                std::count(leaves.begin(), leaves.end(), 'P'));
      EXPECT_EQ(RecordsLeft(), c.RecordsLeft);
    }
  }
}

TEST_F(WholeLogDump, FailedCommitKeepsTheLog) {
  StepSink sink([this] { return RecordsLeft(); });
  sink.RefuseCommit = true;
  const TDumpResult result = Dump(sink, 0, true);
  EXPECT_EQ(result.Stop, TDumpStop::SinkFailed);
  EXPECT_EQ(result.Error, "disk full");
  EXPECT_EQ(Leaves(result), "PPP");
  EXPECT_EQ(RecordsLeft(), 3);
}

// The terminal gives seconds and a Gregorian time; the record carries its solar date in full.
TEST_F(WholeLogDump, RecordsCarryTheirSecondsAndFullDates) {
  StepSink sink([this] { return RecordsLeft(); });
  const TDumpResult result = Dump(sink, 1, false);
  ASSERT_EQ(result.Entries.size(), 1u);
  const TDumpEntry& entry = result.Entries[0];
  EXPECT_EQ(entry.Day.Date, "1403/09/19");
  EXPECT_EQ(entry.Day.Gregorian, "2024-12-09");
  EXPECT_EQ(RecordTimeText(entry.Record), "08:01:30");
}

}  // namespace
