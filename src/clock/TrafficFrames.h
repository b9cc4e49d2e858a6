#pragma once
// A line's traffic as protocol frames with their meaning, for a person reading a trace or the
// traffic pane: the bytes come in chunks as the port delivers them; a frame is what the protocol
// makes one (a text command, the whole reply to it, one HDLC frame between its flags, a modem
// line), whatever the chunks were.
//
//   text (RS232, RS485)  a command is one write (a command paced out byte by byte, a few ms
//                        apart, is one frame); its reply is everything that arrives until the
//                        next command
//   HDLC                 7E ... 7E, each frame on its own even when several arrive in one chunk
//   modem                "AT..." and "+++" commands; the modem's answer lines
//
// Everything here is pure: bytes in, frames and texts out.
#include <cstdint>
#include <string>
#include <vector>

#include "clock/ClockTypes.h"

struct TTrafficFrame {
  TTrafficDirection Direction = TTrafficDirection::Tx;
  // The tick of the chunk that began the frame.
  std::uint32_t Tick = 0;
  std::string Bytes;
  // What the frame means ("status? clock 5", "record 12345 09/17 08:00"); "" when not known.
  std::string Meaning;
};

class TTrafficFramer {
 public:
  // Takes a chunk written (Tx) or read (Rx) at ATick (ms) on a line that speaks AProtocol at
  // that moment; returns the frames the chunk completed.
  std::vector<TTrafficFrame> Add(TProtocol AProtocol, TTrafficDirection ADirection,
                                 const std::string& AData, std::uint32_t ATick = 0);
  // The frame still being collected, if any, as it stands (at the end of a command, or before a
  // pause in the trace).
  std::vector<TTrafficFrame> Flush();

 private:
  TTrafficFrame Close();
  TProtocol FProtocol = RS232;
  TTrafficFrame FPending;
  bool FHasPending = false;
  bool FModem = false;
  // The frame so far came in one-byte writes; when the last came.
  bool FPacedWrites = false;
  std::uint32_t FLastTick = 0;
  static constexpr std::uint32_t kPacedGapMs = 100;
  // The last command, which tells what its reply means.
  std::string FCommand;
};

// What one frame means, given the protocol and, for a reply, the command it answers (as it was
// sent, RS485 framing included). AModem: the frame belongs to the modem dialogue.
std::string DescribeTrafficFrame(TProtocol AProtocol, TTrafficDirection ADirection,
                                 const std::string& AFrame, const std::string& ACommand,
                                 bool AModem = false);
