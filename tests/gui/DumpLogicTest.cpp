// The pieces of the detection and the dump that decide what the lists show: the captions of the
// clocks, and the row and calendar of a record.
#include <QTreeWidget>

#include "DumpDates.h"
#include "DumpListSink.h"
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

TEST(RecordDate, ListedInFullInTheComputersCalendar) {
  struct Case {
    const char* ClockDate;
    const char* CurrentYear;
    const char* Date;
    const char* Listed;
  };
  const Case cases[] = {
      // Converted: the century is the computer's calendar's.
      {"2024/05/01", "1403", "240501", "1403/02/12"},
      {"1403/02/12", "2024", "030212", "2024/05/01"},
      // Kept: the clock's century, in either calendar.
      {"1405/01/15", "1405", "050115", "1405/01/15"},
      {"2024/05/01", "2026", "240501", "2024/05/01"},
      // A clock's date that cannot be read leaves the computer's century.
      {"", "1405", "050115", "1405/01/15"},
      {"20x4/05/01", "1403", "030212", "1403/02/12"},
      // A date that has its year in full keeps it.
      {"1403/09/17", "1403", "1403/09/17", "1403/09/17"},
      // Nothing to list.
      {"1403/09/17", "1403", "", ""},
  };
  SetShortDateFormat("YYYY/MM/DD");
  for (const Case& c : cases) {
    EXPECT_EQ(RecordListDate(c.ClockDate, c.CurrentYear, c.Date), c.Listed)
        << c.ClockDate << ", year " << c.CurrentYear << ", " << c.Date;
  }
}

class RecordListTest : public WindowsFixture {
 protected:
  void SetUp() override { ShowMain(); }
  static TDumpEntry Entry(const char* ACard, const char* ADate, const char* ATime,
                          const char* AType1 = "00", const char* AType2 = "03") {
    TDumpEntry entry;
    entry.Record.KartNo = ACard;
    entry.Record.Date = ADate;
    entry.Record.Time = ATime;
    entry.Record.RecType1 = AType1;
    entry.Record.RecType2 = AType2;
    return entry;
  }
  QTreeWidget* List() const { return Find<QTreeWidget>("LvDumRecord"); }
  QStringList Column(int AColumn) const {
    QStringList texts;
    for (int i = 0; i < List()->topLevelItemCount(); ++i)
      texts << List()->topLevelItem(i)->text(AColumn);
    return texts;
  }
};

TEST_F(RecordListTest, RowShowsTypeCardTimeFullDateLeaveAndPicture) {
  TDumpListSink sink(*List(), [] { return std::string("1403/09/18"); }, "1403");
  std::string error;
  TDumpEntry first = Entry("000123", "030212", "08:05", "00", "02");
  ASSERT_TRUE(sink.Persist(first, error));
  first.Leave = TRecordLeave::Left;
  sink.Settled(first);
  TDumpEntry second = Entry("77", "030212", "17:30", "01", "03");
  second.Picture = TPictureOutcome::TransferFailed;
  ASSERT_TRUE(sink.Persist(second, error));
  sink.Settled(second);  // refused: it stays on the clock

  ASSERT_EQ(List()->topLevelItemCount(), 2);
  const QTreeWidgetItem* row = List()->topLevelItem(0);
  EXPECT_EQ(row->text(TDumpListSink::colEvent), QString("خروج"));
  EXPECT_EQ(row->text(TDumpListSink::colCard), QString("000123"));
  EXPECT_EQ(row->text(TDumpListSink::colTime), QString("08:05"));
  EXPECT_EQ(row->text(TDumpListSink::colDate), QString("1403/02/12"));
  EXPECT_EQ(Column(TDumpListSink::colLeft), QStringList({"بله", "خیر، روی ساعت ماند"}));
  EXPECT_EQ(Column(TDumpListSink::colPicture), QStringList({"", "دریافت نشد"}));
  EXPECT_EQ(List()->topLevelItem(1)->text(TDumpListSink::colEvent), QString("مرخصي"));
  EXPECT_EQ(sink.PicturesFailed(), 1);
  // The newest row is selected.
  EXPECT_EQ(List()->currentItem(), List()->topLevelItem(1));
}

TEST_F(RecordListTest, RecordsTakenWithTheirBlockShowWhereTheDumpLeftThem) {
  // Three records of an HDLC block, one of them a repeat the clock declined (released, not
  // listed); the block left when the next was asked for. The fourth record could not be kept.
  TDumpListSink sink(*List(), [] { return std::string("1403/09/18"); }, "1403");
  TDumpResult result;
  std::string error;
  for (const char* card : {"11", "12", "13", "14"}) {
    TDumpEntry entry = Entry(card, "030917", "10:00");
    entry.Release = TRecordRelease::HdlcBlock;
    entry.Repeat = std::string(card) == "12";
    const bool failed = std::string(card) == "14";
    if (!entry.Repeat && !failed) {
      ASSERT_TRUE(sink.Persist(entry, error));
      entry.Leave = TRecordLeave::Pending;
    }
    if (!failed) sink.Settled(entry);
    entry.Leave = failed ? TRecordLeave::Stays : TRecordLeave::Left;
    result.Entries.push_back(entry);
  }
  result.Stop = TDumpStop::SinkFailed;
  EXPECT_EQ(Column(TDumpListSink::colCard), QStringList({"11", "13"}));
  EXPECT_EQ(Column(TDumpListSink::colLeft), QStringList({"با بلوک بعدی", "با بلوک بعدی"}));
  sink.Finish(result);
  EXPECT_EQ(Column(TDumpListSink::colLeft), QStringList({"بله", "بله"}));
  ASSERT_EQ(sink.Entries().size(), 2u);
  EXPECT_EQ(sink.Entries()[1].Leave, TRecordLeave::Left);
}

}  // namespace
