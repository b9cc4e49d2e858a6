#pragma once
// A line on the virtual platform with a bus of simulated clocks behind it, for the operations of
// the line as a whole: detection over clock numbers, the merged record stream, date, time and
// status over several clocks.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "clock/VexClock.h"
#include "connections/ClockSet.h"
#include "inproc/VirtualPlatform.h"
#include "models/HdlcBusModel.h"
#include "models/Rs485BusModel.h"
#include "models/TextClockModel.h"
#include "support/CommandLog.h"
#include "utils/MessageHook.h"

namespace lineops {

// A clock at ANumber named AName, without records.
inline sim::TextClockSettings BusClock(int ANumber, const std::string& AName = "KR-Tal 100") {
  sim::TextClockSettings s;
  s.Number = ANumber;
  s.Name = AName;
  return s;
}

inline sim::ClockRecord Record(const std::string& ACard, sim::SimDateTime AWhen, int AEvent = 0) {
  sim::ClockRecord r;
  r.Card = ACard;
  r.When = AWhen;
  r.Event = AEvent;
  return r;
}

inline std::vector<int> Numbers(const TClockSet& ALine) {
  std::vector<int> out;
  for (const auto& clock : ALine.Clocks()) out.push_back(clock->ClockNumber);
  return out;
}

using testsupport::CountCommands;

inline std::string ReadFile(const std::string& APath) {
  std::ifstream in(APath, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Messages are caught; every clock number a detection probes is noted.
class LineTest : public ::testing::Test {
 protected:
  LineTest()
      : hook([this](const std::string& AMsg, TMsgDlgType, TMsgDlgButtons, std::int32_t) {
          Messages.push_back(AMsg);
          return static_cast<int>(mrOk);
        }) {
    line.OnProbeClock = [this](std::int32_t ANumber) { Probed.push_back(ANumber); };
  }
  void advance(std::uint32_t AMs) { vp.P.Clock.advance(AMs); }
  std::string TempFile(const char* AName) const { return Dir.filePath(AName).toStdString(); }

  sim::ScopedVirtualPlatform vp;
  std::vector<std::string> Messages;
  TScopedMessageHook hook;
  std::vector<int> Probed;
  QTemporaryDir Dir;
  TClockSet line;
};

// Text clocks on an RS485 bus, reached over a serial cable.
class BusLineTest : public LineTest {
 protected:
  BusLineTest() { vp.P.Wire.setModel(&bus); }
  sim::TextClockModel& Add(sim::TextClockSettings ASettings) {
    return bus.addClock(std::move(ASettings));
  }
  sim::Rs485BusModel bus;
};

}  // namespace lineops
