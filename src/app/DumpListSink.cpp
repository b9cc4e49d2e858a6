#include "DumpListSink.h"

#include <QTreeWidget>
#include <algorithm>

#include "DumpDates.h"
#include "GeneralUtilities.h"
#include "utils/OutputText.h"

namespace {
// Format(ATemplate, [AValue]) for the one "%d" of a message.
std::string FormatNumber(const std::string& ATemplate, int AValue) {
  std::string text = ATemplate;
  const auto at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(AValue));
  return text;
}

// The item data that holds a row's entry number, and the untranslated source of a text.
constexpr int kEntryTagRole = Qt::UserRole + 1;
constexpr int kSourceRole = Qt::UserRole + 2;

// Entry numbers are never reused, so that a sink never takes another dump's row for its own.
std::uint64_t& NextTag() {
  static std::uint64_t tag = 1;
  return tag;
}

bool IsFailedPicture(TPictureOutcome APicture) {
  return APicture == TPictureOutcome::TransferFailed || APicture == TPictureOutcome::StoreFailed;
}
}  // namespace

TDumpListSink::TDumpListSink(QTreeWidget& AList, std::function<std::string()> AClockDate,
                             std::string ACurrentYear)
    : FList(AList),
      FClockDate(std::move(AClockDate)),
      FCurrentYear(std::move(ACurrentYear)),
      FFirstTag(NextTag()) {}

bool TDumpListSink::Persist(const TDumpEntry& AEntry, std::string&) {
  std::string clockDate;
  try {
    clockDate = FClockDate();
  } catch (const std::exception&) {
    // Without the clock's date the record keeps the calendar it came in.
  }
  AddRow(FList, AEntry, RecordListDate(clockDate, FCurrentYear, AEntry.Record.Date));
  FList.topLevelItem(FList.topLevelItemCount() - 1)
      ->setData(colCard, kEntryTagRole, QVariant::fromValue(FFirstTag + FEntries.size()));
  FEntries.push_back(AEntry);
  NextTag() = FFirstTag + FEntries.size();
  if (OnChanged) OnChanged();
  return true;
}

void TDumpListSink::Settled(const TDumpEntry& AEntry) {
  // A repeat is released without being kept, and so is not listed.
  if (AEntry.Repeat || FEntries.empty()) return;
  FEntries.back().Leave = AEntry.Leave;
  ShowLeave(FEntries.size() - 1);
  if (OnChanged) OnChanged();
}

void TDumpListSink::Finish(const TDumpResult& AResult) {
  // The entries kept are the result's entries without the repeats and without the one the sink
  // or the picture store failed to keep, in the same order.
  std::vector<const TDumpEntry*> kept;
  for (const TDumpEntry& entry : AResult.Entries)
    if (!entry.Repeat) kept.push_back(&entry);
  if (AResult.Stop == TDumpStop::SinkFailed && !kept.empty()) kept.pop_back();
  if (kept.size() != FEntries.size()) return;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    FEntries[i].Leave = kept[i]->Leave;
    ShowLeave(i);
  }
  if (OnChanged) OnChanged();
}

int TDumpListSink::PicturesFailed() const {
  const std::vector<TDumpEntry> listed = Entries();
  return static_cast<int>(std::count_if(listed.begin(), listed.end(), [](const TDumpEntry& e) {
    return IsFailedPicture(e.Picture);
  }));
}

QTreeWidgetItem* TDumpListSink::Row(std::size_t AIndex) const {
  const QVariant tag = QVariant::fromValue(FFirstTag + AIndex);
  for (int i = FList.topLevelItemCount() - 1; i >= 0; --i) {
    QTreeWidgetItem* row = FList.topLevelItem(i);
    if (row->data(colCard, kEntryTagRole) == tag) return row;
  }
  return nullptr;
}

std::vector<TDumpEntry> TDumpListSink::Entries() const {
  std::vector<TDumpEntry> listed;
  for (std::size_t i = 0; i < FEntries.size(); ++i)
    if (Row(i)) listed.push_back(FEntries[i]);
  return listed;
}

void TDumpListSink::ShowLeave(std::size_t AIndex) {
  if (QTreeWidgetItem* row = Row(AIndex)) ShowTexts(*row, FEntries[AIndex]);
}

void TDumpListSink::Notice(const TDumpNotice& ANotice) {
  if (ANotice.Kind != TDumpNoticeKind::ClockDisconnected || FDisconnectedShown) return;
  FDisconnectedShown = true;
  ShowMessageDlg(FormatNumber(TranslateText("ساعت شماره %d قطع ميباشد"), ANotice.ClockNumber),
                 mtError, mbOK, 0);
}

QString TDumpListSink::LeaveText(TRecordLeave ALeave) {
  switch (ALeave) {
    case TRecordLeave::Left:
      return TranslateQ("بله");
    case TRecordLeave::Pending:
      return TranslateQ("با بلوک بعدی");
    case TRecordLeave::Stays:
      break;
  }
  return TranslateQ("خیر، روی ساعت ماند");
}

QString TDumpListSink::PictureText(TPictureOutcome APicture) {
  switch (APicture) {
    case TPictureOutcome::Stored:
      return TranslateQ("ذخیره شد");
    case TPictureOutcome::TransferFailed:
      return TranslateQ("دریافت نشد");
    case TPictureOutcome::StoreFailed:
      return TranslateQ("ذخیره نشد");
    case TPictureOutcome::NotKept:
      return TranslateQ("نگه داشته نشد");
    case TPictureOutcome::None:
      break;
  }
  return QString();
}

void TDumpListSink::ShowTexts(QTreeWidgetItem& ARow, const TDumpEntry& AEntry) {
  // The row keeps what its texts say, untranslated, for a later change of language.
  const std::string_view event = EntryEventText(AEntry);
  ARow.setData(colEvent, kSourceRole,
               QString::fromUtf8(event.data(), static_cast<qsizetype>(event.size())));
  ARow.setData(colLeft, kSourceRole, static_cast<int>(AEntry.Leave));
  ARow.setData(colPicture, kSourceRole, static_cast<int>(AEntry.Picture));
  Retranslate(ARow);
}

void TDumpListSink::Retranslate(QTreeWidgetItem& ARow) {
  ARow.setText(colEvent, TranslateQ(ARow.data(colEvent, kSourceRole).toString().toStdString()));
  ARow.setText(colLeft,
               LeaveText(static_cast<TRecordLeave>(ARow.data(colLeft, kSourceRole).toInt())));
  ARow.setText(
      colPicture,
      PictureText(static_cast<TPictureOutcome>(ARow.data(colPicture, kSourceRole).toInt())));
}

void TDumpListSink::Retranslate(QTreeWidget& AList) {
  for (int i = 0; i < AList.topLevelItemCount(); ++i) Retranslate(*AList.topLevelItem(i));
}

void TDumpListSink::AddRow(QTreeWidget& AList, const TDumpEntry& AEntry, const std::string& ADate) {
  const TVexRecord& record = AEntry.Record;
  auto* item = new QTreeWidgetItem(&AList);
  item->setText(colCard, QString::fromStdString(ReadableText(EntryCardText(AEntry))));
  item->setText(colTime, QString::fromStdString(record.Time));
  item->setText(colDate, QString::fromStdString(ADate));
  ShowTexts(*item, AEntry);
  if (!AEntry.PicturePath.empty())
    item->setToolTip(colPicture, QString::fromStdString(AEntry.PicturePath));
  if (IsFailedPicture(AEntry.Picture)) item->setForeground(colPicture, Qt::red);
  for (int column = colCard; column < kColumnCount; ++column)
    item->setTextAlignment(column, Qt::AlignCenter);
  AList.setCurrentItem(item);
  AList.scrollToItem(item);
}
