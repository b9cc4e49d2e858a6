// Date, time and status of a line: passed on to the first clock or to every active clock, and
// combined over the clocks asked.
#include <gtest/gtest.h>

#include "connections/operations/LineFixture.h"

using lineops::BusClock;
using lineops::BusLineTest;
using lineops::CountCommands;
using lineops::Record;

namespace {

class PassOnTest : public BusLineTest {
 protected:
  PassOnTest() {
    Add(BusClock(1));
    Add(BusClock(2));
    line.MaxClockNumber = 2;
    line.DetectClocks(cstKRTal);
  }
  sim::TextClockModel& Model(int ANumber) { return *bus.clock(ANumber); }
};

TEST_F(PassOnTest, SettingGoesToEveryActiveClockAlsoAfterARefusal) {
  ASSERT_EQ(line.Clocks().size(), 2u);
  sim::Misbehaviour refuse = sim::Misbehaviour::silence();
  refuse.Command = "T";
  Model(1).misbehave(refuse);
  EXPECT_FALSE(line.SetDateTime("1403/10/01", "07:15"));
  EXPECT_GT(CountCommands(Model(1), 'T'), 0);
  EXPECT_EQ(Model(2).dateTime(), (sim::SimDateTime{1403, 10, 1, 7, 15, 0}));

  Model(1).misbehaviour().clear();
  EXPECT_TRUE(line.SetDateTime("1403/10/02", "06:00"));
  EXPECT_EQ(Model(1).dateTime(), (sim::SimDateTime{1403, 10, 2, 6, 0, 0}));
}

TEST_F(PassOnTest, InactiveClockIsNotSet) {
  line.Clocks()[0]->Active = false;
  EXPECT_TRUE(line.SetDateTime("1403/10/01", "07:15"));
  EXPECT_EQ(CountCommands(Model(1), 'T'), 0);
  EXPECT_EQ(Model(2).dateTime(), (sim::SimDateTime{1403, 10, 1, 7, 15, 0}));
}

TEST_F(PassOnTest, DateAndTimeAreReadFromTheFirstClockAndWrittenToEveryActiveOne) {
  Model(2).setDateTime({1402, 1, 2, 3, 4, 0});
  TDateStr date;
  TTimeStr time;
  ASSERT_TRUE(line.GetDateTime(date, time));
  EXPECT_EQ(date, "1403/09/18");
  EXPECT_EQ(time, "10:30");
  EXPECT_EQ(line.Date(), "1403/09/18");
  EXPECT_EQ(line.Time(), "10:30");

  line.Clocks()[1]->Active = false;
  line.SetTime("11:45");
  EXPECT_EQ(Model(1).dateTime().Hour, 11);
  EXPECT_EQ(Model(1).dateTime().Minute, 45);
  EXPECT_EQ(Model(2).dateTime(), (sim::SimDateTime{1402, 1, 2, 3, 4, 0}));
}

TEST_F(PassOnTest, StatusIsCombinedOverTheClocksAskedInOrder) {
  Model(1).addRecord(Record("111", {1403, 9, 17, 8, 0, 0}));
  advance(2000);
  const int asked1 = CountCommands(Model(1), '\x01');
  const int asked2 = CountCommands(Model(2), '\x01');
  // Clock 1 holds a record: the line is not empty, and clock 2 is not asked.
  EXPECT_FALSE(line.IsEmpty());
  EXPECT_EQ(CountCommands(Model(1), '\x01'), asked1 + 1);
  EXPECT_EQ(CountCommands(Model(2), '\x01'), asked2);
  // Clock 1 answers: connected, clock 2 not asked.
  EXPECT_TRUE(line.IsConnected());
  EXPECT_EQ(CountCommands(Model(2), '\x01'), asked2);
  EXPECT_TRUE(line.WasConnected());
  EXPECT_FALSE(line.WasEmpty());

  Model(1).clearRecords();
  advance(2000);
  EXPECT_TRUE(line.IsEmpty());
  EXPECT_TRUE(line.WasEmpty());
  EXPECT_FALSE(line.IsBusy());
  Model(1).setBusy(true);
  Model(2).setBusy(true);
  advance(2000);
  EXPECT_TRUE(line.IsBusy());
  EXPECT_TRUE(line.WasBusy());
}

TEST_F(PassOnTest, LineWithoutActiveClocksAsksNobody) {
  for (auto& clock : line.Clocks()) clock->Active = false;
  const int written = vp.P.Wire.WriteCount;
  EXPECT_FALSE(line.IsConnected());
  EXPECT_FALSE(line.WasConnected());
  EXPECT_TRUE(line.IsEmpty());
  EXPECT_TRUE(line.IsBusy());
  EXPECT_TRUE(line.WasEmpty());
  EXPECT_TRUE(line.WasBusy());
  EXPECT_TRUE(line.SetDateTime("1403/10/01", "07:15"));
  EXPECT_EQ(vp.P.Wire.WriteCount, written);
}

TEST_F(PassOnTest, SilentClockAloneMakesTheLineDisconnected) {
  Model(1).misbehave(sim::Misbehaviour::silence());
  Model(2).misbehave(sim::Misbehaviour::silence());
  advance(2000);
  EXPECT_FALSE(line.IsConnected());
  Model(2).misbehaviour().clear();
  EXPECT_TRUE(line.IsConnected());
}

}  // namespace
