#include <ostream>

#include "cli/Commands.h"
#include "utils/HexText.h"

namespace {
// "ack nack busy session" as 0/1 digits, then the data bytes: one line per received packet.
std::string DescribePacket(const THdlcPacket& APacket) {
  std::string line;
  for (bool flag : {APacket.Ack, APacket.Nack, APacket.Busy, APacket.Session}) {
    if (!line.empty()) line += ' ';
    line += flag ? '1' : '0';
  }
  if (!APacket.Data.empty()) line += ' ' + BytesToHexText(APacket.Data);
  return line;
}
}  // namespace

// One command exchange:
//   send HEX --reply-length N [--reply-start HEX]   text protocols
//   send --hdlc HEX                                   HEX is the data of an HDLC command frame
int RunSendCommand(std::vector<std::string>& AArgs, const LineOptions& ALineOptions,
                   std::ostream& AOut, std::ostream& AErr) {
  const bool hdlc = TakeFlag(AArgs, "--hdlc");
  const auto length = TakeOption(AArgs, "--reply-length");
  const auto start = TakeOption(AArgs, "--reply-start");
  if (AArgs.size() != 1) throw UsageError{"send needs exactly one HEX command"};
  const auto command = HexTextToBytes(AArgs[0]);
  if (!command || command->empty()) throw UsageError{"not a hex command: '" + AArgs[0] + "'"};
  if (hdlc && (length || start))
    throw UsageError{"--reply-length and --reply-start are for the text protocols, not --hdlc"};
  if (!hdlc && !length) throw UsageError{"send needs --reply-length N"};
  const int replyLength = hdlc ? 0 : ParseInt(*length, "--reply-length", 0, 65535);
  std::string replyStart;
  if (start) {
    const auto bytes = HexTextToBytes(*start);
    if (!bytes) throw UsageError{"not hex: '" + *start + "'"};
    replyStart = *bytes;
  }

  auto line = BuildLine(ALineOptions);
  if (hdlc) line->SetProtocol(ptHdlc);
  if (!OpenLine(*line, AErr)) return kExitLineNotOpened;
  TBasicClock& clock = LineClock(*line);
  clock.SetInDetectClocks(ALineOptions.Detecting);
  std::string reply;
  if (hdlc) {
    const THdlcPacket packet = clock.SendHdlcCommand(*command);
    AOut << (packet.IsValid ? DescribePacket(packet) : "") << "\n";
    return packet.IsValid ? kExitDone : kExitNoAnswer;
  }
  clock.SendCommand(*command, replyLength, replyStart, "", reply);
  AOut << BytesToHexText(reply) << "\n";
  return reply.empty() ? kExitNoAnswer : kExitDone;
}
