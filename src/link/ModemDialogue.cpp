// The AT dialogue with a Hayes-compatible modem on the line's serial port: dialing the line's
// phone number and hanging up. While it runs, InWorkWithModem keeps every clock command off the
// port and makes every reply wait stop at once.
#include "link/ModemDialogue.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "connections/ClockSet.h"
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

std::string TBasicClock::GetPhoneNumber() {
  return Owner ? Owner->FPhoneNumber : std::string();
}

void TBasicClock::CancelDial() {
  DialCanceled = true;
}

void TBasicClock::Breathe(std::uint16_t AMinimumMs) {
  const TDeadline pass(AMinimumMs);
  if (Owner && Owner->OnBreath) Owner->OnBreath();
  if (!pass.expired()) platform::Clock().sleep(pass.remaining());
}

void TBasicClock::Dial(std::string& AResult) {
  AResult.clear();
  const std::string number = GetPhoneNumber();
  if (number.empty()) return;
  DialCanceled = false;
  InWorkWithModem = true;
  // At least a second between whatever came before and the dial.
  Breathe(1000);

  const TDeadline verdict(kModemAnswerLimitMs);
  WriteCommand("ATD" + number + "\r");
  std::string text;
  while (!verdict.expired()) {
    std::string data;
    ReadChannel(kModemTextMax - static_cast<int>(text.size()), data);
    text += UpperCase(data);
    if (Contains(text, "BUSY") || Contains(text, "CONN") || Contains(text, "NO D") ||
        Contains(text, "NO C"))
      break;
    if (DialCanceled) {
      // Any character aborts the modem's dial.
      WriteCommand("C");
      InWorkWithModem = false;
      AResult = kDialCanceled;
      return;
    }
    if (Owner && Owner->OnBreath) Owner->OnBreath();
    // Nothing came: rest before the next look, as the reply wait does, instead of spinning.
    if (data.empty()) IdleWait(kEmptyPassMs);
  }
  // The rest of the modem's line, such as the speed after "CONNECT".
  Breathe(100);
  std::string rest;
  ReadChannel(kModemTextMax, rest);
  text += rest;
  InWorkWithModem = false;

  if (Contains(text, "BUSY")) {
    AResult = kDialBusy;
  } else if (Contains(text, "CONN")) {
    AResult = kDialConnected;
    ConnectSpeed = SpeedAfterConnect(text);
  } else if (Contains(text, "NO D")) {
    AResult = kDialNoDialTone;
  } else {
    AResult = kDialNotConnected;
  }
}

bool TBasicClock::HangUp() {
  ISerialPort* port = GetComPort();
  if (!port) return false;
  InWorkWithModem = true;
  try {
    port->abort();
  } catch (...) {
    // Nothing pending to abort, or the port refuses: the escape goes out all the same.
  }

  const TDeadline answer(kModemAnswerLimitMs);
  // Back to command mode; the modem answers OK.
  WriteCommand("+++");
  std::string text;
  while (!answer.expired()) {
    std::string data;
    ReadChannel(kModemTextMax - static_cast<int>(text.size()), data);
    text += UpperCase(data);
    if (Contains(text, "OK")) break;
    if (DialCanceled) {
      WriteCommand("ATH0\r");
      InWorkWithModem = false;
      return true;
    }
    if (Owner && Owner->OnBreath) Owner->OnBreath();
    if (data.empty()) IdleWait(kEmptyPassMs);
  }
  WriteCommand("ATH0\r");
  InWorkWithModem = false;
  return true;
}
