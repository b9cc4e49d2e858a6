// Reading and acknowledging records of text-protocol clocks, in virtual time against the
// simulated clock.
#include <gtest/gtest.h>

#include "clock/records/RecordsFixture.h"
#include "link/ByteUtils.h"
#include "models/Rs485BusModel.h"
#include "platform/SerialPort.h"

using recordstest::CountText;
using recordstest::kCorruptRecord;
using recordstest::kRecordReadError;
using recordstest::Record;
using recordstest::Spoil;

namespace {

class TextRecords : public recordstest::TextRecordsTest {};

TEST_F(TextRecords, EachFormIsReadTwiceWithoutAskingAgainThenAcknowledged) {
  struct Case {
    const char* Name;
    sim::TextClockKind Kind;
    bool SecondCode;
    TClockType Type;
    const char* Request;
    const char* RecType1;
    const char* RecType2;
    bool FingerPrint;
  };
  const Case cases[] = {
      {"short", sim::TextClockKind::Short, true, KRTal, "\x03", "01", "03", true},
      {"short without second code", sim::TextClockKind::Short, false, MX4100, "\x03", "01", "",
       true},
      {"long", sim::TextClockKind::Corax, true, KRCorax, "\x02", "01", "03", true},
      // A Lumen sends neither codes nor a finger-print flag.
      {"Lumen", sim::TextClockKind::Lumen, true, Lumen, "\x03", "", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    model.settings().Kind = c.Kind;
    model.settings().SecondCode = c.SecondCode;
    model.clearRecords();
    auto first = Record("12345", {1403, 9, 17, 8, 15, 0}, 1, true);
    first.RecType2 = "03";
    first.Sequence = 'C';
    model.addRecord(first);
    model.addRecord(Record("777", {1403, 9, 17, 9, 0, 0}));
    // A clock object of its own: fields a form does not carry keep what an earlier record left.
    TClockSet own;
    own.ChangeSerialPortNumber(12);
    TBasicClock& clock = *own.Clocks().front();
    clock.FirmwareVer = "VER 3.10";
    clock.ClockType = c.Type;
    own.ComPort()->setParity(c.Kind == sim::TextClockKind::Lumen ? TParity::Even : TParity::None);
    const int requestsBefore = CountText(model, c.Request);

    const TVexRecord r = clock.GetRecord();
    EXPECT_EQ(clock.LastError(), ceNoError);
    EXPECT_EQ(r.KartNo, "12345");
    EXPECT_EQ(r.Date.str(), "030917");
    EXPECT_EQ(r.Time.str(), "08:15");
    EXPECT_EQ(r.RecType1, c.RecType1);
    EXPECT_EQ(r.RecType2, c.RecType2);
    EXPECT_EQ(r.FingerPrint, c.FingerPrint);
    EXPECT_EQ(r.SequenceCode, 'C');
    EXPECT_EQ(r.Version, rv1);
    EXPECT_EQ(r.ComIp, "12");  // COM12 without "COM"
    EXPECT_EQ(r.ClockNumber, 1);
    EXPECT_EQ(r.Data.substr(0, 3), "\x01\x01\x01");
    EXPECT_EQ(CountText(model, c.Request), requestsBefore + 1);

    // Not acknowledged yet: the same record, nothing asked.
    EXPECT_EQ(clock.GetRecord().KartNo, "12345");
    EXPECT_EQ(CountText(model, c.Request), requestsBefore + 1);

    EXPECT_TRUE(clock.NextRecord());
    EXPECT_EQ(clock.LastAcknowledgedSequence(), 'C');
    ASSERT_EQ(model.records().size(), 1u);
    EXPECT_EQ(clock.GetRecord().KartNo, "777");
    EXPECT_TRUE(clock.NextRecord());
    EXPECT_TRUE(model.records().empty());
  }
  EXPECT_TRUE(Messages.empty());
}

TEST_F(TextRecords, ShortFormTakesItsYearFromTheClocksDate) {
  // Read on 5 Farvardin 1394, a record of 28 Esfand is of 1393.
  model.setDateTime({1394, 1, 5, 9, 0, 0});
  model.addRecord(Record("42", {1393, 12, 28, 17, 30, 0}));
  const TVexRecord r = clock().GetRecord();
  EXPECT_EQ(r.KartNo, "42");
  EXPECT_EQ(r.Date.str(), "931228");
}

TEST_F(TextRecords, EmptyAndSilentClocks) {
  // Empty: the status says so and no record is asked for.
  EXPECT_EQ(clock().GetRecord().KartNo, "");
  EXPECT_EQ(clock().LastError(), ceClockEmpty);
  EXPECT_EQ(CountText(model, "\x03"), 0);

  // Silent: not connected; the capture capability is to be asked again.
  model.addRecord(Record("1", {1403, 9, 17, 8, 0, 0}));
  model.misbehave(sim::Misbehaviour::silence());
  vp.P.Clock.advance(200000);  // the cached date is old
  EXPECT_EQ(clock().GetRecord().KartNo, "");
  EXPECT_EQ(clock().LastError(), ceClockDisconnected);
  EXPECT_TRUE(clock().MustCheckCaptureImageCapability());
  EXPECT_EQ(CountText(model, "\x03"), 0);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(TextRecords, ClockThatNeverAnswersTheRecordRequestLeavesNoError) {
  model.addRecord(Record("1", {1403, 9, 17, 8, 0, 0}));
  model.misbehave(sim::Misbehaviour::silence().onlyFor("\x03"));
  EXPECT_EQ(clock().GetRecord().KartNo, "");
  EXPECT_EQ(clock().LastError(), ceNoError);
  EXPECT_EQ(CountText(model, "\x03"), 3);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(TextRecords, CorruptButFramedRecordOnEveryTry) {
  model.addRecord(Record("12345", {1403, 9, 17, 8, 15, 0}));
  model.misbehave(Spoil(sim::MisbehaviourKind::CorruptRecord));
  const TVexRecord r = clock().GetRecord();
  EXPECT_EQ(r.KartNo, "");
  EXPECT_EQ(clock().LastError(), ceBadRecord);
  EXPECT_EQ(Messages, (std::vector<std::string>{kCorruptRecord, kCorruptRecord, kCorruptRecord,
                                                kRecordReadError}));
  EXPECT_EQ(CountText(model, "\x03"), 3);
  // The bad reply is kept for the bad-record log: the hour 25 is in it.
  EXPECT_NE(r.Data.find("00012345"
                        "0917"
                        "2515"),
            std::string::npos);
  EXPECT_TRUE(IsReplyChecksumValid(r.Data));
  // Nothing is released: the line logs the record and acknowledges it itself.
  EXPECT_EQ(model.records().size(), 1u);
}

// Each try reads the clock's fresh answer: a record spoiled once on the line is read well by the
// next try and nothing is lost.
TEST_F(TextRecords, CorruptRecordOnceIsReadWellByTheNextTry) {
  model.addRecord(Record("12345", {1403, 9, 17, 8, 15, 0}));
  model.misbehave(Spoil(sim::MisbehaviourKind::CorruptRecord, 1));
  const TVexRecord r = clock().GetRecord();
  EXPECT_EQ(r.KartNo, "12345");
  EXPECT_EQ(r.Time.str(), "08:15");
  EXPECT_EQ(clock().LastError(), ceNoError);
  EXPECT_EQ(Messages, std::vector<std::string>{kCorruptRecord});
  EXPECT_EQ(CountText(model, "\x03"), 2);
}

// A device that answers one command with a fixed reply, without passing it to the simulated
// clock, and passes everything else on.
class FixedReply : public sim::DeviceModel {
 public:
  FixedReply(sim::TextClockModel& AClock, std::string ACommand, std::string AReply)
      : FClock(AClock), FCommand(std::move(ACommand)), FReply(std::move(AReply)) {}
  sim::ReplyPlan receive(const std::string& ABytes) override {
    if (ABytes == FCommand) {
      ++Requests;
      return {{5, FReply}};
    }
    return FClock.receive(ABytes);
  }
  void lineSettings(int ABaud, TParity AParity) override { FClock.lineSettings(ABaud, AParity); }
  int Requests = 0;

 private:
  sim::TextClockModel& FClock;
  std::string FCommand;
  std::string FReply;
};

std::string Framed(const std::string& AFields) {
  return "\x01\x01\x01" + AFields + "\r" + static_cast<char>(XorChecksum(AFields));
}

TEST_F(TextRecords, RepliesThatAreNoRecord) {
  struct Case {
    const char* Name;
    std::string Reply;
    TClockError Error;
    std::vector<std::string> Messages;
  };
  const Case cases[] = {
      // Each try continues the short reply of the one before: three bytes in the end.
      {"a byte", "A", ceClockDisconnected, {}},
      {"unframed bytes", std::string(26, 'Z'), ceBadRecord, {kRecordReadError}},
      // An event code with a hexadecimal letter: refused like a corrupt record, no exception.
      {"event code 1A",
       Framed("00012345"
              "0917"
              "0815"
              "1A"
              "00"
              "A"),
       ceBadRecord,
       {kCorruptRecord, kCorruptRecord, kCorruptRecord, kRecordReadError}},
  };
  model.addRecord(Record("1", {1403, 9, 17, 8, 0, 0}));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Messages.clear();
    FixedReply device(model, "\x03", c.Reply);
    vp.P.Wire.setModel(&device);
    TVexRecord r;
    ASSERT_NO_THROW(r = clock().GetRecord());
    EXPECT_EQ(r.KartNo, "");
    EXPECT_EQ(clock().LastError(), c.Error);
    EXPECT_EQ(Messages, c.Messages);
    EXPECT_EQ(device.Requests, 3);
    vp.P.Wire.setModel(&model);
  }
}

TEST_F(TextRecords, UnacknowledgedRecordIsForgottenAndAskedForAgain) {
  model.addRecord(Record("5", {1403, 9, 17, 8, 0, 0}));
  ASSERT_EQ(clock().GetRecord().KartNo, "5");
  // The clock refuses the acknowledgement (15h) and keeps the record.
  FixedReply refusing(model, "\x09", "\x15");
  vp.P.Wire.setModel(&refusing);
  EXPECT_FALSE(clock().NextRecord());
  vp.P.Wire.setModel(&model);
  EXPECT_EQ(model.records().size(), 1u);
  // The clock object let go of it; the clock still has it and sends it again.
  EXPECT_EQ(clock().GetRecord().KartNo, "5");
  EXPECT_EQ(CountText(model, "\x03"), 2);
}

TEST_F(TextRecords, TcpIpRecordsComeFromOne) {
  line.ChangeConnectionType(TcpIp);
  line.ChangeSocketAddress("127.0.0.1");
  line.ChangeSocketPort(1001);
  model.addRecord(Record("5", {1403, 9, 17, 8, 0, 0}));
  const TVexRecord r = clock().GetRecord();
  EXPECT_EQ(r.KartNo, "5");
  EXPECT_EQ(r.ComIp, "1");
}

TEST(TextRecordsOnABus, ReadAndAcknowledgedThroughBusFrames) {
  sim::ScopedVirtualPlatform vp;
  sim::Rs485BusModel bus;
  auto& five = bus.addClock(5);
  five.addRecord(Record("31", {1403, 9, 17, 8, 0, 0}));
  five.addRecord(Record("32", {1403, 9, 17, 8, 1, 0}));
  bus.addClock(6).addRecord(Record("61", {1403, 9, 17, 8, 0, 0}));
  vp.P.Wire.setModel(&bus);
  TClockSet line;
  line.SetProtocol(RS485);
  TBasicClock& clock = line.NewClock(5);
  clock.FirmwareVer = "VER 3.10";
  for (const char* card : {"31", "32"}) {
    EXPECT_EQ(clock.GetRecord().KartNo, card);
    EXPECT_TRUE(clock.NextRecord());
  }
  EXPECT_TRUE(five.records().empty());
  EXPECT_EQ(bus.clock(6)->records().size(), 1u);
  EXPECT_EQ(clock.GetRecord().KartNo, "");
  EXPECT_EQ(clock.LastError(), ceClockEmpty);
}

}  // namespace
