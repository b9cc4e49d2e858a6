#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/SerialPort.h"

namespace sim {

// A piece of reply: bytes that the device puts on the line AtMs milliseconds after it received
// the bytes that caused them.
struct TimedBytes {
  std::uint32_t AtMs = 0;
  std::string Bytes;
  // When not 0, the device sends Bytes again every RepeatMs from AtMs on and never stops (a
  // babbling device); a later repeating piece takes the place of the earlier one.
  std::uint32_t RepeatMs = 0;
};
using ReplyPlan = std::vector<TimedBytes>;

// A device on the line. It sees the bytes the tool sends, as they arrive (a command may come in
// several pieces), and answers with a timing plan. Models keep their own receive buffer.
class DeviceModel {
 public:
  virtual ~DeviceModel() = default;
  virtual ReplyPlan receive(const std::string& ABytes) = 0;
  // The line settings the tool chose; a model may refuse to understand a wrong speed or parity.
  virtual void lineSettings(int /*ABaud*/, TParity /*AParity*/) {}
};

}  // namespace sim
