#pragma once
// The words every layer above the calendar uses to speak of clocks: clock numbers, protocols,
// clock and connection types, errors, search types, the attendance record and the traffic of a
// line. The clock object itself, its line and the tries table are declared in clock/ClockTypes.h.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "calendar/DateType.h"
#include "calendar/ShortString.h"

// Ordinals are fixed: settings strings, tables and comparisons use them.
using TClockNumber = std::uint8_t;  // 1..32
enum TProtocol : std::uint8_t { RS232, RS485, ptHdlc };
enum TClockType : std::uint8_t {
  CTUnknown,
  MX4100,
  KRTal,
  Lumen,
  KRCorax,
  KRMiraClock,
  KROpticaClock,
  KRMira120Clock,
  KREmber
};
enum TConnectionType : std::uint8_t { Cable, Modem, TcpIp };
enum TClockError : std::uint8_t { ceNoError, ceClockDisconnected, ceClockEmpty, ceBadRecord };
enum TClockSearchType : std::uint8_t {
  cstKRTalFast,
  cstKRTal,
  cstKRMira,
  cstKRTalR2Fast,
  cstKRTalR2,
  cstKROptica,
  cstKRMira120,
  cstKREmberFast,
  cstKREmber
};
enum TRecVersion : std::uint8_t { rv1, rv2 };

constexpr int kProtocolCount = 3;
constexpr int kClockTypeCount = 9;
constexpr int kConnectionTypeCount = 3;

// One attendance record as a clock object hands it out. An empty KartNo means "no record".
struct TVexRecord {
  TRecVersion Version = rv1;
  std::string ComIp;
  std::int32_t ClockNumber = 0;
  std::string KartNo;
  TDateStr Date;
  TTimeStr Time;
  // The seconds of Time when the clock gives them; -1 when it keeps minutes only.
  int Second = -1;
  std::string RecType1;
  std::string RecType2;
  char SequenceCode = '\0';
  std::string Data;
  // The picture taken with the record, shared by reference; whoever receives the record owns it.
  std::shared_ptr<std::string> ImageData;
  bool FingerPrint = false;
  bool Card = false;
  bool Camera = false;
  std::string SpecKartNo;
  // Why the record failed the checks of its kind ("" when it passed). Such a record is written
  // with its raw text in Data, marked, and released like any other: one bad record must not
  // hold up the clock.
  std::string Fault;
  // The fault is the date or time: impossible, or without a year that can be known. Date and
  // Time are then as the clock gave them.
  bool ImpossibleDate = false;
};

// Every byte exchange of a line, for the traffic pane and --trace.
enum class TTrafficDirection { Tx, Rx };
using TTrafficObserver = std::function<void(std::uint32_t ATick, TTrafficDirection ADirection,
                                            const std::string& AData)>;

std::string ProtocolToStr(TProtocol AProtocol);
TProtocol StrToProtocol(const std::string& S);
std::string ClockTypeToStr(TClockType AClockType);
// The error's own name ("ceBadRecord"), as reports and logs show it.
const char* ClockErrorName(TClockError AError);
TClockType StrToClockType(const std::string& S);
