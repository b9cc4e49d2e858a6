#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "clock/VexClock.h"
#include "connections/ClockSet.h"
#include "inproc/VirtualPlatform.h"

namespace {

TEST(ClockProperties, BuiltAsNumberModelAndActivity) {
  sim::ScopedVirtualPlatform vp;
  TClockSet line;
  TBasicClock& clock = line.NewClock(5);
  clock.ClockType = KRCorax;
  EXPECT_EQ(clock.Properties(), "5;KRCorax;Active");
  clock.Active = false;
  clock.ClockType = KRMira120Clock;
  EXPECT_EQ(clock.Properties(), "5;KRMira120;Inactive");
}

TEST(ClockProperties, AppliedFieldByField) {
  struct Case {
    const char* Text;
    int Number;
    TClockType Type;
    bool Active;
  };
  // Every case starts from clock 4, KRTal, active.
  const Case cases[] = {
      {"7;kremBER;inactive", 7, KREmber, false},
      {"12;;", 12, CTUnknown, true},
      {" 9 ; Lumen ; Active ", 9, Lumen, true},
      {"32;MX4100;INACTIVE", 32, MX4100, false},
      // An empty number, or one that is no clock number of a line, leaves the number.
      {";KRCorax;Inactive", 4, KRCorax, false},
      {"0;KRTal;Active", 4, KRTal, true},
      {"33;KRTal;Active", 4, KRTal, true},
      {"300;KRTal;Active", 4, KRTal, true},
      {"99999999999999999999;KRTal;Active", 4, KRTal, true},
      {"x1;KRTal;Active", 4, KRTal, true},
      {"007;KRTal;Active", 7, KRTal, true},
      {"", 4, CTUnknown, true},
      {"5;KRMiraClock;Yes", 5, CTUnknown, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    sim::ScopedVirtualPlatform vp;
    TClockSet line;
    TBasicClock& clock = line.NewClock(4);
    clock.ClockType = KRTal;
    clock.SetProperties(c.Text);
    EXPECT_EQ(clock.ClockNumber, c.Number);
    EXPECT_EQ(clock.ClockType, c.Type);
    EXPECT_EQ(clock.Active, c.Active);
  }
}

class RecordLogTest : public ::testing::Test {
 protected:
  std::string path(const char* AName) const { return Dir.filePath(AName).toStdString(); }
  static std::string read(const std::string& APath) {
    std::ifstream file(APath, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
  }
  static TVexRecord Record() {
    TVexRecord r;
    r.ClockNumber = 3;
    r.KartNo = "12345";
    r.Time = "08:05";
    r.Date = "940321";
    r.RecType1 = "01";
    r.RecType2 = "00";
    r.SequenceCode = 'B';
    r.ComIp = "1";
    return r;
  }
  QTemporaryDir Dir;
};

TEST_F(RecordLogTest, LineIsWrittenByteForByteAndAppended) {
  const std::string file = path("records.txt");
  ASSERT_TRUE(AppendRecordToLog(Record(), file, false));
  const std::string line = std::string("\x02\x02\x02", 3) + "003" + "0000012345" + "X" + "08" +
                           "05" + "0321" + "E" + "94" + "B" + "1" + "," + "01" + "00" + "\r\n";
  EXPECT_EQ(read(file), line);
  // A Lumen knows no entry and exit: the letter is left out.
  ASSERT_TRUE(AppendRecordToLog(Record(), file, true));
  std::string lumen = line;
  lumen.erase(lumen.find("E94"), 1);
  EXPECT_EQ(read(file), line + lumen);
  EXPECT_EQ(lumen.size() + 1, line.size());
}

TEST_F(RecordLogTest, FieldsOfOtherWidthsAndTheEntryExitLetter) {
  struct Case {
    std::int32_t Number;
    const char* Card;
    const char* RecType1;
    std::string Expected;  // from the clock number to the year
  };
  const Case cases[] = {
      {1234, " 77 ", "02", "2340000000077X08050321F94"},         // last three digits; trimmed
      {7, "123456789012", "00", "007123456789012X08050321 94"},  // a long card number stays whole
      {7, "5", "03", "0070000000005X08050321 94"},               // 3 AND 3 is neither 1 nor 2
      {7, "5", "05", "0070000000005X08050321E94"},               // 5 AND 3 is 1
      {7, "5", "1", "0070000000005X08050321 94"},                // too short: blank
      {7, "5", "", "0070000000005X08050321 94"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Expected);
    TVexRecord r = Record();
    r.ClockNumber = c.Number;
    r.KartNo = c.Card;
    r.RecType1 = c.RecType1;
    const std::string file = path("widths.txt");
    std::remove(file.c_str());
    ASSERT_TRUE(AppendRecordToLog(r, file, false));
    EXPECT_EQ(read(file).substr(3, c.Expected.size()), c.Expected);
  }
}

TEST_F(RecordLogTest, NothingToWriteIsSuccessAndAnUnwritableFileIsFailure) {
  TVexRecord noRecord = Record();
  noRecord.KartNo = "";
  EXPECT_TRUE(AppendRecordToLog(noRecord, path("none.txt"), false));
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path("none.txt"))));
  EXPECT_TRUE(AppendRecordToLog(Record(), "", false));
  EXPECT_FALSE(AppendRecordToLog(Record(), path("missing/folder/log.txt"), false));
  EXPECT_FALSE(AppendRecordToLog(Record(), Dir.path().toStdString(), false));  // a folder
}

TEST_F(RecordLogTest, BadRecordLineGetsCrLf) {
  const std::string file = path("bad.txt");
  ASSERT_TRUE(AppendLineToFile(std::string("\x01\x01\x01"
                                           "AB\r",
                                           6),
                               file));
  ASSERT_TRUE(AppendLineToFile("", file));
  EXPECT_EQ(read(file), std::string("\x01\x01\x01"
                                    "AB\r\r\n\r\n",
                                    10));
  EXPECT_FALSE(AppendLineToFile("x", path("missing/bad.txt")));
  EXPECT_FALSE(AppendLineToFile("x", ""));
}

}  // namespace
