// Pieces of the clock object that every operation uses: the tries, the pause between tries, the
// parity of the line's serial port and the address the face-terminal adapters talk to.
#include <algorithm>

#include "adapters/KRMira/KRMira.h"
#include "adapters/KRMira120/KRMira120.h"
#include "clock/VexClock.h"
#include "link/ClockLink.h"
#include "platform/TcpClient.h"
#include "platform/Platform.h"
#include "utils/TextFields.h"

namespace {
// The pause is spent in steps of this length, the application's messages processed before each.
constexpr std::uint32_t kPauseStepMs = 10;
}  // namespace

void TBasicClock::PauseProcessingMessages(std::uint32_t AMs) {
  ISystemClock& clock = platform::Clock();
  const TDeadline pause(AMs);
  for (;;) {
    clock.processMessages();
    if (pause.expired()) return;
    clock.sleep(std::min(kPauseStepMs, pause.remaining()));
  }
}

void TBasicClock::SetLineParity(TParity AParity) {
  if (ConnectionType() == TcpIp) return;
  if (ISerialPort* port = GetComPort()) port->setParity(AParity);
}

std::string TBasicClock::LineIpAddress() {
  const ITcpClient* socket = FLink->TcpIpPort();
  return socket ? socket->address() : std::string();
}

std::int32_t TBasicClock::LinePort() {
  const ITcpClient* socket = FLink->TcpIpPort();
  return socket ? socket->port() : 0;
}

void TBasicClock::SyncKrMiraAddress() {
  const std::string address = LineIpAddress();
  if (TrimBlanks(FKrMira->IpAddress()) != TrimBlanks(address)) FKrMira->SetIpAddress(address);
}

void TBasicClock::SyncKrMira120Address() {
  FKrMira120->SetIpAddress(LineIpAddress());
  FKrMira120->SetPort(LinePort());
}

std::string TBasicClock::StatusFromAdapter(int AIsEmpty) {
  switch (AIsEmpty) {
    case 0:
      return "0";
    case 1:
      return "1";
    default:
      return {};  // -1: no answer
  }
}
