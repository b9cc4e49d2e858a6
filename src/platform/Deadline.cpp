#include "platform/Deadline.h"

#include "platform/Platform.h"

TDeadline::TDeadline(std::uint32_t ATimeoutMs)
    : FStartTick(platform::Clock().tickCount()), FTimeoutMs(ATimeoutMs) {}

void TDeadline::start() { FStartTick = platform::Clock().tickCount(); }

std::uint32_t TDeadline::elapsed() const {
  // Unsigned arithmetic: a reading below the start mark has wrapped once.
  return platform::Clock().tickCount() - FStartTick;
}

std::uint32_t TDeadline::remaining() const {
  const std::uint32_t spent = elapsed();
  return spent >= FTimeoutMs ? 0 : FTimeoutMs - spent;
}
