#include "connections/RecordCsv.h"

#include <charconv>

#include "utils/OutputText.h"

const char* const TRecordCsvFile::kHeader =
    "clock,card,date,time,date_gregorian,event,type1,type2,sequence,left_clock,picture,"
    "picture_status";
const char* const TRecordCsvFile::kByteOrderMark = "\xEF\xBB\xBF";

std::string EntryTimeText(const TDumpEntry& AEntry) {
  return AEntry.Flag == TRecordFlag::None ? RecordTimeText(AEntry.Record)
                                          : AEntry.Record.Time.str();
}

std::string_view PictureStatusText(const TDumpEntry& AEntry) {
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

namespace {
// The fields of AEntry's row in order, into AFields (TPlainFields or TSafeFields); AMark is where
// the left_clock field begins.
template <class TFields>
void RowFields(TFields& AFields, const TDumpEntry& AEntry, bool ALeftClock, std::size_t& AMark) {
  const TVexRecord& r = AEntry.Record;
  char number[16];
  const std::to_chars_result clock =
      std::to_chars(number, number + sizeof number, AEntry.ClockNumber);
  AFields.Own(std::string_view(number, static_cast<std::size_t>(clock.ptr - number)), ',');
  // A bad record has no card of its own: its bytes in hex stand there.
  std::string hex;
  AFields.Field(EntryCardView(AEntry, hex), ',');
  AFields.Field(AEntry.Day.Date, ',');
  AFields.Field(EntryTimeText(AEntry), ',');
  AFields.Own(AEntry.Day.Gregorian, ',');
  AFields.Own(EntryEventText(AEntry), ',');
  AFields.Field(r.RecType1, ',');
  AFields.Field(r.RecType2, ',');
  AFields.Field(EntrySequenceText(AEntry), ',');
  AMark = AFields.Size();
  AFields.Own(TRecordCsvFile::LeftClockField(ALeftClock), ',');
  AFields.Field(AEntry.PicturePath, ',');
  AFields.Field(PictureStatusText(AEntry), '\n');
}
}  // namespace

std::size_t TRecordCsvFile::AppendRow(std::string& AOut, const TDumpEntry& AEntry,
                                      bool ALeftClock) {
  return AppendFieldLine(AOut, TFieldForm::Csv, [&](auto& AFields, std::size_t& AMark) {
    RowFields(AFields, AEntry, ALeftClock, AMark);
  });
}

bool TRecordCsvFile::Open(const std::string& APath, bool AByteOrderMark, std::string& AError) {
  bool empty = false;
  if (!FFile.Open(APath, empty, AError)) return false;
  if (!empty) return true;
  // Written at once, so that a file that takes nothing fails before any record is read; synced
  // with the first rows.
  return FFile.Write((AByteOrderMark ? kByteOrderMark : "") + std::string(kHeader) + "\n",
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

bool TRecordCsvFile::WriteHeld(const TDumpEntry& AEntry, std::string& AError) {
  if (!FFile.CanRewrite()) {
    FHeldRows.Add([&](std::string& AOut) { return AppendRow(AOut, AEntry, true); });
    return true;
  }
  // Positions in the file: what was written, then what is gathered.
  const std::uint64_t written = FFile.Size();
  if (FHeldMarks.empty()) FHeldFrom = written + FGathered.size();
  const std::size_t mark = AppendRow(FGathered, AEntry, true);
  FHeldMarks.push_back(static_cast<std::size_t>(written + mark - FHeldFrom));
  FHeldTo = written + FGathered.size();
  return FGathered.size() < kGatherBytes || WriteGathered(AError);
}

bool TRecordCsvFile::SettleHeld(bool ALeftClock, std::string& AError) {
  if (!FFile.CanRewrite()) {
    if (FHeldRows.Empty()) return true;
    const bool written =
        FHeldRows.WriteOut(!ALeftClock,
                           [&](std::string_view APiece) { return WriteRows(APiece, AError); }) &&
        Sync(AError);
    FHeldRows.Clear();
    return written;
  }
  if (FHeldMarks.empty()) return true;
  bool written = WriteGathered(AError);
  if (written && !ALeftClock) written = RewriteHeldAsStaying(AError);
  written = written && FFile.Sync(AError);
  FHeldMarks.clear();
  return written;
}

bool TRecordCsvFile::RewriteHeldAsStaying(std::string& AError) {
  if (FFile.Size() != FHeldTo) {
    AError = "the rows to rewrite are no longer at its end";
    return false;
  }
  std::string rows;
  std::string rewritten;
  if (!FFile.ReadFrom(FHeldFrom, rows, AError)) return false;
  if (!THeldText::ReplaceMarks(rows, FHeldMarks, LeftClockField(true), LeftClockField(false),
                               rewritten)) {
    AError = "its rows are not as they were written";
    return false;
  }
  return FFile.CutAt(FHeldFrom, AError) && FFile.Write(rewritten, AError);
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
