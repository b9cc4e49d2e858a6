#pragma once
// The adapter through which a clock object talks to a face-recognition terminal of the second kind
// (KR-Mira120): connect, firmware version, the terminal's clock (kept in Gregorian time; the
// adapter speaks solar dates), the attendance log handed out one record at a time, and clearing
// the log once everything fetched has been handed out. A file mode replays a tab-separated text
// file of log lines instead of a terminal.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapters/IOType.h"
#include "adapters/KRMira120/ZkemControl.h"
#include "calendar/ShortString.h"

// One attendance record as the adapter hands it out; the same fields as the first kind's record.
struct TMira120Record {
  TShortString<15> ComIp;
  std::int32_t ClockNumber = 0;
  // The user id whole, as the terminal keeps it.
  std::string KartNo;
  // Solar date "YYYY/MM/DD".
  TDateStr Date;
  // "HH:MM".
  TTimeStr Time;
  // The seconds of the punch.
  int Second = -1;
  TShortString<2> RecType1;
  TShortString<2> RecType2;
  // 'A' when a record was read, character 0 otherwise.
  char SequenceCode = '\0';
  TShortString<50> Data;
  // Why the record failed its checks ("" when it passed): a blank user id, an impossible date or
  // time. Such a record is still handed out, with the terminal's own values in Data, so that it
  // is written before the log is cleared.
  std::string Fault;
  // The fault is the date or time.
  bool ImpossibleDate = false;
  // This kind of terminal sends no photo: always none.
  std::shared_ptr<std::string> ImageData;
  bool FingerPrint = false;
  TIOType IOType = iotNone;
};

namespace krmira120 {
// APad in front of AText while it is shorter than AWidth.
std::string PadLeftText(const std::string& AText, char APad, std::size_t AWidth);
// A decimal (or "$"/"0x" hexadecimal) integer with optional leading blanks and sign and nothing
// after it; throws EConvertError otherwise.
int StrToIntStrict(const std::string& S);
}  // namespace krmira120

// Makes the control of every terminal-mode adapter created from then on with the four-argument
// constructor (an empty function: the TCP binding, TZkemClient). Lets a test put a terminal of its
// own behind the adapters that clock objects create.
using TZkemControlFactory = std::function<std::unique_ptr<IZkemControl>()>;
void SetZkemControlFactory(TZkemControlFactory AFactory);

class TKrMira120 {
 public:
  // Terminal mode, through the TCP binding of the terminal's protocol.
  TKrMira120(const std::string& AIpAddress, int APort, int AAddress, const std::string& APassword);
  // Terminal mode through the given control.
  TKrMira120(const std::string& AIpAddress, int APort, int AAddress, const std::string& APassword,
             std::unique_ptr<IZkemControl> AControl);
  // File mode.
  TKrMira120();
  ~TKrMira120();
  TKrMira120(const TKrMira120&) = delete;
  TKrMira120& operator=(const TKrMira120&) = delete;

  bool Connect();
  // The terminal's firmware text; "" when it gives none (and in file mode), "-1" when the control
  // raised an error.
  std::string GetFirmwareVersion();
  // The terminal's clock as a solar date "YYYY/MM/DD" and a time "HH:MM". Throws EConvertError,
  // quoting the terminal's values, when its day or time does not exist.
  bool GetDateTime(TDateStr& ADate, TTimeStr& ATime);
  // ADate "YY/MM/DD" (solar; 00..50 is 1400..1450, 51..99 is 1351..1399), ATime "HH:MM". Throws
  // EConvertError when a part is not a number or the time cannot be encoded.
  bool SetDateTime(const TDateStr& ADate, const TTimeStr& ATime);
  // 0 = records waiting, 1 = none, -1 = the log could not be read (no answer). Fetches the log when the current batch is used up; the records
  // past those already handed out are the new batch. When the log holds nothing new, it is
  // cleared, but only if the terminal's own record count equals the records handed out (a punch
  // stored meanwhile is read first).
  int IsEmpty();
  // The record at the current index; a cleared record (empty KartNo and Fault) when there is
  // none.
  TMira120Record GetRecord();
  bool NextRecord();
  bool DeleteAllRecord();
  // What went wrong when the last IsEmpty could not read the log, or the last Connect failed, as
  // a clause ("its attendance log could not be read: ..."); "" when nothing did.
  const std::string& LogProblem() const { return FLogProblem; }

  // File mode only: the next IsEmpty loads this file.
  void SetInputFileName(const std::string& AValue);
  bool IsConnected() const { return FIsConnected; }
  const std::string& IpAddress() const { return FIpAddress; }
  void SetIpAddress(const std::string& AValue) { FIpAddress = AValue; }
  int Port() const { return FPort; }
  void SetPort(int AValue) { FPort = AValue; }
  int Address() const { return FAddress; }
  void SetAddress(int AValue) { FAddress = AValue; }
  const std::string& Password() const { return FPassword; }
  bool IsInFileMode() const { return FIsInFileMode; }

 private:
  bool ReadDeviceTime(std::string& ADate, std::string& ATime);
  bool WriteDeviceTime(int AYear, int AMonth, int ADay, int AHour, int AMinute, int ASecond);
  // One record of the terminal's log, as it came.
  struct TLogEntry {
    std::string EnrollNumber;
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
    int InOutMode = 0;
  };
  // The terminal's whole log. AComplete tells whether all of it was read: only then may a log
  // with nothing new lead to clearing the terminal.
  std::vector<TLogEntry> FetchLog(bool& AComplete);
  // Reads of the log that one IsEmpty may make while the terminal's count disagrees.
  static constexpr int kReadPasses = 3;
  static constexpr int kUnreadable = -1;
  // Clears the log when the terminal counts exactly the records handed out.
  void ClearWhenAllTaken();
  void LoadInputFile();

  // The control's last error as a clause about the terminal.
  std::string ControlProblem(const std::string& AWhat);

  std::string FPassword;
  std::string FLogProblem;
  // Why the last clearing did not happen.
  std::string FClearProblem;
  std::optional<std::vector<TLogEntry>> FRecords;
  // Records of the terminal's log handed out before the current batch, since the last clearing.
  std::size_t FTakenBefore = 0;
  std::int32_t FCurrentRecordIndex = 0;
  bool FIsInFileMode = false;
  std::string FInputFileName;
  int FPort = 0;
  std::unique_ptr<IZkemControl> FKRMira120;
  bool FIsConnected = false;
  std::string FIpAddress;
  int FAddress = 0;
};
