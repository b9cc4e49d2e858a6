// The clocks a clocksim scenario describes, as the clock object sees them in-process.
#include <gtest/gtest.h>

#include "clock/VexClock.h"
#include "clock/ops/OpsFixture.h"
#include "models/Scenario.h"

namespace {

std::unique_ptr<sim::DeviceModel> Build(const std::string& AText) {
  sim::ScenarioParser parser;
  parser.parse(AText, "test", true);
  return sim::buildModel(parser.finish());
}

class ScenarioClocksTest : public opstest::OpsTest {};

TEST_F(ScenarioClocksTest, EmberOnHdlcIsDetectedReadSetAndNumbered) {
  auto model = Build(
      "protocol Hdlc; name KR-Ember 2; firmware VER 5.01; calendar gregorian; "
      "datetime 2024/12/08 10:30; prefix xyz; serial 4000000000");
  vp.P.Wire.setModel(model.get());
  TClockSet line;
  line.SetProtocol(ptHdlc);
  TBasicClock& clock = *line.Clocks().front();
  ASSERT_TRUE(clock.Detect(cstKREmber));
  EXPECT_EQ(clock.ClockType, KREmber);
  EXPECT_EQ(clock.ClockName, "KR-Ember 2");
  EXPECT_EQ(clock.FirmwareVer, "Ver 5.01");
  EXPECT_EQ(clock.HdlcDevCam(), "CAM");
  TDateStr date;
  TTimeStr time;
  ASSERT_TRUE(clock.GetDateTime(date, time));
  EXPECT_EQ(date, "1403/9/18");  // Gregorian on the wire, shown solar without a dictionary
  EXPECT_EQ(time, "10:30");
  EXPECT_EQ(clock.DeviceCalendarType(), Christian);
  ASSERT_TRUE(clock.SetDateTime("1403/10/01", "07:15"));
  ASSERT_TRUE(clock.GetDateTime(date, time));
  EXPECT_EQ(date, "1403/10/1");
  EXPECT_EQ(time, "07:15");
  EXPECT_EQ(clock.GetSerialNo(), "4000000000");
}

TEST_F(ScenarioClocksTest, HdlcFirmwareVer260IsCorrectedLikeATextClocks) {
  auto model = Build("protocol Hdlc; name KR-Tal H; firmware VER 2.60; datetime 1400/02/03 09:00");
  vp.P.Wire.setModel(model.get());
  TClockSet line;
  line.SetProtocol(ptHdlc);
  TBasicClock& clock = *line.Clocks().front();
  ASSERT_TRUE(clock.Detect(cstKRTalFast));
  EXPECT_EQ(clock.FirmwareVer, "Ver 2.60");
  TDateStr date;
  TTimeStr time;
  ASSERT_TRUE(clock.GetDateTime(date, time));
  EXPECT_EQ(date, "1394/2/3");
  EXPECT_EQ(Messages.size(), 1u);
}

TEST_F(ScenarioClocksTest, DescriptionStatementReplacesTheBuiltOne) {
  sim::ScenarioParser parser;
  parser.parse("protocol Hdlc; name X; description Odd model", "test", true);
  const sim::Scenario sc = parser.finish();
  EXPECT_EQ(sim::hdlcDescription(sc.Clocks.front()), "Odd model");
  sim::TextClockSettings plain;
  plain.Name = "M";
  plain.Firmware = "2.0";
  EXPECT_EQ(sim::hdlcDescription(plain), "M;Ver 2.0;Rec 50000;CAM;");
  plain.Firmware = "Ver 7";
  EXPECT_EQ(sim::hdlcDescription(plain), "M;Ver 7;Rec 50000;CAM;");
}

TEST_F(ScenarioClocksTest, Rs232ClockThatIsNotReadyCannotBeSet) {
  auto model = Build("name KR-Tal 100; ready no");
  vp.P.Wire.setModel(model.get());
  TClockSet line;
  TBasicClock& clock = *line.Clocks().front();
  EXPECT_FALSE(clock.SetDateTime("1403/10/01", "07:15"));
  const auto& log = static_cast<sim::TextClockModel&>(*model).commandLog();
  EXPECT_EQ(log, std::vector<std::string>(3, "\x07"));
}

TEST_F(ScenarioClocksTest, BadStatementsAreRefused) {
  for (const char* text :
       {"serial 4294967296", "serial x", "prefix xz", "ready maybe", "description"}) {
    sim::ScenarioParser parser;
    EXPECT_THROW(parser.parse(text, "test", true), sim::ScenarioError) << text;
  }
}

}  // namespace
