// The one deadline type of the waits, and the waits themselves, on both sides of the wrap of the
// 32-bit tick counter.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "connections/ClockSet.h"
#include "inproc/VirtualPlatform.h"
#include "platform/Deadline.h"
#include "support/ScriptedDevice.h"

namespace {

constexpr std::uint32_t kBeforeWrap = 0xFFFFFFFFu - 99;  // the counter wraps 100 ms later

TEST(Deadline, CountsAcrossTheWrap) {
  struct Case {
    std::uint32_t StartTick;
    std::uint32_t AdvanceMs;
    std::uint32_t Elapsed;
    bool Expired;
    std::uint32_t Remaining;
  };
  const Case cases[] = {
      {1000, 0, 0, false, 500},
      {1000, 499, 499, false, 1},
      {1000, 500, 500, true, 0},
      {1000, 900, 900, true, 0},
      {kBeforeWrap, 99, 99, false, 401},   // last tick before the wrap
      {kBeforeWrap, 100, 100, false, 400},  // the counter reads 0
      {kBeforeWrap, 500, 500, true, 0},
      {kBeforeWrap, 3000, 3000, true, 0},
      {0xFFFFFFFFu, 1, 1, false, 499},
  };
  for (const Case& c : cases) {
    sim::ScopedVirtualPlatform vp(c.StartTick);
    const TDeadline deadline(500);
    vp.P.Clock.advance(c.AdvanceMs);
    EXPECT_EQ(deadline.elapsed(), c.Elapsed) << c.StartTick << " +" << c.AdvanceMs;
    EXPECT_EQ(deadline.expired(), c.Expired) << c.StartTick << " +" << c.AdvanceMs;
    EXPECT_EQ(deadline.remaining(), c.Remaining) << c.StartTick << " +" << c.AdvanceMs;
  }
}

TEST(Deadline, StartCountsAgainFromNowAndZeroIsExpiredAtOnce) {
  sim::ScopedVirtualPlatform vp(kBeforeWrap);
  TDeadline deadline(300);
  vp.P.Clock.advance(250);
  deadline.start();
  vp.P.Clock.advance(250);
  EXPECT_FALSE(deadline.expired());
  EXPECT_EQ(deadline.remaining(), 50u);
  EXPECT_TRUE(TDeadline(0).expired());
}

// Every wait of the line, started 100 ms before the counter wraps, lasts as long as it does
// anywhere else.
TEST(WaitsAcrossTheWrap, LastTheirTime) {
  struct Case {
    const char* Name;
    std::function<void(TClockSet&, sim::VirtualClock&)> Run;
    std::uint64_t MinMs;
    std::uint64_t MaxMs;
  };
  const Case cases[] = {
      {"text reply wait of a silent clock",
       [](TClockSet& ALine, sim::VirtualClock&) {
         std::string reply;
         ALine.Clocks().front()->SendCommand("\x01", 1, "", "", reply);
       },
       7000, 7004},
      // The handler takes 300 ms of the second: the pause sleeps the other 700 ms.
      {"modem breath",
       [](TClockSet& ALine, sim::VirtualClock& AClock) {
         ALine.OnBreath = [&AClock] { AClock.advance(300); };
         ALine.Clocks().front()->Breathe(1000);
       },
       1000, 1000},
      {"connect of a socket nobody answers",
       [](TClockSet& ALine, sim::VirtualClock&) {
         ALine.ChangeConnectionType(TcpIp);
         ALine.OpenTcpIpPort();
       },
       5000, 5010},
      {"HDLC reception from a silent clock",
       [](TClockSet& ALine, sim::VirtualClock&) {
         ALine.SetProtocol(ptHdlc);
         THdlcPacket packet;
         ALine.Clocks().front()->ReceiveHdlcPacket(packet);
       },
       7000, 7004},
  };
  for (const Case& c : cases) {
    sim::ScopedVirtualPlatform vp(kBeforeWrap);
    testsupport::ScriptedDevice silent;
    vp.P.Wire.setModel(&silent);
    vp.P.TcpPeerListening = false;
    TClockSet line;
    c.Run(line, vp.P.Clock);
    EXPECT_GE(vp.P.Clock.elapsed(), c.MinMs) << c.Name;
    EXPECT_LE(vp.P.Clock.elapsed(), c.MaxMs) << c.Name;
  }
}

}  // namespace
