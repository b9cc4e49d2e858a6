// The table of clock families: what a detection shows, how records leave, the names and ports the
// front ends offer.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "clock/ClockFamilies.h"

namespace {

TEST(ClockFamilies, ListedClocksFollowTheSearchType) {
  struct Case {
    TClockType Type;
    TClockSearchType Search;
    bool Listed;
  };
  const Case cases[] = {
      {CTUnknown, cstKRTal, false},     {CTUnknown, cstKROptica, false},
      {KRTal, cstKRTal, true},          {MX4100, cstKRTalFast, true},
      {KROpticaClock, cstKRTal, false}, {KROpticaClock, cstKROptica, true},
      {KREmber, cstKRTal, false},       {KREmber, cstKREmberFast, true},
      {KREmber, cstKREmber, true},      {KREmber, cstKROptica, false},
      {KRMiraClock, cstKRMira, true},   {KRMira120Clock, cstKRMira120, true},
      {Lumen, cstKREmber, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsListedClock(c.Type, c.Search), c.Listed)
        << "type " << int(c.Type) << ", search " << int(c.Search);
}

TEST(ClockFamilies, RecordsLeaveOneByOneByBlockOrWithTheWholeLog) {
  EXPECT_EQ(RecordReleaseOf(KRTal, RS232), TRecordRelease::OneByOne);
  EXPECT_EQ(RecordReleaseOf(MX4100, RS485), TRecordRelease::OneByOne);
  EXPECT_EQ(RecordReleaseOf(KRTal, ptHdlc), TRecordRelease::HdlcBlock);
  EXPECT_EQ(RecordReleaseOf(KREmber, ptHdlc), TRecordRelease::HdlcBlock);
  // The terminals' line protocol says nothing: their adapters clear the log.
  EXPECT_EQ(RecordReleaseOf(KRMiraClock, RS232), TRecordRelease::WholeLog);
  EXPECT_EQ(RecordReleaseOf(KRMira120Clock, ptHdlc), TRecordRelease::WholeLog);
  // Each family's own row agrees with what its clocks do.
  for (const TClockFamily& family : ClockFamilies()) {
    const TClockType type = family.FaceTerminal ? family.ProbeType : KRTal;
    EXPECT_EQ(RecordReleaseOf(type, family.Protocol), family.Release) << family.Name;
  }
}

TEST(ClockFamilies, NamesAndPorts) {
  std::set<std::string> names;
  for (const TClockFamily& family : ClockFamilies()) {
    EXPECT_EQ(SearchTypeFromName(family.Name), family.SearchType) << family.Name;
    names.insert(family.Name);
    EXPECT_TRUE(IsDefaultTcpPort(family.DefaultTcpPort));
  }
  EXPECT_EQ(names.size(), ClockFamilies().size());
  EXPECT_FALSE(SearchTypeFromName("krtal"));
  EXPECT_FALSE(SearchTypeFromName(""));
  EXPECT_EQ(ClockFamily(cstKRMira120).DefaultTcpPort, 4370);
  EXPECT_EQ(ClockFamily(cstKRTal).DefaultTcpPort, kCardClockTcpPort);
  EXPECT_FALSE(IsDefaultTcpPort(5005));
}

}  // namespace
