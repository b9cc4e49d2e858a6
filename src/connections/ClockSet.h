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
