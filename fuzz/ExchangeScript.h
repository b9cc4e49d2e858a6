#pragma once
// The input format of fuzz_exchange, shared with the seed generator (seed_corpora.cpp), which
// records the simulator's clocks in this format.
//
//   byte 0   line: bits 0-1 protocol (0 RS232, 1 RS485, 2 HDLC, 3 RS232 again), bit 2 TCP/IP
//            instead of a cable, bits 3-4 the clock number (1, 2, 12 or 32), bit 5 the tick
//            counter starts just before it wraps around, bit 6 the baud rate is 57600 (text
//            commands are then written a byte at a time), bit 7 the clock's firmware is known
//            ("VER 3.10"; otherwise a date read may detect the clock first)
//   byte 1   the operation (Operation below, modulo its count)
//   then     the device's replies, one per write of the tool, in order; after the last one the
//            device is silent. A reply is a header of two bytes and its bytes:
//              length  = byte 0 | (byte 1 AND 0Fh) << 8  (at most 4095; cut at the input's end)
//              timing  = byte 1 >> 4:
//                0-7   the whole reply after 1 + 3 * timing ms
//                8-11  one byte at a time, timing - 7 ms apart
//                12-13 after 8000 ms, longer than any reply timeout
//                14-15 the first half after 2 ms, the rest 400 ms later (past the timeout of a
//                      detection)
//            A reply of length 0 is silence for that write.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "models/DeviceModel.h"

namespace fuzzexchange {

enum class Operation : std::uint8_t {
  DetectTal,     // Detect(cstKRTal): status, identification, firmware (and the Lumen probe)
  DetectEmber,   // Detect(cstKREmber)
  DateTime,      // GetDateTime with a stale cache
  Status,        // IsEmpty: status, and the date-time stamp of an empty clock
  TextExchange,  // SendCommand of 18h with reply length 26 and reply start 01 01 01
  RawExchange,   // SendCommandWithoutDecoding of "ACM?" CR, 8 bytes expected
  SerialNumber,  // GetSerialNo of an Ember
  SetDateTime,   // SetDateTime of 1403/09/18 10:30
  Records,       // GetRecord and NextRecord, up to four records
  Picture,       // GetRecord with pictures wanted, then GetRecordImage
  Count
};

struct Reply {
  std::uint8_t Timing = 0;
  std::string Bytes;
};

struct Script {
  std::uint8_t Line = 0;
  std::uint8_t Op = 0;
  std::vector<Reply> Replies;
};

inline constexpr std::size_t kMaxReplyLength = 0x0FFF;

inline std::string Encode(const Script& AScript) {
  std::string out;
  out += static_cast<char>(AScript.Line);
  out += static_cast<char>(AScript.Op);
  for (const Reply& r : AScript.Replies) {
    const std::size_t n = r.Bytes.size() < kMaxReplyLength ? r.Bytes.size() : kMaxReplyLength;
    out += static_cast<char>(n & 0xFF);
    out += static_cast<char>(((n >> 8) & 0x0F) | ((r.Timing & 0x0F) << 4));
    out.append(r.Bytes, 0, n);
  }
  return out;
}

inline Script Decode(const std::uint8_t* AData, std::size_t ASize) {
  Script s;
  if (ASize < 2) return s;
  s.Line = AData[0];
  s.Op = AData[1];
  std::size_t at = 2;
  while (at + 2 <= ASize) {
    Reply r;
    std::size_t n = AData[at] | (static_cast<std::size_t>(AData[at + 1] & 0x0F) << 8);
    r.Timing = static_cast<std::uint8_t>(AData[at + 1] >> 4);
    at += 2;
    if (n > ASize - at) n = ASize - at;
    r.Bytes.assign(reinterpret_cast<const char*>(AData + at), n);
    at += n;
    s.Replies.push_back(std::move(r));
  }
  return s;
}

// When the reply's bytes reach the line.
inline sim::ReplyPlan PlanFor(const Reply& AReply) {
  sim::ReplyPlan plan;
  if (AReply.Bytes.empty()) return plan;
  const std::uint8_t t = AReply.Timing & 0x0F;
  if (t <= 7) {
    plan.push_back({1u + 3u * t, AReply.Bytes});
  } else if (t <= 11) {
    const std::uint32_t gap = t - 7u;
    for (std::size_t i = 0; i < AReply.Bytes.size(); ++i)
      plan.push_back({2u + gap * static_cast<std::uint32_t>(i), AReply.Bytes.substr(i, 1)});
  } else if (t <= 13) {
    plan.push_back({8000u, AReply.Bytes});
  } else {
    const std::size_t half = AReply.Bytes.size() / 2;
    if (half > 0) plan.push_back({2u, AReply.Bytes.substr(0, half)});
    plan.push_back({402u, AReply.Bytes.substr(half)});
  }
  return plan;
}

// A device that plays a script: the next reply for each write.
class ScriptedClock : public sim::DeviceModel {
 public:
  explicit ScriptedClock(std::vector<Reply> AReplies) : FReplies(std::move(AReplies)) {}
  sim::ReplyPlan receive(const std::string&) override {
    if (FNext >= FReplies.size()) return {};
    return PlanFor(FReplies[FNext++]);
  }
  std::size_t repliesPlayed() const { return FNext; }

 private:
  std::vector<Reply> FReplies;
  std::size_t FNext = 0;
};

// A device in front of another that notes each write's reply in script form (all of it as one
// piece), so that what a simulated clock said can be replayed and mutated.
class RecordingClock : public sim::DeviceModel {
 public:
  explicit RecordingClock(sim::DeviceModel& AInner) : FInner(AInner) {}
  sim::ReplyPlan receive(const std::string& ABytes) override {
    sim::ReplyPlan plan = FInner.receive(ABytes);
    Reply r;
    for (const auto& piece : plan) r.Bytes += piece.Bytes;
    Recorded.push_back(std::move(r));
    return plan;
  }
  void lineSettings(int ABaud, TParity AParity) override { FInner.lineSettings(ABaud, AParity); }
  std::vector<Reply> Recorded;

 private:
  sim::DeviceModel& FInner;
};

}  // namespace fuzzexchange
