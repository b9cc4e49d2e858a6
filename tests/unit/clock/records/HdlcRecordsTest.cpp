// Reading records of HDLC clocks a block at a time, in virtual time against the simulated clock.
#include <gtest/gtest.h>

#include "clock/records/RecordsFixture.h"

using recordstest::CountHdlc;
using recordstest::Record;
using recordstest::Spoil;

namespace {

class HdlcRecords : public recordstest::HdlcRecordsTest {
 protected:
  void AddRecords(int ACount) {
    for (int i = 1; i <= ACount; ++i)
      store->addRecord(Record(std::to_string(1000 + i), {1403, 9, 17, 8, i, 0}));
  }
};

TEST_F(HdlcRecords, BlockOfThreeIsHandedOutOneByOneAndReleasedWithTheNextRequest) {
  AddRecords(5);
  TVexRecord r = clock().GetRecord();
  EXPECT_EQ(clock().LastError(), ceNoError);
  EXPECT_EQ(r.KartNo, "1001");
  EXPECT_EQ(r.Version, rv2);
  EXPECT_EQ(r.Date.str(), "030917");
  EXPECT_EQ(r.Time.str(), "08:01");
  EXPECT_EQ(r.SequenceCode, 'A');
  EXPECT_EQ(r.ComIp, "COM12");
  EXPECT_EQ(CountHdlc(model, "\x20"), 1);
  EXPECT_EQ(CountHdlc(model, "Q\x20"), 1);
  EXPECT_EQ(clock().HdlcRecordCount(), 3u);
  EXPECT_EQ(clock().HdlcReadPointer(), 40);

  // The first record again, from the buffer.
  EXPECT_EQ(clock().GetRecord().KartNo, "1001");
  for (const char* card : {"1002", "1003"}) {
    EXPECT_TRUE(clock().NextRecord());
    EXPECT_EQ(clock().GetRecord().KartNo, card);
  }
  EXPECT_EQ(clock().HdlcReadPointerOffset(), 2);
  EXPECT_EQ(CountHdlc(model, "\x20"), 1);
  EXPECT_EQ(CountHdlc(model, "\x21"), 0);
  EXPECT_EQ(store->released(), 0);

  // The third acknowledgement asks for the next block at once: the clock releases the first.
  EXPECT_TRUE(clock().NextRecord());
  EXPECT_EQ(CountHdlc(model, "\x21"), 1);
  EXPECT_EQ(store->released(), 3);
  EXPECT_EQ(clock().HdlcRecordCount(), 2u);
  EXPECT_EQ(clock().HdlcReadPointer(), 43);
  EXPECT_EQ(clock().HdlcReadPointerOffset(), 0);
  EXPECT_EQ(CountHdlc(model, "Q\x20"), 2);

  const int requests = static_cast<int>(model.Commands.size());
  EXPECT_EQ(clock().GetRecord().KartNo, "1004");
  // The buffer holds records: the status is "0" without asking, and the date is fresh.
  EXPECT_EQ(static_cast<int>(model.Commands.size()), requests);
  EXPECT_EQ(CountHdlc(model, "\x02"), 1);
}

TEST_F(HdlcRecords, WholeDumpLeavesTheClockEmpty) {
  AddRecords(7);
  EXPECT_EQ(DumpAll(),
            (std::vector<std::string>{"1001", "1002", "1003", "1004", "1005", "1006", "1007"}));
  EXPECT_EQ(clock().LastError(), ceClockEmpty);
  EXPECT_TRUE(store->records().empty());
  EXPECT_EQ(store->released(), 7);
  EXPECT_EQ(CountHdlc(model, "\x21"), 3);
  EXPECT_TRUE(Messages.empty());
}

// A one-byte answer to the record request is a status: 00h and 01h say the clock still has
// records, any other byte that it is empty.
TEST_F(HdlcRecords, OneByteAnswerToTheRecordRequestIsAStatus) {
  struct Case {
    char Answer;
    const char* Status;
  };
  const Case cases[] = {{'\x00', "0"}, {'\x01', "0"}, {'\x02', "1"}, {'\xFF', "1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(c.Answer)));
    model.RecordCount = 1;  // the status command says there are records
    model.onCommand(0x20, [&](const std::string&) { return std::string(1, c.Answer); });
    vp.P.Clock.advance(2000);
    EXPECT_EQ(clock().GetRecord().KartNo, "");
    EXPECT_EQ(clock().StatusCode(), c.Status);
    EXPECT_EQ(clock().HdlcRecordCount(), 0u);
  }
}

TEST_F(HdlcRecords, CorruptRecordStaysUntilAcknowledged) {
  AddRecords(2);
  model.Shaper.add(Spoil(sim::MisbehaviourKind::CorruptRecord, 1));
  TVexRecord r = clock().GetRecord();
  EXPECT_EQ(r.KartNo, "");
  EXPECT_EQ(clock().LastError(), ceBadRecord);
  EXPECT_EQ(r.Data.size(), 14u);  // the piece, for the bad-record log
  // Asked again, the same piece fails again: it stays until NextRecord.
  EXPECT_EQ(clock().GetRecord().KartNo, "");
  EXPECT_EQ(clock().LastError(), ceBadRecord);
  EXPECT_EQ(clock().HdlcRecordCount(), 2u);
  EXPECT_TRUE(clock().NextRecord());
  r = clock().GetRecord();
  EXPECT_EQ(r.KartNo, "1002");
  EXPECT_EQ(clock().LastError(), ceNoError);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(HdlcRecords, DatesComeInTheClocksCalendar) {
  struct Case {
    sim::SimCalendar Calendar;
    sim::SimDateTime DateTime;
    sim::SimDateTime When;
    const char* Date;
  };
  const Case cases[] = {
      {sim::SimCalendar::Solar, {1403, 9, 18, 10, 0, 0}, {1403, 9, 17, 8, 0, 0}, "030917"},
      {sim::SimCalendar::Gregorian, {2024, 12, 8, 10, 0, 0}, {2024, 12, 7, 8, 0, 0}, "241207"},
  };
  for (const auto& c : cases) {
    model.Calendar = c.Calendar;
    model.setDateTime(c.DateTime);
    store->addRecord(Record("9", c.When));
    vp.P.Clock.advance(200000);  // the clock's date and calendar are read again
    const TVexRecord r = clock().GetRecord();
    EXPECT_EQ(r.KartNo, "9");
    EXPECT_EQ(r.Date.str(), c.Date);
    clock().NextRecord();
  }
}

TEST_F(HdlcRecords, FlagsOfTheRecord) {
  auto r = Record("77", {1403, 9, 17, 8, 0, 0}, 2, true);
  r.CardUsed = true;
  r.Camera = true;
  r.RecType2 = "02";
  store->addRecord(r);
  const TVexRecord got = clock().GetRecord();
  EXPECT_EQ(got.RecType1, "02");
  EXPECT_EQ(got.RecType2, "02");
  EXPECT_TRUE(got.FingerPrint);
  EXPECT_TRUE(got.Card);
  EXPECT_TRUE(got.Camera);
}

TEST_F(HdlcRecords, EmberBlockWithItsMarker) {
  model.DateTimePrefix = "XYZ";
  AddRecords(2);
  EXPECT_EQ(DumpAll(), (std::vector<std::string>{"1001", "1002"}));
}

TEST_F(HdlcRecords, TcpIpRecordsComeFromOne) {
  line.ChangeConnectionType(TcpIp);
  line.ChangeSocketAddress("127.0.0.1");
  line.ChangeSocketPort(1001);
  AddRecords(1);
  const TVexRecord r = clock().GetRecord();
  EXPECT_EQ(r.KartNo, "1001");
  EXPECT_EQ(r.ComIp, "1");
}

}  // namespace
