#include "clock/RecordDecoding.h"

#include <cctype>
#include <exception>

#include "calendar/VexDateTime.h"
#include "clock/ClockOpsSupport.h"
#include "link/ByteUtils.h"
#include "utils/TextFields.h"

using clockops::CopyText;

namespace {

constexpr std::size_t kShortFormMinLength = 23;
constexpr std::size_t kShortFormMaxLength = 25;
constexpr std::size_t kLumenMinLength = 21;
constexpr std::size_t kLongFormLength = 37;
constexpr std::size_t kHdlcRecordLength = 14;
// Months from July on, read before the middle of the year, belong to the year before.
constexpr int kSecondHalfMonth = 6;

bool IsDecimalDigit(char ACh) {
  return ACh >= '0' && ACh <= '9';
}

// A whole number with optional leading blanks and sign, as a two-character field may hold one.
bool TryDecimal(const std::string& AText, int& AValue) {
  std::size_t i = 0;
  while (i < AText.size() && AText[i] == ' ') ++i;
  bool negative = false;
  if (i < AText.size() && (AText[i] == '-' || AText[i] == '+')) negative = AText[i++] == '-';
  if (i == AText.size()) return false;
  int value = 0;
  for (; i < AText.size(); ++i) {
    if (!IsDecimalDigit(AText[i])) return false;
    value = value * 10 + (AText[i] - '0');
  }
  AValue = negative ? -value : value;
  return true;
}

bool IsSequenceLetter(const std::string& AReply, std::size_t APosition) {
  if (APosition < 1 || APosition > AReply.size()) return false;
  const char ch = AReply[APosition - 1];
  return ch >= 'A' && ch <= 'Z';
}

// The card field is digits and blanks only (a blank field passes): no NUL or other control byte,
// which would cut the card number short wherever it is used as a name.
bool IsCardField(const std::string& AReply, std::size_t AFrom, std::size_t ACount) {
  const std::string field = CopyText(AReply, AFrom, ACount);
  return field.find_first_not_of("0123456789 ") == std::string::npos &&
         IsDigits(TrimBlanks(field));
}

bool IsTimeField(const std::string& AReply, std::size_t AFrom) {
  return IsValidTime(CopyText(AReply, AFrom, 2) + ":" + CopyText(AReply, AFrom + 2, 2));
}

// The MMDD field at AFrom as a day of AYear. Without a year (the clock's own date is unknown)
// only the month and the day each are checked: the record is kept, marked, with its date as sent.
bool IsMonthDay(const std::string& AReply, std::size_t AFrom, int AYear) {
  const std::string monthDay = CopyText(AReply, AFrom, 4);
  if (AYear != 0) return IsValidDate(std::to_string(AYear) + monthDay);
  int month = 0;
  int day = 0;
  return monthDay.size() == 4 && IsDigits(monthDay) &&
         TryDecimal(monthDay.substr(0, 2), month) && TryDecimal(monthDay.substr(2, 2), day) &&
         month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

std::uint8_t ByteAt(const std::string& S, std::size_t AIndex) {
  return static_cast<std::uint8_t>(S[AIndex]);
}

}  // namespace

std::string CleanRecordReply(const std::string& AReply) {
  std::string out = AReply;
  const std::size_t start = out.find('\x01');
  if (start != std::string::npos && start > 0) out.erase(0, start);
  std::erase(out, '\x0D');
  return out;
}

bool IsValidRecordReply(const std::string& AReply, TClockType AClockType,
                        const TRecordClockDate& ADate) {
  const std::size_t length = AReply.size();
  // Each rule is a chain: the first condition that fails decides, later ones are not looked at.
  if (AClockType == Lumen) {
    return IsReplyChecksumValid(AReply) && length >= kLumenMinLength && IsCardField(AReply, 4, 8) &&
           (ADate.Year == 0 ? IsMonthDay(AReply, 12, 0) : IsValidDate(CopyText(AReply, 12, 4))) &&
           IsTimeField(AReply, 16) &&
           IsSequenceLetter(AReply, length - 1) && CopyText(AReply, 4, 8) != "00000000";
  }
  if (length == kLongFormLength) {
    return IsReplyChecksumValid(AReply) && IsCardField(AReply, 4, 10) &&
           IsValidDate(CopyText(AReply, 14, 6)) && IsTimeField(AReply, 20) &&
           IsSequenceLetter(AReply, length - 1) && CopyText(AReply, 4, 10) != "0000000000";
  }
  int year = ADate.Year;
  int recordMonth = 0;
  if (TryDecimal(CopyText(AReply, 12, 2), recordMonth) && ADate.Month < kSecondHalfMonth &&
      recordMonth > kSecondHalfMonth)
    year = ADate.Year - 1;
  return IsReplyChecksumValid(AReply) && length >= kShortFormMinLength &&
         IsCardField(AReply, 4, 8) && IsMonthDay(AReply, 12, year) &&
         IsTimeField(AReply, 16) && IsSequenceLetter(AReply, length - 1) &&
         CopyText(AReply, 4, 8) != "00000000";
}

bool DecodeTextRecord(const std::string& AReply, TClockType AClockType,
                      const TRecordClockDate& ADate, TVexRecord& ARecord) {
  const std::size_t length = AReply.size();
  if (length < 2) return false;
  TVexRecord r = ARecord;
  const bool shortLayout = length <= kShortFormMaxLength;
  if (shortLayout) {
    r.KartNo = CopyText(AReply, 4, 8);
    r.Date = CopyText(AReply, 12, 4);
    r.Time = CopyText(AReply, 16, 2) + ":" + CopyText(AReply, 18, 2);
  } else {
    r.KartNo = CopyText(AReply, 4, 10);
    r.Date = CopyText(AReply, 14, 6);
    r.Time = CopyText(AReply, 20, 2) + ":" + CopyText(AReply, 22, 2);
  }
  r.KartNo.erase(0, r.KartNo.find_first_not_of('0'));

  if (AClockType == Lumen) {
    const std::string letter = CopyText(AReply, 20, 1);
    if (!letter.empty()) r.SequenceCode = letter[0];
  } else {
    const std::string code = CopyText(AReply, shortLayout ? 20 : 24, 2);
    // Read as hexadecimal for the finger-print bit and as decimal for the entry/exit kind: only
    // two decimal digits are both.
    if (code.size() != 2 || !IsDecimalDigit(code[0]) || !IsDecimalDigit(code[1])) return false;
    const int decimal = (code[0] - '0') * 10 + (code[1] - '0');
    const int hexadecimal = (code[0] - '0') * 16 + (code[1] - '0');
    r.FingerPrint = (hexadecimal & 4) != 0;
    r.RecType1 = PadNumber(decimal & 3, 2);
    if (length > kShortFormMinLength && shortLayout)
      r.RecType2 = CopyText(AReply, 22, 2);
    else if (!shortLayout)
      r.RecType2 = CopyText(AReply, 26, 2);
    r.SequenceCode = AReply[length - 2];
  }

  if (shortLayout && ADate.Year == 0) {
    // The record carries month and day only, and the clock's date, which would give the year, is
    // unknown: the date stays as sent, marked, never guessed.
    r.Fault = "the clock's date is unknown: the record's year cannot be told";
    r.ImpossibleDate = true;
  } else if (shortLayout) {
    // The record carries month and day only: December records read in January belong to the
    // year before, January records read in December to the year after.
    const std::string monthDay = r.Date;
    TDateParts parts;
    StrToDateParts(monthDay, parts, 0);
    int year = ADate.Year;
    if (ADate.Month == 1 && parts.Month == 12)
      year = ADate.Year - 1;
    else if (ADate.Month == 12 && parts.Month == 1)
      year = ADate.Year + 1;
    r.Date = DateStrToYYMMDD(monthDay, year);
  }
  ARecord = r;
  return true;
}

std::vector<std::string> SplitHdlcRecordBlock(const std::string& AData) {
  std::string rest = AData;
  if (rest.rfind("XYZ", 0) == 0) rest.erase(0, 3);
  if (rest.rfind("XY", 0) == 0) rest.erase(0, 2);
  std::vector<std::string> pieces;
  for (std::size_t at = 0; at < rest.size(); at += kHdlcRecordLength)
    pieces.push_back(rest.substr(at, kHdlcRecordLength));
  return pieces;
}

THdlcRecordOutcome DecodeHdlcRecordPiece(const std::string& APiece, std::int32_t AClockNumber,
                                         TDateType ACalendar, TVexRecord& ARecord) {
  ARecord.Version = rv2;
  ARecord.ComIp.clear();
  ARecord.ClockNumber = AClockNumber;
  ARecord.Data = APiece;
  ARecord.KartNo.clear();
  ARecord.Date = "";
  ARecord.Time = "";
  ARecord.RecType1 = "00";
  ARecord.RecType2 = "00";
  ARecord.SequenceCode = 'A';
  ARecord.ImageData.reset();
  ARecord.FingerPrint = false;
  ARecord.Card = false;
  ARecord.Camera = false;

  if (APiece.empty() ||
      XorChecksum(APiece.substr(0, APiece.size() - 1)) != ByteAt(APiece, APiece.size() - 1))
    return THdlcRecordOutcome::Rejected;
  // A short last piece of a block has passed its own check byte but lacks fields.
  if (APiece.size() < kHdlcRecordLength) return THdlcRecordOutcome::Rejected;

  try {
    const std::string card = std::to_string(BytesToInt64(APiece.substr(0, 5)));
    const int yearByte = ByteAt(APiece, 5);
    const int year = yearByte < 50 ? 2000 + yearByte : 1300 + yearByte;
    const int month = ByteAt(APiece, 6);
    const int day = ByteAt(APiece, 7);
    const int hour = ByteAt(APiece, 8);
    const int minute = ByteAt(APiece, 9);
    std::string dateText = PadNumber(year, 4) + "/" + PadNumber(month, 2) + "/" + PadNumber(day, 2);
    if (ACalendar == Solar && year > 2000)
      dateText = ChristianToSolarDateStr(dateText);
    else if (ACalendar == Christian && year < 1500)
      dateText = SolarToChristianDateStr(dateText);
    const std::string time = PadNumber(hour, 2) + ":" + PadNumber(minute, 2);
    // Two digits cannot hold a byte above 99: such a field is no month, day, hour or minute,
    // and its last two digits must not pass for one.
    const bool fieldsFit = month <= 99 && day <= 99 && hour <= 99 && minute <= 99;
    if (!fieldsFit || !IsValidDate(dateText) || !IsValidTime(time)) {
      ARecord.Data += ";" + card + dateText + time;
      return THdlcRecordOutcome::Rejected;
    }

    const std::uint8_t kinds = ByteAt(APiece, 11);
    if (kinds & 0x08)
      ARecord.RecType1 = "01";
    else if (kinds & 0x10)
      ARecord.RecType1 = "02";
    if (kinds & 0x80) ARecord.RecType2 = (kinds & 0x40) ? "02" : "03";
    const std::uint8_t means = ByteAt(APiece, 12);
    ARecord.FingerPrint = (means & 0x01) != 0;
    ARecord.Card = (means & 0x02) != 0;
    ARecord.Camera = (means & 0x04) != 0;
    ARecord.Date = DateStrToYYMMDD(dateText, 0);
    ARecord.Time = time;
    ARecord.KartNo = card;
  } catch (const std::exception&) {
    ARecord.KartNo.clear();
    return THdlcRecordOutcome::Failed;
  }
  return THdlcRecordOutcome::Decoded;
}

int HdlcAnswerCode(const std::string& AData) {
  if (AData.empty() || AData[0] == '\x01') return 1;
  if (AData[0] == '\x00') return 0;
  return 2;
}
