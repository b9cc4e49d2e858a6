// The records of a line as one stream in time order.
//
// Every clock hands out its oldest unreleased record again and again until it is told to release
// it, so the line can ask every clock that may hold an older record than the best one found so
// far, hand out the oldest of all, and release exactly that one later (NextRecord on the clock at
// CurrentClock). A clock known to be empty is asked only when it became empty before the best
// record found so far: a record it took since cannot be older than the moment it was empty.
#include "calendar/VexDateTime.h"
#include "connections/ClockSet.h"

namespace {
constexpr std::int32_t kNoSequenceCheck = -2;
}  // namespace

bool TClockSet::IsEarlierOrSame(const TDateStr& ADate1, const TTimeStr& ATime1,
                                const TDateStr& ADate2, const TTimeStr& ATime2) {
  if (ADate1.empty() || ATime1.empty()) return false;
  // No best record yet: anything is better.
  if (ADate2.empty() || ATime2.empty()) return true;
  const TTransaction span(ADate1, ATime1, ADate2, ATime2);
  return span.Duration() >= 0;
}

void TClockSet::ReadClockRecord(std::int32_t AIndex, TVexRecord& ARecord) {
  TBasicClock& clock = *FClocks.at(static_cast<std::size_t>(AIndex));
  const int tries = FLink.Tries(clock.ClockType);
  if (tries == 0) return;
  int made = 0;
  do {
    ARecord = clock.GetRecord();
    const bool pictureKind = ARecord.Version == rv1 || (ARecord.Version == rv2 && ARecord.Camera);
    if (FGetIOImage && !ARecord.KartNo.empty() && pictureKind &&
        (!FGetIOImageOnlyCards || !ARecord.FingerPrint)) {
      auto picture = std::make_shared<std::string>();
      try {
        if (clock.GetRecordImage(picture.get())) ARecord.ImageData = picture;
      } catch (...) {
        // A picture that cannot be fetched does not cost the record.
      }
    }
    FLastError = clock.LastError();
    if (clock.LastError() == ceBadRecord) {
      // A refused record would block the clock for good: it is logged with its raw reply and
      // released.
      AppendLineToFile(ARecord.Data, FErrorLogFileName);
      clock.NextRecord();
    }
    ++made;
    // Only a clock that did not answer is asked again.
  } while (clock.LastError() == ceClockDisconnected && made < tries);
}

void TClockSet::GetRecord(TVexRecord& AResult) {
  TDateStr bestDate;
  TTimeStr bestTime;
  bool chosen = false;
  // Picks ARecord when it is not later than the best so far. A later clock wins a tie.
  auto consider = [&](std::size_t AIndex) {
    TVexRecord record;
    ReadClockRecord(static_cast<std::int32_t>(AIndex), record);
    // A record without a card number is no record, whatever date it carries.
    if (record.KartNo.empty()) return;
    if (!IsEarlierOrSame(record.Date, record.Time, bestDate, bestTime)) return;
    bestDate = record.Date;
    bestTime = record.Time;
    AResult = std::move(record);
    FCurrentClock = static_cast<std::int32_t>(AIndex);
    chosen = true;
  };

  if (WasEmpty()) {
    // Every clock was empty when last asked: read once to learn whether that is still so. The
    // records read here stay on their clocks and are handed out below.
    for (std::size_t i = 0; i < FClocks.size(); ++i) {
      if (!FClocks[i]->Active) continue;
      TVexRecord refresh;
      ReadClockRecord(static_cast<std::int32_t>(i), refresh);
    }
  }
  if (!WasEmpty()) {
    for (std::size_t i = 0; i < FClocks.size(); ++i)
      if (FClocks[i]->Active && !FClocks[i]->WasEmpty()) consider(i);
    for (std::size_t i = 0; i < FClocks.size(); ++i) {
      TBasicClock& clock = *FClocks[i];
      if (!clock.Active || !clock.WasEmpty()) continue;
      if (IsEarlierOrSame(clock.LastEmptyDate, clock.LastEmptyTime, bestDate, bestTime))
        consider(i);
    }
  }
  // The record handed out goes to the log. When none was chosen, AResult is still the caller's
  // own: a caller reusing the record of an earlier call must not see it logged again.
  if (chosen) AppendRecordToLog(AResult, FLogFileName, ClockType() == Lumen);
}

TBasicClock* TClockSet::CurrentClockObject() {
  if (FCurrentClock < 0 || static_cast<std::size_t>(FCurrentClock) >= FClocks.size())
    return nullptr;
  return FClocks[static_cast<std::size_t>(FCurrentClock)].get();
}

void TClockSet::NextRecord() {
  // After the list changed the index may point nowhere: nothing is released then.
  if (TBasicClock* clock = CurrentClockObject()) clock->NextRecord();
}

std::int32_t TClockSet::CheckSequenceCode() {
  TBasicClock* clock = CurrentClockObject();
  // No clock at the index: the answer is neither "drop" (-1) nor "take" (0, 1), so a caller
  // neither lists nor releases a record on its account.
  return clock ? clock->CheckSequence() : kNoSequenceCheck;
}
