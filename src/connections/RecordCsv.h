#pragma once
// Dumped records as CSV: a header line when the file is new, then one row per record, in the
// order they were taken from the clock. Every row is on the disk before Append returns, so a
// record can be released from its clock as soon as its row is written.
#include <string>

#include "connections/RecordDump.h"
#include "platform/DurableFile.h"

class TRecordCsvFile {
 public:
  // Opens APath for appending (creating it with the header line); false with AError.
  bool Open(const std::string& APath, std::string& AError);
  bool Append(const TDumpEntry& AEntry, std::string& AError);

  static const char* const kHeader;
  // The row of AEntry, with its line break.
  static std::string Row(const TDumpEntry& AEntry);

 private:
  platform::TDurableAppendFile FFile;
};
