#include "adapters/KRMira120/KRMira120.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>

#include "adapters/KRMira120/ZkProtocol.h"
#include "adapters/KRMira120/ZkemClient.h"
#include "calendar/ConvertError.h"
#include "calendar/DateValue.h"
#include "calendar/PersianCalendar.h"
#include "calendar/VexDateTime.h"
#include "utils/TextFields.h"

namespace krmira120 {

std::string PadLeftText(const std::string& AText, char APad, std::size_t AWidth) {
  std::string Result = AText;
  while (Result.size() < AWidth) Result.insert(Result.begin(), APad);
  return Result;
}

int StrToIntStrict(const std::string& S) {
  auto Invalid = [&S]() -> EConvertError {
    return EConvertError("'" + S + "' is not a valid integer value");
  };
  std::size_t Pos = 0;
  while (Pos < S.size() && S[Pos] == ' ') ++Pos;
  bool Negative = false;
  if (Pos < S.size() && (S[Pos] == '+' || S[Pos] == '-')) Negative = S[Pos++] == '-';
  int Base = 10;
  if (Pos < S.size() && S[Pos] == '$') {
    Base = 16;
    ++Pos;
  } else if (Pos + 1 < S.size() && S[Pos] == '0' && (S[Pos + 1] == 'x' || S[Pos + 1] == 'X')) {
    Base = 16;
    Pos += 2;
  }
  if (Pos >= S.size()) throw Invalid();
  long long Value = 0;
  for (; Pos < S.size(); ++Pos) {
    const char C = S[Pos];
    int Digit = -1;
    if (C >= '0' && C <= '9') Digit = C - '0';
    if (Base == 16 && C >= 'a' && C <= 'f') Digit = C - 'a' + 10;
    if (Base == 16 && C >= 'A' && C <= 'F') Digit = C - 'A' + 10;
    if (Digit < 0) throw Invalid();
    Value = Value * Base + Digit;
    if (Value > static_cast<long long>(INT_MAX) + 1) throw Invalid();
  }
  if (Negative) Value = -Value;
  if (Value > INT_MAX || Value < INT_MIN) throw Invalid();
  return static_cast<int>(Value);
}

}  // namespace krmira120

using krmira120::PadLeftText;
using krmira120::StrToIntStrict;

namespace {

// Characters AIndex .. AIndex + ACount - 1 (1-based), as far as the text reaches.
std::string Copy(const std::string& S, std::size_t AIndex, std::size_t ACount) {
  if (AIndex < 1 || AIndex > S.size()) return "";
  return S.substr(AIndex - 1, ACount);
}

std::string Pad2(int AValue) {
  return PadLeftText(std::to_string(AValue), '0', 2);
}

// The lines of a text file, split at CR LF, LF or CR.
bool ReadLines(const std::string& AFileName, std::vector<std::string>& ALines) {
  std::string Text;
  try {
    std::ifstream File(AFileName, std::ios::binary);
    if (!File) return false;
    Text.assign(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
    if (File.bad()) return false;
  } catch (const std::exception&) {
    return false;  // a folder, a file that vanished or cannot be read on
  }
  std::string Line;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    if (C == '\r' || C == '\n') {
      ALines.push_back(Line);
      Line.clear();
      if (C == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n') ++I;
    } else {
      Line += C;
    }
  }
  if (!Line.empty()) ALines.push_back(Line);
  return true;
}

std::wstring Widen(const std::string& S) {
  std::wstring W;
  for (char C : S) W += static_cast<wchar_t>(static_cast<unsigned char>(C));
  return W;
}

}  // namespace

namespace {

TZkemControlFactory& ControlFactory() {
  static TZkemControlFactory Factory;
  return Factory;
}

std::unique_ptr<IZkemControl> CreateControl() {
  if (ControlFactory()) {
    if (std::unique_ptr<IZkemControl> Control = ControlFactory()()) return Control;
  }
  return std::make_unique<TZkemClient>();
}

}  // namespace

void SetZkemControlFactory(TZkemControlFactory AFactory) {
  ControlFactory() = std::move(AFactory);
}

TKrMira120::TKrMira120(const std::string& AIpAddress, int APort, int AAddress,
                       const std::string& APassword)
    : TKrMira120(AIpAddress, APort, AAddress, APassword, CreateControl()) {}

TKrMira120::TKrMira120(const std::string& AIpAddress, int APort, int AAddress,
                       const std::string& APassword, std::unique_ptr<IZkemControl> AControl)
    : FPassword(APassword),
      FPort(APort),
      FKRMira120(AControl ? std::move(AControl) : std::make_unique<TZkemClient>()),
      FIpAddress(AIpAddress),
      FAddress(AAddress) {
  FKRMira120->SetMachineNumber(AAddress);
}

TKrMira120::TKrMira120() : FIsInFileMode(true) {}

TKrMira120::~TKrMira120() = default;

bool TKrMira120::Connect() {
  if (FIsInFileMode) return false;
  if (FPort <= 0) FPort = zk::kDefaultPort;
  bool Result = false;
  try {
    Result = FKRMira120->Connect_Net(Widen(FIpAddress), FPort);
  } catch (const std::exception&) {
    Result = false;
  }
  FIsConnected = Result;
  FLogProblem = Result ? "" : ControlProblem("no connection could be made to it");
  return Result;
}

std::string TKrMira120::ControlProblem(const std::string& AWhat) {
  int Code = kZkOk;
  try {
    FKRMira120->GetLastError(Code);
  } catch (const std::exception&) {
    Code = kZkOk;
  }
  switch (Code) {
    case kZkNotConnected:
      return AWhat + ": the connection failed or no answer came in time";
    case kZkRefused:
      return AWhat + ": the terminal refused the request";
    case kZkBadReply:
      return AWhat + ": the terminal's answer was malformed";
    case kZkUnauthorized:
      return AWhat + ": the terminal refused the comm key";
    case kZkTooSlow:
      return AWhat + ": the terminal sent it slower than its size allows";
    default:
      return AWhat;
  }
}

std::string TKrMira120::GetFirmwareVersion() {
  if (FIsInFileMode) return "";
  try {
    std::string Version;
    if (FKRMira120->GetFirmwareVersion(FAddress, Version)) return Version;
    return "";
  } catch (const std::exception&) {
    return "-1";
  }
}

// The terminal keeps Gregorian time; the date is given as the solar date "YYYY/MM/DD" and the
// time as "HH:MM:SS". A date of zeros (a call that gave nothing) is no answer; a day or time that
// does not exist (25:61, the 31st of February) is an answer that cannot be used, and raises.
bool TKrMira120::ReadDeviceTime(std::string& ADate, std::string& ATime) {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
  try {
    FKRMira120->GetDeviceTime(FAddress, Year, Month, Day, Hour, Minute, Second);
  } catch (const std::exception&) {
    return false;
  }
  if (Year == 0 && Month == 0 && Day == 0) return false;
  if (!IsCalendarDate(Year, Month, Day) || !IsDayTime(Hour, Minute, Second)) {
    throw EConvertError("the terminal's time \"" + std::to_string(Year) + "-" + Pad2(Month) + "-" +
                        Pad2(Day) + " " + Pad2(Hour) + ":" + Pad2(Minute) + ":" + Pad2(Second) +
                        "\" does not exist");
  }
  const TSolarDate Solar = ChristianToSolar(EncodeDate(Year, Month, Day));
  ADate = SolarDateToStr(Solar);
  ATime = Pad2(Hour) + ":" + Pad2(Minute) + ":" + Pad2(Second);
  return TrimBlanks(ADate).size() == 10 && TrimBlanks(ATime).size() == 8;
}

bool TKrMira120::GetDateTime(TDateStr& ADate, TTimeStr& ATime) {
  if (FIsInFileMode) return false;
  std::string Date, Time;
  if (!ReadDeviceTime(Date, Time)) return false;
  ADate = Date;
  ATime = Time.substr(0, 5);
  return true;
}

bool TKrMira120::SetDateTime(const TDateStr& ADate, const TTimeStr& ATime) {
  if (FIsInFileMode) return false;
  const std::string& Date = ADate;
  const std::string& Time = ATime;
  const int ShortYear = StrToIntStrict(Copy(Date, 1, 2));
  const int Month = StrToIntStrict(Copy(Date, 4, 2));
  const int Day = StrToIntStrict(Copy(Date, 7, 2));
  const int Hour = StrToIntStrict(Copy(Time, 1, 2));
  const int Minute = StrToIntStrict(Copy(Time, 4, 2));
  TSolarDate Solar;
  Solar.Year = static_cast<std::uint16_t>(ShortYear <= 50 ? 1400 + ShortYear : 1300 + ShortYear);
  Solar.Month = static_cast<std::uint16_t>(Month);
  Solar.Day = static_cast<std::uint16_t>(Day);
  int Year = 0, GMonth = 0, GDay = 0;
  DecodeDate(SolarToChristian(Solar), Year, GMonth, GDay);
  if (Hour < 0 || Hour > 23 || Minute < 0 || Minute > 59) {
    throw EConvertError("Invalid argument to time encode");
  }
  return WriteDeviceTime(Year, GMonth, GDay, Hour, Minute, 0);
}

bool TKrMira120::WriteDeviceTime(int AYear, int AMonth, int ADay, int AHour, int AMinute,
                                 int ASecond) {
  try {
    return FKRMira120->SetDeviceTime2(FAddress, AYear, AMonth, ADay, AHour, AMinute, ASecond);
  } catch (const std::exception&) {
    return false;
  }
}

// Field 1 of a line is the enroll number, field 2 the date-time (year at 1-4, month 6-7, day
// 9-10, time 12-19), field 4 the in/out mode. A blank line, or one with fewer than four fields,
// ends the file; a line repeated in the file (exports overlap) is one record. A part that is no
// number reads as 0, which no date or time check passes.
void TKrMira120::LoadInputFile() {
  FRecords.emplace();
  std::vector<std::string> Lines;
  if (!ReadLines(FInputFileName, Lines)) return;
  auto Number = [](const std::string& AText) {
    try {
      return StrToIntStrict(AText);
    } catch (const EConvertError&) {
      return 0;
    }
  };
  std::set<std::string> Seen;
  for (const std::string& Line : Lines) {
    const std::vector<std::string> Fields = SplitToList('\t', Line);
    if (Fields.size() < 4) break;
    if (!Seen.insert(Line).second) continue;
    const std::string& When = Fields[1];
    TLogEntry E;
    E.EnrollNumber = TrimBlanks(Fields[0]);
    E.Year = Number(Copy(When, 1, 4));
    E.Month = Number(Copy(When, 6, 2));
    E.Day = Number(Copy(When, 9, 2));
    E.Hour = Number(Copy(When, 12, 2));
    E.Minute = Number(Copy(When, 15, 2));
    E.Second = Number(Copy(When, 18, 2));
    E.InOutMode = TrimBlanks(Fields[3]).empty() ? 0 : Number(Fields[3]);
    FRecords->push_back(E);
  }
}

std::vector<TKrMira120::TLogEntry> TKrMira120::FetchLog(bool& AComplete) {
  AComplete = false;
  std::vector<TLogEntry> Log;
  try {
    if (!FKRMira120->ReadAllGLogData(FAddress)) return Log;
    int ErrorCode = 0;
    FKRMira120->GetLastError(ErrorCode);
    while (ErrorCode > 0) {
      TLogEntry E;
      int VerifyMode = 0, WorkCode = 0;
      const bool Got = FKRMira120->SSR_GetGeneralLogData(
          FAddress, E.EnrollNumber, VerifyMode, E.InOutMode, E.Year, E.Month, E.Day, E.Hour,
          E.Minute, E.Second, WorkCode);
      // A control whose error code stays positive after the last record must not keep the
      // reading going for ever.
      if (!Got) break;
      Log.push_back(std::move(E));
      FKRMira120->GetLastError(ErrorCode);
    }
    AComplete = true;
  } catch (const std::exception&) {
    // Reading stops; what was gathered is kept.
  }
  return Log;
}

void TKrMira120::ClearWhenAllTaken() {
  int Count = -1;
  bool Counted = false;
  try {
    Counted = FKRMira120->GetDeviceStatus(FAddress, kZkStatusRecordCount, Count);
  } catch (const std::exception&) {
    Counted = false;
  }
  if (!Counted || Count < 0) {
    FClearProblem = ControlProblem("its record count could not be read");
    return;
  }
  if (static_cast<std::size_t>(Count) != FTakenBefore) {
    FClearProblem = "it counts " + std::to_string(Count) + " records, " +
                    std::to_string(FTakenBefore) + " were read";
    return;
  }
  if (DeleteAllRecord()) {
    FTakenBefore = 0;
    FClearProblem.clear();
  } else {
    FClearProblem = ControlProblem("it refused the clearing");
  }
}

int TKrMira120::IsEmpty() {
  const std::size_t Batch = FRecords ? FRecords->size() : 0;
  const std::size_t Index = static_cast<std::size_t>(std::max(FCurrentRecordIndex, 0));
  if (Index < Batch) return 0;
  if (FIsInFileMode && FRecords) return 1;
  if (FIsInFileMode) {
    LoadInputFile();
    FCurrentRecordIndex = 0;
    return FRecords->empty() ? 1 : 0;
  }
  // The terminal keeps its log until it is cleared, new punches at the end: the records handed
  // out so far are the first ones of the log read now.
  FTakenBefore += Batch;
  FCurrentRecordIndex = 0;
  FRecords.emplace();
  FLogProblem.clear();
  const auto Unreadable = [this] {
    FLogProblem = ControlProblem("its attendance log could not be read");
    return kUnreadable;
  };
  // When the terminal counts just the records handed out, nothing came since: the log is cleared
  // without being read again, which for a large log would cost as much as the first reading.
  if (FTakenBefore > 0) {
    ClearWhenAllTaken();
    if (FTakenBefore == 0) return 1;
  }
  // A punch stored between the read and the count is read at the next pass.
  for (int Pass = 0; Pass < kReadPasses; ++Pass) {
    bool Complete = false;
    std::vector<TLogEntry> Log = FetchLog(Complete);
    if (Log.size() < FTakenBefore) {
      // Fewer records than were handed out: the log was cleared by someone else. Everything in it
      // is new; handing a record out twice is better than never.
      if (!Complete) return Unreadable();
      FTakenBefore = 0;
    }
    if (Log.size() > FTakenBefore) {
      FRecords->assign(std::make_move_iterator(Log.begin() + static_cast<std::ptrdiff_t>(FTakenBefore)),
                       std::make_move_iterator(Log.end()));
      return 0;
    }
    // A read that failed says nothing about what the terminal still holds: it never leads to
    // clearing, and it is no empty terminal.
    if (!Complete) return Unreadable();
    if (FTakenBefore == 0) return 1;
    ClearWhenAllTaken();
    if (FTakenBefore == 0) return 1;
  }
  // Records were handed out and the log still holds them: the terminal refused the clearing or
  // kept counting more records than it sent. It is not empty, and the records taken have not
  // left it: they come again next time.
  FLogProblem = "its attendance log was not cleared: " + FClearProblem;
  return kUnreadable;
}

bool TKrMira120::DeleteAllRecord() {
  if (FIsInFileMode) return false;
  try {
    return FKRMira120->ClearGLog(FAddress);
  } catch (const std::exception&) {
    return false;
  }
}

TMira120Record TKrMira120::GetRecord() {
  TMira120Record R;
  R.ComIp = FIpAddress;
  R.ClockNumber = FAddress;
  R.RecType1 = "00";
  R.RecType2 = "00";
  if (!FRecords || FCurrentRecordIndex < 0 ||
      FCurrentRecordIndex >= static_cast<std::int32_t>(FRecords->size())) {
    return R;
  }
  const TLogEntry& E = (*FRecords)[static_cast<std::size_t>(FCurrentRecordIndex)];
  R.KartNo = E.EnrollNumber;
  R.SequenceCode = 'A';
  R.Second = E.Second;
  const std::string GregorianDate =
      std::to_string(E.Year) + "/" + Pad2(E.Month) + "/" + Pad2(E.Day);
  const std::string Clock = Pad2(E.Hour) + ":" + Pad2(E.Minute);
  const bool TimeValid = E.Hour >= 0 && E.Hour <= 23 && E.Minute >= 0 && E.Minute <= 59 &&
                         E.Second >= 0 && E.Second <= 59;
  std::optional<TDateValue> Gregorian;
  try {
    Gregorian = EncodeDate(E.Year, E.Month, E.Day);
  } catch (const EConvertError&) {
    Gregorian.reset();
  }
  if (TrimBlanks(E.EnrollNumber).empty()) R.Fault = "blank user id";
  if (!Gregorian || !TimeValid) {
    R.Fault += std::string(R.Fault.empty() ? "" : ", ") + "impossible date or time";
    R.ImpossibleDate = true;
  }
  if (!R.Fault.empty()) {
    // Kept as the terminal gave it, not "fixed": the Gregorian date and time and the mode.
    R.Date = GregorianDate;
    R.Time = Clock;
    R.Data = E.EnrollNumber + " " + GregorianDate + " " + Clock + ":" + Pad2(E.Second) + " " +
             std::to_string(E.InOutMode);
    return R;
  }
  R.Date = SolarDateToStr(ChristianToSolar(*Gregorian));
  R.Time = Clock;
  std::string Time = R.Time;
  std::erase(Time, ':');
  // Composed before the type is known: the two type codes in it are always "00".
  R.Data = std::string(3, '\x01') + PadLeftText(R.KartNo, '0', 10) + DateStrToMMDD(R.Date, 0) +
           Time + R.RecType1.str() + R.RecType2.str() + "A";
  if (E.InOutMode == 2) {
    R.IOType = ioVacation;
    R.RecType1 = "11";
  } else if (E.InOutMode == 3) {
    R.IOType = ioMission;
    R.RecType1 = "12";
  }
  return R;
}

bool TKrMira120::NextRecord() {
  ++FCurrentRecordIndex;
  return true;
}

void TKrMira120::SetInputFileName(const std::string& AValue) {
  if (!FIsInFileMode) return;
  FInputFileName = AValue;
  FRecords.reset();
  FCurrentRecordIndex = 0;
}
