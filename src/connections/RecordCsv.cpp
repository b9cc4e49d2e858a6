#include "connections/RecordCsv.h"

#include "utils/OutputText.h"

const char* const TRecordCsvFile::kHeader =
    "clock,card,date,time,type1,type2,sequence,event,picture";

std::string TRecordCsvFile::Row(const TDumpEntry& AEntry) {
  const TVexRecord& r = AEntry.Record;
  return std::to_string(AEntry.ClockNumber) + "," + QuotedCsvField(EntryCardText(AEntry)) + "," +
         QuotedCsvField(r.Date.str()) + "," + QuotedCsvField(r.Time.str()) + "," +
         QuotedCsvField(r.RecType1) + "," + QuotedCsvField(r.RecType2) + "," +
         QuotedCsvField(std::string(1, r.SequenceCode)) + "," +
         QuotedCsvField(EntryEventText(AEntry)) + "," +
         QuotedCsvField(AEntry.PicturePath) + "\n";
}

bool TRecordCsvFile::Open(const std::string& APath, std::string& AError) {
  bool created = false;
  if (!FFile.Open(APath, created, AError)) return false;
  return !created || FFile.Append(std::string(kHeader) + "\n", AError);
}

bool TRecordCsvFile::Append(const TDumpEntry& AEntry, std::string& AError) {
  return FFile.Append(Row(AEntry), AError);
}
