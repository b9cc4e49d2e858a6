// Several clocks on one line share its link: what belongs to the line (the modem dialogue; the
// socket's stream, see ByteChannelTest) is the line's, what belongs to a clock (its HDLC
// session) is the clock's.
#include <gtest/gtest.h>

#include "connections/ClockSet.h"
#include "inproc/VirtualPlatform.h"
#include "link/ClockLink.h"
#include "models/HdlcBusModel.h"
#include "modem/ModemFixture.h"

namespace {

TEST(SharedHdlcLine, EveryClockOpensItsOwnSessionOnce) {
  sim::ScopedVirtualPlatform vp;
  sim::HdlcBusModel bus;
  bus.addClock(1).RecordCount = 1;
  bus.addClock(2).RecordCount = 1;
  vp.P.Wire.setModel(&bus);
  TClockSet line;
  line.SetProtocol(ptHdlc);
  TBasicClock& first = *line.Clocks().front();
  TBasicClock& second = line.NewClock(2);
  for (int round = 0; round < 2; ++round) {
    for (TBasicClock* clock : {&first, &second}) {
      const THdlcPacket answer = clock->SendHdlcCommand("\x02");
      EXPECT_TRUE(answer.IsValid) << int{clock->ClockNumber} << " round " << round;
      EXPECT_EQ(answer.SourceAddress, clock->ClockNumber);
    }
  }
  EXPECT_EQ(bus.clock(1)->SessionRequests, 1);
  EXPECT_EQ(bus.clock(2)->SessionRequests, 1);
  // The line closes every clock's session.
  line.Close();
  EXPECT_FALSE(first.SessionIsOpen());
  EXPECT_FALSE(second.SessionIsOpen());
}

// While the first clock dials, no clock of the line may write to the modem: a status query that
// runs inside the dial (from the line's breath, as a timer would) goes nowhere and gets nothing.
TEST_F(ModemFixture, DialHoldsEveryClockOfTheLine) {
  TBasicClock& second = line.NewClock(2);
  std::string inside = "not asked";
  line.OnBreath = [&] {
    countPass();
    if (inside == "not asked") second.SendCommand("\x01", 1, "", "", inside);
  };
  device.then({{3000, "\r\nCONNECT 9600\r\n"}});
  dial();
  EXPECT_EQ(inside, "");
  ASSERT_EQ(device.Received.size(), 1u);
  EXPECT_EQ(device.Received[0], kDialCommand);
  EXPECT_EQ(line.ConnectSpeed(), "9600");
}

}  // namespace
