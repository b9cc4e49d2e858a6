#pragma once
// One communication line: its settings, its port component and the clocks that answer on it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "clock/VexClock.h"
#include "platform/BaudRate.h"
#include "platform/SerialPort.h"
#include "platform/SystemClock.h"
#include "platform/TcpClient.h"

// An owning list of clock objects, in list order.
using TClockList = std::vector<std::unique_ptr<TBasicClock>>;

// A number field of a settings string, which holds decimal digits only. Raises EConvertError for
// an empty field, any other character, or a value beyond 32 bits.
std::int32_t SettingsFieldToInt(const std::string& AField);

class TClockSet {
 public:
  TClockSet();
  ~TClockSet();
  TClockSet(const TClockSet&) = delete;
  TClockSet& operator=(const TClockSet&) = delete;

  int MaxClockNumber = 32;
  std::string ConnectionName;

  TBasicClock& NewClock(std::int32_t AClockNumber);

  // ---- Settings ----
  const std::string& LogFileName() const { return FLogFileName; }
  void SetLogFileName(const std::string& AValue) { FLogFileName = AValue; }
  const std::string& ErrorLogFileName() const { return FErrorLogFileName; }
  void SetErrorLogFileName(const std::string& AValue) { FErrorLogFileName = AValue; }

  // Serial port number: COMn gives n. Raises EConvertError when the name holds no number there.
  std::uint16_t SerialPortNumber() const;
  void ChangeSerialPortNumber(std::uint16_t AValue);
  std::string SocketAddress() const;
  void ChangeSocketAddress(const std::string& AValue);
  std::int32_t SocketPort() const;
  void ChangeSocketPort(std::int32_t AValue);

  TProtocol Protocol() const { return FProtocol; }
  void SetProtocol(TProtocol AValue) { FProtocol = AValue; }
  TConnectionType EffectiveConnectionType() const;
  void ChangeConnectionType(TConnectionType AValue);
  TBaudRate BaudRate() const { return FBaudRate; }
  void ChangeBaudRate(TBaudRate AValue);
  const std::string& PhoneNumber() const { return FPhoneNumber; }
  void ChangePhoneNumber(const std::string& AValue);
  bool ModemConnected() const { return FModemConnected; }
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

  // ---- Modem, through the first clock ----
  // Dials the phone number; AResult is the dial's outcome text. The line counts as connected
  // from the start of the dial and afterwards only when the dial reports a connection.
  void Dial(std::string& AResult);
  // True (without any traffic) when the line is not connected or has no phone number.
  bool HangUp();
  // Makes a dial or hang-up under way give up at its next pass.
  void CancelDial();

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

  // ---- Components ----
  ISerialPort* ComPort() const { return FComPort.get(); }
  ITcpClient* TcpIpPort() const { return FTcpIpPort.get(); }
  // Connects the socket and waits at most 5000 ms for it to become active.
  bool OpenTcpIpPort();
  // Milliseconds between two times of day from their seconds and milliseconds only; a
  // turned-over minute counts. Good for waits well under a minute.
  static std::int32_t ElapsedMilliseconds(const TLocalDateTime& AStart, const TLocalDateTime& ANow);

 private:
  friend class TBasicClock;
  // The list restores its default line's speed straight into the line and its serial port.
  friend class TConnectionList;
  void CreateComPort();
  void CreateTcpIpPort();

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
  TClockList FClocks;
  std::unique_ptr<ISerialPort> FComPort;
  std::unique_ptr<ITcpClient> FTcpIpPort;
  std::int32_t FCurrentClock = 0;
};
