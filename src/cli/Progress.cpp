#include "cli/Progress.h"

#include <iostream>

#include "connections/ClockSet.h"
#include "platform/Console.h"
#include "platform/Platform.h"

namespace {
cli::TProgressMode GMode = cli::TProgressMode::Auto;
}

namespace cli {

void SetProgressMode(TProgressMode AMode) {
  GMode = AMode;
}

bool ProgressShown() {
  // Asked once: a dump asks at every hundredth record.
  static const bool terminal = platform::StandardErrorIsTerminal();
  if (GMode == TProgressMode::Auto) return terminal;
  return GMode == TProgressMode::Always;
}

void ShowProgress(const std::string& AStep) {
  if (ProgressShown()) std::cerr << "clockctl: " << AStep << std::endl;
}

std::string DurationText(std::uint32_t AMs) {
  const std::uint32_t seconds = (AMs + 500) / 1000;
  if (seconds < 60) return std::to_string(seconds) + " s";
  const std::uint32_t rest = seconds % 60;
  return std::to_string(seconds / 60) + " min " + (rest < 10 ? "0" : "") + std::to_string(rest) +
         " s";
}

void ShowScanProgress(TClockSet& ALine) {
  if (!ProgressShown()) return;
  struct Scan {
    std::uint32_t Start = 0;
    int Probed = 0;
    int Found = 0;
  };
  auto scan = std::make_shared<Scan>();
  scan->Start = platform::Clock().tickCount();
  ALine.OnProbeClock = [&ALine, scan](std::int32_t ANumber) {
    if (ALine.Canceled()) return;
    const int max = ALine.MaxClockNumber;
    std::string step = "probing clock " + std::to_string(ANumber) + " of " + std::to_string(max);
    // Every number of a scan follows the same schedule of tries and timeouts: the numbers still
    // to come take as long, each, as those so far did on average.
    if (scan->Probed > 0 && ANumber <= max) {
      const std::uint32_t spent = platform::Clock().tickCount() - scan->Start;
      const auto left = static_cast<std::uint32_t>(
          static_cast<std::uint64_t>(spent) * static_cast<std::uint64_t>(max - ANumber + 1) /
          static_cast<std::uint64_t>(scan->Probed));
      step += ", about " + DurationText(left) + " left";
    }
    ShowProgress(step);
    ++scan->Probed;
  };
  ALine.OnProbeResult = [scan](std::int32_t ANumber, bool AAnswered) {
    if (AAnswered) ++scan->Found;
    ShowProgress("clock " + std::to_string(ANumber) + (AAnswered ? ": answered" : ": no answer") +
                 " (" + std::to_string(scan->Probed) + " probed, " + std::to_string(scan->Found) +
                 " found)");
  };
}

}  // namespace cli
