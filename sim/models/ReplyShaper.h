#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "models/DeviceModel.h"

namespace sim {

// Ways a device can misbehave on the line, switched on per device by a test or a scenario.
// The shaper applies the first five to any reply plan. Kinds that change what a device means
// (a closed session, a busy answer, a bad frame CRC) belong to the device model: it asks the
// shaper with take() whether one is due for the command at hand, so every model keeps the same
// counting rules.
enum class MisbehaviourKind {
  Silence,     // no reply at all
  Delay,       // the reply comes Ms later than usual
  ByteByByte,  // every byte of the reply is a piece of its own, Ms apart
  Garbage,     // Bytes go out just before the reply
  WrongCheck,  // the reply's check byte is wrong (only replies that carry one)
  // Kinds the clock models apply to records and pictures themselves (see take()):
  CorruptRecord,     // a record that is framed and checked but no record (text: an hour of 25;
                     // HDLC: the first record of the block with a wrong check byte)
  BadBlockCheck,     // a picture block with a wrong check byte
  WrongBlockNumber,  // a picture block numbered one too high (Ember: a data packet)
  LostBlock,         // a picture block that is not sent (Ember: a data packet not answered)
  // In place of the reply, Bytes go out every Ms and never stop, not even for a later command
  // (a device that floods or drips); Garbage rules still go before the first piece.
  Flood,
};

// A rule in force is used up one reply at a time.
inline constexpr int kAlways = -1;

struct Misbehaviour {
  MisbehaviourKind Kind = MisbehaviourKind::Silence;
  // How many more replies the rule shapes; kAlways for every reply.
  int Times = kAlways;
  // Delay: extra milliseconds; ByteByByte: milliseconds between two bytes; Flood: milliseconds
  // between two pieces (at least 1).
  std::uint32_t Ms = 0;
  // Garbage: the bytes sent before the reply; Flood: the piece sent again and again.
  std::string Bytes;
  // When not empty, the rule only concerns commands that begin with this byte (for example 03h:
  // a clock that answers its status but never a record request).
  std::string Command;

  static Misbehaviour silence(int ATimes = kAlways) {
    return make(MisbehaviourKind::Silence, ATimes);
  }
  static Misbehaviour delay(std::uint32_t AMs, int ATimes = kAlways) {
    return make(MisbehaviourKind::Delay, ATimes, AMs);
  }
  static Misbehaviour byteByByte(std::uint32_t AMs, int ATimes = kAlways) {
    return make(MisbehaviourKind::ByteByByte, ATimes, AMs);
  }
  static Misbehaviour garbage(std::string ABytes, int ATimes = kAlways) {
    return make(MisbehaviourKind::Garbage, ATimes, 0, std::move(ABytes));
  }
  static Misbehaviour flood(std::string ABytes, std::uint32_t AEveryMs, int ATimes = kAlways) {
    return make(MisbehaviourKind::Flood, ATimes, AEveryMs, std::move(ABytes));
  }
  static Misbehaviour wrongCheck(int ATimes = kAlways) {
    return make(MisbehaviourKind::WrongCheck, ATimes);
  }
  // The same rule, limited to commands that begin with the byte ACommand[0].
  Misbehaviour onlyFor(std::string ACommand) const {
    Misbehaviour m = *this;
    m.Command = std::move(ACommand);
    return m;
  }

 private:
  static Misbehaviour make(MisbehaviourKind AKind, int ATimes, std::uint32_t AMs = 0,
                           std::string ABytes = {}) {
    Misbehaviour m;
    m.Kind = AKind;
    m.Times = ATimes;
    m.Ms = AMs;
    m.Bytes = std::move(ABytes);
    return m;
  }
};

// A reply as a device model produced it, before any misbehaviour.
struct ModelReply {
  std::string Bytes;
  // Index in Bytes of the check byte that the receiver verifies, or -1 when the reply has none.
  int CheckByteIndex = -1;
  // The command it answers (its first byte selects rules with a Command filter).
  std::string Command;
};

class ReplyShaper {
 public:
  void add(const Misbehaviour& AMisbehaviour) { FRules.push_back(AMisbehaviour); }
  void clear() { FRules.clear(); }
  const std::vector<Misbehaviour>& rules() const { return FRules; }

  // The reply plan for AReply: it starts ALatencyMs after the command, then the rules in force
  // reshape it. Each rule that shapes the reply is used up once. A silenced reply uses up only
  // the silence rule: the others wait for the next reply that is sent.
  ReplyPlan shape(const ModelReply& AReply, std::uint32_t ALatencyMs);

  // For misbehaviours a model applies itself: true when a rule of AKind is in force for
  // ACommand; it is used up once.
  bool take(MisbehaviourKind AKind, const std::string& ACommand = {});

  // The check byte a WrongCheck rule puts in place of AByte: always different from it, and never
  // 01h or 0Dh, which the receiver's cleaning would treat as framing.
  static char wrongCheckByte(char AByte);

 private:
  // The rule of AKind in force for the reply, or nullptr.
  Misbehaviour* find(MisbehaviourKind AKind, const ModelReply& AReply);
  void useUp(Misbehaviour* ARule);
  std::vector<Misbehaviour> FRules;
};

}  // namespace sim
