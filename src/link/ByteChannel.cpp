// The byte channel: every byte between a clock object and its clock passes here, through the
// serial port or the socket that the line owns.
#include <algorithm>

#include "connections/ClockSet.h"
#include "link/ByteUtils.h"
#include "platform/Platform.h"

namespace {
// Reply timeout by connection type: cable, modem, TCP/IP.
constexpr int kReplyTimeoutMs[kConnectionTypeCount] = {7000, 7000, 7000};
// At this speed the clocks' UARTs need a pause after every byte of a text command.
constexpr int kPacedWriteGapMs = 20;
// The reply waits poll every kPollMs and process the application's messages every
// kPollsPerRound empty polls.
constexpr std::uint32_t kPollMs = 2;
constexpr int kPollsPerRound = 50;
}  // namespace

TConnectionType TBasicClock::ConnectionType() {
  return Owner ? Owner->EffectiveConnectionType() : Cable;
}

bool TBasicClock::ModemConnected() { return Owner && Owner->FModemConnected; }

ISerialPort* TBasicClock::GetComPort() { return Owner ? Owner->FComPort.get() : nullptr; }

ITcpClient* TBasicClock::GetTcpIpPort() { return Owner ? Owner->FTcpIpPort.get() : nullptr; }

TProtocol TBasicClock::GetProtocol() { return Owner ? Owner->FProtocol : RS232; }

bool TBasicClock::HasChannel() {
  if (ConnectionType() == TcpIp) return GetTcpIpPort() != nullptr;
  return GetComPort() != nullptr;
}

int TBasicClock::GetReplyTimeout() { return kReplyTimeoutMs[ConnectionType()]; }

void TBasicClock::ReportTraffic(TTrafficDirection ADirection, const std::string& AData) {
  if (Owner && Owner->OnTraffic && !AData.empty())
    Owner->OnTraffic(platform::Clock().tickCount(), ADirection, AData);
}

void TBasicClock::WriteCommand(const std::string& ACommand) {
  if (!HasChannel()) return;
  const TConnectionType type = ConnectionType();

  if (type == TcpIp) {
    ITcpClient* socket = GetTcpIpPort();
    if (!socket->active() && !Owner->OpenTcpIpPort()) return;
    // Whatever the clock sent before this command is stale; what was already buffered is not
    // touched (a reader may still be consuming it).
    try {
      ReportTraffic(TTrafficDirection::Rx, socket->readAll());
    } catch (...) {
    }
  } else {
    ISerialPort* port = GetComPort();
    if (port->isOpen())
      port->clear();
    else
      port->open();
  }

  CheckHdlcSession();
  // No session could be opened: no data frame goes out. The session request itself passes,
  // since it is written while the session check is under way.
  if (GetProtocol() == ptHdlc && !FInCheckHdlcSession && !FSessionIsOpen) return;

  // The modem's own commands are never encoded.
  if (InWorkWithModem || ACommand.rfind("ATD", 0) == 0 || ACommand.rfind("+++", 0) == 0) {
    if (ISerialPort* port = GetComPort()) {
      port->write(ACommand);
      ReportTraffic(TTrafficDirection::Tx, ACommand);
    }
    return;
  }

  std::string encoded;
  EncodeCommand(ACommand, encoded);
  if (type == TcpIp) {
    GetTcpIpPort()->send(encoded);
    ReportTraffic(TTrafficDirection::Tx, encoded);
    return;
  }
  ISerialPort* port = GetComPort();
  if (port->baudRate() == br57600 && GetProtocol() != ptHdlc) {
    for (char byte : encoded) {
      port->write(std::string(1, byte));
      ReportTraffic(TTrafficDirection::Tx, std::string(1, byte));
      platform::Clock().sleep(kPacedWriteGapMs);
    }
  } else {
    port->write(encoded);
    ReportTraffic(TTrafficDirection::Tx, encoded);
  }
}

void TBasicClock::ReadChannel(int ACount, std::string& AData) {
  AData.clear();
  if (ConnectionType() == TcpIp) {
    ITcpClient* socket = GetTcpIpPort();
    if (socket) {
      const std::string arrived = socket->readAll();
      ReportTraffic(TTrafficDirection::Rx, arrived);
      TCPIPReadBuffer += arrived;
    }
    const std::size_t waiting = TCPIPReadBuffer.size() - TCPIPReadOffset;
    if (ACount < static_cast<int>(waiting)) {
      const auto count = static_cast<std::size_t>(std::max(ACount, 0));
      AData = TCPIPReadBuffer.substr(TCPIPReadOffset, count);
      TCPIPReadOffset += count;
      // The handed-out part goes once it is the larger one: every byte is moved at most once.
      if (TCPIPReadOffset > TCPIPReadBuffer.size() / 2) {
        TCPIPReadBuffer.erase(0, TCPIPReadOffset);
        TCPIPReadOffset = 0;
      }
    } else {
      if (TCPIPReadOffset == 0)
        AData.swap(TCPIPReadBuffer);
      else
        AData = TCPIPReadBuffer.substr(TCPIPReadOffset);
      TCPIPReadBuffer.clear();
      TCPIPReadOffset = 0;
    }
    return;
  }
  if (ISerialPort* port = GetComPort()) {
    AData = port->read(ACount);
    ReportTraffic(TTrafficDirection::Rx, AData);
  }
}

void TBasicClock::ClearChannel() {
  if (ConnectionType() == TcpIp) {
    if (ITcpClient* socket = GetTcpIpPort()) ReportTraffic(TTrafficDirection::Rx, socket->readAll());
    TCPIPReadBuffer.clear();
    TCPIPReadOffset = 0;
    return;
  }
  if (ISerialPort* port = GetComPort()) port->clear();
}

void TBasicClock::IdleWait(int AMs) {
  if (ConnectionType() == TcpIp) {
    if (ITcpClient* socket = GetTcpIpPort()) return socket->waitForData(AMs);
  } else if (ISerialPort* port = GetComPort()) {
    return port->waitForData(AMs);
  }
  platform::Clock().sleep(static_cast<std::uint32_t>(AMs));
}

void TBasicClock::RunReplyWait(TDeadline& ADeadline, const std::function<int()>& AWant,
                               const std::function<bool(const std::string&)>& AOnData) {
  ISystemClock& clock = platform::Clock();
  int emptyPolls = 0;
  for (;;) {
    if (InWorkWithModem || (ConnectionType() == Modem && !ModemConnected())) return;
    std::string data;
    const int want = AWant();
    try {
      ReadChannel(want, data);
    } catch (...) {
      return;
    }
    if (!data.empty()) {
      if (AOnData(data)) return;
      continue;
    }
    if (ADeadline.expired()) return;
    // Nothing came: poll every 2 ms, and let the application process its messages at every
    // 50th empty poll. The empty polls up to the next of those rounds, or up to the timeout, are
    // spent in one wait that returns as soon as bytes arrive: the same schedule, without waking
    // up every 2 ms while a clock is silent.
    const std::uint32_t untilRound =
        kPollMs * static_cast<std::uint32_t>(kPollsPerRound - emptyPolls);
    const std::uint32_t untilTimeout = (ADeadline.remaining() + kPollMs - 1) / kPollMs * kPollMs;
    const std::uint32_t waitMs = std::min(untilRound, untilTimeout);
    const TDeadline poll(waitMs);
    // A wait that wants no more bytes (a saved reply that is already whole) must not wait for
    // input: input that is there returns the wait at once, unread, and the poll would spin.
    if (want > 0)
      IdleWait(static_cast<int>(waitMs));
    else
      clock.sleep(waitMs);
    const std::uint32_t waited = poll.elapsed();
    emptyPolls += std::max(1, static_cast<int>((waited + kPollMs - 1) / kPollMs));
    if (emptyPolls >= kPollsPerRound) {
      clock.processMessages();
      emptyPolls = 0;
    }
  }
}
