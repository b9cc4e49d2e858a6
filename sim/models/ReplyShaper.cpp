#include "models/ReplyShaper.h"

#include <algorithm>

namespace sim {

namespace {

bool concerns(const Misbehaviour& ARule, const std::string& ACommand) {
  if (ARule.Times == 0) return false;
  if (ARule.Command.empty()) return true;
  return !ACommand.empty() && ACommand[0] == ARule.Command[0];
}

}  // namespace

char ReplyShaper::wrongCheckByte(char AByte) {
  auto b = static_cast<unsigned char>(AByte);
  unsigned char w = static_cast<unsigned char>(b ^ 0xFF);
  if (w == 0x01 || w == 0x0D) w = static_cast<unsigned char>(b ^ 0x7F);
  return static_cast<char>(w);
}

Misbehaviour* ReplyShaper::find(MisbehaviourKind AKind, const ModelReply& AReply) {
  for (auto& r : FRules) {
    if (r.Kind != AKind || !concerns(r, AReply.Command)) continue;
    if (AKind == MisbehaviourKind::WrongCheck &&
        (AReply.CheckByteIndex < 0 ||
         AReply.CheckByteIndex >= static_cast<int>(AReply.Bytes.size())))
      continue;
    return &r;
  }
  return nullptr;
}

void ReplyShaper::useUp(Misbehaviour* ARule) {
  if (ARule && ARule->Times > 0) --ARule->Times;
}

bool ReplyShaper::take(MisbehaviourKind AKind, const std::string& ACommand) {
  for (auto& r : FRules) {
    if (r.Kind == AKind && concerns(r, ACommand)) {
      useUp(&r);
      return true;
    }
  }
  return false;
}

ReplyPlan ReplyShaper::shape(const ModelReply& AReply, std::uint32_t ALatencyMs) {
  if (AReply.Bytes.empty()) return {};
  if (Misbehaviour* silence = find(MisbehaviourKind::Silence, AReply)) {
    useUp(silence);
    return {};
  }

  std::string bytes = AReply.Bytes;
  if (Misbehaviour* wrong = find(MisbehaviourKind::WrongCheck, AReply)) {
    auto& check = bytes[static_cast<std::size_t>(AReply.CheckByteIndex)];
    check = wrongCheckByte(check);
    useUp(wrong);
  }

  // Several garbage or delay rules add up; one pacing rule is enough.
  std::string garbage;
  std::uint32_t at = ALatencyMs;
  Misbehaviour* byteByByte = nullptr;
  Misbehaviour* flood = find(MisbehaviourKind::Flood, AReply);
  for (auto& r : FRules) {
    if (!concerns(r, AReply.Command)) continue;
    if (r.Kind == MisbehaviourKind::Garbage) {
      garbage += r.Bytes;
      useUp(&r);
    } else if (r.Kind == MisbehaviourKind::Delay) {
      at += r.Ms;
      useUp(&r);
    } else if (r.Kind == MisbehaviourKind::ByteByByte && !byteByByte) {
      byteByByte = &r;
    }
  }
  bytes = garbage + bytes;

  ReplyPlan plan;
  if (flood) {
    // The reply never comes: what goes out instead starts one period after it was due.
    const std::uint32_t every = std::max<std::uint32_t>(flood->Ms, 1);
    if (!garbage.empty()) plan.push_back(TimedBytes{at, garbage});
    plan.push_back(TimedBytes{at + every, flood->Bytes, every});
    useUp(flood);
  } else if (byteByByte) {
    const std::uint32_t step = byteByByte->Ms;
    useUp(byteByByte);
    for (std::size_t i = 0; i < bytes.size(); ++i)
      plan.push_back(TimedBytes{at + static_cast<std::uint32_t>(i) * step, bytes.substr(i, 1)});
  } else {
    plan.push_back(TimedBytes{at, bytes});
  }

  FRules.erase(std::remove_if(FRules.begin(), FRules.end(),
                              [](const Misbehaviour& r) { return r.Times == 0; }),
               FRules.end());
  return plan;
}

}  // namespace sim
