#pragma once
// What the simulated clocks still hold: the records that no dump has taken from them yet. clocksim
// writes this list when it stops (--remaining FILE), so that a test can tell which records left a
// clock and must therefore be found in what the tool wrote.
#include <string>

#include "models/DeviceModel.h"
#include "models/Scenario.h"

namespace sim {

// One line per record a clock of AModel still holds, oldest first:
//   ATransport CLOCK CARD YYYY/MM/DD HH:MM
// (the date in the clock's calendar). A modem in front of the clocks is looked through. AModel
// may be nullptr (a transport that was not served): no lines.
std::string RemainingRecordsText(const std::string& ATransport, DeviceModel* AModel,
                                 const Scenario& AScenario);

}  // namespace sim
