// The pieces of the detection and the dump that decide what the lists show: which clocks are
// listed, their captions, the event type and calendar of a record, and where its picture goes.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTreeWidget>

#include "DumpDates.h"
#include "GuiFixture.h"
#include "RecordPictures.h"
#include "calendar/ConvertError.h"
#include "calendar/DateValue.h"

namespace {

TEST(ClockListing, FilterFollowsTheSearchType) {
  struct Case {
    TClockType Type;
    int SearchType;
    bool Listed;
  };
  const Case cases[] = {
      {CTUnknown, cstKRTal, false},     {CTUnknown, cstKROptica, false},
      {KRTal, cstKRTal, true},          {MX4100, cstKRTalFast, true},
      {KROpticaClock, cstKRTal, false}, {KROpticaClock, cstKROptica, true},
      {KREmber, cstKRTal, false},       {KREmber, cstKREmberFast, true},
      {KREmber, cstKREmber, true},      {KREmber, cstKROptica, false},
      {KRMiraClock, cstKRMira, true},   {KRMira120Clock, cstKRMira120, true},
      {Lumen, cstKREmber, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TFrmMain::IsListedClock(c.Type, c.SearchType), c.Listed)
        << "type " << int(c.Type) << ", search " << c.SearchType;
}

TEST(ClockListing, CaptionHasFourLinesEndingInLineFeedCarriageReturn) {
  EXPECT_EQ(TFrmMain::ClockItemCaption("KR-TAL", "VER 3.1", "1405/09/18\n\r10:15"),
            "KR-TAL\n\rVER 3.1\n\r1405/09/18\n\r10:15");
  EXPECT_EQ(DisplayText("KR-TAL\n\rVER 3.1\n\r1405/09/18\n\r10:15"),
            QString("KR-TAL\nVER 3.1\n1405/09/18\n10:15"));
}

TEST(RecordType, DecidedByTheSecondCharacterOfEachCode) {
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
    EXPECT_EQ(TFrmMain::RecordTypeText(c.Type1, c.Type2), c.Text) << c.Type1 << "/" << c.Type2;
}

TEST(RecordDate, ShownInTheComputersCalendar) {
  struct Case {
    const char* ClockDate;
    const char* CurrentYear;
    const char* Date;
    const char* Shown;
  };
  const Case cases[] = {
      // A Gregorian clock and a solar computer: 2024-05-01 is solar 1403/02/12.
      {"2024/05/01", "1403", "240501", "030212"},
      {"2024/05/01", "1399", "240501", "030212"},
      // A solar clock and a Gregorian computer: solar 1403/02/12 is 2024-05-01.
      {"1403/02/12", "2024", "030212", "240501"},
      // Today's case: a solar clock and a solar computer in 1405 keep their solar date (the
      // year's last two digits, 05, would have taken the computer for a Gregorian one).
      {"1405/01/15", "1405", "050115", "050115"},
      {"1403/02/12", "1403", "030212", "030212"},
      // Both Gregorian.
      {"2024/05/01", "2026", "240501", "240501"},
      // Nothing to convert, or nothing readable.
      {"2024/05/01", "1403", "", ""},
      {"20x4/05/01", "1403", "240501", "240501"},
      {"2024/05/01", "", "240501", "240501"},
      {"2024/05/01", "1403", "241399", "241399"},
      {"", "1403", "240501", "240501"},
  };
  SetShortDateFormat("YYYY/MM/DD");
  for (const Case& c : cases) {
    TDateStr date = c.Date;
    ConvertRecordDate(c.ClockDate, c.CurrentYear, date);
    EXPECT_EQ(date.str(), c.Shown) << c.ClockDate << ", year " << c.CurrentYear << ", " << c.Date;
  }
}

class RecordListTest : public WindowsFixture {
 protected:
  void SetUp() override { ShowMain(); }
  static TVexRecord Record(const char* ACard, const char* ADate, const char* ATime,
                           const char* AType1 = "00", const char* AType2 = "03") {
    TVexRecord record;
    record.KartNo = ACard;
    record.Date = ADate;
    record.Time = ATime;
    record.RecType1 = AType1;
    record.RecType2 = AType2;
    return record;
  }
  QString Picture(const char* ARelative) const {
    return FilePath(QString("IOImages/") + ARelative);
  }
  static QByteArray Contents(const QString& APath) {
    QFile file(APath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
};

TEST_F(RecordListTest, RowShowsTypeCardTimeAndShortDate) {
  main->AddToList(Record("000123", "1403/02/12", "08:05", "00", "02"));
  main->AddToList(Record("77", "030212", "17:30", "01", "03"));
  auto* list = Find<QTreeWidget>("LvDumRecord");
  ASSERT_EQ(list->topLevelItemCount(), 2);
  const QTreeWidgetItem* first = list->topLevelItem(0);
  EXPECT_EQ(first->text(0), QString("خروج"));
  EXPECT_EQ(first->text(1), QString("000123"));
  EXPECT_EQ(first->text(2), QString("08:05"));
  EXPECT_EQ(first->text(3), QString("03/02/12"));
  EXPECT_EQ(list->topLevelItem(1)->text(0), QString("مرخصي"));
  // The newest row is selected.
  EXPECT_EQ(list->currentItem(), list->topLevelItem(1));
}

TEST_F(RecordListTest, PicturesGoBelowIOImagesByDayWithoutOverwriting) {
  TVexRecord record = Record("000123", "990101", "08:05");
  record.ImageData = std::make_shared<std::string>("first picture");
  main->AddToList(record);
  record.ImageData = std::make_shared<std::string>("second picture");
  main->AddToList(record);
  EXPECT_EQ(Contents(Picture("1399/01/01/123_0805.jpg")), QByteArray("first picture"));
  EXPECT_EQ(Contents(Picture("1399/01/01/123_0805_1.jpg")), QByteArray("second picture"));
  // Two-digit years below 80 are of this century.
  record.Date = "030101";
  record.Time = "0930";
  main->AddToList(record);
  EXPECT_TRUE(QFileInfo::exists(Picture("2003/01/01/123_0930.jpg")));
  EXPECT_EQ(Find<QTreeWidget>("LvDumRecord")->topLevelItemCount(), 3);
}

TEST_F(RecordListTest, RecordWhosePictureCannotBeStoredIsNotListed) {
  TVexRecord record = Record("123", "990101", "08:05");
  record.ImageData = std::make_shared<std::string>("picture");
  // A file where the pictures' folder should be: the picture cannot be written.
  WriteFile("IOImages", "");
  EXPECT_THROW(main->AddToList(record), EPictureWriteError);
  ASSERT_TRUE(QFile::remove(FilePath("IOImages")));
  record.KartNo = "12A";
  EXPECT_THROW(main->AddToList(record), EConvertError);
  EXPECT_EQ(Find<QTreeWidget>("LvDumRecord")->topLevelItemCount(), 0);
}

TEST(CardNumber, ReadAsADecimalNumber) {
  EXPECT_EQ(CardNumberText("000123"), "123");
  EXPECT_EQ(CardNumberText("0"), "0");
  EXPECT_EQ(CardNumberText("0000"), "0");
  EXPECT_EQ(CardNumberText("-0042"), "-42");
  EXPECT_EQ(CardNumberText("9223372036854775807"), "9223372036854775807");
  for (const char* bad : {"", "12 3", "12A", "+", "9223372036854775808", "0x12"})
    EXPECT_THROW(CardNumberText(bad), EConvertError) << bad;
}

}  // namespace
