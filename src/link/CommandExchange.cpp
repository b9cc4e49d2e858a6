// The command exchange: one question to a clock, its reply collected, cleaned and decoded, with
// the tries and timeouts of the line.
#include "link/ByteUtils.h"
#include "link/ClockLink.h"
#include "link/ClockTries.h"
#include "link/HdlcSessionClosed.h"
#include "platform/Deadline.h"
#include "platform/Platform.h"

namespace {
// While clocks are being detected an absent clock must not cost seven seconds per number.
constexpr int kDetectTimeoutMs = 300;
constexpr int kDetectModemTimeoutMs = 1000;
// A modem needs time to pass the command on before anything can come back.
constexpr int kModemPauseMs = 200;
constexpr int kPauseMs = 2;

bool IsBusyReport(const THdlcPacket& APacket) {
  return APacket.Busy && APacket.Session && !APacket.Ack && !APacket.Nack;
}
}  // namespace

int TClockLink::DetectionTimeout() const {
  return ConnectionType() == Modem ? kDetectModemTimeoutMs : kDetectTimeoutMs;
}

int TClockLink::Tries(TClockType AClockType) const {
  // A clock type from outside the table (a damaged settings string) tries as an unknown clock.
  const auto type = static_cast<std::size_t>(AClockType) < kClockTypeCount ? AClockType : CTUnknown;
  return ClockTries[ConnectionType()][Protocol()][type];
}

bool TClockLink::CanExchange() const {
  if (!HasChannel() || FInWorkWithModem) return false;
  return !(ConnectionType() == Modem && !ModemConnected());
}

std::string TClockLink::EncodeCommand(const TLinkStation& AStation,
                                      const std::string& ACommand) const {
  if (Protocol() == RS485) return EncodeRS485Frame(AStation.ClockNumber, ACommand);
  return ACommand;
}

std::string TClockLink::DecodeReply(const std::string& AReply) const {
  return DecodeReplyBytes(Protocol(), AReply);
}

std::string TClockLink::SendCommand(const TLinkStation& AStation, const std::string& ACommand,
                                    int AReplyLength, const std::string& AReplyStart,
                                    const std::string& ASavedReply) {
  THdlcPacket packet;
  return Exchange(AStation, ACommand, AReplyLength, AReplyStart, ASavedReply, packet);
}

THdlcPacket TClockLink::SendHdlcCommand(const TLinkStation& AStation, std::string_view AData) {
  THdlcPacket packet;
  Exchange(AStation, BuildHdlcCommand(AStation.ClockNumber, AData), 0, "", "", packet);
  return packet;
}

void TClockLink::WriteHdlcCommand(const TLinkStation& AStation, std::string_view AData) {
  WriteCommand(AStation, BuildHdlcCommand(AStation.ClockNumber, AData));
}

std::string TClockLink::Exchange(const TLinkStation& AStation, const std::string& ACommand,
                                 int AReplyLength, const std::string& AReplyStart,
                                 const std::string& ASavedReply, THdlcPacket& APacket) {
  APacket = THdlcPacket();
  if (!CanExchange()) return {};
  const bool quick = AStation.ProbeTimeoutMs > 0;
  const int tries = quick ? 1 : Tries(AStation.ClockType);
  std::string reply;
  for (int attempt = 1; attempt <= tries; ++attempt) {
    try {
      WriteCommand(AStation, ACommand);
    } catch (...) {
      return {};  // a port that cannot write gives no reply, and no further try
    }
    // A quick probe of an HDLC clock that granted no session has sent nothing to wait for.
    if (quick && Protocol() == ptHdlc && !AStation.Session->IsOpen) return {};
    platform::Clock().sleep(ModemConnected() ? kModemPauseMs : kPauseMs);
    if (Protocol() == ptHdlc) {
      APacket = ReceiveHdlcReply(AStation, attempt == tries);
      if (!APacket.IsValid) continue;
      reply = APacket.Data;
      break;
    }
    // Text protocols send the command once: this ends the exchange whatever comes back.
    reply = ReceiveTextReply(AStation, AReplyLength, AReplyStart, ASavedReply);
    break;
  }
  return DecodeReply(reply);
}

THdlcPacket TClockLink::ReceiveHdlcReply(const TLinkStation& AStation, bool ALastTry) {
  THdlcPacket packet;
  try {
    packet = ReceiveHdlcPacket(AStation);  // the detection timeouts do not apply here
  } catch (const HardwareSessionClosedException&) {
    // A closing frame is no answer. Before the next try the session is opened again (the last
    // try asks for no new session).
    if (!ALastTry) CheckHdlcSession(AStation);
    return {};
  }
  if (packet.IsValid && IsBusyReport(packet)) {
    // The clock is busy: the next try asks for a new session first.
    AStation.Session->IsOpen = false;
    packet.IsValid = false;
  }
  return packet;
}

std::string TClockLink::ReceiveTextReply(const TLinkStation& AStation, int AReplyLength,
                                         const std::string& AReplyStart,
                                         const std::string& ASavedReply) {
  int timeout = ReplyTimeout();
  if (AStation.InDetection) timeout = DetectionTimeout();
  if (AStation.ProbeTimeoutMs > 0) timeout = AStation.ProbeTimeoutMs;
  std::string reply = ASavedReply;
  const TProtocol protocol = Protocol();
  // The deadline is not moved by arriving bytes: the timeout bounds the whole collection.
  TDeadline deadline(static_cast<std::uint32_t>(timeout));
  RunReplyWait(
      deadline, [&] { return AReplyLength - static_cast<int>(reply.size()); },
      [&](const std::string& AData) {
        reply += AData;
        CleanReplyAfterArrival(reply, AReplyStart, protocol);
        return static_cast<int>(reply.size()) >= AReplyLength;
      });
  return reply;
}

std::string TClockLink::GetResultWithoutDecoding(int ACount) {
  std::string collected;
  TDeadline deadline(static_cast<std::uint32_t>(ReplyTimeout()));
  RunReplyWait(
      deadline, [&] { return ACount - static_cast<int>(collected.size()); },
      [&](const std::string& AData) {
        collected += AData;
        return collected == "I" || static_cast<int>(collected.size()) >= ACount;
      });
  return collected;
}

std::string TClockLink::SendCommandWithoutDecoding(const TLinkStation& AStation,
                                                   const std::string& ACommand, int ACount) {
  if (!CanExchange()) return {};
  try {
    WriteCommand(AStation, ACommand);
  } catch (...) {
    return {};
  }
  if (ModemConnected()) platform::Clock().sleep(kModemPauseMs);
  return GetResultWithoutDecoding(ACount);
}
