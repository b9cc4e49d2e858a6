#include "connections/ClockSet.h"

#include <algorithm>
#include <cctype>

#include "calendar/ConvertError.h"
#include "link/ModemDialogue.h"
#include "platform/Deadline.h"
#include "platform/Platform.h"

namespace {
// How long a connect of the line's socket may take.
constexpr std::uint32_t kConnectLimitMs = 5000;
}  // namespace

TClockSet::TClockSet() {
  FGetIOImage = false;
  FGetIOImageOnlyCards = false;
  FBaudRate = br9600;
  FConnectionType = Cable;
  CreateComPort();
  FProtocol = RS232;
  ChangePhoneNumber("");
  FModemConnected = false;
  MaxClockNumber = 32;
  NewClock(1);
}

TClockSet::~TClockSet() {
  FClocks.clear();
  if (FComPort) FComPort->close();
  if (FTcpIpPort) FTcpIpPort->close();
}

TBasicClock& TClockSet::NewClock(std::int32_t AClockNumber) {
  FClocks.push_back(std::make_unique<TBasicClock>(&FLink, static_cast<TClockNumber>(AClockNumber)));
  TBasicClock& clock = *FClocks.back();
  // The event is looked up when it fires: the window may set it after the clocks exist.
  clock.OnStatusChange = [this](TBasicClock& ASender) {
    if (OnStatusChange) OnStatusChange(ASender);
  };
  return clock;
}

void TClockSet::LinkBreath() {
  if (OnBreath) OnBreath();
}

void TClockSet::LinkTraffic(std::uint32_t ATick, TTrafficDirection ADirection,
                            const std::string& AData) {
  if (OnTraffic) OnTraffic(ATick, ADirection, AData);
}

void TClockSet::CreateComPort() {
  FComPort = platform::Current().createSerialPort();
  FComPort->setPortName("COM1");
  FComPort->setBaudRate(FBaudRate);
  FComPort->setParity(TParity::None);
  // 8 data bits, 1 stop bit, DTR and RTS on: the port component always uses these.
}

void TClockSet::CreateTcpIpPort() {
  FTcpIpPort = platform::Current().createTcpClient();
  FTcpIpPort->setPort(0);
  FTcpIpPort->setAddress("192.168.0.1");
}

TConnectionType TClockSet::EffectiveConnectionType() const {
  if (FConnectionType == Modem && FPhoneNumber.empty()) return Cable;
  return FConnectionType;
}

void TClockSet::ChangeConnectionType(TConnectionType AValue) {
  if (AValue == FConnectionType) return;
  const TConnectionType old = FConnectionType;
  FConnectionType = AValue;
  if (old != TcpIp && AValue == TcpIp) {
    if (FComPort) FComPort->close();
    FComPort.reset();
    CreateTcpIpPort();
  } else if (old == TcpIp && AValue != TcpIp) {
    if (FTcpIpPort) FTcpIpPort->close();
    FTcpIpPort.reset();
    CreateComPort();
  }
}

std::uint16_t TClockSet::SerialPortNumber() const {
  if (!FComPort) throw EConvertError("the line has no serial port");
  const std::string name = FComPort->portName();
  // Characters 4 and 5 of "COMnn".
  const std::string digits = name.size() > 3 ? name.substr(3, 2) : std::string();
  if (digits.empty() ||
      !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
    throw EConvertError("'" + digits + "' is not a valid integer value");
  return static_cast<std::uint16_t>(std::stoi(digits));
}

void TClockSet::ChangeSerialPortNumber(std::uint16_t AValue) {
  ChangeSerialPortName("COM" + std::to_string(AValue));
}

void TClockSet::ChangeSerialPortName(const std::string& AValue) {
  if (!FComPort || AValue.empty() || AValue == FComPort->portName()) return;
  try {
    // The port held open is the old one: the next exchange opens the new one.
    FComPort->close();
    FComPort->setPortName(AValue);
  } catch (...) {
    // The old name stays.
  }
}

std::string TClockSet::SerialPortName() const {
  return FComPort ? FComPort->portName() : std::string();
}

void TClockSet::ChangeBaudRate(TBaudRate AValue) {
  if (AValue == FBaudRate || FConnectionType != Cable) return;
  FBaudRate = AValue;
  if (!FComPort) return;
  if (FComPort->isOpen()) {
    FComPort->close();
    FComPort->setBaudRate(AValue);
    FComPort->open();
  } else {
    FComPort->setBaudRate(AValue);
  }
}

void TClockSet::ChangePhoneNumber(const std::string& AValue) {
  std::string number = AValue;
  std::transform(number.begin(), number.end(), number.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  // The leading letter is the dialing mode: P pulse (the default), T tone.
  if (!number.empty() && number[0] != 'P' && number[0] != 'T') number.insert(0, "P");
  // A comma would break the settings string, whose fields it separates.
  std::replace(number.begin(), number.end(), ',', ' ');
  FPhoneNumber = number;
}

std::string TClockSet::SocketAddress() const {
  return FTcpIpPort ? FTcpIpPort->address() : "";
}

void TClockSet::ChangeSocketAddress(const std::string& AValue) {
  if (!FTcpIpPort) return;
  try {
    if (FTcpIpPort->active()) FTcpIpPort->close();
    FTcpIpPort->setAddress(AValue);
  } catch (...) {
  }
}

std::int32_t TClockSet::SocketPort() const {
  return FTcpIpPort ? FTcpIpPort->port() : 0;
}

void TClockSet::ChangeSocketPort(std::int32_t AValue) {
  if (!FTcpIpPort) return;
  try {
    if (FTcpIpPort->active()) FTcpIpPort->close();
    FTcpIpPort->setPort(AValue);
  } catch (...) {
  }
}

void TClockSet::ChangeGetIOImage(bool AValue) {
  FGetIOImage = AValue;
  for (auto& clock : FClocks) clock->SetGetIOImage(AValue);
}

void TClockSet::ChangeGetIOImageOnlyCards(bool AValue) {
  FGetIOImageOnlyCards = AValue;
  for (auto& clock : FClocks) clock->SetGetIOImageOnlyCards(AValue);
}

const std::string& TClockSet::ClockName() const {
  static const std::string empty;
  return FClocks.empty() ? empty : FClocks.front()->ClockName;
}

const std::string& TClockSet::FirmwareVersion() const {
  static const std::string empty;
  return FClocks.empty() ? empty : FClocks.front()->FirmwareVer;
}

TClockType TClockSet::ClockType() const {
  return FClocks.empty() ? CTUnknown : FClocks.front()->ClockType;
}

const std::string& TClockSet::ConnectSpeed() const { return FLink.ConnectSpeed(); }

std::string TClockSet::BuildActiveClocksString() const {
  int highest = 0;
  for (const auto& clock : FClocks)
    highest = std::max(highest, static_cast<int>(clock->ClockNumber));
  std::string result(static_cast<std::size_t>(highest), 'F');
  for (const auto& clock : FClocks)
    if (clock->Active && clock->ClockNumber >= 1)
      result[static_cast<std::size_t>(clock->ClockNumber - 1)] = 'T';
  return result;
}

bool TClockSet::OpenTcpIpPort() {
  if (!FTcpIpPort) return false;
  if (FTcpIpPort->active()) return true;
  bool result = false;
  try {
    ISystemClock& clock = platform::Clock();
    FTcpIpPort->open();
    const TDeadline connect(kConnectLimitMs);
    for (;;) {
      if (connect.expired()) break;
      if (FTcpIpPort->active() || FTcpIpPort->failure() != TSocketFailure::None || FCanceled)
        break;
      clock.sleep(10);
      // The connect event of the non-blocking socket arrives through the message loop.
      clock.processMessages();
    }
    result = FTcpIpPort->active();
  } catch (...) {
    result = false;
  }
  if (!result) FTcpIpPort->close();
  return result;
}

void TClockSet::Dial(std::string& AResult) {
  // The line counts as connected from the start of the dial until its verdict is known.
  FModemConnected = true;
  if (FClocks.empty()) NewClock(1);
  FClocks.front()->Dial(AResult);
  FModemConnected = AResult == kDialConnected;
}

bool TClockSet::HangUp() {
  if (!FModemConnected || FPhoneNumber.empty()) return true;
  if (FClocks.empty()) NewClock(1);
  const bool result = FClocks.front()->HangUp();
  FModemConnected = !result;
  return result;
}

void TClockSet::CancelDial() {
  FLink.CancelDial();
}

void TClockSet::Cancel() {
  FCanceled = true;
  CancelDial();
}
