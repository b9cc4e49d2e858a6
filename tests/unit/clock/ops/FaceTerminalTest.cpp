// The clock object in front of the two kinds of face-recognition terminal: detection, date and
// time, and status through the adapters it owns.
#include <gtest/gtest.h>

#include "adapters/KRMira/HwDevLibrary.h"
#include "adapters/KRMira/KRMira.h"
#include "adapters/KRMira120/KRMira120.h"
#include "clock/VexClock.h"
#include "clock/ops/OpsFixture.h"
#include "models/MiraTerminalServer.h"
#include "support/MiraLoopback.h"

namespace {

// ---- First kind: the vendor library over loopback TCP to the simulated terminal ----

class KrMiraClockTest : public opstest::OpsTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(HwDevLibrariesLoaded())
        << "the HwDevComm libraries are not in " << HwDevLibraryFolder();
    Address = testsupport::ConnectLineToOwnLoopback(line, Server);
    ASSERT_FALSE(Address.empty()) << "no loopback address free for the terminal's port";
  }
  TBasicClock& clock() { return *line.Clocks().front(); }
  sim::MiraTerminalServer Server;
  std::string Address;
  TClockSet line;
};

TEST_F(KrMiraClockTest, DetectedByAProbeOfItsOwnThenReadThroughTheClocksAdapter) {
  Server.withModel([](sim::MiraTerminalModel& AModel) {
    AModel.settings().Edition = "HDCP-FR 4.0.1";
    AModel.setDateTime({2024, 12, 9, 10, 30, 0});
  });
  // The clock's own adapter was created without an address.
  EXPECT_EQ(clock().KrMira().IpAddress(), "");
  ASSERT_TRUE(clock().Detect(cstKRMira));
  EXPECT_EQ(clock().ClockType, KRMiraClock);
  EXPECT_EQ(clock().ClockName, "KR-Mira");
  EXPECT_EQ(clock().FirmwareVer, "HDCP-FR 4.0.1");
  EXPECT_EQ(clock().MiraClockDateStr, "1403/09/19");
  EXPECT_EQ(clock().MiraClockTimeStr, "10:30");
  EXPECT_FALSE(clock().DetectionUnderWay());

  // Reading the date and the status gives the adapter the line's address first.
  TDateStr date;
  TTimeStr time;
  ASSERT_TRUE(clock().GetDateTime(date, time));
  EXPECT_EQ(clock().KrMira().IpAddress(), Address);
  EXPECT_EQ(date, "1403/09/19");
  EXPECT_TRUE(clock().IsEmpty());
  EXPECT_EQ(clock().StatusCode(), "1");
  EXPECT_TRUE(clock().WasConnected());

  ASSERT_TRUE(clock().SetDateTime("1403/09/20", "07:45"));
  EXPECT_EQ(Server.withModel([](sim::MiraTerminalModel& AModel) { return AModel.dateTime(); }),
            (sim::SimDateTime{2024, 12, 10, 7, 45, 0}));
}

TEST_F(KrMiraClockTest, NoTerminalAtTheAddressIsNotFound) {
  Server.stop();
  clock().ClockType = KRTal;
  EXPECT_FALSE(clock().Detect(cstKRMira));
  EXPECT_EQ(clock().ClockType, CTUnknown);
  EXPECT_EQ(clock().ClockName, "Unknown");
  EXPECT_FALSE(clock().DetectionUnderWay());
}

TEST_F(KrMiraClockTest, RestoredFromSettingsTheAdapterGetsTheLinesAddress) {
  clock().SetProperties("1;KRMira;Active");
  EXPECT_EQ(clock().ClockType, KRMiraClock);
  EXPECT_EQ(clock().KrMira().IpAddress(), Address);
  EXPECT_TRUE(clock().IsConnected());
}

// ---- Second kind: a terminal control of the test's making behind the adapter ----

struct FakeTerminal {
  std::wstring Address = L"10.1.2.3";
  int Port = 4370;
  bool Reachable = true;
  std::vector<std::pair<std::wstring, int>> Connects;
  std::string Firmware = "Ver 6.60 Apr 2019";
  int Year = 2024, Month = 12, Day = 9, Hour = 8, Minute = 5;
  int Records = 0;
  int LogReads = 0;
};

class FakeZkem : public IZkemControl {
 public:
  explicit FakeZkem(FakeTerminal& ATerminal) : T(ATerminal) {}
  int MachineNumber() const override { return FNumber; }
  void SetMachineNumber(int AValue) override { FNumber = AValue; }
  bool Connect_Net(const std::wstring& IPAdd, int Port) override {
    T.Connects.emplace_back(IPAdd, Port);
    FConnected = T.Reachable && IPAdd == T.Address && Port == T.Port;
    return FConnected;
  }
  bool GetFirmwareVersion(int, std::string& strVersion) override {
    strVersion = T.Firmware;
    return FConnected;
  }
  bool GetDeviceTime(int, int& Y, int& M, int& D, int& H, int& N, int& S) override {
    Y = T.Year, M = T.Month, D = T.Day, H = T.Hour, N = T.Minute, S = 0;
    return FConnected;
  }
  bool SetDeviceTime2(int, int Y, int M, int D, int H, int N, int) override {
    T.Year = Y, T.Month = M, T.Day = D, T.Hour = H, T.Minute = N;
    return FConnected;
  }
  bool ReadAllGLogData(int) override {
    ++T.LogReads;
    FLeft = T.Records;
    return FConnected;
  }
  bool GetLastError(int& dwErrorCode) override {
    dwErrorCode = FLeft > 0 ? kZkOk : kZkNoData;
    return true;
  }
  bool SSR_GetGeneralLogData(int, std::string& Enroll, int&, int& InOut, int& Y, int& M, int& D,
                             int& H, int& N, int& S, int&) override {
    if (FLeft <= 0) return false;
    Enroll = std::to_string(1000 + FLeft--);
    InOut = 0, Y = 2024, M = 12, D = 9, H = 8, N = 0, S = FLeft;
    return true;
  }
  bool ClearGLog(int) override { return FConnected; }
  bool GetDeviceStatus(int, int, int& ACount) override {
    ACount = T.Records;
    return FConnected;
  }

 private:
  FakeTerminal& T;
  int FNumber = 0;
  bool FConnected = false;
  int FLeft = 0;
};

class KrMira120ClockTest : public opstest::OpsTest {
 protected:
  KrMira120ClockTest() {
    SetZkemControlFactory([this] { return std::make_unique<FakeZkem>(Terminal); });
    line = std::make_unique<TClockSet>();
  }
  ~KrMira120ClockTest() override {
    line.reset();
    SetZkemControlFactory({});
  }
  TBasicClock& clock() { return *line->Clocks().front(); }
  void useTerminalAddress() {
    line->ChangeConnectionType(TcpIp);
    line->ChangeSocketAddress("10.1.2.3");
    line->ChangeSocketPort(4370);
  }
  FakeTerminal Terminal;
  std::unique_ptr<TClockSet> line;
};

TEST_F(KrMira120ClockTest, AddressSetOnTheLineAfterTheClockWasMadeIsUsedToConnect) {
  // The clock object (and its adapter) came with the line, before any address was given.
  EXPECT_EQ(clock().KrMira120().IpAddress(), "");
  EXPECT_EQ(clock().KrMira120().Port(), 0);
  useTerminalAddress();
  ASSERT_TRUE(clock().Detect(cstKRMira120));
  EXPECT_EQ(clock().ClockType, KRMira120Clock);
  EXPECT_EQ(clock().ClockName, "KR-Mira120");
  EXPECT_EQ(clock().FirmwareVer, "Ver 6.60 Apr 2019");
  ASSERT_EQ(Terminal.Connects.size(), 1u);
  EXPECT_EQ(Terminal.Connects[0], (std::pair<std::wstring, int>{L"10.1.2.3", 4370}));
  EXPECT_FALSE(clock().DetectionUnderWay());

  TDateStr date;
  TTimeStr time;
  ASSERT_TRUE(clock().GetDateTime(date, time));
  EXPECT_EQ(date, "1403/09/19");
  EXPECT_EQ(time, "08:05");
  ASSERT_TRUE(clock().SetDateTime("03/09/20", "07:45"));
  EXPECT_EQ(Terminal.Day, 10);
  EXPECT_EQ(Terminal.Hour, 7);
}

TEST_F(KrMira120ClockTest, SerialLineOrUnreachableTerminalIsNotFound) {
  EXPECT_FALSE(clock().Detect(cstKRMira120));
  EXPECT_TRUE(Terminal.Connects.empty());  // not on a serial line
  useTerminalAddress();
  Terminal.Reachable = false;
  EXPECT_FALSE(clock().Detect(cstKRMira120));
  EXPECT_EQ(clock().ClockType, CTUnknown);
  EXPECT_EQ(Terminal.Connects.size(), 1u);
}

TEST_F(KrMira120ClockTest, StatusConnectsFirstWithTheIndicationShownMeanwhile) {
  std::vector<bool> indication;
  TScopedConnectingIndicationHook shown([&](bool AVisible) { indication.push_back(AVisible); });
  std::vector<std::string> changes;
  line->OnStatusChange = [&](TBasicClock& ASender) { changes.push_back(ASender.StatusCode()); };
  useTerminalAddress();
  clock().ClockType = KRMira120Clock;

  // Not connected yet: no date from a terminal that was never reached.
  TDateStr date = "keep";
  TTimeStr time = "k";
  EXPECT_FALSE(clock().GetDateTime(date, time));
  EXPECT_EQ(date, "keep");

  Terminal.Records = 2;
  clock().GetStatus();
  EXPECT_EQ(indication, (std::vector<bool>{true, false}));
  EXPECT_EQ(clock().StatusCode(), "0");
  EXPECT_TRUE(clock().IsConnected());  // connected now: no further connection
  EXPECT_EQ(Terminal.Connects.size(), 1u);
  EXPECT_EQ(indication.size(), 2u);
  EXPECT_EQ(changes, std::vector<std::string>{"0"});
}

TEST_F(KrMira120ClockTest, FailedConnectionLeavesNoIndicationAndNoStatus) {
  std::vector<bool> indication;
  TScopedConnectingIndicationHook shown([&](bool AVisible) { indication.push_back(AVisible); });
  useTerminalAddress();
  Terminal.Reachable = false;
  clock().ClockType = KRMira120Clock;
  clock().GetStatus();
  EXPECT_EQ(indication, (std::vector<bool>{true, false}));
  EXPECT_EQ(clock().StatusCode(), "");
  EXPECT_EQ(Terminal.LogReads, 0);
  // WasConnected tries to connect by itself, at the line's address of the moment, and asks the
  // terminal for its records once it is reached.
  Terminal.Reachable = true;
  line->ChangeSocketPort(5005);
  Terminal.Port = 5005;
  EXPECT_TRUE(clock().WasConnected());
  EXPECT_EQ(Terminal.Connects.back(), (std::pair<std::wstring, int>{L"10.1.2.3", 5005}));
  EXPECT_EQ(Terminal.LogReads, 1);
}

}  // namespace
