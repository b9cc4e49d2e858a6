#pragma once
// Lines on the virtual platform with simulated clocks behind them, for the clock operations.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "clock/VexClock.h"
#include "connections/ClockSet.h"
#include "inproc/VirtualPlatform.h"
#include "models/HdlcClockModel.h"
#include "models/Rs485BusModel.h"
#include "models/TextClockModel.h"
#include "support/CommandLog.h"
#include "utils/MessageHook.h"
#include "utils/ProgramDirectory.h"

namespace opstest {

using testsupport::CountCommands;

inline int CountHdlcCommands(const sim::HdlcClockModel& AModel, const std::string& AData) {
  return static_cast<int>(
      std::count_if(AModel.Commands.begin(), AModel.Commands.end(),
                    [&](const std::string& c) { return c.compare(0, AData.size(), AData) == 0; }));
}

// A program folder of the test's own, empty until the test writes a "MainDict.edf" there.
class ProgramFolder {
 public:
  ProgramFolder() { SetProgramDirectory(FDir.path().toStdString()); }
  ~ProgramFolder() { SetProgramDirectory(""); }
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;
  void writeMainDict(const std::string& AText) {
    std::ofstream(FDir.filePath("MainDict.edf").toStdString(), std::ios::binary) << AText;
  }

 private:
  QTemporaryDir FDir;
};

// Every test starts a fresh "run": the upgrade notice may show again, messages are caught, and
// the program's folder holds no dictionary.
class OpsTest : public ::testing::Test {
 protected:
  OpsTest()
      : hook([this](const std::string& AMsg, TMsgDlgType AType, TMsgDlgButtons AButtons,
                    std::int32_t) {
          Messages.push_back(AMsg);
          MessageTypes.push_back(AType);
          MessageButtons.push_back(AButtons);
          return static_cast<int>(mrOk);
        }) {
    ShowUpgradeNotice = true;
  }
  ~OpsTest() override { ShowUpgradeNotice = true; }
  std::uint64_t now() const { return vp.P.Clock.elapsed(); }
  void advance(std::uint32_t AMs) { vp.P.Clock.advance(AMs); }

  ProgramFolder Folder;
  sim::ScopedVirtualPlatform vp;
  std::vector<std::string> Messages;
  std::vector<TMsgDlgType> MessageTypes;
  std::vector<TMsgDlgButtons> MessageButtons;
  TScopedMessageHook hook;
};

// One text clock on an RS232 cable line.
class TextLineTest : public OpsTest {
 protected:
  explicit TextLineTest(sim::TextClockSettings ASettings = {}) : model(std::move(ASettings)) {
    vp.P.Wire.setModel(&model);
  }
  TBasicClock& clock() { return *line.Clocks().front(); }
  sim::TextClockModel model;
  TClockSet line;
};

// An HDLC line with clock 1 behind it.
class HdlcLineTest : public OpsTest {
 protected:
  HdlcLineTest() {
    vp.P.Wire.setModel(&model);
    line.SetProtocol(ptHdlc);
  }
  TBasicClock& clock() { return *line.Clocks().front(); }
  sim::HdlcClockModel model{1};
  TClockSet line;
};

}  // namespace opstest
