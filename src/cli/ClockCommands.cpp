// The technician's commands that find the clocks on a line and then ask or set them: detect,
// datetime, set-datetime, status, serial. Each detects first, as the window does before it lets
// the user do anything with a clock.
#include <iostream>
#include <ostream>

#include "calendar/VexDateTime.h"
#include "cli/Commands.h"
#include "cli/DateArgs.h"
#include "cli/Interrupt.h"
#include "cli/JsonText.h"
#include "cli/Progress.h"
#include "platform/Platform.h"
#include "utils/ClockDrift.h"

void DetectOnLine(const LineOptions& AOptions, LineHandle& ALine,
                  std::vector<TBasicClock*>& AListed, const std::string& APartialJson) {
  ALine = BuildLine(AOptions);
  TClockSet& line = *ALine;
  // The face-recognition terminals are reached by their adapters, each with a connection of its
  // own; the line's socket would only hold the terminal's one connection.
  const bool faceTerminal = ClockFamily(AOptions.Search).FaceTerminal;
  if (!(faceTerminal && line.EffectiveConnectionType() == TcpIp)) OpenLine(line);

  cli::ShowScanProgress(line);
  line.DetectClocks(AOptions.Search);
  line.OnProbeClock = nullptr;
  line.OnProbeResult = nullptr;

  AListed.clear();
  for (auto& clock : line.Clocks())
    if (IsListedClock(clock->ClockType, AOptions.Search)) AListed.push_back(clock.get());
  cli::ThrowIfInterrupted("detect", APartialJson);
  if (AListed.empty()) throw CliError("no-answer", "detect", "no clock answered", APartialJson);
}

int DetectOnLine(const LineOptions& AOptions, std::ostream&, LineHandle& ALine,
                 std::vector<TBasicClock*>& AListed) {
  DetectOnLine(AOptions, ALine, AListed);
  return kExitDone;
}

namespace {
// A clock's date and time as read, with its drift from the computer's clock when they are a real
// date and time.
struct ClockDateTime {
  ClockDateTime(std::string ADate, std::string ATime)
      : Date(std::move(ADate)), Time(std::move(ATime)), Drift(ClockDriftNow(Date, Time)) {}
  std::string DriftText() const { return Drift ? std::to_string(*Drift) : std::string(); }
  std::string DriftJson() const { return Drift ? std::to_string(*Drift) : "null"; }
  std::string Date;
  std::string Time;
  std::optional<std::int64_t> Drift;
};

// A clock's date in the one form clockctl prints, YYYY/MM/DD with two-digit month and day (an
// HDLC clock gives "1403/9/18"); as the clock gave it when it is no date.
std::string FullDateText(const std::string& ADate) {
  const std::string full = DateStrToLongDate(ADate, 0);
  return full.empty() ? ADate : full;
}

ClockDateTime ReadDateTime(TBasicClock& AClock, TClockSearchType ASearch) {
  // The first kind of face terminal told its date and time while it was probed.
  if (ASearch == cstKRMira)
    return ClockDateTime(FullDateText(AClock.MiraClockDateStr.str()),
                         AClock.MiraClockTimeStr.str());
  TDateStr date;
  TTimeStr time;
  AClock.GetDateTime(date, time);
  return ClockDateTime(FullDateText(date.str()), time.str());
}

// The computer's date (Gregorian, which the clocks recognise by its year) and time.
void ComputerNow(std::string& ADate, std::string& ATime) {
  const TLocalDateTime now = platform::Clock().localNow();
  ADate = std::to_string(now.Year) + "/" + PadNumber(now.Month, 2) + "/" + PadNumber(now.Day, 2);
  ATime = PadNumber(now.Hour, 2) + ":" + PadNumber(now.Minute, 2);
}

// The clocks a detection listed, as JSON members of each (number, type, name, firmware), for
// the commands that go on to ask only the first one.
std::string ListedClocksJson(const std::vector<TBasicClock*>& AListed) {
  std::string json;
  for (const TBasicClock* clock : AListed)
    json += std::string(json.empty() ? "" : ",") +
            "{\"number\":" + std::to_string(clock->ClockNumber) +
            ",\"type\":" + JsonString(ClockTypeToStr(clock->ClockType)) +
            ",\"name\":" + JsonString(clock->ClockName) +
            ",\"firmware\":" + JsonString(clock->FirmwareVer) + "}";
  return "\"clocks\":[" + json + "]";
}

std::string ClockNumberText(const TBasicClock& AClock) {
  return "clock " + std::to_string(static_cast<int>(AClock.ClockNumber));
}
}  // namespace

int RunDetectCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions,
                     std::ostream& AOut, std::ostream&) {
  RejectLeftovers(AArgs, "detect");
  LineHandle line;
  std::vector<TBasicClock*> listed;
  DetectOnLine(AOptions, line, listed, "\"clocks\":[]");

  std::string json;
  std::string text;
  // A clock whose date or time does not exist fails the command; --json lists the clocks.
  const TBasicClock* impossible = nullptr;
  for (TBasicClock* clock : listed) {
    const ClockDateTime dt = ReadDateTime(*clock, AOptions.Search);
    if (!impossible && !clock->DateTimeProblem().empty()) impossible = clock;
    if (AOptions.Json) {
      json += std::string(json.empty() ? "" : ",") +
              "{\"number\":" + std::to_string(clock->ClockNumber) +
              ",\"type\":" + JsonString(ClockTypeToStr(clock->ClockType)) +
              ",\"name\":" + JsonString(clock->ClockName) +
              ",\"firmware\":" + JsonString(clock->FirmwareVer) +
              ",\"date\":" + JsonString(dt.Date) + ",\"time\":" + JsonString(dt.Time) +
              ",\"drift\":" + dt.DriftJson() + "}";
    } else {
      text += std::to_string(static_cast<int>(clock->ClockNumber)) + '\t' +
              ClockTypeToStr(clock->ClockType) + '\t' + clock->ClockName + '\t' +
              clock->FirmwareVer + '\t' + dt.Date + '\t' + dt.Time + '\t' + dt.DriftText() +
              "\n";
    }
  }
  cli::ThrowIfInterrupted("detect", "\"clocks\":[" + json + "]");
  if (impossible)
    throw CliError("bad-answer", ClockNumberText(*impossible), impossible->DateTimeProblem(),
                   "\"clocks\":[" + json + "]");
  if (AOptions.Json)
    AOut << "{\"clocks\":[" << json << "]}\n";
  else
    AOut << text;
  return kExitDone;
}

int RunDateTimeCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions,
                       std::ostream& AOut, std::ostream&) {
  RejectLeftovers(AArgs, "datetime");
  LineHandle line;
  std::vector<TBasicClock*> listed;
  DetectOnLine(AOptions, line, listed);
  TBasicClock& clock = *listed.front();
  TDateStr date;
  TTimeStr time;
  const bool read = clock.GetDateTime(date, time);
  cli::ThrowIfInterrupted("datetime");
  if (!read && !clock.DateTimeProblem().empty())
    throw CliError("bad-answer", ClockNumberText(clock), clock.DateTimeProblem());
  if (!read) throw CliError("no-answer", ClockNumberText(clock), "did not tell its date and time");
  const ClockDateTime dt(date.str(), time.str());
  if (AOptions.Json)
    AOut << "{\"clock\":" << static_cast<int>(clock.ClockNumber)
         << ",\"date\":" << JsonString(dt.Date) << ",\"time\":" << JsonString(dt.Time)
         << ",\"drift\":" << dt.DriftJson() << "," << ListedClocksJson(listed) << "}\n";
  else
    AOut << dt.Date << '\t' << dt.Time << '\t' << dt.DriftText() << "\n";
  return kExitDone;
}

int RunSetDateTimeCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions,
                          std::ostream& AOut, std::ostream&) {
  std::string date;
  std::string time;
  if (AArgs.empty()) {
    ComputerNow(date, time);
  } else if (AArgs.size() == 2 && AArgs[0][0] != '-' && AArgs[1][0] != '-') {
    date = CheckedDateArg(AArgs[0], "set-datetime");
    time = CheckedTimeArg(AArgs[1], "set-datetime");
  } else if (AArgs.size() == 1 && AArgs[0][0] != '-') {
    throw UsageError{"set-datetime " + AArgs[0], "needs DATE and TIME, or nothing for now"};
  } else {
    RejectLeftovers(AArgs[0][0] == '-' ? AArgs : std::vector<std::string>(AArgs.begin() + 2,
                                                                           AArgs.end()),
                    "set-datetime");
  }

  LineHandle line;
  std::vector<TBasicClock*> listed;
  DetectOnLine(AOptions, line, listed);
  // Every active clock of the line is set, as the line does it.
  const bool accepted = line->SetDateTime(date, time);

  // What the first clock keeps now (it is asked again after a setting).
  TBasicClock& clock = *listed.front();
  TDateStr nowDate;
  TTimeStr nowTime;
  const bool read = clock.GetDateTime(nowDate, nowTime);
  const std::string json = "\"set\":" + JsonBool(accepted) +
                           ",\"clock\":" + std::to_string(static_cast<int>(clock.ClockNumber)) +
                           ",\"date\":" + JsonString(read ? nowDate.str() : "") +
                           ",\"time\":" + JsonString(read ? nowTime.str() : "");
  cli::ThrowIfInterrupted("set-datetime", json);
  if (!accepted)
    throw CliError("clock-refused", "set-datetime " + date + " " + time,
                   "a clock refused the date and time", json);
  if (AOptions.Json)
    AOut << "{" << json << "}\n";
  else if (read)
    AOut << nowDate.str() << '\t' << nowTime.str() << "\n";
  return kExitDone;
}

int RunStatusCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions,
                     std::ostream& AOut, std::ostream&) {
  RejectLeftovers(AArgs, "status");
  LineHandle line;
  std::vector<TBasicClock*> listed;
  DetectOnLine(AOptions, line, listed);
  // Asked afresh; empty and busy then read the codes just kept, as the line combines them.
  const bool connected = line->IsConnected();
  const bool empty = connected && line->WasEmpty();
  const bool busy = connected && line->WasBusy();
  const std::string json = "\"connected\":" + JsonBool(connected) +
                           ",\"empty\":" + JsonBool(empty) + ",\"busy\":" + JsonBool(busy) +
                           "," + ListedClocksJson(listed);
  cli::ThrowIfInterrupted("status", json);
  if (!connected) {
    // A terminal that answered but whose log could not be read says what failed.
    for (const TBasicClock* clock : listed)
      if (!clock->LogProblem().empty())
        throw CliError("no-answer", ClockNumberText(*clock), clock->LogProblem(), json);
    throw CliError("no-answer", "status", "the clocks stopped answering", json);
  }
  if (AOptions.Json)
    AOut << "{" << json << "}\n";
  else
    AOut << "connected\t" << (empty ? "empty" : "records") << '\t' << (busy ? "busy" : "idle")
         << "\n";
  return kExitDone;
}

int RunSerialCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions,
                     std::ostream& AOut, std::ostream&) {
  RejectLeftovers(AArgs, "serial");
  LineHandle line;
  std::vector<TBasicClock*> listed;
  DetectOnLine(AOptions, line, listed);
  TBasicClock& clock = *listed.front();
  const std::string serial = clock.GetSerialNo();
  cli::ThrowIfInterrupted("serial");
  // Only the HDLC clocks keep a serial number they can tell.
  if (serial.empty())
    throw CliError("not-supported", ClockNumberText(clock), "tells no serial number");
  if (AOptions.Json)
    AOut << "{\"clock\":" << static_cast<int>(clock.ClockNumber)
         << ",\"serial\":" << JsonString(serial) << "}\n";
  else
    AOut << serial << "\n";
  return kExitDone;
}
