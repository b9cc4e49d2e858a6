// Scenario text of clocksim.
//
// One statement per line; "#" starts a comment that runs to the end of the line; blank lines
// are ignored; keywords and values are not case-sensitive except texts. Statements given on the
// command line (clocksim -e) may also be separated by ";". Texts (name, firmware) take the rest
// of the line and may carry any byte as \xHH (\\ is a backslash, \x23 a "#", \x3B a ";").
//
// The line:
//   protocol RS232|RS485        RS232 (default): one clock on the line; RS485: a bus of clocks
//
// Clocks. "clock N" (N = 1..32, the clock number and bus address) starts clock N, or goes back
// to it; the statements after it describe that clock. In each source (the file, the command
// line), statements that describe a clock before any "clock" describe clock 1. Clock 1 made that
// way is the default clock and comes with three sample records; a clock started by "clock N"
// has no records until given some. A scenario with no clock at all is the default scenario.
//   name TEXT                   identification name, at most 20 bytes (default "KR-Tal 100")
//   firmware TEXT               firmware text, at most 25 bytes (default "VER 3.10")
//   kind auto|short|lumen|corax record form and commands; auto (default) goes by the name:
//                               "KR-CO" is corax, "LUMEN" is lumen, anything else short
//   second-code yes|no          short form with the second code (default yes)
//   status auto|0|1|2|3         auto (default): "0" with records, "1" without, +2 when busy
//   busy yes|no
//   calendar solar|gregorian    the clock's calendar (default solar)
//   datetime YYYY/MM/DD HH:MM[:SS] | now
//                               the clock's date and time in its calendar; now: the computer's
//                               local time. Default 1403/09/18 10:30 (solar) or 2024/12/08 10:30
//                               (gregorian). The clock runs from the moment clocksim starts.
//   shown-datetime YYYY/MM/DD HH:MM
//                               a broken clock: the date and time it tells whatever it was set
//                               to, possible or not (0000/13/45 10:30); HDLC clocks: Gregorian
//   baud N|any                  the clock's speed; at another speed it hears noise (default any)
//   latency MS                  ms between a command and its reply (default 5)
//   record CARD DATE TIME [event=0..3] [finger] [type2=XX] [seq=A..Z] [card] [camera]
//          [picture=N] [nuls=N]
//                               a record: CARD decimal digits (at most 8, 10 for corax), DATE
//                               YYYY/MM/DD in the clock's calendar, TIME HH:MM; event code
//                               0 by default; type2 "00"; seq: the clock's next letter;
//                               card, camera: the HDLC record's card and camera flags;
//                               picture=N: a picture of N bytes (0..33161215, the most the
//                               block numbers carry; the tool takes at most 1000000) taken
//                               with the record (sets the camera flag); nuls=N: text clocks
//                               send the card followed by N NUL bytes (a broken card reader;
//                               the check byte is right)
//   camera yes|no               text clocks: the clock has a camera and hands out the records'
//                               pictures (default no; "ACM?" is answered "I" without one)
//   pointer N                   the memory position of the oldest record (default 1): text
//                               clocks give it as the picture pointer ("ARI?"), HDLC clocks as
//                               the read position ("Q" 20h)
//   block N                     HDLC: records per record block (1..4681, default 3)
//   samples N                   N sample records dated the day before the clock's date, placed
//                               before the clock's own records
//   clear-records               drops the records given so far (and the samples)
//   ready yes|no                RS232: whether 07h is answered "!" (default yes)
// For clocks on an HDLC line, besides name, firmware, status, calendar, datetime and records:
//   description TEXT            the device description, at most 60 bytes; default: the name,
//                               the firmware as "Ver ..." (a leading "VER" is written "Ver"),
//                               "Rec 50000" and "CAM", each followed by ";"
//   serial N                    the serial number, 0..4294967295 (default 1234567)
//   prefix xy|xyz|none          what comes before the date-time answer and the record blocks
//                               (default xy; an Ember may send xyz)
//   misbehave KIND [times=N|always] [cmd=HH]
//                               KIND: silence | delay MS | bytewise MS | garbage HEX | badcheck
//                               | flood HEX MS
//                               silence: no reply; delay: MS more before the reply; bytewise:
//                               one byte every MS; garbage: the bytes HEX (e.g. 3334) before the
//                               reply; badcheck: a wrong check byte in date-time and record
//                               replies; flood: in place of the reply, the bytes HEX every MS
//                               and never again a reply or an end (with garbage: those bytes
//                               first, e.g. garbage 7E and flood 55 900 is an HDLC frame that
//                               drips a byte every 0.9 s).
//                               times=N: the next N replies only (default always);
//                               cmd=HH: only replies to commands starting with byte HH.
//                               Records and pictures: corrupt (a record with a right check
//                               byte but an hour of 25; HDLC: the block's first record with a
//                               wrong check byte), badblock (a picture block with a wrong check
//                               byte), wrongblock (a picture block numbered one too high),
//                               lostblock (a picture block not sent); the picture kinds spoil
//                               the second block of a transfer (the first of a one-block one).
#include "models/Scenario.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <sstream>

#include "models/ClockPictures.h"
#include "models/HdlcBusModel.h"
#include "models/HdlcRecordStore.h"
#include "models/Rs485BusModel.h"

namespace sim {

namespace {

std::string lower(std::string AText) {
  for (auto& ch : AText) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return AText;
}

std::string trim(const std::string& AText) {
  const auto first = AText.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = AText.find_last_not_of(" \t\r\n");
  return AText.substr(first, last - first + 1);
}

std::vector<std::string> words(const std::string& AText) {
  std::istringstream in(AText);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

bool allDigits(const std::string& AText) {
  return !AText.empty() && std::all_of(AText.begin(), AText.end(), [](char ch) {
    return std::isdigit(static_cast<unsigned char>(ch)) != 0;
  });
}

int hexValue(char ACh) {
  if (ACh >= '0' && ACh <= '9') return ACh - '0';
  const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(ACh)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

[[noreturn]] void fail(const std::string& AWhere, const std::string& AMessage) {
  throw ScenarioError(AWhere + ": " + AMessage);
}

// A whole number in [AMin, AMax], or an error naming AWhat.
int integer(const std::string& AText, int AMin, int AMax, const std::string& AWhat,
            const std::string& AWhere) {
  if (!allDigits(AText) || AText.size() > 9) fail(AWhere, AWhat + ": not a number: " + AText);
  const int v = std::stoi(AText);
  if (v < AMin || v > AMax)
    fail(AWhere,
         AWhat + " must be " + std::to_string(AMin) + " to " + std::to_string(AMax) + ": " + AText);
  return v;
}

bool yesNo(const std::string& AText, const std::string& AWhat, const std::string& AWhere) {
  const std::string v = lower(AText);
  if (v == "yes" || v == "on" || v == "true" || v == "1") return true;
  if (v == "no" || v == "off" || v == "false" || v == "0") return false;
  fail(AWhere, AWhat + ": expected yes or no: " + AText);
}

std::string unescape(const std::string& AText, const std::string& AWhere) {
  std::string out;
  for (std::size_t i = 0; i < AText.size(); ++i) {
    if (AText[i] != '\\') {
      out += AText[i];
    } else if (i + 1 < AText.size() && AText[i + 1] == '\\') {
      out += '\\';
      ++i;
    } else if (i + 3 < AText.size() && (AText[i + 1] == 'x' || AText[i + 1] == 'X') &&
               hexValue(AText[i + 2]) >= 0 && hexValue(AText[i + 3]) >= 0) {
      out += static_cast<char>(hexValue(AText[i + 2]) * 16 + hexValue(AText[i + 3]));
      i += 3;
    } else {
      fail(AWhere, "bad escape in text (use \\xHH or \\\\): " + AText);
    }
  }
  return out;
}

std::string hexBytes(const std::string& AText, const std::string& AWhere) {
  std::string digits;
  for (char ch : AText)
    if (ch != ' ' && ch != ':' && ch != '-') digits += ch;
  if (digits.empty() || digits.size() % 2 != 0)
    fail(AWhere, "expected hexadecimal bytes (e.g. 3334): " + AText);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int hi = hexValue(digits[i]), lo = hexValue(digits[i + 1]);
    if (hi < 0 || lo < 0) fail(AWhere, "expected hexadecimal bytes (e.g. 3334): " + AText);
    out += static_cast<char>(hi * 16 + lo);
  }
  return out;
}

// "YYYY/MM/DD" into the date part of ADateTime (not checked against a calendar here).
void parseDate(const std::string& AText, SimDateTime& ADateTime, const std::string& AWhere) {
  if (AText.size() != 10 || AText[4] != '/' || AText[7] != '/' ||
      !allDigits(AText.substr(0, 4) + AText.substr(5, 2) + AText.substr(8, 2)))
    fail(AWhere, "expected a date YYYY/MM/DD: " + AText);
  ADateTime.Year = std::stoi(AText.substr(0, 4));
  ADateTime.Month = std::stoi(AText.substr(5, 2));
  ADateTime.Day = std::stoi(AText.substr(8, 2));
}

// "HH:MM" or "HH:MM:SS" into the time part of ADateTime.
void parseTime(const std::string& AText, SimDateTime& ADateTime, const std::string& AWhere) {
  const bool seconds = AText.size() == 8;
  if ((AText.size() != 5 && !seconds) || AText[2] != ':' || (seconds && AText[5] != ':') ||
      !allDigits(AText.substr(0, 2) + AText.substr(3, 2) + (seconds ? AText.substr(6, 2) : "")))
    fail(AWhere, "expected a time HH:MM or HH:MM:SS: " + AText);
  ADateTime.Hour = std::stoi(AText.substr(0, 2));
  ADateTime.Minute = std::stoi(AText.substr(3, 2));
  ADateTime.Second = seconds ? std::stoi(AText.substr(6, 2)) : 0;
  if (ADateTime.Hour > 23 || ADateTime.Minute > 59 || ADateTime.Second > 59)
    fail(AWhere, "no such time: " + AText);
}

// A record reply carries one CR, before its check byte. A check byte of 0Dh makes a second one,
// and the receiver takes both out.
bool hasStrayCr(const std::string& AReply) {
  return std::count(AReply.begin(), AReply.end(), '\x0D') != 1;
}

SimDateTime defaultDateTime(SimCalendar ACalendar) {
  return ACalendar == SimCalendar::Solar ? SimDateTime{1403, 9, 18, 10, 30, 0}
                                         : SimDateTime{2024, 12, 8, 10, 30, 0};
}

SimDateTime computerNow() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

// Sample records: the day before ADate, at fixed hours, with cards and events that show the
// usual cases (entry, exit, finger print).
std::vector<ClockRecord> samples(int ACount, SimCalendar ACalendar, const SimDateTime& ADate,
                                 const TextClockModel& AShape) {
  static const char* const kCards[] = {"12345", "54321", "777", "1000001", "20406080"};
  static const int kHours[] = {8, 12, 16, 9, 17};
  std::vector<ClockRecord> out;
  SimDateTime day = simcal::addSeconds(ACalendar, ADate, -86400);
  for (int i = 0; i < ACount; ++i) {
    ClockRecord r;
    r.Card = kCards[i % 5];
    r.When = day;
    r.When.Hour = kHours[i % 5];
    r.When.Minute = (i * 7 + 1) % 60;
    r.When.Second = 0;
    r.Event = i % 2;
    r.Finger = i % 3 == 2;
    r.Sequence = static_cast<char>('A' + i % 26);
    // A check byte of 0Dh would be taken out with the CR by the receiver: move such a sample
    // by a minute (a sample has no reason to be hard to read).
    for (int tries = 0; tries < 60 && hasStrayCr(AShape.recordReply(r)); ++tries)
      r.When.Minute = (r.When.Minute + 1) % 60;
    out.push_back(r);
  }
  return out;
}

}  // namespace

ScenarioParser::ScenarioParser() : LocalNow(computerNow) {}

ScenarioParser::ClockDraft& ScenarioParser::current(const std::string& AWhere) {
  if (FCurrent == 0) {
    auto [it, added] = FClocks.try_emplace(1);
    if (added) {
      it->second.Settings.Number = 1;
      it->second.Samples = 3;
      it->second.Where = AWhere;
    }
    FCurrent = 1;
  }
  return FClocks.at(FCurrent);
}

void ScenarioParser::parse(const std::string& AText, const std::string& ASource, bool ASemicolons) {
  FCurrent = 0;
  std::istringstream in(AText);
  int lineNo = 0;
  for (std::string line; std::getline(in, line);) {
    ++lineNo;
    const auto hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    std::vector<std::string> parts;
    if (ASemicolons) {
      std::istringstream stmts(line);
      for (std::string s; std::getline(stmts, s, ';');) parts.push_back(s);
    } else {
      parts.push_back(line);
    }
    int partNo = 0;
    for (const auto& part : parts) {
      ++partNo;
      const std::string where =
          ASource + ":" + std::to_string(lineNo) +
          (parts.size() > 1 ? " (statement " + std::to_string(partNo) + ")" : "");
      if (!trim(part).empty()) statement(trim(part), where);
    }
  }
}

void ScenarioParser::statement(const std::string& ALine, const std::string& AWhere) {
  const auto space = ALine.find_first_of(" \t");
  const std::string keyword = lower(ALine.substr(0, space));
  const std::string rest = space == std::string::npos ? std::string() : trim(ALine.substr(space));
  const std::vector<std::string> args = words(rest);
  auto needArgs = [&](std::size_t AMin, std::size_t AMax) {
    if (args.size() < AMin || args.size() > AMax)
      fail(AWhere, "\"" + keyword + "\" takes " +
                       (AMin == AMax ? std::to_string(AMin)
                                     : std::to_string(AMin) + " to " + std::to_string(AMax)) +
                       " value(s)");
  };

  // The first kind of face terminal, broken: not about the current clock.
  if (keyword == "mira-shown-time") {
    if (rest.empty()) fail(AWhere, "\"mira-shown-time\" needs a text");
    FMiraShownTime = rest;
    return;
  }
  if (keyword == "mira-odd-record") {
    // ID STATUS TEXT: the text, to the end of the line, is sent as the record's time.
    if (args.size() < 3) fail(AWhere, "\"mira-odd-record\" takes ID STATUS TIME-TEXT");
    MiraOddRecord r;
    r.Id = args[0];
    r.Status = integer(args[1], 0, 8, "mira-odd-record status", AWhere);
    const std::size_t at = rest.find(args[1], args[0].size());
    r.TimeText = trim(rest.substr(at + args[1].size()));
    FMiraOddRecords.push_back(r);
    return;
  }
  // The port-4370 terminal's log: not about the current clock.
  if (keyword == "zk-data-frames") {
    if (args.size() != 2) fail(AWhere, "\"zk-data-frames\" takes N MS");
    FZkDataFrameBytes = integer(args[0], 1, 65472, "zk-data-frames bytes", AWhere);
    FZkDataFrameGapMs = integer(args[1], 0, 60000, "zk-data-frames ms", AWhere);
    return;
  }
  if (keyword == "zk-link") {
    if (args.size() != 2) fail(AWhere, "\"zk-link\" takes KBITS MS");
    FZkLinkKbps = integer(args[0], 0, 1000000, "zk-link kbit/s", AWhere);
    FZkTurnaroundMs = integer(args[1], 0, 60000, "zk-link ms", AWhere);
    return;
  }
  if (keyword == "zk-refuse-clear") {
    if (!args.empty()) fail(AWhere, "\"zk-refuse-clear\" takes no value");
    FZkRefuseClear = true;
    return;
  }
  if (keyword == "zk-odd-record" || keyword == "zk-punch-during-read") {
    // A record as a broken terminal keeps it (any user text, "-" for none; a day or time that
    // does not exist but fits the terminal's time encoding), or a punch stored during a read.
    const bool odd = keyword == "zk-odd-record";
    const std::size_t at = odd ? 0 : 1;
    if (args.size() != at + 4)
      fail(AWhere, "\"" + keyword + "\" takes " + (odd ? "" : "READ ") +
                       "USER YYYY-MM-DD HH:MM:SS MODE");
    ZkLogRecord r;
    r.User = args[at] == "-" ? std::string() : args[at];
    if (r.User.size() > 24) fail(AWhere, keyword + ": the user is at most 24 bytes: " + r.User);
    std::string date = args[at + 1];
    if (date.size() == 10 && date[4] == '-' && date[7] == '-') date[4] = date[7] = '/';
    parseDate(date, r.When, AWhere);
    const std::string& time = args[at + 2];
    if (time.size() != 8 || time[2] != ':' || time[5] != ':' ||
        !allDigits(time.substr(0, 2) + time.substr(3, 2) + time.substr(6, 2)))
      fail(AWhere, "expected a time HH:MM:SS: " + time);
    r.When.Hour = std::stoi(time.substr(0, 2));
    r.When.Minute = std::stoi(time.substr(3, 2));
    r.When.Second = std::stoi(time.substr(6, 2));
    if (!odd && !simcal::isValid(SimCalendar::Gregorian, r.When))
      fail(AWhere, keyword + ": no such Gregorian date: " + args[at + 1]);
    if (r.When.Year < 2000 || r.When.Year > 2099 || r.When.Month < 1 || r.When.Month > 12 ||
        r.When.Day < 1 || r.When.Day > 31 || r.When.Hour > 23 || r.When.Minute > 59 ||
        r.When.Second > 59)
      fail(AWhere, keyword + ": the terminal cannot keep " + args[at + 1] + " " + time);
    r.InOutMode = integer(args[at + 3], 0, 255, keyword + " mode", AWhere);
    FZkLogGiven = true;
    if (odd)
      FZkRecords.push_back(r);
    else
      FZkPunchesDuringRead.push_back({integer(args[0], 1, 1000000, "READ", AWhere), r});
    return;
  }
  if (keyword == "zk-records" || keyword == "zk-record") {
    FZkLogGiven = true;
    if (keyword == "zk-records") {
      if (args.size() != 1) fail(AWhere, "\"zk-records\" takes 1 value(s)");
      FZkRecordCount = integer(args[0], 0, 1000000, "zk-records", AWhere);
      return;
    }
    if (args.size() != 4) fail(AWhere, "\"zk-record\" takes USER YYYY-MM-DD HH:MM:SS MODE");
    ZkLogRecord r;
    r.User = args[0];
    if (r.User.size() > 9 || !allDigits(r.User))
      fail(AWhere, "zk-record: the user is at most 9 digits: " + r.User);
    std::string date = args[1];
    if (date.size() == 10 && date[4] == '-' && date[7] == '-') date[4] = date[7] = '/';
    parseDate(date, r.When, AWhere);
    parseTime(args[2], r.When, AWhere);
    if (!simcal::isValid(SimCalendar::Gregorian, r.When))
      fail(AWhere, "zk-record: no such Gregorian date: " + args[1]);
    r.InOutMode = integer(args[3], 0, 255, "zk-record mode", AWhere);
    FZkRecords.push_back(r);
    return;
  }
  if (keyword == "protocol") {
    needArgs(1, 1);
    const std::string p = lower(args[0]);
    if (p == "rs232")
      FProtocol = Scenario::Protocol::RS232;
    else if (p == "rs485")
      FProtocol = Scenario::Protocol::RS485;
    else if (p == "hdlc")
      FProtocol = Scenario::Protocol::Hdlc;
    else
      fail(AWhere, "protocol must be RS232, RS485 or Hdlc: " + args[0]);
    return;
  }
  if (keyword == "clock") {
    needArgs(1, 1);
    const int n = integer(args[0], 1, 32, "clock number", AWhere);
    auto [it, added] = FClocks.try_emplace(n);
    if (added) {
      it->second.Settings.Number = n;
      it->second.Where = AWhere;
    }
    FCurrent = n;
    return;
  }

  ClockDraft& c = current(AWhere);
  TextClockSettings& s = c.Settings;
  if (keyword == "name" || keyword == "firmware") {
    if (rest.empty()) fail(AWhere, "\"" + keyword + "\" needs a text");
    const std::string text = unescape(rest, AWhere);
    const std::size_t limit = keyword == "name" ? 20 : 25;
    if (text.size() > limit)
      fail(AWhere, keyword + " longer than " + std::to_string(limit) + " bytes: " + rest);
    (keyword == "name" ? s.Name : s.Firmware) = text;
  } else if (keyword == "kind") {
    needArgs(1, 1);
    const std::string k = lower(args[0]);
    if (k == "auto")
      s.Kind = TextClockKind::Auto;
    else if (k == "short")
      s.Kind = TextClockKind::Short;
    else if (k == "lumen")
      s.Kind = TextClockKind::Lumen;
    else if (k == "corax")
      s.Kind = TextClockKind::Corax;
    else
      fail(AWhere, "kind must be auto, short, lumen or corax: " + args[0]);
  } else if (keyword == "second-code") {
    needArgs(1, 1);
    s.SecondCode = yesNo(args[0], keyword, AWhere);
  } else if (keyword == "status") {
    needArgs(1, 1);
    s.ForcedStatus = lower(args[0]) == "auto" ? -1 : integer(args[0], 0, 3, "status", AWhere);
  } else if (keyword == "busy") {
    needArgs(1, 1);
    s.Busy = yesNo(args[0], keyword, AWhere);
  } else if (keyword == "calendar") {
    needArgs(1, 1);
    const std::string k = lower(args[0]);
    if (k == "solar")
      s.Calendar = SimCalendar::Solar;
    else if (k == "gregorian")
      s.Calendar = SimCalendar::Gregorian;
    else
      fail(AWhere, "calendar must be solar or gregorian: " + args[0]);
  } else if (keyword == "shown-datetime") {
    // Any numbers, so that a broken clock can be played: "0000/13/45 24:60".
    needArgs(2, 2);
    const std::string& date = args[0];
    const std::string& time = args[1];
    if (date.size() != 10 || date[4] != '/' || date[7] != '/' || time.size() != 5 ||
        time[2] != ':' ||
        !allDigits(date.substr(0, 4) + date.substr(5, 2) + date.substr(8, 2) + time.substr(0, 2) +
                   time.substr(3, 2)))
      fail(AWhere, "shown-datetime takes YYYY/MM/DD HH:MM (any digits): " + rest);
    s.ShownDateTime = SimDateTime{std::stoi(date.substr(0, 4)), std::stoi(date.substr(5, 2)),
                                  std::stoi(date.substr(8, 2)), std::stoi(time.substr(0, 2)),
                                  std::stoi(time.substr(3, 2)), 0};
  } else if (keyword == "datetime") {
    if (args.size() == 1 && lower(args[0]) == "now") {
      c.DateTimeNow = true;
      c.DateTimeGiven = true;
      return;
    }
    needArgs(2, 2);
    SimDateTime d;
    parseDate(args[0], d, AWhere);
    parseTime(args[1], d, AWhere);
    if (!simcal::isValid(s.Calendar, d))
      fail(AWhere, "no such date in the clock's calendar: " + args[0]);
    s.DateTime = d;
    c.DateTimeGiven = true;
    c.DateTimeNow = false;
  } else if (keyword == "camera") {
    needArgs(1, 1);
    s.Camera = yesNo(args[0], keyword, AWhere);
  } else if (keyword == "pointer") {
    needArgs(1, 1);
    s.RecordPointer = integer(args[0], 0, 99999, "pointer", AWhere);
  } else if (keyword == "block") {
    needArgs(1, 1);
    s.RecordsPerBlock = integer(args[0], 1, 4681, "block", AWhere);
  } else if (keyword == "ready") {
    needArgs(1, 1);
    s.Ready = yesNo(args[0], keyword, AWhere);
  } else if (keyword == "description") {
    if (rest.empty()) fail(AWhere, "\"description\" needs a text");
    const std::string text = unescape(rest, AWhere);
    if (text.size() > 60) fail(AWhere, "description longer than 60 bytes: " + rest);
    s.Description = text;
  } else if (keyword == "serial") {
    needArgs(1, 1);
    if (!allDigits(args[0]) || args[0].size() > 10 || std::stoull(args[0]) > 0xFFFFFFFFull)
      fail(AWhere, "serial must be a number 0..4294967295: " + args[0]);
    s.SerialNumber = static_cast<std::uint32_t>(std::stoull(args[0]));
  } else if (keyword == "prefix") {
    needArgs(1, 1);
    const std::string k = lower(args[0]);
    if (k == "xy")
      s.DateTimePrefix = "XY";
    else if (k == "xyz")
      s.DateTimePrefix = "XYZ";
    else if (k == "none")
      s.DateTimePrefix.clear();
    else
      fail(AWhere, "prefix must be xy, xyz or none: " + args[0]);
  } else if (keyword == "baud") {
    needArgs(1, 1);
    s.Baud = lower(args[0]) == "any" ? 0 : integer(args[0], 50, 4000000, "baud", AWhere);
  } else if (keyword == "latency") {
    needArgs(1, 1);
    s.LatencyMs = static_cast<std::uint32_t>(integer(args[0], 0, 600000, "latency", AWhere));
  } else if (keyword == "record") {
    if (args.size() < 3) fail(AWhere, "\"record\" needs CARD DATE TIME");
    ClockRecord r;
    if (!allDigits(args[0])) fail(AWhere, "card number must be decimal digits: " + args[0]);
    if (args[0].size() > 10) fail(AWhere, "card number longer than 10 digits: " + args[0]);
    r.Card = args[0];
    parseDate(args[1], r.When, AWhere);
    parseTime(args[2], r.When, AWhere);
    if (!simcal::isValid(s.Calendar, r.When))
      fail(AWhere, "no such date in the clock's calendar: " + args[1]);
    for (std::size_t i = 3; i < args.size(); ++i) {
      const std::string a = lower(args[i]);
      if (a == "finger") {
        r.Finger = true;
      } else if (a.rfind("event=", 0) == 0) {
        r.Event = integer(a.substr(6), 0, 3, "event", AWhere);
      } else if (a.rfind("type2=", 0) == 0) {
        if (args[i].size() != 8) fail(AWhere, "type2 takes two characters: " + args[i]);
        r.RecType2 = args[i].substr(6);
      } else if (a.rfind("seq=", 0) == 0) {
        const std::string v = args[i].substr(4);
        if (v.size() != 1 || v[0] < 'A' || v[0] > 'Z')
          fail(AWhere, "seq takes one letter A to Z: " + args[i]);
        r.Sequence = v[0];
      } else if (a == "card") {
        r.CardUsed = true;
      } else if (a == "camera") {
        r.Camera = true;
      } else if (a.rfind("nuls=", 0) == 0) {
        r.Card += std::string(static_cast<std::size_t>(integer(a.substr(5), 1, 10, "nuls", AWhere)), '\0');
      } else if (a.rfind("picture=", 0) == 0) {
        const int size = integer(a.substr(8), 0, kMostPictureBytes, "picture", AWhere);
        r.Picture = samplePicture(static_cast<std::size_t>(size),
                                  static_cast<std::uint32_t>(s.Records.size() + 1));
        r.Camera = true;
      } else {
        fail(AWhere, "unknown record option: " + args[i]);
      }
    }
    s.Records.push_back(r);
  } else if (keyword == "samples") {
    needArgs(1, 1);
    c.Samples = integer(args[0], 0, 100, "samples", AWhere);
  } else if (keyword == "clear-records") {
    needArgs(0, 0);
    s.Records.clear();
    c.Samples = 0;
  } else if (keyword == "misbehave") {
    if (args.empty()) fail(AWhere, "\"misbehave\" needs a kind");
    Misbehaviour m;
    const std::string k = lower(args[0]);
    std::size_t next = 1;
    auto value = [&](const std::string& AWhat) -> std::string {
      if (next >= args.size() || args[next].find('=') != std::string::npos)
        fail(AWhere, "misbehave " + k + " needs " + AWhat);
      return args[next++];
    };
    if (k == "silence") {
      m.Kind = MisbehaviourKind::Silence;
    } else if (k == "delay") {
      m.Kind = MisbehaviourKind::Delay;
      m.Ms = static_cast<std::uint32_t>(integer(value("MS"), 0, 600000, "delay", AWhere));
    } else if (k == "bytewise") {
      m.Kind = MisbehaviourKind::ByteByByte;
      m.Ms = static_cast<std::uint32_t>(integer(value("MS"), 0, 60000, "bytewise", AWhere));
    } else if (k == "garbage") {
      m.Kind = MisbehaviourKind::Garbage;
      m.Bytes = hexBytes(value("HEX"), AWhere);
    } else if (k == "badcheck") {
      m.Kind = MisbehaviourKind::WrongCheck;
    } else if (k == "flood") {
      m.Kind = MisbehaviourKind::Flood;
      m.Bytes = hexBytes(value("HEX"), AWhere);
      m.Ms = static_cast<std::uint32_t>(integer(value("MS"), 1, 60000, "flood", AWhere));
    } else if (k == "corrupt") {
      m.Kind = MisbehaviourKind::CorruptRecord;
    } else if (k == "badblock") {
      m.Kind = MisbehaviourKind::BadBlockCheck;
    } else if (k == "wrongblock") {
      m.Kind = MisbehaviourKind::WrongBlockNumber;
    } else if (k == "lostblock") {
      m.Kind = MisbehaviourKind::LostBlock;
    } else {
      fail(AWhere,
           "unknown misbehaviour (silence, delay, bytewise, garbage, badcheck, flood, corrupt, "
           "badblock, wrongblock, lostblock): " +
               args[0]);
    }
    for (; next < args.size(); ++next) {
      const std::string a = lower(args[next]);
      if (a == "always") {
        m.Times = kAlways;
      } else if (a.rfind("times=", 0) == 0) {
        m.Times = integer(a.substr(6), 1, 1000000, "times", AWhere);
      } else if (a.rfind("cmd=", 0) == 0) {
        m.Command = hexBytes(a.substr(4), AWhere).substr(0, 1);
      } else {
        fail(AWhere, "unknown misbehave option: " + args[next]);
      }
    }
    s.Misbehaviours.push_back(m);
  } else {
    fail(AWhere, "unknown statement \"" + keyword + "\"");
  }
}

Scenario ScenarioParser::finish() {
  if (FClocks.empty()) current("default");
  Scenario sc;
  sc.LineProtocol = FProtocol;
  sc.ZkLogGiven = FZkLogGiven;
  sc.ZkRecordCount = FZkRecordCount;
  sc.ZkRecords = FZkRecords;
  sc.ZkPunchesDuringRead = FZkPunchesDuringRead;
  sc.MiraShownTime = FMiraShownTime;
  sc.MiraOddRecords = FMiraOddRecords;
  sc.ZkDataFrameBytes = FZkDataFrameBytes;
  sc.ZkDataFrameGapMs = FZkDataFrameGapMs;
  sc.ZkLinkKbps = FZkLinkKbps;
  sc.ZkTurnaroundMs = FZkTurnaroundMs;
  sc.ZkRefuseClear = FZkRefuseClear;
  if (FProtocol == Scenario::Protocol::RS232 && FClocks.size() > 1)
    throw ScenarioError("protocol RS232 serves one clock, the scenario has " +
                        std::to_string(FClocks.size()) + " (use protocol RS485 for a bus)");
  for (auto& [number, draft] : FClocks) {
    TextClockSettings s = draft.Settings;
    const std::string who = "clock " + std::to_string(number) + " (" + draft.Where + ")";
    if (draft.DateTimeNow)
      s.DateTime = simcal::convert(LocalNow(), SimCalendar::Gregorian, s.Calendar);
    else if (!draft.DateTimeGiven)
      s.DateTime = defaultDateTime(s.Calendar);
    if (!simcal::isValid(s.Calendar, s.DateTime))
      throw ScenarioError(who + ": no such date in its calendar: " + simcal::toString(s.DateTime));
    const TextClockModel shape(s);
    const std::size_t width = shape.kind() == TextClockKind::Corax ? 10 : 8;
    for (const auto& r : s.Records) {
      if (!simcal::isValid(s.Calendar, r.When))
        throw ScenarioError(
            who + ": record of card " + r.Card +
            ": no such date in the clock's calendar: " + simcal::toString(r.When).substr(0, 16));
      if (r.Card.size() > width)
        throw ScenarioError(who + ": card number " + r.Card + " longer than " +
                            std::to_string(width) + " digits");
    }
    auto sample = samples(draft.Samples, s.Calendar, s.DateTime, shape);
    s.Records.insert(s.Records.begin(), sample.begin(), sample.end());
    const TextClockModel built(s);
    for (const auto& r : built.records()) {
      const std::string reply = built.recordReply(r);
      if (hasStrayCr(reply))
        sc.Warnings.push_back(who + ": the record of card " + r.Card +
                              " has the check byte 0Dh; the tool will take it out with the CR "
                              "and see a broken record");
    }
    sc.Clocks.push_back(std::move(s));
  }
  return sc;
}

std::string hdlcDescription(const TextClockSettings& ASettings) {
  if (!ASettings.Description.empty()) return ASettings.Description;
  // The tool takes the field that contains "Ver" (letter case matters) as the firmware.
  std::string firmware = ASettings.Firmware;
  if (firmware.find("Ver") == std::string::npos) {
    if (lower(firmware.substr(0, 3)) == "ver")
      firmware = "Ver" + firmware.substr(3);
    else
      firmware = "Ver " + firmware;
  }
  return ASettings.Name + ";" + firmware + ";Rec 50000;CAM;";
}

Scenario defaultScenario() {
  ScenarioParser p;
  return p.finish();
}

std::unique_ptr<DeviceModel> buildModel(const Scenario& AScenario,
                                        std::function<std::uint64_t()> ANowMs) {
  if (AScenario.LineProtocol == Scenario::Protocol::RS485) {
    auto bus = std::make_unique<Rs485BusModel>();
    for (const auto& s : AScenario.Clocks) {
      auto& c = bus->addClock(s);
      if (ANowMs) c.setTimeSource(ANowMs);
    }
    return bus;
  }
  if (AScenario.LineProtocol == Scenario::Protocol::Hdlc) {
    auto bus = std::make_unique<HdlcBusModel>();
    for (const auto& s : AScenario.Clocks) {
      auto& c = bus->addClock(static_cast<std::uint8_t>(s.Number));
      // The records, their pictures and the commands that read them.
      HdlcRecordStore::install(c, s.Records, s.RecordPointer)->RecordsPerBlock = s.RecordsPerBlock;
      for (const auto& m : s.Misbehaviours) c.Shaper.add(m);
      c.DeviceDescription = hdlcDescription(s);
      c.Calendar = s.Calendar;
      c.setDateTime(s.DateTime);
      c.DateTimePrefix = s.DateTimePrefix;
      c.ShownDateTime = s.ShownDateTime;
      c.SerialNumber = s.SerialNumber;
      if (ANowMs) c.setTimeSource(ANowMs);
    }
    return bus;
  }
  auto clock = std::make_unique<TextClockModel>(
      AScenario.Clocks.empty() ? TextClockSettings{} : AScenario.Clocks.front());
  if (ANowMs) clock->setTimeSource(ANowMs);
  return clock;
}

std::string scenarioHelp() {
  return R"(Scenario: one statement per line ("#" starts a comment). With -e, statements may
also be separated by ";". Texts may carry any byte as \xHH (\\ is a backslash).

  protocol RS232|RS485|Hdlc   RS232 (default): one clock; RS485: a bus of clocks; Hdlc: one
                              or more clocks on the framed protocol, with sessions
  clock N                     starts clock N (1..32, its bus address) or goes back to it
Statements below describe the current clock; before any "clock" in a source they describe
clock 1, the default clock, which comes with three sample records.
  name TEXT                   identification name, at most 20 bytes (default "KR-Tal 100")
  firmware TEXT               at most 25 bytes (default "VER 3.10")
  kind auto|short|lumen|corax auto goes by the name ("KR-CO": corax, "LUMEN": lumen)
  second-code yes|no          short records with the second code (default yes)
  status auto|0|1|2|3         auto: "0" with records, "1" without, +2 when busy
  busy yes|no
  calendar solar|gregorian    default solar
  datetime YYYY/MM/DD HH:MM[:SS] | now
                              in the clock's calendar; default 1403/09/18 10:30 (solar),
                              2024/12/08 10:30 (gregorian); the clock runs from the start
  shown-datetime YYYY/MM/DD HH:MM
                              a broken clock: the date and time it tells, whatever it was
                              set to, possible or not (0000/13/45 10:30, 1403/09/18 24:60;
                              HDLC clocks: Gregorian)
  baud N|any                  the clock's speed on a serial line (default any)
  ready yes|no                RS232: 07h answered "!" (ready to be set) or not (default yes)
  latency MS                  ms before a reply (default 5)
  record CARD YYYY/MM/DD HH:MM [event=0..3] [finger] [type2=XX] [seq=A..Z]
         [card] [camera] [picture=N] [nuls=N]
                              card, camera: HDLC flags; picture=N: a picture of N bytes
                              (0..33161215) taken with the record; nuls=N: the card followed
                              by N NUL bytes (text clocks)
  camera yes|no               text clocks: a camera, pictures handed out (default no)
  pointer N                   memory position of the oldest record (default 1): the text
                              clock's picture pointer, the HDLC clock's read position
  samples N                   N sample records of the day before the clock's date
  clear-records               drops the records and samples given so far
  misbehave KIND [times=N|always] [cmd=HH]
      KIND: silence | delay MS | bytewise MS | garbage HEX | badcheck | flood HEX MS |
            corrupt | badblock | wrongblock | lostblock
      times=N: only the next N replies (default always); cmd=HH: only replies to the
      command that starts with byte HH (e.g. cmd=03: the record request)
      flood HEX MS: in place of the reply, HEX every MS ms for ever (a peer that never
      stops: flood 01 1; HDLC without flags: flood 55 1; flags only: flood 7E 1; with
      garbage 7E before it, flood 55 900 drips a frame a byte every 0.9 s)
      corrupt: a record with a right check byte but no record (text: hour 25; HDLC: the
      block's first record with a wrong check byte); badblock, wrongblock, lostblock: the
      second block of a picture with a wrong check byte, numbered one too high, or not sent
The face-recognition terminal of the second kind (--zk-terminal) takes, anywhere:
  zk-records N                its log holds N records (0..1000000), one a minute up to its
                              date, users 1 to 500 in turn
  zk-record USER YYYY-MM-DD HH:MM:SS MODE
                              one more record after those: USER digits, a Gregorian date and
                              time, MODE the in/out state (0 check-in, 1 check-out, ...)
The face-recognition terminal of the first kind (--mira-terminal), when broken, takes:
  mira-shown-time TEXT        the time its device information tells, any text ("abc",
                              "2024-12-09 25:61:00")
  mira-odd-record ID STATUS TEXT
                              one more record after its samples, TEXT (to the end of the
                              line) sent as its time
The second kind also takes:
  zk-odd-record USER|- YYYY-MM-DD HH:MM:SS MODE
                              one more record as a broken terminal keeps it: USER any text
                              of at most 24 bytes ("-": none), a day that may not exist
                              (2026-02-31) in 2000..2099
  zk-punch-during-read N USER YYYY-MM-DD HH:MM:SS MODE
                              the Nth read of the log (1 = the first) stores this record
                              just after the log was sent: a punch made during a read
                              Without any of these, its log holds three samples of its own day.
  zk-data-frames N MS         the log's chunks come N bytes a frame (1..65472), each frame MS
                              ms after the one before (a terminal that trickles its log)
  zk-refuse-clear             every clearing of the log is answered with an error
  zk-link KBITS MS            its port carries KBITS kbit a second in Ethernet segments, and it
                              answers each request MS ms after the replies before it left
                              (default 10000 10, a terminal's pace; 0 0: as fast as the host)
HDLC clocks (protocol Hdlc) also take:
  description TEXT            the device description (default: NAME;Ver ...;Rec 50000;CAM;)
  serial N                    serial number (default 1234567)
  prefix xy|xyz|none          before the date-time answer and the record blocks (default
                              xy; xyz as an Ember)
  block N                     records per record block (1..4681, default 3)

Example (a bus of two clocks):
  protocol RS485
  clock 1
  name KR-Tal 100
  record 12345 1403/09/17 08:01 event=0
  clock 5
  name KR-Corax 5
  misbehave bytewise 2 times=1
)";
}

}  // namespace sim
