#pragma once
// The clock object: one time-attendance clock on one line, and the vocabulary every part of the
// clock and link layers shares.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "clock/ClockTypes.h"
#include "link/HdlcFrame.h"

class ISerialPort;
class ITcpClient;

class TBasicClock {
 public:
  TBasicClock(TClockSet* AOwner, TClockNumber AClockNumber);
  ~TBasicClock();
  TBasicClock(const TBasicClock&) = delete;
  TBasicClock& operator=(const TBasicClock&) = delete;

  // Public state, read and written by the line and the window.
  TClockSet* Owner;
  std::string ClockName = "Unknown";
  std::string FirmwareVer;
  TClockType ClockType = MX4100;
  TClockNumber ClockNumber;
  TDateStr MiraClockDateStr;
  TTimeStr MiraClockTimeStr;
  bool Active = true;
  TDateStr LastEmptyDate;
  TTimeStr LastEmptyTime;
  bool MustReadDateTime = false;
  bool InSetDateTime = false;

  TClockError LastError() const { return FLastError; }
  bool GetIOImage() const { return FGetIOImage; }
  void SetGetIOImage(bool AValue) { FGetIOImage = AValue; }
  bool GetIOImageOnlyCards() const { return FGetIOImageOnlyCards; }
  void SetGetIOImageOnlyCards(bool AValue) { FGetIOImageOnlyCards = AValue; }
  const std::string& ConnectSpeedText() const { return ConnectSpeed; }
  const TVexRecord& CurrentRecordValue() const { return CurrentRecord; }

  // ---- Byte channel: the line's serial port or socket as this clock uses it ----
  bool HasChannel();
  ISerialPort* GetComPort();
  ITcpClient* GetTcpIpPort();
  TProtocol GetProtocol();
  int GetReplyTimeout();
  // Writes ACommand encoded for the line's protocol. Errors of the port propagate.
  void WriteCommand(const std::string& ACommand);
  // At most ACount bytes that have already arrived; never waits. Errors of the port propagate.
  void ReadChannel(int ACount, std::string& AData);
  void ClearChannel();

  // ---- Command exchange ----
  // One question to the clock: writes ACommand, collects, cleans and decodes the reply. AReply is
  // '' on failure; the link never raises to its caller except for HDLC receive errors other than
  // a closed session.
  void SendCommand(const std::string& ACommand, int AReplyLength, const std::string& AReplyStart,
                   const std::string& ASavedReply, std::string& AReply);
  // Raw bytes until ACount, the one-byte answer "I", or the reply timeout.
  void GetResultWithoutDecoding(int ACount, std::string& AResult);
  void SendCommandWithoutDecoding(const std::string& ACommand, int ACount, std::string& AResult);
  void EncodeCommand(const std::string& ACommand, std::string& AEncoded);
  void EncodeRS485Command(const std::string& ACommand, std::string& AEncoded);
  void DecodeReply(const std::string& AReply, std::string& AResult);

  // ---- HDLC session (opened on demand before a data frame goes out) ----
  void CheckHdlcSession();
  void OpenHdlcSession();
  // Receives one frame; APacket.IsValid tells whether one came. Raises
  // HardwareSessionClosedException when the clock says it closed the session.
  void ReceiveHdlcPacket(THdlcPacket& APacket);
  const THdlcPacket& LastHdlcPacket() const { return FHdlcPacket; }
  bool SessionIsOpen() const { return FSessionIsOpen; }
  // The line was closed: the clock's HDLC session ended with it.
  void ForgetHdlcSession() { FSessionIsOpen = false; }

  // ---- Modem dialogue (a Hayes modem on the line's serial port) ----
  // Dials the line's phone number; AResult is one of the outcome messages, '' without a number.
  void Dial(std::string& AResult);
  bool HangUp();
  void CancelDial();
  std::string GetPhoneNumber();
  void Breathe(std::uint16_t AMinimumMs);

  // A detection is under way: the text replies are awaited with the short detection timeouts.
  void SetInDetectClocks(bool AValue) { InDetectClocks = AValue; }

 private:
  friend class TClockSet;

  // The connection type as the link uses it (a modem line without a number is a cable line).
  TConnectionType ConnectionType();
  bool ModemConnected();
  // False when an exchange must not start: no component, a modem dialogue, a dead modem line.
  bool CanExchange();
  // The common reply wait. AWant gives the byte count to ask for; AOnData handles an arrival and
  // returns true when the wait is over. The caller may move AStartMark from AOnData.
  void RunReplyWait(std::uint32_t& AStartMark, std::uint32_t ATimeout,
                    const std::function<int()>& AWant,
                    const std::function<bool(const std::string&)>& AOnData);
  void ReportTraffic(TTrafficDirection ADirection, const std::string& AData);
  // The 2 ms pause between empty polls, spent waiting on the port where there is one.
  void IdleWait(int AMs);

  std::uint32_t DateTimeLastReadTime = 0;
  TDateStr CurrentDate;
  TTimeStr CurrentTime;
  std::uint32_t StatusLastReadTime = 0;
  std::string StatusLastResult;
  TVexRecord CurrentRecord;
  bool DialCanceled = false;
  char LastSequenceCode = ' ';
  bool InDetectClocks = false;
  TClockError FLastError = ceNoError;
  bool InWorkWithModem = false;
  std::string ConnectSpeed;
  std::string TCPIPReadBuffer;
  bool MustCheckClockHasCaptureImageCapability = true;
  bool ClockHasCaptureImageCapability = false;
  bool FGetIOImage = false;
  bool FGetIOImageOnlyCards = false;
  bool FInGetStatus = false;
  bool FSessionIsOpen = false;
  bool FInCheckHdlcSession = false;
  THdlcPacket FHdlcPacket;
  std::string FHdlcDevModel;
  std::string FHdlcDevVer;
  std::string FHdlcDevMem;
  std::string FHdlcDevCam;
  TDateType FDeviceCalendarType = Christian;
  std::deque<std::string> FRecords;
  std::int32_t FHdlcReadPointer = 0;
  std::int32_t FHdlcReadPointerOffset = 0;
  bool FInOpenHdlcSession = false;
};
