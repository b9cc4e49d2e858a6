// A stop request ends the work under way at its next look at the clock, whatever it waits for;
// once the stop is over, waits take their time again.
#include <gtest/gtest.h>

#include "connections/ClockSet.h"
#include "inproc/VirtualPlatform.h"
#include "platform/StoppablePlatform.h"
#include "support/ScriptedDevice.h"

namespace {

class StoppablePlatformTest : public ::testing::Test {
 protected:
  StoppablePlatformTest() {
    vp.P.Wire.setModel(&silent);
    platform::Install(&stoppable);
    line = std::make_unique<TClockSet>();
  }
  ~StoppablePlatformTest() override {
    line.reset();
    platform::Install(nullptr);
  }
  std::uint64_t now() const { return vp.P.Clock.elapsed(); }

  sim::ScopedVirtualPlatform vp;
  testsupport::ScriptedDevice silent;
  bool stop = false;
  TStoppablePlatform stoppable{vp.P, [this] {
                                 if (stop && line) line->Cancel();
                                 return stop;
                               }};
  std::unique_ptr<TClockSet> line;
};

TEST_F(StoppablePlatformTest, StopInTheMiddleOfABusScanEndsItAtOnce) {
  std::vector<int> probed;
  std::uint64_t stoppedAt = 0;
  line->OnProbeClock = [&](std::int32_t ANumber) { probed.push_back(ANumber); };
  // The user stops while clock 3 is being waited for.
  vp.P.Clock.OnProcessMessages = [&] {
    if (!stop && probed.size() >= 4) {  // the single-clock probe, then numbers 1 to 3
      stop = true;
      stoppedAt = now();
    }
  };
  line->DetectClocks(cstKRTal);
  ASSERT_TRUE(stop);
  // No number after the one being probed.
  EXPECT_EQ(probed, (std::vector<int>{1, 1, 2, 3}));
  // The probe under way gave up without waiting any further.
  EXPECT_LT(now() - stoppedAt, 100u);
  EXPECT_TRUE(line->Clocks().empty());
}

TEST_F(StoppablePlatformTest, WaitsTakeTheirTimeBeforeAndAfterAStop) {
  auto silentExchange = [&] {
    const std::uint64_t start = now();
    std::string reply;
    line->Clocks().front()->SendCommand(std::string("\x05", 1), 18, "", "", reply);
    EXPECT_EQ(reply, "");
    return now() - start;
  };
  EXPECT_GE(silentExchange(), 7000u);
  stop = true;
  EXPECT_LT(silentExchange(), 10u);
  stop = false;
  EXPECT_GE(silentExchange(), 7000u);
}

}  // namespace
