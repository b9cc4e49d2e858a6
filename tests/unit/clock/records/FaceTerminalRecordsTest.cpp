// Records of face-recognition terminals, read through the clock object's adapters: the clock
// object keeps the record until NextRecord and sends nothing of its own.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "adapters/KRMira/HwDevLibrary.h"
#include "adapters/KRMira/KRMira.h"
#include "adapters/KRMira120/KRMira120.h"
#include "clock/records/RecordsFixture.h"
#include "models/MiraTerminalServer.h"
#include "support/MiraLoopback.h"

namespace {

struct LogEntry {
  std::string Enroll;
  int Hour, Minute;
};

// A terminal's control of the test's making: a log of records of 9 December 2024.
class LogTerminal : public IZkemControl {
 public:
  explicit LogTerminal(std::vector<LogEntry>& ALog, int& ALogReads)
      : FLog(ALog), FLogReads(ALogReads) {}
  int MachineNumber() const override { return 1; }
  void SetMachineNumber(int) override {}
  bool Connect_Net(const std::wstring&, int) override { return true; }
  bool GetFirmwareVersion(int, std::string& AVersion) override {
    AVersion = "Ver 6.60";
    return true;
  }
  bool GetDeviceTime(int, int& Y, int& M, int& D, int& H, int& N, int& S) override {
    Y = 2024, M = 12, D = 9, H = 10, N = 0, S = 0;
    return true;
  }
  bool SetDeviceTime2(int, int, int, int, int, int, int) override { return true; }
  bool ReadAllGLogData(int) override {
    ++FLogReads;
    FNext = 0;
    return true;
  }
  bool GetLastError(int& ACode) override {
    ACode = FNext < FLog.size() ? kZkOk : kZkNoData;
    return true;
  }
  bool SSR_GetGeneralLogData(int, std::string& AEnroll, int&, int& AInOut, int& Y, int& M, int& D,
                             int& H, int& N, int& S, int&) override {
    if (FNext >= FLog.size()) return false;
    const LogEntry& e = FLog[FNext++];
    AEnroll = e.Enroll;
    AInOut = 0, Y = 2024, M = 12, D = 9, H = e.Hour, N = e.Minute, S = 0;
    return true;
  }
  bool ClearGLog(int) override {
    FLog.clear();
    return true;
  }
  bool GetDeviceStatus(int, int, int& ACount) override {
    ACount = static_cast<int>(FLog.size());
    return true;
  }

 private:
  std::vector<LogEntry>& FLog;
  int& FLogReads;
  std::size_t FNext = 0;
};

class FaceTerminalRecords : public recordstest::RecordsTest {
 protected:
  FaceTerminalRecords() {
    SetZkemControlFactory([this] { return std::make_unique<LogTerminal>(Log, LogReads); });
    line = std::make_unique<TClockSet>();
    line->ChangeConnectionType(TcpIp);
    line->ChangeSocketAddress("10.1.2.3");
    line->ChangeSocketPort(4370);
    clock().ClockType = KRMira120Clock;
  }
  ~FaceTerminalRecords() override {
    line.reset();
    SetZkemControlFactory({});
  }
  TBasicClock& clock() { return *line->Clocks().front(); }
  std::vector<LogEntry> Log{{"1001", 8, 0}, {"1002", 8, 5}};
  int LogReads = 0;
  std::unique_ptr<TClockSet> line;
};

TEST_F(FaceTerminalRecords, ReadThroughTheAdapterAndHeldUntilNextRecord) {
  ASSERT_FALSE(clock().IsEmpty());
  TVexRecord r = clock().GetRecord();
  EXPECT_EQ(r.KartNo, "1001");
  EXPECT_EQ(r.Date.str(), "1403/09/19");
  EXPECT_EQ(r.Time.str(), "08:00");
  EXPECT_EQ(r.ComIp, "10.1.2.3");
  EXPECT_EQ(r.SequenceCode, 'A');
  EXPECT_EQ(r.RecType1, "00");
  EXPECT_FALSE(r.ImageData);
  EXPECT_EQ(clock().GetRecord().KartNo, "1001");
  EXPECT_TRUE(clock().NextRecord());
  EXPECT_EQ(clock().LastAcknowledgedSequence(), 'A');
  EXPECT_EQ(clock().GetRecord().KartNo, "1002");
  EXPECT_TRUE(clock().NextRecord());
  // Every record handed out, and the terminal counts just those: the log is cleared without
  // being read again.
  EXPECT_TRUE(clock().IsEmpty());
  EXPECT_EQ(clock().GetRecord().KartNo, "");
  EXPECT_EQ(LogReads, 1);
  // No picture from this kind of terminal, and the clock object asks for none.
  std::string picture;
  EXPECT_FALSE(clock().GetRecordImage(&picture));
}

// A record read into one that held another (as a dump reads thousands into one) is the record
// read anew: nothing of the one before is left in it.
TEST_F(FaceTerminalRecords, ReadIntoAnotherRecordLeavesNothingOfIt) {
  ASSERT_FALSE(clock().IsEmpty());
  TVexRecord stale;
  stale.Version = rv2;
  stale.ComIp = "COM7";
  stale.KartNo = "99999999999999999999";
  stale.Second = 7;
  stale.RecType2 = "03";
  stale.Data = std::string(100, 'd');
  stale.ImageData = std::make_shared<std::string>("picture");
  stale.FingerPrint = stale.Card = stale.Camera = true;
  stale.SpecKartNo = "1";
  stale.Fault = "impossible date or time";
  stale.ImpossibleDate = true;
  for (const char* card : {"1001", "1002"}) {
    const TVexRecord fresh = clock().GetRecord();
    TVexRecord reused = stale;
    clock().GetRecord(reused);
    EXPECT_EQ(reused.KartNo, card);
    for (const TVexRecord* r : {&fresh, static_cast<const TVexRecord*>(&reused)}) {
      EXPECT_EQ(r->Version, rv1);
      EXPECT_EQ(r->ComIp, "10.1.2.3");
      EXPECT_EQ(r->Second, 0);
      EXPECT_EQ(r->RecType2, "00");
      EXPECT_EQ(r->Data.size(), 26u) << r->Data;
      EXPECT_FALSE(r->ImageData);
      EXPECT_FALSE(r->FingerPrint || r->Card || r->Camera || r->ImpossibleDate);
      EXPECT_EQ(r->SpecKartNo, "");
      EXPECT_EQ(r->Fault, "");
    }
    EXPECT_EQ(reused.Data, fresh.Data);
    EXPECT_TRUE(clock().NextRecord());
  }
  EXPECT_EQ(clock().LastAcknowledgedSequence(), 'A');
}

// The first kind: the vendor library over loopback TCP to the simulated terminal. Its records
// bring their photos along.
class KrMiraRecords : public recordstest::RecordsTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(HwDevLibrariesLoaded())
        << "the HwDevComm libraries are not in " << HwDevLibraryFolder();
    Address = testsupport::ConnectLineToOwnLoopback(line, Server);
    ASSERT_FALSE(Address.empty()) << "no loopback address free for the terminal's port";
    clock().ClockType = KRMiraClock;
  }
  TBasicClock& clock() { return *line.Clocks().front(); }
  sim::MiraTerminalServer Server;
  std::string Address;
  TClockSet line;
};

TEST_F(KrMiraRecords, PhotoComesWithTheRecord) {
  const std::string photo("\x42\x4D\x00\xFFphoto", 9);
  Server.withModel([&](sim::MiraTerminalModel& AModel) {
    AModel.addRecord({"15", {2024, 12, 9, 8, 0, 0}, 1, photo});
    AModel.addRecord({"16", {2024, 12, 9, 8, 5, 0}, 2, ""});
  });
  ASSERT_FALSE(clock().IsEmpty());
  TVexRecord r = clock().GetRecord();
  EXPECT_EQ(r.KartNo, "15");
  EXPECT_EQ(r.ComIp, Address);
  ASSERT_TRUE(r.ImageData);
  EXPECT_EQ(*r.ImageData, photo);
  // The photo came with the record: the clock object is never asked for one.
  std::string picture;
  EXPECT_FALSE(clock().GetRecordImage(&picture));
  EXPECT_TRUE(clock().NextRecord());
  r = clock().GetRecord();
  EXPECT_EQ(r.KartNo, "16");
  EXPECT_FALSE(r.ImageData);
}

}  // namespace
