#include <ostream>

#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/JsonText.h"
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
                   std::ostream& AOut, std::ostream&) {
  const bool hdlc = TakeFlag(AArgs, "--hdlc");
  const auto length = TakeOption(AArgs, "--reply-length");
  const auto start = TakeOption(AArgs, "--reply-start");
  if (AArgs.empty()) throw UsageError{"send", "needs one HEX command"};
  if (AArgs[0].size() > 1 && AArgs[0][0] == '-') RejectLeftovers(AArgs, "send");
  RejectLeftovers({AArgs.begin() + 1, AArgs.end()}, "send");
  const auto command = HexTextToBytes(AArgs[0]);
  if (!command || command->empty()) throw UsageError{"send " + AArgs[0], "not a hex command"};
  if (hdlc && (length || start))
    throw UsageError{"send --hdlc", "--reply-length and --reply-start are for the text protocols"};
  if (!hdlc && !length) throw UsageError{"send", "needs --reply-length N"};
  const int replyLength = hdlc ? 0 : ParseInt(*length, "--reply-length", 0, 65535);
  std::string replyStart;
  if (start) {
    const auto bytes = HexTextToBytes(*start);
    if (!bytes) throw UsageError{"--reply-start " + *start, "not hex"};
    replyStart = *bytes;
  }

  auto line = BuildLine(ALineOptions);
  if (hdlc) line->SetProtocol(ptHdlc);
  OpenLine(*line);
  TBasicClock& clock = LineClock(*line);
  clock.SetInDetectClocks(ALineOptions.Detecting);
  std::string reply;
  if (hdlc) {
    const THdlcPacket packet = clock.SendHdlcCommand(*command);
    cli::ThrowIfInterrupted("send");
    if (!packet.IsValid) throw CliError("no-answer", "send", "no HDLC packet came back");
    if (ALineOptions.Json)
      AOut << "{\"ack\":" << JsonBool(packet.Ack) << ",\"nack\":" << JsonBool(packet.Nack)
           << ",\"busy\":" << JsonBool(packet.Busy) << ",\"session\":" << JsonBool(packet.Session)
           << ",\"data\":" << JsonString(BytesToHexText(packet.Data)) << "}\n";
    else
      AOut << DescribePacket(packet) << "\n";
    return kExitDone;
  }
  clock.SendCommand(*command, replyLength, replyStart, "", reply);
  cli::ThrowIfInterrupted("send");
  if (reply.empty()) throw CliError("no-answer", "send", "no reply came back");
  if (ALineOptions.Json)
    AOut << "{\"reply\":" << JsonString(BytesToHexText(reply)) << "}\n";
  else
    AOut << BytesToHexText(reply) << "\n";
  return kExitDone;
}
