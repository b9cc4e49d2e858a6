#pragma once
// The clock inside a simulated device: it shows the date and time it was last set to, and with a
// time source it runs on from the moment it was set.
#include <cstdint>
#include <functional>
#include <utility>

#include "models/SimCalendar.h"

namespace sim {

class RunningClock {
 public:
  // The date and time now of a clock that was set to ASetTo (in ACalendar).
  SimDateTime read(const SimDateTime& ASetTo, SimCalendar ACalendar) const {
    if (!FNow) return ASetTo;
    const std::uint64_t now = FNow();
    const std::uint64_t elapsed = now >= FSetAt ? now - FSetAt : 0;
    return simcal::addSeconds(ACalendar, ASetTo, static_cast<std::int64_t>(elapsed / 1000));
  }
  // The clock is set now.
  void markSet() { FSetAt = FNow ? FNow() : 0; }
  // A new time source (milliseconds); the caller first takes read() as the time the clock is set
  // to, so that the clock does not jump.
  void setSource(std::function<std::uint64_t()> ANowMs) {
    FNow = std::move(ANowMs);
    markSet();
  }

 private:
  std::function<std::uint64_t()> FNow;
  std::uint64_t FSetAt = 0;
};

}  // namespace sim
