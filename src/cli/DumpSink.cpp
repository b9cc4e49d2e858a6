#include "cli/DumpSink.h"

#include <ostream>

#include "cli/JsonText.h"

TCliDumpSink::TCliDumpSink(TRecordCsvFile* ACsv, std::string ACsvName, bool AJson,
                           std::ostream& AOut, std::ostream& AErr)
    : FCsv(ACsv), FCsvName(std::move(ACsvName)), FJson(AJson), FOut(AOut), FErr(AErr) {}

std::string TCliDumpSink::JsonEntry(const TDumpEntry& AEntry) {
  const TVexRecord& r = AEntry.Record;
  return "{\"clock\":" + std::to_string(r.ClockNumber) + ",\"card\":" + JsonString(r.KartNo) +
         ",\"date\":" + JsonString(r.Date) + ",\"time\":" + JsonString(r.Time) +
         ",\"type1\":" + JsonString(r.RecType1) + ",\"type2\":" + JsonString(r.RecType2) +
         ",\"sequence\":" + JsonString(std::string(1, r.SequenceCode)) +
         ",\"event\":" + JsonString(RecordEventText(r.RecType1, r.RecType2)) +
         (AEntry.PicturePath.empty() ? "" : ",\"picture\":" + JsonString(AEntry.PicturePath)) +
         "}";
}

bool TCliDumpSink::Persist(const TDumpEntry& AEntry, std::string& AError) {
  if (FCsv && !FCsv->Append(AEntry, AError)) {
    AError = "cannot write " + FCsvName + ": " + AError;
    return false;
  }
  const TVexRecord& r = AEntry.Record;
  if (FJson) {
    FJsonRecords += (FJsonRecords.empty() ? "" : ",") + JsonEntry(AEntry);
  } else {
    FOut << r.KartNo << '\t' << r.Date.str() << '\t' << r.Time.str() << '\t'
         << RecordEventText(r.RecType1, r.RecType2) << '\t' << r.RecType1 << '\t' << r.RecType2
         << '\t' << r.SequenceCode << std::endl;
  }
  return true;
}

void TCliDumpSink::Notice(const TDumpNotice& ANotice) {
  switch (ANotice.Kind) {
    case TDumpNoticeKind::ClockDisconnected:
      if (!FDisconnectedReported) FErr << "clock " << ANotice.ClockNumber << " is disconnected\n";
      FDisconnectedReported = true;
      break;
    case TDumpNoticeKind::BadRecord:
      FErr << "clock " << ANotice.ClockNumber << " sent a record that cannot be read\n";
      break;
    case TDumpNoticeKind::PictureFailed:
      FErr << "clock " << ANotice.ClockNumber
           << ": the picture of a record could not be read; the record is kept without it\n";
      break;
    case TDumpNoticeKind::Waiting:
      break;
  }
}
