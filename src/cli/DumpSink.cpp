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
}  // namespace

TCliDumpSink::TCliDumpSink(TRecordCsvFile* ACsv, std::string ACsvName, bool AJson,
                           std::ostream& AOut, std::ostream& AErr)
    : FCsv(ACsv), FCsvName(std::move(ACsvName)), FJson(AJson), FOut(AOut), FErr(AErr) {}

std::string TCliDumpSink::JsonEntry(const TDumpEntry& AEntry) {
  const TVexRecord& r = AEntry.Record;
  const std::string sequence = r.SequenceCode == '\0' ? "" : std::string(1, r.SequenceCode);
  std::string json = "{\"clock\":" + std::to_string(AEntry.ClockNumber) +
                     ",\"card\":" + JsonString(r.KartNo) + ",\"date\":" +
                     JsonString(AEntry.Day.Date) + ",\"time\":" + JsonString(EntryTimeText(AEntry)) +
                     ",\"date_gregorian\":" + JsonString(AEntry.Day.Gregorian) +
                     ",\"event\":" + JsonString(EntryEventText(AEntry)) +
                     ",\"type1\":" + JsonString(r.RecType1) + ",\"type2\":" + JsonString(r.RecType2) +
                     ",\"sequence\":" + JsonString(sequence) +
                     ",\"left_clock\":" + JsonBool(AEntry.Leave == TRecordLeave::Left);
  if (AEntry.Flag != TRecordFlag::None)
    json += ",\"flag\":" + JsonString(RecordFlagName(AEntry.Flag));
  if (!AEntry.PicturePath.empty()) json += ",\"picture\":" + JsonString(AEntry.PicturePath);
  const std::string pictureStatus = PictureStatusText(AEntry);
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
const char* LeftClockWord(bool ALeftClock) {
  return ALeftClock ? "left" : "stays";
}
}  // namespace

std::size_t TCliDumpSink::AppendTextLine(std::string& AOut, const TDumpEntry& AEntry,
                                         bool ALeftClock) {
  const TVexRecord& r = AEntry.Record;
  const auto field = [&AOut](std::string_view AText) {
    AppendReadableText(AOut, AText);
    AOut += '\t';
  };
  field(AEntry.Flag == TRecordFlag::BadRecord ? EntryCardText(AEntry) : r.KartNo);
  field(AEntry.Day.Date);
  field(EntryTimeText(AEntry));
  field(EntryEventText(AEntry));
  field(r.RecType1);
  field(r.RecType2);
  field(std::string_view(&r.SequenceCode, r.SequenceCode == '\0' ? 0 : 1));
  const std::size_t mark = AOut.size();
  AOut += LeftClockWord(ALeftClock);
  AOut += '\n';
  return mark;
}

std::string TCliDumpSink::TMarkedText::Remarked(const char* ALeaving, const char* AStaying) const {
  const std::size_t leavingSize = std::string_view(ALeaving).size();
  std::string out;
  out.reserve(Text.size() + Marks.size() * 2);
  std::size_t from = 0;
  for (const std::size_t mark : Marks) {
    out.append(Text, from, mark - from);
    out += AStaying;
    from = mark + leavingSize;
  }
  out.append(Text, from, std::string::npos);
  return out;
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
  const auto text = [ALeftClock](const TMarkedText& ABatch, const char* ALeaving,
                                 const char* AStaying) {
    return ALeftClock ? ABatch.Text : ABatch.Remarked(ALeaving, AStaying);
  };
  // One sync for the whole batch.
  if (FCsv && (!FCsv->WriteRows(text(FBatchRows, TRecordCsvFile::LeftClockField(true),
                                     TRecordCsvFile::LeftClockField(false)),
                                AError) ||
               !FCsv->Sync(AError))) {
    AError = "cannot write " + FCsvName + ": " + AError;
    return false;
  }
  if (!FJson) {
    FOut << text(FBatchLines, LeftClockWord(true), LeftClockWord(false));
    FOut.flush();
  }
  (ALeftClock ? FWrittenLeaving : FWrittenStaying) += FBatchCount;
  FBatchRows = {};
  FBatchLines = {};
  FBatchCount = 0;
  return true;
}

bool TCliDumpSink::Persist(const TDumpEntry& AEntry, std::string& AError) {
  if (++FKept % kProgressEvery == 0)
    cli::ShowProgress("dump: " + std::to_string(FKept) + " records kept");
  if (AEntry.Release == TRecordRelease::WholeLog) {
    // Nothing leaves the terminal before the commit: the batch waits for it.
    if (FCsv) FBatchRows.Marks.push_back(TRecordCsvFile::AppendRow(FBatchRows.Text, AEntry, true));
    if (!FJson) FBatchLines.Marks.push_back(AppendTextLine(FBatchLines.Text, AEntry, true));
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
