// The records of all active clocks of a line as one stream in time order: which clock is read,
// which record is handed out, which clock releases it, and what happens to a refused record.
#include <gtest/gtest.h>

#include <algorithm>

#include "connections/operations/LineFixture.h"

using lineops::BusClock;
using lineops::BusLineTest;
using lineops::CountCommands;
using lineops::LineTest;
using lineops::ReadFile;
using lineops::Record;

namespace {

// Clocks 1 to AClocks on the bus, detected by the line (clock N at index N - 1).
class StreamTest : public BusLineTest {
 protected:
  void Detect(int AClocks) {
    for (int n = 1; n <= AClocks; ++n) Add(BusClock(n));
    line.MaxClockNumber = AClocks;
    line.DetectClocks(cstKRTal);
    ASSERT_EQ(line.Clocks().size(), static_cast<std::size_t>(AClocks));
  }
  sim::TextClockModel& Model(int ANumber) { return *bus.clock(ANumber); }
  // Lets the clocks' kept status codes catch up with what the models now hold.
  void Refresh() {
    advance(2000);
    for (auto& clock : line.Clocks()) clock->IsConnected();
  }
};

TEST_F(StreamTest, OldestRecordOfAllClocksComesFirstAndIsReleasedByItsOwnClock) {
  Detect(2);
  Model(1).addRecord(Record("111", {1403, 9, 17, 10, 0, 0}));
  Model(2).addRecord(Record("222", {1403, 9, 16, 9, 0, 0}));
  Refresh();

  TVexRecord r;
  line.GetRecord(r);
  EXPECT_EQ(r.KartNo, "222");
  EXPECT_EQ(r.ClockNumber, 2);
  EXPECT_EQ(line.CurrentClock(), 1);
  EXPECT_EQ(line.CheckSequenceCode(), 1);

  line.NextRecord();
  EXPECT_TRUE(Model(2).records().empty());
  EXPECT_EQ(Model(1).records().size(), 1u);

  TVexRecord next;
  line.GetRecord(next);
  EXPECT_EQ(next.KartNo, "111");
  EXPECT_EQ(line.CurrentClock(), 0);
  line.NextRecord();
  EXPECT_TRUE(Model(1).records().empty());
}

TEST_F(StreamTest, OnATieTheLaterClockInTheListWins) {
  Detect(3);
  Model(1).addRecord(Record("111", {1403, 9, 17, 8, 0, 0}));
  Model(2).addRecord(Record("222", {1403, 9, 17, 8, 1, 0}));
  Model(3).addRecord(Record("333", {1403, 9, 17, 8, 0, 0}));
  Refresh();
  TVexRecord r;
  line.GetRecord(r);
  EXPECT_EQ(r.KartNo, "333");
  EXPECT_EQ(line.CurrentClock(), 2);
}

TEST_F(StreamTest, NothingWaitingLeavesTheRecordAndTheClockIndexAsTheyWere) {
  Detect(2);
  Model(2).addRecord(Record("222", {1403, 9, 16, 9, 0, 0}));
  Refresh();
  const std::string log = TempFile("records.log");
  line.SetLogFileName(log);

  TVexRecord r;
  line.GetRecord(r);
  ASSERT_EQ(line.CurrentClock(), 1);
  line.NextRecord();
  const std::string logged = ReadFile(log);
  EXPECT_NE(logged.find("0000000222"), std::string::npos) << logged;

  advance(2000);
  TVexRecord passed;
  passed.KartNo = "as passed";
  line.GetRecord(passed);
  EXPECT_EQ(passed.KartNo, "as passed");
  EXPECT_EQ(line.CurrentClock(), 1);
  EXPECT_EQ(line.LastError(), ceClockEmpty);
  // Nothing handed out, nothing logged: not even the caller's own record.
  EXPECT_EQ(ReadFile(log), logged);
}

TEST_F(StreamTest, RecordTakenByAClockKnownEmptyIsFoundOnceEveryClockWasEmpty) {
  Detect(2);
  // Both clocks were found empty; then clock 2 takes a record.
  EXPECT_TRUE(line.IsEmpty());
  Model(2).addRecord(Record("222", {1403, 9, 18, 11, 0, 0}));
  advance(2000);
  TVexRecord r;
  line.GetRecord(r);
  EXPECT_EQ(r.KartNo, "222");
  EXPECT_EQ(line.CurrentClock(), 1);
}

// Clock 2 (index 1) was found empty at a known moment; later it took a record older than the one
// clock 1 holds. It is read only when it became empty before the best record found.
class LastEmptyTest : public StreamTest {
 protected:
  void SetUp() override {
    Detect(2);
    Model(1).addRecord(Record("111", {1403, 9, 17, 8, 0, 0}));
    advance(2000);
    // Clock 1 is known to hold records, so the line is not taken as empty as a whole.
    ASSERT_TRUE(line.Clocks()[0]->IsConnected());
    ASSERT_FALSE(line.Clocks()[0]->WasEmpty());
    ASSERT_TRUE(line.Clocks()[1]->IsEmpty());
    Model(2).addRecord(Record("222", {1403, 9, 15, 7, 0, 0}));
    advance(2000);
  }
};

TEST_F(LastEmptyTest, ClockEmptiedAfterTheBestRecordIsNotRead) {
  line.Clocks()[1]->LastEmptyDate = "030917";
  line.Clocks()[1]->LastEmptyTime = "08:01";
  const int before = CountCommands(Model(2), '\x03');
  TVexRecord r;
  line.GetRecord(r);
  EXPECT_EQ(r.KartNo, "111");
  EXPECT_EQ(line.CurrentClock(), 0);
  EXPECT_EQ(CountCommands(Model(2), '\x03'), before);
}

TEST_F(LastEmptyTest, ClockEmptiedBeforeTheBestRecordIsRead) {
  line.Clocks()[1]->LastEmptyDate = "030917";
  line.Clocks()[1]->LastEmptyTime = "08:00";  // the same minute counts as earlier
  TVexRecord r;
  line.GetRecord(r);
  EXPECT_EQ(r.KartNo, "222");
  EXPECT_EQ(line.CurrentClock(), 1);
}

TEST_F(StreamTest, SilentClockIsAskedAgainAndItsErrorIsTheLines) {
  // Clock 2 (index 1) has left the bus; clock 1's record is handed out all the same.
  Detect(2);
  Model(1).addRecord(Record("111", {1403, 9, 17, 8, 0, 0}));
  Model(2).misbehave(sim::Misbehaviour::silence());
  Refresh();
  const int before = CountCommands(Model(2), '\x01');
  TVexRecord r;
  line.GetRecord(r);
  EXPECT_EQ(r.KartNo, "111");
  EXPECT_EQ(line.CurrentClock(), 0);
  // The line's error is that of the clock read last.
  EXPECT_EQ(line.LastError(), ceClockDisconnected);
  EXPECT_EQ(line.Clocks()[1]->LastError(), ceClockDisconnected);
  // Three reads of three status tries each.
  EXPECT_EQ(CountCommands(Model(2), '\x01') - before, 9);
}

TEST_F(StreamTest, InactiveClocksAreNotRead) {
  Detect(2);
  Model(2).addRecord(Record("222", {1403, 9, 16, 9, 0, 0}));
  line.Clocks()[1]->Active = false;
  Refresh();
  const int before = CountCommands(Model(2), '\x01');
  TVexRecord r;
  line.GetRecord(r);
  EXPECT_TRUE(r.KartNo.empty());
  EXPECT_EQ(CountCommands(Model(2), '\x01'), before);
}

// One RS232 clock whose first record comes spoiled (framed, right check byte, an hour of 25).
class BadRecordTest : public LineTest {
 protected:
  BadRecordTest() {
    model.addRecord(Record("111", {1403, 9, 17, 8, 0, 0}));
    model.addRecord(Record("222", {1403, 9, 17, 9, 0, 0}));
    vp.P.Wire.setModel(&model);
    line.DetectClocks(cstKRTalFast);
    line.SetErrorLogFileName(TempFile("bad.log"));
  }
  sim::TextClockModel model{BusClock(1)};
};

TEST_F(BadRecordTest, RefusedRecordIsLoggedWithItsReplyAndDropped) {
  sim::Misbehaviour corrupt;
  corrupt.Kind = sim::MisbehaviourKind::CorruptRecord;
  corrupt.Times = 3;
  model.misbehave(corrupt);
  TVexRecord r;
  r.KartNo = "as passed";
  line.GetRecord(r);
  EXPECT_EQ(r.KartNo, "as passed");
  EXPECT_EQ(line.LastError(), ceBadRecord);
  // The spoiled record is gone from the clock, the next one waits.
  ASSERT_EQ(model.records().size(), 1u);
  EXPECT_EQ(model.records().front().Card, "222");
  // One line: the raw record as the clock sent it (cleaned of its CR), then CR LF.
  const std::string logged = ReadFile(TempFile("bad.log"));
  ASSERT_GE(logged.size(), 5u);
  EXPECT_EQ(logged.substr(0, 3), std::string(3, '\x01'));
  EXPECT_NE(logged.find("111"), std::string::npos);
  EXPECT_EQ(logged.substr(logged.size() - 2), "\r\n");
  EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 1);
  EXPECT_FALSE(Messages.empty());

  TVexRecord next;
  line.GetRecord(next);
  EXPECT_EQ(next.KartNo, "222");
  EXPECT_EQ(line.LastError(), ceNoError);
}

TEST_F(BadRecordTest, SpoiledOnceIsReadWellByTheNextTryAndNotDropped) {
  sim::Misbehaviour corrupt;
  corrupt.Kind = sim::MisbehaviourKind::CorruptRecord;
  corrupt.Times = 1;
  model.misbehave(corrupt);
  TVexRecord r;
  line.GetRecord(r);
  EXPECT_EQ(r.KartNo, "111");
  EXPECT_EQ(model.records().size(), 2u);
  EXPECT_TRUE(ReadFile(TempFile("bad.log")).empty());
}

// A text clock with a camera on a cable line.
class PictureTest : public LineTest {
 protected:
  PictureTest() {
    sim::TextClockSettings s = BusClock(1);
    s.Camera = true;
    model = std::make_unique<sim::TextClockModel>(s);
    vp.P.Wire.setModel(model.get());
    line.DetectClocks(cstKRTalFast);
  }
  std::unique_ptr<sim::TextClockModel> model;
};

TEST_F(PictureTest, PictureComesWithTheRecordOnlyWhenWanted) {
  struct Case {
    bool Wanted;
    bool OnlyCards;
    bool Finger;
    bool Expected;
  };
  const Case cases[] = {
      {false, false, false, false}, {true, false, false, true}, {true, false, true, true},
      {true, true, false, true},    {true, true, true, false},  // made with a finger print: no
                                                                // picture asked
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.Wanted) + std::to_string(c.OnlyCards) + std::to_string(c.Finger));
    sim::ClockRecord rec = Record("555", {1403, 9, 17, 8, 0, 0});
    rec.Finger = c.Finger;
    rec.Picture = std::string("JPEG") + std::string(600, 'x');
    model->clearRecords();
    model->addRecord(rec);
    advance(2000);
    line.ChangeGetIOImage(c.Wanted);
    line.ChangeGetIOImageOnlyCards(c.OnlyCards);
    TVexRecord r;
    line.GetRecord(r);
    ASSERT_EQ(r.KartNo, "555");
    ASSERT_EQ(r.ImageData != nullptr, c.Expected);
    if (c.Expected) {
      EXPECT_EQ(*r.ImageData, rec.Picture);
    }
    line.NextRecord();
  }
}

TEST(IsEarlierOrSame, ComparesDateAndTimeAcrossDays) {
  struct Case {
    const char* Date1;
    const char* Time1;
    const char* Date2;
    const char* Time2;
    bool Expected;
  };
  const Case cases[] = {
      {"", "", "", "", false},  // an empty first date is never earlier, not even than nothing
      {"", "08:00", "030917", "08:00", false},
      {"030917", "", "030917", "08:00", false},
      {"030917", "08:00", "", "", true},  // no best record yet
      {"030917", "08:00", "030917", "", true},
      {"030917", "08:00", "030917", "08:00", true},
      {"030917", "08:01", "030917", "08:00", false},
      {"030916", "23:59", "030917", "00:00", true},
      {"030917", "00:00", "030916", "23:59", false},
      {"1403/09/17", "08:00", "1403/09/18", "07:00", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TClockSet::IsEarlierOrSame(c.Date1, c.Time1, c.Date2, c.Time2), c.Expected)
        << c.Date1 << " " << c.Time1 << " / " << c.Date2 << " " << c.Time2;
  }
}

}  // namespace
