// The main window's work on the line's clocks: detection and the dump of records.
#include <QString>
#include <algorithm>

#include "AppLog.h"
#include "DumpListSink.h"
#include "GeneralUtilities.h"
#include "UFrmMain.h"
#include "clock/ClockFamilies.h"
#include "connections/ConnectionList.h"
#include "connections/PictureStore.h"
#include "utils/ClockDrift.h"
#include "ui_UFrmMain.h"

namespace {
// Line feed then carriage return: the break between the date and the time of a clock's item.
const char* const kDateTimeBreak = "\n\r";

// The clock at AIndex of the line, or its first clock when there is no such index; nullptr for a
// line without clocks.
TBasicClock* ClockAt(TClockSet& ALine, std::int32_t AIndex) {
  TClockList& clocks = ALine.Clocks();
  if (clocks.empty()) return nullptr;
  if (AIndex < 0 || static_cast<std::size_t>(AIndex) >= clocks.size()) return clocks.front().get();
  return clocks[static_cast<std::size_t>(AIndex)].get();
}

}  // namespace

void TFrmMain::DetectAndList(TClockSearchType ASearchType) {
  TClockSet& line = Line();
  {
    // A bus scan asks up to MaxClockNumber clock numbers, which takes minutes: the window shows
    // the number being asked.
    const bool busScan = ClockFamily(ASearchType).ScansBus;
    struct TProbeDisplay {
      TClockSet& Line;
      ~TProbeDisplay() { Line.OnProbeClock = nullptr; }
    } display{line};
    if (busScan)
      line.OnProbeClock = [this, &line](std::int32_t AClockNumber) {
        ShowProbedClock(AClockNumber, line.MaxClockNumber);
      };
    // The quick scan asks each clock number once with a short timeout.
    line.QuickScan = ui->ChBoxQuickScan->isChecked();
    line.DetectClocks(ASearchType);
  }
  // By index: the clocks' waits let other window events run, and the list is read afresh.
  for (std::size_t i = 0; i < line.Clocks().size(); ++i) {
    TBasicClock& clock = *line.Clocks()[i];
    // The search type shown now: the user may have chosen another one while the clocks were
    // probed.
    const auto shown = static_cast<TClockSearchType>(ui->comBoxSearchType->currentIndex());
    if (!IsListedClock(clock.ClockType, shown)) continue;
    TDateStr date;
    TTimeStr time;
    if (ASearchType == cstKRMira) {
      // The face terminal's date and time, read during its detection.
      date = clock.MiraClockDateStr;
      time = clock.MiraClockTimeStr;
    } else {
      clock.GetDateTime(date, time);
    }
    // How far the clock is from the computer, in seconds: which clocks need setting.
    const std::optional<std::int64_t> drift = ClockDriftNow(date.str(), time.str());
    const std::string driftText =
        drift ? (*drift > 0 ? "+" : "") + std::to_string(*drift) + " s" : std::string("-");
    const std::string dateTime =
        date.str() + kDateTimeBreak + time.str() + kDateTimeBreak + driftText;
    if (i >= line.Clocks().size() || line.Clocks()[i].get() != &clock) break;
    AddClockItem(clock, dateTime);
  }
}

bool TFrmMain::LineIsEmpty() {
  return Line().IsEmpty();
}

void TFrmMain::DumpFirstClock() {
  TClockSet& line = Line();
  TBasicClock* clock = ClockAt(line, 0);
  if (!clock) {
    StopReading();
    return;
  }
  TDumpListSink sink(
      *ui->LvDumRecord, [clock] { return clock->Date().str(); }, FCurrentYear);
  sink.OnChanged = [this, &sink] {
    FListedRecords = sink.Entries();
    ShowRecordCount();
  };
  // The pictures that come with records (the first kind of face terminal sends them along).
  const std::string folder = PictureFolder();
  const TPictureStore pictures(folder);
  TDumpOptions options;
  options.Count = kDumpCount;
  // Card clocks with a camera are asked for each record's picture; one that does not come is
  // listed and counted, and the record goes on without it.
  options.WantPictures = true;
  options.Pictures = folder.empty() ? nullptr : &pictures;
  options.Cancelled = [this] { return ReadStoped; };
  options.OnBreath = [] { ProcessMessages(); };
  const TDumpResult result = TRecordDump(line, *clock, sink, options).Run();
  sink.Finish(result);
  SetStatus(DumpStatus(result, sink.PicturesFailed(), folder));
  switch (result.Stop) {
    case TDumpStop::Cancelled:
      break;
    case TDumpStop::NoAnswer:
      // The timer ends the dump once the line reports that it is empty; a click ends it at once.
      SuspendReading();
      break;
    default:
      StopReading();
      break;
  }
}

std::string TFrmMain::PictureFolder() {
  return UserWritableFolder("IOImages");
}

QString TFrmMain::DumpStatus(const TDumpResult& AResult, int APicturesFailed,
                             const std::string& APictureFolder) const {
  QString status = RecordsReadText(AResult.Kept);
  if (APicturesFailed > 0)
    status += TranslateFormat("، %1 تصویر ناموفق", {QString::number(APicturesFailed)});
  const auto marked =
      std::count_if(AResult.Entries.begin(), AResult.Entries.end(),
                    [](const TDumpEntry& e) { return e.Flag != TRecordFlag::None; });
  if (marked > 0)
    status += TranslateFormat("، %1 رکورد خراب (خام ذخیره شد)", {QString::number(marked)});
  const bool stored = std::any_of(AResult.Entries.begin(), AResult.Entries.end(),
                                  [](const TDumpEntry& e) { return !e.PicturePath.empty(); });
  if (stored)
    status += TranslateFormat("؛ تصاویر در %1", {PathText(QString::fromStdString(APictureFolder))});
  switch (AResult.Stop) {
    case TDumpStop::SinkFailed:
      status += TranslateFormat("؛ ذخیره رکورد ناموفق بود و رکورد روی ساعت ماند: %1",
                                {QString::fromStdString(AResult.Error)});
      break;
    case TDumpStop::NoAnswer:
      status += TranslateQ("؛ ساعت پاسخ نمی دهد");
      break;
    case TDumpStop::ClockFailed:
      status += TranslateFormat("؛ ساعت خوانده نشد: %1", {QString::fromStdString(AResult.Error)});
      break;
    case TDumpStop::RecordHeld:
      status += TranslateQ("؛ ساعت رکورد را نگه داشت");
      break;
    default:
      break;
  }
  return status;
}
