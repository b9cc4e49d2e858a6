#include "server/RemainingRecords.h"

#include <cstdio>

#include "models/HayesModemModel.h"
#include "models/HdlcBusModel.h"
#include "models/Rs485BusModel.h"
#include "models/TextClockModel.h"

namespace sim {

namespace {

std::string RecordLine(const std::string& ATransport, int AClock, const ClockRecord& ARecord) {
  const SimDateTime& w = ARecord.When;
  char when[32];
  std::snprintf(when, sizeof when, "%04d/%02d/%02d %02d:%02d", w.Year, w.Month, w.Day, w.Hour,
                w.Minute);
  return ATransport + " " + std::to_string(AClock) + " " + ARecord.Card + " " + when + "\n";
}

std::string TextClockLines(const std::string& ATransport, const TextClockModel& AClock) {
  std::string text;
  for (const auto& r : AClock.records()) text += RecordLine(ATransport, AClock.number(), r);
  return text;
}

}  // namespace

std::string RemainingRecordsText(const std::string& ATransport, DeviceModel* AModel,
                                 const Scenario& AScenario) {
  if (auto* modem = dynamic_cast<HayesModemModel*>(AModel)) AModel = modem->inner();
  if (auto* clock = dynamic_cast<TextClockModel*>(AModel))
    return TextClockLines(ATransport, *clock);
  std::string text;
  if (auto* bus = dynamic_cast<Rs485BusModel*>(AModel)) {
    for (const auto& c : bus->clocks()) text += TextClockLines(ATransport, *c);
  } else if (auto* hdlc = dynamic_cast<HdlcBusModel*>(AModel)) {
    // An HDLC clock releases its records oldest first, a block at a time, and counts those it
    // still holds: they are the last ones of the clock's list.
    for (const auto& c : hdlc->clocks()) {
      for (const auto& s : AScenario.Clocks) {
        if (s.Number != c->ClockNumber) continue;
        const std::size_t held = static_cast<std::size_t>(c->RecordCount);
        const std::size_t from = held < s.Records.size() ? s.Records.size() - held : 0;
        for (std::size_t i = from; i < s.Records.size(); ++i)
          text += RecordLine(ATransport, s.Number, s.Records[i]);
      }
    }
  }
  return text;
}

}  // namespace sim
