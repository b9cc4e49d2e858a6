#pragma once
// The clock families a detection can look for (the search types), and what the line, the window
// and the command line need to know of each: one row per search type, in the order of their
// ordinals (the window's search type list shows them in that order).
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "utils/ClockVocabulary.h"

// How the records of a clock leave it once a dump has taken them.
enum class TRecordRelease : std::uint8_t {
  OneByOne,   // each acknowledgement releases one record (text protocols)
  HdlcBlock,  // a block of records leaves when the clock is asked for the block after it
  WholeLog,   // the terminal's whole log is cleared, once every record fetched was handed out
};

struct TClockFamily {
  TClockSearchType SearchType;
  // The search type's name on the command line ("KRTalFast").
  const char* Name;
  // The window's text for it, through the dictionary.
  const char* Caption;
  // The protocol of the first probe.
  TProtocol Protocol;
  // When the first probe finds no single clock, clock numbers 1 to MaxClockNumber are probed on
  // a bus, with BusProtocol; a fast scan ends at the first number that stays silent.
  bool ScansBus;
  TProtocol BusProtocol;
  bool StopsAtFirstSilent;
  // The type a clock object takes while it is probed on an HDLC line (on the text protocols
  // every card clock starts as an MX4100); a face terminal's own type for the face-recognition
  // terminals, which are reached through their adapters.
  TClockType ProbeType;
  bool FaceTerminal;
  // The TCP port a line of this family uses unless the user names one; with FixedTcpPort the
  // terminal listens on that port only, and choosing the family sets it whatever was typed.
  int DefaultTcpPort;
  bool FixedTcpPort;
  TRecordRelease Release;
};

constexpr int kClockSearchTypeCount = 9;
constexpr int kCardClockTcpPort = 1001;

const std::array<TClockFamily, kClockSearchTypeCount>& ClockFamilies();
// The row of ASearchType (the first row for a value out of range).
const TClockFamily& ClockFamily(TClockSearchType ASearchType);
// The search type named AName on the command line; nothing for another word.
std::optional<TClockSearchType> SearchTypeFromName(const std::string& AName);
// Whether APort is the default TCP port of some family (so not a port the user chose).
bool IsDefaultTcpPort(int APort);

// Whether a clock of AType that a detection of ASearchType found is shown: not an unknown clock;
// the HDLC models answer the card clocks' probe too, so a KR-Optica is shown only to its own
// search and a KR-Ember only to the Ember searches.
bool IsListedClock(TClockType AType, TClockSearchType ASearchType);
// How the records of a clock of AType leave it on a line of AProtocol.
TRecordRelease RecordReleaseOf(TClockType AType, TProtocol AProtocol);
// The key of the model picture of AType: its ordinal, 0 (the unknown clock) when out of range.
int ModelPictureKey(TClockType AType);
