#pragma once
// The command line's side of a record dump: each record kept goes to the CSV file (when --out
// names one) and to stdout as one tab-separated line (the JSON "records" array is printed from
// the dump's result at the end); what the dump notices goes to stderr.
//
// When the rows are written depends on how the clock releases its records. Records that leave
// one by one (or with their HDLC block, which the dump reads to its end) are written and synced
// each before its release, marked as leaving the clock. A terminal's records leave only when its
// whole log is cleared: they are one batch, its CSV rows held by the CSV writer and its stdout
// lines here, settled once: synced and shown as leaving when the dump is about to clear the log,
// or, when the dump ends without clearing it, written and shown as staying at the end.
#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "connections/RecordCsv.h"
#include "connections/RecordDump.h"
#include "utils/HeldText.h"

class TCliDumpSink : public IDumpSink {
 public:
  // ACsv (not owned) may be nullptr; ACsvName names it in messages.
  TCliDumpSink(TRecordCsvFile* ACsv, std::string ACsvName, bool AJson, std::ostream& AOut,
               std::ostream& AErr);
  bool Persist(const TDumpEntry& AEntry, std::string& AError) override;
  bool Commit(std::string& AError) override;
  void Settled(const TDumpEntry& AEntry) override;
  void Notice(const TDumpNotice& ANotice) override;
  // The dump is over: the batch that was not committed is written as staying on the clock.
  bool Finish(std::string& AError);

  // Rows written as leaving the clock.
  int WrittenLeaving() const { return FWrittenLeaving; }
  // Rows written as staying on the clock.
  int WrittenStaying() const { return FWrittenStaying; }

  // The JSON object of an entry, with where it is now.
  static std::string JsonEntry(const TDumpEntry& AEntry);
  // The tab-separated line of an entry: card, date, time, event, type1, type2, sequence, and
  // "left" or "stays".
  static std::string TextLine(const TDumpEntry& AEntry, bool ALeftClock);
  // Appends that line to AOut; where in AOut its last field is.
  static std::size_t AppendTextLine(std::string& AOut, const TDumpEntry& AEntry, bool ALeftClock);

 private:
  bool Write(const TDumpEntry& AEntry, bool ALeftClock, bool ASync, std::string& AError);
  bool WriteBatch(bool ALeftClock, std::string& AError);

  TRecordCsvFile* FCsv;
  std::string FCsvName;
  bool FJson;
  std::ostream& FOut;
  std::ostream& FErr;
  // The stdout lines of the terminal's records kept since the last commit, made as leaving the
  // clock.
  THeldText FBatchLines;
  int FBatchCount = 0;
  int FWrittenLeaving = 0;
  int FWrittenStaying = 0;
  int FKept = 0;
  bool FDisconnectedReported = false;
};
