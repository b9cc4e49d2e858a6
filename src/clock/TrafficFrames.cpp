#include "clock/TrafficFrames.h"

#include "clock/RecordDecoding.h"
#include "link/HdlcFrame.h"

namespace {

std::uint8_t ByteOf(const std::string& AText, std::size_t AIndex) {
  return AIndex < AText.size() ? static_cast<std::uint8_t>(AText[AIndex]) : 0;
}

bool IsModemCommand(const std::string& AData) {
  return AData.rfind("AT", 0) == 0 || AData.rfind("+++", 0) == 0 || AData == "C";
}

// The printable characters of AText, blanks at both ends trimmed.
std::string PrintableText(const std::string& AText) {
  std::string out;
  for (char ch : AText)
    if (static_cast<unsigned char>(ch) >= 0x20 && static_cast<unsigned char>(ch) < 0x7F) out += ch;
  const auto first = out.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

// A text command as the clock reads it, and the clock it is addressed to on a bus (0 on a
// point-to-point line). An RS485 frame is the address, the address with bit 6 set, the command
// with each byte mapped into 80h..BFh, and a check byte; control bytes and letters share codes,
// so a one-byte command is read as the control byte it always is.
std::string TextCommand(TProtocol AProtocol, const std::string& AFrame, int& AClock) {
  AClock = 0;
  if (AProtocol != RS485 || AFrame.size() < 3 || (ByteOf(AFrame, 0) | 0x40) != ByteOf(AFrame, 1))
    return AFrame;
  const std::uint8_t address = ByteOf(AFrame, 0);
  AClock = (address >> 4) * 10 + (address & 0x0F);
  std::string command;
  for (std::size_t i = 2; i + 1 < AFrame.size(); ++i) {
    const std::uint8_t b = ByteOf(AFrame, i);
    command += b == '/' ? '/' : static_cast<char>((b & 0x3F) + 0x20);
  }
  if (command.size() == 1 && command[0] >= '@' && command[0] <= '_')
    command[0] = static_cast<char>(command[0] - 0x40);
  return command;
}

std::string CommandMeaning(const std::string& ACommand) {
  switch (ByteOf(ACommand, 0)) {
    case 0x01:
      return "status?";
    case 0x02:
      return "record? (long form)";
    case 0x03:
      return "record?";
    case 0x05:
      return "date and time?";
    case 0x07:
      return "ready?";
    case 0x09:
      return "release the record";
    case 0x18:
      return "name?";
    case 0x19:
      return "firmware?";
    default:
      break;
  }
  if (ACommand.rfind("AFV?", 0) == 0) return "firmware?";
  if (ACommand[0] == 'T' && ACommand.size() >= 14) {
    // T, YYYYMMDD, day of week, HHMM, terminator.
    const std::string d = ACommand.substr(1, 8);
    const std::string t = ACommand.substr(10, 4);
    return "set date and time " + d.substr(0, 4) + "/" + d.substr(4, 2) + "/" + d.substr(6, 2) +
           " " + t.substr(0, 2) + ":" + t.substr(2, 2);
  }
  const std::string text = PrintableText(ACommand);
  return text.empty() ? "" : "command \"" + text + "\"";
}

std::string StatusMeaning(char ACode) {
  switch (ACode) {
    case '0':
      return "status: records";
    case '1':
      return "status: empty";
    case '2':
      return "status: busy, records";
    case '3':
      return "status: busy, empty";
    default:
      return "";
  }
}

// The text after the reply head 01 01 01 up to the CR.
std::string ReplyText(const std::string& AReply) {
  std::size_t at = AReply.find("\x01\x01\x01");
  at = at == std::string::npos ? 0 : at + 3;
  return PrintableText(AReply.substr(at, AReply.find('\r', at) - at));
}

std::string Field(const std::string& AText, std::size_t AFrom1, std::size_t ACount) {
  return AFrom1 - 1 < AText.size() ? AText.substr(AFrom1 - 1, ACount) : "";
}

std::string NoZeros(std::string ACard) {
  const auto nonZero = ACard.find_first_not_of('0');
  return nonZero == std::string::npos ? "0" : ACard.substr(nonZero);
}

std::string TextRecordMeaning(const std::string& AReply) {
  const std::string r = CleanRecordReply(AReply);
  if (r.size() == 23 || r.size() == 25)  // short form: no year
    return "record " + NoZeros(Field(r, 4, 8)) + " " + Field(r, 12, 2) + "/" + Field(r, 14, 2) +
           " " + Field(r, 16, 2) + ":" + Field(r, 18, 2);
  if (r.size() == 37)  // long form: YYMMDD
    return "record " + NoZeros(Field(r, 4, 10)) + " " + Field(r, 14, 2) + "/" + Field(r, 16, 2) +
           "/" + Field(r, 18, 2) + " " + Field(r, 20, 2) + ":" + Field(r, 22, 2);
  if (r.size() == 21)  // Lumen: MMDD HHMM
    return "record " + NoZeros(Field(r, 4, 8)) + " " + Field(r, 12, 2) + "/" + Field(r, 14, 2) +
           " " + Field(r, 16, 2) + ":" + Field(r, 18, 2);
  return r.empty() ? "no record" : "";
}

std::string TextReplyMeaning(const std::string& AReply, const std::string& ACommand) {
  switch (ByteOf(ACommand, 0)) {
    case 0x01:
      // On a bus the code is the fourth byte of a six-byte frame.
      return StatusMeaning(AReply.size() == 6 ? AReply[3] : AReply.empty() ? '\0' : AReply[0]);
    case 0x02:
    case 0x03:
      return TextRecordMeaning(AReply);
    case 0x09:
      if (AReply.find('\x04') != std::string::npos) return "released";
      if (AReply.find('\x15') != std::string::npos) return "nothing to release";
      return "";
    case 0x07:
      if (AReply.find('!') != std::string::npos) return "ready";
      if (AReply.find('?') != std::string::npos) return "not ready";
      return "";
    case 0x18:
      return "name " + ReplyText(AReply);
    case 0x19:
      return "firmware " + ReplyText(AReply);
    case 0x05: {
      // YYYYMMDD, day of week, HHMM.
      const std::string text = ReplyText(AReply);
      const auto at = text.find_first_of("0123456789");
      if (at == std::string::npos || text.size() < at + 13) return "";
      const std::string d = text.substr(at, 13);
      return "date and time " + d.substr(0, 4) + "/" + d.substr(4, 2) + "/" + d.substr(6, 2) + " " +
             d.substr(9, 2) + ":" + d.substr(11, 2);
    }
    default:
      break;
  }
  if (ACommand.rfind("AFV?", 0) == 0) return "firmware " + ReplyText(AReply);
  if (ACommand[0] == 'T' && AReply.find('G') != std::string::npos) return "date and time taken";
  return "";
}

std::string HdlcDataMeaning(const std::string& AData) {
  if (AData.empty()) return "";
  switch (ByteOf(AData, 0)) {
    case 0x01:
      return "description?";
    case 0x02:
      return "status?";
    case 0x03:
      return "date and time?";
    case 0x04:
      return "set date and time";
    case 0x20:
      return "record block?";
    case 0x21:
      return "next record block?";
    case 'Q':
      return AData.size() == 2 && AData[1] == '\x02' ? "calendar?" : "read position?";
    default:
      return "command " + std::to_string(ByteOf(AData, 0));
  }
}

std::string HdlcMeaning(TTrafficDirection ADirection, const std::string& AFrame,
                        const std::string& ACommand) {
  THdlcPacket packet;
  if (!ParseHdlcFrame(AFrame, packet)) return "HDLC frame that does not check";
  std::string flags;
  for (const auto& [on, name] : {std::pair{packet.Ack, "ack"}, std::pair{packet.Nack, "nack"},
                                 std::pair{packet.Busy, "busy"},
                                 std::pair{packet.Session, "session"}})
    if (on) flags += std::string(flags.empty() ? "" : " ") + name;
  if (ADirection == TTrafficDirection::Tx) {
    const std::string to = " clock " + std::to_string(packet.DestAddress);
    if (packet.Session && !packet.Ack && !packet.Nack) return "session request," + to;
    return HdlcDataMeaning(packet.Data) + to;
  }
  std::string meaning = "from clock " + std::to_string(packet.SourceAddress);
  if (!flags.empty()) meaning += ": " + flags;
  THdlcPacket command;
  const bool known = ParseHdlcFrame(ACommand, command) && !command.Data.empty();
  const std::uint8_t asked = known ? ByteOf(command.Data, 0) : 0;
  if ((asked == 0x20 || asked == 0x21) && !packet.Data.empty()) {
    const auto pieces = SplitHdlcRecordBlock(packet.Data);
    meaning += ", " + std::to_string(pieces.size()) + " record(s)";
    TVexRecord first;
    if (!pieces.empty() && DecodeHdlcRecordPiece(pieces.front(), packet.SourceAddress, Solar,
                                                 first) == THdlcRecordOutcome::Decoded) {
      // The date as the clock sent it: year byte below 50 is 20YY, else 13YY.
      const std::string& p = pieces.front();
      const auto two = [&](std::size_t i) {
        const int v = ByteOf(p, i);
        return (v < 10 ? "0" : "") + std::to_string(v);
      };
      const int year = ByteOf(p, 5) < 50 ? 2000 + ByteOf(p, 5) : 1300 + ByteOf(p, 5);
      meaning += ", first: record " + first.KartNo + " " + std::to_string(year) + "/" + two(6) +
                 "/" + two(7) + " " + two(8) + ":" + two(9);
    }
  } else if (asked == 0x03 && packet.Data.size() >= 6) {
    // An optional "XYZ" and "XY", the year (low byte first), month, day, hour, minute.
    std::string d = packet.Data;
    if (d.rfind("XYZ", 0) == 0) d.erase(0, 3);
    if (d.rfind("XY", 0) == 0) d.erase(0, 2);
    if (d.size() >= 6) {
      const auto n = [&](std::size_t i) { return static_cast<int>(ByteOf(d, i)); };
      const auto two = [](int v) { return (v < 10 ? "0" : "") + std::to_string(v); };
      meaning += ", date and time " + std::to_string(n(0) + 256 * n(1)) + "/" + two(n(2)) + "/" +
                 two(n(3)) + " " + two(n(4)) + ":" + two(n(5));
    }
  } else if (asked == 0x02 && packet.Data.size() == 1) {
    meaning += packet.Data[0] == '\0' ? ", empty" : ", records";
  } else if (!packet.Data.empty()) {
    meaning += ", " + std::to_string(packet.Data.size()) + " byte(s) of data";
  }
  return meaning;
}

std::string ModemMeaning(TTrafficDirection ADirection, const std::string& AFrame) {
  const std::string text = PrintableText(AFrame);
  if (ADirection == TTrafficDirection::Rx) return text.empty() ? "" : "modem: " + text;
  if (text.rfind("ATD", 0) == 0) return "dial " + text.substr(3) + " (ATD)";
  if (text == "+++") return "modem escape to command mode (+++)";
  if (text.rfind("ATH0", 0) == 0) return "hang up (ATH0)";
  if (text == "C") return "abort the dial";
  return "modem command " + text;
}

}  // namespace

std::string DescribeTrafficFrame(TProtocol AProtocol, TTrafficDirection ADirection,
                                 const std::string& AFrame, const std::string& ACommand,
                                 bool AModem) {
  if (AModem) return ModemMeaning(ADirection, AFrame);
  if (AProtocol == ptHdlc) return HdlcMeaning(ADirection, AFrame, ACommand);
  int clock = 0;
  if (ADirection == TTrafficDirection::Tx) {
    const std::string meaning = CommandMeaning(TextCommand(AProtocol, AFrame, clock));
    return clock > 0 && !meaning.empty() ? meaning + " clock " + std::to_string(clock) : meaning;
  }
  return TextReplyMeaning(AFrame, TextCommand(AProtocol, ACommand, clock));
}

TTrafficFrame TTrafficFramer::Close() {
  TTrafficFrame frame = std::move(FPending);
  FPending = {};
  FHasPending = false;
  frame.Meaning = DescribeTrafficFrame(FProtocol, frame.Direction, frame.Bytes, FCommand, FModem);
  if (frame.Direction == TTrafficDirection::Tx) FCommand = frame.Bytes;
  return frame;
}

std::vector<TTrafficFrame> TTrafficFramer::Flush() {
  std::vector<TTrafficFrame> out;
  if (FHasPending && !FPending.Bytes.empty()) out.push_back(Close());
  FHasPending = false;
  FPending = {};
  return out;
}

std::vector<TTrafficFrame> TTrafficFramer::Add(TProtocol AProtocol, TTrafficDirection ADirection,
                                               const std::string& AData, std::uint32_t ATick) {
  std::vector<TTrafficFrame> out;
  if (AData.empty()) return out;
  const bool modemCommand = ADirection == TTrafficDirection::Tx && IsModemCommand(AData);
  // A text command is written whole, or paced out a byte at a time a few milliseconds apart;
  // another write is another command (a try again after a silent reply wait).
  const bool anotherCommand =
      ADirection == TTrafficDirection::Tx && AProtocol != ptHdlc &&
      !(AData.size() == 1 && FPacedWrites && ATick - FLastTick <= kPacedGapMs);
  // A new direction, a new protocol, a new command ends the frame being collected.
  if (FHasPending && (FPending.Direction != ADirection || FProtocol != AProtocol ||
                      modemCommand || anotherCommand)) {
    auto rest = Flush();
    out.insert(out.end(), rest.begin(), rest.end());
  }
  if (ADirection == TTrafficDirection::Tx) FModem = modemCommand;
  if (!FHasPending) {
    FHasPending = true;
    FProtocol = AProtocol;
    FPending.Direction = ADirection;
    FPending.Tick = ATick;
    FPacedWrites = true;
  }
  FPacedWrites = FPacedWrites && AData.size() == 1;
  FLastTick = ATick;
  FPending.Bytes += AData;

  // Cuts the pending frame after its first ALength bytes, which become a frame; false when
  // nothing is left to look at.
  auto cut = [&](std::size_t ALength) {
    std::string rest = FPending.Bytes.substr(ALength);
    FPending.Bytes.erase(ALength);
    out.push_back(Close());
    if (rest.empty()) return false;
    FHasPending = true;
    FPending.Direction = ADirection;
    FPending.Tick = ATick;
    FPending.Bytes = std::move(rest);
    return true;
  };

  if (FModem) {
    // The modem's command is whole as written; its answers are lines.
    if (ADirection == TTrafficDirection::Tx) {
      out.push_back(Close());
      return out;
    }
    for (;;) {
      // A line ends at the LF after its first printable byte; blank line ends stay with it.
      const std::string& bytes = FPending.Bytes;
      const auto text = bytes.find_first_not_of("\r\n");
      const auto end = text == std::string::npos ? text : bytes.find('\n', text);
      if (end == std::string::npos || !cut(end + 1)) break;
    }
    return out;
  }

  if (AProtocol == ptHdlc) {
    // Whole frames from flag to flag; bytes before a flag are a frame of their own (noise).
    for (;;) {
      std::string& bytes = FPending.Bytes;
      const auto start = bytes.find(HdlcFlag);
      if (start == std::string::npos) break;
      if (start > 0) {
        if (!cut(start)) break;
        continue;
      }
      // Two flags in a row: the first closed an earlier frame or is idle fill.
      while (bytes.size() > 1 && bytes[1] == HdlcFlag) bytes.erase(0, 1);
      const auto end = bytes.find(HdlcFlag, 1);
      if (end == std::string::npos || !cut(end + 1)) break;
    }
  }
  return out;
}
