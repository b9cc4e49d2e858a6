// The byte channel: every byte between the clock objects and their clocks passes here, through
// the serial port or the socket that the line owns.
#include <algorithm>

#include "link/ByteUtils.h"
#include "link/ClockLink.h"
#include "platform/Deadline.h"
#include "platform/BaudRate.h"
#include "platform/Platform.h"
#include "platform/SerialPort.h"
#include "platform/TcpClient.h"

namespace {
// Reply timeout by connection type: cable, modem, TCP/IP.
constexpr int kReplyTimeoutMs[kConnectionTypeCount] = {7000, 7000, 7000};
// At this speed the clocks' UARTs need a pause after every byte of a text command.
constexpr int kPacedWriteGapMs = 20;
// The reply waits poll every kPollMs and process the application's messages every
// kPollsPerRound empty polls.
constexpr std::uint32_t kPollMs = 2;
constexpr int kPollsPerRound = 50;
// A read from the socket takes what the wait asked for and at most this much more, so that a
// peer that floods the line costs no memory beyond it: the rest stays in the socket, whose own
// buffer is bounded (kTcpSocketBufferBytes).
constexpr std::size_t kTcpLookAheadBytes = 4096;
}  // namespace

TClockLink::TClockLink(ILinkLine* ALine) : FLine(ALine) {}

TConnectionType TClockLink::ConnectionType() const {
  return FLine ? FLine->EffectiveConnectionType() : Cable;
}

TProtocol TClockLink::Protocol() const { return FLine ? FLine->Protocol() : RS232; }

ISerialPort* TClockLink::ComPort() const { return FLine ? FLine->ComPort() : nullptr; }

ITcpClient* TClockLink::TcpIpPort() const { return FLine ? FLine->TcpIpPort() : nullptr; }

bool TClockLink::ModemConnected() const { return FLine && FLine->ModemConnected(); }

bool TClockLink::HasChannel() const {
  if (ConnectionType() == TcpIp) return TcpIpPort() != nullptr;
  return ComPort() != nullptr;
}

int TClockLink::ReplyTimeout() const { return kReplyTimeoutMs[ConnectionType()]; }

int TClockLink::LineBitsPerSecond() const {
  int bits = 0;
  if (ConnectionType() != TcpIp)
    if (const ISerialPort* port = ComPort()) bits = BaudRateToBits(port->baudRate());
  return bits > 0 ? bits : kSlowestLineBits;
}

std::uint32_t TClockLink::LineTransferMs(std::uint64_t ABytes) const {
  return LineBytesMs(ABytes, LineBitsPerSecond());
}

void TClockLink::ReportTraffic(TTrafficDirection ADirection, const std::string& AData) {
  if (FLine && !AData.empty()) FLine->LinkTraffic(platform::Clock().tickCount(), ADirection, AData);
}

void TClockLink::WriteCommand(const TLinkStation& AStation, const std::string& ACommand) {
  if (!HasChannel()) return;
  const TConnectionType type = ConnectionType();

  if (type == TcpIp) {
    ITcpClient* socket = TcpIpPort();
    if (!socket->active() && !FLine->OpenTcpIpPort()) return;
    // Whatever the clock sent before this command is stale; what was already buffered is not
    // touched (a reader may still be consuming it).
    try {
      ReportTraffic(TTrafficDirection::Rx, socket->read(kTcpSocketBufferBytes));
    } catch (...) {
    }
  } else {
    ISerialPort* port = ComPort();
    if (port->isOpen())
      port->clear();
    else
      port->open();
  }

  CheckHdlcSession(AStation);
  // No session could be opened: no data frame goes out. The session request itself passes,
  // since it is written while the session check is under way.
  const THdlcSessionState& session = *AStation.Session;
  if (Protocol() == ptHdlc && !session.InCheck && !session.IsOpen) return;

  // The modem's own commands are never encoded.
  if (FInWorkWithModem || ACommand.rfind("ATD", 0) == 0 || ACommand.rfind("+++", 0) == 0) {
    if (ISerialPort* port = ComPort()) {
      port->write(ACommand);
      ReportTraffic(TTrafficDirection::Tx, ACommand);
    }
    return;
  }

  const std::string encoded = EncodeCommand(AStation, ACommand);
  if (type == TcpIp) {
    TcpIpPort()->send(encoded);
    ReportTraffic(TTrafficDirection::Tx, encoded);
    return;
  }
  ISerialPort* port = ComPort();
  if (port->baudRate() == br57600 && Protocol() != ptHdlc) {
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

void TClockLink::ReadChannel(int ACount, std::string& AData) {
  AData.clear();
  if (ConnectionType() == TcpIp) {
    // What the wait can use plus the look-ahead, never more than a socket holds; the rest stays
    // in the socket until it is asked for.
    const std::size_t wanted =
        std::min(static_cast<std::size_t>(std::max(ACount, 0)) + kTcpLookAheadBytes,
                 kTcpSocketBufferBytes);
    const std::size_t buffered = FTcpReadBuffer.size() - FTcpReadOffset;
    ITcpClient* socket = TcpIpPort();
    if (socket && buffered < wanted) {
      const std::string arrived = socket->read(wanted - buffered);
      ReportTraffic(TTrafficDirection::Rx, arrived);
      FTcpReadBuffer += arrived;
    }
    const std::size_t waiting = FTcpReadBuffer.size() - FTcpReadOffset;
    if (ACount < static_cast<int>(waiting)) {
      const auto count = static_cast<std::size_t>(std::max(ACount, 0));
      AData = FTcpReadBuffer.substr(FTcpReadOffset, count);
      FTcpReadOffset += count;
      // The handed-out part goes once it is the larger one: every byte is moved at most once.
      if (FTcpReadOffset > FTcpReadBuffer.size() / 2) {
        FTcpReadBuffer.erase(0, FTcpReadOffset);
        FTcpReadOffset = 0;
      }
    } else {
      if (FTcpReadOffset == 0)
        AData.swap(FTcpReadBuffer);
      else
        AData = FTcpReadBuffer.substr(FTcpReadOffset);
      FTcpReadBuffer.clear();
      FTcpReadOffset = 0;
    }
    return;
  }
  if (ISerialPort* port = ComPort()) {
    AData = port->read(ACount);
    ReportTraffic(TTrafficDirection::Rx, AData);
  }
}

void TClockLink::ClearChannel() {
  if (ConnectionType() == TcpIp) {
    if (ITcpClient* socket = TcpIpPort())
      ReportTraffic(TTrafficDirection::Rx, socket->read(kTcpSocketBufferBytes));
    FTcpReadBuffer.clear();
    FTcpReadOffset = 0;
    return;
  }
  if (ISerialPort* port = ComPort()) port->clear();
}

void TClockLink::IdleWait(int AMs) {
  if (ConnectionType() == TcpIp) {
    if (ITcpClient* socket = TcpIpPort()) return socket->waitForData(AMs);
  } else if (ISerialPort* port = ComPort()) {
    return port->waitForData(AMs);
  }
  platform::Clock().sleep(static_cast<std::uint32_t>(AMs));
}

void TClockLink::RunReplyWait(TDeadline& ADeadline, const std::function<int()>& AWant,
                              const std::function<bool(const std::string&)>& AOnData) {
  ISystemClock& clock = platform::Clock();
  int emptyPolls = 0;
  for (;;) {
    if (FInWorkWithModem || (ConnectionType() == Modem && !ModemConnected())) return;
    std::string data;
    const int want = AWant();
    try {
      ReadChannel(want, data);
    } catch (...) {
      return;
    }
    // The deadline holds whatever arrives: a peer that never stops sending ends the wait too.
    if (!data.empty() && AOnData(data)) return;
    if (ADeadline.expired()) return;
    if (!data.empty()) continue;
    // Nothing came: poll every 2 ms, and let the application process its messages at every
    // 50th empty poll. The empty polls up to the next of those rounds, or up to the deadline,
    // are spent in one wait that returns as soon as bytes arrive: the same schedule, without
    // waking up every 2 ms while a clock is silent.
    const std::uint32_t untilRound =
        kPollMs * static_cast<std::uint32_t>(kPollsPerRound - emptyPolls);
    const std::uint32_t untilTimeout = (ADeadline.remaining() + kPollMs - 1) / kPollMs * kPollMs;
    const TDeadline poll(std::min(untilRound, untilTimeout));
    // A wait that wants no more bytes (a saved reply that is already whole) must not wait for
    // input: input that is there returns the wait at once, unread, and the poll would spin.
    if (want > 0)
      IdleWait(static_cast<int>(poll.timeout()));
    else
      clock.sleep(poll.timeout());
    emptyPolls += std::max(1, static_cast<int>((poll.elapsed() + kPollMs - 1) / kPollMs));
    if (emptyPolls >= kPollsPerRound) {
      clock.processMessages();
      emptyPolls = 0;
    }
  }
}
