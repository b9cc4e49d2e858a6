#pragma once
// Attendance records as the clocks send them, and how they become a TVexRecord.
//
// Text protocol (RS232, RS485): the reply to the record command, cleaned (see CleanRecordReply),
// is 01 01 01, the record, and a check byte (the XOR of everything between the head and the
// check byte). Positions below are 1-based; L is the length of the cleaned reply.
//
//   short form (every type but Lumen and KRCorax; L = 25 with the second code, 23 without):
//     4-11 card (8 digits), 12-13 month, 14-15 day, 16-17 hour, 18-19 minute, 20-21 event code,
//     22-23 second code, L-1 sequence letter "A".."Z", L check byte
//   long form (KRCorax, L = 37):
//     4-13 card (10 digits), 14-19 YYMMDD, 20-21 hour, 22-23 minute, 24-25 event code,
//     26-27 second code, 28-35 not read, 36 sequence letter, 37 check byte
//   Lumen form (L = 21):
//     4-11 card, 12-15 MMDD, 16-19 HHMM, 20 sequence letter, 21 check byte
//
// HDLC: the answer to the record request is a block of 14-byte records, optionally preceded by
// "XYZ" and/or "XY":
//     1-5 card (unsigned, least significant byte first), 6 year (below 50: 2000 + value, else
//     1300 + value), 7 month, 8 day, 9 hour, 10 minute, 11 not read, 12 event flags (08h entry
//     kind 1, 10h kind 2; 80h a second code, 02 with 40h, else 03), 13 flags (01h finger print,
//     02h card, 04h camera), 14 check byte (XOR of bytes 1 to 13).
//
// Everything here is pure and bounded: any bytes in, no read past their end.
#include <cstdint>
#include <string>
#include <vector>

#include "clock/ClockTypes.h"

// The clock's current date as numbers (all zero when it could not be read); the year rules of
// the short forms, which carry no year, take the year from it.
struct TRecordClockDate {
  int Year = 0;
  int Month = 0;
  int Day = 0;
};

// The cleaning every text record reply gets before it is examined: bytes before the first 01h
// are dropped, then every CR (0Dh) anywhere is removed.
std::string CleanRecordReply(const std::string& AReply);

// Whether a cleaned text reply is a good record for a clock of type AClockType whose current
// date is ADate. The year of a short-form record is taken as ADate's year, or the year before
// when the record's month is above 6 while the current month is below 6. With ADate all zero
// (the clock's date is unknown) a short-form date needs only a month 1..12 and a day 1..31.
bool IsValidRecordReply(const std::string& AReply, TClockType AClockType,
                        const TRecordClockDate& ADate);

// Decodes a reply that IsValidRecordReply accepted into ARecord: KartNo (leading zeros
// removed), Date as YYMMDD, Time as HH:MM, SequenceCode; except for a Lumen also RecType1 (the
// event code AND 3, two digits), RecType2 (the second code as sent) and FingerPrint (bit 2 of
// the event code). A short-form date gets the clock's year, the year before for a December
// record read in January, the year after for a January record read in December; with ADate
// all zero it keeps the MMDD as sent and is marked (Fault, ImpossibleDate). Returns false,
// and leaves ARecord as it was, when the event code is not a two-digit decimal number (a clock
// that sends a hexadecimal letter there sends no record this program can file).
bool DecodeTextRecord(const std::string& AReply, TClockType AClockType,
                      const TRecordClockDate& ADate, TVexRecord& ARecord);

// The records of an HDLC record block, oldest first: the data without a leading "XYZ", then
// without a leading "XY", cut into 14-byte pieces (the last one may be shorter).
std::vector<std::string> SplitHdlcRecordBlock(const std::string& AData);

enum class THdlcRecordOutcome {
  Decoded,
  // The piece is no record: wrong check byte, shorter than 14 bytes, or an impossible date or
  // time. The clock's LastError becomes ceBadRecord.
  Rejected,
  // A conversion failed; the record has no card number and the clock's LastError stays.
  Failed
};

// Decodes one HDLC record piece into ARecord, which is first reset to an rv2 record of clock
// AClockNumber with Data = APiece. The date is brought into ACalendar: a Gregorian year (above
// 2000) on a solar clock becomes solar, a solar year (below 1500) on a Gregorian clock becomes
// Gregorian. A piece whose date or time is impossible keeps its card, date text and time
// appended to Data after ";" for the bad-record log. KartNo is '' unless the result is Decoded.
THdlcRecordOutcome DecodeHdlcRecordPiece(const std::string& APiece, std::int32_t AClockNumber,
                                         TDateType ACalendar, TVexRecord& ARecord);

// The meaning of a one-byte (or empty) answer of an HDLC clock: 1 for nothing or 01h, 0 for
// 00h, 2 for any other byte.
int HdlcAnswerCode(const std::string& AData);
