#pragma once
// A line on the virtual platform with the clocks of a clocksim scenario behind it, detected as a
// front end detects them before a dump: a text clock, an RS485 bus or an HDLC clock.
#include <memory>
#include <stdexcept>
#include <string>

#include "clock/ClockFamilies.h"
#include "clock/VexClock.h"
#include "connections/ClockSet.h"
#include "inproc/VirtualPlatform.h"
#include "models/HdlcBusModel.h"
#include "models/Rs485BusModel.h"
#include "models/Scenario.h"
#include "models/TextClockModel.h"

namespace testsupport {

class SimulatedLine {
 public:
  // AStatements as clocksim reads them on its command line (";" between statements).
  SimulatedLine(sim::VirtualPlatform& APlatform, const std::string& AStatements,
                TClockSearchType ASearch)
      : FPlatform(APlatform) {
    sim::ScenarioParser parser;
    parser.parse(AStatements, "test", true);
    FModel = sim::buildModel(parser.finish(), [this] { return FPlatform.Clock.elapsed(); });
    FPlatform.Wire.setModel(FModel.get());
    Line.MaxClockNumber = 2;
    Line.DetectClocks(ASearch);
    if (Line.Clocks().empty() || !IsListedClock(Line.Clocks().front()->ClockType, ASearch))
      throw std::runtime_error("no clock answered: " + AStatements);
  }
  ~SimulatedLine() { FPlatform.Wire.setModel(nullptr); }
  SimulatedLine(const SimulatedLine&) = delete;
  SimulatedLine& operator=(const SimulatedLine&) = delete;

  TBasicClock& Clock() { return *Line.Clocks().front(); }
  // Records clock number 1 still holds.
  int RecordsLeft() {
    if (sim::TextClockModel* text = TextClock()) return static_cast<int>(text->records().size());
    if (auto* hdlc = dynamic_cast<sim::HdlcBusModel*>(FModel.get())) return hdlc->clock(1)->RecordCount;
    return -1;
  }

  // The text clock, alone or as clock 1 of the bus; nullptr on an HDLC line.
  sim::TextClockModel* TextClock() {
    if (auto* text = dynamic_cast<sim::TextClockModel*>(FModel.get())) return text;
    if (auto* bus = dynamic_cast<sim::Rs485BusModel*>(FModel.get())) return bus->clock(1);
    return nullptr;
  }

  TClockSet Line;

 private:
  sim::VirtualPlatform& FPlatform;
  std::unique_ptr<sim::DeviceModel> FModel;
};

}  // namespace testsupport
