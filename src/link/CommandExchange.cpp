// The command exchange: one question to a clock, its reply collected, cleaned and decoded, with
// the tries and timeouts of the line.
#include "connections/ClockSet.h"
#include "link/ByteUtils.h"
#include "link/HdlcSessionClosed.h"
#include "platform/Platform.h"

namespace {
// While clocks are being detected an absent clock must not cost seven seconds per number.
constexpr int kDetectTimeoutMs = 300;
constexpr int kDetectModemTimeoutMs = 1000;
// A modem needs time to pass the command on before anything can come back.
constexpr int kModemPauseMs = 200;
constexpr int kPauseMs = 2;
}  // namespace

bool TBasicClock::CanExchange() {
  if (!HasChannel() || InWorkWithModem) return false;
  return !(ConnectionType() == Modem && !ModemConnected());
}

void TBasicClock::EncodeCommand(const std::string& ACommand, std::string& AEncoded) {
  if (GetProtocol() == RS485)
    EncodeRS485Command(ACommand, AEncoded);
  else
    AEncoded = ACommand;
}

void TBasicClock::EncodeRS485Command(const std::string& ACommand, std::string& AEncoded) {
  AEncoded = EncodeRS485Frame(ClockNumber, ACommand);
}

void TBasicClock::DecodeReply(const std::string& AReply, std::string& AResult) {
  AResult = DecodeReplyBytes(GetProtocol(), AReply);
}

void TBasicClock::SendCommand(const std::string& ACommand, int AReplyLength,
                              const std::string& AReplyStart, const std::string& ASavedReply,
                              std::string& AReply) {
  AReply.clear();
  if (!CanExchange()) return;
  const TConnectionType type = ConnectionType();
  const int tries = ClockTries[type][GetProtocol()][ClockType];
  ISystemClock& clock = platform::Clock();

  std::string reply;
  for (int attempt = 1; attempt <= tries; ++attempt) {
    try {
      WriteCommand(ACommand);
    } catch (...) {
      return;  // a port that cannot write gives no reply, and no further try
    }
    clock.sleep(ModemConnected() ? kModemPauseMs : kPauseMs);
    int timeout = GetReplyTimeout();
    if (InDetectClocks) timeout = type == Modem ? kDetectModemTimeoutMs : kDetectTimeoutMs;

    if (GetProtocol() == ptHdlc) {
      THdlcPacket packet;
      bool sessionClosed = false;
      try {
        ReceiveHdlcPacket(packet);  // the detection timeouts do not apply here
      } catch (const HardwareSessionClosedException&) {
        sessionClosed = true;
      }
      // A closing frame is no answer: the reception left the last packet invalid, and it stays
      // so (on the last try too, where no new session is asked for).
      if (!sessionClosed) FHdlcPacket = packet;
      if (sessionClosed && attempt < tries) {
        CheckHdlcSession();
        continue;
      }
      reply.clear();
      if (!FHdlcPacket.IsValid) continue;
      if (FHdlcPacket.Busy && FHdlcPacket.Session && !FHdlcPacket.Ack && !FHdlcPacket.Nack) {
        // The clock is busy: the next try asks for a new session first.
        FSessionIsOpen = false;
        FHdlcPacket.IsValid = false;
        continue;
      }
      reply = FHdlcPacket.Data;
      break;
    }

    // Text protocols send the command once: this ends the exchange whatever comes back.
    reply = ASavedReply;
    const TProtocol protocol = GetProtocol();
    TDeadline deadline(static_cast<std::uint32_t>(timeout));
    RunReplyWait(
        deadline,
        [&] { return AReplyLength - static_cast<int>(reply.size()); },
        [&](const std::string& AData) {
          reply += AData;
          CleanReplyAfterArrival(reply, AReplyStart, protocol);
          return static_cast<int>(reply.size()) >= AReplyLength;
        });
    break;
  }
  DecodeReply(reply, AReply);
}

void TBasicClock::GetResultWithoutDecoding(int ACount, std::string& AResult) {
  std::string collected;
  TDeadline deadline(static_cast<std::uint32_t>(GetReplyTimeout()));
  RunReplyWait(
      deadline,
      [&] { return ACount - static_cast<int>(collected.size()); },
      [&](const std::string& AData) {
        collected += AData;
        return collected == "I" || static_cast<int>(collected.size()) >= ACount;
      });
  AResult = collected;
}

void TBasicClock::SendCommandWithoutDecoding(const std::string& ACommand, int ACount,
                                             std::string& AResult) {
  AResult.clear();
  if (!CanExchange()) return;
  try {
    WriteCommand(ACommand);
  } catch (...) {
    return;
  }
  if (ModemConnected()) platform::Clock().sleep(kModemPauseMs);
  GetResultWithoutDecoding(ACount, AResult);
}
