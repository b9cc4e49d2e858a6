// The record forms of the text protocol and of HDLC clocks, taken apart byte by byte.
#include <gtest/gtest.h>

#include <string>

#include "clock/RecordDecoding.h"
#include "link/ByteUtils.h"

namespace {

const std::string kHead("\x01\x01\x01", 3);

// A cleaned text reply: head, AFields, and the XOR of AFields as check byte.
std::string Reply(const std::string& AFields) {
  return kHead + AFields + static_cast<char>(XorChecksum(AFields));
}

const TRecordClockDate kClockDate{1403, 9, 18};

TEST(CleanRecordReply, DropsBytesBeforeTheFirstStartByteAndEveryCr) {
  EXPECT_EQ(CleanRecordReply("\x33\x34\x01\x01\x01"
                             "12\r3\rX"),
            "\x01\x01\x01"
            "123X");
  // Without any 01h nothing is dropped from the front.
  EXPECT_EQ(CleanRecordReply("AB\rC"), "ABC");
}

TEST(TextRecordForms, EachFormDecodesItsFields) {
  struct Case {
    const char* Name;
    TClockType Type;
    std::string Fields;
    const char* KartNo;
    const char* Date;
    const char* Time;
    const char* RecType1;
    const char* RecType2;
    bool FingerPrint;
    char Sequence;
  };
  const Case cases[] = {
      {"short with second code", KRTal,
       "00012345"
       "0917"
       "0815"
       "05"
       "03"
       "C",
       "12345", "030917", "08:15", "01", "03", true, 'C'},
      {"short without second code", MX4100,
       "00012345"
       "0917"
       "0815"
       "12"
       "D",
       "12345", "030917", "08:15", "00", "keep", false, 'D'},
      {"long form", KRCorax,
       "0001234567"
       "030917"
       "1745"
       "02"
       "02"
       "00000000"
       "E",
       "1234567", "030917", "17:45", "02", "02", false, 'E'},
      {"Lumen", Lumen,
       "00000777"
       "0916"
       "2359"
       "Z",
       "777", "030916", "23:59", "keep", "keep", false, 'Z'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string reply = Reply(c.Fields);
    ASSERT_TRUE(IsValidRecordReply(reply, c.Type, kClockDate));
    TVexRecord record;
    record.RecType1 = "keep";
    record.RecType2 = "keep";
    ASSERT_TRUE(DecodeTextRecord(reply, c.Type, kClockDate, record));
    EXPECT_EQ(record.KartNo, c.KartNo);
    EXPECT_EQ(record.Date.str(), c.Date);
    EXPECT_EQ(record.Time.str(), c.Time);
    EXPECT_EQ(record.RecType1, c.RecType1);
    EXPECT_EQ(record.RecType2, c.RecType2);
    EXPECT_EQ(record.FingerPrint, c.FingerPrint);
    EXPECT_EQ(record.SequenceCode, c.Sequence);
  }
}

TEST(TextRecordValidity, FirstFailingConditionRefusesTheReply) {
  struct Case {
    const char* Name;
    TClockType Type;
    std::string Reply;
    bool Valid;
  };
  const std::string good =
      "00012345"
      "0917"
      "0815"
      "05"
      "03"
      "C";
  std::string wrongCheck = Reply(good);
  wrongCheck.back() = static_cast<char>(wrongCheck.back() ^ 0x40);
  const Case cases[] = {
      {"good short", KRTal, Reply(good), true},
      {"wrong check byte", KRTal, wrongCheck, false},
      {"card of zeros", KRTal,
       Reply("00000000"
             "0917"
             "0815"
             "05"
             "03"
             "C"),
       false},
      {"card with a letter", KRTal,
       Reply("0001A345"
             "0917"
             "0815"
             "05"
             "03"
             "C"),
       false},
      // Blanks are trimmed from a card, control bytes are not blanks.
      {"card ending in NULs", KRTal,
       Reply(std::string("1234\0\0\0\0", 8) +
             "0917"
             "0815"
             "05"
             "03"
             "C"),
       false},
      {"card starting with NULs", KRTal,
       Reply(std::string("\0\0\0\0" "1234", 8) +
             "0917"
             "0815"
             "05"
             "03"
             "C"),
       false},
      {"long form card with a tab", KRCorax,
       Reply("00012345\t7"
             "030917"
             "1745"
             "02"
             "02"
             "00000000"
             "E"),
       false},
      {"month 13", KRTal,
       Reply("00012345"
             "1317"
             "0815"
             "05"
             "03"
             "C"),
       false},
      {"hour 24", KRTal,
       Reply("00012345"
             "0917"
             "2415"
             "05"
             "03"
             "C"),
       false},
      {"lower-case letter", KRTal,
       Reply("00012345"
             "0917"
             "0815"
             "05"
             "03"
             "c"),
       false},
      {"short by one byte", KRTal,
       Reply("00012345"
             "0917"
             "0815"
             "0"
             "C"),
       false},
      {"long form with card of zeros", KRCorax,
       Reply("0000000000"
             "030917"
             "1745"
             "02"
             "02"
             "00000000"
             "E"),
       false},
      {"long form dated 31 Mehr", KRCorax,
       Reply("0001234567"
             "030731"
             "1745"
             "02"
             "02"
             "00000000"
             "E"),
       false},
      {"Lumen without a sequence letter", Lumen,
       Reply("00000777"
             "0916"
             "2359"
             "5"),
       false},
      {"Lumen of zeros", Lumen,
       Reply("00000000"
             "0916"
             "2359"
             "Z"),
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(IsValidRecordReply(c.Reply, c.Type, kClockDate), c.Valid);
  }
}

TEST(TextRecordValidity, BlankCardPassesAndKeepsItsBlanks) {
  const std::string reply = Reply(
      "        "
      "0917"
      "0815"
      "01"
      "00"
      "A");
  ASSERT_TRUE(IsValidRecordReply(reply, KRTal, kClockDate));
  TVexRecord record;
  ASSERT_TRUE(DecodeTextRecord(reply, KRTal, kClockDate, record));
  EXPECT_EQ(record.KartNo, "        ");
}

// The validity test and the year completion choose the year by different rules: the test goes
// back a year for a second-half month read in the first half of the year, the completion only
// for December read in January (and forward for January read in December).
TEST(TextRecordYears, ValidityAndCompletionUseTheirOwnRules) {
  struct Case {
    TRecordClockDate ClockDate;
    const char* MonthDay;
    bool Valid;
    const char* Date;
  };
  const Case cases[] = {
      {{1394, 1, 5}, "1228", true, "931228"},
      {{1394, 5, 10}, "0901", true, "940901"},
      {{1394, 12, 20}, "0102", true, "950102"},
      // 1395 is a leap year, 1396 is not: Esfand 30 read in Mordad 1396 passes the test on
      // 1395 and is completed with 1396.
      {{1396, 5, 10}, "1230", true, "961230"},
      {{1396, 7, 10}, "1230", false, ""},
      {{1396, 1, 5}, "1230", true, "951230"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.ClockDate.Year) + "/" + std::to_string(c.ClockDate.Month) +
                 " record " + c.MonthDay);
    const std::string reply = Reply(std::string("00012345") + c.MonthDay +
                                    "0815"
                                    "01"
                                    "00"
                                    "A");
    ASSERT_EQ(IsValidRecordReply(reply, KRTal, c.ClockDate), c.Valid);
    if (!c.Valid) continue;
    TVexRecord record;
    ASSERT_TRUE(DecodeTextRecord(reply, KRTal, c.ClockDate, record));
    EXPECT_EQ(record.Date.str(), c.Date);
  }
}

TEST(TextRecordEventCode, FingerBitIsReadInHexAndKindInDecimal) {
  struct Case {
    const char* Code;
    bool Decodes;
    bool FingerPrint;
    const char* RecType1;
  };
  const Case cases[] = {
      {"05", true, true, "01"}, {"12", true, false, "00"}, {"14", true, true, "02"},
      {"07", true, true, "03"}, {"1A", false, false, ""},  {" 5", false, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Code);
    const std::string reply = Reply(std::string("00012345"
                                                "0917"
                                                "0815") +
                                    c.Code +
                                    "00"
                                    "A");
    ASSERT_TRUE(IsValidRecordReply(reply, KRTal, kClockDate));
    TVexRecord record;
    record.KartNo = "untouched";
    EXPECT_EQ(DecodeTextRecord(reply, KRTal, kClockDate, record), c.Decodes);
    if (!c.Decodes) {
      EXPECT_EQ(record.KartNo, "untouched");
      continue;
    }
    EXPECT_EQ(record.FingerPrint, c.FingerPrint);
    EXPECT_EQ(record.RecType1, c.RecType1);
  }
}

// ---- HDLC ----

// A 14-byte HDLC record with its check byte.
std::string Piece(std::uint64_t ACard, int AYear, int AMonth, int ADay, int AHour, int AMinute,
                  int AKinds = 0, int AMeans = 0) {
  std::string p;
  for (int i = 0; i < 5; ++i) p += static_cast<char>((ACard >> (8 * i)) & 0xFF);
  for (int v : {AYear, AMonth, ADay, AHour, AMinute, 0, AKinds, AMeans}) p += static_cast<char>(v);
  p += static_cast<char>(XorChecksum(p));
  return p;
}

TEST(HdlcRecordBlock, PrefixesAreDroppedAndTheRestCutIntoPieces) {
  const std::string a = Piece(1, 94, 1, 2, 3, 4), b = Piece(2, 94, 1, 2, 3, 5);
  struct Case {
    std::string Data;
    std::vector<std::string> Pieces;
  };
  const Case cases[] = {
      {a + b, {a, b}}, {"XYZ" + a + b, {a, b}},   {"XY" + a, {a}}, {"XYZXY" + a, {a}},
      {"XYZ", {}},     {a + "tail", {a, "tail"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitHdlcRecordBlock(c.Data), c.Pieces);
}

TEST(HdlcRecord, FieldsFlagsAndCalendar) {
  struct Case {
    const char* Name;
    std::string Piece;
    TDateType Calendar;
    const char* KartNo;
    const char* Date;
    const char* Time;
    const char* RecType1;
    const char* RecType2;
    bool Finger, Card, Camera;
  };
  const Case cases[] = {
      {"solar year on a solar clock", Piece(0x0102030405ull, 94, 12, 28, 8, 5), Solar, "4328719365",
       "941228", "08:05", "00", "00", false, false, false},
      {"Gregorian year on a solar clock", Piece(77, 15, 3, 21, 17, 59, 0x08, 0x01), Solar, "77",
       "940101", "17:59", "01", "00", true, false, false},
      {"solar year on a Gregorian clock", Piece(77, 94, 1, 1, 0, 0, 0x10, 0x06), Christian, "77",
       "150321", "00:00", "02", "00", false, true, true},
      {"Gregorian year on a Gregorian clock", Piece(5, 24, 12, 8, 10, 30, 0x18 | 0x80, 0),
       Christian, "5", "241208", "10:30", "01", "03", false, false, false},
      {"second code with bit 6", Piece(5, 24, 12, 8, 10, 30, 0xC0, 0), Christian, "5", "241208",
       "10:30", "00", "02", false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TVexRecord record;
    record.SpecKartNo = "kept";
    ASSERT_EQ(DecodeHdlcRecordPiece(c.Piece, 7, c.Calendar, record), THdlcRecordOutcome::Decoded);
    EXPECT_EQ(record.Version, rv2);
    EXPECT_EQ(record.ClockNumber, 7);
    EXPECT_EQ(record.KartNo, c.KartNo);
    EXPECT_EQ(record.Date.str(), c.Date);
    EXPECT_EQ(record.Time.str(), c.Time);
    EXPECT_EQ(record.RecType1, c.RecType1);
    EXPECT_EQ(record.RecType2, c.RecType2);
    EXPECT_EQ(record.SequenceCode, 'A');
    EXPECT_EQ(record.FingerPrint, c.Finger);
    EXPECT_EQ(record.Card, c.Card);
    EXPECT_EQ(record.Camera, c.Camera);
    EXPECT_EQ(record.Data, c.Piece);
    EXPECT_EQ(record.SpecKartNo, "kept");
  }
}

TEST(HdlcRecord, BadPiecesAreRejected) {
  std::string wrongCheck = Piece(12, 94, 1, 2, 3, 4);
  wrongCheck.back() = static_cast<char>(wrongCheck.back() ^ 1);
  std::string shortPiece = "short";
  shortPiece += static_cast<char>(XorChecksum(shortPiece));
  struct Case {
    const char* Name;
    std::string Piece;
    std::string DataTail;  // what is appended to the piece in Data for the bad-record log
  };
  const Case cases[] = {
      {"wrong check byte", wrongCheck, ""},
      {"short piece with a right check byte", shortPiece, ""},
      {"month 13", Piece(12, 94, 13, 2, 3, 4), ";121394/13/0203:04"},
      {"minute 60", Piece(12, 94, 1, 2, 3, 60), ";121394/01/0203:60"},
      // 101 would be written "01" in two digits: it is no month.
      {"month byte 101", Piece(12, 94, 101, 2, 3, 4), ";121394/01/0203:04"},
      {"hour byte 123", Piece(12, 94, 1, 2, 123, 4), ";121394/01/0223:04"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TVexRecord record;
    EXPECT_EQ(DecodeHdlcRecordPiece(c.Piece, 1, Solar, record), THdlcRecordOutcome::Rejected);
    EXPECT_EQ(record.KartNo, "");
    EXPECT_EQ(record.Data, c.Piece + c.DataTail);
  }
}

TEST(HdlcAnswerCode, OneByteAnswers) {
  EXPECT_EQ(HdlcAnswerCode(""), 1);
  EXPECT_EQ(HdlcAnswerCode(std::string(1, '\x01')), 1);
  EXPECT_EQ(HdlcAnswerCode(std::string(1, '\x00')), 0);
  EXPECT_EQ(HdlcAnswerCode(std::string(1, '\x02')), 2);
  EXPECT_EQ(HdlcAnswerCode("\xFF"), 2);
}

}  // namespace
