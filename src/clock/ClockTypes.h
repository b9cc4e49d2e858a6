#pragma once
// The clock layer's part of the vocabulary: the events that name a clock object or its line.
// Everything below the clock layer is in utils/ClockVocabulary.h, the tries table in
// link/ClockTries.h.
#include <functional>

#include "link/ClockTries.h"
#include "utils/ClockVocabulary.h"

class TBasicClock;
class TClockSet;

using TStatusChangeEvent = std::function<void(TBasicClock& Sender)>;
using TModemDisconnectEvent = std::function<void(TClockSet& Sender, bool& AStartDialing)>;
using TBreathEvent = std::function<void()>;
