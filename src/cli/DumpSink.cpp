#include "cli/DumpSink.h"

#include <ostream>
#include <string_view>

#include "cli/JsonText.h"
#include "utils/HexText.h"
#include "cli/Progress.h"
#include "utils/OutputText.h"

namespace {
// Records kept between two progress lines.
constexpr int kProgressEvery = 100;

// The last field of a stdout line.
std::string_view LeftClockWord(bool ALeftClock) {
  return ALeftClock ? "left" : "stays";
}
}  // namespace

TCliDumpSink::TCliDumpSink(TRecordCsvFile* ACsv, std::string ACsvName, bool AJson,
                           std::ostream& AOut, std::ostream& AErr)
    : FCsv(ACsv),
      FCsvName(std::move(ACsvName)),
      FJson(AJson),
      FOut(AOut),
      FErr(AErr),
      FBatchLines(LeftClockWord(true), LeftClockWord(false)) {}

std::string TCliDumpSink::JsonEntry(const TDumpEntry& AEntry) {
  const TVexRecord& r = AEntry.Record;
  const std::string sequence(EntrySequenceText(AEntry));
  std::string json = "{\"clock\":" + std::to_string(AEntry.ClockNumber) +
                     ",\"card\":" + JsonString(r.KartNo) + ",\"date\":" +
                     JsonString(AEntry.Day.Date) + ",\"time\":" + JsonString(EntryTimeText(AEntry)) +
                     ",\"date_gregorian\":" + JsonString(AEntry.Day.Gregorian) +
                     ",\"event\":" + JsonString(std::string(EntryEventText(AEntry))) +
                     ",\"type1\":" + JsonString(r.RecType1) + ",\"type2\":" + JsonString(r.RecType2) +
                     ",\"sequence\":" + JsonString(sequence) +
                     ",\"left_clock\":" + JsonBool(AEntry.Leave == TRecordLeave::Left);
  if (AEntry.Flag != TRecordFlag::None)
    json += ",\"flag\":" + JsonString(std::string(RecordFlagName(AEntry.Flag)));
  if (!AEntry.PicturePath.empty()) json += ",\"picture\":" + JsonString(AEntry.PicturePath);
  const std::string pictureStatus(PictureStatusText(AEntry));
  if (!pictureStatus.empty()) json += ",\"picture_status\":" + JsonString(pictureStatus);
  // The record as the clock sent it; a marked record's bytes in hex.
  return json + ",\"raw\":" +
         JsonString(AEntry.Flag == TRecordFlag::None ? r.Data : BytesToHexText(AEntry.Raw)) + "}";
}

std::string TCliDumpSink::TextLine(const TDumpEntry& AEntry, bool ALeftClock) {
  std::string line;
  AppendTextLine(line, AEntry, ALeftClock);
  return line;
}

namespace {
// The fields of AEntry's line in order, into AFields (TPlainFields or TSafeFields); AMark is where
// its last field begins.
template <class TFields>
void LineFields(TFields& AFields, const TDumpEntry& AEntry, bool ALeftClock, std::size_t& AMark) {
  std::string hex;
  AFields.Field(EntryCardView(AEntry, hex), '\t');
  AFields.Field(AEntry.Day.Date, '\t');
  AFields.Field(EntryTimeText(AEntry), '\t');
  AFields.Own(EntryEventText(AEntry), '\t');
  AFields.Field(AEntry.Record.RecType1, '\t');
  AFields.Field(AEntry.Record.RecType2, '\t');
  AFields.Field(EntrySequenceText(AEntry), '\t');
  AMark = AFields.Size();
  AFields.Own(LeftClockWord(ALeftClock), '\n');
}
}  // namespace

std::size_t TCliDumpSink::AppendTextLine(std::string& AOut, const TDumpEntry& AEntry,
                                         bool ALeftClock) {
  return AppendFieldLine(AOut, TFieldForm::Text, [&](auto& AFields, std::size_t& AMark) {
    LineFields(AFields, AEntry, ALeftClock, AMark);
  });
}

bool TCliDumpSink::Write(const TDumpEntry& AEntry, bool ALeftClock, bool ASync,
                         std::string& AError) {
  if (FCsv && (!FCsv->Write(AEntry, ALeftClock, AError) || (ASync && !FCsv->Sync(AError)))) {
    AError = "cannot write " + FCsvName + ": " + AError;
    return false;
  }
  if (!FJson) {
    FOut << TextLine(AEntry, ALeftClock);
    // A record that leaves on its own is shown at once.
    if (ASync) FOut.flush();
  }
  ++(ALeftClock ? FWrittenLeaving : FWrittenStaying);
  return true;
}

bool TCliDumpSink::WriteBatch(bool ALeftClock, std::string& AError) {
  if (FBatchCount == 0) return true;
  // The batch was made as leaving the clock.
  if (FCsv && !FCsv->SettleHeld(ALeftClock, AError)) {
    AError = "cannot write " + FCsvName + ": " + AError;
    return false;
  }
  if (!FJson) {
    FBatchLines.WriteOut(!ALeftClock, [this](std::string_view APiece) {
      FOut << APiece;
      return true;
    });
    FOut.flush();
  }
  (ALeftClock ? FWrittenLeaving : FWrittenStaying) += FBatchCount;
  FBatchLines.Clear();
  FBatchCount = 0;
  return true;
}

bool TCliDumpSink::Persist(const TDumpEntry& AEntry, std::string& AError) {
  if (++FKept % kProgressEvery == 0)
    cli::ShowProgress("dump: " + std::to_string(FKept) + " records kept");
  if (AEntry.Release == TRecordRelease::WholeLog) {
    // Nothing leaves the terminal before the commit: the batch waits for it.
    if (FCsv && !FCsv->WriteHeld(AEntry, AError)) {
      AError = "cannot write " + FCsvName + ": " + AError;
      return false;
    }
    if (!FJson)
      FBatchLines.Add([&](std::string& AOut) { return AppendTextLine(AOut, AEntry, true); });
    ++FBatchCount;
    return true;
  }
  return Write(AEntry, true, true, AError);
}

bool TCliDumpSink::Commit(std::string& AError) {
  return WriteBatch(true, AError);
}

bool TCliDumpSink::Finish(std::string& AError) {
  return WriteBatch(false, AError);
}

void TCliDumpSink::Settled(const TDumpEntry& AEntry) {
  // Written as leaving; a text clock that refused the acknowledgement still holds it.
  if (AEntry.Release == TRecordRelease::OneByOne && AEntry.Leave == TRecordLeave::Stays &&
      !AEntry.Repeat)
    FErr << "clockctl: dump: clock " << AEntry.ClockNumber << " did not release card "
         << ReadableText(AEntry.Record.KartNo)
         << "; it is written and comes again on the next dump\n";
}

void TCliDumpSink::Notice(const TDumpNotice& ANotice) {
  switch (ANotice.Kind) {
    case TDumpNoticeKind::ClockDisconnected:
      if (!FDisconnectedReported)
        FErr << "clockctl: dump: clock " << ANotice.ClockNumber << " is disconnected\n";
      FDisconnectedReported = true;
      break;
    case TDumpNoticeKind::BadRecord:
      FErr << "clockctl: dump: clock " << ANotice.ClockNumber
           << " sent a record that cannot be read; it is written raw (bad-record) and released\n";
      break;
    case TDumpNoticeKind::PictureFailed:
      FErr << "clockctl: dump: clock " << ANotice.ClockNumber
           << ": the picture of a record could not be read; the record is kept without it\n";
      break;
    case TDumpNoticeKind::Waiting:
      cli::ShowProgress("dump: clock " + std::to_string(ANotice.ClockNumber) +
                        " brings nothing; waiting");
      break;
  }
}
