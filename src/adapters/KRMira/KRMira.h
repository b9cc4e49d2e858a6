#pragma once
// The adapter for the first kind of face-recognition terminal. It speaks no byte protocol of its
// own: every request is one text command handed, with a device-description text, to the vendor
// library's HwDev_Execute (see adapters/KRMira/HwDevLibrary.h); the reply is text made of
// name="value" pairs. Photos come as base64 text and are decoded by HDCP_Base64Decode.
//
// The adapter reads the terminal's clock (and from the year it shows, the calendar the terminal
// keeps), sets it, fetches the records of a wide date range, hands them out one at a time and
// clears the terminal once everything fetched has been handed out. A file mode replays a saved
// record reply from a text file instead of talking to a terminal.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "adapters/IOType.h"
#include "adapters/KRMira/HwDevLibrary.h"
#include "calendar/ShortString.h"
#include "utils/ClockVocabulary.h"

// One record as the adapter hands it out.
struct TMiraRecord {
  TShortString<15> ComIp;        // the adapter's IP address
  std::int32_t ClockNumber = 0;  // the adapter's device id
  std::string KartNo;            // the record's value "id", whole
  TDateStr Date;                 // solar date, YYMMDD
  TTimeStr Time;                 // HH:MM
  int Second = -1;               // the seconds of the time
  TShortString<2> RecType1;      // "00" ordinary, "11" leave, "12" mission
  TShortString<2> RecType2;      // "00" not stated, "03" entry, "02" exit
  char SequenceCode = '\0';      // 'A' when a record was read
  // The record in the card clocks' raw record text; for a marked record its own values as text.
  std::string Data;
  // Why the record failed its checks ("" when it passed): a time that is none or does not exist.
  // Such a record is still handed out, with Date and Time as the terminal sent them.
  std::string Fault;
  bool ImpossibleDate = false;
  // The record's photo; whoever receives the record owns it.
  std::shared_ptr<std::string> ImageData;
  bool FingerPrint = false;
  TIOType IOType = iotNone;
};

// The pieces of the adapter that read and write texts, free of any terminal.
namespace krmira {

// Every command goes to this port of the terminal.
inline constexpr int kPortNumber = 9922;

// The device-description text that goes with every command.
std::string BuildDeviceInfoText(std::int32_t AAddress, const std::string& AIpAddress,
                                const std::string& APassword);

// The value of the first `AName=` in AReply (case-sensitive): from one character after the "="
// (the opening quote, not examined) up to the next double quote. "" when the name is absent or
// the value is not closed.
std::string GetValue(const std::string& AReply, const std::string& AName);

// AText with APad put in front while it is shorter than AWidth.
std::string PadLeftText(const std::string& AText, const std::string& APad, std::size_t AWidth);

// Whole text as a decimal integer: an optional sign and digits, nothing else, within 32 bits.
// Throws EConvertError otherwise.
std::int32_t StrToIntStrict(const std::string& S);

// A terminal date-time, year-month-day hour:minute:second ("-" or "/" between the date parts).
struct TDeviceTime {
  std::string Date;  // the solar date, "YYYY/MM/DD"
  std::string Time;  // "HH:MM:SS"
};
// A year above 1800 is Gregorian and is converted to the solar calendar. Throws EConvertError,
// quoting AValue, when a part is missing or is not a number, or the day or time does not exist.
TDeviceTime ParseDeviceTime(const std::string& AValue);

// ADate written for a terminal that keeps ADeviceDateType: year-month-day with "-". A date whose
// year is on the other side of 1800 than the terminal's calendar is converted (without leading
// zeros). Throws EConvertError when ADate is no date.
std::string DateToDevice(const TDateStr& ADate, TDateType ADeviceDateType);
// DateToDevice, one blank, and the time (":00" added to a time of exactly 5 characters).
std::string DateTimeToDevice(const TDateStr& ADate, const std::string& ATime,
                             TDateType ADeviceDateType);

// The record texts of a record reply: each from one "time=" up to the next; the last one stops
// one character short of the reply's end (the reply's closing character). Trailing blanks and
// line breaks are not part of a record text.
std::vector<std::string> SplitRecordTexts(const std::string& AReply);

// The first and last day of the record request for a terminal of the given calendar.
struct TRecordRange {
  const char* StartDate;
  const char* EndDate;
};
TRecordRange RecordRange(TDateType ADeviceDateType);
// The record request for that range.
std::string RecordRequest(TDateType ADeviceDateType);

struct TStatusMeaning {
  TIOType IOType;
  const char* RecType1;
  const char* RecType2;
};
// The meaning of a record's value "status" (a non-number counts as 0).
TStatusMeaning StatusMeaning(const std::string& AStatus);

// The record in the card clocks' raw record text: three characters 01h, the card padded with "0"
// to 10, MMDD, HHMM, the two record types and "A".
std::string RecordData(const std::string& AKartNo, const TDateStr& ADate, const TTimeStr& ATime,
                       const std::string& ARecType1, const std::string& ARecType2);

}  // namespace krmira

class TKrMira {
 public:
  // An adapter for the terminal at AIpAddress with device id AAddress; a blank password means
  // none.
  TKrMira(const std::string& AIpAddress, std::int32_t AAddress, const std::string& APassword);
  // An adapter in file mode (see SetInputFileName).
  TKrMira();
  ~TKrMira();
  TKrMira(const TKrMira&) = delete;
  TKrMira& operator=(const TKrMira&) = delete;

  // True when the terminal answers its device information. Never raises.
  bool TestConnection();
  // The value "edition" of the device information; "" in file mode or without an answer.
  std::string GetFirmwareVersion();
  // The terminal's solar date "YYYY/MM/DD" and time HH:MM. Throws EConvertError when the
  // terminal's time is not a date-time.
  bool GetDateTime(TDateStr& ADate, TTimeStr& ATime);
  // Sets the terminal's clock, written in the calendar the last reading of its time showed.
  // Throws EConvertError when ADate is no date.
  bool SetDateTime(const TDateStr& ADate, const TTimeStr& ATime);
  // 0: records waiting; 1: none; -1: the terminal did not answer. Fetches a new batch when the
  // current one has been handed out, and clears the terminal when that fetch brings nothing new
  // after a batch that held records. In file mode, loads the file once; a file that cannot be
  // read raises PlatformError.
  int IsEmpty();
  // The current record; a cleared record (empty KartNo) when there is none.
  TMiraRecord GetRecord();
  // Moves on to the next record; always true.
  bool NextRecord();
  // Why the last IsEmpty gave -1, as a clause about the terminal; "" when it did not.
  const std::string& LogProblem() const { return FLogProblem; }

  const std::string& IpAddress() const { return FIpAddress; }
  void SetIpAddress(const std::string& AValue) { FIpAddress = AValue; }
  std::int32_t Address() const { return FAddress; }
  void SetAddress(std::int32_t AValue) { FAddress = AValue; }
  // File mode only (ignored otherwise): the file to replay; forgets every record.
  void SetInputFileName(const std::string& AValue);
  const std::string& InputFileName() const { return FInputFileName; }
  bool IsInFileMode() const { return FIsInFileMode; }
  // The calendar the terminal keeps, as the last reading of its time showed (Christian before).
  TDateType DeviceDateType() const { return FDeviceDateType; }
  // The device-description text sent with every command.
  std::string DeviceInfoText() const;

  // Where commands go: AVendor (not owned) or, with nullptr, the vendor libraries.
  void SetVendor(IHwDevVendor* AVendor) { FVendor = AVendor; }

 private:
  bool ExecuteCommand(const std::string& ACommand, std::string& AReply);
  std::string GetDeviceInfo();
  bool ReadDeviceTime(krmira::TDeviceTime& ATime);
  // The records of the reply that were not fetched before; AFetched false when the terminal did
  // not carry the request out.
  std::vector<std::string> FetchNewRecords(bool& AFetched);
  bool DeleteAllRecords();
  bool DecodePhoto(const std::string& AText, std::string& ABytes);

  std::string FLogProblem;
  std::string FIpAddress;
  std::int32_t FAddress = 0;
  std::string FPassword;
  TDateType FDeviceDateType = Christian;
  // Every record text fetched since the terminal was last cleared, to drop repeats.
  std::unordered_set<std::string> FAllRecords;
  // The batch being handed out; none before the first fetch.
  std::unique_ptr<std::vector<std::string>> FRecords;
  std::size_t FCurrentRecordIndex = 0;
  bool FIsInFileMode = false;
  std::string FInputFileName;
  IHwDevVendor* FVendor = nullptr;
};
