#include "platform/BaudRate.h"

#include <array>
#include <cstdint>

namespace {
constexpr std::array<int, 16> kBits = {0,     110,   300,   600,   1200,   2400,   4800,   9600,
                                       14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
}

int BaudRateToBits(TBaudRate ARate) {
  return ARate < kBits.size() ? kBits[ARate] : 0;
}

std::uint32_t LineBytesMs(std::uint64_t ABytes, int ABitsPerSecond) {
  const auto speed = static_cast<std::uint64_t>(ABitsPerSecond);
  const std::uint64_t ms = (ABytes * kLineBitsPerByte * 1000 + speed - 1) / speed;
  return ms > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(ms);
}

TBaudRate BitsToBaudRate(int ABits) {
  for (std::size_t i = 1; i < kBits.size(); ++i)
    if (kBits[i] == ABits) return static_cast<TBaudRate>(i);
  return brCustom;
}
