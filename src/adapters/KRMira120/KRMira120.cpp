#include "adapters/KRMira120/KRMira120.h"

#include <climits>
#include <exception>
#include <fstream>
#include <iterator>

#include "adapters/KRMira120/ZkProtocol.h"
#include "adapters/KRMira120/ZkemClient.h"
#include "calendar/ConvertError.h"
#include "calendar/DateValue.h"
#include "calendar/PersianCalendar.h"
#include "calendar/VexDateTime.h"
#include "platform/Platform.h"
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
  return Result;
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
// time as "HH:MM:SS". A date of zeros (a call that gave nothing) cannot be encoded and fails.
bool TKrMira120::ReadDeviceTime(std::string& ADate, std::string& ATime) {
  try {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
    FKRMira120->GetDeviceTime(FAddress, Year, Month, Day, Hour, Minute, Second);
    const TSolarDate Solar = ChristianToSolar(EncodeDate(Year, Month, Day));
    ADate = SolarDateToStr(Solar);
    ATime = Pad2(Hour) + ":" + Pad2(Minute) + ":" + Pad2(Second);
    return TrimBlanks(ADate).size() == 10 && TrimBlanks(ATime).size() == 8;
  } catch (const std::exception&) {
    return false;
  }
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
// ends the file.
void TKrMira120::LoadInputFile() {
  FRecords.emplace();
  std::vector<std::string> Lines;
  if (!ReadLines(FInputFileName, Lines)) return;
  for (const std::string& Line : Lines) {
    const std::vector<std::string> Fields = SplitToList('\t', Line);
    if (Fields.size() < 4) break;
    const std::string& When = Fields[1];
    const std::string Text = TrimBlanks(Fields[0]) + "X" + Copy(When, 1, 4) + "/" +
                             Copy(When, 6, 2) + "/" + Copy(When, 9, 2) + Copy(When, 12, 8) + "X" +
                             PadLeftText(Fields[3], '0', 2);
    if (FAllRecords.insert(Text).second) FRecords->push_back(Text);
  }
}

std::vector<std::string> TKrMira120::FetchNewRecords(bool& AComplete) {
  AComplete = false;
  if (FIsInFileMode) {
    if (!FRecords) LoadInputFile();
    AComplete = true;
    return *FRecords;
  }
  std::vector<std::string> Batch;
  try {
    if (!FKRMira120->ReadAllGLogData(FAddress)) return Batch;
    int ErrorCode = 0;
    FKRMira120->GetLastError(ErrorCode);
    while (ErrorCode > 0) {
      std::string EnrollNumber;
      int VerifyMode = 0, InOutMode = 0, Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0,
          Second = 0, WorkCode = 0;
      const bool Got =
          FKRMira120->SSR_GetGeneralLogData(FAddress, EnrollNumber, VerifyMode, InOutMode, Year,
                                            Month, Day, Hour, Minute, Second, WorkCode);
      const std::string Text = EnrollNumber + "X" + std::to_string(Year) + "/" + Pad2(Month) + "/" +
                               Pad2(Day) + Pad2(Hour) + ":" + Pad2(Minute) + ":" + Pad2(Second) +
                               "X" + Pad2(InOutMode);
      if (!TrimBlanks(EnrollNumber).empty() && FAllRecords.insert(Text).second)
        Batch.push_back(Text);
      // A control whose error code stays positive after the last record must not keep the
      // reading going for ever.
      if (!Got) break;
      FKRMira120->GetLastError(ErrorCode);
    }
    AComplete = true;
  } catch (const std::exception&) {
    // Reading stops; what was gathered is kept.
  }
  return Batch;
}

int TKrMira120::IsEmpty() {
  const std::int32_t Waiting =
      FRecords ? static_cast<std::int32_t>(FRecords->size()) - FCurrentRecordIndex : 0;
  if (FIsInFileMode && FRecords) return Waiting > 0 ? 0 : 1;
  if (Waiting > 0) return 0;
  const bool HadRecords = FRecords && !FRecords->empty();
  FCurrentRecordIndex = 0;
  bool Complete = false;
  std::vector<std::string> Batch = FetchNewRecords(Complete);
  const bool Empty = Batch.empty();
  if (!FIsInFileMode) FRecords = std::move(Batch);
  // Every record fetched has been handed out and a full further read brings nothing new: the
  // terminal's log can go. A read that failed says nothing about what the terminal still holds,
  // so it never leads to clearing.
  if (Empty && HadRecords && Complete) DeleteAllRecord();
  return Empty ? 1 : 0;
}

bool TKrMira120::DeleteAllRecord() {
  if (FIsInFileMode) return false;
  bool Result = false;
  try {
    Result = FKRMira120->ClearGLog(FAddress);
  } catch (const std::exception&) {
    Result = false;
  }
  if (Result) FAllRecords.clear();
  return Result;
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
  const std::vector<std::string> Parts =
      SplitToList('X', (*FRecords)[static_cast<std::size_t>(FCurrentRecordIndex)]);
  if (Parts.size() != 3) return R;
  R.KartNo = Parts[0];
  const TDateValue Gregorian =
      StrToDate(Copy(Parts[1], 1, 10), "YYYY/MM/DD", platform::Clock().localNow().Year);
  R.Date = SolarDateToStr(ChristianToSolar(Gregorian));
  R.Time = Copy(Parts[1], 11, 5);
  R.SequenceCode = 'A';
  std::string Time = R.Time;
  std::erase(Time, ':');
  // Composed before the type is known: the two type codes in it are always "00".
  R.Data = std::string(3, '\x01') + PadLeftText(R.KartNo, '0', 10) + DateStrToMMDD(R.Date, 0) +
           Time + R.RecType1.str() + R.RecType2.str() + "A";
  if (!TrimBlanks(Parts[2]).empty()) {
    int InOutMode = 0;
    try {
      InOutMode = StrToIntStrict(Parts[2]);
    } catch (const EConvertError&) {
      InOutMode = 0;
    }
    if (InOutMode == 2) {
      R.IOType = ioVacation;
      R.RecType1 = "11";
    } else if (InOutMode == 3) {
      R.IOType = ioMission;
      R.RecType1 = "12";
    }
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
  FAllRecords.clear();
  FRecords.reset();
  FCurrentRecordIndex = 0;
}
