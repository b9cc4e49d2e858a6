#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "models/DeviceModel.h"
#include "models/TextClockModel.h"

namespace sim {

// What clocksim serves: the line protocol and the clocks on the line. The text format is
// described in Scenario.cpp and by scenarioHelp().
// A record of the first kind of face terminal as a broken one sends it: its time any text.
struct MiraOddRecord {
  std::string Id;
  int Status = 1;
  std::string TimeText;
};

// One record of the port-4370 terminal's log, as a scenario gives it (Gregorian date).
struct ZkLogRecord {
  std::string User;
  SimDateTime When;
  int InOutMode = 0;
};

struct Scenario {
  enum class Protocol { RS232, RS485, Hdlc };
  Protocol LineProtocol = Protocol::RS232;
  std::vector<TextClockSettings> Clocks;
  // The port-4370 terminal's log: ZkRecordCount records made up before the terminal's date,
  // then ZkRecords; its three samples when neither is given (ZkLogGiven false).
  bool ZkLogGiven = false;
  int ZkRecordCount = 0;
  std::vector<ZkLogRecord> ZkRecords;
  // Punches the terminal stores while a client reads its log: (the read, 1 = the first; record).
  std::vector<std::pair<int, ZkLogRecord>> ZkPunchesDuringRead;
  // The first kind of face terminal: the time text it tells (none: its clock's), and records
  // after its samples whose time is any text.
  std::optional<std::string> MiraShownTime;
  std::vector<MiraOddRecord> MiraOddRecords;
  // At most this many bytes per data frame of the log's chunks (0: a chunk in one frame), each
  // frame ZkDataFrameGapMs after the one before.
  int ZkDataFrameBytes = 0;
  int ZkDataFrameGapMs = 0;
  // The terminal's port carries ZkLinkKbps kbit a second (0: as fast as the host goes), and the
  // terminal answers each request ZkTurnaroundMs after it has sent the replies before it.
  int ZkLinkKbps = 10000;
  int ZkTurnaroundMs = 10;
  // The port-4370 terminal answers every clearing of its log with an error.
  bool ZkRefuseClear = false;
  // Things that are allowed but will surprise the user (for example a record whose check byte
  // is 0Dh, which the receiver's cleaning removes together with the CR).
  std::vector<std::string> Warnings;
};

class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads scenario statements from one or more sources (a file, then command-line statements) and
// builds the scenario. Errors raise ScenarioError with "source:line: message".
class ScenarioParser {
 public:
  // The computer's local date and time, for "datetime now" (replaceable in tests).
  std::function<SimDateTime()> LocalNow;

  ScenarioParser();
  // ASemicolons: ";" separates statements too (command-line statements).
  void parse(const std::string& AText, const std::string& ASource, bool ASemicolons = false);
  // Applies the defaults, checks what can only be checked on the whole and returns the scenario.
  Scenario finish();

 private:
  struct ClockDraft {
    TextClockSettings Settings;
    bool DateTimeGiven = false;
    bool DateTimeNow = false;
    int Samples = 0;
    std::string Where;  // where the clock was started, for messages
  };
  void statement(const std::string& ALine, const std::string& AWhere);
  ClockDraft& current(const std::string& AWhere);
  Scenario::Protocol FProtocol = Scenario::Protocol::RS232;
  bool FZkLogGiven = false;
  int FZkRecordCount = 0;
  std::vector<ZkLogRecord> FZkRecords;
  std::vector<std::pair<int, ZkLogRecord>> FZkPunchesDuringRead;
  std::optional<std::string> FMiraShownTime;
  std::vector<MiraOddRecord> FMiraOddRecords;
  int FZkDataFrameBytes = 0;
  int FZkDataFrameGapMs = 0;
  int FZkLinkKbps = 10000;
  int FZkTurnaroundMs = 10;
  bool FZkRefuseClear = false;
  std::map<int, ClockDraft> FClocks;
  int FCurrent = 0;  // 0: none chosen in this source yet
};

// The scenario of a clocksim started without one: one RS232 clock "KR-Tal 100", firmware
// "VER 3.10", solar date 1403/09/18 10:30, three records.
Scenario defaultScenario();

// The device on the line: a TextClockModel for RS232, an Rs485BusModel for RS485. With a time
// source the clocks' date and time run.
std::unique_ptr<DeviceModel> buildModel(const Scenario& AScenario,
                                        std::function<std::uint64_t()> ANowMs = {});

// The device description an HDLC clock of these settings sends.
std::string hdlcDescription(const TextClockSettings& ASettings);

// The format, as clocksim --help prints it.
std::string scenarioHelp();

}  // namespace sim
