// The text-protocol clock answers in the layouts the tool decodes, whatever pieces the commands
// arrive in, and keeps its records, status and date as a clock does.
#include <gtest/gtest.h>

#include "models/TextClockModel.h"
#include "support/ScriptedDevice.h"

using sim::ClockRecord;
using sim::Misbehaviour;
using sim::ReplyPlan;
using sim::SimCalendar;
using sim::SimDateTime;
using sim::TextClockKind;
using sim::TextClockModel;
using sim::TextClockSettings;
using testsupport::Hex;

namespace {

const std::string kHead("\x01\x01\x01", 3);

std::string flatten(const ReplyPlan& APlan) {
  std::string out;
  for (const auto& p : APlan) out += p.Bytes;
  return out;
}

// What the receiver does with a data reply before it reads fields: every CR out, then the last
// byte must be the XOR of the bytes after the head.
std::string cleaned(const std::string& AReply) {
  std::string out;
  for (char ch : AReply)
    if (ch != '\x0D') out += ch;
  return out;
}

bool checkByteRight(const std::string& ACleaned) {
  if (ACleaned.size() < 5) return false;
  unsigned char x = 0;
  for (std::size_t i = 3; i + 1 < ACleaned.size(); ++i)
    x ^= static_cast<unsigned char>(ACleaned[i]);
  return x == static_cast<unsigned char>(ACleaned.back());
}

ClockRecord record(std::string ACard, SimDateTime AWhen, int AEvent, bool AFinger,
                   std::string AType2, char ASeq) {
  ClockRecord r;
  r.Card = std::move(ACard);
  r.When = AWhen;
  r.Event = AEvent;
  r.Finger = AFinger;
  r.RecType2 = std::move(AType2);
  r.Sequence = ASeq;
  return r;
}

class TextClockTest : public testing::Test {
 protected:
  TextClockTest() {
    TextClockSettings s;
    s.Name = "KR-Tal 100";
    s.Firmware = "VER 3.10";
    s.DateTime = {1403, 9, 18, 10, 30, 0};
    s.Records = {record("12345", {1403, 9, 17, 8, 1, 0}, 0, false, "00", 'A'),
                 record("54321", {1403, 9, 17, 17, 2, 0}, 1, true, "02", 'B')};
    clock = std::make_unique<TextClockModel>(s);
  }
  std::string send(const std::string& ABytes) { return flatten(clock->receive(ABytes)); }
  std::unique_ptr<TextClockModel> clock;
};

// The wire layout of each record form: the bytes the tool's decoding reads, field by field.
struct RecordCase {
  const char* Name;
  TextClockKind Kind;
  bool SecondCode;
  char Command;
  std::string Data;  // between the head and the CR
};

class RecordFormTest : public testing::TestWithParam<RecordCase> {};

TEST_P(RecordFormTest, RecordReplyLayout) {
  const auto& c = GetParam();
  TextClockSettings s;
  s.Kind = c.Kind;
  s.SecondCode = c.SecondCode;
  s.Records = {record("12345", {1403, 9, 17, 8, 1, 0}, 1, true, "02", 'C')};
  TextClockModel m(s);
  const std::string reply = flatten(m.receive(std::string(1, c.Command)));
  ASSERT_EQ(reply.substr(0, 3 + c.Data.size() + 1), kHead + c.Data + "\x0D");
  EXPECT_EQ(reply.size(), 3 + c.Data.size() + 2);
  EXPECT_TRUE(checkByteRight(cleaned(reply))) << Hex(reply);
  // The other record command gets no answer from this kind of clock.
  EXPECT_EQ(flatten(m.receive(c.Command == '\x03' ? "\x02" : "\x03")), "");
}

INSTANTIATE_TEST_SUITE_P(
    Forms, RecordFormTest,
    testing::Values(
        // card, MMDD, HHMM, event code 1 + 4 for the finger, second code, sequence letter
        RecordCase{"Short", TextClockKind::Short, true, '\x03',
                   "00012345"
                   "0917"
                   "0801"
                   "05"
                   "02"
                   "C"},
        RecordCase{"ShortWithoutSecondCode", TextClockKind::Short, false, '\x03',
                   "000123450917080105C"},
        RecordCase{"Lumen", TextClockKind::Lumen, true, '\x03', "0001234509170801C"},
        // 10-digit card, YYMMDD, HHMM, event code, second code, 8 bytes not read, letter
        RecordCase{"Corax", TextClockKind::Corax, true, '\x02',
                   "0000012345"
                   "030917"
                   "0801"
                   "05"
                   "02"
                   "00000000"
                   "C"}),
    [](const testing::TestParamInfo<RecordCase>& AInfo) { return AInfo.param.Name; });

TEST_F(TextClockTest, IdentificationHasTheNameBeforeOneByteAndCr) {
  const std::string reply = send("\x18");
  ASSERT_EQ(reply.size(), 26u);  // the length the tool waits for
  ASSERT_EQ(reply.substr(0, 3), kHead);
  const auto cr = reply.find('\x0D', 3);
  ASSERT_NE(cr, std::string::npos);
  // The name is what stands before the byte that precedes the CR.
  EXPECT_EQ(reply.substr(3, cr - 3 - 1), "KR-Tal 100");
}

TEST_F(TextClockTest, FirmwareFormsPerLine) {
  EXPECT_EQ(send("AFV?\r"), "VER 3.10\r");  // the tool drops the last byte
  // On a bus it comes wrapped: head, text, CR, check byte.
  const std::string wrapped = clock->answer("AFV?^", true).Bytes;
  EXPECT_EQ(Hex(wrapped.substr(0, 12)), Hex(kHead + "VER 3.10\r"));
  EXPECT_EQ(wrapped.size(), 13u);
  EXPECT_TRUE(checkByteRight(cleaned(wrapped)));
  // 19h is the Lumen's firmware command; the other clocks do not know it.
  EXPECT_EQ(send("\x19"), "");
  clock->settings().Kind = TextClockKind::Lumen;
  const std::string lumen = flatten(clock->command("\x19", false));
  // Three leading bytes, the text, two trailing bytes.
  EXPECT_EQ(lumen.substr(3, lumen.size() - 5), "VER 3.10");
}

TEST_F(TextClockTest, DateTimeReplyLayout) {
  const std::string reply = send("\x05");
  ASSERT_EQ(reply.size(), 18u);
  // YYYYMMDD, day of week (1403/09/18 is Sunday 2024-12-08: 1), HHMM.
  EXPECT_EQ(reply.substr(0, 16), kHead + "1403091811030");
  EXPECT_TRUE(checkByteRight(cleaned(reply)));
}

TEST_F(TextClockTest, CommandsSplitAnywhereAndNoiseBetweenThem) {
  const std::string stream =
      std::string("\x01") + "\xEE" + "AFV?\r" + "ZZ" + "AFX" + "T2015040470830\x14" + "\x05";
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    TextClockModel m;
    std::string reply = flatten(m.receive(stream.substr(0, cut)));
    reply += flatten(m.receive(stream.substr(cut)));
    // Status, firmware, setting accepted, then the date it was set to.
    EXPECT_EQ(reply.substr(0, 11), "1VER 3.10\rG") << "cut at " << cut;
    EXPECT_EQ(reply.substr(11 + 3, 13), "1394011570830") << "cut at " << cut;
    EXPECT_EQ(m.commandLog().size(), 4u) << "cut at " << cut;
  }
}

TEST_F(TextClockTest, AcknowledgeReleasesTheOldestRecord) {
  EXPECT_EQ(send("\x01"), "0");
  EXPECT_EQ(cleaned(send("\x03")).substr(3, 8), "00012345");
  EXPECT_EQ(cleaned(send("\x03")).substr(3, 8), "00012345");  // still the same record
  EXPECT_EQ(send("\x09"), "\x04");
  EXPECT_EQ(cleaned(send("\x03")).substr(3, 8), "00054321");
  EXPECT_EQ(send("\x09"), "\x04");
  EXPECT_EQ(send("\x01"), "1");
  EXPECT_EQ(send("\x03"), "");      // an empty clock has no record to send
  EXPECT_EQ(send("\x09"), "\x15");  // nor one to release
}

TEST(TextClockStatusTest, StatusCodes) {
  struct Case {
    bool Records;
    bool Busy;
    int Forced;
    char Code;
  };
  for (const Case& c :
       {Case{true, false, -1, '0'}, Case{false, false, -1, '1'}, Case{true, true, -1, '2'},
        Case{false, true, -1, '3'}, Case{true, false, 3, '3'}, Case{false, false, 0, '0'}}) {
    TextClockModel m;
    if (c.Records) m.addRecord(record("1", {1403, 9, 17, 8, 0, 0}, 0, false, "00", 0));
    m.setBusy(c.Busy);
    m.setStatus(c.Forced);
    EXPECT_EQ(flatten(m.receive("\x01")), std::string(1, c.Code));
  }
}

TEST(TextClockLineTest, LumenHearsOnlyEvenParityOthersOnlyNone) {
  TextClockSettings s;
  s.Name = "Lumen 2";
  TextClockModel lumen(s);
  TextClockModel tal;
  // Over TCP/IP no parity is ever set: both hear.
  EXPECT_EQ(flatten(lumen.receive("\x01")), "1");
  lumen.lineSettings(9600, TParity::None);
  tal.lineSettings(9600, TParity::None);
  EXPECT_EQ(flatten(lumen.receive("\x01")), "");
  EXPECT_EQ(flatten(tal.receive("\x01")), "1");
  lumen.lineSettings(9600, TParity::Even);
  tal.lineSettings(9600, TParity::Even);
  EXPECT_EQ(flatten(lumen.receive("\x01")), "1");
  EXPECT_EQ(flatten(tal.receive("\x01")), "");
}

TEST(TextClockLineTest, WrongSpeedIsNoise) {
  TextClockSettings s;
  s.Baud = 9600;
  TextClockModel m(s);
  m.lineSettings(19200, TParity::None);
  EXPECT_EQ(flatten(m.receive("\x01")), "");
  m.lineSettings(9600, TParity::None);
  EXPECT_EQ(flatten(m.receive("\x01")), "1");
}

TEST(TextClockTimeTest, ClockRunsAcrossTheEndOfASolarMonth) {
  std::uint64_t now = 0;
  TextClockSettings s;
  s.DateTime = {1403, 6, 31, 23, 59, 30};
  TextClockModel m(s);
  m.setTimeSource([&now] { return now; });
  now = 45'000;
  EXPECT_EQ(m.dateTime(), (SimDateTime{1403, 7, 1, 0, 0, 15}));
  // Solar 1403 is a leap year: Esfand has 30 days.
  m.setDateTime({1403, 12, 29, 23, 0, 0});
  now += 3600 * 1000;
  EXPECT_EQ(m.dateTime(), (SimDateTime{1403, 12, 30, 0, 0, 0}));
  now += 86400 * 1000;
  EXPECT_EQ(m.dateTime(), (SimDateTime{1404, 1, 1, 0, 0, 0}));
}

TEST(TextClockTimeTest, SettingIsGregorianOnTheWireAndKeptInTheClocksCalendar) {
  struct Case {
    SimCalendar Calendar;
    std::string Command;
    std::string Reply;
    SimDateTime After;
  };
  const SimDateTime before{1403, 9, 18, 10, 30, 0};
  for (const Case& c : {
           // 2015-04-04 is solar 1394/01/15 (the tool converts before it sends).
           Case{SimCalendar::Solar, "T2015040470830\x14", "G", {1394, 1, 15, 8, 30, 0}},
           Case{SimCalendar::Solar, "T2009032060000\x14", "G", {1387, 12, 30, 0, 0, 0}},
           Case{SimCalendar::Gregorian, "T2024020551745\x14", "G", {2024, 2, 5, 17, 45, 0}},
           Case{SimCalendar::Solar, "T2015023070830\x14", "E", before},  // no 30 February
           Case{SimCalendar::Solar, "T2015040472460\x14", "E", before},
       }) {
    TextClockSettings s;
    s.Calendar = c.Calendar;
    s.DateTime = before;
    TextClockModel m(s);
    EXPECT_EQ(flatten(m.receive(c.Command)), c.Reply) << c.Command;
    EXPECT_EQ(m.dateTime(), c.After) << c.Command;
  }
}

TEST(TextClockMisbehaviourTest, WrongCheckHitsTheRecordNotTheStatus) {
  TextClockModel m;
  m.addRecord(record("12345", {1403, 9, 17, 8, 1, 0}, 0, false, "00", 0));
  m.misbehave(Misbehaviour::wrongCheck(1));
  m.misbehave(Misbehaviour::silence(1).onlyFor("\x18"));
  EXPECT_EQ(flatten(m.receive("\x01")), "0");
  EXPECT_EQ(flatten(m.receive("\x18")), "");
  EXPECT_EQ(flatten(m.receive("\x18")).size(), 26u);
  const std::string bad = flatten(m.receive("\x03"));
  ASSERT_EQ(bad.size(), 26u);
  EXPECT_FALSE(checkByteRight(cleaned(bad)));
  EXPECT_EQ(bad.substr(0, 25), flatten(m.receive("\x03")).substr(0, 25));
  EXPECT_TRUE(checkByteRight(cleaned(flatten(m.receive("\x03")))));
}

}  // namespace
