#pragma once
// The clock layer's part of the vocabulary: the events that name a clock object or its line, and
// the tries table. Everything below the clock layer is in utils/ClockVocabulary.h.
#include <array>
#include <cstdint>
#include <functional>

#include "utils/ClockVocabulary.h"

class TBasicClock;
class TClockSet;

using TStatusChangeEvent = std::function<void(TBasicClock& Sender)>;
using TModemDisconnectEvent = std::function<void(TClockSet& Sender, bool& AStartDialing)>;
using TBreathEvent = std::function<void()>;

// How often an operation sends its command before giving up, by connection type, protocol and
// clock type. The face-recognition terminals are asked once: their adapters retry themselves.
using TClockTriesTable =
    std::array<std::array<std::array<std::uint16_t, kClockTypeCount>, kProtocolCount>,
               kConnectionTypeCount>;
extern const TClockTriesTable ClockTries;
