#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "models/HdlcClockModel.h"
#include "models/TextClockModel.h"

namespace sim {

// The attendance records of an HDLC clock, with the commands that read them and their pictures
// (data of the command frames and of the answer frames):
//
//   20h               a block of the oldest records not yet released: the clock's
//                     DateTimePrefix ("XY", "XYZ" or nothing), then up to RecordsPerBlock
//                     records of 14 bytes; the single byte EmptyAnswer when there is none. Asked
//                     again, the clock sends the same block.
//   21h               releases the records of the block sent last, then answers like 20h.
//   "Q" 20h           the read position: the memory index of the oldest record not released,
//                     four bytes, least significant first. Other "Q" questions go on to the
//                     clock's own handler.
//   "0" i i i         the picture of the record at memory index i (three bytes, least
//                     significant first) in 512-byte image blocks (ClockPictures.h), each sent
//                     as two frames of 256 data bytes; one empty block when it has none.
//   "2S" i i i B8h    Ember: "S", i i i, B8h and the number of data packets of the picture
//                     (three bytes, least significant first); the single byte "2" when the
//                     record has no picture.
//   "2D" i i i n n n  Ember: "D", i i i, n n n and data packet n of the picture.
//
// A record of 14 bytes: card (five bytes, least significant first), year (a solar year less
// 1300, a Gregorian year less 2000: the clock's calendar decides), month, day, hour, minute, 00,
// event flags (kind 1: 08h, kind 2: 10h, kind 3: both; second code "02": C0h, "03": 80h),
// flags (01h finger print, 02h card, 04h camera), and the XOR of the 13 bytes before.
//
// The status command 02h follows the store (RecordCount is kept up to date). Misbehaviours come
// from the clock's Shaper: CorruptRecord spoils the check byte of the first record of a block;
// BadBlockCheck, WrongBlockNumber and LostBlock spoil a picture in image blocks; on the Ember
// WrongBlockNumber answers a data packet with the number one higher and LostBlock leaves one
// unanswered.
class HdlcRecordStore {
 public:
  // Creates a store for AClock and installs its handlers; the clock's handlers keep the store
  // alive as long as the clock lives.
  static std::shared_ptr<HdlcRecordStore> install(HdlcClockModel& AClock,
                                                  std::vector<ClockRecord> ARecords = {},
                                                  std::int32_t AReadPointer = 1);

  void addRecord(ClockRecord ARecord);
  const std::deque<ClockRecord>& records() const { return FRecords; }
  std::int32_t readPointer() const { return FReadPointer; }
  // Records the clock has released (with 21h) since the store was made.
  int released() const { return FReleased; }

  int RecordsPerBlock = 3;
  // Ember: picture bytes per data packet.
  std::size_t EmberPacketSize = 200;
  // The answer to a record request when no record is left.
  char EmptyAnswer = '\x02';

  // The 14-byte record of ARecord in a clock that keeps ACalendar.
  static std::string recordPiece(const ClockRecord& ARecord, SimCalendar ACalendar);

 private:
  HdlcRecordStore(HdlcClockModel& AClock, std::int32_t AReadPointer);
  std::string block(const std::string& ACommand);
  std::vector<std::string> pictureFrames(const std::string& ACommand);
  std::string ember(const std::string& ACommand);
  // The record at memory index AIndex, or nullptr.
  const ClockRecord* recordAt(std::int64_t AIndex) const;
  void syncStatus();

  HdlcClockModel& FClock;
  std::deque<ClockRecord> FRecords;
  std::int32_t FReadPointer;
  std::size_t FSentInBlock = 0;
  int FReleased = 0;
};

}  // namespace sim
