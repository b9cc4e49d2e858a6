#include <gtest/gtest.h>

#include "clock/VexClock.h"
#include "clock/ops/OpsFixture.h"
#include "support/ScriptedDevice.h"

using opstest::CountCommands;
using opstest::CountHdlcCommands;
using opstest::OpsTest;
using testsupport::Bytes;

namespace {

const TClockSearchType kCardSearchTypes[] = {
    cstKRTalFast, cstKRTal, cstKRTalR2Fast, cstKRTalR2, cstKROptica, cstKREmberFast, cstKREmber};

struct TextModelCase {
  const char* Name;  // the clock's own name
  const char* Firmware;
  TClockType Expected;
};

// Every card clock family on a text line, found by every card search type: the search type does
// not change the probe on a text line.
TEST(TextLineDetection, EveryModelByEverySearchTypeOnRs232) {
  const TextModelCase cases[] = {
      {"MX-4100", "VER 1.05", MX4100},
      {"KR-Tal 100", "VER 3.10", KRTal},
      {"KRTAL", "VER 3.10", KRTal},
      {"KR-Corax", "VER 4.00", KRCorax},
      {"KR-OPTICA 2", "VER 2.60", KROpticaClock},
      {"Optica", "V1", KROpticaClock},
      {"Kr-Ember T", "VER 5.01", KREmber},
      {"LUMEN 20", "LU 1.2", Lumen},
  };
  for (const auto& c : cases) {
    for (TClockSearchType search : kCardSearchTypes) {
      SCOPED_TRACE(std::string(c.Name) + " search " + std::to_string(search));
      sim::ScopedVirtualPlatform vp;
      sim::TextClockSettings settings;
      settings.Name = c.Name;
      settings.Firmware = c.Firmware;
      sim::TextClockModel model(settings);
      vp.P.Wire.setModel(&model);
      TClockSet line;
      TBasicClock& clock = *line.Clocks().front();
      ASSERT_TRUE(clock.Detect(search));
      EXPECT_EQ(clock.ClockType, c.Expected);
      EXPECT_EQ(clock.ClockName, c.Name);  // in the case in which it was received
      EXPECT_EQ(clock.FirmwareVer, c.Firmware);
      EXPECT_FALSE(clock.DetectionUnderWay());
      // A Lumen is heard only at even parity, and the port stays there once it was found.
      EXPECT_EQ(line.ComPort()->parity(), c.Expected == Lumen ? TParity::Even : TParity::None);
    }
  }
}

TEST(TextLineDetection, ClockOnRs485BusIsAddressedByItsNumber) {
  sim::ScopedVirtualPlatform vp;
  sim::Rs485BusModel bus;
  sim::TextClockSettings settings;
  settings.Number = 12;
  settings.Name = "KR-Corax B";
  settings.Firmware = "VER 4.20";
  bus.addClock(settings);
  vp.P.Wire.setModel(&bus);
  TClockSet line;
  line.SetProtocol(RS485);
  TBasicClock& absent = *line.Clocks().front();  // clock number 1: nobody there
  EXPECT_FALSE(absent.Detect(cstKRTalR2));
  TBasicClock& present = line.NewClock(12);
  ASSERT_TRUE(present.Detect(cstKRTalR2));
  EXPECT_EQ(present.ClockType, KRCorax);
  EXPECT_EQ(present.ClockName, "KR-Corax B");
  // The bus firmware reply is framed (01 01 01, text, CR, check byte): the frame goes.
  EXPECT_EQ(present.FirmwareVer, "VER 4.20");
  const auto& log = bus.clock(12)->commandLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "AFV?^"), log.end());
}

class TextDetectionTest : public OpsTest {
 protected:
  TextDetectionTest() { vp.P.Wire.setModel(&device); }
  TBasicClock& clock() { return *line.Clocks().front(); }
  testsupport::ScriptedDevice device;
  TClockSet line;
};

TEST_F(TextDetectionTest, SilentClockIsNotFoundAndParityGoesBackToNone) {
  clock().ClockName = "Old";
  clock().ClockType = KRTal;
  EXPECT_FALSE(clock().Detect(cstKRTal));
  EXPECT_EQ(clock().ClockName, "Unknown");
  EXPECT_EQ(clock().ClockType, CTUnknown);
  EXPECT_EQ(line.ComPort()->parity(), TParity::None);
  EXPECT_FALSE(clock().DetectionUnderWay());
  // Status asked three times as an MX and three times as a Lumen, 300 ms each (the detection
  // timeout) and a 500 ms pause after each silent try; nothing else is sent.
  EXPECT_EQ(device.Received, std::vector<std::string>(6, "\x01"));
  EXPECT_GE(now(), 6 * 800u);
  EXPECT_LT(now(), 6 * 800u + 200);
}

TEST_F(TextDetectionTest, FirmwareRepliesFramedOrClosedByOneByte) {
  struct Case {
    std::string Reply;
    std::string Firmware;
  };
  const Case cases[] = {
      {Bytes({1, 1, 1}) + "VER 3.10" + "\r\x55", "VER 3.10"},  // framed: start and two bytes go
      {"VER 3.10\r", "VER 3.10"},                              // the last byte goes
      {"X\r", "X"},                                            // short: asked again
  };
  for (const auto& c : cases) {
    device.Replies.clear();
    device.Received.clear();
    device.then("0");  // status
    device.then(Bytes({1, 1, 1}) + "KR-Tal 9 \r" + std::string(12, ' ') + "\x11");
    for (int i = 0; i < 3; ++i) device.then(c.Reply);
    ASSERT_TRUE(clock().Detect(cstKRTalFast));
    EXPECT_EQ(clock().FirmwareVer, c.Firmware) << testsupport::Hex(c.Reply);
    // Asked until the text is longer than one character, at most three times.
    const std::size_t asked = c.Firmware.size() > 1 ? 1 : 3;
    EXPECT_EQ(device.Received.size(), 2 + asked);
    EXPECT_EQ(device.Received.back(), "AFV?\r");
  }
}

TEST_F(TextDetectionTest, IdentificationWithoutCrIsNoClockButStatusAnswered) {
  device.then("0");
  device.then(Bytes({1, 1, 1}) + "KR-Tal 9 ");  // no CR: no name
  EXPECT_FALSE(clock().Detect(cstKRTal));
  EXPECT_EQ(clock().ClockType, CTUnknown);
}

TEST_F(TextDetectionTest, FaceTerminalSearchOnSerialLineSendsNothing) {
  for (TClockSearchType search : {cstKRMira, cstKRMira120}) {
    clock().ClockType = KRTal;
    EXPECT_FALSE(clock().Detect(search));
    EXPECT_EQ(clock().ClockType, CTUnknown);
    EXPECT_EQ(clock().ClockName, "Unknown");
  }
  EXPECT_TRUE(vp.P.Wire.Written.empty());
}

TEST(LumenDetection, LumenOnTcpIpIsFoundWithoutParity) {
  // Over TCP/IP the converter in front of the clock does the framing: the MX probe already hears
  // the Lumen, classified by its name.
  sim::ScopedVirtualPlatform vp;
  sim::TextClockSettings settings;
  settings.Name = "LUMEN 20";
  sim::TextClockModel model(settings);
  vp.P.Wire.setModel(&model);
  TClockSet line;
  line.ChangeConnectionType(TcpIp);
  line.ChangeSocketAddress("10.0.0.5");
  line.ChangeSocketPort(4001);
  TBasicClock& clock = *line.Clocks().front();
  ASSERT_TRUE(clock.Detect(cstKRTal));
  EXPECT_EQ(clock.ClockType, Lumen);
  EXPECT_EQ(line.ComPort(), nullptr);
}

// Identification texts and the model they lead to; the starting type stays when nothing matches.
TEST(ClassifyClockName, TableOfModelWords) {
  struct Case {
    const char* Text;
    TClockType Expected;
  };
  const Case cases[] = {
      {"KR-CO 5", KRCorax},     {"kr-corax", KRCorax},        {"Lumen", Lumen},
      {"KR-TAL", KRTal},        {"KR-anything", KRTal},       {"krtal", KRTal},
      {"MX-4100", MX4100},      {"KR-OPTICA", KROpticaClock}, {"SUPEROPTICA", KROpticaClock},
      {"KR-Ember", KREmber},    {"ember", KREmber},           {"KR-CO OPTICA", KROpticaClock},
      {"LUMEN EMBER", KREmber}, {"Unknown model", KRCorax},   {"", KRCorax},
  };
  TClockSet line;
  TBasicClock& clock = *line.Clocks().front();
  for (const auto& c : cases) {
    clock.ClockType = KRCorax;  // the starting type for texts that match nothing
    std::string text = c.Text;
    clock.ClassifyClockName(text);
    EXPECT_EQ(clock.ClockType, c.Expected) << c.Text;
    std::string upper = c.Text;
    for (auto& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(text, upper) << "upper-cased in place";
  }
}

TEST(TakeClockName, ReplyStartAndCrDecide) {
  struct Case {
    std::string Reply;
    bool Taken;
    std::string Name;
    std::string Rest;
  };
  const Case cases[] = {
      {Bytes({1, 1, 1}) + "KR-Tal 100 \r  ", true, "KR-Tal 100", "KR-Tal 100 \r  "},
      {Bytes({1, 1, 1}) + "AB\r", true, "A", "AB\r"},
      // Control characters count as blanks: nothing but the start and a CR is no reply.
      {Bytes({1, 1, 1}) + "\r", false, "", Bytes({1, 1, 1}) + "\r"},
      {Bytes({1, 1, 1}) + "K\r", true, "", "K\r"},
      {Bytes({1, 1, 1}) + "KR-Tal", false, "", "KR-Tal"},  // no CR (the start is gone though)
      {Bytes({1, 1}) + "KR\r", false, "", Bytes({1, 1}) + "KR\r"},
      {"   ", false, "", "   "},
      {"", false, "", ""},
  };
  for (const auto& c : cases) {
    TClockSet line;
    TBasicClock& clock = *line.Clocks().front();
    clock.ClockName = "Unknown";
    std::string reply = c.Reply;
    EXPECT_EQ(clock.TakeClockName(reply), c.Taken) << testsupport::Hex(c.Reply);
    EXPECT_EQ(clock.ClockName, c.Taken ? c.Name : "Unknown");
    EXPECT_EQ(reply, c.Rest);
  }
}

// ---- HDLC ----

class HdlcDetectionTest : public opstest::HdlcLineTest {};

TEST_F(HdlcDetectionTest, DeviceDescriptionNamesTheModelAndItsFields) {
  struct Case {
    const char* Description;
    TClockSearchType Search;
    TClockType Expected;
    const char* Model;
    const char* Ver;
    const char* Mem;
    const char* Cam;
  };
  const Case cases[] = {
      {"KR-Ember 2;Ver 1.20;Rec 50000;CAM;", cstKREmber, KREmber, "KR-Ember 2", "Ver 1.20",
       "Rec 50000", "CAM"},
      // The Ember words in the model override the search type's starting type.
      {"kr-ember;Ver 1.3;", cstKRTalFast, KREmber, "kr-ember", "Ver 1.3", "", ""},
      // Only the starting type of the search type: KRTal, or KREmber for the Ember searches.
      {"KR-Tal H;Rec 100;Ver 2.0;", cstKRTalFast, KRTal, "KR-Tal H", "Ver 2.0", "Rec 100", ""},
      {"Model X;Ver 9;", cstKREmberFast, KREmber, "Model X", "Ver 9", "", ""},
      // The text after the last ";" is a final field; a later matching field wins.
      {"KR-Ember;Ver 1;CAM;Ver 2", cstKREmber, KREmber, "KR-Ember", "Ver 2", "", "CAM"},
      // "Ver" is matched before "Rec" and "CAM", case-sensitively.
      {"M;Rec Ver;ver;cam;", cstKRTal, KRTal, "M", "Rec Ver", "", ""},
      {"KR-Ember", cstKREmber, KREmber, "KR-Ember", "", "", ""},
      // An empty description is one with an empty model: the clock answered, so it is found.
      {"", cstKREmber, KREmber, "", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Description);
    model.DeviceDescription = c.Description;
    ASSERT_TRUE(clock().Detect(c.Search));
    EXPECT_EQ(clock().ClockType, c.Expected);
    EXPECT_EQ(clock().ClockName, c.Model);
    EXPECT_EQ(clock().HdlcDevModel(), c.Model);
    EXPECT_EQ(clock().HdlcDevVer(), c.Ver);
    EXPECT_EQ(clock().HdlcDevMem(), c.Mem);
    EXPECT_EQ(clock().HdlcDevCam(), c.Cam);
    EXPECT_EQ(clock().FirmwareVer, c.Ver);
  }
}

TEST_F(HdlcDetectionTest, SilentHdlcClockIsNotFoundAndNoParityProbeFollows) {
  model.IgnoreSessions = true;
  EXPECT_FALSE(clock().Detect(cstKREmber));
  EXPECT_EQ(clock().ClockType, CTUnknown);
  EXPECT_EQ(line.ComPort()->parity(), TParity::None);
  // Three status tries, each a command exchange of three tries with one session request
  // each; no Lumen probe follows on HDLC.
  EXPECT_EQ(model.SessionRequests, 9);
}

TEST_F(HdlcDetectionTest, DetectedEmberReadsItsStatusDescriptionAndFirmwareInOrder) {
  ASSERT_TRUE(clock().Detect(cstKREmberFast));
  ASSERT_EQ(model.Commands.size(), 2u);
  EXPECT_EQ(model.Commands[0], "\x02");
  EXPECT_EQ(model.Commands[1], "\x01");
}

TEST_F(HdlcDetectionTest, SerialNumberOfEmberIsAskedOthersUseTheLastPacket) {
  model.SerialNumber = 0x01020304;
  clock().ClockType = KREmber;
  EXPECT_EQ(clock().GetSerialNo(), "16909060");
  EXPECT_EQ(opstest::CountHdlcCommands(model, "Q\x1E"), 1);

  // Another HDLC clock sends nothing and reads the last packet (here the status answer 01).
  model.RecordCount = 1;
  clock().ClockType = KRTal;
  clock().GetStatus();
  EXPECT_EQ(clock().GetSerialNo(), "1");
  EXPECT_EQ(opstest::CountHdlcCommands(model, "Q\x1E"), 1);
}

TEST_F(HdlcDetectionTest, SerialNumberThatIsNoNumberGivesEmptyText) {
  clock().ClockType = KREmber;
  struct Case {
    std::string Data;
    std::string Expected;
  };
  const Case cases[] = {
      {"", ""},                                          // no bytes
      {std::string(8, '\xFF'), "18446744073709551615"},  // unsigned, not negative
      {std::string(9, '\x01'), ""},                      // does not fit in 64 bits
  };
  for (const auto& c : cases) {
    model.onCommand('Q', [&](const std::string&) { return c.Data; });
    EXPECT_EQ(clock().GetSerialNo(), c.Expected) << testsupport::Hex(c.Data);
  }
}

TEST(SerialNumber, TextLineHasNone) {
  sim::ScopedVirtualPlatform vp;
  sim::TextClockModel model;
  vp.P.Wire.setModel(&model);
  TClockSet line;
  EXPECT_EQ(line.Clocks().front()->GetSerialNo(), "");
  EXPECT_TRUE(vp.P.Wire.Written.empty());
}

}  // namespace
