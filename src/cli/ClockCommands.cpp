// The technician's commands that find the clocks on a line and then ask or set them: detect,
// datetime, set-datetime, status, serial. Each detects first, as the window does before it lets
// the user do anything with a clock.
#include <unistd.h>

#include <iostream>
#include <ostream>

#include "calendar/VexDateTime.h"
#include "cli/Commands.h"
#include "cli/JsonText.h"
#include "platform/Platform.h"

int DetectOnLine(const LineOptions& AOptions, std::ostream& AErr, LineHandle& ALine,
                 std::vector<TBasicClock*>& AListed) {
  ALine = BuildLine(AOptions);
  TClockSet& line = *ALine;
  // The face-recognition terminals are reached by their adapters, each with a connection of its
  // own; the line's socket would only hold the terminal's one connection.
  const bool faceTerminal = ClockFamily(AOptions.Search).FaceTerminal;
  if (!(faceTerminal && line.EffectiveConnectionType() == TcpIp) && !OpenLine(line, AErr))
    return kExitLineNotOpened;

  // A bus scan takes seconds per silent number: a technician at a terminal sees how far it is.
  const bool progress = &AErr == &std::cerr && isatty(STDERR_FILENO) && !AOptions.Trace;
  if (progress) {
    line.OnProbeClock = [&AErr, max = line.MaxClockNumber](std::int32_t ANumber) {
      AErr << "\rprobing clock " << ANumber << " of " << max << "\x1b[K" << std::flush;
    };
  }
  line.DetectClocks(AOptions.Search);
  if (progress) AErr << "\r\x1b[K" << std::flush;
  line.OnProbeClock = nullptr;

  AListed.clear();
  for (auto& clock : line.Clocks())
    if (IsListedClock(clock->ClockType, AOptions.Search)) AListed.push_back(clock.get());
  if (AListed.empty()) {
    AErr << "no clock answered\n";
    return kExitNoAnswer;
  }
  return kExitDone;
}

namespace {
struct ClockDateTime {
  std::string Date;
  std::string Time;
};

ClockDateTime ReadDateTime(TBasicClock& AClock, TClockSearchType ASearch) {
  // The first kind of face terminal told its date and time while it was probed.
  if (ASearch == cstKRMira) return {AClock.MiraClockDateStr.str(), AClock.MiraClockTimeStr.str()};
  TDateStr date;
  TTimeStr time;
  AClock.GetDateTime(date, time);
  return {date.str(), time.str()};
}

// The computer's date (Gregorian, which the clocks recognise by its year) and time.
void ComputerNow(std::string& ADate, std::string& ATime) {
  const TLocalDateTime now = platform::Clock().localNow();
  ADate = std::to_string(now.Year) + "/" + PadNumber(now.Month, 2) + "/" + PadNumber(now.Day, 2);
  ATime = PadNumber(now.Hour, 2) + ":" + PadNumber(now.Minute, 2);
}
}  // namespace

int RunDetectCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions,
                     std::ostream& AOut, std::ostream& AErr) {
  if (!AArgs.empty()) throw UsageError{"detect takes no arguments"};
  LineHandle line;
  std::vector<TBasicClock*> listed;
  const int code = DetectOnLine(AOptions, AErr, line, listed);
  if (code == kExitLineNotOpened) return code;

  std::string json;
  for (TBasicClock* clock : listed) {
    const ClockDateTime dt = ReadDateTime(*clock, AOptions.Search);
    if (AOptions.Json) {
      json += std::string(json.empty() ? "" : ",") +
              "{\"number\":" + std::to_string(clock->ClockNumber) +
              ",\"type\":" + JsonString(ClockTypeToStr(clock->ClockType)) +
              ",\"name\":" + JsonString(clock->ClockName) +
              ",\"firmware\":" + JsonString(clock->FirmwareVer) +
              ",\"date\":" + JsonString(dt.Date) + ",\"time\":" + JsonString(dt.Time) + "}";
    } else {
      AOut << static_cast<int>(clock->ClockNumber) << '\t' << ClockTypeToStr(clock->ClockType)
           << '\t' << clock->ClockName << '\t' << clock->FirmwareVer << '\t' << dt.Date << '\t'
           << dt.Time << "\n";
    }
  }
  if (AOptions.Json) AOut << "{\"clocks\":[" << json << "]}\n";
  return code;
}

int RunDateTimeCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions,
                       std::ostream& AOut, std::ostream& AErr) {
  if (!AArgs.empty()) throw UsageError{"datetime takes no arguments"};
  LineHandle line;
  std::vector<TBasicClock*> listed;
  if (const int code = DetectOnLine(AOptions, AErr, line, listed)) return code;
  TBasicClock& clock = *listed.front();
  TDateStr date;
  TTimeStr time;
  if (!clock.GetDateTime(date, time)) {
    AErr << "clock " << static_cast<int>(clock.ClockNumber) << " did not tell its date and time\n";
    return kExitNoAnswer;
  }
  if (AOptions.Json)
    AOut << "{\"clock\":" << static_cast<int>(clock.ClockNumber)
         << ",\"date\":" << JsonString(date.str()) << ",\"time\":" << JsonString(time.str())
         << "}\n";
  else
    AOut << date.str() << '\t' << time.str() << "\n";
  return kExitDone;
}

int RunSetDateTimeCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions,
                          std::ostream& AOut, std::ostream& AErr) {
  std::string date;
  std::string time;
  if (AArgs.empty()) {
    ComputerNow(date, time);
  } else if (AArgs.size() == 2) {
    date = AArgs[0];
    time = AArgs[1];
    TDateParts parts;
    if (date.size() > 10 || StrToDateParts(date, parts, 0) == dfNone || parts.Month < 1 ||
        parts.Month > 12 || parts.Day < 1 || parts.Day > 31)
      throw UsageError{"not a date: '" + date + "' (YYYY/MM/DD, solar or Gregorian)"};
    if (time.size() > 5 || !IsValidTime(NormalizeTime(time)) ||
        time.find_first_not_of("0123456789:") != std::string::npos)
      throw UsageError{"not a time: '" + time + "' (HH:MM)"};
  } else {
    throw UsageError{"set-datetime takes DATE TIME, or nothing for now"};
  }

  LineHandle line;
  std::vector<TBasicClock*> listed;
  if (const int code = DetectOnLine(AOptions, AErr, line, listed)) return code;
  // Every active clock of the line is set, as the line does it.
  const bool accepted = line->SetDateTime(date, time);
  if (!accepted) AErr << "a clock refused the date and time " << date << " " << time << "\n";

  // What the first clock keeps now (it is asked again after a setting).
  TBasicClock& clock = *listed.front();
  TDateStr nowDate;
  TTimeStr nowTime;
  const bool read = clock.GetDateTime(nowDate, nowTime);
  if (AOptions.Json)
    AOut << "{\"set\":" << JsonBool(accepted)
         << ",\"clock\":" << static_cast<int>(clock.ClockNumber)
         << ",\"date\":" << JsonString(read ? nowDate.str() : "")
         << ",\"time\":" << JsonString(read ? nowTime.str() : "") << "}\n";
  else if (read)
    AOut << nowDate.str() << '\t' << nowTime.str() << "\n";
  return accepted ? kExitDone : kExitNoAnswer;
}

int RunStatusCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions,
                     std::ostream& AOut, std::ostream& AErr) {
  if (!AArgs.empty()) throw UsageError{"status takes no arguments"};
  LineHandle line;
  std::vector<TBasicClock*> listed;
  if (const int code = DetectOnLine(AOptions, AErr, line, listed)) return code;
  // Asked afresh; empty and busy then read the codes just kept, as the line combines them.
  const bool connected = line->IsConnected();
  const bool empty = connected && line->WasEmpty();
  const bool busy = connected && line->WasBusy();
  if (AOptions.Json)
    AOut << "{\"connected\":" << JsonBool(connected) << ",\"empty\":" << JsonBool(empty)
         << ",\"busy\":" << JsonBool(busy) << "}\n";
  else if (connected)
    AOut << "connected\t" << (empty ? "empty" : "records") << '\t' << (busy ? "busy" : "idle")
         << "\n";
  else
    AOut << "disconnected\n";
  return connected ? kExitDone : kExitNoAnswer;
}

int RunSerialCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions,
                     std::ostream& AOut, std::ostream& AErr) {
  if (!AArgs.empty()) throw UsageError{"serial takes no arguments"};
  LineHandle line;
  std::vector<TBasicClock*> listed;
  if (const int code = DetectOnLine(AOptions, AErr, line, listed)) return code;
  TBasicClock& clock = *listed.front();
  const std::string serial = clock.GetSerialNo();
  if (serial.empty()) {
    // Only the HDLC clocks keep a serial number they can tell.
    AErr << "clock " << static_cast<int>(clock.ClockNumber) << " tells no serial number\n";
    return kExitNoAnswer;
  }
  if (AOptions.Json)
    AOut << "{\"clock\":" << static_cast<int>(clock.ClockNumber)
         << ",\"serial\":" << JsonString(serial) << "}\n";
  else
    AOut << serial << "\n";
  return kExitDone;
}
