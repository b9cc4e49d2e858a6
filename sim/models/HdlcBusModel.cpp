#include "models/HdlcBusModel.h"

namespace sim {

HdlcClockModel& HdlcBusModel::addClock(std::uint8_t ANumber) {
  FClocks.push_back(std::make_unique<HdlcClockModel>(ANumber));
  return *FClocks.back();
}

HdlcClockModel* HdlcBusModel::clock(std::uint8_t ANumber) {
  for (auto& c : FClocks)
    if (c->ClockNumber == ANumber) return c.get();
  return nullptr;
}

ReplyPlan HdlcBusModel::receive(const std::string& ABytes) {
  ReplyPlan plan;
  for (auto& c : FClocks)
    for (auto& piece : c->receive(ABytes)) plan.push_back(std::move(piece));
  return plan;
}

}  // namespace sim
