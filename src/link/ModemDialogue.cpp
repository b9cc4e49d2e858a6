// The AT dialogue with a Hayes-compatible modem on the line's serial port: dialing the line's
// phone number and hanging up. While it runs, InWorkWithModem keeps every clock command off the
// port and makes every reply wait stop at once.
#include "link/ModemDialogue.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "link/ClockLink.h"
#include "platform/Deadline.h"
#include "platform/Platform.h"
#include "utils/TextFields.h"

namespace {
// How long the modem has to give its verdict on a dial, or its OK after the escape sequence.
constexpr std::uint32_t kModemAnswerLimitMs = 60000;
// The modem's answer is collected up to this many bytes; more adds nothing to the verdict.
constexpr int kModemTextMax = 50;
// The pause of an empty pass, the same as the reply wait's between two empty polls.
constexpr int kEmptyPassMs = 2;

std::string UpperCase(std::string AText) {
  std::transform(AText.begin(), AText.end(), AText.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return AText;
}

bool Contains(const std::string& AText, const char* AWord) {
  return AText.find(AWord) != std::string::npos;
}

// The speed the modem reports after "CONNECT": everything up to "CONNECT" and the character
// after it goes (the first 7 characters when the word came cut, as "CONN..."), the rest trimmed.
std::string SpeedAfterConnect(const std::string& AText) {
  const std::size_t at = AText.find("CONNECT");
  const std::size_t drop = (at == std::string::npos ? 0 : at + 1) + 7;
  if (drop >= AText.size()) return {};
  return TrimBlanks(AText.substr(drop));
}
}  // namespace

std::string TClockLink::PhoneNumber() const {
  return FLine ? FLine->PhoneNumber() : std::string();
}

void TClockLink::Breathe(std::uint16_t AMinimumMs) {
  const TDeadline pass(AMinimumMs);
  if (FLine) FLine->LinkBreath();
  if (!pass.expired()) platform::Clock().sleep(pass.remaining());
}

bool TClockLink::CollectModemAnswer(std::string& AText, std::initializer_list<const char*> AWords) {
  const TDeadline limit(kModemAnswerLimitMs);
  while (!limit.expired()) {
    std::string data;
    ReadChannel(kModemTextMax - static_cast<int>(AText.size()), data);
    AText += UpperCase(data);
    if (std::any_of(AWords.begin(), AWords.end(),
                    [&](const char* AWord) { return Contains(AText, AWord); }))
      return false;
    if (FDialCanceled) return true;
    if (FLine) FLine->LinkBreath();
    // Nothing came: rest before the next look, as the reply wait does, instead of spinning.
    if (data.empty()) IdleWait(kEmptyPassMs);
  }
  return false;
}

void TClockLink::Dial(const TLinkStation& AStation, std::string& AResult) {
  AResult.clear();
  const std::string number = PhoneNumber();
  if (number.empty()) return;
  FDialCanceled = false;
  FInWorkWithModem = true;
  // At least a second between whatever came before and the dial.
  Breathe(1000);

  WriteCommand(AStation, "ATD" + number + "\r");
  std::string text;
  if (CollectModemAnswer(text, {"BUSY", "CONN", "NO D", "NO C"})) {
    // Any character aborts the modem's dial.
    WriteCommand(AStation, "C");
    FInWorkWithModem = false;
    AResult = kDialCanceled;
    return;
  }
  // The rest of the modem's line, such as the speed after "CONNECT".
  Breathe(100);
  std::string rest;
  ReadChannel(kModemTextMax, rest);
  text += rest;
  FInWorkWithModem = false;

  if (Contains(text, "BUSY")) {
    AResult = kDialBusy;
  } else if (Contains(text, "CONN")) {
    AResult = kDialConnected;
    FConnectSpeed = SpeedAfterConnect(text);
  } else if (Contains(text, "NO D")) {
    AResult = kDialNoDialTone;
  } else {
    AResult = kDialNotConnected;
  }
}

bool TClockLink::HangUp(const TLinkStation& AStation) {
  ISerialPort* port = ComPort();
  if (!port) return false;
  FInWorkWithModem = true;
  try {
    port->abort();
  } catch (...) {
    // Nothing pending to abort, or the port refuses: the escape goes out all the same.
  }
  // Back to command mode; the modem answers OK (a canceled dial does not wait for it).
  WriteCommand(AStation, "+++");
  std::string text;
  CollectModemAnswer(text, {"OK"});
  WriteCommand(AStation, "ATH0\r");
  FInWorkWithModem = false;
  return true;
}
