#pragma once
// One dump of attendance records from a clock: the whole policy, for the window and the command
// line alike. A record goes through four steps: it is read (GetRecord), its picture is fetched
// when pictures are wanted, it is kept (the picture stored, then the record handed to the sink,
// whose "persisted" answer must come back true), and only then is the clock told to release it
// (NextRecord). Whenever the program stops, each record is therefore on the clock, kept by the
// sink, or both. A record the clock sends unreadable on every try, or with an impossible date, is
// kept too, marked and with its raw bytes (TDumpEntry::Flag, Raw), and released: one such record
// must not block the clock.
//
// The dump ends when the count is reached, when the clock is empty, when reading keeps bringing
// nothing (from the fourth fruitless read in a row on, each read waits a second first and the
// line is asked whether it is empty; the eleventh ends the dump), when the sink or the picture
// store fails (the record stays on the clock), when the clock holds its record back (sequence
// check), when a terminal's log cannot be read, or when the caller cancels it. Cancellation is
// checked before every read, during the pauses and before a record is kept; a record already
// kept is still released.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clock/ClockFamilies.h"
#include "connections/RecordDates.h"
#include "utils/ClockVocabulary.h"

class TBasicClock;
class TClockSet;
class TPictureStore;

enum class TPictureOutcome : std::uint8_t {
  None,            // no picture came with the record, and none was asked for
  Stored,          // stored at PicturePath
  TransferFailed,  // the clock was asked for it and the transfer failed; the record goes on
  NotKept,         // a picture came, but the dump keeps no pictures
  StoreFailed,     // it could not be stored; the record stays on the clock
};

// Where a record is once the dump is over.
enum class TRecordLeave : std::uint8_t {
  Stays,    // not released: the next dump reads it again
  Left,     // released from the clock
  Pending,  // taken; it leaves with its HDLC block or the terminal's log, which had not gone yet
};

enum class TDumpStop : std::uint8_t {
  CountReached,
  ClockEmpty,
  NoAnswer,    // reading brought nothing too often
  SinkFailed,  // the sink or the picture store could not keep a record
  Cancelled,
  RecordHeld,  // the clock's sequence check holds its record back
  ClockFailed,  // the clock could not be read (TDumpResult::Error says how); nothing was released
};

// Why a record is marked in the output. A marked record is kept and released like any other: one
// record the program cannot file must not hold up the clock for good.
enum class TRecordFlag : std::uint8_t {
  None,
  // The clock sent something that is no record on every try, or a record without a user id. Raw
  // holds what came; the record's fields are empty or as the clock gave them.
  BadRecord,
  // The record's date or time is impossible, or its year cannot be known (the clock's own date
  // could not be read). Date and Time are as the clock gave them, not corrected.
  BadDate,
};

// The output's word for a flag: "bad-record", "bad-date"; "" for none.
std::string_view RecordFlagName(TRecordFlag AFlag);

// One record of the dump as the sink sees it.
struct TDumpEntry {
  // As the clock gave it (its date in the clock's calendar); the picture is not held here.
  TVexRecord Record;
  // The record's date in full, in its calendar and in the Gregorian one.
  TRecordDay Day;
  int ClockNumber = 0;
  TRecordRelease Release = TRecordRelease::OneByOne;
  TPictureOutcome Picture = TPictureOutcome::None;
  std::string PicturePath;
  // The clock's sequence check marked it as a repeat: released without being kept.
  bool Repeat = false;
  TRecordFlag Flag = TRecordFlag::None;
  // With a flag: the record's bytes as the clock sent them (the terminals: their own values as
  // text).
  std::string Raw;
  TRecordLeave Leave = TRecordLeave::Stays;
};

enum class TDumpNoticeKind : std::uint8_t {
  ClockDisconnected,  // a read found the clock not answering
  BadRecord,          // the clock sent something that is no record; it is kept raw and released
  Waiting,            // reading keeps bringing nothing: the dump waits before the next read
  PictureFailed,      // the transfer of a record's picture failed; the record goes on without it
};

struct TDumpNotice {
  TDumpNoticeKind Kind;
  int ClockNumber = 0;
  // Fruitless reads in a row so far.
  int Fruitless = 0;
};

// What keeps the records of a dump: the command line's file and output, the window's list.
class IDumpSink {
 public:
  virtual ~IDumpSink() = default;
  // Keeps AEntry durably; its picture, if one came, is already stored at AEntry.PicturePath.
  // True lets the dump release the record from the clock. False (AError says why) keeps the
  // record on the clock and ends the dump.
  virtual bool Persist(const TDumpEntry& AEntry, std::string& AError) = 0;
  // After the release: AEntry.Leave says whether the record left the clock.
  virtual void Settled(const TDumpEntry& AEntry) { (void)AEntry; }
  // A terminal's whole log is about to be cleared: every record persisted since the last commit
  // must be durable now (a sink of such records may keep them as one batch and make it durable
  // here, once). False (AError says why) keeps the log on the terminal and ends the dump.
  virtual bool Commit(std::string& AError) {
    (void)AError;
    return true;
  }
  virtual void Notice(const TDumpNotice& ANotice) { (void)ANotice; }
};

struct TDumpOptions {
  // Records to keep; 0 or less: until the clock is empty.
  int Count = 3;
  // Ask card clocks with a camera for each record's picture (a transfer takes seconds).
  bool WantPictures = false;
  // Where pictures are stored; without a store, pictures that come are not kept.
  const TPictureStore* Pictures = nullptr;
  // Asked at the safe points; true ends the dump.
  std::function<bool()> Cancelled;
  // Called on every pass and during the pauses: the window handles its events there.
  std::function<void()> OnBreath;
  // When the count is reached in the middle of a release unit, go on to its end: an HDLC clock's
  // block is read to its last record, so that the block leaves the clock; a terminal whose log
  // holds nothing past the count is cleared. Without it, those records stay on the clock.
  bool FinishRelease = false;
  // Keep every record read in TDumpResult::Entries (the window's list and the JSON output show
  // them). Without it the result counts the records, and Entries holds only the one that could
  // not be kept, if any: a whole log is thousands of records. Records that leave as a unit (an
  // HDLC block, a terminal's log) are then settled once, when they are released as pending, and
  // only counted when their unit leaves.
  bool KeepEntries = true;
};

struct TDumpResult {
  TDumpStop Stop = TDumpStop::CountReached;
  // Reads that brought a record or a bad one.
  int Read = 0;
  // Records kept by the sink, marked ones included.
  int Kept = 0;
  // Of those, the ones kept raw as bad records.
  int BadRecords = 0;
  // With SinkFailed and ClockFailed: what failed.
  std::string Error;
  // The clock's last error when the dump ended.
  TClockError LastError = ceNoError;
  // Every record read, in order, with where it is now (see TDumpOptions::KeepEntries). A deque:
  // a whole log is thousands of entries, and growing a vector would move them all again and
  // again.
  std::deque<TDumpEntry> Entries;

  // The records read that are now where ALeave says, whether Entries keeps them or not.
  int CountLeaving(TRecordLeave ALeave) const { return FLeaving[static_cast<int>(ALeave)]; }

 private:
  friend class TRecordDump;
  int FLeaving[3] = {};
};

class TRecordDump {
 public:
  // Reads AClock, one of ALine's clocks.
  TRecordDump(TClockSet& ALine, TBasicClock& AClock, IDumpSink& ASink, TDumpOptions AOptions);
  TDumpResult Run();

  // Fruitless reads in a row after which each read waits first, and after which the dump ends.
  static constexpr int kSlowAfterFruitless = 3;
  static constexpr int kStopAfterFruitless = 10;
  static constexpr std::uint32_t kFruitlessPauseMs = 1000;
  // The pauses are spent in steps this long, so that a cancel is not held up for a second.
  static constexpr std::uint32_t kPauseStepMs = 20;

 private:
  enum class TPass { Next, Stop };
  TPass ReadOne(TDumpResult& AResult);
  TPass Fruitless(TDumpResult& AResult);
  bool Cancelled() const;
  void Breathe() const;
  // Waits AMs in steps, breathing; false when cancelled meanwhile.
  bool Pause(std::uint32_t AMs) const;
  void FetchPicture(TVexRecord& ARecord, TDumpEntry& AEntry);
  bool KeepPicture(const TVexRecord& ARecord, TDumpEntry& AEntry, std::string& AError) const;
  // The entry the next record is read into, emptied.
  TDumpEntry& NextEntry();
  // Puts AEntry in the result: counted, and moved into Entries with KeepEntries or AKeepAlways;
  // the entry where it now is.
  TDumpEntry& File(TDumpResult& AResult, TDumpEntry& AEntry, bool AKeepAlways = false);
  void SetLeave(TDumpResult& AResult, TDumpEntry& AEntry, TRecordLeave ALeave) const;
  void Release(TDumpEntry& AEntry, TDumpResult& AResult);
  // The records taken from a block or log that went have left the clock; with ASettle the sink
  // is told of each again.
  void PendingLeft(TDumpResult& AResult, bool ASettle);
  void Notify(TDumpNoticeKind AKind) const;
  // Whether the count reached leaves the release unit unfinished, and finishing was asked for.
  bool MustFinishRelease();
  // Asks the line whether it is empty; for a terminal whose log the answer may clear, the sink
  // commits the records taken first. Nothing with AStop set when that commit fails.
  bool LineEmpty(TDumpResult& AResult, bool& AStop);
  TDateType RecordCalendar();
  // RecordDay of ADate, kept for the next record: a log's records mostly share their day.
  const TRecordDay& DayOf(const std::string& ADate, TDateType ACalendar);

  TClockSet& FLine;
  TBasicClock& FClock;
  IDumpSink& FSink;
  TDumpOptions FOptions;
  TRecordRelease FRelease;
  int FFruitless = 0;
  // The entries taken that wait for their block or log to go: how many, and their indexes in
  // the result when it keeps them.
  int FPendingCount = 0;
  std::vector<std::size_t> FPending;
  // The record being read and what becomes of it; it stays here when the result does not keep
  // it.
  TDumpEntry FEntry;
  // Entries persisted since the sink's last commit.
  bool FUncommitted = false;
  // The current year in each calendar: two-digit record years are read in the century nearest.
  int FSolarYear;
  int FGregorianYear;
  struct TDayOfDate {
    std::string Date;
    TDateType Calendar;
    TRecordDay Day;
  };
  std::optional<TDayOfDate> FLastDay;
  // The clock's date as last known, and the calendar it tells.
  struct TKnownDate {
    TDateStr Date;
    TDateType Calendar;
  };
  std::optional<TKnownDate> FKnownDate;
};

// The event type of a record from its two type codes (untranslated): leave, mission, exit,
// entry, or entry and exit.
std::string_view RecordEventText(const std::string& ARecType1, const std::string& ARecType2);
// What the outputs show of an entry. The event: the flag's name for a marked record, else the
// record's event type. The card: the raw bytes in hex for a bad record (it has no card of its
// own), else the card number.
std::string_view EntryEventText(const TDumpEntry& AEntry);
std::string EntryCardText(const TDumpEntry& AEntry);
// The card as EntryCardText, without a copy of an ordinary record's: a bad record's hex is made in
// AHex, which must outlive the view.
std::string_view EntryCardView(const TDumpEntry& AEntry, std::string& AHex);
// The record's sequence letter, "" when it has none.
std::string_view EntrySequenceText(const TDumpEntry& AEntry);
