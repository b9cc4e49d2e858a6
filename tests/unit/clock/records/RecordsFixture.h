#pragma once
// Lines in virtual time with simulated clocks that hold records (and pictures), and the
// messages the clock object shows while it reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "clock/VexClock.h"
#include "connections/ClockSet.h"
#include "inproc/VirtualPlatform.h"
#include "models/ClockPictures.h"
#include "models/HdlcClockModel.h"
#include "models/HdlcRecordStore.h"
#include "models/TextClockModel.h"
#include "utils/MessageHook.h"

namespace recordstest {

inline const std::string kCorruptRecord = "ركورد خراب مي باشد";
inline const std::string kRecordReadError = "خطا در هنگام خواندن ركورد";

inline sim::ClockRecord Record(const std::string& ACard, sim::SimDateTime AWhen, int AEvent = 0,
                               bool AFinger = false) {
  sim::ClockRecord r;
  r.Card = ACard;
  r.When = AWhen;
  r.Event = AEvent;
  r.Finger = AFinger;
  return r;
}

inline sim::ClockRecord WithPicture(sim::ClockRecord ARecord, std::size_t ASize) {
  ARecord.Picture = sim::samplePicture(ASize, static_cast<std::uint32_t>(ASize));
  ARecord.Camera = true;
  return ARecord;
}

// A misbehaviour of the records and pictures kinds.
inline sim::Misbehaviour Spoil(sim::MisbehaviourKind AKind, int ATimes = sim::kAlways) {
  sim::Misbehaviour m;
  m.Kind = AKind;
  m.Times = ATimes;
  return m;
}

// How many whole commands of a text clock began with APrefix.
inline int CountText(const sim::TextClockModel& AModel, const std::string& APrefix) {
  const auto& log = AModel.commandLog();
  return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& c) {
    return c.compare(0, APrefix.size(), APrefix) == 0;
  }));
}

// How many data commands of an HDLC clock began with APrefix.
inline int CountHdlc(const sim::HdlcClockModel& AModel, const std::string& APrefix) {
  return static_cast<int>(std::count_if(
      AModel.Commands.begin(), AModel.Commands.end(),
      [&](const std::string& c) { return c.compare(0, APrefix.size(), APrefix) == 0; }));
}

// Virtual time, and every message the clock object shows, answered OK.
class RecordsTest : public ::testing::Test {
 protected:
  RecordsTest()
      : hook([this](const std::string& AMsg, TMsgDlgType AType, TMsgDlgButtons AButtons,
                    std::int32_t) {
          Messages.push_back(AMsg);
          EXPECT_EQ(AType, mtError);
          EXPECT_EQ(AButtons, mbOK);
          return static_cast<int>(mrOk);
        }) {}
  std::uint64_t now() const { return vp.P.Clock.elapsed(); }

  sim::ScopedVirtualPlatform vp;
  std::vector<std::string> Messages;
  TScopedMessageHook hook;
};

// One text clock on an RS232 cable line at COM12, its date 1403/09/18 (solar).
class TextRecordsTest : public RecordsTest {
 protected:
  TextRecordsTest() {
    vp.P.Wire.setModel(&model);
    line.ChangeSerialPortNumber(12);
    // A clock with known firmware: reading its date does not start a detection.
    clock().FirmwareVer = "VER 3.10";
  }
  TBasicClock& clock() { return *line.Clocks().front(); }
  sim::TextClockModel model;
  TClockSet line;
};

// Clock 1 on an HDLC cable line at COM12 with a record store: read position 40, blocks of
// three records, a solar calendar and a camera.
class HdlcRecordsTest : public RecordsTest {
 protected:
  HdlcRecordsTest() {
    vp.P.Wire.setModel(&model);
    line.SetProtocol(ptHdlc);
    line.ChangeSerialPortNumber(12);
    model.DeviceDescription = "KR-Tal H;Ver 1.00;Rec 50000;CAM;";
    store = sim::HdlcRecordStore::install(model, {}, 40);
    clock().FirmwareVer = "Ver 1.00";
  }
  TBasicClock& clock() { return *line.Clocks().front(); }
  // Reads and releases every record, returning the card numbers in the order read.
  std::vector<std::string> DumpAll(int ALimit = 100) {
    std::vector<std::string> cards;
    for (int i = 0; i < ALimit; ++i) {
      const TVexRecord r = clock().GetRecord();
      if (r.KartNo.empty()) break;
      cards.push_back(r.KartNo);
      clock().NextRecord();
    }
    return cards;
  }
  sim::HdlcClockModel model{1};
  std::shared_ptr<sim::HdlcRecordStore> store;
  TClockSet line;
};

}  // namespace recordstest
