#pragma once
// The clock object: one time-attendance clock on one line, and the vocabulary every part of the
// clock and link layers shares.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "clock/ClockTypes.h"
#include "link/HdlcFrame.h"
#include "link/LinkStation.h"
#include "platform/Deadline.h"
#include "platform/SerialPort.h"

class ISerialPort;
class ITcpClient;
class TClockLink;
class TKrMira;
class TKrMira120;

// Shown at most once per run: the notice that a clock's firmware needs upgrading (see
// GetDateTime). Tests set it back.
extern bool ShowUpgradeNotice;

// Appends the record log line of ARecord to AFileName (created when missing); AOmitIOLetter
// leaves out the entry/exit letter. True without writing when the card number or the file name is
// empty; False when the file cannot be opened or written.
bool AppendRecordToLog(const TVexRecord& ARecord, const std::string& AFileName, bool AOmitIOLetter);
// Appends ALine and CR LF to AFileName (created when missing); False when that fails.
bool AppendLineToFile(const std::string& ALine, const std::string& AFileName);

class TBasicClock {
 public:
  // The clock talks to its line through ALink, the line's link layer. Without one (nullptr) the
  // clock has a link of its own without a line: it has no channel and every exchange fails.
  TBasicClock(TClockLink* ALink, TClockNumber AClockNumber);
  ~TBasicClock();
  TBasicClock(const TBasicClock&) = delete;
  TBasicClock& operator=(const TBasicClock&) = delete;

  // The link this clock talks through.
  TClockLink& Link() { return *FLink; }
  // Told of every change of the status code (the line passes it on to its own event).
  TStatusChangeEvent OnStatusChange;

  // Public state, read and written by the line and the window.
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
  // A quick detection (0: the normal schedule): the status query that tells whether a clock
  // answers is sent once at each parity, with this reply timeout in milliseconds and no pause;
  // a clock that answers is identified with the normal tries.
  int QuickProbeTimeout = 0;

  TClockError LastError() const { return FLastError; }
  bool GetIOImage() const { return FGetIOImage; }
  void SetGetIOImage(bool AValue) { FGetIOImage = AValue; }
  bool GetIOImageOnlyCards() const { return FGetIOImageOnlyCards; }
  void SetGetIOImageOnlyCards(bool AValue) { FGetIOImageOnlyCards = AValue; }
  // The speed the line's modem reported with its last connection.
  const std::string& ConnectSpeedText() const;
  const TVexRecord& CurrentRecordValue() const { return CurrentRecord; }

  // ---- The link calls, on behalf of this clock (see TClockLink) ----
  // Byte channel: the line's serial port or socket as this clock uses it.
  bool HasChannel();
  ISerialPort* GetComPort();
  ITcpClient* GetTcpIpPort();
  TProtocol GetProtocol();
  int GetReplyTimeout();
  void WriteCommand(const std::string& ACommand);
  void ReadChannel(int ACount, std::string& AData);
  void ClearChannel();
  // Command exchange. AReply is '' on failure.
  void SendCommand(const std::string& ACommand, int AReplyLength, const std::string& AReplyStart,
                   const std::string& ASavedReply, std::string& AReply);
  // The HDLC exchange: AData in a command frame to this clock; the answer with its flags, not
  // valid when no usable answer came.
  THdlcPacket SendHdlcCommand(std::string_view AData);
  // AData in a command frame to this clock, for transfers that receive their answers themselves.
  void WriteHdlcCommand(std::string_view AData);
  void GetResultWithoutDecoding(int ACount, std::string& AResult);
  void SendCommandWithoutDecoding(const std::string& ACommand, int ACount, std::string& AResult);
  // HDLC session (opened on demand before a data frame goes out).
  void CheckHdlcSession();
  void OpenHdlcSession();
  // Receives one frame; APacket.IsValid tells whether one came. Raises
  // HardwareSessionClosedException when the clock says it closed the session.
  void ReceiveHdlcPacket(THdlcPacket& APacket);
  // Why the last picture transfer was cut off (a picture larger than any clock holds, a transfer
  // slower than the line allows); '' when it was not.
  const std::string& ImageError() const { return FImageError; }
  // The answer of this clock's last HDLC exchange (SendHdlcCommand).
  const THdlcPacket& LastHdlcPacket() const { return FLastHdlcPacket; }
  bool SessionIsOpen() const { return FHdlcSession.IsOpen; }
  // The line was closed: the clock's HDLC session ended with it.
  void ForgetHdlcSession() { FHdlcSession.IsOpen = false; }
  // Modem dialogue (a Hayes modem on the line's serial port). Dials the line's phone number;
  // AResult is one of the outcome messages, '' without a number.
  void Dial(std::string& AResult);
  bool HangUp();
  void CancelDial();
  std::string GetPhoneNumber();
  void Breathe(std::uint16_t AMinimumMs);

  // A detection is under way: the text replies are awaited with the short detection timeouts.
  void SetInDetectClocks(bool AValue) { InDetectClocks = AValue; }

  // ---- Detection ----
  // Probes the clock at this clock number for the search type's family. True when a clock
  // answered and was identified; ClockType, ClockName and FirmwareVer then describe it. On False
  // ClockName is "Unknown" and ClockType CTUnknown.
  bool Detect(TClockSearchType AClockSearchType);
  // The serial number of an HDLC clock as decimal text; '' on a text-protocol line, without a
  // valid answer, or when the answer is no number of at most 8 bytes.
  std::string GetSerialNo();

  // ---- Date and time ----
  // True only when the clock was asked in this call and answered well. ADate and ATime receive
  // the clock's date and time, fresh or from the 10-second cache; they are left untouched while
  // a setting is under way and when an HDLC clock other than an Ember answers "XYZ".
  bool GetDateTime(TDateStr& ADate, TTimeStr& ATime);
  // Why the last GetDateTime failed when the clock did answer: its date or time does not exist
  // ("its date and time "0000/13/45 10:30" do not exist"), a terminal's time is no date and
  // time. "" when it answered well or not at all.
  const std::string& DateTimeProblem() const { return FDateTimeProblem; }
  // A face terminal whose log could not be read at the last status query: what failed, as a
  // clause about the terminal. "" otherwise, and for every other clock.
  std::string LogProblem() const;
  // ADate solar or Gregorian in any form the date parser reads, ATime HH:MM or HHMM. True when
  // the clock accepted them. The next GetDateTime asks the clock.
  bool SetDateTime(const TDateStr& ADate, const TTimeStr& ATime);
  // The Date and Time properties. Setting raises EClockError when the clock refuses.
  TDateStr Date() { return ReadClockDate(); }
  void SetDate(const TDateStr& AValue) { WriteClockDate(AValue); }
  TTimeStr Time() { return ReadClockTime(); }
  void SetTime(const TTimeStr& AValue) { WriteClockTime(AValue); }

  // ---- Status ----
  // Asks the clock for its status code ("0" to "3", '' when it does not answer) and reports a
  // change to the line's OnStatusChange. Does nothing while another status query of this clock
  // runs, and within 1000 ms of finding the clock empty.
  void GetStatus();
  // Interpret the kept code (the face terminals ask their adapters).
  bool WasConnected();
  bool WasEmpty() const;
  bool WasBusy() const;
  // GetStatus, then the matching Was...; IsEmpty also stamps LastEmptyDate and LastEmptyTime.
  bool IsConnected();
  bool IsEmpty();
  bool IsBusy();

  // ---- Settings string: number;model;Active|Inactive ----
  std::string Properties() { return BuildProperties(); }
  void SetProperties(const std::string& AValue) { ApplyProperties(AValue); }

  // ---- Operations inside the clock object, public for tests ----
  // Strips the reply start 01 01 01 from AReply itself and takes the name before the byte that
  // precedes the first CR. False when the reply is blank, lacks the start or has no CR.
  bool TakeClockName(std::string& AReply);
  // Upper-cases AText in place and sets ClockType from the model words it contains; a text with
  // none of them leaves ClockType as it is.
  void ClassifyClockName(std::string& AText);
  // Reads an HDLC clock's device description ("model;Ver ...;Rec ...;CAM;").
  void ReadDeviceInfo();
  // Asks an HDLC clock which calendar it keeps.
  void ReadCalendarType();
  TDateStr ReadClockDate();
  void WriteClockDate(const TDateStr& AValue);
  TTimeStr ReadClockTime();
  void WriteClockTime(const TTimeStr& AValue);
  std::string BuildProperties();
  void ApplyProperties(const std::string& AValue);
  const std::string& HdlcDevModel() const { return FHdlcDevModel; }
  const std::string& HdlcDevVer() const { return FHdlcDevVer; }
  const std::string& HdlcDevMem() const { return FHdlcDevMem; }
  const std::string& HdlcDevCam() const { return FHdlcDevCam; }
  TDateType DeviceCalendarType() const { return FDeviceCalendarType; }
  // The clock's date as last read or set, without asking the clock ("" while nothing is known).
  const TDateStr& LastKnownDate() const { return CurrentDate; }
  const std::string& StatusCode() const { return StatusLastResult; }
  bool DetectionUnderWay() const { return InDetectClocks; }
  // The two face-terminal adapters this clock object owns.
  TKrMira& KrMira() { return *FKrMira; }
  TKrMira120& KrMira120() { return *FKrMira120; }

  // ---- Records and pictures ----
  // The oldest record the clock has not released, or a record with an empty KartNo when there
  // is none; LastError tells why (ceClockDisconnected, ceClockEmpty, ceBadRecord). A text or
  // face clock hands out the same record again, without asking, until NextRecord.
  TVexRecord GetRecord();
  // The same into ARecord, whose texts keep their storage (a dump reads thousands of records
  // into one).
  void GetRecord(TVexRecord& ARecord);
  // Releases the record last handed out. On the text protocol true when the clock acknowledged
  // it; the record is forgotten either way.
  bool NextRecord();
  // Always 1.
  int CheckSequence();
  // Empties AData and fills it with the picture of the current record. True when the transfer
  // completed (also when its blocks came with wrong check bytes on every try). False without
  // any exchange for a KRMira terminal, a clock without a camera, or no AData.
  bool GetRecordImage(std::string* AData);
  // Operations inside the clock object, public for tests.
  // HDLC: fills the record buffer with the clock's next block when it is empty (21h with
  // AFollowUp, 20h otherwise) and decodes the buffer's first record into ARecord.
  void FetchHdlcRecords(bool AFollowUp, TVexRecord& ARecord);
  // HDLC: consumes the buffer's first record; consuming the last one asks for the next block.
  void DropHdlcRecord();
  // 1 for an empty answer or 01h, 0 for 00h, 2 for anything else.
  int HdlcAnswerCode(const std::string& AData);
  // A framed reply (head, right check byte) from a clock other than a Lumen.
  bool IsCorruptRecordReply(const std::string& AReply);
  bool IsValidRecordReply(const std::string& AReply, int AYear, int AMonth, int ADay);
  // Decodes one HDLC record; a rejected piece sets LastError to ceBadRecord.
  bool DecodeHdlcRecord(const std::string& APiece, TVexRecord& ARecord);
  // Asks whether the clock can take pictures.
  void CheckCaptureImageCapability();
  // Where the current record's picture lies in the clock; -1 when the clock does not say.
  std::int32_t ReadImagePointer();
  // The picture transfers of HDLC clocks: image blocks, and the Ember's own exchange.
  bool ReadImageBlocks(std::string& AStream);
  bool ReadEmberImage(std::string& AStream);
  // The tries of one numbered-block picture transfer, for text and HDLC lines alike: ARequest
  // (in a command frame on an HDLC line), then blocks from AReceiveBlock (false or a throw: the
  // block did not come) until the last. A try that lasts longer than ACapMs fails; a picture
  // larger than any clock holds ends the transfer (ImageError says which).
  bool ReadNumberedImage(const std::string& ARequest, std::string& APicture, std::uint32_t ACapMs,
                         const std::function<bool(std::string&)>& AReceiveBlock);
  // The longest a try of a picture transfer may take: the largest picture's blocks
  // (ABlockWireBytes each on the wire, ABlockPauseMs of pauses each) at the line's speed, plus
  // the reply timeout.
  std::uint32_t PictureTransferCapMs(std::size_t ABlockWireBytes, std::uint32_t ABlockPauseMs);
  bool IsImageBlockValid(const std::string& ABlock, int AN);
  std::size_t HdlcRecordCount() const { return FRecords.size(); }
  std::int32_t HdlcReadPointer() const { return FHdlcReadPointer; }
  std::int32_t HdlcReadPointerOffset() const { return FHdlcReadPointerOffset; }
  bool HasCaptureImageCapability() const { return ClockHasCaptureImageCapability; }
  bool MustCheckCaptureImageCapability() const { return MustCheckClockHasCaptureImageCapability; }
  char LastAcknowledgedSequence() const { return LastSequenceCode; }
  // Steps of GetRecord and GetRecordImage on the text protocol.
  void ReadTextRecord(int AYear, int AMonth, int ADay);
  bool ReadTextImage(std::string& AData);
  // Where a record came from: "1" on a TCP/IP line, else the serial port's name (without its
  // "COM" on the text protocol).
  std::string RecordOrigin(bool AWithoutPrefix);
  // ---- end of records and pictures ----

 private:
  // GetRecord of a face terminal: the adapter's record, into ARecord.
  void TakeTerminalRecord(TVexRecord& ARecord);
  // This clock as the link sees it, for one call.
  TLinkStation Station();
  // The connection type as the link uses it (a modem line without a number is a cable line).
  TConnectionType ConnectionType();

  // How often an operation sends its command, for this line and this clock's type.
  int Tries();
  // A pause between tries during which the application's messages are processed.
  void PauseProcessingMessages(std::uint32_t AMs);
  // Parity of the line's serial port; nothing on a TCP/IP line.
  void SetLineParity(TParity AParity);
  bool DetectCardClock(TClockSearchType AClockSearchType);
  bool DetectKrMira();
  bool DetectKrMira120();
  // The line's TCP/IP address and port ('' and 0 on a line without a socket).
  std::string LineIpAddress();
  std::int32_t LinePort();
  // The adapters talk to the line's current address: the window sets it on the line just
  // before a detection, long after the adapters were created with the clock object.
  void SyncKrMiraAddress();
  void SyncKrMira120Address();
  // The status code from an adapter's IsEmpty: -1 no answer, 0 records, 1 empty.
  static std::string StatusFromAdapter(int AIsEmpty);
  // Connects the second kind's adapter with the connecting indication shown meanwhile.
  void ConnectKrMira120WithIndication();
  // The status query of a card clock, with its tries; '' when it does not answer.
  std::string AskCardClockStatus();
  // Keeps the new status code, tells the line when it changed, and notes the time.
  void ReportStatus(const std::string& ACode);
  // Notes that the status was just read.
  void NoteStatusRead();
  // Reads the firmware text until it is longer than one character, at most Tries() times.
  void ReadFirmwareText(bool ALumen);
  // Asks a card clock for its date and time, with the tries; true when it answered well.
  // ARefused: an HDLC clock other than an Ember answered "XYZ", which ends the read at once.
  bool ReadDateTimeFromClock(bool& ARefused);
  // Notes an answer whose date or time does not exist (DateTimeProblem), forgets the date and
  // time known so far and returns false.
  bool ImpossibleDateTime(const std::string& ADate, const std::string& ATime);
  // The upgrade correction of clocks with firmware "VER 2.60", on a date just read.
  void CorrectFirmwareYear(TDateStr& ADate);

  // Started when the clock's date and time were last read or set; none while nothing is known.
  std::optional<TDeadline> DateTimeReadTime;
  TDateStr CurrentDate;
  TTimeStr CurrentTime;
  std::string FDateTimeProblem;
  std::unique_ptr<TKrMira> FKrMira;
  std::unique_ptr<TKrMira120> FKrMira120;
  // Started when the clock's status was last read; a clock found empty is not asked again
  // before it expires.
  std::optional<TDeadline> StatusQuietTime;
  std::string StatusLastResult;
  // The text clocks' record handed out and not yet released.
  TVexRecord CurrentRecord;
  // The sequence letter of the terminal record handed out, '\0' when none.
  char FTerminalSequence = '\0';
  char LastSequenceCode = ' ';
  bool InDetectClocks = false;
  TClockError FLastError = ceNoError;
  bool MustCheckClockHasCaptureImageCapability = true;
  bool ClockHasCaptureImageCapability = false;
  bool FGetIOImage = false;
  bool FGetIOImageOnlyCards = false;
  bool FInGetStatus = false;
  // The status query of a quick detection is under way.
  bool FInQuickStatus = false;
  THdlcSessionState FHdlcSession;
  THdlcPacket FLastHdlcPacket;
  std::string FImageError;
  std::string FHdlcDevModel;
  std::string FHdlcDevVer;
  std::string FHdlcDevMem;
  std::string FHdlcDevCam;
  TDateType FDeviceCalendarType = Christian;
  std::deque<std::string> FRecords;
  std::int32_t FHdlcReadPointer = 0;
  std::int32_t FHdlcReadPointerOffset = 0;
  // A clock made without a line keeps a link of its own; FLink points to it or to the line's.
  std::unique_ptr<TClockLink> FOwnLink;
  TClockLink* FLink;
};
