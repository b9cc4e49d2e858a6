#include "adapters/KRMira/KRMira.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

#include "calendar/ConvertError.h"
#include "calendar/VexDateTime.h"
#include "platform/PlatformError.h"
#include "utils/TextFields.h"

namespace krmira {
namespace {

// The record request asks for everything between these days. The solar range runs well past
// 1399 so that records of the current solar century are fetched; the Gregorian one ends at the
// same distance in the future.
constexpr TRecordRange kSolarRange{"1300/01/01", "1499/12/29"};
constexpr TRecordRange kChristianRange{"1900/01/01", "2099/12/29"};

std::string ReplaceChar(std::string S, char AFrom, char ATo) {
  std::replace(S.begin(), S.end(), AFrom, ATo);
  return S;
}

// The text from APos up to the next ASeparator; APos moves past the separator. Without one the
// part is empty and APos moves to the end, so that the conversion of the part fails.
std::string TakeUpTo(const std::string& S, std::size_t& APos, char ASeparator) {
  const std::size_t at = APos < S.size() ? S.find(ASeparator, APos) : std::string::npos;
  if (at == std::string::npos) {
    APos = S.size();
    return {};
  }
  std::string part = S.substr(APos, at - APos);
  APos = at + 1;
  return part;
}

bool IsTrailingBlank(char c) {
  return c == ' ' || c == '\r' || c == '\n' || c == '\t';
}

}  // namespace

std::string BuildDeviceInfoText(std::int32_t AAddress, const std::string& AIpAddress,
                                const std::string& APassword) {
  std::string passwordClause;
  if (!TrimBlanks(APassword).empty()) passwordClause = "password = \"" + APassword + "\"";
  return "DeviceInfo(dev_id = \"" + std::to_string(AAddress) +
         "\" dev_type = \"HW_HDCP\" comm_type = \"ip\" ip_address = \"" + AIpAddress +
         "\" port_number = \"" + std::to_string(kPortNumber) + "\" " + passwordClause + " )";
}

std::string GetValue(const std::string& AReply, const std::string& AName) {
  const std::size_t at = AReply.find(AName + "=");
  if (at == std::string::npos) return {};
  // One character after the "=": the opening quote is skipped without being looked at.
  const std::size_t start = at + AName.size() + 2;
  if (start > AReply.size()) return {};
  const std::size_t close = AReply.find('"', start);
  if (close == std::string::npos) return {};
  return AReply.substr(start, close - start);
}

std::string PadLeftText(const std::string& AText, const std::string& APad, std::size_t AWidth) {
  std::string result = AText;
  if (APad.empty()) return result;
  while (result.size() < AWidth) result.insert(0, APad);
  return result;
}

std::int32_t StrToIntStrict(const std::string& S) {
  std::size_t i = 0;
  bool negative = false;
  if (i < S.size() && (S[i] == '+' || S[i] == '-')) {
    negative = S[i] == '-';
    ++i;
  }
  if (i == S.size()) throw EConvertError("'" + S + "' is not a valid integer value");
  std::int64_t value = 0;
  for (; i < S.size(); ++i) {
    if (S[i] < '0' || S[i] > '9') throw EConvertError("'" + S + "' is not a valid integer value");
    value = value * 10 + (S[i] - '0');
    if (value > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1) {
      throw EConvertError("'" + S + "' is not a valid integer value");
    }
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) {
    throw EConvertError("'" + S + "' is not a valid integer value");
  }
  return static_cast<std::int32_t>(value);
}

TDeviceTime ParseDeviceTime(const std::string& AValue) {
  const std::string text = ReplaceChar(AValue, '-', '/');
  std::size_t pos = 0;
  const std::string yearText = TakeUpTo(text, pos, '/');
  const std::string monthText = TakeUpTo(text, pos, '/');
  const std::string dayText = TakeUpTo(text, pos, ' ');
  const std::string hourText = TakeUpTo(text, pos, ':');
  const std::string minuteText = TakeUpTo(text, pos, ':');
  const std::string secondText = text.substr(pos);
  const EConvertError noTime("the terminal's time \"" + AValue + "\" is no date and time");
  TDateParts date;
  std::int32_t hour = 0, minute = 0, second = 0;
  try {
    date = {StrToIntStrict(yearText), StrToIntStrict(monthText), StrToIntStrict(dayText)};
    hour = StrToIntStrict(hourText);
    minute = StrToIntStrict(minuteText);
    second = StrToIntStrict(secondText);
  } catch (const EConvertError&) {
    throw noTime;
  }
  // Numbers, but no day and time of its calendar (25:61, the 31st of February): not "corrected"
  // into some other day.
  if (!IsCalendarDate(date.Year, date.Month, date.Day) || !IsDayTime(hour, minute, second))
    throw EConvertError("the terminal's time \"" + AValue + "\" does not exist");
  if (date.Year > 1800) date = ChristianToSolarParts(date);
  TDeviceTime result;
  const std::string dateText =
      std::to_string(date.Year) + "/" + std::to_string(date.Month) + "/" + std::to_string(date.Day);
  result.Date = DateStrToLongDate(TDateStr(dateText), 0);
  result.Time = PadLeftText(std::to_string(hour), "0", 2) + ":" +
                PadLeftText(std::to_string(minute), "0", 2) + ":" +
                PadLeftText(std::to_string(second), "0", 2);
  return result;
}

std::string DateToDevice(const TDateStr& ADate, TDateType ADeviceDateType) {
  TDateStr date = DateStrToLongDate(ADate, 0);
  // An empty date fails here, as the year is read.
  const std::int32_t year = StrToIntStrict(date.str().substr(0, 4));
  if (year > 1800 && ADeviceDateType == Solar) {
    date = ChristianToSolarDateStr(date);
  } else if (year < 1800 && ADeviceDateType == Christian) {
    date = SolarToChristianDateStr(date);
  }
  return ReplaceChar(date.str(), '/', '-');
}

std::string DateTimeToDevice(const TDateStr& ADate, const std::string& ATime,
                             TDateType ADeviceDateType) {
  const std::string time = ATime.size() == 5 ? ATime + ":00" : ATime;
  return DateToDevice(ADate, ADeviceDateType) + " " + time;
}

std::vector<std::string> SplitRecordTexts(const std::string& AReply) {
  static const std::string kMarker = "time=";
  std::vector<std::string> records;
  std::size_t b = AReply.find(kMarker);
  // Positions count from 0 here; the loop stops once fewer than six characters follow b.
  while (b != std::string::npos && b + kMarker.size() + 1 < AReply.size()) {
    std::size_t a = AReply.find(kMarker, b + kMarker.size());
    // The last record runs to one short of the reply's end: the closing character is dropped.
    if (a == std::string::npos) a = AReply.size() - 1;
    std::string record = AReply.substr(b, a - b);
    while (!record.empty() && IsTrailingBlank(record.back())) record.pop_back();
    records.push_back(std::move(record));
    b = a;
  }
  return records;
}

TRecordRange RecordRange(TDateType ADeviceDateType) {
  return ADeviceDateType == Solar ? kSolarRange : kChristianRange;
}

std::string RecordRequest(TDateType ADeviceDateType) {
  const TRecordRange range = RecordRange(ADeviceDateType);
  return "GetRecord(start_time= \"" +
         DateTimeToDevice(TDateStr(range.StartDate), "00:00:00", ADeviceDateType) +
         "\" end_time=\"" + DateTimeToDevice(TDateStr(range.EndDate), "23:59:59", ADeviceDateType) +
         "\" )";
}

TStatusMeaning StatusMeaning(const std::string& AStatus) {
  int status = 0;
  try {
    status = StrToIntStrict(AStatus);
  } catch (const EConvertError&) {
    status = 0;
  }
  switch (status) {
    case 1:
      return {iotEnter, "00", "03"};
    case 2:
      return {iotExit, "00", "02"};
    case 3:
    case 4:
    case 5:
      return {ioVacation, "11", "00"};
    case 6:
    case 7:
    case 8:
      return {ioMission, "12", "00"};
    default:
      return {iotNone, "00", "00"};
  }
}

std::string RecordData(const std::string& AKartNo, const TDateStr& ADate, const TTimeStr& ATime,
                       const std::string& ARecType1, const std::string& ARecType2) {
  std::string time = ATime.str();
  time.erase(std::remove(time.begin(), time.end(), ':'), time.end());
  return std::string(3, '\x01') + PadLeftText(AKartNo, "0", 10) + DateStrToMMDD(ADate, 0) + time +
         ARecType1 + ARecType2 + "A";
}

}  // namespace krmira

using namespace krmira;

TKrMira::TKrMira(const std::string& AIpAddress, std::int32_t AAddress, const std::string& APassword)
    : FIpAddress(AIpAddress), FAddress(AAddress), FPassword(APassword) {}

TKrMira::TKrMira() : FIsInFileMode(true) {}

TKrMira::~TKrMira() = default;

std::string TKrMira::DeviceInfoText() const {
  return BuildDeviceInfoText(FAddress, FIpAddress, FPassword);
}

void TKrMira::SetInputFileName(const std::string& AValue) {
  if (!FIsInFileMode) return;
  FInputFileName = AValue;
  FAllRecords.clear();
  FRecords.reset();
  FCurrentRecordIndex = 0;
}

bool TKrMira::ExecuteCommand(const std::string& ACommand, std::string& AReply) {
  AReply.clear();
  if (FIsInFileMode) {
    if (FRecords) return false;
    std::ifstream file(FInputFileName, std::ios::binary);
    if (!file) throw PlatformError("Cannot open file \"" + FInputFileName + "\"");
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) throw PlatformError("Cannot read file \"" + FInputFileName + "\"");
    AReply = text.str();
    return true;
  }
  std::shared_ptr<IHwDevVendor> libraries;
  IHwDevVendor* vendor = FVendor;
  if (vendor == nullptr) {
    libraries = HwDevLibraries();
    vendor = libraries.get();
  }
  std::string reply;
  if (vendor->Execute(DeviceInfoText(), ACommand, reply) != 0) return false;
  AReply = std::move(reply);
  return AReply.find("success") != std::string::npos;
}

bool TKrMira::DecodePhoto(const std::string& AText, std::string& ABytes) {
  if (FVendor != nullptr) return FVendor->Base64Decode(AText, ABytes);
  return HwDevLibraries()->Base64Decode(AText, ABytes);
}

std::string TKrMira::GetDeviceInfo() {
  if (FIsInFileMode) return {};
  std::string reply;
  ExecuteCommand("GetDeviceInfo()", reply);
  return reply;
}

bool TKrMira::TestConnection() {
  if (FIsInFileMode) return false;
  try {
    return !TrimBlanks(GetDeviceInfo()).empty();
  } catch (...) {
    return false;
  }
}

std::string TKrMira::GetFirmwareVersion() {
  if (FIsInFileMode) return {};
  return GetValue(GetDeviceInfo(), "edition");
}

bool TKrMira::ReadDeviceTime(TDeviceTime& ATime) {
  if (FIsInFileMode) return false;
  const std::string value = GetValue(GetDeviceInfo(), "time");
  if (TrimBlanks(value).empty()) return false;
  ATime = ParseDeviceTime(value);
  FDeviceDateType = StrToIntStrict(value.substr(0, 4)) <= 1800 ? Solar : Christian;
  return true;
}

bool TKrMira::GetDateTime(TDateStr& ADate, TTimeStr& ATime) {
  TDeviceTime time;
  if (FIsInFileMode || !ReadDeviceTime(time)) return false;
  ADate = time.Date;
  ATime = time.Time.substr(0, 5);
  return true;
}

bool TKrMira::SetDateTime(const TDateStr& ADate, const TTimeStr& ATime) {
  if (FIsInFileMode) return false;
  const std::string command =
      "SetDeviceInfo(time=\"" + DateTimeToDevice(ADate, ATime, FDeviceDateType) + "\")";
  std::string reply;
  return ExecuteCommand(command, reply);
}

std::vector<std::string> TKrMira::FetchNewRecords(bool& AFetched) {
  std::vector<std::string> batch;
  std::string reply;
  AFetched = ExecuteCommand(RecordRequest(FDeviceDateType), reply);
  if (!AFetched) return batch;
  for (std::string& record : SplitRecordTexts(reply)) {
    if (FAllRecords.insert(record).second) batch.push_back(std::move(record));
  }
  return batch;
}

bool TKrMira::DeleteAllRecords() {
  if (FIsInFileMode) return false;
  std::string reply;
  const bool success = ExecuteCommand("DeleteAllRecord()", reply);
  if (success) FAllRecords.clear();
  return success;
}

int TKrMira::IsEmpty() {
  if (FIsInFileMode && FRecords) return FCurrentRecordIndex < FRecords->size() ? 0 : 1;
  if (FRecords && FCurrentRecordIndex < FRecords->size()) return 0;
  const bool hadRecords = FRecords && !FRecords->empty();
  FLogProblem.clear();
  if (!FIsInFileMode) {
    TDeviceTime time;  // read for the calendar the record request is written in
    try {
      if (!ReadDeviceTime(time)) {
        FLogProblem = "it did not tell its time, which its record request needs";
        return -1;
      }
    } catch (const EConvertError& e) {
      FLogProblem = e.what();
      return -1;
    }
  }
  bool fetched = false;
  std::vector<std::string> batch = FetchNewRecords(fetched);
  // A request the terminal did not carry out says nothing about its records: the handed-out
  // batch stays as it is (nothing is handed out twice) and the terminal is not cleared, since
  // records that arrived after the last fetch would be lost with it.
  if (!fetched) {
    FLogProblem = "it did not carry out the record request";
    return -1;
  }
  FRecords = std::make_unique<std::vector<std::string>>(std::move(batch));
  FCurrentRecordIndex = 0;
  // Records are deleted only after every record fetched has been handed out and a further fetch
  // brings nothing new.
  if (FRecords->empty() && hadRecords) DeleteAllRecords();
  return FRecords->empty() ? 1 : 0;
}

TMiraRecord TKrMira::GetRecord() {
  TMiraRecord record;
  record.ComIp = FIpAddress;
  record.ClockNumber = FAddress;
  record.RecType1 = "00";
  record.RecType2 = "00";
  if (!FRecords) FRecords = std::make_unique<std::vector<std::string>>();
  if (FCurrentRecordIndex >= FRecords->size()) return record;
  const std::string& text = (*FRecords)[FCurrentRecordIndex];
  if (TrimBlanks(text).empty()) return record;

  record.KartNo = GetValue(text, "id");
  const std::string timeText = GetValue(text, "time");
  TDeviceTime when;
  try {
    when = ParseDeviceTime(timeText);
  } catch (const EConvertError& e) {
    // Kept as the terminal gave it and marked: the date and time it sent, the record's own text
    // without its photo.
    record.Fault = e.what();
    record.ImpossibleDate = true;
    record.Date = timeText.substr(0, timeText.find(' '));
    const std::size_t blank = timeText.find(' ');
    record.Time = blank == std::string::npos ? std::string() : timeText.substr(blank + 1, 5);
    record.SequenceCode = 'A';
    record.Data = "time=\"" + timeText + "\" id=\"" + record.KartNo + "\" status=\"" +
                  GetValue(text, "status") + "\"";
    return record;
  }
  record.Date = DateStrToYYMMDD(TDateStr(when.Date), 0);
  record.Time = when.Time.substr(0, 5);
  const std::string second = when.Time.substr(6);
  if (second.size() == 2 && IsDigits(second)) record.Second = std::stoi(second);
  record.SequenceCode = 'A';
  const std::string status = GetValue(text, "status");
  if (!TrimBlanks(status).empty()) {
    const TStatusMeaning meaning = StatusMeaning(status);
    record.IOType = meaning.IOType;
    record.RecType1 = meaning.RecType1;
    record.RecType2 = meaning.RecType2;
  }
  const std::string photo = GetValue(text, "photo");
  if (!TrimBlanks(photo).empty()) {
    std::string bytes;
    if (DecodePhoto(photo, bytes))
      record.ImageData = std::make_shared<std::string>(std::move(bytes));
  }
  record.Data =
      RecordData(record.KartNo, record.Date, record.Time, record.RecType1, record.RecType2);
  return record;
}

bool TKrMira::NextRecord() {
  ++FCurrentRecordIndex;
  return true;
}
