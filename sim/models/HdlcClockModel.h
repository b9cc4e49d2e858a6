#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "link/HdlcStreamReceiver.h"
#include "models/DeviceModel.h"
#include "models/ReplyShaper.h"
#include "models/RunningClock.h"
#include "models/SimCalendar.h"

namespace sim {

// A card clock on an HDLC line. It answers frames addressed to its clock number: a session
// request with a grant, a refusal or a busy report; a data frame inside the session with an Ack
// frame whose data a handler for the command's first byte produces; a data frame outside a
// session with Nack + Session (the session is closed). Several models on one wire make a bus.
class HdlcClockModel : public DeviceModel {
 public:
  // Reply data for a command's data bytes.
  using Handler = std::function<std::string(const std::string& AData)>;

  explicit HdlcClockModel(std::uint8_t AClockNumber);
  ReplyPlan receive(const std::string& ABytes) override;
  void onCommand(std::uint8_t AFirstByte, Handler AHandler) { FHandlers[AFirstByte] = AHandler; }
  // The handler in place for a first byte (empty when none), for a handler that adds commands
  // with the same first byte and passes the others on.
  Handler commandHandler(std::uint8_t AFirstByte) const;
  // Commands answered by several frames (a picture in image blocks): the data of each frame, in
  // order. Such a handler takes precedence over a one-frame handler of the same first byte.
  using FramesHandler = std::function<std::vector<std::string>(const std::string& AData)>;
  void onCommandFrames(std::uint8_t AFirstByte, FramesHandler AHandler) {
    FFramesHandlers[AFirstByte] = AHandler;
  }

  // The clock's date and time. With a time source the clock runs from the moment it was set.
  void setDateTime(const SimDateTime& ADateTime);
  SimDateTime dateTime() const;
  void setTimeSource(std::function<std::uint64_t()> ANowMs);

  std::uint8_t ClockNumber;
  // Status command 02h: the first data byte is 00h when the clock holds no record.
  int RecordCount = 0;
  // Device description 01h: "model;Ver ...;Rec ...;CAM;" (the CAM field only for a clock with a
  // camera).
  std::string DeviceDescription = "KR-Ember;Ver 1.20;Rec 50000;CAM;";
  // Date and time, kept in the calendar the clock is set to. 03 00 answers DateTimePrefix ("",
  // "XY", or "XYZ" as an Ember sends it), the year (two bytes, low first), month, day, hour and
  // minute, Gregorian. 04 00 with the same six fields and 00 sets them; the answer is 00, or 01
  // for a date or time that does not exist.
  SimCalendar Calendar = SimCalendar::Solar;
  SimDateTime DateTime{1403, 9, 18, 10, 30, 0};
  std::string DateTimePrefix = "XY";
  // A broken clock: the Gregorian date and time 03 00 answers whatever the clock was set to,
  // possible or not.
  std::optional<SimDateTime> ShownDateTime;
  // "Q" 02h answers the calendar: 00 Gregorian, 01 solar. "Q" 1Eh answers the serial number,
  // four bytes, least significant first.
  std::uint32_t SerialNumber = 1234567;
  std::uint32_t LatencyMs = 10;

  // Misbehaviours that change what the clock means. Counters are used up one frame at a time.
  int RefuseSessions = 0;      // refuse the next n session requests (Nack + Session)
  int BusySessions = 0;        // answer the next n session requests busy (Busy + Session)
  bool IgnoreSessions = false; // never answer a session request
  int CloseSessionAfter = -1;  // after n data commands, close the session (-1: never)
  int BusyReplies = 0;         // answer the next n data commands busy (Busy + Session)
  int BadCrcReplies = 0;       // the next n frames carry a wrong CRC
  bool DoubledFlags = false;   // every frame goes out as 7E 7E ... 7E
  std::uint32_t ByteGapMs = 0; // one byte every ByteGapMs (0: the frame in one piece)
  std::string GarbageBetweenFrames;  // sent before every frame
  // Silence, delay, byte-by-byte and garbage as every model has them.
  ReplyShaper Shaper;

  // What the clock saw.
  int SessionRequests = 0;
  bool SessionOpen = false;
  std::vector<std::string> Commands;  // data of every data frame inside a session

 private:
  ReplyPlan answer(const THdlcPacket& ARequest);
  ReplyPlan frame(bool AAck, bool ANack, bool ABusy, bool ASession, const std::string& AData,
                  const std::string& ACommand);
  std::string dateTimeAnswer() const;
  std::string setDateTimeAnswer(const std::string& AData);
  THdlcStreamReceiver FReceiver;
  std::map<std::uint8_t, Handler> FHandlers;
  std::map<std::uint8_t, FramesHandler> FFramesHandlers;
  RunningClock FClock;
  int FDataCommandsInSession = 0;
};

}  // namespace sim
