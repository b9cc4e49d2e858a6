// Finding the clocks of a line: the single clock, the bus scan, the fast scan that stops at the
// first silent number, and the re-check of the clocks an earlier detection listed.
#include <gtest/gtest.h>

#include "connections/operations/LineFixture.h"
#include "models/HdlcClockModel.h"

using lineops::BusClock;
using lineops::BusLineTest;
using lineops::LineTest;
using lineops::Numbers;

namespace {

// Clocks 1 and 3 answer only addressed bus frames: the first probe (RS232) fails and the scan
// takes over.
class BusScanTest : public BusLineTest {
 protected:
  BusScanTest() {
    Add(BusClock(1, "KR-Tal 100"));
    Add(BusClock(3, "KR-Corax 3"));
    line.MaxClockNumber = 4;
  }
};

TEST_F(BusScanTest, FullScanFindsEveryNumberThatAnswers) {
  line.DetectClocks(cstKRTal);
  EXPECT_EQ(line.Protocol(), RS485);
  EXPECT_EQ(Numbers(line), (std::vector<int>{1, 3}));
  EXPECT_EQ(line.Clocks()[0]->ClockType, KRTal);
  EXPECT_EQ(line.Clocks()[1]->ClockType, KRCorax);
  EXPECT_EQ(line.Clocks()[1]->ClockName, "KR-Corax 3");
  // The first probe at number 1, then every number of the bus up to MaxClockNumber.
  EXPECT_EQ(Probed, (std::vector<int>{1, 1, 2, 3, 4}));
}

TEST_F(BusScanTest, FastScanStopsAtTheFirstSilentNumber) {
  line.DetectClocks(cstKRTalFast);
  EXPECT_EQ(line.Protocol(), RS485);
  EXPECT_EQ(Numbers(line), (std::vector<int>{1}));
  EXPECT_EQ(Probed, (std::vector<int>{1, 1, 2}));
}

TEST_F(BusScanTest, ListedClocksAreAskedAgainAndKeepTheirPlaceBeforeNewOnes) {
  // An earlier detection left clocks 1, 3 and 4; clock 4 has gone and clock 2 has come.
  Add(BusClock(2));
  line.NewClock(3);
  line.NewClock(4);
  line.DetectClocks(cstKRTal);
  // From the back: 4 is dropped, 3 confirmed, the first clock dropped unasked; the scan skips 3.
  EXPECT_EQ(Probed, (std::vector<int>{1, 4, 3, 1, 2, 4}));
  EXPECT_EQ(Numbers(line), (std::vector<int>{3, 1, 2}));
  for (const auto& clock : line.Clocks()) EXPECT_NE(clock->ClockType, CTUnknown);
}

TEST_F(BusScanTest, FastScanSkipsConfirmedNumbersWithoutStopping) {
  // Clock 2 is not on the bus; the listed clock 3 is confirmed and its number is not probed
  // again, so the fast scan stops at 2 only.
  line.NewClock(3);
  line.DetectClocks(cstKRTalFast);
  EXPECT_EQ(Probed, (std::vector<int>{1, 3, 1, 2}));
  EXPECT_EQ(Numbers(line), (std::vector<int>{3, 1}));
}

TEST_F(BusScanTest, NoNumbersToScanOnlyReChecksTheList) {
  line.MaxClockNumber = 0;
  line.NewClock(3);
  line.NewClock(2);  // silent
  line.DetectClocks(cstKRTal);
  EXPECT_EQ(Probed, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Numbers(line), (std::vector<int>{3}));
}

TEST_F(BusScanTest, AnEmptyBusLeavesNoClock) {
  bus.clock(1)->misbehave(sim::Misbehaviour::silence());
  bus.clock(3)->misbehave(sim::Misbehaviour::silence());
  line.DetectClocks(cstKRTal);
  EXPECT_TRUE(line.Clocks().empty());
  EXPECT_EQ(line.ClockType(), CTUnknown);
}

TEST_F(BusScanTest, SingleClockSearchTypesDoNotScan) {
  // The bus clocks do not answer the single-clock probe, and these search types never scan.
  const TClockSearchType singles[] = {cstKRMira,   cstKRTalR2Fast, cstKRTalR2,
                                      cstKROptica, cstKRMira120,   cstKREmberFast};
  for (TClockSearchType search : singles) {
    SCOPED_TRACE(static_cast<int>(search));
    Probed.clear();
    line.Clocks().clear();
    line.NewClock(1);
    line.NewClock(7);
    line.Clocks()[1]->ClockType = KRCorax;
    line.DetectClocks(search);
    EXPECT_EQ(Probed, (std::vector<int>{1}));
    // The first clock stays, marked unknown; what an earlier detection left behind it stays
    // untouched.
    ASSERT_EQ(Numbers(line), (std::vector<int>{1, 7}));
    EXPECT_EQ(line.Clocks()[0]->ClockType, CTUnknown);
    EXPECT_EQ(line.Clocks()[1]->ClockType, KRCorax);
    const bool hdlc = search != cstKRMira && search != cstKRMira120;
    EXPECT_EQ(line.Protocol(), hdlc ? ptHdlc : RS232);
  }
}

TEST_F(BusScanTest, SingleClockSearchOnAnEmptyListLeavesItEmpty) {
  line.Clocks().clear();
  line.DetectClocks(cstKROptica);
  EXPECT_TRUE(line.Clocks().empty());
  EXPECT_EQ(line.ClockType(), CTUnknown);
}

// One RS232 clock answers the first probe, whatever number its clock object had.
class SingleClockTest : public LineTest {
 protected:
  SingleClockTest() { vp.P.Wire.setModel(&model); }
  sim::TextClockModel model{lineops::BusClock(1, "KR-Tal 9")};
};

TEST_F(SingleClockTest, AnsweringClockBecomesTheOnlyClockNumberedOne) {
  line.Clocks().front()->ClockNumber = 5;
  line.NewClock(6);
  line.NewClock(7);
  line.DetectClocks(cstKRTal);
  EXPECT_EQ(Probed, (std::vector<int>{5}));
  EXPECT_EQ(Numbers(line), (std::vector<int>{1}));
  EXPECT_EQ(line.ClockType(), KRTal);
  EXPECT_EQ(line.ClockName(), "KR-Tal 9");
  EXPECT_EQ(line.Protocol(), RS232);
}

TEST_F(LineTest, HdlcSingleClockSearchesAskNumberOne) {
  sim::HdlcClockModel model(1);
  vp.P.Wire.setModel(&model);
  line.Clocks().front()->ClockNumber = 9;
  line.DetectClocks(cstKRTalR2);
  EXPECT_EQ(Probed, (std::vector<int>{1}));
  ASSERT_EQ(Numbers(line), (std::vector<int>{1}));
  EXPECT_NE(line.ClockType(), CTUnknown);
  EXPECT_EQ(line.Protocol(), ptHdlc);
}

TEST_F(LineTest, EmberBusIsScannedOnHdlc) {
  // Ember clocks 2 and 3 share an HDLC line; nobody answers at number 1.
  sim::HdlcBusModel bus;
  bus.addClock(2).DeviceDescription = "KR-Ember 2;Ver 5.01;Rec 50000;CAM;";
  bus.addClock(3).DeviceDescription = "KR-Ember 3;Ver 5.02;Rec 50000;CAM;";
  vp.P.Wire.setModel(&bus);
  line.MaxClockNumber = 3;
  line.DetectClocks(cstKREmber);
  EXPECT_EQ(line.Protocol(), ptHdlc);
  EXPECT_EQ(Probed, (std::vector<int>{1, 1, 2, 3}));
  ASSERT_EQ(Numbers(line), (std::vector<int>{2, 3}));
  EXPECT_EQ(line.Clocks()[0]->ClockType, KREmber);
  EXPECT_EQ(line.Clocks()[1]->FirmwareVer, "Ver 5.02");
}

TEST_F(BusScanTest, DetectionLeavesActiveAsItWas) {
  line.NewClock(3).Active = false;
  line.DetectClocks(cstKRTal);
  ASSERT_EQ(Numbers(line), (std::vector<int>{3, 1}));
  EXPECT_FALSE(line.Clocks()[0]->Active);
  EXPECT_TRUE(line.Clocks()[1]->Active);
}

}  // namespace
