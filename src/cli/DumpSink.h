#pragma once
// The command line's side of a record dump: each record kept goes to the CSV file (when --out
// names one, on the disk before the record leaves its clock) and to stdout, one tab-separated
// line or one object of the JSON "records" array; what the dump notices goes to stderr.
#include <iosfwd>
#include <string>

#include "connections/RecordCsv.h"
#include "connections/RecordDump.h"

class TCliDumpSink : public IDumpSink {
 public:
  // ACsv (not owned) may be nullptr; ACsvName names it in messages.
  TCliDumpSink(TRecordCsvFile* ACsv, std::string ACsvName, bool AJson, std::ostream& AOut,
               std::ostream& AErr);
  bool Persist(const TDumpEntry& AEntry, std::string& AError) override;
  void Notice(const TDumpNotice& ANotice) override;

  // The objects of the records kept, comma-separated (JSON only).
  const std::string& JsonRecords() const { return FJsonRecords; }
  static std::string JsonEntry(const TDumpEntry& AEntry);

 private:
  TRecordCsvFile* FCsv;
  std::string FCsvName;
  bool FJson;
  std::ostream& FOut;
  std::ostream& FErr;
  std::string FJsonRecords;
  bool FDisconnectedReported = false;
};
