// The scenario statements for records and pictures, and the clocks they build, read by the
// clock object in virtual time.
#include <gtest/gtest.h>

#include "clock/records/RecordsFixture.h"
#include "models/HdlcBusModel.h"
#include "models/Scenario.h"

namespace {

sim::Scenario Parse(const std::string& AText) {
  sim::ScenarioParser parser;
  parser.parse(AText, "test");
  return parser.finish();
}

TEST(ScenarioRecords, StatementsForRecordsAndPictures) {
  const sim::Scenario sc = Parse(
      "protocol hdlc\n"
      "clock 2\n"
      "pointer 500\n"
      "block 2\n"
      "record 123 1403/09/17 08:00 card camera\n"
      "record 124 1403/09/17 08:01 picture=1000\n"
      "misbehave lostblock times=1\n"
      "misbehave corrupt\n");
  ASSERT_EQ(sc.Clocks.size(), 1u);
  const auto& s = sc.Clocks[0];
  EXPECT_EQ(s.RecordPointer, 500);
  EXPECT_EQ(s.RecordsPerBlock, 2);
  ASSERT_EQ(s.Records.size(), 2u);
  EXPECT_TRUE(s.Records[0].CardUsed);
  EXPECT_TRUE(s.Records[0].Camera);
  EXPECT_TRUE(s.Records[0].Picture.empty());
  EXPECT_TRUE(s.Records[1].Camera);
  EXPECT_EQ(s.Records[1].Picture.size(), 1000u);
  ASSERT_EQ(s.Misbehaviours.size(), 2u);
  EXPECT_EQ(s.Misbehaviours[0].Kind, sim::MisbehaviourKind::LostBlock);
  EXPECT_EQ(s.Misbehaviours[0].Times, 1);
  EXPECT_EQ(s.Misbehaviours[1].Kind, sim::MisbehaviourKind::CorruptRecord);

  EXPECT_TRUE(Parse("camera yes\n").Clocks[0].Camera);
  for (const char* bad :
       {"block 0", "pointer -1", "record 1 1403/09/17 08:00 picture=x", "misbehave lostblocks"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(Parse(bad), sim::ScenarioError);
  }
  EXPECT_NE(sim::scenarioHelp().find("lostblock"), std::string::npos);
  EXPECT_NE(sim::scenarioHelp().find("picture=N"), std::string::npos);
}

class ScenarioClocks : public recordstest::RecordsTest {};

TEST_F(ScenarioClocks, HdlcClockServesItsRecordsAndPictures) {
  const sim::Scenario sc = Parse(
      "protocol hdlc\n"
      "name KR-Tal H\n"
      "clear-records\n"
      "block 2\n"
      "record 11 1403/09/17 08:00 picture=700\n"
      "record 12 1403/09/17 08:01\n"
      "record 13 1403/09/17 08:02 picture=10\n");
  auto model = sim::buildModel(sc, [this] { return now(); });
  vp.P.Wire.setModel(model.get());
  TClockSet line;
  line.SetProtocol(ptHdlc);
  TBasicClock& clock = *line.Clocks().front();
  clock.FirmwareVer = "Ver 3.10";
  clock.SetGetIOImage(true);
  std::vector<std::size_t> sizes;
  for (int i = 0; i < 5; ++i) {
    const TVexRecord r = clock.GetRecord();
    if (r.KartNo.empty()) break;
    std::string picture;
    sizes.push_back(r.Camera && clock.GetRecordImage(&picture) ? picture.size() : 0);
    clock.NextRecord();
  }
  EXPECT_EQ(sizes, (std::vector<std::size_t>{700, 0, 10}));
  EXPECT_EQ(clock.LastError(), ceClockEmpty);
  auto* bus = dynamic_cast<sim::HdlcBusModel*>(model.get());
  ASSERT_NE(bus, nullptr);
  EXPECT_EQ(bus->clock(1)->RecordCount, 0);
}

TEST_F(ScenarioClocks, TextClockWithACameraServesPictures) {
  const sim::Scenario sc = Parse(
      "camera yes\n"
      "clear-records\n"
      "record 21 1403/09/17 08:00 picture=1000\n");
  auto model = sim::buildModel(sc, [this] { return now(); });
  vp.P.Wire.setModel(model.get());
  TClockSet line;
  TBasicClock& clock = *line.Clocks().front();
  clock.FirmwareVer = "VER 3.10";
  clock.SetGetIOImage(true);
  ASSERT_EQ(clock.GetRecord().KartNo, "21");
  std::string picture;
  ASSERT_TRUE(clock.GetRecordImage(&picture));
  EXPECT_EQ(picture, sc.Clocks[0].Records[0].Picture);
  EXPECT_TRUE(clock.NextRecord());
  EXPECT_EQ(clock.GetRecord().KartNo, "");
}

}  // namespace
