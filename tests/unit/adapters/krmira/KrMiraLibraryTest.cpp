// The binding to the vendor libraries (reply copying and buffer rules, a missing library), the
// project's own HwDevComm and HDCP_Utils libraries, and the adapter through them against the
// simulated terminal over loopback TCP.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "MiraTestSupport.h"
#include "adapters/KRMira/KRMira.h"
#include "models/MiraTerminalServer.h"
#include "support/MiraLoopback.h"

using miratest::TLibraryFolderGuard;
using miratest::TTempFolder;
using sim::SimCalendar;
using sim::SimDateTime;

namespace {

// A stand-in for HwDev_Execute with a reply buffer of the test's making.
struct FakeLibrary {
  static inline std::string Buffer;
  static inline bool NullReply = false;
  static inline int Length = 0;
  static inline int Result = 0;
  static inline std::string SeenDeviceInfo;
  static inline std::string SeenCommand;
  static inline void* SeenReserved = reinterpret_cast<void*>(1);

  static int HWDEV_CALL Execute(const char* ADeviceInfo, int ADeviceInfoLength,
                                const char* ACommand, int ACommandLength, char** AReply,
                                int* AReplyLength, void* AReserved) {
    SeenDeviceInfo.assign(ADeviceInfo, static_cast<std::size_t>(ADeviceInfoLength));
    SeenCommand.assign(ACommand, static_cast<std::size_t>(ACommandLength));
    SeenReserved = AReserved;
    *AReply = NullReply ? nullptr : Buffer.data();
    *AReplyLength = Length;
    return Result;
  }
  static unsigned char* HWDEV_CALL Decode(const char* AText, int* ALength) {
    if (std::string(AText, static_cast<std::size_t>(*ALength)) != "QUJD") return nullptr;
    *ALength = 3;
    return reinterpret_cast<unsigned char*>(const_cast<char*>("ABC"));
  }
};

struct ReplyCopyCase {
  const char* Name;
  std::string Buffer;
  bool NullReply;
  int Length;
  int Result;
  int ExpectedResult;
  std::string Expected;
};

TEST(KrMiraBinding, CopiesTheReplyUpToItsFirstZeroAndItsLengthOnly) {
  const ReplyCopyCase cases[] = {
      {"Whole", "success", false, 7, 0, 0, "success"},
      {"CutAtZero", std::string("succ\0ess!!", 10), false, 10, 0, 0, "succ"},
      {"CutAtLength", "success and more", false, 7, 0, 0, "success"},
      {"NegativeLength", "success", false, -3, 0, 0, ""},
      {"NullBuffer", "", true, 12, 0, 0, ""},
      {"FailureKeepsNoReply", "success", false, 7, 3, 3, ""},
  };
  THwDevBinding binding(&FakeLibrary::Execute, nullptr);
  for (const ReplyCopyCase& c : cases) {
    FakeLibrary::Buffer = c.Buffer;
    FakeLibrary::NullReply = c.NullReply;
    FakeLibrary::Length = c.Length;
    FakeLibrary::Result = c.Result;
    std::string reply = "stale";
    EXPECT_EQ(binding.Execute("DeviceInfo()", "GetDeviceInfo()", reply), c.ExpectedResult)
        << c.Name;
    EXPECT_EQ(reply, c.Expected) << c.Name;
  }
  EXPECT_EQ(FakeLibrary::SeenDeviceInfo, "DeviceInfo()");
  EXPECT_EQ(FakeLibrary::SeenCommand, "GetDeviceInfo()");
  EXPECT_EQ(FakeLibrary::SeenReserved, nullptr);
}

TEST(KrMiraBinding, AMissingEntryPointFailsEveryCall) {
  THwDevBinding none(nullptr, nullptr);
  std::string out = "stale";
  EXPECT_EQ(none.Execute("x", "y", out), kHwDevLibraryMissing);
  EXPECT_EQ(out, "");
  EXPECT_FALSE(none.Base64Decode("QUJD", out));

  THwDevBinding decodeOnly(nullptr, &FakeLibrary::Decode);
  EXPECT_TRUE(decodeOnly.Base64Decode("QUJD", out));
  EXPECT_EQ(out, "ABC");
  EXPECT_FALSE(decodeOnly.Base64Decode("????", out));
  EXPECT_EQ(out, "");
}

// Every operation that needs the terminal reports failure; nothing raises or crashes.
void ExpectNoAnswer(TKrMira& AAdapter) {
  TDateStr date;
  TTimeStr time;
  EXPECT_FALSE(AAdapter.TestConnection());
  EXPECT_EQ(AAdapter.GetFirmwareVersion(), "");
  EXPECT_FALSE(AAdapter.GetDateTime(date, time));
  EXPECT_FALSE(AAdapter.SetDateTime("1387/01/01", "10:00"));
  EXPECT_EQ(AAdapter.IsEmpty(), -1);
  EXPECT_EQ(AAdapter.GetRecord().KartNo, "");
}

TEST(KrMiraMissingLibrary, MakesTheAdapterReportFailure) {
  TTempFolder empty;
  TLibraryFolderGuard guard(empty.path().string());
  EXPECT_FALSE(HwDevLibrariesLoaded());
  TKrMira adapter("127.0.0.1", 1, "");
  ExpectNoAnswer(adapter);
}

TEST(KrMiraMissingLibrary, AFileThatIsNoLibraryCountsAsMissing) {
  TTempFolder folder;
  folder.file(kHwDevCommFile, "not a shared library");
  folder.file(kHdcpUtilsFile, "");
  TLibraryFolderGuard guard(folder.path().string());
  EXPECT_FALSE(HwDevLibrariesLoaded());
  TKrMira adapter("127.0.0.1", 1, "");
  ExpectNoAnswer(adapter);
}

// The project's libraries, found beside the test program.
class KrMiraLibraries : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(HwDevLibrariesLoaded())
        << kHwDevCommFile << " and " << kHdcpUtilsFile << " are not in " << HwDevLibraryFolder();
  }
};

TEST_F(KrMiraLibraries, Base64DecodeDecodesAndRefusesWhatIsNotBase64) {
  std::string bytes;
  EXPECT_TRUE(HwDevLibraries()->Base64Decode("SGVsbG8=", bytes));
  EXPECT_EQ(bytes, "Hello");
  EXPECT_TRUE(HwDevLibraries()->Base64Decode("SGVs\r\nbG8=", bytes));  // line breaks ignored
  EXPECT_EQ(bytes, "Hello");
  EXPECT_TRUE(HwDevLibraries()->Base64Decode("AAEC/w==", bytes));
  EXPECT_EQ(bytes, std::string("\x00\x01\x02\xff", 4));
  EXPECT_FALSE(HwDevLibraries()->Base64Decode("SGV$bG8=", bytes));
  EXPECT_FALSE(HwDevLibraries()->Base64Decode("@@@@", bytes));
}

TEST_F(KrMiraLibraries, ExecuteFailsWithoutAnAddressOrATerminal) {
  std::string reply;
  EXPECT_NE(HwDevLibraries()->Execute("DeviceInfo(dev_id = \"1\" )", "GetDeviceInfo()", reply), 0);
  EXPECT_NE(
      HwDevLibraries()->Execute("DeviceInfo(ip_address = \"127.0.0.1\" port_number = \"99999\" )",
                                "GetDeviceInfo()", reply),
      0);
  EXPECT_EQ(reply, "");
}

// Sets an environment variable for the life of the guard.
class TEnvGuard {
 public:
  TEnvGuard(const char* AName, const char* AValue) : FName(AName) { Set(AName, AValue); }
  ~TEnvGuard() { Set(FName, nullptr); }

 private:
  static void Set(const char* AName, const char* AValue) {
#if defined(_WIN32)
    _putenv_s(AName, AValue != nullptr ? AValue : "");
#else
    if (AValue != nullptr) {
      ::setenv(AName, AValue, 1);
    } else {
      ::unsetenv(AName);
    }
#endif
  }
  const char* FName;
};

// A simulated terminal on a loopback address of its own, at the terminals' fixed port.
class KrMiraOverTcp : public KrMiraLibraries {
 protected:
  void SetUp() override {
    KrMiraLibraries::SetUp();
    if (HasFatalFailure()) return;
    Address = testsupport::StartOnOwnLoopback(Server);
    ASSERT_FALSE(Address.empty()) << "no loopback address free for port 9922";
  }
  sim::MiraTerminalServer Server;
  std::string Address;
};

TEST_F(KrMiraOverTcp, ReadsFirmwareAndTimeThroughTheLibrary) {
  Server.withModel([](sim::MiraTerminalModel& AModel) {
    AModel.settings().Edition = "HDCP-FR 4.0.1";
    AModel.setDateTime({2008, 3, 20, 10, 15, 30});
  });
  TKrMira adapter(Address, 1, "");
  EXPECT_TRUE(adapter.TestConnection());
  EXPECT_EQ(adapter.GetFirmwareVersion(), "HDCP-FR 4.0.1");
  TDateStr date;
  TTimeStr time;
  ASSERT_TRUE(adapter.GetDateTime(date, time));
  EXPECT_EQ(date, "1387/01/01");
  EXPECT_EQ(time, "10:15");
  EXPECT_EQ(adapter.DeviceDateType(), Christian);
  EXPECT_EQ(Server.connections(), 3);  // one connection per command
}

TEST_F(KrMiraOverTcp, SetsTheTimeInTheTerminalsCalendar) {
  Server.withModel([](sim::MiraTerminalModel& AModel) {
    AModel.settings().Calendar = SimCalendar::Solar;
    AModel.setDateTime({1403, 9, 19, 8, 0, 0});
  });
  TKrMira adapter(Address, 1, "");
  TDateStr date;
  TTimeStr time;
  ASSERT_TRUE(adapter.GetDateTime(date, time));
  EXPECT_EQ(adapter.DeviceDateType(), Solar);
  EXPECT_TRUE(adapter.SetDateTime("2024/12/10", "07:45"));
  EXPECT_EQ(Server.withModel([](sim::MiraTerminalModel& AModel) { return AModel.dateTime(); }),
            (SimDateTime{1403, 9, 20, 7, 45, 0}));
  ASSERT_TRUE(adapter.GetDateTime(date, time));
  EXPECT_EQ(date, "1403/09/20");
  EXPECT_EQ(time, "07:45");
}

TEST_F(KrMiraOverTcp, FetchesRecordsWithPhotosAndClearsTheTerminalAfterwards) {
  const std::string photo = sim::MiraTerminalModel::samplePhoto("123");
  Server.withModel([&](sim::MiraTerminalModel& AModel) {
    AModel.addRecord({"123", {2024, 12, 9, 8, 30, 0}, 1, photo});
    AModel.addRecord({"4567", {2024, 12, 9, 17, 2, 0}, 2, ""});
  });
  TKrMira adapter(Address, 1, "");
  ASSERT_EQ(adapter.IsEmpty(), 0);
  TMiraRecord first = adapter.GetRecord();
  EXPECT_EQ(first.KartNo, "123");
  EXPECT_EQ(first.Date, "030919");
  EXPECT_EQ(first.Time, "08:30");
  EXPECT_EQ(first.IOType, iotEnter);
  ASSERT_TRUE(first.ImageData);
  EXPECT_EQ(*first.ImageData, photo);
  adapter.NextRecord();
  ASSERT_EQ(adapter.IsEmpty(), 0);
  TMiraRecord second = adapter.GetRecord();
  EXPECT_EQ(second.KartNo, "4567");
  EXPECT_EQ(second.IOType, iotExit);
  EXPECT_EQ(second.Data, std::string(3, '\x01') + "0000004567091917020002A");
  EXPECT_FALSE(second.ImageData);
  adapter.NextRecord();

  EXPECT_EQ(adapter.IsEmpty(), 1);
  Server.withModel([](sim::MiraTerminalModel& AModel) {
    EXPECT_TRUE(AModel.records().empty());
    EXPECT_EQ(AModel.commandLog().back(), "DeleteAllRecord()");
  });
}

TEST_F(KrMiraOverTcp, ATerminalWithAPasswordRefusesAnyOther) {
  Server.withModel([](sim::MiraTerminalModel& AModel) { AModel.settings().Password = "4321"; });
  TKrMira withoutPassword(Address, 1, "");
  TKrMira wrongPassword(Address, 1, "1234");
  TKrMira rightPassword(Address, 1, "4321");
  EXPECT_FALSE(withoutPassword.TestConnection());
  EXPECT_FALSE(wrongPassword.TestConnection());
  EXPECT_TRUE(rightPassword.TestConnection());
}

TEST_F(KrMiraOverTcp, ASilentTerminalIsGivenUpAfterTheReplyTimeout) {
  TEnvGuard timeout("HWDEVCOMM_REPLY_TIMEOUT_MS", "300");
  Server.withModel([](sim::MiraTerminalModel& AModel) {
    AModel.misbehave({sim::MisbehaviourKind::Silence, sim::kAlways, 0, "", ""});
  });
  TKrMira adapter(Address, 1, "");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(adapter.TestConnection());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(KrMiraOverTcp, NoTerminalAtTheAddressMeansNoAnswer) {
  Server.stop();
  TKrMira adapter(Address, 1, "");
  ExpectNoAnswer(adapter);
}

}  // namespace
