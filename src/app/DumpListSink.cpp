#include "DumpListSink.h"

#include <QTreeWidget>

#include "DumpDates.h"
#include "GeneralUtilities.h"
#include "calendar/VexDateTime.h"

namespace {
// Format(ATemplate, [AValue]) for the one "%d" of a message.
std::string FormatNumber(const std::string& ATemplate, int AValue) {
  std::string text = ATemplate;
  const auto at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(AValue));
  return text;
}
}  // namespace

TDumpListSink::TDumpListSink(QTreeWidget& AList, std::function<std::string()> AClockDate,
                             std::string ACurrentYear)
    : FList(AList), FClockDate(std::move(AClockDate)), FCurrentYear(std::move(ACurrentYear)) {}

bool TDumpListSink::Persist(const TDumpEntry& AEntry, std::string&) {
  TVexRecord shown = AEntry.Record;
  try {
    ConvertRecordDate(FClockDate(), FCurrentYear, shown.Date);
  } catch (const std::exception&) {
    // The record is listed with the date the clock gave.
  }
  AddRow(FList, shown);
  return true;
}

void TDumpListSink::Notice(const TDumpNotice& ANotice) {
  if (ANotice.Kind != TDumpNoticeKind::ClockDisconnected || FDisconnectedShown) return;
  FDisconnectedShown = true;
  ShowMessageDlg(FormatNumber(TranslateText("ساعت شماره %d قطع ميباشد"), ANotice.ClockNumber),
                 mtError, mbOK, 0);
}

void TDumpListSink::AddRow(QTreeWidget& AList, const TVexRecord& ARecord) {
  auto* item = new QTreeWidgetItem(&AList);
  item->setText(0, TranslateQ(RecordEventText(ARecord.RecType1, ARecord.RecType2)));
  item->setText(1, QString::fromStdString(ARecord.KartNo));
  item->setText(2, QString::fromStdString(ARecord.Time));
  item->setText(3, QString::fromStdString(DateStrToShortDate(ARecord.Date, 0)));
  for (int column = 1; column <= 3; ++column) item->setTextAlignment(column, Qt::AlignCenter);
  AList.setCurrentItem(item);
  AList.scrollToItem(item);
}
