// What a line does through its clocks: finding them (a single clock, or a scan of the clock
// numbers of a bus) and passing the date, time and status operations on to them.
//
// A single clock answers the plain text protocol (RS232) or HDLC at number 1. Clocks sharing an
// RS485 bus answer only frames addressed to their own number, so a bus is scanned number after
// number; the fast scan stops at the first number that stays silent, because buses are normally
// numbered from 1 without gaps. Each silent number costs the full probe (status tries at two
// parities), which is why MaxClockNumber bounds the scan. A quick scan asks each number once per
// parity, with a short timeout and no pause.
#include <bitset>

#include "clock/ClockFamilies.h"
#include "connections/ClockSet.h"

namespace {
// Clock numbers that a bus scan can remember as found. Clock numbers never exceed 32.
constexpr std::size_t kFoundLimit = 40;
}  // namespace

bool TClockSet::ProbeClock(TBasicClock& AClock, TClockSearchType AClockSearchType) {
  if (OnProbeClock) OnProbeClock(AClock.ClockNumber);
  if (FCanceled) return false;
  const int quickTimeout = ProbeTimeout > 0 ? ProbeTimeout : FLink.DetectionTimeout();
  AClock.QuickProbeTimeout = QuickScan ? quickTimeout : 0;
  const bool answered = AClock.Detect(AClockSearchType);
  AClock.QuickProbeTimeout = 0;
  if (OnProbeResult) OnProbeResult(AClock.ClockNumber, answered);
  return answered;
}

void TClockSet::DetectClocks(TClockSearchType AClockSearchType) {
  const TClockFamily& family = ClockFamily(AClockSearchType);
  FProtocol = family.Protocol;

  bool created = false;
  if (FClocks.empty()) {
    NewClock(1);
    created = true;
  }
  // The HDLC single-clock searches always ask number 1 first.
  if (family.Protocol == ptHdlc && !family.ScansBus) FClocks.front()->ClockNumber = 1;

  // First probe: a clock answering on its own makes the line a single-clock line.
  if (ProbeClock(*FClocks.front(), AClockSearchType)) {
    FClocks.front()->ClockNumber = 1;
    FClocks.erase(FClocks.begin() + 1, FClocks.end());
    return;
  }
  if (created) FClocks.clear();
  if (!family.ScansBus) return;

  // The bus: text clocks answer only addressed frames; Ember clocks keep HDLC.
  FProtocol = family.BusProtocol;

  // Clocks listed before are asked again, from the back so that deleting keeps the indexes
  // still to come valid. The first one has just failed the first probe.
  std::bitset<kFoundLimit> found;
  for (std::size_t i = FClocks.size(); i-- > 0;) {
    TBasicClock& clock = *FClocks[i];
    if (i > 0 && ProbeClock(clock, AClockSearchType)) {
      if (clock.ClockNumber < kFoundLimit) found.set(clock.ClockNumber);
    } else {
      FClocks.erase(FClocks.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }

  for (std::int32_t number = 1; number <= MaxClockNumber; ++number) {
    if (number < static_cast<std::int32_t>(kFoundLimit) &&
        found.test(static_cast<std::size_t>(number)))
      continue;
    TBasicClock& clock = NewClock(number);
    if (ProbeClock(clock, AClockSearchType)) continue;
    FClocks.pop_back();
    if (FCanceled) return;
    // The fast search takes the bus as numbered without gaps.
    if (family.StopsAtFirstSilent) return;
  }
}

bool TClockSet::GetDateTime(TDateStr& ADate, TTimeStr& ATime) {
  // Callers reach this only once a detection or a dial has put a clock in the list.
  if (FClocks.empty()) return false;
  return FClocks.front()->GetDateTime(ADate, ATime);
}

bool TClockSet::SetDateTime(const TDateStr& ADate, const TTimeStr& ATime) {
  bool result = true;
  for (auto& clock : FClocks) {
    if (!clock->Active) continue;
    // Every clock is set, also after one of them refused.
    if (!clock->SetDateTime(ADate, ATime)) result = false;
  }
  return result;
}

TDateStr TClockSet::Date() {
  return FClocks.empty() ? TDateStr() : FClocks.front()->Date();
}

void TClockSet::SetDate(const TDateStr& AValue) {
  for (auto& clock : FClocks)
    if (clock->Active) clock->SetDate(AValue);
}

TTimeStr TClockSet::Time() {
  return FClocks.empty() ? TTimeStr() : FClocks.front()->Time();
}

void TClockSet::SetTime(const TTimeStr& AValue) {
  for (auto& clock : FClocks)
    if (clock->Active) clock->SetTime(AValue);
}

bool TClockSet::IsConnected() {
  for (auto& clock : FClocks)
    if (clock->Active && clock->IsConnected()) return true;
  return false;
}

bool TClockSet::WasConnected() {
  for (auto& clock : FClocks)
    if (clock->Active && clock->WasConnected()) return true;
  return false;
}

bool TClockSet::IsEmpty() {
  for (auto& clock : FClocks)
    if (clock->Active && !clock->IsEmpty()) return false;
  return true;
}

bool TClockSet::IsBusy() {
  for (auto& clock : FClocks)
    if (clock->Active && !clock->IsBusy()) return false;
  return true;
}

bool TClockSet::WasEmpty() {
  for (auto& clock : FClocks)
    if (clock->Active && !clock->WasEmpty()) return false;
  return true;
}

bool TClockSet::WasBusy() {
  for (auto& clock : FClocks)
    if (clock->Active && !clock->WasBusy()) return false;
  return true;
}
