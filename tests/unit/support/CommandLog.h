#pragma once
// Counting what a simulated text clock was sent, for tests that check how often a line asked.
#include <algorithm>
#include <string>

#include "models/TextClockModel.h"

namespace testsupport {

// How many of AModel's commands began with AByte.
inline int CountCommands(const sim::TextClockModel& AModel, char AByte) {
  const auto& log = AModel.commandLog();
  return static_cast<int>(std::count_if(
      log.begin(), log.end(), [&](const std::string& c) { return !c.empty() && c[0] == AByte; }));
}

}  // namespace testsupport
