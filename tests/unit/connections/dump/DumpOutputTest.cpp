// Where the pictures of dumped records go, their event type, and their CSV rows.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <string>

#include "connections/PictureStore.h"
#include "connections/RecordCsv.h"

namespace {

TVexRecord Record(const std::string& ACard, const std::string& ADate, const std::string& ATime) {
  TVexRecord r;
  r.KartNo = ACard;
  r.Date = ADate;
  r.Time = ATime;
  return r;
}

std::string Contents(const std::string& APath) {
  std::ifstream file(APath, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// Whatever a clock sends as card and time, the name stays one file inside its day's folder.
TEST(PictureName, CardAndTimeFromSafeCharactersOnly) {
  struct Case {
    std::string Card;
    const char* Time;
    const char* Stem;
  };
  const Case cases[] = {
      {"000123", "08:05", "123_0805"},
      {"0000", "08:05", "0_0805"},
      {"-0042", "08:05", "-42_0805"},
      {"  77 ", "0930", "77_0930"},
      {"9223372036854775807", "08:05", "9223372036854775807_0805"},
      // Not a number: kept as it is, but for the characters a name must not hold.
      {"12A", "08:05", "12A_0805"},
      {"9223372036854775808", "08:05", "9223372036854775808_0805"},
      {"../../etc", "08:05", "______etc_0805"},
      {"a/b\\c", "08:05", "a_b_c_0805"},
      {std::string("12\0" "34", 5), "08:05", "12_34_0805"},
      {"", "8:5", "__8_5"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PictureFileStem(Record(c.Card, "030917", c.Time)), c.Stem) << c.Card;
}

TEST(PictureName, DayFolderOfTheRecordsOwnDate) {
  EXPECT_EQ(PictureDayFolder("1403/09/17"), "1403/09/17");
  EXPECT_EQ(PictureDayFolder("990101"), "1399/01/01");
  // Two-digit years below 80 are of this century.
  EXPECT_EQ(PictureDayFolder("030917"), "2003/09/17");
  EXPECT_EQ(PictureDayFolder(""), "undated");
  EXPECT_EQ(PictureDayFolder("../../x"), "undated");
}

TEST(PictureStore, NumbersPicturesOfTheSameNameAndNeverOverwrites) {
  QTemporaryDir dir;
  const TPictureStore store(dir.path().toStdString() + "/IOImages");
  const TVexRecord record = Record("000123", "990101", "08:05");
  std::string error;
  const std::string first = store.Store(record, "first picture", error);
  const std::string second = store.Store(record, "second picture", error);
  EXPECT_EQ(first, store.Folder() + "/1399/01/01/123_0805.jpg");
  EXPECT_EQ(second, store.Folder() + "/1399/01/01/123_0805_1.jpg");
  EXPECT_EQ(Contents(first), "first picture");
  EXPECT_EQ(Contents(second), "second picture");
}

TEST(PictureStore, FolderThatCannotBeMadeIsAnError) {
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString() + "/IOImages";
  std::ofstream(folder) << "a file in the way";
  std::string error;
  EXPECT_EQ(TPictureStore(folder).Store(Record("1", "990101", "08:05"), "p", error), "");
  EXPECT_NE(error.find(folder), std::string::npos) << error;
}

TEST(RecordEvent, DecidedByTheSecondCharacterOfEachCode) {
  struct Case {
    const char* Type1;
    const char* Type2;
    const char* Text;
  };
  const Case cases[] = {
      {"01", "03", "مرخصي"},       {"01", "02", "مرخصي"}, {"02", "03", "ماموريت"},
      {"00", "03", "ورود"},        {"00", "02", "خروج"},  {"00", "", "ورود و خروج"},
      {"00", "01", "ورود و خروج"}, {"1", "02", "خروج"},   {"", "3", "ورود و خروج"},
      {"", "13", "ورود"},          {"10", "12", "خروج"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RecordEventText(c.Type1, c.Type2), c.Text) << c.Type1 << "/" << c.Type2;
}

TEST(RecordCsv, HeaderOnceThenOneQuotedRowPerRecord) {
  QTemporaryDir dir;
  const std::string path = dir.path().toStdString() + "/records.csv";
  TDumpEntry entry;
  entry.ClockNumber = 2;
  entry.Record = Record("12,3", "030917", "08:05");
  entry.Record.RecType1 = "00";
  entry.Record.RecType2 = "02";
  entry.Record.SequenceCode = 'C';
  entry.PicturePath = "a \"b\".jpg";
  std::string error;
  for (int run = 0; run < 2; ++run) {
    TRecordCsvFile csv;
    ASSERT_TRUE(csv.Open(path, error)) << error;
    ASSERT_TRUE(csv.Append(entry, error)) << error;
  }
  const std::string row = "2,\"12,3\",030917,08:05,00,02,C,خروج,\"a \"\"b\"\".jpg\"\n";
  EXPECT_EQ(Contents(path), std::string(TRecordCsvFile::kHeader) + "\n" + row + row);
  TRecordCsvFile missing;
  EXPECT_FALSE(missing.Open(dir.path().toStdString() + "/no/such/folder/r.csv", error));
  EXPECT_NE(error.find("/no/such/folder/r.csv"), std::string::npos) << error;
}

}  // namespace
