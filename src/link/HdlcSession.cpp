// The HDLC session: a clock on an HDLC line answers data frames only inside a session, which the
// computer asks for before its first command and again whenever the clock has dropped it.
#include <algorithm>
#include <optional>

#include "link/ClockLink.h"
#include "link/HdlcSessionClosed.h"
#include "link/HdlcStreamReceiver.h"
#include "platform/Deadline.h"
#include "utils/FlagGuard.h"

namespace {
bool OnlySession(const THdlcPacket& P, bool AAck, bool ANack, bool ABusy) {
  return P.Session && P.Ack == AAck && P.Nack == ANack && P.Busy == ABusy;
}
}  // namespace

THdlcPacket TClockLink::ReceiveHdlcPacket(const TLinkStation& AStation) {
  // One byte per read, so that whatever follows the closing flag stays on the line for the next
  // reception. The receiver drops a stream that cannot be a frame (no flag within the longest
  // possible frame) instead of collecting it without end.
  THdlcStreamReceiver receiver;
  std::optional<THdlcPacket> received;
  const auto timeout = static_cast<std::uint32_t>(
      AStation.ProbeTimeoutMs > 0 ? AStation.ProbeTimeoutMs : ReplyTimeout());
  const TDeadline packetCap(HdlcPacketCapMs(timeout));
  TDeadline deadline(timeout);
  RunReplyWait(
      deadline, [] { return 1; },
      [&](const std::string& AData) {
        receiver.feed(AData);
        if (receiver.hasPacket()) {
          received = receiver.takePacket();
          return true;
        }
        // A byte of a frame that is arriving restarts the timeout (a slow clock is still a
        // talking clock), though never past the packet's cap; noise and lone flags do not.
        if (receiver.bufferedBytes() > 1)
          deadline = TDeadline(std::min(timeout, packetCap.remaining()));
        return false;
      });
  if (!received) return {};
  if (!AStation.Session->InOpen && OnlySession(*received, false, true, false)) {
    AStation.Session->IsOpen = false;
    throw HardwareSessionClosedException();
  }
  return *received;
}

std::uint32_t TClockLink::HdlcPacketCapMs(std::uint32_t ATimeoutMs) const {
  return ATimeoutMs + LineTransferMs(HdlcMaxStuffedFrame);
}

void TClockLink::OpenHdlcSession(const TLinkStation& AStation) {
  THdlcSessionState& session = *AStation.Session;
  const std::string frame = BuildOpenSessionFrame(AStation.ClockNumber);
  const TFlagGuard opening(session.InOpen);
  const int tries = AStation.ProbeTimeoutMs > 0 ? 1 : Tries(AStation.ClockType);
  for (int attempt = 0; attempt < tries; ++attempt) {
    WriteCommand(AStation, frame);
    const THdlcPacket packet = ReceiveHdlcPacket(AStation);
    if (!packet.IsValid) return;
    if (OnlySession(packet, true, false, false)) {  // granted
      session.IsOpen = true;
      return;
    }
    if (OnlySession(packet, false, true, false)) {  // refused: ask again
      session.IsOpen = false;
      continue;
    }
    if (OnlySession(packet, false, false, true)) {  // busy
      session.IsOpen = false;
      return;
    }
  }
}

void TClockLink::CheckHdlcSession(const TLinkStation& AStation) {
  THdlcSessionState& session = *AStation.Session;
  if (Protocol() != ptHdlc || session.InCheck) return;
  const TFlagGuard checking(session.InCheck);
  if (!session.IsOpen) OpenHdlcSession(AStation);
}
