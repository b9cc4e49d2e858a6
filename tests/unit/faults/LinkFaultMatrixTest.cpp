// The fault matrix of the clock operations that every line uses: detection, date and time, and
// status, against a simulated clock that misbehaves (or a line that does), on the text protocol
// (RS232), on an RS485 bus and on HDLC. Each row names the outcome the operation must reach and
// the time it may take: the sum of the reply timeouts and pauses its tries allow (HDLC timeouts
// run from the last byte received, so a frame's own latency is added), plus 50 ms. Rows with a
// silent clock also give the least time, since every try must wait its whole timeout.
//
// Clock behind the line: clock 1, "KR-Tal 100", firmware "VER 3.10", one record, date 1403/09/18
// 10:30 (solar); on HDLC the model's Ember ("KR-Ember;Ver 1.20;Rec 50000;CAM;"), saying it holds
// records, replies 10 ms after each frame.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "faults/FaultLine.h"

namespace faults {
namespace {

using sim::Misbehaviour;

enum class Op { Detect, DateTime, Status };

enum class Fault {
  None,
  Silence,               // no reply at all
  Delay,                 // every reply late, but within the timeout
  DelayPastTimeoutOnce,  // the first reply comes 100 ms after its timeout
  ByteByByte,            // every reply a byte at a time, 3 ms apart
  GarbageBefore,         // noise just before every reply
  GarbageBetween,        // noise after every reply, before the next command
  BadCheck,              // every reply with a check byte (text) or CRC (HDLC) has it wrong
  BadCheckOnce,
  CutOnce,  // the first reply stops in its middle
  CutAlways,
  // HDLC sessions
  SessionBusyOnce,       // the first session request is answered busy
  SessionRefusedAlways,  // every session request is refused
  SessionNeverAnswered,  // session requests get no answer; nothing else would
  SessionClosedOnce,     // the clock closes the session at the second data command
  SessionClosedAlways,   // the clock closes the session at every data command
  BusyReplyOnce,         // the first data command is answered busy
  DoubledFlags,          // every frame opens with two flags
  Flood,                 // a flag and a megabyte without one before the first reply, in 64
                         // pieces
  FloodOnePiece,         // the same megabyte arriving all at once
  // Peers that never stop: in place of its first reply the clock sends a byte every
  // millisecond for ever, and every read of the port takes a millisecond, so that no read
  // comes back empty (as on a line that is never idle).
  OnesForever,   // 01h, the head byte of the text replies
  JunkForever,   // 55h: no head, no flag
  FlagsForever,  // HDLC flags only
  // HDLC: a flag, then a byte every 0.9 s for ever: a frame that never ends. Once: in place of
  // the first reply only; Always: in place of every reply.
  DripOnce,
  DripAlways,
};

constexpr std::uint64_t T = 7000;     // reply timeout of every connection type
constexpr std::uint64_t Td = 300;     // text reply timeout while detecting (cable, TCP/IP)
constexpr std::uint64_t W = 2;        // pause between writing and waiting
constexpr std::uint64_t Retry = 500;  // pause after a try without answer (status, date)
constexpr std::uint64_t L = 10;       // the HDLC model's latency: added per awaited frame
constexpr std::uint64_t Slack = 50;
// A silent exchange on HDLC: the session request's wait, then the wait for the command's reply.
constexpr std::uint64_t HdlcSilentExchange = T + W + T;
// Flood: 64 pieces of 16 KiB, 200 ms apart; the reply follows the last.
constexpr std::uint64_t FloodMs = 5 + 64 * 200;
// The longest an HDLC reception may take while a frame keeps arriving: the timeout plus the
// longest legal frame (131086 bytes of 11 bits) at the line's 9600 bit/s.
constexpr std::uint64_t HdlcPacketCap = T + 150203;

struct Row {
  const char* Name;
  Protocol P;
  Connection C;
  Op O;
  Fault F;
  const char* Expected;
  std::uint64_t BudgetMs;  // without the 50 ms of slack
  std::uint64_t MinMs = 0;
};

std::string Printable(const std::string& AText) {
  std::string out;
  for (unsigned char c : AText) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

// clang-format off
const Row kRows[] = {
  // ---- text protocol, RS232 cable: status (01h, reply of one byte) ----
  {"TextStatusGood", Protocol::Text, Connection::Cable, Op::Status, Fault::None, "connected '0'", W + T},
  {"TextStatusSilent", Protocol::Text, Connection::Cable, Op::Status, Fault::Silence, "not connected ''", 3 * (W + T + Retry), 3 * (W + T + Retry)},
  {"TextStatusDelayed", Protocol::Text, Connection::Cable, Op::Status, Fault::Delay, "connected '0'", W + T},
  // The late reply lands in the pause; the next try's write clears it away.
  {"TextStatusLateOnce", Protocol::Text, Connection::Cable, Op::Status, Fault::DelayPastTimeoutOnce, "connected '0'", 2 * (W + T) + Retry, W + T + Retry},
  {"TextStatusByteByByte", Protocol::Text, Connection::Cable, Op::Status, Fault::ByteByByte, "connected '0'", W + T},
  // RS232 has no framing for the status: the first byte that comes is the code, and a code that
  // is not empty ends the tries.
  {"TextStatusGarbageBefore", Protocol::Text, Connection::Cable, Op::Status, Fault::GarbageBefore, "not connected '\\xA5'", W + T},
  {"TextStatusBadCheck", Protocol::Text, Connection::Cable, Op::Status, Fault::BadCheck, "connected '0'", W + T},
  // Half of a one-byte reply is nothing: that try is silent.
  {"TextStatusCutOnce", Protocol::Text, Connection::Cable, Op::Status, Fault::CutOnce, "connected '0'", 2 * (W + T) + Retry},
  {"TextStatusCutAlways", Protocol::Text, Connection::Cable, Op::Status, Fault::CutAlways, "not connected ''", 3 * (W + T + Retry), 3 * (W + T + Retry)},

  // ---- text protocol, RS232 cable: detection (status, 18h, "AFV?" CR; 300 ms per reply) ----
  {"TextDetectGood", Protocol::Text, Connection::Cable, Op::Detect, Fault::None, "found KRTal 'KR-Tal 100' 'VER 3.10'", 3 * (W + Td)},
  // Three silent tries, then three more at even parity for a Lumen.
  {"TextDetectSilent", Protocol::Text, Connection::Cable, Op::Detect, Fault::Silence, "not found Unknown 'Unknown' ''", 6 * (W + Td + Retry), 6 * (W + Td + Retry)},
  {"TextDetectDelayed", Protocol::Text, Connection::Cable, Op::Detect, Fault::Delay, "found KRTal 'KR-Tal 100' 'VER 3.10'", 3 * (W + Td)},
  {"TextDetectLateOnce", Protocol::Text, Connection::Cable, Op::Detect, Fault::DelayPastTimeoutOnce, "found KRTal 'KR-Tal 100' 'VER 3.10'", 4 * (W + Td) + Retry},
  {"TextDetectByteByByte", Protocol::Text, Connection::Cable, Op::Detect, Fault::ByteByByte, "found KRTal 'KR-Tal 100' 'VER 3.10'", 3 * (W + Td)},
  // The noise is taken as the status code; the clock then stays silent at even parity.
  {"TextDetectGarbageBefore", Protocol::Text, Connection::Cable, Op::Detect, Fault::GarbageBefore, "not found Unknown 'Unknown' ''", (W + Td) + 3 * (W + Td + Retry)},
  // The next command goes out at once, so noise 1 ms after a reply arrives in the next wait:
  // RS232 keeps bytes before a reply that has no 01 01 01 head, and the firmware text loses
  // only its last byte, so the noise before it and its CR stay in it.
  {"TextDetectGarbageBetween", Protocol::Text, Connection::Cable, Op::Detect, Fault::GarbageBetween, "found KRTal 'KR-Tal 100' '\\xA5VER 3.10\\x0D'", 3 * (W + Td)},
  {"TextDetectCutOnce", Protocol::Text, Connection::Cable, Op::Detect, Fault::CutOnce, "found KRTal 'KR-Tal 100' 'VER 3.10'", 4 * (W + Td) + Retry},

  // ---- text protocol, RS232 cable: date and time (05h, 18 bytes with a check byte) ----
  {"TextDateTimeGood", Protocol::Text, Connection::Cable, Op::DateTime, Fault::None, "true 1403/09/18 10:30", W + T},
  {"TextDateTimeSilent", Protocol::Text, Connection::Cable, Op::DateTime, Fault::Silence, "false  ", 3 * (W + T + Retry), 3 * (W + T + Retry)},
  {"TextDateTimeLateOnce", Protocol::Text, Connection::Cable, Op::DateTime, Fault::DelayPastTimeoutOnce, "true 1403/09/18 10:30", 2 * (W + T) + Retry},
  {"TextDateTimeByteByByte", Protocol::Text, Connection::Cable, Op::DateTime, Fault::ByteByByte, "true 1403/09/18 10:30", W + T},
  {"TextDateTimeGarbageBefore", Protocol::Text, Connection::Cable, Op::DateTime, Fault::GarbageBefore, "true 1403/09/18 10:30", W + T},
  // A wrong check byte is asked again at once, without the pause.
  {"TextDateTimeBadCheck", Protocol::Text, Connection::Cable, Op::DateTime, Fault::BadCheck, "false  ", 3 * (W + T)},
  {"TextDateTimeBadCheckOnce", Protocol::Text, Connection::Cable, Op::DateTime, Fault::BadCheckOnce, "true 1403/09/18 10:30", 2 * (W + T)},
  {"TextDateTimeCutOnce", Protocol::Text, Connection::Cable, Op::DateTime, Fault::CutOnce, "true 1403/09/18 10:30", 2 * (W + T) + Retry},
  {"TextDateTimeCutAlways", Protocol::Text, Connection::Cable, Op::DateTime, Fault::CutAlways, "false  ", 3 * (W + T + Retry), 3 * (W + T + Retry)},
  // A clock that never stops sending ends every wait at its timeout all the same.
  {"TextDateTimeOnesForever", Protocol::Text, Connection::Cable, Op::DateTime, Fault::OnesForever, "false  ", 3 * (W + T + Retry), 3 * (W + T + Retry)},
  // The first byte is the status code: 01h is no code the clock gives, and it ends the tries.
  {"TextStatusOnesForever", Protocol::Text, Connection::Cable, Op::Status, Fault::OnesForever, "not connected '\\x01'", W + T},
  {"TextDetectOnesForever", Protocol::Text, Connection::Cable, Op::Detect, Fault::OnesForever, "not found Unknown 'Unknown' ''", 6 * (W + Td + Retry)},

  // ---- RS485 bus (wrapped short replies, stray bytes without 01h are dropped) ----
  {"Rs485StatusGood", Protocol::Rs485, Connection::Cable, Op::Status, Fault::None, "connected '0'", W + T},
  {"Rs485StatusSilent", Protocol::Rs485, Connection::Cable, Op::Status, Fault::Silence, "not connected ''", 3 * (W + T + Retry), 3 * (W + T + Retry)},
  {"Rs485StatusGarbageBefore", Protocol::Rs485, Connection::Cable, Op::Status, Fault::GarbageBefore, "connected '0'", W + T},
  // Half a wrapped status is its head 01 01 01: not six bytes, so not decoded; the code is not
  // empty, so the tries end, and it means no answer.
  {"Rs485StatusCutOnce", Protocol::Rs485, Connection::Cable, Op::Status, Fault::CutOnce, "not connected '\\x01\\x01\\x01'", W + T, W + T},
  {"Rs485DetectGood", Protocol::Rs485, Connection::Cable, Op::Detect, Fault::None, "found KRTal 'KR-Tal 100' 'VER 3.10'", 3 * (W + Td)},
  {"Rs485DetectSilent", Protocol::Rs485, Connection::Cable, Op::Detect, Fault::Silence, "not found Unknown 'Unknown' ''", 6 * (W + Td + Retry), 6 * (W + Td + Retry)},
  {"Rs485DetectGarbageBefore", Protocol::Rs485, Connection::Cable, Op::Detect, Fault::GarbageBefore, "found KRTal 'KR-Tal 100' 'VER 3.10'", 3 * (W + Td)},
  // The wrapped firmware reply is aligned on its head, but the noise behind it takes the place
  // of the last byte that the trimming drops: the CR stays.
  {"Rs485DetectGarbageBetween", Protocol::Rs485, Connection::Cable, Op::Detect, Fault::GarbageBetween, "found KRTal 'KR-Tal 100' 'VER 3.10\\x0D'", 3 * (W + Td)},
  {"Rs485DateTimeGood", Protocol::Rs485, Connection::Cable, Op::DateTime, Fault::None, "true 1403/09/18 10:30", W + T},
  {"Rs485DateTimeBadCheck", Protocol::Rs485, Connection::Cable, Op::DateTime, Fault::BadCheck, "false  ", 3 * (W + T)},
  {"Rs485DateTimeLateOnce", Protocol::Rs485, Connection::Cable, Op::DateTime, Fault::DelayPastTimeoutOnce, "true 1403/09/18 10:30", 2 * (W + T) + Retry},
  {"Rs485DateTimeCutOnce", Protocol::Rs485, Connection::Cable, Op::DateTime, Fault::CutOnce, "true 1403/09/18 10:30", 2 * (W + T) + Retry},
  {"Rs485StatusJunkForever", Protocol::Rs485, Connection::Cable, Op::Status, Fault::JunkForever, "not connected ''", 3 * (W + T + Retry), 3 * (W + T + Retry)},
  {"Rs485DateTimeOnesForever", Protocol::Rs485, Connection::Cable, Op::DateTime, Fault::OnesForever, "false  ", 3 * (W + T + Retry), 3 * (W + T + Retry)},

  // ---- HDLC: status (02h) ----
  {"HdlcStatusGood", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::None, "connected '0'", 2 * (T + L) + W},
  {"HdlcStatusSilent", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::Silence, "not connected ''", 3 * (3 * HdlcSilentExchange + Retry), 3 * (3 * HdlcSilentExchange + Retry)},
  // The late grant arrives while the unwritten command's reply is awaited: it is taken as that
  // reply (no data, so no code) and the next try opens the session again.
  {"HdlcStatusLateOnce", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::DelayPastTimeoutOnce, "connected '0'", T + W + (T + L) + Retry + 2 * (T + L) + W},
  {"HdlcStatusByteByByte", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::ByteByByte, "connected '0'", 2 * (T + L + 40 * 3) + W},
  {"HdlcStatusGarbageBefore", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::GarbageBefore, "connected '0'", 2 * (T + L) + W},
  {"HdlcStatusBadCrc", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::BadCheck, "not connected ''", 3 * (3 * ((T + L) + W + T) + Retry), 3 * (3 * (T + W + T) + Retry)},
  {"HdlcStatusBadCrcOnce", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::BadCheckOnce, "connected '0'", (T + L) + W + T + 2 * (T + L) + W},
  {"HdlcStatusCutOnce", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::CutOnce, "connected '0'", (T + L) + W + T + 2 * (T + L) + W},
  {"HdlcStatusSessionBusyOnce", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::SessionBusyOnce, "connected '0'", (T + L) + W + T + 2 * (T + L) + W},
  {"HdlcStatusSessionRefused", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::SessionRefusedAlways, "not connected ''", 3 * (3 * (3 * (T + L) + W + T) + Retry), 3 * (3 * (W + T) + Retry)},
  {"HdlcStatusSessionNeverAnswered", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::SessionNeverAnswered, "not connected ''", 3 * (3 * HdlcSilentExchange + Retry), 3 * (3 * HdlcSilentExchange + Retry)},
  {"HdlcStatusSessionClosed", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::SessionClosedAlways, "not connected ''", 3 * (3 * 2 * (T + L) + W + Retry)},
  {"HdlcStatusBusyReplyOnce", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::BusyReplyOnce, "connected '0'", 4 * (T + L) + 2 * W},
  {"HdlcStatusDoubledFlags", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::DoubledFlags, "connected '0'", 2 * (T + L) + W},
  {"HdlcStatusFlood", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::Flood, "connected '0'", FloodMs + 2 * (T + L) + W},
  {"HdlcStatusFloodOnePiece", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::FloodOnePiece, "connected '0'", 5 + 2 * (T + L) + W},
  // Streams without end: bytes that cannot be a frame do not hold a wait open, so every wait
  // ends at its timeout as with a silent clock.
  {"HdlcStatusJunkForever", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::JunkForever, "not connected ''", 3 * (3 * HdlcSilentExchange + Retry), 3 * (3 * HdlcSilentExchange + Retry)},
  {"HdlcStatusFlagsForever", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::FlagsForever, "not connected ''", 3 * (3 * HdlcSilentExchange + Retry), 3 * (3 * HdlcSilentExchange + Retry)},
  // A frame that keeps arriving a byte at a time holds its reception (here the session request's)
  // up to the packet's cap; no session, so the command is not written and its wait is silent;
  // the next try gets through.
  {"HdlcStatusDripOnce", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::DripOnce, "connected '0'", HdlcPacketCap + W + T + 2 * (T + L) + W, HdlcPacketCap + T},
  // Every session request held to its cap, then the unwritten command's silent wait: the
  // operation's own cap, from its tries.
  {"HdlcStatusDripAlways", Protocol::Hdlc, Connection::Cable, Op::Status, Fault::DripAlways, "not connected ''", 3 * (3 * (HdlcPacketCap + L + W + T) + Retry), 3 * (3 * (HdlcPacketCap + T) + Retry)},

  // ---- HDLC: detection (status, device description 01h) ----
  {"HdlcDetectGood", Protocol::Hdlc, Connection::Cable, Op::Detect, Fault::None, "found KREmber 'KR-Ember' 'Ver 1.20'", 3 * (T + L) + 2 * W},
  {"HdlcDetectSilent", Protocol::Hdlc, Connection::Cable, Op::Detect, Fault::Silence, "not found Unknown 'Unknown' ''", 3 * (3 * HdlcSilentExchange + Retry), 3 * (3 * HdlcSilentExchange + Retry)},
  {"HdlcDetectByteByByte", Protocol::Hdlc, Connection::Cable, Op::Detect, Fault::ByteByByte, "found KREmber 'KR-Ember' 'Ver 1.20'", 3 * (T + L + 50 * 3) + 2 * W},
  {"HdlcDetectSessionClosedOnce", Protocol::Hdlc, Connection::Cable, Op::Detect, Fault::SessionClosedOnce, "found KREmber 'KR-Ember' 'Ver 1.20'", 5 * (T + L) + 3 * W},
  {"HdlcDetectBusyReplyOnce", Protocol::Hdlc, Connection::Cable, Op::Detect, Fault::BusyReplyOnce, "found KREmber 'KR-Ember' 'Ver 1.20'", 5 * (T + L) + 3 * W},
  {"HdlcDetectFlood", Protocol::Hdlc, Connection::Cable, Op::Detect, Fault::Flood, "found KREmber 'KR-Ember' 'Ver 1.20'", FloodMs + 3 * (T + L) + 2 * W},

  // ---- HDLC: date and time (calendar "Q" 02h, then 03 00) ----
  {"HdlcDateTimeGood", Protocol::Hdlc, Connection::Cable, Op::DateTime, Fault::None, "true 1403/9/18 10:30", 3 * (T + L) + 2 * W},
  {"HdlcDateTimeSilent", Protocol::Hdlc, Connection::Cable, Op::DateTime, Fault::Silence, "false  ", 3 * (2 * 3 * HdlcSilentExchange + Retry), 3 * (2 * 3 * HdlcSilentExchange + Retry)},
  {"HdlcDateTimeSessionClosedOnce", Protocol::Hdlc, Connection::Cable, Op::DateTime, Fault::SessionClosedOnce, "true 1403/9/18 10:30", 5 * (T + L) + 3 * W},
  {"HdlcDateTimeBusyReplyOnce", Protocol::Hdlc, Connection::Cable, Op::DateTime, Fault::BusyReplyOnce, "true 1403/9/18 10:30", 5 * (T + L) + 3 * W},
  {"HdlcDateTimeGarbageBetween", Protocol::Hdlc, Connection::Cable, Op::DateTime, Fault::GarbageBetween, "true 1403/9/18 10:30", 3 * (T + L) + 2 * W},
  {"HdlcDateTimeFlagsForever", Protocol::Hdlc, Connection::Cable, Op::DateTime, Fault::FlagsForever, "false  ", 3 * (2 * 3 * HdlcSilentExchange + Retry), 3 * (2 * 3 * HdlcSilentExchange + Retry)},
  {"HdlcDetectDripOnce", Protocol::Hdlc, Connection::Cable, Op::Detect, Fault::DripOnce, "found KREmber 'KR-Ember' 'Ver 1.20'", HdlcPacketCap + W + T + 3 * (T + L) + 2 * W, HdlcPacketCap + T},

  // ---- TCP/IP: the socket's own buffer in the path (the connect takes 5 ms) ----
  {"TcpTextStatusLateOnce", Protocol::Text, Connection::Tcp, Op::Status, Fault::DelayPastTimeoutOnce, "connected '0'", 5 + 2 * (W + T) + Retry},
  {"TcpTextDetectGarbageBetween", Protocol::Text, Connection::Tcp, Op::Detect, Fault::GarbageBetween, "found KRTal 'KR-Tal 100' '\\xA5VER 3.10\\x0D'", 5 + 3 * (W + Td)},
  {"TcpRs485DateTimeGarbageBefore", Protocol::Rs485, Connection::Tcp, Op::DateTime, Fault::GarbageBefore, "true 1403/09/18 10:30", 5 + W + T},
  {"TcpHdlcStatusCutOnce", Protocol::Hdlc, Connection::Tcp, Op::Status, Fault::CutOnce, "connected '0'", 5 + (T + L) + W + T + 2 * (T + L) + W},
  {"TcpHdlcStatusFlood", Protocol::Hdlc, Connection::Tcp, Op::Status, Fault::Flood, "connected '0'", 5 + FloodMs + 2 * (T + L) + W},
  {"TcpHdlcStatusFloodOnePiece", Protocol::Hdlc, Connection::Tcp, Op::Status, Fault::FloodOnePiece, "connected '0'", 5 + 5 + 2 * (T + L) + W},
  {"TcpHdlcStatusJunkForever", Protocol::Hdlc, Connection::Tcp, Op::Status, Fault::JunkForever, "not connected ''", 5 + 3 * (3 * HdlcSilentExchange + Retry), 3 * (3 * HdlcSilentExchange + Retry)},
  {"TcpTextDateTimeOnesForever", Protocol::Text, Connection::Tcp, Op::DateTime, Fault::OnesForever, "false  ", 5 + 3 * (W + T + Retry), 3 * (W + T + Retry)},
  {"TcpHdlcDetectSessionClosedOnce", Protocol::Hdlc, Connection::Tcp, Op::Detect, Fault::SessionClosedOnce, "found KREmber 'KR-Ember' 'Ver 1.20'", 5 + 5 * (T + L) + 3 * W},
};
// clang-format on

class LinkFaultMatrix : public FaultLineTest, public ::testing::WithParamInterface<Row> {
 protected:
  void inject(const Row& ARow) {
    const bool detecting = ARow.O == Op::Detect;
    sim::TextClockModel* text = textClock();
    sim::HdlcClockModel* hdlc = hdlcClock();
    auto misbehave = [&](const Misbehaviour& AM) {
      if (text) text->misbehave(AM);
      if (hdlc) hdlc->Shaper.add(AM);
    };
    switch (ARow.F) {
      case Fault::None:
        break;
      case Fault::Silence:
        misbehave(Misbehaviour::silence());
        break;
      case Fault::Delay:
        misbehave(Misbehaviour::delay(detecting && !hdlc ? 100 : 1000));
        break;
      case Fault::DelayPastTimeoutOnce:
        misbehave(Misbehaviour::delay((detecting && !hdlc ? Td : T) + 100, 1));
        break;
      case Fault::ByteByByte:
        if (text) text->misbehave(Misbehaviour::byteByByte(3));
        if (hdlc) hdlc->ByteGapMs = 3;
        break;
      case Fault::GarbageBefore:
        if (text) text->misbehave(Misbehaviour::garbage("\xA5\x5A"));
        // A flag inside the noise opens a frame that fails its checks.
        if (hdlc) hdlc->GarbageBetweenFrames = "\x33\x7E\x34";
        break;
      case Fault::GarbageBetween:
        Wire->TrailingGarbage = hdlc ? "\x35\x7E\x36" : "\xA5";
        break;
      case Fault::BadCheck:
        if (text) text->misbehave(Misbehaviour::wrongCheck());
        if (hdlc) hdlc->BadCrcReplies = 1000000;
        break;
      case Fault::BadCheckOnce:
        if (text) text->misbehave(Misbehaviour::wrongCheck(1));
        if (hdlc) hdlc->BadCrcReplies = 1;
        break;
      case Fault::CutOnce:
        Wire->CutReplies = 1;
        break;
      case Fault::CutAlways:
        Wire->CutReplies = 1000000;
        break;
      case Fault::SessionBusyOnce:
        hdlc->BusySessions = 1;
        break;
      case Fault::SessionRefusedAlways:
        hdlc->RefuseSessions = 1000000;
        break;
      case Fault::SessionNeverAnswered:
        hdlc->IgnoreSessions = true;
        break;
      case Fault::SessionClosedOnce:
        hdlc->CloseSessionAfter = 1;
        break;
      case Fault::SessionClosedAlways:
        hdlc->CloseSessionAfter = 0;
        break;
      case Fault::BusyReplyOnce:
        hdlc->BusyReplies = 1;
        break;
      case Fault::DoubledFlags:
        hdlc->DoubledFlags = true;
        break;
      case Fault::Flood:
        Wire->FloodBytes = 1 << 20;
        Wire->FloodPieceBytes = 16 << 10;
        Wire->FloodGapMs = 200;
        break;
      case Fault::FloodOnePiece:
        Wire->FloodBytes = 1 << 20;
        break;
      case Fault::OnesForever:
      case Fault::JunkForever:
      case Fault::FlagsForever: {
        const char byte = ARow.F == Fault::OnesForever   ? '\x01'
                          : ARow.F == Fault::JunkForever ? '\x55'
                                                         : '\x7E';
        misbehave(Misbehaviour::flood(std::string(1, byte), 1));
        vp.P.ReadMs = 1;
        break;
      }
      case Fault::DripOnce:
      case Fault::DripAlways: {
        const int times = ARow.F == Fault::DripOnce ? 1 : sim::kAlways;
        misbehave(Misbehaviour::garbage("\x7E", times));
        misbehave(Misbehaviour::flood("\x55", 900, times));
        break;
      }
    }
  }

  std::string run(const Row& ARow) {
    TBasicClock& c = clock();
    switch (ARow.O) {
      case Op::Detect: {
        const bool found = c.Detect(ARow.P == Protocol::Hdlc ? cstKREmber : cstKRTal);
        return std::string(found ? "found " : "not found ") + ClockTypeToStr(c.ClockType) + " '" +
               Printable(c.ClockName) + "' '" + Printable(c.FirmwareVer) + "'";
      }
      case Op::DateTime: {
        // A known firmware: the year correction of old firmware does not ask for it.
        c.FirmwareVer = ARow.P == Protocol::Hdlc ? "Ver 1.20" : "VER 3.10";
        TDateStr date;
        TTimeStr time;
        const bool ok = c.GetDateTime(date, time);
        return std::string(ok ? "true " : "false ") + Printable(date) + " " + Printable(time);
      }
      case Op::Status: {
        const bool connected = c.IsConnected();
        return std::string(connected ? "connected '" : "not connected '") +
               Printable(c.StatusCode()) + "'";
      }
    }
    return {};
  }
};

TEST_P(LinkFaultMatrix, OutcomeAndTime) {
  const Row& row = GetParam();
  build(row.P, row.C);
  inject(row);

  // While a flood runs, the heap is sampled whenever the wait lets messages be processed: what
  // the tool holds beyond what it held before is its own memory, less the flood bytes that the
  // wire still holds for later.
  const std::size_t heapBefore = HeapInUse();
  std::size_t toolPeak = 0;
  int samples = 0;
  if (row.F == Fault::Flood) {
    vp.P.Clock.OnProcessMessages = [&] {
      const std::size_t held = HeapInUse() - Wire->floodBytesNotYetDue();
      if (held > heapBefore) toolPeak = std::max(toolPeak, held - heapBefore);
      ++samples;
    };
  }

  const std::uint64_t start = now();
  const auto wallStart = std::chrono::steady_clock::now();
  const std::string outcome = run(row);
  const std::uint64_t took = now() - start;
  const auto wall = std::chrono::steady_clock::now() - wallStart;
  vp.P.Clock.OnProcessMessages = nullptr;

  EXPECT_EQ(outcome, row.Expected);
  EXPECT_LE(took, row.BudgetMs + Slack) << "virtual ms";
  EXPECT_GE(took, row.MinMs) << "virtual ms";
  if (row.F == Fault::Flood) {
    // The receiver keeps at most the longest possible frame (some 128 KiB) of the stream.
    EXPECT_GE(samples, 60);
    EXPECT_LT(toolPeak, 512u << 10) << "bytes held while a megabyte of noise came in";
  }
  // Virtual time costs nothing; real time grows only with the bytes handled (a megabyte takes
  // well under a second, even under the sanitizers).
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(wall).count(), 5000) << "real ms";
}

// Failures name the row, not its bytes.
void PrintTo(const Row& ARow, std::ostream* AOut) {
  *AOut << ARow.Name;
}

INSTANTIATE_TEST_SUITE_P(Rows, LinkFaultMatrix, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& AInfo) {
                           return std::string(AInfo.param.Name);
                         });

}  // namespace
}  // namespace faults
