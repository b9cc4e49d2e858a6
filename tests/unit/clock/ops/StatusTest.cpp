#include <gtest/gtest.h>

#include "clock/VexClock.h"
#include "clock/ops/OpsFixture.h"
#include "support/ScriptedDevice.h"

using opstest::CountCommands;
using opstest::OpsTest;

namespace {

class TextStatusTest : public opstest::TextLineTest {
 protected:
  TextStatusTest() {
    clock().FirmwareVer = "VER 3.10";
    line.OnStatusChange = [this](TBasicClock& ASender) {
      EXPECT_EQ(&ASender, &clock());
      Changes.push_back(ASender.StatusCode());
    };
  }
  std::vector<std::string> Changes;
};

TEST_F(TextStatusTest, CodesAndWhatTheyMean) {
  struct Case {
    int Code;
    bool Connected, Empty, Busy;
  };
  const Case cases[] = {
      {0, true, false, false},
      {1, true, true, false},
      {2, true, false, true},
      {3, true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Code);
    model.setStatus(c.Code);
    advance(1000);  // past the quiet time after an empty answer
    EXPECT_EQ(clock().IsConnected(), c.Connected);
    advance(1000);
    EXPECT_EQ(clock().IsBusy(), c.Busy);
    advance(1000);
    EXPECT_EQ(clock().IsEmpty(), c.Empty);
    EXPECT_EQ(clock().WasConnected(), c.Connected);
    EXPECT_EQ(clock().StatusCode(), std::to_string(c.Code));
  }
  EXPECT_EQ(Changes, (std::vector<std::string>{"0", "1", "2", "3"}));
}

TEST_F(TextStatusTest, SilentClockIsNotConnectedAndTheChangeIsReportedOnce) {
  model.setStatus(0);
  ASSERT_TRUE(clock().IsConnected());
  model.misbehave({sim::MisbehaviourKind::Silence, sim::kAlways, 0, "", ""});
  const auto start = now();
  EXPECT_FALSE(clock().IsConnected());
  // Three tries of 7000 ms each, a pause of 500 ms after each.
  EXPECT_GE(now() - start, 3 * 7500u);
  EXPECT_EQ(CountCommands(model, '\x01'), 4);
  EXPECT_FALSE(clock().IsConnected());
  EXPECT_EQ(Changes, (std::vector<std::string>{"0", ""}));
}

TEST_F(TextStatusTest, EmptyClockIsNotAskedAgainWithinASecondButStampedAgain) {
  model.setStatus(1);
  ASSERT_TRUE(clock().IsEmpty());
  EXPECT_EQ(clock().LastEmptyDate, "1403/09/18");
  EXPECT_EQ(clock().LastEmptyTime, "10:30");
  EXPECT_EQ(CountCommands(model, '\x01'), 1);

  clock().LastEmptyDate = "";
  clock().LastEmptyTime = "";
  advance(300);
  EXPECT_TRUE(clock().IsEmpty());
  EXPECT_EQ(CountCommands(model, '\x01'), 1);
  EXPECT_EQ(clock().LastEmptyDate, "1403/09/18");
  EXPECT_EQ(clock().LastEmptyTime, "10:30");

  // After the quiet second the clock is asked again; now it holds records.
  model.setStatus(0);
  advance(1000);
  EXPECT_FALSE(clock().IsEmpty());
  EXPECT_EQ(CountCommands(model, '\x01'), 2);
  EXPECT_EQ(clock().LastEmptyDate, "");
  EXPECT_EQ(clock().LastEmptyTime, "");
}

TEST_F(TextStatusTest, StatusQueryInsideAPauseOfAnotherOneChangesNothing) {
  model.misbehave({sim::MisbehaviourKind::Silence, 1, 0, "", ""});
  model.setStatus(2);
  int nested = 0;
  vp.P.Clock.OnProcessMessages = [&] {
    ++nested;
    clock().GetStatus();  // returns at once: no command, no change
  };
  clock().GetStatus();
  vp.P.Clock.OnProcessMessages = nullptr;
  EXPECT_GT(nested, 0);
  EXPECT_EQ(CountCommands(model, '\x01'), 2);  // the silent try and the answered one
  EXPECT_EQ(Changes, std::vector<std::string>{"2"});
}

TEST(BusStatus, Rs485ReplyIsTheFourthByteOfTheFrame) {
  sim::ScopedVirtualPlatform vp;
  sim::Rs485BusModel bus;
  bus.addClock(5).setStatus(3);
  vp.P.Wire.setModel(&bus);
  TClockSet line;
  line.SetProtocol(RS485);
  TBasicClock& clock = line.NewClock(5);
  EXPECT_TRUE(clock.IsBusy());
  EXPECT_EQ(clock.StatusCode(), "3");
  TBasicClock& absent = line.NewClock(6);
  EXPECT_FALSE(absent.IsConnected());
}

class HdlcStatusTest : public opstest::HdlcLineTest {
 protected:
  HdlcStatusTest() { clock().FirmwareVer = "Ver 1.20"; }
};

TEST_F(HdlcStatusTest, FirstAnswerByteZeroMeansEmpty) {
  model.RecordCount = 0;
  EXPECT_TRUE(clock().IsEmpty());
  EXPECT_EQ(clock().StatusCode(), "1");
  model.RecordCount = 4;
  advance(1000);
  EXPECT_TRUE(clock().IsConnected());
  EXPECT_FALSE(clock().WasEmpty());
  EXPECT_EQ(clock().StatusCode(), "0");
}

TEST_F(HdlcStatusTest, AnswerWithoutDataIsNoStatus) {
  model.onCommand(0x02, [](const std::string&) { return std::string(); });
  EXPECT_FALSE(clock().IsConnected());
  EXPECT_EQ(clock().StatusCode(), "");
  EXPECT_EQ(opstest::CountHdlcCommands(model, "\x02"), 3);
}

// A clock that cannot be asked (its modem line is down) has no status, whatever it answered
// before. (The last answer of an earlier query was read again as the status.)
TEST_F(HdlcStatusTest, UnreachableClockIsNotJudgedByAnEarlierAnswer) {
  model.RecordCount = 4;
  EXPECT_TRUE(clock().IsConnected());
  line.ChangeConnectionType(Modem);
  line.ChangePhoneNumber("123");
  advance(1000);
  EXPECT_FALSE(clock().IsConnected());
  EXPECT_EQ(clock().StatusCode(), "");
}

}  // namespace
