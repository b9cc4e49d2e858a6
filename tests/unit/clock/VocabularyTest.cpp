#include <gtest/gtest.h>

#include "clock/VexClock.h"
#include "connections/ClockSet.h"
#include "inproc/VirtualPlatform.h"

TEST(ClockNames, ClockTypeNamesRoundTripAndIgnoreCase) {
  for (int i = 0; i < kClockTypeCount; ++i) {
    const auto type = static_cast<TClockType>(i);
    EXPECT_EQ(StrToClockType(ClockTypeToStr(type)), type) << ClockTypeToStr(type);
  }
  EXPECT_EQ(ClockTypeToStr(CTUnknown), "Unknown");
  EXPECT_EQ(ClockTypeToStr(KRMira120Clock), "KRMira120");
  EXPECT_EQ(StrToClockType("krEMBER"), KREmber);
  EXPECT_EQ(StrToClockType(""), CTUnknown);
  // The enumerator name is not the setting word.
  EXPECT_EQ(StrToClockType("KRMiraClock"), CTUnknown);
  EXPECT_EQ(ClockTypeToStr(static_cast<TClockType>(9)), "");
}

TEST(ClockNames, ProtocolNamesAreCaseSensitive) {
  EXPECT_EQ(StrToProtocol("Hdlc"), ptHdlc);
  EXPECT_EQ(StrToProtocol("hdlc"), RS232);
  EXPECT_EQ(StrToProtocol("RS485"), RS485);
  EXPECT_EQ(StrToProtocol("rs485"), RS232);
  EXPECT_EQ(ProtocolToStr(ptHdlc), "Hdlc");
  EXPECT_EQ(ProtocolToStr(static_cast<TProtocol>(3)), "");
}

TEST(ClockTriesTable, FourOnModemOnceForFaceTerminals) {
  for (int p = 0; p < kProtocolCount; ++p)
    for (int t = 0; t < kClockTypeCount; ++t) {
      const bool face = t == KRMiraClock || t == KRMira120Clock;
      EXPECT_EQ(ClockTries[Cable][p][t], face ? 1 : 3);
      EXPECT_EQ(ClockTries[Modem][p][t], face ? 1 : 4);
      EXPECT_EQ(ClockTries[TcpIp][p][t], face ? 1 : 3);
    }
}

TEST(ShortStrings, AreCutOnAssignment) {
  TVexRecord record;
  record.Date = "1405/09/18 extra";
  record.Time = "10:30:59";
  EXPECT_EQ(record.Date.str(), "1405/09/18");
  EXPECT_EQ(record.Time.str(), "10:30");
}

TEST(NewClock, StartsAsUnknownActiveMx4100WithoutRecord) {
  sim::ScopedVirtualPlatform vp;
  TClockSet line;
  TBasicClock& clock = line.NewClock(7);
  EXPECT_EQ(clock.ClockNumber, 7);
  EXPECT_EQ(&clock.Link(), &line.Link());
  EXPECT_EQ(clock.ClockType, MX4100);
  EXPECT_EQ(clock.ClockName, "Unknown");
  EXPECT_TRUE(clock.Active);
  EXPECT_TRUE(clock.CurrentRecordValue().KartNo.empty());
  EXPECT_EQ(clock.LastError(), ceNoError);
  EXPECT_FALSE(clock.SessionIsOpen());
  EXPECT_FALSE(clock.LastHdlcPacket().IsValid);
}
