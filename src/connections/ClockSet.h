#pragma once
// One communication line: its settings, its port component and the clocks that answer on it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "clock/VexClock.h"
#include "link/ClockLink.h"
#include "link/LinkLine.h"
#include "platform/BaudRate.h"
#include "platform/SerialPort.h"
#include "platform/SystemClock.h"
#include "platform/TcpClient.h"

// An owning list of clock objects, in list order.
using TClockList = std::vector<std::unique_ptr<TBasicClock>>;

// Called by a detection for every clock number it is about to probe, so that a caller can show
// how far a bus scan has come (a scan of 32 numbers takes minutes).
using TProbeClockEvent = std::function<void(std::int32_t AClockNumber)>;
// Called after each such probe with whether the clock answered.
using TProbeResultEvent = std::function<void(std::int32_t AClockNumber, bool AAnswered)>;

// A number field of a settings string, which holds decimal digits only. Raises EConvertError for
// an empty field, any other character, or a value beyond 32 bits.
std::int32_t SettingsFieldToInt(const std::string& AField);

// The line gives its link layer what the link needs (ILinkLine) and nothing else.
class TClockSet : private ILinkLine {
 public:
  TClockSet();
  ~TClockSet();
  TClockSet(const TClockSet&) = delete;
  TClockSet& operator=(const TClockSet&) = delete;

  int MaxClockNumber = 32;
  std::string ConnectionName;
  // A quick detection: each clock number is asked for its status once at each parity it is
  // probed at (once on HDLC, after one session request), with ProbeTimeout milliseconds for the
  // reply (0: the detection's reply timeout, 300 ms, 1000 ms on a modem line) and no pause. The
  // clocks that answer are identified with the normal schedule.
  bool QuickScan = false;
  int ProbeTimeout = 0;

  TBasicClock& NewClock(std::int32_t AClockNumber);

  // ---- Settings ----
  const std::string& LogFileName() const { return FLogFileName; }
  void SetLogFileName(const std::string& AValue) { FLogFileName = AValue; }
  const std::string& ErrorLogFileName() const { return FErrorLogFileName; }
  void SetErrorLogFileName(const std::string& AValue) { FErrorLogFileName = AValue; }

  // Serial port number: COMn gives n. Raises EConvertError when the name holds no number there.
  std::uint16_t SerialPortNumber() const;
  void ChangeSerialPortNumber(std::uint16_t AValue);
  // The serial port by name: "COMn" or a device path. A port held open under another name is
  // closed, so that the next exchange opens the new one. '' while the line is on TCP/IP.
  std::string SerialPortName() const;
  void ChangeSerialPortName(const std::string& AValue);
  std::string SocketAddress() const;
  void ChangeSocketAddress(const std::string& AValue);
  std::int32_t SocketPort() const;
  void ChangeSocketPort(std::int32_t AValue);

  TProtocol Protocol() const override { return FProtocol; }
  void SetProtocol(TProtocol AValue) { FProtocol = AValue; }
  TConnectionType EffectiveConnectionType() const override;
  void ChangeConnectionType(TConnectionType AValue);
  TBaudRate BaudRate() const { return FBaudRate; }
  void ChangeBaudRate(TBaudRate AValue);
  const std::string& PhoneNumber() const override { return FPhoneNumber; }
  void ChangePhoneNumber(const std::string& AValue);
  bool ModemConnected() const override { return FModemConnected; }
  void SetModemConnected(bool AValue) { FModemConnected = AValue; }

  bool GetIOImage() const { return FGetIOImage; }
  void ChangeGetIOImage(bool AValue);
  bool GetIOImageOnlyCards() const { return FGetIOImageOnlyCards; }
  void ChangeGetIOImageOnlyCards(bool AValue);

  // ---- Reads of the first clock ----
  const std::string& ClockName() const;
  const std::string& FirmwareVersion() const;
  TClockType ClockType() const;
  const std::string& ConnectSpeed() const;

  TClockError LastError() const { return FLastError; }
  TClockList& Clocks() { return FClocks; }
  const TClockList& Clocks() const { return FClocks; }
  std::int32_t CurrentClock() const { return FCurrentClock; }
  std::string BuildActiveClocksString() const;

  // ---- Operations through the clocks ----
  // Finds the clocks on the line: a single clock answering at number 1, or, for the search types
  // that scan a bus (KRTalFast, KRTal, KREmber), every number from 1 to MaxClockNumber that
  // answers. Leaves in the list the clocks that answered (the first clock stays, marked
  // CTUnknown, after a failed single-clock search on a list it did not create).
  void DetectClocks(TClockSearchType AClockSearchType);
  // The oldest record waiting in any active clock; AResult is left as passed in when there is
  // none. CurrentClock tells which clock it came from.
  void GetRecord(TVexRecord& AResult);
  // Acknowledges the record last handed out, on the clock it came from.
  void NextRecord();
  // The sequence check of the clock whose record was handed out last.
  std::int32_t CheckSequenceCode();
  // The first clock's date and time.
  bool GetDateTime(TDateStr& ADate, TTimeStr& ATime);
  // Sets every active clock, each even after another refused; true when all accepted.
  bool SetDateTime(const TDateStr& ADate, const TTimeStr& ATime);
  // Reading gives the first clock's date or time; writing sets every active clock (raises
  // EClockError when one refuses).
  TDateStr Date();
  void SetDate(const TDateStr& AValue);
  TTimeStr Time();
  void SetTime(const TTimeStr& AValue);
  // True when at least one active clock answers True.
  bool IsConnected();
  bool WasConnected();
  // True when every active clock answers True (also when no clock is active).
  bool IsEmpty();
  bool IsBusy();
  bool WasEmpty();
  bool WasBusy();
  // The first date-time is not later than the second; false for an empty first date or time,
  // true (no best record yet) for an empty second one.
  static bool IsEarlierOrSame(const TDateStr& ADate1, const TTimeStr& ATime1,
                              const TDateStr& ADate2, const TTimeStr& ATime2);

  // ---- Modem, through the first clock ----
  // Dials the phone number; AResult is the dial's outcome text. The line counts as connected
  // from the start of the dial and afterwards only when the dial reports a connection.
  void Dial(std::string& AResult);
  // True (without any traffic) when the line is not connected or has no phone number.
  bool HangUp();
  // Makes a dial or hang-up under way give up at its next pass.
  void CancelDial();
  // Makes the line's work end at its next step: a detection probes no further clock number, a
  // connect stops waiting, a dial under way gives up. The line stays canceled.
  void Cancel();
  bool Canceled() const { return FCanceled; }

  // ---- Settings strings ----
  // The whole line as one text, fields separated by ",": name, phone number, port number (or
  // address), "br" and the speed ordinal (or TCP port), protocol, clock count, and each clock's
  // own settings string.
  std::string BuildProperties() const;
  // Restores a line from that text. The speed field is not restored (the connection list does it
  // for its default line). Raises EConvertError for an empty port or clock-count field; the line
  // keeps what was set before the failing field.
  void ApplyProperties(const std::string& AValue);
  std::string Properties() const { return BuildProperties(); }
  void SetProperties(const std::string& AValue) { ApplyProperties(AValue); }
  // The reduced form: port number (or address), protocol, clock count and the clocks.
  std::string BuildSpecifications() const;
  void ApplySpecifications(const std::string& AValue);
  std::string Specifications() const { return BuildSpecifications(); }
  void SetSpecifications(const std::string& AValue) { ApplySpecifications(AValue); }

  // Closes the line: the socket, or the modem connection and the serial port. The clocks' HDLC
  // sessions end with it.
  void Close();

  // ---- Events ----
  TStatusChangeEvent OnStatusChange;
  TModemDisconnectEvent OnModemDisconnect;
  TBreathEvent OnBreath;
  // Every write and every non-empty read on the line.
  TTrafficObserver OnTraffic;
  // Every clock number a detection probes, before the probe.
  TProbeClockEvent OnProbeClock;
  // Every probe's outcome, after the probe.
  TProbeResultEvent OnProbeResult;

  // ---- Components ----
  ISerialPort* ComPort() const override { return FComPort.get(); }
  ITcpClient* TcpIpPort() const override { return FTcpIpPort.get(); }
  // Connects the socket and waits at most 5000 ms for it to become active; gives up at once when
  // the connect fails (a refused port, an unknown host) or the line is canceled.
  bool OpenTcpIpPort() override;
  // The line's link layer, through which its clocks talk.
  TClockLink& Link() { return FLink; }

 private:
  // The list restores its default line's speed straight into the line and its serial port.
  friend class TConnectionList;
  void LinkBreath() override;
  void LinkTraffic(std::uint32_t ATick, TTrafficDirection ADirection,
                   const std::string& AData) override;
  void CreateComPort();
  void CreateTcpIpPort();
  // Reads one record of the clock at AIndex with its tries; fetches its picture when asked, and
  // logs and drops a refused record. ARecord is left as passed in when the clock has no tries.
  void ReadClockRecord(std::int32_t AIndex, TVexRecord& ARecord);
  // Detect on one clock object, announced to OnProbeClock first.
  bool ProbeClock(TBasicClock& AClock, TClockSearchType AClockSearchType);
  // The clock at FCurrentClock, or nullptr when the list has changed under that index.
  TBasicClock* CurrentClockObject();

  std::string FLogFileName;
  std::string FErrorLogFileName;
  TProtocol FProtocol = RS232;
  TConnectionType FConnectionType = Cable;
  std::string FPhoneNumber;
  bool FModemConnected = false;
  TClockError FLastError = ceNoError;
  bool FGetIOImage = false;
  bool FGetIOImageOnlyCards = false;
  TBaudRate FBaudRate = br9600;
  // Before the clocks, which talk through it: it is made before them and freed after them.
  TClockLink FLink{this};
  TClockList FClocks;
  std::unique_ptr<ISerialPort> FComPort;
  std::unique_ptr<ITcpClient> FTcpIpPort;
  std::int32_t FCurrentClock = 0;
  bool FCanceled = false;
};
