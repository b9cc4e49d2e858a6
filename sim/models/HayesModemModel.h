#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "models/DeviceModel.h"

namespace sim {

// What the remote end does when a number is dialled.
enum class DialVerdict {
  Connect,     // CONNECT <speed>, then data passes to the clock behind the modem
  Busy,        // BUSY
  NoDialTone,  // NO DIALTONE
  NoCarrier,   // NO CARRIER (the remote modem did not answer)
  Silent,      // no answer at all; the dial runs until the tool gives up or aborts it
};

struct DialAnswer {
  DialVerdict Verdict = DialVerdict::Connect;
  // From the CR of the dial command to the verdict.
  std::uint32_t DelayMs = 3000;
  // The text after "CONNECT".
  std::string Speed = "9600";
};

// "VERDICT[:SPEED][@DELAYMS]" with VERDICT one of connect, busy, nodialtone, nocarrier, silent
// (SPEED only with connect), for example "connect:2400@5000" or "busy@20000". Nothing when the
// text is not of this form.
std::optional<DialAnswer> ParseDialAnswer(const std::string& AText);

struct HayesModemSettings {
  // The answer for every number not listed in Numbers.
  DialAnswer Answer;
  // Answers by number, as dialled without the dialing-mode letter (T tone, P pulse).
  std::map<std::string, DialAnswer> Numbers;
  // Result words in lower case ("connect 2400"), as some modems send them.
  bool LowerCase = false;
  // Command-mode characters are echoed back (ATE1; ATE0 and ATE1 change it).
  bool Echo = false;
  // Delay of OK, ERROR and the answer to an aborted dial.
  std::uint32_t ResponseMs = 20;
};

// A Hayes-compatible modem in front of another device model, the clock at the remote end.
//
// Command mode: lines ending in CR are commands from their "AT" on (case does not matter, what
// stands before "AT" is line noise and ignored); results are CR LF, word, CR LF.
//   ATD[T|P]number  dials: after the number's DelayMs the verdict; with CONNECT the modem goes
//                   online. Any character that arrives while the dial runs aborts it: the modem
//                   answers NO CARRIER and stays in command mode.
//   ATH, ATH0       hangs up, OK
//   ATO             back online when the carrier is still up (CONNECT <speed>), else NO CARRIER
//   ATE0, ATE1      echo off, on; OK
//   any other AT... OK
// Online: every byte goes to the clock and the clock's replies come back unchanged, except the
// escape "+++", which is kept from the clock and answered OK: the modem is in command mode with
// the carrier up (ATH0 then hangs up). There is no guard time around the escape.
//
// The modem terminates the serial line: the tool's speed and parity are those of the modem's
// serial side and are not passed to the clock.
class HayesModemModel : public DeviceModel {
 public:
  enum class State { Command, Dialing, Online };

  // AInner (not owned) may be nullptr: a modem whose calls reach nothing that answers.
  // ANowMs gives the time in milliseconds on the same scale as the reply plans' offsets; it tells
  // the modem whether a dial is still running when bytes arrive. Without it a dial's verdict
  // takes effect as soon as the dial command is received (its text still comes after DelayMs),
  // so only a silent dial can be aborted.
  explicit HayesModemModel(DeviceModel* AInner, HayesModemSettings ASettings = {},
                           std::function<std::uint64_t()> ANowMs = {});
  // The same with a clock that the modem owns (for a host that makes its devices by factory).
  explicit HayesModemModel(std::unique_ptr<DeviceModel> AInner, HayesModemSettings ASettings = {},
                           std::function<std::uint64_t()> ANowMs = {});

  ReplyPlan receive(const std::string& ABytes) override;

  // AInner is not owned; a clock owned until now is freed.
  void setInner(DeviceModel* AInner) {
    FOwnedInner.reset();
    FInner = AInner;
  }
  // The device behind the modem (nullptr when calls reach nothing).
  DeviceModel* inner() const { return FInner; }
  void setTimeSource(std::function<std::uint64_t()> ANowMs) { FNow = std::move(ANowMs); }
  // Called when an aborted dial's verdict, already planned, must not reach the tool: the host
  // drops the bytes still pending on its wire.
  void setRecall(std::function<void()> ARecall) { FRecall = std::move(ARecall); }

  HayesModemSettings& settings() { return FS; }
  const HayesModemSettings& settings() const { return FS; }

  State state() const;
  bool carrier() const;
  // Every command line from its "AT", in upper case, in order.
  const std::vector<std::string>& commandLog() const { return FCommandLog; }
  // Numbers dialled, as dialled without the dialing-mode letter.
  const std::vector<std::string>& dialled() const { return FDialled; }
  int abortedDials() const { return FAbortedDials; }

  // The answer for ANumber (dialled without the dialing-mode letter).
  const DialAnswer& answerFor(const std::string& ANumber) const;

 private:
  std::uint64_t now() const;
  // Lets a dial whose verdict time has come end as its answer says.
  void settle();
  void command(const std::string& ALine, ReplyPlan& APlan);
  std::string result(const std::string& AWord) const;
  void forward(std::string& AToInner, ReplyPlan& APlan);

  std::unique_ptr<DeviceModel> FOwnedInner;
  DeviceModel* FInner;
  HayesModemSettings FS;
  std::function<std::uint64_t()> FNow;
  std::function<void()> FRecall;
  State FState = State::Command;
  bool FCarrier = false;
  DialAnswer FDial;
  std::uint64_t FVerdictAt = 0;
  std::string FLine;
  int FPlusCount = 0;
  std::vector<std::string> FCommandLog;
  std::vector<std::string> FDialled;
  int FAbortedDials = 0;
};

}  // namespace sim
