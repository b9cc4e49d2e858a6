#include "adapters/KRMira/KRMira.h"
#include "adapters/KRMira120/KRMira120.h"
#include "clock/VexClock.h"
#include "link/ClockLink.h"

TBasicClock::TBasicClock(TClockLink* ALink, TClockNumber AClockNumber)
    : ClockNumber(AClockNumber),
      FOwnLink(ALink ? nullptr : std::make_unique<TClockLink>(nullptr)),
      FLink(ALink ? ALink : FOwnLink.get()) {
  // Every field starts from its declared value: no session, no modem dialogue, empty caches,
  // sequence letter " ", the capture capability still to be asked.
  // Last, the face-terminal adapters: the first kind without an address yet (its operations give
  // it the line's address before use), the second with the line's address and port as they are
  // now (given again before every connection), both with device id 1 and no password.
  FKrMira = std::make_unique<TKrMira>("", 1, "");
  FKrMira120 = std::make_unique<TKrMira120>(LineIpAddress(), LinePort(), 1, "");
}

TBasicClock::~TBasicClock() = default;
