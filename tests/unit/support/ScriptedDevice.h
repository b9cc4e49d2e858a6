#pragma once
// A device that answers each write with the next reply of a script: enough to pin down exactly
// what the link does with a given byte sequence and timing.
#include <deque>
#include <string>
#include <vector>

#include "models/DeviceModel.h"

namespace testsupport {

class ScriptedDevice : public sim::DeviceModel {
 public:
  sim::ReplyPlan receive(const std::string& ABytes) override {
    Received.push_back(ABytes);
    if (Replies.empty()) return Always;
    sim::ReplyPlan plan = Replies.front();
    Replies.pop_front();
    return plan;
  }
  // Queues a reply for the next write: the pieces arrive at the given offsets.
  void then(sim::ReplyPlan APlan) { Replies.push_back(std::move(APlan)); }
  void then(const std::string& ABytes, std::uint32_t AAtMs = 5) { then({{AAtMs, ABytes}}); }

  std::deque<sim::ReplyPlan> Replies;
  // Answer once the script is used up (empty: silence).
  sim::ReplyPlan Always;
  std::vector<std::string> Received;
};

inline std::string Bytes(std::initializer_list<int> ABytes) {
  std::string s;
  for (int b : ABytes) s += static_cast<char>(b);
  return s;
}

std::string Hex(const std::string& ABytes);

}  // namespace testsupport
