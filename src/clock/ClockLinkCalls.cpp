// The clock object's calls into its line's link: each names this clock (its number, its type,
// whether a detection runs) and hands over its HDLC session.
#include "clock/VexClock.h"
#include "link/ClockLink.h"

TLinkStation TBasicClock::Station() {
  return TLinkStation{ClockNumber, ClockType, InDetectClocks,
                      FInQuickStatus ? QuickProbeTimeout : 0, &FHdlcSession};
}

TConnectionType TBasicClock::ConnectionType() { return FLink->ConnectionType(); }
bool TBasicClock::HasChannel() { return FLink->HasChannel(); }
ISerialPort* TBasicClock::GetComPort() { return FLink->ComPort(); }
ITcpClient* TBasicClock::GetTcpIpPort() { return FLink->TcpIpPort(); }
TProtocol TBasicClock::GetProtocol() { return FLink->Protocol(); }
int TBasicClock::GetReplyTimeout() { return FLink->ReplyTimeout(); }
int TBasicClock::Tries() { return FLink->Tries(ClockType); }

void TBasicClock::WriteCommand(const std::string& ACommand) {
  FLink->WriteCommand(Station(), ACommand);
}

void TBasicClock::ReadChannel(int ACount, std::string& AData) { FLink->ReadChannel(ACount, AData); }

void TBasicClock::ClearChannel() { FLink->ClearChannel(); }

void TBasicClock::SendCommand(const std::string& ACommand, int AReplyLength,
                              const std::string& AReplyStart, const std::string& ASavedReply,
                              std::string& AReply) {
  AReply = FLink->SendCommand(Station(), ACommand, AReplyLength, AReplyStart, ASavedReply);
}

THdlcPacket TBasicClock::SendHdlcCommand(std::string_view AData) {
  FLastHdlcPacket = FLink->SendHdlcCommand(Station(), AData);
  return FLastHdlcPacket;
}

void TBasicClock::WriteHdlcCommand(std::string_view AData) {
  FLink->WriteHdlcCommand(Station(), AData);
}

void TBasicClock::GetResultWithoutDecoding(int ACount, std::string& AResult) {
  AResult = FLink->GetResultWithoutDecoding(ACount);
}

void TBasicClock::SendCommandWithoutDecoding(const std::string& ACommand, int ACount,
                                             std::string& AResult) {
  AResult = FLink->SendCommandWithoutDecoding(Station(), ACommand, ACount);
}

void TBasicClock::CheckHdlcSession() { FLink->CheckHdlcSession(Station()); }

void TBasicClock::OpenHdlcSession() { FLink->OpenHdlcSession(Station()); }

void TBasicClock::ReceiveHdlcPacket(THdlcPacket& APacket) {
  APacket = FLink->ReceiveHdlcPacket(Station());
}

void TBasicClock::Dial(std::string& AResult) { FLink->Dial(Station(), AResult); }

bool TBasicClock::HangUp() { return FLink->HangUp(Station()); }

void TBasicClock::CancelDial() { FLink->CancelDial(); }

std::string TBasicClock::GetPhoneNumber() { return FLink->PhoneNumber(); }

void TBasicClock::Breathe(std::uint16_t AMinimumMs) { FLink->Breathe(AMinimumMs); }

const std::string& TBasicClock::ConnectSpeedText() const { return FLink->ConnectSpeed(); }
