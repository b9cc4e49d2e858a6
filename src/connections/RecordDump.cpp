#include "connections/RecordDump.h"

#include <algorithm>
#include <memory>

#include "clock/VexClock.h"
#include "connections/ClockSet.h"
#include "connections/PictureStore.h"
#include "calendar/VexDateTime.h"
#include "platform/Deadline.h"
#include "platform/Platform.h"
#include "utils/HexText.h"
#include "utils/SystemDate.h"

namespace {
// The current year in ACalendar: two-digit record years are read in the century nearest to it.
int CurrentYear(TDateType ACalendar) {
  try {
    if (ACalendar == Solar) return SolarToday().Year;
    int year = 0, month = 0, day = 0;
    DecodeDate(Today(), year, month, day);
    return year;
  } catch (const std::exception&) {
    return ACalendar == Solar ? 1400 : 2000;
  }
}
}  // namespace

TRecordDump::TRecordDump(TClockSet& ALine, TBasicClock& AClock, IDumpSink& ASink,
                         TDumpOptions AOptions)
    : FLine(ALine),
      FClock(AClock),
      FSink(ASink),
      FOptions(std::move(AOptions)),
      FRelease(RecordReleaseOf(AClock.ClockType, ALine.Protocol())),
      FSolarYear(CurrentYear(Solar)),
      FGregorianYear(CurrentYear(Christian)) {}

bool TRecordDump::Cancelled() const {
  return FOptions.Cancelled && FOptions.Cancelled();
}

void TRecordDump::Breathe() const {
  if (FOptions.OnBreath) FOptions.OnBreath();
}

bool TRecordDump::Pause(std::uint32_t AMs) const {
  const TDeadline pause(AMs);
  for (;;) {
    Breathe();
    if (Cancelled()) return false;
    if (pause.expired()) return true;
    platform::Clock().sleep(std::min(pause.remaining(), kPauseStepMs));
  }
}

void TRecordDump::Notify(TDumpNoticeKind AKind) const {
  FSink.Notice({AKind, FClock.ClockNumber, FFruitless});
}

TDumpResult TRecordDump::Run() {
  TDumpResult result;
  // Pictures are fetched only when they are wanted: a transfer takes seconds.
  if (FOptions.WantPictures && !FLine.GetIOImage()) FLine.ChangeGetIOImage(true);
  for (;;) {
    Breathe();
    if (Cancelled()) {
      result.Stop = TDumpStop::Cancelled;
      break;
    }
    if (FOptions.Count > 0 && result.Kept >= FOptions.Count && !MustFinishRelease()) {
      result.Stop = TDumpStop::CountReached;
      break;
    }
    if (ReadOne(result) == TPass::Stop) break;
  }
  // A terminal clears its whole log when a read after the last record handed out finds nothing
  // new: the records taken have left with it.
  if (FRelease == TRecordRelease::WholeLog && result.Stop == TDumpStop::ClockEmpty)
    PendingLeft(result, true);
  result.LastError = FClock.LastError();
  return result;
}

bool TRecordDump::MustFinishRelease() {
  if (!FOptions.FinishRelease || FPendingCount == 0) return false;
  // The rest of the block is in the clock object's buffer.
  if (FRelease == TRecordRelease::HdlcBlock) return true;
  if (FRelease != TRecordRelease::WholeLog) return false;
  // The adapter holds the terminal's log; a read does not take the record. Nothing past the
  // count: the next pass finds the log used up, and it is cleared.
  const TVexRecord next = FClock.GetRecord();
  return next.KartNo.empty() && next.Fault.empty();
}

bool TRecordDump::LineEmpty(TDumpResult& AResult, bool& AStop) {
  AStop = false;
  if (FRelease == TRecordRelease::WholeLog && FUncommitted) {
    std::string problem;
    if (!FSink.Commit(problem)) {
      AResult.Stop = TDumpStop::SinkFailed;
      AResult.Error = problem;
      AStop = true;
      return false;
    }
    FUncommitted = false;
  }
  return FLine.IsEmpty();
}

TDateType TRecordDump::RecordCalendar() {
  if (FLine.Protocol() == ptHdlc) return FClock.DeviceCalendarType();
  // The text clocks date their records by their own date's year; the date is read again only
  // when it changed.
  const TDateStr& known = FClock.LastKnownDate();
  if (!FKnownDate || FKnownDate->Date != known) {
    TDateParts parts;
    const bool christian = StrToDateParts(known, parts, 0) != dfNone && parts.Year > 1800;
    FKnownDate = TKnownDate{known, christian ? Christian : Solar};
  }
  return FKnownDate->Calendar;
}

const TRecordDay& TRecordDump::DayOf(const std::string& ADate, TDateType ACalendar) {
  if (!FLastDay || FLastDay->Date != ADate || FLastDay->Calendar != ACalendar) {
    FLastDay = TDayOfDate{ADate, ACalendar,
                          RecordDay(ADate, ACalendar,
                                    ACalendar == Solar ? FSolarYear : FGregorianYear)};
  }
  return FLastDay->Day;
}

TDumpEntry& TRecordDump::NextEntry() {
  // Field by field rather than anew: the texts keep their storage from one record to the next.
  TDumpEntry& entry = FEntry;
  entry.Day.Date.clear();
  entry.Day.Gregorian.clear();
  entry.Day.Valid = false;
  entry.ClockNumber = FClock.ClockNumber;
  entry.Release = FRelease;
  entry.Picture = TPictureOutcome::None;
  entry.PicturePath.clear();
  entry.Repeat = false;
  entry.Flag = TRecordFlag::None;
  entry.Raw.clear();
  entry.Leave = TRecordLeave::Stays;
  return entry;
}

TRecordDump::TPass TRecordDump::ReadOne(TDumpResult& AResult) {
  TDumpEntry& entry = NextEntry();
  TVexRecord& record = entry.Record;
  FClock.GetRecord(record);
  const TClockError error = FClock.LastError();
  if (error == ceClockEmpty) {
    AResult.Stop = TDumpStop::ClockEmpty;
    return TPass::Stop;
  }
  if (!record.Fault.empty()) {
    // A record that failed the checks of its kind: kept as the clock gave it, marked.
    entry.Flag = record.ImpossibleDate ? TRecordFlag::BadDate : TRecordFlag::BadRecord;
  } else if (record.KartNo.empty()) {
    if (error == ceClockDisconnected) Notify(TDumpNoticeKind::ClockDisconnected);
    // The clock sent something that is no record on every try: kept raw, then released, as the
    // line's bad-record log does; left on the clock it would come first at every dump for ever.
    if (error != ceBadRecord) return Fruitless(AResult);
    entry.Flag = TRecordFlag::BadRecord;
  }
  if (entry.Flag != TRecordFlag::None) entry.Raw = record.Data;
  FFruitless = 0;
  ++AResult.Read;
  if (entry.Flag == TRecordFlag::BadRecord) {
    ++AResult.BadRecords;
    Notify(TDumpNoticeKind::BadRecord);
  }
  // A marked record keeps its date as the clock gave it.
  if (entry.Flag == TRecordFlag::None) {
    entry.Day = DayOf(record.Date, RecordCalendar());
  } else {
    entry.Day.Date = record.Date;
  }
  // The clock may decline a record (-1: a repeat, released unkept) or hold it back (any other
  // value than 0 and 1).
  const int sequence = FClock.CheckSequence();
  if (sequence == -1) {
    entry.Repeat = true;
    Release(File(AResult, entry), AResult);
    return TPass::Next;
  }
  if (sequence != 0 && sequence != 1) {
    AResult.Stop = TDumpStop::RecordHeld;
    return TPass::Stop;
  }

  if (Cancelled()) {
    AResult.Stop = TDumpStop::Cancelled;
    return TPass::Stop;
  }
  // What came unreadable names no picture of its own.
  if (entry.Flag != TRecordFlag::BadRecord) FetchPicture(record, entry);
  std::string problem;
  const bool pictureKept = KeepPicture(record, entry, problem);
  record.ImageData.reset();
  // A picture that could not be stored keeps its record on the clock, as a row that could not be
  // written does.
  if (!pictureKept || !FSink.Persist(entry, problem)) {
    File(AResult, entry, true);
    AResult.Stop = TDumpStop::SinkFailed;
    AResult.Error = problem;
    return TPass::Stop;
  }
  ++AResult.Kept;
  FUncommitted = true;
  // Kept: now the clock may forget it.
  Release(File(AResult, entry), AResult);
  return TPass::Next;
}

TRecordDump::TPass TRecordDump::Fruitless(TDumpResult& AResult) {
  ++FFruitless;
  // A terminal's status query fetches its log anew (and clears it once everything fetched was
  // handed out): a read that brings nothing asks it at once.
  bool failed = false;
  if (FRelease == TRecordRelease::WholeLog) {
    if (LineEmpty(AResult, failed)) {
      AResult.Stop = TDumpStop::ClockEmpty;
      return TPass::Stop;
    }
    if (failed) return TPass::Stop;
    // A log that could not be read tells nothing of what the terminal holds: the dump ends and
    // says why, with nothing more released.
    const std::string problem = FClock.LogProblem();
    if (!problem.empty()) {
      AResult.Stop = TDumpStop::ClockFailed;
      AResult.Error = problem;
      return TPass::Stop;
    }
  }
  if (FFruitless > kStopAfterFruitless) {
    AResult.Stop = TDumpStop::NoAnswer;
    return TPass::Stop;
  }
  if (FFruitless > kSlowAfterFruitless) {
    Notify(TDumpNoticeKind::Waiting);
    if (!Pause(kFruitlessPauseMs)) {
      AResult.Stop = TDumpStop::Cancelled;
      return TPass::Stop;
    }
    if (LineEmpty(AResult, failed)) {
      AResult.Stop = TDumpStop::ClockEmpty;
      return TPass::Stop;
    }
    if (failed) return TPass::Stop;
  }
  return TPass::Next;
}

void TRecordDump::FetchPicture(TVexRecord& ARecord, TDumpEntry& AEntry) {
  if (!FOptions.WantPictures || ARecord.ImageData) return;
  if (ARecord.Version != rv1 && !ARecord.Camera) return;
  auto picture = std::make_shared<std::string>();
  bool transferred = false;
  try {
    transferred = FClock.GetRecordImage(picture.get());
  } catch (const std::exception&) {
    transferred = false;
  }
  if (transferred) {
    ARecord.ImageData = picture;
  } else if (FClock.HasCaptureImageCapability()) {
    // A clock without a camera has no picture to lose; one with a camera lost it. A broken
    // camera must not hold records for ever: the record goes on without its picture.
    AEntry.Picture = TPictureOutcome::TransferFailed;
    Notify(TDumpNoticeKind::PictureFailed);
  }
}

bool TRecordDump::KeepPicture(const TVexRecord& ARecord, TDumpEntry& AEntry,
                              std::string& AError) const {
  // A clock asked for a picture it does not have may answer with an empty one.
  if (!ARecord.ImageData || ARecord.ImageData->empty()) return true;
  if (!FOptions.Pictures) {
    AEntry.Picture = TPictureOutcome::NotKept;
    return true;
  }
  AEntry.PicturePath = FOptions.Pictures->Store(ARecord, AEntry.Day, *ARecord.ImageData, AError);
  if (AEntry.PicturePath.empty()) {
    AEntry.Picture = TPictureOutcome::StoreFailed;
    return false;
  }
  AEntry.Picture = TPictureOutcome::Stored;
  return true;
}

TDumpEntry& TRecordDump::File(TDumpResult& AResult, TDumpEntry& AEntry, bool AKeepAlways) {
  ++AResult.FLeaving[static_cast<int>(AEntry.Leave)];
  if (FOptions.KeepEntries || AKeepAlways) return AResult.Entries.emplace_back(std::move(AEntry));
  return AEntry;
}

void TRecordDump::SetLeave(TDumpResult& AResult, TDumpEntry& AEntry, TRecordLeave ALeave) const {
  --AResult.FLeaving[static_cast<int>(AEntry.Leave)];
  ++AResult.FLeaving[static_cast<int>(ALeave)];
  AEntry.Leave = ALeave;
}

void TRecordDump::PendingLeft(TDumpResult& AResult, bool ASettle) {
  AResult.FLeaving[static_cast<int>(TRecordLeave::Pending)] -= FPendingCount;
  AResult.FLeaving[static_cast<int>(TRecordLeave::Left)] += FPendingCount;
  for (std::size_t index : FPending) {
    AResult.Entries[index].Leave = TRecordLeave::Left;
    if (ASettle) FSink.Settled(AResult.Entries[index]);
  }
  FPending.clear();
  FPendingCount = 0;
}

void TRecordDump::Release(TDumpEntry& AEntry, TDumpResult& AResult) {
  // The clock object hands out an HDLC block's records from its buffer; releasing the last of
  // them asks the clock for the next block, which releases the whole block on the clock.
  const bool lastOfBlock = FRelease == TRecordRelease::HdlcBlock && FClock.HdlcRecordCount() <= 1;
  const bool acknowledged = FClock.NextRecord();
  if (FRelease == TRecordRelease::OneByOne) {
    // A refused acknowledgement leaves the record on the clock: it comes again.
    SetLeave(AResult, AEntry, acknowledged ? TRecordLeave::Left : TRecordLeave::Stays);
  } else {
    SetLeave(AResult, AEntry, TRecordLeave::Pending);
    ++FPendingCount;
    if (FOptions.KeepEntries) FPending.push_back(AResult.Entries.size() - 1);
    // The block's last record takes the block, and itself, off the clock.
    if (lastOfBlock) {
      PendingLeft(AResult, false);
      AEntry.Leave = TRecordLeave::Left;
    }
  }
  FSink.Settled(AEntry);
}

std::string_view RecordFlagName(TRecordFlag AFlag) {
  switch (AFlag) {
    case TRecordFlag::BadRecord:
      return "bad-record";
    case TRecordFlag::BadDate:
      return "bad-date";
    case TRecordFlag::None:
      break;
  }
  return "";
}

std::string_view RecordEventText(const std::string& ARecType1, const std::string& ARecType2) {
  const char code1 = ARecType1.size() >= 2 ? ARecType1[1] : '\0';
  const char code2 = ARecType2.size() >= 2 ? ARecType2[1] : '0';
  if (code1 == '1') return "مرخصي";    // leave
  if (code1 == '2') return "ماموريت";  // mission
  if (code2 == '2') return "خروج";     // exit
  if (code2 == '3') return "ورود";     // entry
  return "ورود و خروج";                // entry and exit
}

std::string_view EntryEventText(const TDumpEntry& AEntry) {
  if (AEntry.Flag != TRecordFlag::None) return RecordFlagName(AEntry.Flag);
  return RecordEventText(AEntry.Record.RecType1, AEntry.Record.RecType2);
}

std::string EntryCardText(const TDumpEntry& AEntry) {
  if (AEntry.Flag == TRecordFlag::BadRecord) return BytesToHexText(AEntry.Raw);
  return AEntry.Record.KartNo;
}

std::string_view EntryCardView(const TDumpEntry& AEntry, std::string& AHex) {
  if (AEntry.Flag != TRecordFlag::BadRecord) return AEntry.Record.KartNo;
  AHex = BytesToHexText(AEntry.Raw);
  return AHex;
}

std::string_view EntrySequenceText(const TDumpEntry& AEntry) {
  const char& letter = AEntry.Record.SequenceCode;
  return {&letter, letter == '\0' ? 0u : 1u};
}
