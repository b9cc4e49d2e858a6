#include "models/HayesModemModel.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace sim {

namespace {
// A command line longer than this is noise; the modem keeps only its start.
constexpr std::size_t kMaxCommandLine = 256;

std::string Upper(std::string AText) {
  std::transform(AText.begin(), AText.end(), AText.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return AText;
}

std::string Lower(std::string AText) {
  std::transform(AText.begin(), AText.end(), AText.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return AText;
}

void Add(ReplyPlan& APlan, std::uint32_t AAtMs, std::string ABytes) {
  APlan.push_back(TimedBytes{AAtMs, std::move(ABytes)});
}

std::optional<DialVerdict> VerdictNamed(const std::string& AName) {
  if (AName == "connect") return DialVerdict::Connect;
  if (AName == "busy") return DialVerdict::Busy;
  if (AName == "nodialtone") return DialVerdict::NoDialTone;
  if (AName == "nocarrier") return DialVerdict::NoCarrier;
  if (AName == "silent") return DialVerdict::Silent;
  return std::nullopt;
}
}  // namespace

std::optional<DialAnswer> ParseDialAnswer(const std::string& AText) {
  DialAnswer answer;
  std::string head = AText;
  const std::size_t at = head.find('@');
  if (at != std::string::npos) {
    const std::string delay = head.substr(at + 1);
    if (delay.empty() || delay.size() > 9 ||
        !std::all_of(delay.begin(), delay.end(), [](unsigned char c) { return std::isdigit(c); }))
      return std::nullopt;
    answer.DelayMs = static_cast<std::uint32_t>(std::stoul(delay));
    head.erase(at);
  }
  const std::size_t colon = head.find(':');
  const auto verdict = VerdictNamed(Lower(head.substr(0, colon)));
  if (!verdict) return std::nullopt;
  answer.Verdict = *verdict;
  if (colon != std::string::npos) {
    if (*verdict != DialVerdict::Connect) return std::nullopt;
    answer.Speed = head.substr(colon + 1);
  }
  return answer;
}

HayesModemModel::HayesModemModel(DeviceModel* AInner, HayesModemSettings ASettings,
                                 std::function<std::uint64_t()> ANowMs)
    : FInner(AInner), FS(std::move(ASettings)), FNow(std::move(ANowMs)) {}

HayesModemModel::HayesModemModel(std::unique_ptr<DeviceModel> AInner, HayesModemSettings ASettings,
                                 std::function<std::uint64_t()> ANowMs)
    : HayesModemModel(AInner.get(), std::move(ASettings), std::move(ANowMs)) {
  FOwnedInner = std::move(AInner);
}

std::uint64_t HayesModemModel::now() const {
  // Without a clock every verdict time has already come.
  return FNow ? FNow() : std::numeric_limits<std::uint64_t>::max();
}

const DialAnswer& HayesModemModel::answerFor(const std::string& ANumber) const {
  const auto it = FS.Numbers.find(ANumber);
  return it == FS.Numbers.end() ? FS.Answer : it->second;
}

HayesModemModel::State HayesModemModel::state() const {
  if (FState == State::Dialing && FDial.Verdict != DialVerdict::Silent && now() >= FVerdictAt)
    return FDial.Verdict == DialVerdict::Connect ? State::Online : State::Command;
  return FState;
}

bool HayesModemModel::carrier() const {
  if (FState == State::Dialing) return state() == State::Online;
  return FCarrier;
}

void HayesModemModel::settle() {
  const State settled = state();
  if (FState == State::Dialing && settled != State::Dialing) {
    FCarrier = settled == State::Online;
    FState = settled;
  }
}

std::string HayesModemModel::result(const std::string& AWord) const {
  return "\r\n" + (FS.LowerCase ? Lower(AWord) : AWord) + "\r\n";
}

void HayesModemModel::forward(std::string& AToInner, ReplyPlan& APlan) {
  if (AToInner.empty()) return;
  if (FInner) {
    for (auto& piece : FInner->receive(AToInner)) APlan.push_back(std::move(piece));
  }
  AToInner.clear();
}

ReplyPlan HayesModemModel::receive(const std::string& ABytes) {
  settle();
  ReplyPlan plan;
  std::string toInner;
  for (std::size_t i = 0; i < ABytes.size(); ++i) {
    const char c = ABytes[i];
    switch (FState) {
      case State::Dialing:
        // Any character aborts the dial; the verdict already on its way must not come.
        if (FDial.Verdict != DialVerdict::Silent && FRecall) FRecall();
        FState = State::Command;
        FCarrier = false;
        ++FAbortedDials;
        Add(plan, FS.ResponseMs, result("NO CARRIER"));
        break;
      case State::Online:
        if (c == '+') {
          if (++FPlusCount == 3) {
            FPlusCount = 0;
            forward(toInner, plan);
            FState = State::Command;
            Add(plan, FS.ResponseMs, result("OK"));
          }
          break;
        }
        // Pluses that turned out not to be the escape are data.
        toInner.append(static_cast<std::size_t>(FPlusCount), '+');
        FPlusCount = 0;
        toInner += c;
        break;
      case State::Command:
        if (FS.Echo) Add(plan, 0, std::string(1, c));
        if (c == '\r') {
          command(FLine, plan);
          FLine.clear();
        } else if (c != '\n' && FLine.size() < kMaxCommandLine) {
          FLine += c;
        }
        break;
    }
  }
  forward(toInner, plan);
  return plan;
}

void HayesModemModel::command(const std::string& ALine, ReplyPlan& APlan) {
  const std::string line = Upper(ALine);
  const std::size_t at = line.find("AT");
  if (at == std::string::npos) return;
  const std::string text = line.substr(at);
  FCommandLog.push_back(text);
  std::string rest = text.substr(2);
  rest.erase(std::remove(rest.begin(), rest.end(), ' '), rest.end());

  if (!rest.empty() && rest[0] == 'D') {
    std::string number = rest.substr(1);
    if (!number.empty() && (number[0] == 'T' || number[0] == 'P')) number.erase(0, 1);
    FDialled.push_back(number);
    FDial = answerFor(number);
    FCarrier = false;
    FState = State::Dialing;
    const std::uint64_t start = now();
    FVerdictAt = start == std::numeric_limits<std::uint64_t>::max() ? start : start + FDial.DelayMs;
    switch (FDial.Verdict) {
      case DialVerdict::Connect:
        Add(APlan, FDial.DelayMs,
            result(FDial.Speed.empty() ? "CONNECT" : "CONNECT " + FDial.Speed));
        break;
      case DialVerdict::Busy:
        Add(APlan, FDial.DelayMs, result("BUSY"));
        break;
      case DialVerdict::NoDialTone:
        Add(APlan, FDial.DelayMs, result("NO DIALTONE"));
        break;
      case DialVerdict::NoCarrier:
        Add(APlan, FDial.DelayMs, result("NO CARRIER"));
        break;
      case DialVerdict::Silent:
        break;
    }
    return;
  }
  if (!rest.empty() && rest[0] == 'H') {
    FCarrier = false;
    Add(APlan, FS.ResponseMs, result("OK"));
    return;
  }
  if (!rest.empty() && rest[0] == 'O') {
    if (FCarrier) {
      FState = State::Online;
      Add(APlan, FS.ResponseMs, result(FDial.Speed.empty() ? "CONNECT" : "CONNECT " + FDial.Speed));
    } else {
      Add(APlan, FS.ResponseMs, result("NO CARRIER"));
    }
    return;
  }
  if (rest == "E0" || rest == "E") FS.Echo = false;
  if (rest == "E1") FS.Echo = true;
  Add(APlan, FS.ResponseMs, result("OK"));
}

}  // namespace sim
