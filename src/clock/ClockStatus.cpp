// The clock's status: whether it answers, holds records, is busy. The code is one character:
// "0" answers with records, "1" answers and is empty, "2" busy with records, "3" busy and empty;
// '' (or anything else) does not answer. Text protocol: 01h, answered by the code (on RS485
// wrapped in a six-byte frame whose fourth byte is the code). HDLC: 02h, answered 00h when the
// clock holds no record and anything else when it holds some. The face-recognition terminals
// are asked through their adapters, which know only "0", "1" and no answer.
#include <cstdint>

#include "adapters/KRMira/KRMira.h"
#include "adapters/KRMira120/KRMira120.h"
#include "clock/ClockOpsSupport.h"
#include "clock/VexClock.h"
#include "platform/Platform.h"
#include "utils/MessageHook.h"

namespace {
const std::string kStatusRequest("\x01", 1);
const std::string kHdlcStatusRequest("\x02", 1);
constexpr std::uint32_t kSilentPauseMs = 500;
// A clock found empty is not asked again within this time.
constexpr std::uint32_t kEmptyQuietMs = 1000;
}  // namespace

void TBasicClock::GetStatus() {
  if (FInGetStatus) return;
  const TFlagGuard running(FInGetStatus);
  if (WasEmpty() && StatusQuietTime && !StatusQuietTime->expired()) return;

  std::string code;
  if (ClockType == KRMiraClock) {
    SyncKrMiraAddress();
    code = StatusFromAdapter(FKrMira->IsEmpty());
  } else if (ClockType == KRMira120Clock) {
    if (!FKrMira120->IsConnected()) ConnectKrMira120WithIndication();
    if (FKrMira120->IsConnected()) code = StatusFromAdapter(FKrMira120->IsEmpty());
  } else {
    code = AskCardClockStatus();
  }
  ReportStatus(code);
}

std::string TBasicClock::AskCardClockStatus() {
  std::string code;
  const TProtocol protocol = GetProtocol();
  // A quick detection asks once, with its own short timeout, and does not pause.
  const bool quick = InDetectClocks && QuickProbeTimeout > 0;
  FInQuickStatus = quick;
  const clockops::TScopeExit endQuick([this] { FInQuickStatus = false; });
  const int tries = quick ? 1 : Tries();
  for (int attempt = 0; attempt < tries; ++attempt) {
    if (protocol == ptHdlc) {
      if (!FRecords.empty()) {
        code = "0";  // records fetched and not yet handed out: no need to ask
      } else {
        code.clear();
        const THdlcPacket answer = SendHdlcCommand(kHdlcStatusRequest);
        if (answer.IsValid && !answer.Data.empty()) code = answer.Data[0] == '\0' ? "1" : "0";
      }
    } else {
      SendCommand(kStatusRequest, protocol == RS485 ? 6 : 1, "", "", code);
    }
    if (!code.empty() || quick) break;
    PauseProcessingMessages(kSilentPauseMs);
  }
  return code;
}

void TBasicClock::ReportStatus(const std::string& ACode) {
  if (ACode != StatusLastResult) {
    StatusLastResult = ACode;
    if (OnStatusChange) OnStatusChange(*this);
  }
  NoteStatusRead();
}

void TBasicClock::NoteStatusRead() { StatusQuietTime.emplace(kEmptyQuietMs); }

void TBasicClock::ConnectKrMira120WithIndication() {
  // Connecting may take seconds: the user sees that a connection is being made.
  ShowConnectingIndication(true);
  const clockops::TScopeExit hide([] {
    try {
      ShowConnectingIndication(false);
    } catch (...) {
      // A window that cannot hide its indication must not end the status query.
    }
  });
  platform::Clock().processMessages();
  SyncKrMira120Address();
  FKrMira120->Connect();
}

bool TBasicClock::WasConnected() {
  if (ClockType == KRMiraClock) {
    platform::Clock().processMessages();
    SyncKrMiraAddress();
    return FKrMira->TestConnection();
  }
  if (ClockType == KRMira120Clock) {
    platform::Clock().processMessages();
    if (FKrMira120->IsConnected()) return true;
    SyncKrMira120Address();
    const bool connected = FKrMira120->Connect();
    // A terminal just connected is asked for its records once (the answer is not used here).
    if (FKrMira120->IsConnected()) FKrMira120->IsEmpty();
    return connected;
  }
  return StatusLastResult == "0" || StatusLastResult == "1" || StatusLastResult == "2" ||
         StatusLastResult == "3";
}

bool TBasicClock::WasEmpty() const {
  return StatusLastResult == "1" || StatusLastResult == "3";
}

bool TBasicClock::WasBusy() const {
  return StatusLastResult == "2" || StatusLastResult == "3";
}

std::string TBasicClock::LogProblem() const {
  if (ClockType == KRMiraClock) return FKrMira->LogProblem();
  if (ClockType == KRMira120Clock) return FKrMira120->LogProblem();
  return {};
}

bool TBasicClock::IsConnected() {
  GetStatus();
  return WasConnected();
}

bool TBasicClock::IsEmpty() {
  GetStatus();
  const bool empty = WasEmpty();
  if (empty) {
    LastEmptyTime = ReadClockTime();
    LastEmptyDate = ReadClockDate();
  } else {
    LastEmptyTime = "";
    LastEmptyDate = "";
  }
  return empty;
}

bool TBasicClock::IsBusy() {
  GetStatus();
  return WasBusy();
}
