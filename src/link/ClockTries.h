#pragma once
#include <array>
#include <cstdint>

#include "utils/ClockVocabulary.h"

// How often an operation sends its command before giving up, by connection type, protocol and
// clock type. The face-recognition terminals are asked once: their adapters retry themselves.
using TClockTriesTable =
    std::array<std::array<std::array<std::uint16_t, kClockTypeCount>, kProtocolCount>,
               kConnectionTypeCount>;
extern const TClockTriesTable ClockTries;
