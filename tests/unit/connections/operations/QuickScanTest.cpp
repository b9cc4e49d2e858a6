// The quick detection: one status question per clock number and parity with a short timeout and
// no pause, in virtual time; the clocks it finds, against those the normal schedule finds.
#include <gtest/gtest.h>

#include "connections/operations/LineFixture.h"
#include "models/HdlcBusModel.h"

using lineops::BusClock;
using lineops::BusLineTest;
using lineops::LineTest;
using lineops::Numbers;

namespace {

struct ScheduleCase {
  const char* Name;
  TClockSearchType Search;
  bool Quick;
  int ProbeTimeout;
  // What a silent number costs by the schedule, in ms.
  std::uint32_t PerNumberMs;
};

// Text probes: a try is the 2 ms pause after writing and the reply timeout, then 500 ms before
// the next try in the normal schedule; three tries at no parity and three at even. A quick probe
// is one try at each parity. HDLC: a quick probe is one session request and its timeout.
const ScheduleCase kSchedules[] = {
    {"normal KRTal", cstKRTal, false, 0, 6 * (2 + 300 + 500)},
    {"quick KRTal", cstKRTal, true, 0, 2 * (2 + 300)},
    {"quick KRTal, 40 ms", cstKRTal, true, 40, 2 * (2 + 40)},
    {"quick KREmber", cstKREmber, true, 0, 300},
    {"quick KREmber, 60 ms", cstKREmber, true, 60, 60},
};

TEST_F(LineTest, SilentNumbersCostWhatTheScheduleSays) {
  sim::Rs485BusModel silent;
  vp.P.Wire.setModel(&silent);
  for (const ScheduleCase& c : kSchedules) {
    SCOPED_TRACE(c.Name);
    line.Clocks().clear();
    line.MaxClockNumber = 4;
    line.QuickScan = c.Quick;
    line.ProbeTimeout = c.ProbeTimeout;
    Probed.clear();
    const auto before = vp.P.Clock.elapsed();
    line.DetectClocks(c.Search);
    const auto spent = vp.P.Clock.elapsed() - before;
    EXPECT_TRUE(line.Clocks().empty());
    // The single-clock probe and numbers 1 to 4, each probed once.
    EXPECT_EQ(Probed, (std::vector<int>{1, 1, 2, 3, 4}));
    const std::uint32_t schedule = 5 * c.PerNumberMs;
    EXPECT_GE(spent, schedule);
    // Each reply wait ends at the first 2 ms poll after its timeout.
    EXPECT_LE(spent, schedule + 5 * 6 * 4);
  }
}

// A bus with clocks at 1, 2 (a little slow to answer), 3 (a Lumen, at even parity only) and 4,
// which answers later than a short timeout. The slow one is the last number: a reply that comes
// after its wait has ended would otherwise be taken as the next number's answer.
class QuickBusTest : public BusLineTest {
 protected:
  QuickBusTest() {
    Add(BusClock(1, "KR-Tal 100"));
    Add(BusClock(2, "KR-Corax 2")).misbehave(sim::Misbehaviour::delay(60));
    Add(BusClock(3, "Lumen 3"));
    Add(BusClock(4, "KR-Corax 4")).misbehave(sim::Misbehaviour::delay(250));
    line.MaxClockNumber = 4;
  }
  struct Found {
    std::vector<int> Numbers;
    std::vector<TClockType> Types;
    std::vector<std::string> Firmware;
  };
  Found Detect(bool AQuick, int AProbeTimeout) {
    line.Clocks().clear();
    line.QuickScan = AQuick;
    line.ProbeTimeout = AProbeTimeout;
    line.DetectClocks(cstKRTal);
    Found f;
    f.Numbers = Numbers(line);
    for (const auto& clock : line.Clocks()) {
      f.Types.push_back(clock->ClockType);
      f.Firmware.push_back(clock->FirmwareVer);
    }
    return f;
  }
};

TEST_F(QuickBusTest, QuickScanFindsWhatTheNormalScanFindsWhenEveryClockAnswersInTime) {
  const Found normal = Detect(false, 0);
  const Found quick = Detect(true, 0);
  EXPECT_EQ(normal.Numbers, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(quick.Numbers, normal.Numbers);
  EXPECT_EQ(quick.Types, normal.Types);
  EXPECT_EQ(quick.Types[2], Lumen);
  EXPECT_EQ(quick.Firmware, normal.Firmware);
}

TEST_F(QuickBusTest, AShortProbeTimeoutMissesOnlyTheClocksSlowerThanIt) {
  // 100 ms: clock 2 (60 ms late) is found, clock 4 (250 ms late) is not.
  const Found quick = Detect(true, 100);
  EXPECT_EQ(quick.Numbers, (std::vector<int>{1, 2, 3}));
}

TEST_F(QuickBusTest, FoundClocksAreIdentifiedAndLaterAskedWithTheNormalTries) {
  // Clock 1 forgets its firmware question twice: the identification still asks until it answers.
  bus.clock(1)->misbehave(sim::Misbehaviour::silence(2).onlyFor("A"));
  const Found quick = Detect(true, 0);
  ASSERT_EQ(quick.Numbers.front(), 1);
  EXPECT_EQ(quick.Firmware.front(), "VER 3.10");
  // After the scan a status question has its tries again: two silences do not lose the clock.
  bus.clock(1)->misbehave(sim::Misbehaviour::silence(2).onlyFor("\x01"));
  advance(2000);  // past the quiet time of a clock found empty
  EXPECT_TRUE(line.Clocks().front()->IsConnected());
}

TEST_F(LineTest, QuickEmberScanFindsTheHdlcClocks) {
  sim::HdlcBusModel bus;
  bus.addClock(2).DeviceDescription = "KR-Ember 2;Ver 5.01;Rec 50000;CAM;";
  bus.addClock(3).DeviceDescription = "KR-Ember 3;Ver 5.02;Rec 50000;CAM;";
  vp.P.Wire.setModel(&bus);
  line.MaxClockNumber = 4;
  line.QuickScan = true;
  const auto before = vp.P.Clock.elapsed();
  line.DetectClocks(cstKREmber);
  const auto spent = vp.P.Clock.elapsed() - before;
  ASSERT_EQ(Numbers(line), (std::vector<int>{2, 3}));
  EXPECT_EQ(line.Clocks()[1]->FirmwareVer, "Ver 5.02");
  // Three silent probes (the first one and numbers 1 and 4) at 300 ms; the found clocks answer
  // at once.
  EXPECT_LT(spent, 3u * 300u + 400u);
}

}  // namespace
