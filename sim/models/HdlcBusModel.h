#pragma once
#include <memory>
#include <vector>

#include "models/DeviceModel.h"
#include "models/HdlcClockModel.h"

namespace sim {

// Several HDLC clocks on one line: every clock hears every frame and answers those addressed to
// it (a single clock on a cable is a bus of one).
class HdlcBusModel : public DeviceModel {
 public:
  HdlcClockModel& addClock(std::uint8_t ANumber);
  HdlcClockModel* clock(std::uint8_t ANumber);
  const std::vector<std::unique_ptr<HdlcClockModel>>& clocks() const { return FClocks; }
  ReplyPlan receive(const std::string& ABytes) override;

 private:
  std::vector<std::unique_ptr<HdlcClockModel>> FClocks;
};

}  // namespace sim
