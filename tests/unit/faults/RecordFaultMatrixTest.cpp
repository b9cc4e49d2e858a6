// The fault matrix of reading a record and its picture: a record read and, when one came,
// acknowledged (as a dump does it), and the picture of the current record, against the clock of
// FaultLine.h misbehaving on the text protocol, an RS485 bus and HDLC. Each row names the outcome
// the operation must reach and the time it may take: the reply timeouts and pauses its tries
// allow (HDLC timeouts run from the last byte received: a frame's latency is added), plus 50 ms.
//
// Before the measured call the clock's date is read (the short record forms take their year from
// it, and an HDLC clock's calendar decides how its record dates read); for a picture the record
// is read first, with pictures wanted, which asks the clock whether it has a camera.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "connections/RecordDump.h"
#include "faults/FaultLine.h"

namespace faults {
namespace {

using sim::Misbehaviour;
using sim::MisbehaviourKind;

// Record: one record read and released; Dump: the dump engine until the clock is empty;
// DateTime: the clock's date and time read afresh.
enum class Op { Record, Picture, EmberPicture, Dump, DateTime };

enum class Fault {
  None,
  Silence,       // nothing answers any more
  RecordSilent,  // the status is answered, the record request never (text: 03h)
  Corrupt,       // a record with a right check byte that is no record (text: an hour of
                 // 25; HDLC: the block's first record with a wrong check byte)
  NulCard,       // text: a record whose card ends in four NUL bytes, check byte right
  WrongCheck,    // the record reply's check byte is wrong, every time
  WrongCheckOnce,
  RecordCutOnce,      // the record reply stops in its middle, once
  RecordLateOnce,     // the record reply comes 100 ms after its timeout, once
  ByteByByte,         // every reply a byte at a time, 3 ms apart
  GarbageBefore,      // noise before every reply
  BusyReplyOnce,      // HDLC: the first data command is answered busy
  SessionClosedOnce,  // HDLC: the clock closes the session at every second data command
  BadCrcOnce,         // HDLC: the first frame has a wrong CRC
  Flood,              // HDLC: a flag and a megabyte without one before the first reply
  LostBlockOnce,      // a picture block (Ember: a data packet) is not sent, once
  WrongBlockOnce,     // a picture block numbered one too high (Ember: a data packet), once
  WrongBlockAlways,
  BadBlockOnce,  // a picture block with a wrong check byte, once
  BadBlockAlways,
  ImpossibleDateTime,  // the clock tells a date or time that does not exist (text: 0000/13/45;
                       // HDLC: 24:60)
};

constexpr std::uint64_t T = 7000;
constexpr std::uint64_t W = 2;
constexpr std::uint64_t Retry = 500;      // after a record try without a record
constexpr std::uint64_t Failed = 2000;    // after a failed picture try
constexpr std::uint64_t Frame = 50;       // before each HDLC picture frame
constexpr std::uint64_t EmberBad = 1500;  // after a bad Ember answer: 500, clearing, 1000
constexpr std::uint64_t L = 10;           // the HDLC model's latency
constexpr std::uint64_t Slack = 50;
constexpr std::uint64_t FloodMs = 5 + 64 * 200;
// One text exchange, one HDLC exchange inside an open session.
constexpr std::uint64_t X = W + T;
constexpr std::uint64_t H = W + T + L;
// An HDLC record read and its release: status, 20h, read pointer; 21h, read pointer.
constexpr std::uint64_t HdlcRecordAndRelease = 5 * H;
// The 700-byte picture: two image blocks, four HDLC frames, four Ember data packets of 200
// bytes.
constexpr std::uint64_t HdlcBlocks = 4 * (Frame + T + L);
constexpr std::uint64_t EmberPackets = 4 * (Frame + T + L);

const char* const kGood = "card=1234 date=030917 time=08:01 error=ceNoError left=0 messages=0";
const char* const kPicture = "true size=700 same";
const char* const kDumped = "entries=1234 left=0 stop=empty";
// The record that cannot be read is kept raw, marked, and released: the clock is empty after it.
const char* const kDumpedBad = "entries=bad-record left=0 stop=empty";
const char* const kDateTime = "true date=1403/09/18 time=10:30 problem=";

struct Row {
  const char* Name;
  Protocol P;
  Connection C;
  Op O;
  Fault F;
  const char* Expected;
  std::uint64_t BudgetMs;
  std::uint64_t MinMs = 0;
};

// clang-format off
const Row kRows[] = {
  // ---- text protocol, RS232 cable: status 01h, record 03h, acknowledgement 09h ----
  {"TextRecordGood", Protocol::Text, Connection::Cable, Op::Record, Fault::None, kGood, 3 * X},
  {"TextRecordSilent", Protocol::Text, Connection::Cable, Op::Record, Fault::Silence, "card= date= time= error=ceClockDisconnected left=1 messages=0", 3 * (X + Retry), 3 * (X + Retry)},
  // Status answered, record request never: no record, and no error either.
  {"TextRecordRequestSilent", Protocol::Text, Connection::Cable, Op::Record, Fault::RecordSilent, "card= date= time= error=ceNoError left=1 messages=0", X + 3 * (X + Retry), 3 * (X + Retry)},
  // Three corrupt records, each reported, then the read error.
  {"TextRecordCorrupt", Protocol::Text, Connection::Cable, Op::Record, Fault::Corrupt, "card= date= time= error=ceBadRecord left=1 messages=4", X + 3 * (X + Retry)},
  // A card with control bytes is no card: refused like a corrupt record, never taken.
  {"TextRecordNulCard", Protocol::Text, Connection::Cable, Op::Record, Fault::NulCard, "card= date= time= error=ceBadRecord left=1 messages=4", X + 3 * (X + Retry)},
  // A wrong check byte is no corrupt record: only the read error at the end.
  {"TextRecordWrongCheck", Protocol::Text, Connection::Cable, Op::Record, Fault::WrongCheck, "card= date= time= error=ceBadRecord left=1 messages=1", X + 3 * (X + Retry)},
  // A whole reply that was refused is not carried into the next try (see the report).
  {"TextRecordWrongCheckOnce", Protocol::Text, Connection::Cable, Op::Record, Fault::WrongCheckOnce, kGood, X + (X + Retry) + X + X},
  // The part that came is carried into the next try, which aligns on the new reply's head.
  {"TextRecordCutOnce", Protocol::Text, Connection::Cable, Op::Record, Fault::RecordCutOnce, kGood, X + (X + Retry) + X + X},
  // The late reply lands in the pause; the next try's write clears it away.
  {"TextRecordLateOnce", Protocol::Text, Connection::Cable, Op::Record, Fault::RecordLateOnce, kGood, X + (X + Retry) + X + X},
  {"TextRecordByteByByte", Protocol::Text, Connection::Cable, Op::Record, Fault::ByteByByte, kGood, 3 * X},
  {"TcpTextRecordCutOnce", Protocol::Text, Connection::Tcp, Op::Record, Fault::RecordCutOnce, kGood, X + (X + Retry) + X + X},

  // ---- RS485 bus ----
  {"Rs485RecordGood", Protocol::Rs485, Connection::Cable, Op::Record, Fault::None, kGood, 3 * X},
  {"Rs485RecordGarbageBefore", Protocol::Rs485, Connection::Cable, Op::Record, Fault::GarbageBefore, kGood, 3 * X},
  {"Rs485RecordNulCard", Protocol::Rs485, Connection::Cable, Op::Record, Fault::NulCard, "card= date= time= error=ceBadRecord left=1 messages=4", X + 3 * (X + Retry)},
  {"Rs485RecordCorrupt", Protocol::Rs485, Connection::Cable, Op::Record, Fault::Corrupt, "card= date= time= error=ceBadRecord left=1 messages=4", X + 3 * (X + Retry)},

  // ---- text picture: pointer "ARI?" CR, then "RDML=" and 512-byte blocks ----
  {"TextPictureGood", Protocol::Text, Connection::Cable, Op::Picture, Fault::None, kPicture, 3 * T},
  {"TextPictureSilent", Protocol::Text, Connection::Cable, Op::Picture, Fault::Silence, "false", 3 * T, 3 * T},
  {"TextPictureLostBlockOnce", Protocol::Text, Connection::Cable, Op::Picture, Fault::LostBlockOnce, kPicture, T + 2 * T + Failed + 2 * T},
  {"TextPictureWrongBlockOnce", Protocol::Text, Connection::Cable, Op::Picture, Fault::WrongBlockOnce, kPicture, T + 2 * T + Failed + 2 * T},
  {"TextPictureWrongBlockAlways", Protocol::Text, Connection::Cable, Op::Picture, Fault::WrongBlockAlways, "false", T + 3 * (2 * T + Failed), 3 * Failed},
  {"TextPictureBadBlockOnce", Protocol::Text, Connection::Cable, Op::Picture, Fault::BadBlockOnce, kPicture, T + 2 * (2 * T)},
  // Wrong check bytes on every try: still transferred, with the bytes that came.
  {"TextPictureBadBlockAlways", Protocol::Text, Connection::Cable, Op::Picture, Fault::BadBlockAlways, kPicture, T + 3 * (2 * T)},
  {"TcpTextPictureLostBlockOnce", Protocol::Text, Connection::Tcp, Op::Picture, Fault::LostBlockOnce, kPicture, T + 2 * T + Failed + 2 * T},

  // ---- HDLC records: status 02h, block 20h, read pointer "Q" 20h; release 21h ----
  {"HdlcRecordGood", Protocol::Hdlc, Connection::Cable, Op::Record, Fault::None, kGood, HdlcRecordAndRelease},
  // The session stays open in the tool's view: every try writes the command and waits.
  {"HdlcRecordSilent", Protocol::Hdlc, Connection::Cable, Op::Record, Fault::Silence, "card= date= time= error=ceClockDisconnected left=1 messages=0", 3 * (3 * X + Retry), 3 * (3 * X + Retry)},
  {"HdlcRecordCorrupt", Protocol::Hdlc, Connection::Cable, Op::Record, Fault::Corrupt, "card= date= time= error=ceBadRecord left=1 messages=0", 3 * H},
  {"HdlcRecordBusyReplyOnce", Protocol::Hdlc, Connection::Cable, Op::Record, Fault::BusyReplyOnce, kGood, HdlcRecordAndRelease + H + (T + L)},
  {"HdlcRecordSessionClosedOnce", Protocol::Hdlc, Connection::Cable, Op::Record, Fault::SessionClosedOnce, kGood, 5 * (2 * H + (T + L))},
  {"HdlcRecordBadCrcOnce", Protocol::Hdlc, Connection::Cable, Op::Record, Fault::BadCrcOnce, kGood, HdlcRecordAndRelease + H},
  {"HdlcRecordByteByByte", Protocol::Hdlc, Connection::Cable, Op::Record, Fault::ByteByByte, kGood, 5 * (H + 60 * 3)},
  {"HdlcRecordFlood", Protocol::Hdlc, Connection::Cable, Op::Record, Fault::Flood, kGood, FloodMs + HdlcRecordAndRelease},
  {"TcpHdlcRecordSessionClosedOnce", Protocol::Hdlc, Connection::Tcp, Op::Record, Fault::SessionClosedOnce, kGood, 5 * (2 * H + (T + L))},

  // ---- HDLC picture: "0" and the record index, each block in two frames of 256 bytes ----
  {"HdlcPictureGood", Protocol::Hdlc, Connection::Cable, Op::Picture, Fault::None, kPicture, HdlcBlocks},
  {"HdlcPictureSilent", Protocol::Hdlc, Connection::Cable, Op::Picture, Fault::Silence, "false", 3 * (Frame + T + Failed), 3 * (Frame + T + Failed)},
  {"HdlcPictureLostBlockOnce", Protocol::Hdlc, Connection::Cable, Op::Picture, Fault::LostBlockOnce, kPicture, HdlcBlocks + Frame + T + Failed + HdlcBlocks},
  {"HdlcPictureWrongBlockOnce", Protocol::Hdlc, Connection::Cable, Op::Picture, Fault::WrongBlockOnce, kPicture, 2 * HdlcBlocks + Failed},
  {"HdlcPictureBadBlockOnce", Protocol::Hdlc, Connection::Cable, Op::Picture, Fault::BadBlockOnce, kPicture, 2 * HdlcBlocks},

  // ---- the dump engine: a record that fails validation on every try does not block the clock ----
  // Status, three tries of the record, its release; then the status finds the clock empty.
  {"TextDumpGood", Protocol::Text, Connection::Cable, Op::Dump, Fault::None, kDumped, 4 * X},
  {"TextDumpCorrupt", Protocol::Text, Connection::Cable, Op::Dump, Fault::Corrupt, kDumpedBad, X + 3 * (X + Retry) + 2 * X},
  {"TextDumpNulCard", Protocol::Text, Connection::Cable, Op::Dump, Fault::NulCard, kDumpedBad, X + 3 * (X + Retry) + 2 * X},
  {"TextDumpWrongCheck", Protocol::Text, Connection::Cable, Op::Dump, Fault::WrongCheck, kDumpedBad, X + 3 * (X + Retry) + 2 * X},
  {"Rs485DumpNulCard", Protocol::Rs485, Connection::Cable, Op::Dump, Fault::NulCard, kDumpedBad, X + 3 * (X + Retry) + 2 * X},
  // Status, block, read pointer; 21h and read pointer release it; the status finds none.
  {"HdlcDumpCorrupt", Protocol::Hdlc, Connection::Cable, Op::Dump, Fault::Corrupt, kDumpedBad, 6 * H},
  {"HdlcDumpGood", Protocol::Hdlc, Connection::Cable, Op::Dump, Fault::None, kDumped, 6 * H},

  // ---- the clock's date and time: one that does not exist is an error, never data ----
  {"TextDateTimeGood", Protocol::Text, Connection::Cable, Op::DateTime, Fault::None, kDateTime, X},
  // Well framed and checked: asked once, not again.
  {"TextDateTimeImpossible", Protocol::Text, Connection::Cable, Op::DateTime, Fault::ImpossibleDateTime, "false date= time= problem=its date and time \"0000/13/45 10:30\" do not exist", X},
  {"Rs485DateTimeImpossible", Protocol::Rs485, Connection::Cable, Op::DateTime, Fault::ImpossibleDateTime, "false date= time= problem=its date and time \"0000/13/45 10:30\" do not exist", X},
  // The calendar question, then the date.
  {"HdlcDateTimeImpossible", Protocol::Hdlc, Connection::Cable, Op::DateTime, Fault::ImpossibleDateTime, "false date= time= problem=its date and time \"2024/12/08 24:60\" do not exist", 2 * H},

  // ---- Ember picture: size "2S", then data packets "2D" ----
  {"EmberPictureGood", Protocol::Hdlc, Connection::Cable, Op::EmberPicture, Fault::None, kPicture, (W + T + L) + EmberPackets},
  {"EmberPictureSilent", Protocol::Hdlc, Connection::Cable, Op::EmberPicture, Fault::Silence, "false", 3 * (W + T), 3 * T},
  {"EmberPictureLostPacketOnce", Protocol::Hdlc, Connection::Cable, Op::EmberPicture, Fault::LostBlockOnce, kPicture, (W + T + L) + EmberPackets + (Frame + T) + EmberBad},
  {"EmberPictureWrongPacketOnce", Protocol::Hdlc, Connection::Cable, Op::EmberPicture, Fault::WrongBlockOnce, kPicture, (W + T + L) + EmberPackets + (Frame + T + L) + EmberBad},
};
// clang-format on

Misbehaviour Rule(MisbehaviourKind AKind, int ATimes) {
  Misbehaviour m;
  m.Kind = AKind;
  m.Times = ATimes;
  return m;
}

class RecordFaultMatrix : public FaultLineTest, public ::testing::WithParamInterface<Row> {
 protected:
  void inject(const Row& ARow) {
    sim::TextClockModel* text = textClock();
    sim::HdlcClockModel* hdlc = hdlcClock();
    auto misbehave = [&](const Misbehaviour& AM) {
      if (text) text->misbehave(AM);
      if (hdlc) hdlc->Shaper.add(AM);
    };
    // The record request of the text clocks.
    const std::string record(1, '\x03');
    switch (ARow.F) {
      case Fault::None:
        break;
      case Fault::Silence:
        misbehave(Misbehaviour::silence());
        break;
      case Fault::RecordSilent:
        misbehave(Misbehaviour::silence().onlyFor(record));
        break;
      case Fault::Corrupt:
        misbehave(Rule(MisbehaviourKind::CorruptRecord, sim::kAlways));
        break;
      case Fault::NulCard:
        text->settings().Records.front().Card = std::string("1234\0\0\0\0", 8);
        break;
      case Fault::WrongCheck:
        misbehave(Misbehaviour::wrongCheck().onlyFor(record));
        break;
      case Fault::WrongCheckOnce:
        misbehave(Misbehaviour::wrongCheck(1).onlyFor(record));
        break;
      case Fault::RecordCutOnce:
        Wire->CutReplyIndex = Wire->replies() + 1;  // the status comes first
        break;
      case Fault::RecordLateOnce:
        misbehave(Misbehaviour::delay(T + 100, 1).onlyFor(record));
        break;
      case Fault::ByteByByte:
        if (text) text->misbehave(Misbehaviour::byteByByte(3));
        if (hdlc) hdlc->ByteGapMs = 3;
        break;
      case Fault::GarbageBefore:
        misbehave(Misbehaviour::garbage("\xA5\x5A"));
        break;
      case Fault::BusyReplyOnce:
        hdlc->BusyReplies = 1;
        break;
      case Fault::SessionClosedOnce:
        hdlc->CloseSessionAfter = 1;
        break;
      case Fault::BadCrcOnce:
        hdlc->BadCrcReplies = 1;
        break;
      case Fault::Flood:
        Wire->FloodBytes = 1 << 20;
        Wire->FloodPieceBytes = 16 << 10;
        Wire->FloodGapMs = 200;
        break;
      case Fault::LostBlockOnce:
        misbehave(Rule(MisbehaviourKind::LostBlock, 1));
        break;
      case Fault::WrongBlockOnce:
        misbehave(Rule(MisbehaviourKind::WrongBlockNumber, 1));
        break;
      case Fault::WrongBlockAlways:
        misbehave(Rule(MisbehaviourKind::WrongBlockNumber, sim::kAlways));
        break;
      case Fault::BadBlockOnce:
        misbehave(Rule(MisbehaviourKind::BadBlockCheck, 1));
        break;
      case Fault::BadBlockAlways:
        misbehave(Rule(MisbehaviourKind::BadBlockCheck, sim::kAlways));
        break;
      case Fault::ImpossibleDateTime:
        if (text) text->settings().ShownDateTime = sim::SimDateTime{0, 13, 45, 10, 30, 0};
        if (hdlc) hdlc->ShownDateTime = sim::SimDateTime{2024, 12, 8, 24, 60, 0};
        break;
    }
  }

  // What the measured call is preceded by, untimed and on a clock that behaves.
  void prepare(const Row& ARow) {
    TBasicClock& c = clock();
    c.FirmwareVer = "VER 3.10";  // no detection for the year correction of old firmware
    // The device description decides the transfer: an Ember has its own (the model's default
    // describes one), every other HDLC clock sends image blocks.
    if (ARow.O == Op::EmberPicture) c.ClockType = KREmber;
    if (ARow.O == Op::Picture && hdlcClock())
      hdlcClock()->DeviceDescription = "KR-Tal R2;Ver 1.20;Rec 50000;CAM;";
    TDateStr date;
    TTimeStr time;
    ASSERT_TRUE(c.GetDateTime(date, time));
    if (ARow.O == Op::Picture || ARow.O == Op::EmberPicture) {
      c.SetGetIOImage(true);
      ASSERT_EQ(c.GetRecord().KartNo, "1234");
    }
  }

  std::string run(const Row& ARow) {
    TBasicClock& c = clock();
    if (ARow.O == Op::Dump) return dump();
    if (ARow.O == Op::DateTime) {
      c.MustReadDateTime = true;
      TDateStr date;
      TTimeStr time;
      const bool read = c.GetDateTime(date, time);
      return std::string(read ? "true" : "false") + " date=" + date.str() + " time=" + time.str() +
             " problem=" + c.DateTimeProblem();
    }
    if (ARow.O == Op::Record) {
      const TVexRecord record = c.GetRecord();
      // A dump releases only a record it has.
      if (!record.KartNo.empty()) c.NextRecord();
      return "card=" + record.KartNo + " date=" + record.Date.str() + " time=" + record.Time.str() +
             " error=" + ClockErrorName(c.LastError()) + " left=" + std::to_string(recordsLeft()) +
             " messages=" + std::to_string(Messages.size());
    }
    std::string picture;
    if (!c.GetRecordImage(&picture)) return "false";
    return "true size=" + std::to_string(picture.size()) +
           (picture == Picture() ? " same" : " different");
  }

  // The records the dump kept (a marked one by its flag), what the clock still holds, and why the
  // dump ended.
  std::string dump() {
    struct Sink : IDumpSink {
      bool Persist(const TDumpEntry& AEntry, std::string&) override {
        Kept += std::string(Kept.empty() ? "" : ",") +
                (AEntry.Flag == TRecordFlag::None ? AEntry.Record.KartNo
                                                  : std::string(RecordFlagName(AEntry.Flag)));
        return true;
      }
      std::string Kept;
    } sink;
    TDumpOptions options;
    options.Count = 0;
    const TDumpResult result = TRecordDump(*line, clock(), sink, options).Run();
    const char* stop = result.Stop == TDumpStop::ClockEmpty ? "empty"
                       : result.Stop == TDumpStop::NoAnswer ? "no-answer"
                                                            : "other";
    return "entries=" + sink.Kept + " left=" + std::to_string(recordsLeft()) + " stop=" + stop;
  }
};

TEST_P(RecordFaultMatrix, OutcomeAndTime) {
  const Row& row = GetParam();
  build(row.P, row.C);
  prepare(row);
  if (HasFatalFailure()) return;
  inject(row);
  Messages.clear();

  const std::uint64_t start = now();
  const std::string outcome = run(row);
  const std::uint64_t took = now() - start;

  EXPECT_EQ(outcome, row.Expected);
  EXPECT_LE(took, row.BudgetMs + Slack) << "virtual ms";
  EXPECT_GE(took, row.MinMs) << "virtual ms";
}

void PrintTo(const Row& ARow, std::ostream* AOut) {
  *AOut << ARow.Name;
}

INSTANTIATE_TEST_SUITE_P(Rows, RecordFaultMatrix, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& AInfo) {
                           return std::string(AInfo.param.Name);
                         });

}  // namespace
}  // namespace faults
