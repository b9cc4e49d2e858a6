#include "cli/DumpSink.h"

#include <ostream>

#include "cli/JsonText.h"
#include "utils/HexText.h"

TCliDumpSink::TCliDumpSink(TRecordCsvFile* ACsv, std::string ACsvName, bool AJson,
                           std::ostream& AOut, std::ostream& AErr)
    : FCsv(ACsv), FCsvName(std::move(ACsvName)), FJson(AJson), FOut(AOut), FErr(AErr) {}

std::string TCliDumpSink::JsonEntry(const TDumpEntry& AEntry) {
  const TVexRecord& r = AEntry.Record;
  return "{\"clock\":" + std::to_string(r.ClockNumber) + ",\"card\":" + JsonString(r.KartNo) +
         ",\"date\":" + JsonString(r.Date) + ",\"time\":" + JsonString(r.Time) +
         ",\"type1\":" + JsonString(r.RecType1) + ",\"type2\":" + JsonString(r.RecType2) +
         ",\"sequence\":" + JsonString(std::string(1, r.SequenceCode)) +
         ",\"event\":" + JsonString(EntryEventText(AEntry)) +
         (AEntry.Flag == TRecordFlag::None
              ? ""
              : ",\"flag\":" + JsonString(RecordFlagName(AEntry.Flag)) +
                    ",\"raw\":" + JsonString(BytesToHexText(AEntry.Raw))) +
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
    FOut << EntryCardText(AEntry) << '\t' << r.Date.str() << '\t' << r.Time.str() << '\t'
         << EntryEventText(AEntry) << '\t' << r.RecType1 << '\t' << r.RecType2
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
      FErr << "clock " << ANotice.ClockNumber
           << " sent a record that cannot be read; it is written raw (bad-record) and released\n";
      break;
    case TDumpNoticeKind::PictureFailed:
      FErr << "clock " << ANotice.ClockNumber
           << ": the picture of a record could not be read; the record is kept without it\n";
      break;
    case TDumpNoticeKind::Waiting:
      break;
  }
}
