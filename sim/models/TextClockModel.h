#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "models/DeviceModel.h"
#include "models/ReplyShaper.h"
#include "models/RunningClock.h"
#include "models/SimCalendar.h"

namespace sim {

// Which of the text-protocol clock families a model behaves like. The families differ in the
// record form they send, the firmware command they answer and the parity they listen at.
enum class TextClockKind {
  Auto,   // from the name, as the tool classifies it: "KR-CO" is Corax, "LUMEN" is Lumen
  Short,  // KR-Tal, MX and the like: record 03h in the short form, firmware "AFV?"
  Lumen,  // record 03h in the Lumen form, firmware 19h, listens only at even parity
  Corax,  // record 02h in the long form (10-digit card, year), firmware "AFV?"
};

// One attendance record held by a clock.
struct ClockRecord {
  // Card number: decimal digits, sent right-aligned and padded with "0" to the width of the
  // record form (8, or 10 in the long form); a longer text keeps its last digits.
  std::string Card;
  // Date and time in the clock's calendar (seconds are not sent).
  SimDateTime When;
  // Entry/exit kind 0 to 3, and whether a finger print was used: together the event code,
  // sent as two decimal digits of Event + 4 * Finger.
  int Event = 0;
  bool Finger = false;
  // The second code, two characters (not sent by a short-form clock without second code, nor by
  // a Lumen).
  std::string RecType2 = "00";
  // Sequence letter "A" to "Z"; 0 lets the clock give the next letter when the record is added.
  char Sequence = 0;
  // HDLC records also tell whether a card was shown and whether the camera took a picture.
  bool CardUsed = false;
  bool Camera = false;
  // The picture taken with the record (any bytes; empty: none). A text clock with a camera and
  // an HDLC clock hand it out on request.
  std::string Picture;
};

struct TextClockSettings {
  int Number = 1;  // clock number on an RS485 bus (1 to 32)
  std::string Name = "KR-Tal 100";
  std::string Firmware = "VER 3.10";
  TextClockKind Kind = TextClockKind::Auto;
  // Short form: whether the second code is sent (record of 25 bytes, else 23, after cleaning).
  bool SecondCode = true;
  // Status code 0 to 3 forced; -1 derives it: "0" with records, "1" without, +2 when Busy.
  int ForcedStatus = -1;
  bool Busy = false;
  SimCalendar Calendar = SimCalendar::Solar;
  SimDateTime DateTime{1403, 9, 18, 10, 30, 0};
  // A broken clock: the date and time it tells whatever it was set to, possible or not (month
  // 13, hour 24). Its records' dates are as given.
  std::optional<SimDateTime> ShownDateTime;
  // The clock's line speed; bytes sent at another speed are garbage to it. 0: any speed.
  int Baud = 0;
  // Time between the end of a command and the start of the reply.
  std::uint32_t LatencyMs = 5;
  std::vector<ClockRecord> Records;  // oldest first
  std::vector<Misbehaviour> Misbehaviours;
  // RS232: whether 07h is answered "!" (ready for a setting) or "?" (not ready).
  bool Ready = true;
  // Only for a clock on an HDLC line (a scenario describes those with the same settings):
  // the device description (empty: built from Name and Firmware), the serial number, and what
  // comes before the date-time answer ("XY", "XYZ" as an Ember sends it, or nothing).
  std::string Description;
  std::uint32_t SerialNumber = 1234567;
  std::string DateTimePrefix = "XY";
  // Pictures. Text clocks: whether the clock has a camera ("ACM?" answered "YES"), and the
  // picture pointer "ARI?" gives for the oldest record (the next record's is one more).
  // HDLC clocks: the read position "Q" 20h gives, the memory index of the oldest record not
  // released, and how many records a record block holds.
  bool Camera = false;
  std::int32_t RecordPointer = 1;
  int RecordsPerBlock = 3;
};

// One card clock that speaks the text protocol.
//
// Wire forms (bytes in hex; "head" is 01 01 01; CR is 0D; c is the check byte, the XOR of every
// byte after the head except CR bytes, so that it passes the receiver's check once the CR is
// taken out; each reply ends with CR c like every data reply of these clocks):
//   01h status         RS232: the code "0".."3"
//   18h identification head, name, one blank (the byte the receiver drops before the CR), CR,
//                      blanks up to 26 bytes, c. A name of more than 20 bytes makes it longer.
//   "AFV?" CR          firmware on RS232: the text, CR (the receiver drops the last byte)
//   "AFV?^"            firmware on RS485 (a bus frame): wrapped like a short reply, below
//   19h                firmware of a Lumen: head, text, CR, c
//   05h date-time      head, YYYYMMDD, day of week (1 = Sunday .. 7), HHMM, CR, c (18 bytes)
//   03h record         short form: head, card (8), MMDD, HHMM, event code (2), second code (2,
//                      when sent), sequence letter, CR, c (26 bytes, 24 without second code)
//                      Lumen form: head, card (8), MMDD, HHMM, sequence letter, CR, c (22 bytes)
//                      An empty clock does not answer. A Corax clock does not answer 03h.
//   02h record         Corax only, long form: head, card (10), YYMMDD, HHMM, event code,
//                      second code, 8 bytes "00000000" (not read by the tool), sequence letter,
//                      CR, c (38 bytes)
//   09h acknowledge    removes the oldest record and answers 04h; an empty clock answers 15h
//   07h                answered "!" (ready for a setting), "?" when not Ready
//   "T" YYYYMMDD d HHMM 14h  sets the date and time (Gregorian, kept in the clock's calendar);
//                      answered "G", or "E" for a date or time that does not exist
// On RS485 the short replies (status, 04h/15h, "!", "G"/"E", firmware) are wrapped as
// head, payload, CR, c; the data replies keep the layout above, which already has head and c.
// Pictures (TextClockPictures.cpp); a clock without a camera answers each of them "I":
//   "ACM?" CR          camera: "YES" CR; RS485 ("ACM?^"): head, "YES", c, CR
//   "ARI?" CR          the oldest record's picture pointer, five digits, CR; RS485 ("ARI?^"):
//                      head, five digits, c, CR (here c is the XOR of the digits)
//   "RDML=" 6 digits CR  the picture at address pointer * 20 + 20000 in 512-byte image blocks
//                      (ClockPictures.h), raw on RS485 too ("RDML=..." "^"); an address
//                      without a picture gets one empty block
// Other bytes get no answer.
class TextClockModel : public DeviceModel {
 public:
  explicit TextClockModel(TextClockSettings ASettings = {});

  // RS232: the bytes as they arrive, commands possibly split over several pieces.
  ReplyPlan receive(const std::string& ABytes) override;
  void lineSettings(int ABaud, TParity AParity) override;

  // One whole command; with ARs485 it was decoded from a bus frame and short replies are
  // wrapped. The reply plan is shaped by the misbehaviours in force.
  ReplyPlan command(const std::string& ACommand, bool ARs485);
  // The reply to ACommand before any misbehaviour (empty Bytes: no answer). Acts on the clock
  // like the real command (an acknowledgement removes a record).
  ModelReply answer(const std::string& ACommand, bool ARs485);
  // Whether the line's speed and parity let the clock understand what it receives.
  bool hearsLine() const;

  TextClockSettings& settings() { return FS; }
  const TextClockSettings& settings() const { return FS; }
  int number() const { return FS.Number; }
  TextClockKind kind() const;  // Auto resolved from the name

  // Status: ACode 0..3 forces the code, -1 derives it from the records and the busy flag.
  void setStatus(int ACode) { FS.ForcedStatus = ACode; }
  void setBusy(bool ABusy) { FS.Busy = ABusy; }
  char statusCode() const;

  void addRecord(ClockRecord ARecord);
  const std::vector<ClockRecord>& records() const { return FS.Records; }
  void clearRecords() { FS.Records.clear(); }

  // The clock's date and time. With a time source the clock runs from the moment it was set.
  void setDateTime(const SimDateTime& ADateTime);
  SimDateTime dateTime() const;
  void setTimeSource(std::function<std::uint64_t()> ANowMs);

  ReplyShaper& misbehaviour() { return FShaper; }
  void misbehave(const Misbehaviour& AMisbehaviour) { FShaper.add(AMisbehaviour); }

  // Every whole command the clock understood or ignored, in order.
  const std::vector<std::string>& commandLog() const { return FCommandLog; }

  // Wire forms, for the bus and for tests.
  std::string identificationReply() const;
  std::string dateTimeReply() const;
  // The record reply of this clock's form; empty when it holds no record.
  std::string recordReply(const ClockRecord& ARecord) const;
  static std::string dataReply(const std::string& AData);  // head, data, CR, c
  static std::string wrapRs485(const std::string& APayload);
  // The record reply spoiled as a CorruptRecord misbehaviour does it: the hour is 25, the check
  // byte right.
  std::string corruptRecordReply(const ClockRecord& ARecord) const;
  // RS232 input that begins with a picture command: the command's length when it is complete,
  // 0 while it may still be completed, -1 when it is no picture command.
  static int pictureCommandLength(const std::string& AInput);
  static bool isPictureCommand(const std::string& ACommand);

 private:
  ModelReply setDateTimeCommand(const std::string& ACommand);
  ModelReply pictureAnswer(const std::string& ACommand, bool ARs485);
  TextClockSettings FS;
  ReplyShaper FShaper;
  std::string FInput;
  char FNextSequence = 'A';
  RunningClock FClock;
  int FLineBaud = 0;
  std::optional<TParity> FLineParity;
  std::vector<std::string> FCommandLog;
};

}  // namespace sim
