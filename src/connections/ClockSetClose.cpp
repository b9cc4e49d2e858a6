#include "connections/ClockSet.h"

void TClockSet::Close() {
  if (EffectiveConnectionType() == TcpIp) {
    if (FTcpIpPort) FTcpIpPort->close();
  } else {
    // A dialled line is hung up before its port closes, or the modem would keep the call.
    if (FModemConnected) HangUp();
    if (FComPort && FComPort->isOpen()) FComPort->close();
  }
  // A clock's HDLC session lives only as long as the line stays open.
  for (auto& clock : FClocks) clock->ForgetHdlcSession();
}
