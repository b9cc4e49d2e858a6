#include <gtest/gtest.h>

#include "connections/ClockSet.h"
#include "inproc/VirtualPlatform.h"
#include "link/HdlcSessionClosed.h"
#include "models/HdlcClockModel.h"
#include "support/ScriptedDevice.h"

using testsupport::Hex;

namespace {
// A cable line on the HDLC protocol with clock 1 behind it.
class HdlcSessionTest : public ::testing::Test {
 protected:
  HdlcSessionTest() {
    vp.P.Wire.setModel(&device);
    line.SetProtocol(ptHdlc);
  }
  TBasicClock& clock() { return *line.Clocks().front(); }
  // The data of the clock's answer; '' when no usable answer came.
  std::string send(const std::string& AData) {
    const THdlcPacket answer = clock().SendHdlcCommand(AData);
    return answer.IsValid ? answer.Data : "";
  }
  // Frames the tool wrote, one entry per write: "S" for a session request, "C" for a command.
  std::string writes() const {
    std::string kinds;
    const std::string request = BuildOpenSessionFrame(1);
    for (std::size_t at = 0; at < vp.P.Wire.Written.size();) {
      const bool isRequest = vp.P.Wire.Written.compare(at, request.size(), request) == 0;
      kinds += isRequest ? 'S' : 'C';
      const std::size_t next = vp.P.Wire.Written.find('\x7E', at + 1);
      at = next == std::string::npos ? vp.P.Wire.Written.size() : next + 1;
    }
    return kinds;
  }
  std::uint64_t now() const { return vp.P.Clock.elapsed(); }

  sim::ScopedVirtualPlatform vp;
  sim::HdlcClockModel device{1};
  TClockSet line;
};
}  // namespace

TEST_F(HdlcSessionTest, GrantedSessionIsKeptForFollowingCommands) {
  device.RecordCount = 2;
  EXPECT_EQ(Hex(send("\x02")), "01");
  EXPECT_TRUE(clock().SessionIsOpen());
  EXPECT_TRUE(clock().LastHdlcPacket().Ack);
  device.RecordCount = 0;
  EXPECT_EQ(Hex(send("\x02")), "00");
  EXPECT_EQ(writes(), "SCC");
  EXPECT_EQ(device.SessionRequests, 1);
}

TEST_F(HdlcSessionTest, RefusedSessionWritesNoCommand) {
  device.RefuseSessions = 3;
  clock().WriteCommand(BuildHdlcCommand(1, "\x02"));
  EXPECT_EQ(writes(), "SSS");
  EXPECT_FALSE(clock().SessionIsOpen());
  EXPECT_TRUE(device.Commands.empty());
}

TEST_F(HdlcSessionTest, BusySessionStopsTheOpeningAtOnce) {
  device.BusySessions = 1;
  clock().WriteCommand(BuildHdlcCommand(1, "\x02"));
  EXPECT_EQ(writes(), "S");
  EXPECT_FALSE(clock().SessionIsOpen());
}

TEST_F(HdlcSessionTest, SessionClosedByClockRaisesOnDirectReception) {
  clock().WriteCommand(BuildHdlcCommand(1, "\x02"));  // opens the session, writes the command
  THdlcPacket packet;
  clock().ReceiveHdlcPacket(packet);
  ASSERT_TRUE(packet.IsValid);
  device.CloseSessionAfter = 0;
  clock().WriteCommand(BuildHdlcCommand(1, "\x02"));
  try {
    clock().ReceiveHdlcPacket(packet);
    FAIL() << "no exception";
  } catch (const HardwareSessionClosedException& e) {
    EXPECT_STREQ(e.what(), "Device Busy or Session Closed by device");
  }
  EXPECT_FALSE(clock().SessionIsOpen());
}

TEST_F(HdlcSessionTest, SendCommandReopensSessionClosedMidExchange) {
  device.RecordCount = 1;
  EXPECT_EQ(Hex(send("\x02")), "01");
  device.CloseSessionAfter = 1;  // the next command finds the session closed
  EXPECT_EQ(Hex(send("\x02")), "01");
  EXPECT_EQ(writes(), "SCCSC");
  EXPECT_TRUE(clock().SessionIsOpen());
}

TEST_F(HdlcSessionTest, BusyClockThreeTimesGivesNoReplyAndReopensBeforeEachTry) {
  device.BusyReplies = 3;
  EXPECT_EQ(send("\x02"), "");
  EXPECT_EQ(writes(), "SCSCSC");
  EXPECT_FALSE(clock().SessionIsOpen());
  EXPECT_FALSE(clock().LastHdlcPacket().IsValid);
}

TEST_F(HdlcSessionTest, SilentClockCostsTwoTimeoutsPerTryInVirtualTime) {
  device.IgnoreSessions = true;
  const auto start = now();
  EXPECT_EQ(send("\x02"), "");
  // Three tries, each a silent session request and a silent wait for the unwritten command.
  EXPECT_GE(now() - start, 3 * 14000u);
  EXPECT_LE(now() - start, 3 * 14000u + 3 * 10);
  EXPECT_EQ(writes(), "SSS");
}

TEST(HdlcReception, DoubledFlagsAndGarbageAreSkippedBadCrcIsNoAnswer) {
  struct Case {
    const char* Name;
    std::function<void(sim::HdlcClockModel&)> Misbehave;
    bool Answered;
  };
  const Case cases[] = {
      {"doubled flags", [](sim::HdlcClockModel& m) { m.DoubledFlags = true; }, true},
      {"garbage between frames",
       [](sim::HdlcClockModel& m) { m.GarbageBetweenFrames = "\x11\x22\x33"; }, true},
      {"byte by byte", [](sim::HdlcClockModel& m) { m.ByteGapMs = 3; }, true},
      {"bad CRC on every frame", [](sim::HdlcClockModel& m) { m.BadCrcReplies = 1000; }, false},
  };
  for (const auto& c : cases) {
    sim::ScopedVirtualPlatform vp;
    sim::HdlcClockModel model{1};
    model.RecordCount = 1;
    c.Misbehave(model);
    vp.P.Wire.setModel(&model);
    TClockSet line;
    line.SetProtocol(ptHdlc);
    std::string reply;
    line.Clocks().front()->SendCommand(BuildHdlcCommand(1, "\x02"), 0, "", "", reply);
    EXPECT_EQ(reply == "\x01", c.Answered) << c.Name;
  }
}

TEST_F(HdlcSessionTest, EveryByteRestartsTheTimeout) {
  device.RecordCount = 1;
  device.ByteGapMs = 5000;  // far apart, but each within the 7000 ms timeout
  EXPECT_EQ(Hex(send("\x02")), "01");
  // Two frames of at least nine bytes each, one byte every 5 s: a wait of over 80 s in all.
  EXPECT_GE(now(), 2 * 8 * 5000u);
}

TEST_F(HdlcSessionTest, LineClosedMeansNewSessionBeforeNextCommand) {
  EXPECT_EQ(send("\x02").size(), 1u);
  clock().ForgetHdlcSession();
  EXPECT_EQ(send("\x02").size(), 1u);
  EXPECT_EQ(writes(), "SCSC");
}

TEST_F(HdlcSessionTest, TextProtocolsNeverAskForASession) {
  for (TProtocol protocol : {RS232, RS485}) {
    line.SetProtocol(protocol);
    clock().CheckHdlcSession();
  }
  EXPECT_TRUE(vp.P.Wire.Written.empty());
}

TEST_F(HdlcSessionTest, MegabyteWithoutFlagsDoesNotHideTheNextFrame) {
  testsupport::ScriptedDevice scripted;
  vp.P.Wire.setModel(&scripted);
  THdlcPacket grant;
  grant.SourceAddress = 1;
  grant.DestAddress = 1;
  grant.Ack = grant.Session = true;
  THdlcPacket answer;
  answer.SourceAddress = 1;
  answer.DestAddress = 1;
  answer.Ack = true;
  answer.Data = "\x05";
  scripted.then(BuildHdlcFrame(grant));
  scripted.then({{5, std::string(1 << 20, '\x55')}, {10, BuildHdlcFrame(answer)}});
  EXPECT_EQ(Hex(send("\x02")), "05");
}
