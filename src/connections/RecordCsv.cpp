#include "connections/RecordCsv.h"

#include "utils/OutputText.h"

const char* const TRecordCsvFile::kHeader =
    "clock,card,date,time,date_gregorian,event,type1,type2,sequence,left_clock,picture,"
    "picture_status";
const char* const TRecordCsvFile::kByteOrderMark = "\xEF\xBB\xBF";

std::string EntryTimeText(const TDumpEntry& AEntry) {
  return AEntry.Flag == TRecordFlag::None ? RecordTimeText(AEntry.Record)
                                          : AEntry.Record.Time.str();
}

std::string PictureStatusText(const TDumpEntry& AEntry) {
  switch (AEntry.Picture) {
    case TPictureOutcome::None:
      return "";
    case TPictureOutcome::Stored:
      return "stored";
    case TPictureOutcome::TransferFailed:
      return "failed: the clock's transfer of the picture failed";
    case TPictureOutcome::NotKept:
      return "not-stored: no picture folder was given";
    case TPictureOutcome::StoreFailed:
      return "not-stored: the picture could not be written";
  }
  return "";
}

std::string TRecordCsvFile::Row(const TDumpEntry& AEntry, bool ALeftClock) {
  std::string row;
  AppendRow(row, AEntry, ALeftClock);
  return row;
}

std::size_t TRecordCsvFile::AppendRow(std::string& AOut, const TDumpEntry& AEntry,
                                      bool ALeftClock) {
  const TVexRecord& r = AEntry.Record;
  const auto field = [&AOut](std::string_view AText) {
    AppendSafeCsvField(AOut, AText);
    AOut += ',';
  };
  AOut += std::to_string(AEntry.ClockNumber);
  AOut += ',';
  field(AEntry.Flag == TRecordFlag::BadRecord ? EntryCardText(AEntry) : r.KartNo);
  field(AEntry.Day.Date);
  field(EntryTimeText(AEntry));
  AOut += AEntry.Day.Gregorian;
  AOut += ',';
  field(EntryEventText(AEntry));
  field(r.RecType1);
  field(r.RecType2);
  field(std::string_view(&r.SequenceCode, r.SequenceCode == '\0' ? 0 : 1));
  const std::size_t mark = AOut.size();
  AOut += LeftClockField(ALeftClock);
  AOut += ',';
  field(AEntry.PicturePath);
  AppendSafeCsvField(AOut, PictureStatusText(AEntry));
  AOut += '\n';
  return mark;
}

bool TRecordCsvFile::Open(const std::string& APath, bool AByteOrderMark, std::string& AError) {
  bool empty = false;
  if (!FFile.Open(APath, empty, AError)) return false;
  if (!empty) return true;
  return FFile.Append((AByteOrderMark ? kByteOrderMark : "") + std::string(kHeader) + "\n",
                      AError);
}

namespace {
// Rows gathered before they are written in one piece.
constexpr std::size_t kGatherBytes = 64 * 1024;
}  // namespace

bool TRecordCsvFile::Write(const TDumpEntry& AEntry, bool ALeftClock, std::string& AError) {
  AppendRow(FGathered, AEntry, ALeftClock);
  return FGathered.size() < kGatherBytes || WriteGathered(AError);
}

bool TRecordCsvFile::WriteRows(std::string_view ARows, std::string& AError) {
  if (FGathered.size() + ARows.size() < kGatherBytes) {
    FGathered += ARows;
    return true;
  }
  return WriteGathered(AError) && FFile.Write(ARows, AError);
}

bool TRecordCsvFile::WriteGathered(std::string& AError) {
  if (FGathered.empty()) return true;
  const bool written = FFile.Write(FGathered, AError);
  FGathered.clear();
  return written;
}

bool TRecordCsvFile::Sync(std::string& AError) {
  return WriteGathered(AError) && FFile.Sync(AError);
}

bool TRecordCsvFile::Close(std::string& AError) {
  const bool written = WriteGathered(AError);
  FFile.Close();
  return written;
}

TRecordCsvFile::~TRecordCsvFile() {
  std::string ignored;
  Close(ignored);
}
