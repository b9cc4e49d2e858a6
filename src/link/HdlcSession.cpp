// The HDLC session: a clock on an HDLC line answers data frames only inside a session, which the
// computer asks for before its first command and again whenever the clock has dropped it.
#include "clock/ClockOpsSupport.h"
#include "connections/ClockSet.h"
#include "link/HdlcSessionClosed.h"
#include "link/HdlcStreamReceiver.h"
#include "platform/Platform.h"

namespace {
bool OnlySession(const THdlcPacket& P, bool AAck, bool ANack, bool ABusy) {
  return P.Session && P.Ack == AAck && P.Nack == ANack && P.Busy == ABusy;
}
}  // namespace

void TBasicClock::ReceiveHdlcPacket(THdlcPacket& APacket) {
  APacket.IsValid = false;
  // One byte per read, so that whatever follows the closing flag stays on the line for the next
  // reception. The receiver drops a stream that cannot be a frame (no flag within the longest
  // possible frame) instead of collecting it without end.
  THdlcStreamReceiver receiver;
  std::optional<THdlcPacket> received;
  TDeadline deadline(static_cast<std::uint32_t>(GetReplyTimeout()));
  RunReplyWait(
      deadline, [] { return 1; },
      [&](const std::string& AData) {
        // Every byte restarts the timeout: a slow clock is still a talking clock.
        deadline.start();
        receiver.feed(AData);
        if (!receiver.hasPacket()) return false;
        received = receiver.takePacket();
        return true;
      });
  if (!received) {
    APacket.SourceAddress = 0;
    APacket.DestAddress = 0;
    return;
  }
  APacket = *received;
  if (FInOpenHdlcSession) return;
  if (OnlySession(APacket, false, true, false)) {
    FSessionIsOpen = false;
    FHdlcPacket.IsValid = false;
    throw HardwareSessionClosedException();
  }
}

void TBasicClock::OpenHdlcSession() {
  const std::string frame = BuildOpenSessionFrame(ClockNumber);
  clockops::TFlagGuard opening(FInOpenHdlcSession);
  const int tries = ClockTries[ConnectionType()][GetProtocol()][ClockType];
  for (int attempt = 0; attempt < tries; ++attempt) {
    WriteCommand(frame);
    THdlcPacket packet;
    ReceiveHdlcPacket(packet);
    FHdlcPacket = packet;
    if (!FHdlcPacket.IsValid) return;
    if (OnlySession(packet, true, false, false)) {  // granted
      FSessionIsOpen = true;
      FHdlcPacket.IsValid = false;
      return;
    }
    if (OnlySession(packet, false, true, false)) {  // refused: ask again
      FSessionIsOpen = false;
      FHdlcPacket.IsValid = false;
      continue;
    }
    if (OnlySession(packet, false, false, true)) {  // busy
      FSessionIsOpen = false;
      FHdlcPacket.IsValid = false;
      return;
    }
  }
}

void TBasicClock::CheckHdlcSession() {
  if (GetProtocol() != ptHdlc || FInCheckHdlcSession) return;
  clockops::TFlagGuard checking(FInCheckHdlcSession);
  if (!FSessionIsOpen) OpenHdlcSession();
}
