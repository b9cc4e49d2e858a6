#include "link/ClockTries.h"

namespace {
constexpr std::array<std::uint16_t, kClockTypeCount> kCableTries = {3, 3, 3, 3, 3, 1, 3, 1, 3};
constexpr std::array<std::uint16_t, kClockTypeCount> kModemTries = {4, 4, 4, 4, 4, 1, 4, 1, 4};
}  // namespace

// The counts do not depend on the protocol.
const TClockTriesTable ClockTries = {{
    {kCableTries, kCableTries, kCableTries},
    {kModemTries, kModemTries, kModemTries},
    {kCableTries, kCableTries, kCableTries},
}};
