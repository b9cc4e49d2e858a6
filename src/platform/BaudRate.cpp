#include "platform/BaudRate.h"

#include <array>

namespace {
constexpr std::array<int, 16> kBits = {0,     110,   300,   600,   1200,   2400,   4800,   9600,
                                       14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
}

int BaudRateToBits(TBaudRate ARate) {
  return ARate < kBits.size() ? kBits[ARate] : 0;
}

TBaudRate BitsToBaudRate(int ABits) {
  for (std::size_t i = 1; i < kBits.size(); ++i)
    if (kBits[i] == ABits) return static_cast<TBaudRate>(i);
  return brCustom;
}
