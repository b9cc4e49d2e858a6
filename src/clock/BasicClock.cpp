#include "clock/VexClock.h"

TBasicClock::TBasicClock(TClockSet* AOwner, TClockNumber AClockNumber)
    : Owner(AOwner), ClockNumber(AClockNumber) {
  // Every field starts from its declared value: no session, no modem dialogue, empty caches,
  // sequence letter " ", the capture capability still to be asked.
}

TBasicClock::~TBasicClock() = default;
