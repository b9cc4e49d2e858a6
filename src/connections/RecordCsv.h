#pragma once
// Dumped records as CSV for a spreadsheet: UTF-8, with a byte-order mark unless it is left out
// (a spreadsheet then reads the Persian texts right), a header line when the file is new or
// empty, then one row per record in the order they were taken from the clock. Texts that came
// from a clock are made safe for a spreadsheet (SafeCsvField). The command line's dump and the
// window's export both write through this one writer.
//
// Write puts a row into the file (rows are gathered and written in large pieces); Sync writes
// what is gathered and makes everything written so far durable. A writer of records that leave
// their clock one by one syncs after each row, before the record is released. The rows of a
// clock that clears a whole log at once are held (WriteHeld) until the dump knows whether the
// log goes: SettleHeld then syncs them once, before the clear, as leaving the clock, or writes
// them as staying on it. Close writes what is gathered, unsynced.
//
// Held rows go into a file that can be read back as they come, marked as leaving; rows that stay
// are then rewritten in place, which needs the file to end with them (nothing else writes to
// it meanwhile). Into anything else (a pipe) they go only when settled, held in memory till then.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "connections/RecordDump.h"
#include "platform/DurableFile.h"
#include "utils/HeldText.h"

class TRecordCsvFile {
 public:
  // Opens APath for appending (a new or empty file gets the mark, when AByteOrderMark, and the
  // header line, synced with the first rows); false with AError.
  bool Open(const std::string& APath, bool AByteOrderMark, std::string& AError);
  // Writes the row of AEntry; ALeftClock fills its left_clock column.
  bool Write(const TDumpEntry& AEntry, bool ALeftClock, std::string& AError);
  // Writes rows made by AppendRow.
  bool WriteRows(std::string_view ARows, std::string& AError);
  // Writes the row of AEntry as one whose release is not known yet (see above).
  bool WriteHeld(const TDumpEntry& AEntry, std::string& AError);
  // The held rows leave the clock (ALeftClock): they are synced as they are; or they stay on it:
  // they are written again with left_clock "no", and synced.
  bool SettleHeld(bool ALeftClock, std::string& AError);
  bool Sync(std::string& AError);
  bool Close(std::string& AError);
  ~TRecordCsvFile();

  static const char* const kHeader;
  static const char* const kByteOrderMark;
  // The row of AEntry, with its line break.
  static std::string Row(const TDumpEntry& AEntry, bool ALeftClock);
  // Appends the row of AEntry to AOut; where in AOut its left_clock field (LeftClockField) is.
  static std::size_t AppendRow(std::string& AOut, const TDumpEntry& AEntry, bool ALeftClock);
  static std::string_view LeftClockField(bool ALeftClock) { return ALeftClock ? "yes" : "no"; }

 private:
  // Writes the rows gathered so far.
  bool WriteGathered(std::string& AError);
  // Rewrites the held rows in the file with left_clock "no".
  bool RewriteHeldAsStaying(std::string& AError);

  platform::TDurableAppendFile FFile;
  std::string FGathered;
  // Held rows in a file that can be read back: where they begin in it, where they end, and
  // where their left_clock fields are, from their beginning.
  std::uint64_t FHeldFrom = 0;
  std::uint64_t FHeldTo = 0;
  std::vector<std::size_t> FHeldMarks;
  // Held rows for anything else.
  THeldText FHeldRows{LeftClockField(true), LeftClockField(false)};
};

// The time column: HH:MM, or HH:MM:SS where the clock gives seconds; a marked record's time as
// the clock gave it.
std::string EntryTimeText(const TDumpEntry& AEntry);
// The picture_status column: "" when no picture came and none was asked for, "stored",
// "failed: why" when the clock's transfer failed (the record goes on without it), "not-stored:
// why" when a picture came and was not kept.
std::string_view PictureStatusText(const TDumpEntry& AEntry);
