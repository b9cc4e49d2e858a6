// Scenario text: what a file and command-line statements build, and clear errors for bad input.
#include <gtest/gtest.h>

#include "models/Rs485BusModel.h"
#include "models/Scenario.h"

using sim::MisbehaviourKind;
using sim::Scenario;
using sim::ScenarioError;
using sim::ScenarioParser;
using sim::SimCalendar;
using sim::SimDateTime;
using sim::TextClockKind;
using sim::TextClockModel;

namespace {

std::string flatten(const sim::ReplyPlan& APlan) {
  std::string out;
  for (const auto& p : APlan) out += p.Bytes;
  return out;
}

TEST(ScenarioTest, DefaultScenarioIsOneTalClockWithThreeGoodRecords) {
  const Scenario sc = sim::defaultScenario();
  EXPECT_EQ(sc.LineProtocol, Scenario::Protocol::RS232);
  ASSERT_EQ(sc.Clocks.size(), 1u);
  EXPECT_EQ(sc.Clocks[0].Name, "KR-Tal 100");
  EXPECT_EQ(sc.Clocks[0].Firmware, "VER 3.10");
  EXPECT_TRUE(sc.Warnings.empty());
  auto model = sim::buildModel(sc);
  auto& clock = dynamic_cast<TextClockModel&>(*model);
  EXPECT_EQ(clock.records().size(), 3u);
  EXPECT_EQ(flatten(clock.receive("\x01")), "0");
  // Dated the day before the clock's 1403/09/18, oldest first, letters in turn.
  const std::string first = flatten(clock.receive("\x03"));
  EXPECT_EQ(first.substr(11, 4), "0917");
  EXPECT_EQ(first[23], 'A');
}

TEST(ScenarioTest, FileAndCommandLineBuildABus) {
  ScenarioParser p;
  p.parse(R"(# a bus of two clocks
protocol RS485
clock 5
name KR-Corax \x41B   # a comment after a text
calendar gregorian
datetime 2024/12/08 10:30:15
record 1234567890 2024/12/07 08:01 event=2 finger type2=03 seq=Q
record 1234 2024/12/07 08:02 nuls=4
busy yes
clock 1
kind lumen
second-code no
status 3
baud 9600
latency 20
misbehave bytewise 3 times=2
misbehave garbage 33:34 cmd=03
)",
          "bus.txt");
  p.parse("clock 5; misbehave silence times=1; misbehave badcheck", "-e", true);
  const Scenario sc = p.finish();
  EXPECT_EQ(sc.LineProtocol, Scenario::Protocol::RS485);
  ASSERT_EQ(sc.Clocks.size(), 2u);
  const auto& c1 = sc.Clocks[0];
  const auto& c5 = sc.Clocks[1];
  EXPECT_EQ(c1.Number, 1);
  EXPECT_EQ(c1.Kind, TextClockKind::Lumen);
  EXPECT_FALSE(c1.SecondCode);
  EXPECT_EQ(c1.ForcedStatus, 3);
  EXPECT_EQ(c1.Baud, 9600);
  EXPECT_EQ(c1.LatencyMs, 20u);
  EXPECT_TRUE(c1.Records.empty());  // "clock N" starts without sample records
  ASSERT_EQ(c1.Misbehaviours.size(), 2u);
  EXPECT_EQ(c1.Misbehaviours[0].Kind, MisbehaviourKind::ByteByByte);
  EXPECT_EQ(c1.Misbehaviours[0].Ms, 3u);
  EXPECT_EQ(c1.Misbehaviours[0].Times, 2);
  EXPECT_EQ(c1.Misbehaviours[1].Bytes, "\x33\x34");
  EXPECT_EQ(c1.Misbehaviours[1].Command, "\x03");

  EXPECT_EQ(c5.Name, "KR-Corax AB");
  EXPECT_EQ(c5.Calendar, SimCalendar::Gregorian);
  EXPECT_EQ(c5.DateTime, (SimDateTime{2024, 12, 8, 10, 30, 15}));
  EXPECT_TRUE(c5.Busy);
  ASSERT_EQ(c5.Records.size(), 2u);
  EXPECT_EQ(c5.Records[0].Card, "1234567890");
  EXPECT_EQ(c5.Records[1].Card, std::string("1234\0\0\0\0", 8));
  EXPECT_EQ(c5.Records[0].Event, 2);
  EXPECT_TRUE(c5.Records[0].Finger);
  EXPECT_EQ(c5.Records[0].RecType2, "03");
  EXPECT_EQ(c5.Records[0].Sequence, 'Q');
  ASSERT_EQ(c5.Misbehaviours.size(), 2u);  // from the command line
  EXPECT_EQ(c5.Misbehaviours[0].Kind, MisbehaviourKind::Silence);
  EXPECT_EQ(c5.Misbehaviours[1].Kind, MisbehaviourKind::WrongCheck);

  // The model built from it: a bus where clock 5 is a Corax holding the long record.
  auto model = sim::buildModel(sc);
  auto& bus = dynamic_cast<sim::Rs485BusModel&>(*model);
  ASSERT_NE(bus.clock(5), nullptr);
  EXPECT_EQ(bus.clock(5)->kind(), TextClockKind::Corax);
  EXPECT_EQ(bus.clock(5)->statusCode(), '2');
}

TEST(ScenarioTest, CommandLineStatementsWithoutClockChangeTheDefaultClock) {
  ScenarioParser p;
  p.parse("misbehave bytewise 2; name KR-Tal 7", "-e", true);
  const Scenario sc = p.finish();
  ASSERT_EQ(sc.Clocks.size(), 1u);
  EXPECT_EQ(sc.Clocks[0].Name, "KR-Tal 7");
  EXPECT_EQ(sc.Clocks[0].Records.size(), 3u);
  EXPECT_EQ(sc.Clocks[0].Misbehaviours.size(), 1u);
}

TEST(ScenarioTest, DateTimeNowIsTheComputersTimeInTheClocksCalendar) {
  ScenarioParser p;
  p.LocalNow = [] { return SimDateTime{2015, 4, 4, 8, 30, 5}; };
  p.parse("datetime now", "-e", true);
  EXPECT_EQ(p.finish().Clocks[0].DateTime, (SimDateTime{1394, 1, 15, 8, 30, 5}));
}

// The broken terminal's records and the punch stored during a read, and the broken clock's date.
TEST(ScenarioTest, BrokenTerminalRecordsPunchesDuringAReadAndAShownDate) {
  ScenarioParser p;
  p.parse("zk-odd-record - 2026-02-31 10:00:00 0; zk-odd-record 12X4 2026-02-01 08:00:00 1;"
          "zk-punch-during-read 2 777 2024-12-08 10:29:30 0; shown-datetime 0000/13/45 24:60",
          "-e", true);
  const Scenario sc = p.finish();
  ASSERT_EQ(sc.ZkRecords.size(), 2u);
  EXPECT_EQ(sc.ZkRecords[0].User, "");
  EXPECT_EQ(sc.ZkRecords[0].When, (SimDateTime{2026, 2, 31, 10, 0, 0}));
  EXPECT_EQ(sc.ZkRecords[1].User, "12X4");
  ASSERT_EQ(sc.ZkPunchesDuringRead.size(), 1u);
  EXPECT_EQ(sc.ZkPunchesDuringRead[0].first, 2);
  EXPECT_EQ(sc.ZkPunchesDuringRead[0].second.User, "777");
  EXPECT_EQ(sc.Clocks[0].ShownDateTime, (SimDateTime{0, 13, 45, 24, 60, 0}));
}

TEST(ScenarioTest, TheSecondTerminalsLogIsGivenAnywhere) {
  ScenarioParser p;
  p.parse("clock 1\nzk-records 20000\nzk-record 123 2024-12-08 08:30:05 1", "s.txt");
  p.parse("zk-record 7 2025-01-01 00:00:00 0", "-e", true);
  const Scenario sc = p.finish();
  EXPECT_TRUE(sc.ZkLogGiven);
  EXPECT_EQ(sc.ZkRecordCount, 20000);
  ASSERT_EQ(sc.ZkRecords.size(), 2u);
  EXPECT_EQ(sc.ZkRecords[0].User, "123");
  EXPECT_EQ(sc.ZkRecords[0].When, (SimDateTime{2024, 12, 8, 8, 30, 5}));
  EXPECT_EQ(sc.ZkRecords[0].InOutMode, 1);
  EXPECT_EQ(sc.ZkRecords[1].User, "7");
  // The clocks are untouched by them.
  ASSERT_EQ(sc.Clocks.size(), 1u);
  EXPECT_FALSE(sim::defaultScenario().ZkLogGiven);
}

TEST(ScenarioTest, PeersThatNeverStopAndATerminalThatTrickles) {
  // The terminal keeps a terminal's pace unless told otherwise.
  EXPECT_EQ(sim::defaultScenario().ZkLinkKbps, 10000);
  EXPECT_EQ(sim::defaultScenario().ZkTurnaroundMs, 10);
  ScenarioParser p;
  p.parse("misbehave garbage 7E times=1; misbehave flood 55 900 times=1; zk-data-frames 1 200; "
          "zk-refuse-clear; zk-link 0 0",
          "-e", true);
  const Scenario sc = p.finish();
  ASSERT_EQ(sc.Clocks.size(), 1u);
  const auto& rules = sc.Clocks[0].Misbehaviours;
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(rules[1].Kind, MisbehaviourKind::Flood);
  EXPECT_EQ(rules[1].Bytes, "\x55");
  EXPECT_EQ(rules[1].Ms, 900u);
  EXPECT_EQ(rules[1].Times, 1);
  EXPECT_EQ(sc.ZkDataFrameBytes, 1);
  EXPECT_EQ(sc.ZkDataFrameGapMs, 200);
  EXPECT_TRUE(sc.ZkRefuseClear);
  EXPECT_EQ(sc.ZkLinkKbps, 0);
  EXPECT_EQ(sc.ZkTurnaroundMs, 0);
}

TEST(ScenarioTest, RecordWithCheckByteCrIsWarnedAbout) {
  // The receiver takes every CR out of a record, a check byte of 0Dh too. The second code is
  // free text, so one of these letters makes the check byte 0Dh.
  int warned = 0;
  for (const char* letters : {"abcdefghijklmnopqrstuvwxyz", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"}) {
    for (const char* t = letters; *t; ++t) {
      ScenarioParser p;
      p.parse(std::string("clock 1; record 6 1403/01/01 00:00 seq=A type2=") + *t + "0", "-e",
              true);
      const Scenario sc = p.finish();
      TextClockModel m(sc.Clocks[0]);
      const bool crCheck = m.recordReply(m.records().front()).back() == '\x0D';
      EXPECT_EQ(crCheck, sc.Warnings.size() == 1u) << *t;
      warned += crCheck ? 1 : 0;
    }
  }
  EXPECT_EQ(warned, 1);
}

struct BadCase {
  const char* Text;
  const char* Message;  // part of the error
};

class ScenarioErrorTest : public testing::TestWithParam<BadCase> {};

TEST_P(ScenarioErrorTest, RefusedWithWhereAndWhy) {
  ScenarioParser p;
  try {
    p.parse(GetParam().Text, "s.txt");
    p.finish();
    FAIL() << "accepted: " << GetParam().Text;
  } catch (const ScenarioError& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().Message), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bad, ScenarioErrorTest,
    testing::Values(BadCase{"\n\nfrobnicate 3", "s.txt:3: unknown statement \"frobnicate\""},
                    BadCase{"clock 33", "s.txt:1: clock number must be 1 to 32"},
                    BadCase{"clock five", "not a number"},
                    BadCase{"clock 1\nclock 2", "protocol RS232 serves one clock"},
                    BadCase{"protocol rs422", "protocol must be RS232, RS485 or Hdlc"},
                    BadCase{"name 123456789012345678901", "name longer than 20 bytes"},
                    BadCase{"name bad\\q", "bad escape"}, BadCase{"name", "needs a text"},
                    BadCase{"status 4", "status must be 0 to 3"},
                    BadCase{"busy maybe", "expected yes or no"},
                    BadCase{"datetime 1403/13/01 10:00", "no such date"},
                    BadCase{"datetime 1402/12/30 10:00", "no such date"},  // 1402 is common
                    BadCase{"datetime 1403-09-18 10:00", "expected a date YYYY/MM/DD"},
                    BadCase{"datetime 1403/09/18 25:00", "no such time"},
                    BadCase{"record 12345 1403/09/18", "needs CARD DATE TIME"},
                    BadCase{"zk-records many", "not a number"},
                    BadCase{"zk-record 12 2024-12-08 08:00:00", "takes USER YYYY-MM-DD"},
                    BadCase{"zk-record 1x 2024-12-08 08:00:00 0", "at most 9 digits"},
                    BadCase{"zk-record 1 2023-02-29 08:00:00 0", "no such Gregorian date"},
                    BadCase{"zk-record 1 2024-12-08 24:00:00 0", "no such time"},
                    BadCase{"zk-odd-record 1 2024-12-32 08:00:00 0", "cannot keep"},
                    BadCase{"zk-odd-record 1 1999-12-08 08:00:00 0", "cannot keep"},
                    BadCase{"zk-punch-during-read 0 1 2024-12-08 08:00:00 0", "READ must be"},
                    BadCase{"zk-punch-during-read 1 1 2024-02-30 08:00:00 0", "no such Gregorian"},
                    BadCase{"shown-datetime 1403/09/18 1030", "any digits"},
                    BadCase{"mira-odd-record 7 9 abc", "status must be 0 to 8"},
                    BadCase{"mira-odd-record 7 1", "takes ID STATUS TIME-TEXT"},
                    BadCase{"mira-shown-time", "needs a text"},
                    BadCase{"record 12a45 1403/09/18 10:00", "decimal digits"},
                    BadCase{"record 123456789 1403/09/18 10:00", "longer than 8 digits"},
                    BadCase{"record 1 1403/09/18 10:00 event=4", "event must be 0 to 3"},
                    BadCase{"record 1 1403/09/18 10:00 seq=a", "seq takes one letter"},
                    BadCase{"misbehave sulk", "unknown misbehaviour"},
                    BadCase{"misbehave delay", "needs MS"},
                    BadCase{"misbehave flood 55", "needs MS"},
                    BadCase{"misbehave flood 55 0", "flood must be 1 to"},
                    BadCase{"zk-data-frames 0 200", "must be 1 to"},
                    BadCase{"zk-link 10000", "takes KBITS MS"},
                    BadCase{"misbehave garbage 3G", "hexadecimal"},
                    BadCase{"misbehave silence times=0", "times must be 1 to"}),
    [](const testing::TestParamInfo<BadCase>& AInfo) {
      return "Case" + std::to_string(AInfo.index);
    });

}  // namespace
