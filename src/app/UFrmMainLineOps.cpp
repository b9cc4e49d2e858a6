// The main window's work on the line's clocks: detection and the reading of records.
#include <QString>

#include "DumpDates.h"
#include "GeneralUtilities.h"
#include "UFrmMain.h"
#include "connections/ConnectionList.h"
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

std::string Trimmed(const std::string& S) {
  const auto first = S.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return S.substr(first, S.find_last_not_of(' ') - first + 1);
}

// Format(ATemplate, [AValue]) for the one "%d" of a message.
std::string FormatNumber(const std::string& ATemplate, int AValue) {
  std::string text = ATemplate;
  const auto at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(AValue));
  return text;
}
}  // namespace

void TFrmMain::DetectAndList(TClockSearchType ASearchType) {
  TClockSet& line = Line();
  {
    // A bus scan asks up to MaxClockNumber clock numbers, which takes minutes: the window shows
    // the number being asked.
    const bool busScan =
        ASearchType == cstKRTalFast || ASearchType == cstKRTal || ASearchType == cstKREmber;
    struct TProbeDisplay {
      TClockSet& Line;
      ~TProbeDisplay() { Line.OnProbeClock = nullptr; }
    } display{line};
    if (busScan)
      line.OnProbeClock = [this, &line](std::int32_t AClockNumber) {
        ShowProbedClock(AClockNumber, line.MaxClockNumber);
      };
    line.DetectClocks(ASearchType);
  }
  // By index: the clocks' waits let other window events run, and the list is read afresh.
  for (std::size_t i = 0; i < line.Clocks().size(); ++i) {
    TBasicClock& clock = *line.Clocks()[i];
    if (!IsListedClock(clock.ClockType, ui->comBoxSearchType->currentIndex())) continue;
    std::string dateTime;
    if (ASearchType == cstKRMira) {
      // The face terminal's date and time, read during its detection.
      dateTime = clock.MiraClockDateStr.str() + kDateTimeBreak + clock.MiraClockTimeStr.str();
    } else {
      TDateStr date;
      TTimeStr time;
      clock.GetDateTime(date, time);
      dateTime = date.str() + kDateTimeBreak + time.str();
    }
    if (i >= line.Clocks().size() || line.Clocks()[i].get() != &clock) break;
    AddClockItem(clock, dateTime);
  }
}

bool TFrmMain::LineIsEmpty() {
  return Line().IsEmpty();
}

bool TFrmMain::GetRecordFromClock() {
  bool result = true;
  TClockSet& line = Line();
  TBasicClock* first = ClockAt(line, 0);
  if (!first) {
    StopReading();
    return false;
  }
  TVexRecord record;
  first->GetRecord(record);

  // The third record read in one dump is the last.
  if (FReadCnt > 1) {
    result = false;
    StopReading();
  } else if (!Trimmed(record.Data).empty()) {
    ++FReadCnt;
  }

  TBasicClock* clock = ClockAt(line, line.CurrentClock());
  if (!clock) return false;
  if (clock->LastError() == ceClockEmpty) {
    result = false;
    StopReading();
  }
  if (clock->LastError() == ceNoError) {
    try {
      const std::string clockDate = clock->Date();
      ConvertRecordDate(clockDate, FCurrentYear, record.Date);
    } catch (const std::exception&) {
      // The record keeps the date the clock gave.
    }
  }

  if (clock->LastError() == ceClockDisconnected) {
    for (const auto& each : line.Clocks()) {
      if (each->LastError() != ceClockDisconnected) continue;
      ShowMessageDlg(FormatNumber(TranslateText("ساعت شماره %d قطع ميباشد"), each->ClockNumber),
                     mtError, mbOK, 0);
      break;
    }
    return result;
  }
  if (record.KartNo.empty()) {
    ++UnsuccefullReadCount;
    return result;
  }

  const std::int32_t sequence = line.CheckSequenceCode();
  if (sequence == -1) {
    clock->NextRecord();
  } else if (sequence == 0 || sequence == 1) {
    UnsuccefullReadCount = 0;
    // Listed (and its picture stored) before the clock is told to release it: when listing
    // fails, the record stays on the clock.
    AddToList(record);
    clock->NextRecord();
  }
  return true;
}
