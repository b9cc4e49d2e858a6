#include "connections/RecordCsv.h"

const char* const TRecordCsvFile::kHeader = "clock,card,date,time,type1,type2,sequence,event,picture";

std::string CsvField(const std::string& AText) {
  if (AText.find_first_of(",\"\r\n") == std::string::npos) return AText;
  std::string out = "\"";
  for (char ch : AText) {
    if (ch == '"') out += '"';
    out += ch;
  }
  return out + "\"";
}

std::string TRecordCsvFile::Row(const TDumpEntry& AEntry) {
  const TVexRecord& r = AEntry.Record;
  return std::to_string(AEntry.ClockNumber) + "," + CsvField(r.KartNo) + "," +
         CsvField(r.Date.str()) + "," + CsvField(r.Time.str()) + "," + CsvField(r.RecType1) + "," +
         CsvField(r.RecType2) + "," + CsvField(std::string(1, r.SequenceCode)) + "," +
         CsvField(RecordEventText(r.RecType1, r.RecType2)) + "," + CsvField(AEntry.PicturePath) +
         "\n";
}

bool TRecordCsvFile::Open(const std::string& APath, std::string& AError) {
  bool created = false;
  if (!FFile.Open(APath, created, AError)) return false;
  return !created || FFile.Append(std::string(kHeader) + "\n", AError);
}

bool TRecordCsvFile::Append(const TDumpEntry& AEntry, std::string& AError) {
  return FFile.Append(Row(AEntry), AError);
}
