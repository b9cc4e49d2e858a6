#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "HwDevExchange/HwDevExchange.h"
#include "models/DeviceModel.h"
#include "models/ReplyShaper.h"
#include "models/RunningClock.h"
#include "models/SimCalendar.h"

namespace sim {

// One attendance record held by a face-recognition terminal of the first kind.
struct MiraRecord {
  std::string Id;    // the person's number
  SimDateTime When;  // in the terminal's calendar
  // 0 not stated, 1 entry, 2 exit, 3..5 leave, 6..8 mission.
  int Status = 1;
  // The photo's bytes, sent as base64; empty: the record is sent without a photo value.
  std::string Photo;
};

struct MiraTerminalSettings {
  int DeviceId = 1;
  // When not empty, commands whose device description carries another password are refused.
  std::string Password;
  std::string Edition = "HDCP-FR 3.2.7";
  std::string SerialNumber = "HW2201A00017";
  SimCalendar Calendar = SimCalendar::Gregorian;
  SimDateTime DateTime{2024, 12, 9, 10, 30, 0};
  // A broken terminal: the time value its device information tells, as text, whatever its clock
  // says ("abc", "2024-12-09 25:61:00").
  std::optional<std::string> ShownTime;
  // And the time text it sends for the records of these ids instead of their When (which still
  // places them in a requested range).
  std::map<std::string, std::string> ShownRecordTimes;
  // Time between the end of a request and the start of the reply.
  std::uint32_t LatencyMs = 1;
  std::vector<MiraRecord> Records;  // oldest first
  // The rules' Command filter sees the first letter of the command's name.
  std::vector<Misbehaviour> Misbehaviours;
};

// A face-recognition terminal of the first kind, behind the HwDevComm exchange
// (docs/hwdevcomm-exchange.md): it receives request frames and answers reply frames. The command
// texts and the reply texts are those the terminal's vendor library carries:
//   GetDeviceInfo()                      device values, among them edition and time
//   SetDeviceInfo(time="Y-M-D h:m:s")    sets the clock (read in the terminal's calendar)
//   GetRecord(start_time="..." end_time="...")
//                                        the records between the two date-times, each on a line
//                                        of its own beginning with its time: time, id, status,
//                                        photo (base64)
//   DeleteAllRecord()                    removes every record
// Replies read Return(result="success" ...) when carried out; a command that cannot be carried
// out gets result="failed" with a reason. Times are written YYYY-MM-DD HH:MM:SS.
class MiraTerminalModel : public DeviceModel {
 public:
  explicit MiraTerminalModel(MiraTerminalSettings ASettings = {});

  // The bytes of a connection as they arrive; the reply frames to send back.
  ReplyPlan receive(const std::string& ABytes) override;
  // The connection closed: a half-received request is dropped.
  void disconnected();

  // One request as the exchange delivers it: the refusal code and the reply text.
  hwdev::THwDevReply execute(const std::string& ADeviceInfo, const std::string& ACommand);

  MiraTerminalSettings& settings() { return FS; }
  const MiraTerminalSettings& settings() const { return FS; }

  void addRecord(MiraRecord ARecord) { FS.Records.push_back(std::move(ARecord)); }
  const std::vector<MiraRecord>& records() const { return FS.Records; }

  // The terminal's date and time. With a time source the clock runs from the moment it was set.
  void setDateTime(const SimDateTime& ADateTime);
  SimDateTime dateTime() const;
  void setTimeSource(std::function<std::uint64_t()> ANowMs);

  ReplyShaper& misbehaviour() { return FShaper; }
  void misbehave(const Misbehaviour& AMisbehaviour) { FShaper.add(AMisbehaviour); }

  // Every command received, in order (refused ones too).
  const std::vector<std::string>& commandLog() const { return FCommandLog; }

  // "YYYY-MM-DD HH:MM:SS".
  static std::string formatTime(const SimDateTime& ADateTime);
  // Y-M-D h:m:s with "-" or "/" between the date parts, parts of any width; false otherwise.
  static bool parseTime(const std::string& AText, SimDateTime& ADateTime);
  // A small picture (an 8 x 8 BMP) whose colour follows AId, for records made up by scenarios.
  static std::string samplePhoto(const std::string& AId);

 private:
  std::string deviceInfoReply() const;
  hwdev::THwDevReply setDeviceInfo(const std::string& ACommand);
  hwdev::THwDevReply getRecord(const std::string& ACommand) const;

  MiraTerminalSettings FS;
  ReplyShaper FShaper;
  std::string FInput;
  RunningClock FClock;
  std::vector<std::string> FCommandLog;
};

}  // namespace sim
