#pragma once
// Where a dump's records are once it is over, as one letter each: L left the clock, P waits for
// its HDLC block or the terminal's log to go, S stays on the clock.
#include <string>

#include "connections/RecordDump.h"

// The letters of the entries the result keeps, in order.
inline std::string Leaves(const TDumpResult& AResult) {
  std::string out;
  for (const TDumpEntry& e : AResult.Entries)
    out += e.Leave == TRecordLeave::Left ? 'L' : e.Leave == TRecordLeave::Pending ? 'P' : 'S';
  return out;
}

// The result's counts as letters, in the order L, P, S ("LLLP" gives "LLLP"), whether it keeps
// its entries or not.
inline std::string CountedLeaves(const TDumpResult& AResult) {
  return std::string(AResult.CountLeaving(TRecordLeave::Left), 'L') +
         std::string(AResult.CountLeaving(TRecordLeave::Pending), 'P') +
         std::string(AResult.CountLeaving(TRecordLeave::Stays), 'S');
}
