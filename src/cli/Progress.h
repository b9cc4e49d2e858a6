#pragma once
// Progress of long work on standard error, one line per step ("probing clock 3 of 32", "dialing
// 123"), for a technician who would otherwise stare at a silent terminal for minutes. Shown when
// standard error is a terminal, or always with --progress; never with --quiet.
#include <cstdint>
#include <string>

class TClockSet;

namespace cli {

enum class TProgressMode { Auto, Always, Never };
void SetProgressMode(TProgressMode AMode);
bool ProgressShown();
// One step: "clockctl: ASTEP" on standard error when progress is shown.
void ShowProgress(const std::string& AStep);

// Reports a detection on ALine step by step: each number probed (with the time left from the
// time the numbers so far took) and whether it answered, with the numbers probed and found.
void ShowScanProgress(TClockSet& ALine);
// "2 min 05 s", "40 s".
std::string DurationText(std::uint32_t AMs);

}  // namespace cli
