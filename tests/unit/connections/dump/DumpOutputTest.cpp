// Where the pictures of dumped records go, their dates in full, their event type, and their CSV
// rows.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

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

// The date as a clock sends it, read in full: a two-digit year in the century nearest the
// current year of the record's calendar, a four-digit one in the calendar its size tells.
TEST(RecordDay, FullDateInTheRecordsCalendarAndInGregorian) {
  struct Case {
    const char* Sent;
    TDateType Calendar;
    int NearYear;
    const char* Date;
    const char* Gregorian;
  };
  const Case cases[] = {
      {"030917", Solar, 1405, "1403/09/17", "2024-12-07"},
      {"990101", Solar, 1405, "1399/01/01", "2020-03-20"},
      // Read in the first days of a century, a record of the year before stays in it.
      {"991229", Solar, 1400, "1399/12/29", "2021-03-19"},
      {"000101", Solar, 1399, "1400/01/01", "2021-03-21"},
      {"1403/09/17", Solar, 1405, "1403/09/17", "2024-12-07"},
      {"14030917", Christian, 2026, "1403/09/17", "2024-12-07"},
      {"241207", Christian, 2026, "2024/12/07", "2024-12-07"},
      {"2024/12/07", Solar, 1405, "2024/12/07", "2024-12-07"},
      {"1403/12/30", Solar, 1405, "1403/12/30", "2025-03-20"},
  };
  for (const Case& c : cases) {
    const TRecordDay day = RecordDay(c.Sent, c.Calendar, c.NearYear);
    EXPECT_TRUE(day.Valid) << c.Sent;
    EXPECT_EQ(day.Date, c.Date) << c.Sent;
    EXPECT_EQ(day.Gregorian, c.Gregorian) << c.Sent;
  }
  // No such day: kept as sent, with no Gregorian date.
  for (const char* sent : {"1404/12/30", "2026/02/31", "0000/13/45", "031301", "", "../../x",
                           "03091", "1403/09/17x"}) {
    const TRecordDay day = RecordDay(sent, Solar, 1405);
    EXPECT_FALSE(day.Valid) << sent;
    EXPECT_EQ(day.Date, sent);
    EXPECT_EQ(day.Gregorian, "") << sent;
  }
}

TEST(RecordDay, TimeWithSecondsWhereTheClockGivesThem) {
  TVexRecord r = Record("1", "030917", "08:05");
  EXPECT_EQ(RecordTimeText(r), "08:05");
  r.Second = 7;
  EXPECT_EQ(RecordTimeText(r), "08:05:07");
}

TEST(PictureName, DayFolderOfTheRecordsOwnDate) {
  EXPECT_EQ(PictureDayFolder(RecordDay("030917", Solar, 1405)), "1403/09/17");
  EXPECT_EQ(PictureDayFolder(RecordDay("241207", Christian, 2026)), "2024/12/07");
  EXPECT_EQ(PictureDayFolder(RecordDay("", Solar, 1405)), "undated");
  EXPECT_EQ(PictureDayFolder(RecordDay("../../x", Solar, 1405)), "undated");
}

TEST(PictureStore, NumbersPicturesOfTheSameNameAndNeverOverwrites) {
  QTemporaryDir dir;
  const TPictureStore store(dir.path().toStdString() + "/IOImages");
  const TVexRecord record = Record("000123", "990101", "08:05");
  const TRecordDay day = RecordDay(record.Date, Solar, 1405);
  std::string error;
  const std::string first = store.Store(record, day, "first picture", error);
  const std::string second = store.Store(record, day, "second picture", error);
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
  EXPECT_EQ(TPictureStore(folder).Store(Record("1", "990101", "08:05"),
                                        RecordDay("990101", Solar, 1405), "p", error),
            "");
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

// The file a spreadsheet opens: the mark and the header once, then one row per record with every
// text from the clock made safe, the codes as sent, the dates in full.
TEST(RecordCsv, MarkAndHeaderOnceThenOneSafeRowPerRecord) {
  QTemporaryDir dir;
  const std::string path = dir.path().toStdString() + "/records.csv";
  TDumpEntry entry;
  entry.ClockNumber = 2;
  entry.Record = Record("12,3", "030917", "08:05");
  entry.Day = RecordDay("030917", Solar, 1405);
  entry.Record.RecType1 = "00";
  entry.Record.RecType2 = "02";
  entry.Record.SequenceCode = 'C';
  entry.PicturePath = "a \"b\".jpg";
  entry.Picture = TPictureOutcome::Stored;
  TDumpEntry formula = entry;
  formula.Record.KartNo = std::string("=1+2\0\x1b", 6);
  formula.Record.Second = 9;
  formula.Picture = TPictureOutcome::TransferFailed;
  formula.PicturePath.clear();
  std::string error;
  for (int run = 0; run < 2; ++run) {
    TRecordCsvFile csv;
    ASSERT_TRUE(csv.Open(path, true, error)) << error;
    ASSERT_TRUE(csv.Write(entry, true, error)) << error;
    ASSERT_TRUE(csv.Write(formula, false, error)) << error;
    ASSERT_TRUE(csv.Sync(error)) << error;
  }
  const std::string rows =
      "2,\"12,3\",1403/09/17,08:05,2024-12-07,خروج,00,02,C,yes,"
      "\"a \"\"b\"\".jpg\",stored\n"
      "2,'=1+2\\x00\\x1B,1403/09/17,08:05:09,2024-12-07,خروج,00,02,C,no,,"
      "failed: the clock's transfer of the picture failed\n";
  EXPECT_EQ(Contents(path),
            "\xEF\xBB\xBF"
            "clock,card,date,time,date_gregorian,event,type1,type2,sequence,left_clock,picture,"
            "picture_status\n" +
                rows + rows);

  // Without the mark; an empty file that is there already gets the header too.
  const std::string plain = dir.path().toStdString() + "/plain.csv";
  std::ofstream{plain};
  TRecordCsvFile csv;
  ASSERT_TRUE(csv.Open(plain, false, error)) << error;
  EXPECT_EQ(Contents(plain).rfind("clock,card,date,time,", 0), 0u) << Contents(plain);

  TRecordCsvFile missing;
  EXPECT_FALSE(missing.Open(dir.path().toStdString() + "/no/such/folder/r.csv", true, error));
  EXPECT_NE(error.find("/no/such/folder/r.csv"), std::string::npos) << error;
}

// A marked record is written with its date and time as the clock gave them, its flag in the
// event column; a bad record's card is its raw bytes in hex.
TEST(RecordCsv, MarkedRecordsKeepWhatTheClockGave) {
  TDumpEntry badDate;
  badDate.ClockNumber = 1;
  badDate.Record = Record("9", "2026/02/31", "10:00");
  badDate.Record.Second = 5;
  badDate.Flag = TRecordFlag::BadDate;
  badDate.Day.Date = badDate.Record.Date;
  EXPECT_EQ(TRecordCsvFile::Row(badDate, true), "1,9,2026/02/31,10:00,,bad-date,,,,yes,,\n");
  TDumpEntry badRecord;
  badRecord.ClockNumber = 1;
  badRecord.Flag = TRecordFlag::BadRecord;
  badRecord.Raw = std::string("\x01\x02=", 3);
  EXPECT_EQ(TRecordCsvFile::Row(badRecord, true), "1,01 02 3D,,,,bad-record,,,,yes,,\n");
}

// The rows of a terminal's batch, held until it is known whether its log is cleared: they leave
// as written or are written again as staying, around rows written before and after, in a file
// (which gets them as they come, more of them than are gathered at once) and in a pipe (which
// gets them when they are settled).
TEST(RecordCsv, HeldRowsLeaveAsWrittenOrStayInAFileAndInAPipe) {
  const auto entry = [](int ANumber) {
    TDumpEntry e;
    e.ClockNumber = 1;
    e.Record = Record(std::to_string(10000 + ANumber), "1405/09/17", "08:05");
    e.Day = RecordDay("1405/09/17", Solar, 1405);
    e.Record.RecType1 = "00";
    e.Record.RecType2 = "00";
    return e;
  };
  // 3000 rows are more than one gathered piece.
  constexpr int kStaying = 3000;
  constexpr int kLeaving = 2;
  std::string expected = "clock,card,date,time,date_gregorian,event,type1,type2,sequence,"
                         "left_clock,picture,picture_status\n";
  expected += TRecordCsvFile::Row(entry(0), true);
  for (int i = 1; i <= kStaying; ++i) expected += TRecordCsvFile::Row(entry(i), false);
  for (int i = 1; i <= kLeaving; ++i) expected += TRecordCsvFile::Row(entry(kStaying + i), true);
  expected += TRecordCsvFile::Row(entry(-1), true);

  const auto writeAll = [&](const std::string& APath) {
    std::string error;
    TRecordCsvFile csv;
    ASSERT_TRUE(csv.Open(APath, false, error)) << error;
    ASSERT_TRUE(csv.Write(entry(0), true, error) && csv.Sync(error)) << error;
    for (int i = 1; i <= kStaying; ++i) ASSERT_TRUE(csv.WriteHeld(entry(i), error)) << error;
    ASSERT_TRUE(csv.SettleHeld(false, error)) << error;
    for (int i = 1; i <= kLeaving; ++i)
      ASSERT_TRUE(csv.WriteHeld(entry(kStaying + i), error)) << error;
    ASSERT_TRUE(csv.SettleHeld(true, error)) << error;
    // Nothing held: settling again changes nothing.
    ASSERT_TRUE(csv.SettleHeld(false, error)) << error;
    ASSERT_TRUE(csv.Write(entry(-1), true, error) && csv.Close(error)) << error;
  };

  QTemporaryDir dir;
  const std::string file = dir.path().toStdString() + "/records.csv";
  writeAll(file);
  EXPECT_EQ(Contents(file), expected);

  const std::string pipe = dir.path().toStdString() + "/records.fifo";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string piped;
  std::thread reader([&] { piped = Contents(pipe); });
  writeAll(pipe);
  reader.join();
  EXPECT_EQ(piped, expected);
}

// Rows to write again as staying are not rewritten when another program wrote to the file
// meanwhile: the settling fails and says why, and the file keeps what the other one wrote.
TEST(RecordCsv, HeldRowsAreNotRewrittenOverAnotherProgramsWriting) {
  QTemporaryDir dir;
  const std::string path = dir.path().toStdString() + "/records.csv";
  TDumpEntry e;
  e.Record = Record("123", "1405/09/17", "08:05");
  e.Day = RecordDay("1405/09/17", Solar, 1405);
  std::string error;
  TRecordCsvFile csv;
  ASSERT_TRUE(csv.Open(path, false, error)) << error;
  ASSERT_TRUE(csv.WriteHeld(e, error) && csv.Sync(error)) << error;
  std::ofstream(path, std::ios::app) << "someone else\n";
  EXPECT_FALSE(csv.SettleHeld(false, error));
  EXPECT_NE(error.find("another program changed it"), std::string::npos) << error;
  const std::string contents = Contents(path);
  EXPECT_NE(contents.find(TRecordCsvFile::Row(e, true) + "someone else\n"), std::string::npos)
      << contents;
}

}  // namespace
