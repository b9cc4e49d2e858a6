// The dump engine on a port-4370 terminal, whose log leaves only as a whole: every record of the
// log is kept, marked when it fails its checks, before the log may be cleared; a log that cannot
// be read ends the dump with a reason and clears nothing.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "adapters/KRMira120/KRMira120.h"
#include "adapters/krmira120/ZkTestSupport.h"
#include "clock/VexClock.h"
#include "connections/ClockSet.h"
#include "connections/RecordDump.h"
#include "inproc/VirtualPlatform.h"

using zktest::FakeZkem;
using zktest::LogEntry;

namespace {

// Hands the adapter that the clock object creates the test's own control.
class ForwardZkem : public IZkemControl {
 public:
  explicit ForwardZkem(FakeZkem& ATarget) : F(ATarget) {}
  int MachineNumber() const override { return F.MachineNumber(); }
  void SetMachineNumber(int AValue) override { F.SetMachineNumber(AValue); }
  bool Connect_Net(const std::wstring& AIp, int APort) override { return F.Connect_Net(AIp, APort); }
  bool GetFirmwareVersion(int AMachine, std::string& AVersion) override {
    return F.GetFirmwareVersion(AMachine, AVersion);
  }
  bool GetDeviceTime(int AMachine, int& Y, int& Mo, int& D, int& H, int& Mi, int& S) override {
    return F.GetDeviceTime(AMachine, Y, Mo, D, H, Mi, S);
  }
  bool SetDeviceTime2(int AMachine, int Y, int Mo, int D, int H, int Mi, int S) override {
    return F.SetDeviceTime2(AMachine, Y, Mo, D, H, Mi, S);
  }
  bool ReadAllGLogData(int AMachine) override { return F.ReadAllGLogData(AMachine); }
  bool GetLastError(int& ACode) override { return F.GetLastError(ACode); }
  bool SSR_GetGeneralLogData(int AMachine, std::string& AEnroll, int& AVerify, int& AInOut, int& Y,
                             int& Mo, int& D, int& H, int& Mi, int& S, int& AWork) override {
    return F.SSR_GetGeneralLogData(AMachine, AEnroll, AVerify, AInOut, Y, Mo, D, H, Mi, S, AWork);
  }
  bool ClearGLog(int AMachine) override { return F.ClearGLog(AMachine); }
  bool GetDeviceStatus(int AMachine, int AStatus, int& AValue) override {
    return F.GetDeviceStatus(AMachine, AStatus, AValue);
  }

 private:
  FakeZkem& F;
};

class Keeper : public IDumpSink {
 public:
  bool Persist(const TDumpEntry& AEntry, std::string&) override {
    // Nothing is cleared while a record is being kept.
    EXPECT_EQ(Terminal->Clears, 0);
    Kept.push_back(AEntry);
    if (AfterPersist) AfterPersist();
    return true;
  }
  FakeZkem* Terminal = nullptr;
  std::function<void()> AfterPersist;
  std::vector<TDumpEntry> Kept;
};

class TerminalDump : public ::testing::Test {
 protected:
  TerminalDump() {
    Terminal.Time = {2026, 2, 1, 12, 0, 0};
    SetZkemControlFactory([this] { return std::make_unique<ForwardZkem>(Terminal); });
    line = std::make_unique<TClockSet>();
    line->ChangeConnectionType(TcpIp);
    line->ChangeSocketAddress("10.1.2.3");
    line->ChangeSocketPort(4370);
    line->Clocks().front()->ClockType = KRMira120Clock;
    sink.Terminal = &Terminal;
  }
  ~TerminalDump() override {
    line.reset();
    SetZkemControlFactory({});
  }
  TDumpResult Dump() {
    TDumpOptions options;
    options.Count = 0;
    return TRecordDump(*line, *line->Clocks().front(), sink, options).Run();
  }

  sim::ScopedVirtualPlatform vp;
  FakeZkem Terminal;
  Keeper sink;
  std::unique_ptr<TClockSet> line;
};

TEST_F(TerminalDump, EveryRecordOfTheLogIsKeptBeforeTheLogIsCleared) {
  Terminal.Log = {
      {"1001", {2026, 2, 1, 8, 0, 0}, 0},
      {"", {2026, 2, 1, 8, 1, 0}, 0},             // no user id
      {"   ", {2026, 2, 1, 8, 2, 0}, 0},          // a blank one
      {"1001", {2026, 2, 1, 8, 0, 0}, 0},         // the same punch again
      {"123456789012345", {2026, 2, 1, 8, 3, 0}, 0},
      {"9", {2026, 2, 31, 10, 0, 0}, 0},          // 31 February
      {"12X4", {2026, 2, 1, 8, 5, 0}, 1},
  };
  const TDumpResult result = Dump();
  EXPECT_EQ(result.Stop, TDumpStop::ClockEmpty);
  ASSERT_EQ(sink.Kept.size(), 7u);
  const std::vector<std::string> cards = {"1001", "", "   ", "1001", "123456789012345", "9", "12X4"};
  const std::vector<TRecordFlag> flags = {TRecordFlag::None,      TRecordFlag::BadRecord,
                                          TRecordFlag::BadRecord, TRecordFlag::None,
                                          TRecordFlag::None,      TRecordFlag::BadDate,
                                          TRecordFlag::None};
  for (std::size_t i = 0; i < cards.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(sink.Kept[i].Record.KartNo, cards[i]);
    EXPECT_EQ(sink.Kept[i].Flag, flags[i]);
    EXPECT_EQ(result.Entries[i].Leave, TRecordLeave::Left);
  }
  // The impossible day as the terminal gave it, with its own values.
  EXPECT_EQ(sink.Kept[5].Record.Date.str(), "2026/02/31");
  EXPECT_EQ(sink.Kept[5].Raw, "9 2026/02/31 10:00:00 0");
  EXPECT_EQ(Terminal.Clears, 1);
  EXPECT_TRUE(Terminal.Log.empty());
}

// A log that cannot be read ends the dump at once with what failed; the terminal keeps
// everything, records already kept included (they come again next time).
TEST_F(TerminalDump, ALogThatCannotBeReadEndsTheDumpWithTheReasonAndClearsNothing) {
  Terminal.Log = {{"1001", {2026, 2, 1, 8, 0, 0}, 0}};
  Terminal.ReadResult = false;
  TDumpResult result = Dump();
  EXPECT_EQ(result.Stop, TDumpStop::ClockFailed);
  EXPECT_EQ(result.Error,
            "its attendance log could not be read: the connection failed or no answer came in time");
  EXPECT_TRUE(sink.Kept.empty());

  // Read once; when the dump asks whether anything is left, a punch has come (the count no
  // longer agrees with what was read) and the log cannot be read.
  Terminal.ReadResult = true;
  sink.Kept.clear();
  sink.AfterPersist = [this] {
    Terminal.ReadResult = false;
    Terminal.Log.push_back({"1002", {2026, 2, 1, 8, 1, 0}, 0});
  };
  result = Dump();
  EXPECT_EQ(result.Stop, TDumpStop::ClockFailed);
  ASSERT_EQ(sink.Kept.size(), 1u);
  EXPECT_EQ(result.Entries.front().Leave, TRecordLeave::Pending);
  EXPECT_EQ(Terminal.Clears, 0);
  EXPECT_EQ(Terminal.Log.size(), 2u);
}

// A terminal that refuses to clear its log still holds every record kept: the dump does not say
// they left it, and ends with the reason (they come again next time, duplicates, never lost).
TEST_F(TerminalDump, ALogThatIsNotClearedLeavesItsRecordsOnTheTerminalAndSaysSo) {
  Terminal.Log = {{"1001", {2026, 2, 1, 8, 0, 0}, 0}, {"1002", {2026, 2, 1, 8, 1, 0}, 0}};
  Terminal.ClearResult = false;
  const TDumpResult result = Dump();
  EXPECT_EQ(result.Stop, TDumpStop::ClockFailed);
  EXPECT_EQ(result.Error.rfind("its attendance log was not cleared: it refused", 0), 0u) << result.Error;
  ASSERT_EQ(sink.Kept.size(), 2u);
  for (const TDumpEntry& entry : result.Entries) EXPECT_NE(entry.Leave, TRecordLeave::Left);
  EXPECT_GE(Terminal.Clears, 1);
  EXPECT_EQ(Terminal.Log.size(), 2u);
}

}  // namespace
