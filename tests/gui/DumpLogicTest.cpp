// The pieces of the detection and the dump that decide what the lists show: the captions of the
// clocks, and the row and calendar of a record.
#include <QTreeWidget>

#include "DumpDates.h"
#include "GuiFixture.h"
#include "calendar/DateValue.h"

namespace {

TEST(ClockListing, CaptionHasFourLinesEndingInLineFeedCarriageReturn) {
  EXPECT_EQ(TFrmMain::ClockItemCaption("KR-TAL", "VER 3.1", "1405/09/18\n\r10:15"),
            "KR-TAL\n\rVER 3.1\n\r1405/09/18\n\r10:15");
  EXPECT_EQ(DisplayText("KR-TAL\n\rVER 3.1\n\r1405/09/18\n\r10:15"),
            QString("KR-TAL\nVER 3.1\n1405/09/18\n10:15"));
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

}  // namespace
