// The record log: one line per record read, appended to a text file, and the bad-record log,
// which receives the raw text of refused records.
//
// A record log line: 02 02 02, the clock number (3 digits), the card number (left-padded with "0"
// to 10), "X", HHMM, MMDD, the entry/exit letter ("E", "F" or a blank; left out for clocks that
// do not know entry and exit), YY, the sequence letter, the port, ",", the two record types,
// CR LF.
#include <fstream>

#include "calendar/VexDateTime.h"
#include "clock/ClockOpsSupport.h"
#include "clock/VexClock.h"
#include "utils/TextFields.h"

using clockops::CopyText;

namespace {
// Opens AFileName for appending (creating it when missing), writes ALine, closes it.
bool AppendToFile(const std::string& AFileName, const std::string& ALine) {
  if (AFileName.empty()) return false;
  std::ofstream file(AFileName, std::ios::binary | std::ios::app);
  if (!file.is_open()) return false;
  file.write(ALine.data(), static_cast<std::streamsize>(ALine.size()));
  file.close();
  return !file.fail();
}

// The entry/exit letter from the second character of the first record type.
char IOLetter(const std::string& ARecType1) {
  if (ARecType1.size() < 2) return ' ';
  switch (static_cast<unsigned char>(ARecType1[1]) & 3) {
    case 1:
      return 'E';
    case 2:
      return 'F';
    default:
      return ' ';
  }
}
}  // namespace

bool AppendRecordToLog(const TVexRecord& ARecord, const std::string& AFileName,
                       bool AOmitIOLetter) {
  if (ARecord.KartNo.empty() || AFileName.empty()) return true;
  try {
    const std::string& time = ARecord.Time;
    std::string line("\x02\x02\x02", 3);
    line += PadNumber(ARecord.ClockNumber, 3);
    line += PadLeft(TrimBlanks(ARecord.KartNo), 10, '0');
    line += 'X';
    line += CopyText(time, 1, 2);
    line += CopyText(time, 4, 2);
    line += DateStrToMMDD(ARecord.Date, 0);
    if (!AOmitIOLetter) line += IOLetter(ARecord.RecType1);
    line += DateStrToYYMMDD(ARecord.Date, 0).substr(0, 2);
    line += ARecord.SequenceCode;
    line += ARecord.ComIp;
    line += ',';
    line += ARecord.RecType1;
    line += ARecord.RecType2;
    line += "\r\n";
    return AppendToFile(AFileName, line);
  } catch (...) {
    return false;
  }
}

bool AppendLineToFile(const std::string& ALine, const std::string& AFileName) {
  try {
    return AppendToFile(AFileName, ALine + "\r\n");
  } catch (...) {
    return false;
  }
}
