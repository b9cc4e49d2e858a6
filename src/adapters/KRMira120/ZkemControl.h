#pragma once
// The members of the terminal maker's automation control that the KR-Mira120 adapter relies on.
// The names and argument order are the control's own; each method blocks until the terminal has
// answered (or its timeout has passed). TZkemClient implements it over the terminals' TCP
// protocol; tests give the adapter their own implementation.
#include <string>

// Codes that GetLastError reports. A code above 0 means the last call succeeded.
constexpr int kZkOk = 1;
// No (more) data: SSR_GetGeneralLogData has handed out every record.
constexpr int kZkNoData = 0;
// Not connected, or the connection failed or timed out during the call.
constexpr int kZkNotConnected = -1;
// The terminal answered with a refusal (an error or unknown-command reply).
constexpr int kZkRefused = -2;
// The terminal's answer was malformed (a bad frame, an impossible size, an unreadable buffer).
constexpr int kZkBadReply = -3;
// An argument cannot be sent (a time the terminal cannot store, an address that is not text).
constexpr int kZkBadParameter = -4;
// The terminal wants a comm key and refused the one given.
constexpr int kZkUnauthorized = -5;
// The terminal sent its log slower than its size allows (TZkemClient: LogTransferCapMs).
constexpr int kZkTooSlow = -6;

// The counter of GetDeviceStatus that tells how many attendance records the terminal holds.
constexpr int kZkStatusRecordCount = 6;

class IZkemControl {
 public:
  virtual ~IZkemControl() = default;

  // Labels the terminal; it is not sent on TCP.
  virtual int MachineNumber() const = 0;
  virtual void SetMachineNumber(int AValue) = 0;

  virtual bool Connect_Net(const std::wstring& IPAdd, int Port) = 0;
  virtual bool GetFirmwareVersion(int dwMachineNumber, std::string& strVersion) = 0;
  // The terminal's clock (Gregorian). Every value is 0 when the call fails.
  virtual bool GetDeviceTime(int dwMachineNumber, int& dwYear, int& dwMonth, int& dwDay,
                             int& dwHour, int& dwMinute, int& dwSecond) = 0;
  virtual bool SetDeviceTime2(int dwMachineNumber, int dwYear, int dwMonth, int dwDay, int dwHour,
                              int dwMinute, int dwSecond) = 0;
  // Reads the terminal's whole attendance log into memory; SSR_GetGeneralLogData then hands it out.
  virtual bool ReadAllGLogData(int dwMachineNumber) = 0;
  virtual bool GetLastError(int& dwErrorCode) = 0;
  // The next record read by ReadAllGLogData; False (and the arguments untouched) when none is left.
  virtual bool SSR_GetGeneralLogData(int dwMachineNumber, std::string& dwEnrollNumber,
                                     int& dwVerifyMode, int& dwInOutMode, int& dwYear, int& dwMonth,
                                     int& dwDay, int& dwHour, int& dwMinute, int& dwSecond,
                                     int& dwWorkCode) = 0;
  virtual bool ClearGLog(int dwMachineNumber) = 0;
  // One of the terminal's counters (kZkStatusRecordCount: the records in its attendance log).
  virtual bool GetDeviceStatus(int dwMachineNumber, int dwStatus, int& dwValue) = 0;
};
