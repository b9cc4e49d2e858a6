// Pictures of records: whether the clock has a camera, where the picture lies, and the three
// transfers, in virtual time against the simulated clocks.
#include <gtest/gtest.h>

#include <algorithm>

#include "clock/records/RecordsFixture.h"
#include "models/Rs485BusModel.h"

using recordstest::CountHdlc;
using recordstest::CountText;
using recordstest::Record;
using recordstest::Spoil;
using recordstest::WithPicture;
using sim::MisbehaviourKind;

namespace {

// ---- Text protocol ----

class TextPictures : public recordstest::TextRecordsTest {
 protected:
  TextPictures() {
    model.settings().Camera = true;
    model.settings().RecordPointer = 12;
    clock().SetGetIOImage(true);
  }
  bool Logged(const std::string& ACommand) const {
    const auto& log = model.commandLog();
    return std::find(log.begin(), log.end(), ACommand) != log.end();
  }
};

TEST_F(TextPictures, CameraQueryAnswers) {
  struct Case {
    const char* Name;
    bool Camera;
    bool Silent;
    bool Has;
    bool AskAgain;
    int Queries;
  };
  const Case cases[] = {
      {"camera", true, false, true, false, 1},
      // "I" twice: no camera, and no need to ask again.
      {"no camera", false, false, false, false, 2},
      {"no answer", true, true, false, true, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    model.settings().Camera = c.Camera;
    model.misbehaviour().clear();
    if (c.Silent) model.misbehave(sim::Misbehaviour::silence().onlyFor("A"));
    const int before = CountText(model, "ACM?\r");
    clock().CheckCaptureImageCapability();
    EXPECT_EQ(clock().HasCaptureImageCapability(), c.Has);
    EXPECT_EQ(clock().MustCheckCaptureImageCapability(), c.AskAgain);
    EXPECT_EQ(CountText(model, "ACM?\r") - before, c.Queries);
  }
}

TEST_F(TextPictures, CameraIsAskedAgainBeforeTheNextRecordOnlyWithoutAClearAnswer) {
  model.addRecord(Record("1", {1403, 9, 17, 8, 0, 0}));
  model.addRecord(Record("2", {1403, 9, 17, 8, 1, 0}));
  model.addRecord(Record("3", {1403, 9, 17, 8, 2, 0}));
  model.misbehave(sim::Misbehaviour::silence(3).onlyFor("A"));
  ASSERT_EQ(clock().GetRecord().KartNo, "1");
  EXPECT_EQ(CountText(model, "ACM?"), 3);
  EXPECT_TRUE(clock().MustCheckCaptureImageCapability());
  clock().GetRecord();  // the same record: nothing asked
  EXPECT_EQ(CountText(model, "ACM?"), 3);
  clock().NextRecord();
  ASSERT_EQ(clock().GetRecord().KartNo, "2");
  EXPECT_EQ(CountText(model, "ACM?"), 4);
  EXPECT_TRUE(clock().HasCaptureImageCapability());
  clock().NextRecord();
  ASSERT_EQ(clock().GetRecord().KartNo, "3");
  EXPECT_EQ(CountText(model, "ACM?"), 4);
}

TEST_F(TextPictures, PictureOfEachRecordAtItsAddress) {
  const auto first = WithPicture(Record("1", {1403, 9, 17, 8, 0, 0}), 1000);
  const auto second = WithPicture(Record("2", {1403, 9, 17, 8, 1, 0}), 300);
  model.addRecord(first);
  model.addRecord(second);
  ASSERT_EQ(clock().GetRecord().KartNo, "1");
  std::string picture = "old";
  ASSERT_TRUE(clock().GetRecordImage(&picture));
  // 1000 bytes come in two blocks (506 and 494 bytes); the pointer 00012 gives 020240.
  EXPECT_EQ(picture, first.Picture);
  EXPECT_TRUE(Logged("ARI?\r"));
  EXPECT_TRUE(Logged("RDML=020240\r"));

  clock().NextRecord();
  ASSERT_EQ(clock().GetRecord().KartNo, "2");
  ASSERT_TRUE(clock().GetRecordImage(&picture));
  EXPECT_EQ(picture, second.Picture);
  EXPECT_TRUE(Logged("RDML=020260\r"));
  EXPECT_TRUE(Messages.empty());
}

TEST_F(TextPictures, NothingIsAskedWithoutACameraAStreamOrForAFaceTerminal) {
  model.addRecord(WithPicture(Record("1", {1403, 9, 17, 8, 0, 0}), 10));
  std::string picture = "kept";
  // The capability has not been asked yet.
  EXPECT_FALSE(clock().GetRecordImage(&picture));
  ASSERT_EQ(clock().GetRecord().KartNo, "1");
  ASSERT_TRUE(clock().HasCaptureImageCapability());
  const std::size_t commands = model.commandLog().size();
  EXPECT_FALSE(clock().GetRecordImage(nullptr));
  clock().ClockType = KRMiraClock;
  EXPECT_FALSE(clock().GetRecordImage(&picture));
  EXPECT_EQ(picture, "kept");
  EXPECT_EQ(model.commandLog().size(), commands);
}

TEST_F(TextPictures, SpoiledTransfers) {
  struct Case {
    const char* Name;
    MisbehaviourKind Kind;
    int Times;
    std::size_t Size;
    bool Result;
    int Requests;
  };
  const Case cases[] = {
      // A wrong check byte on every try: the bytes are still taken, the tries are used up.
      {"bad check byte always", MisbehaviourKind::BadBlockCheck, sim::kAlways, 1000, true, 3},
      {"wrong block number once", MisbehaviourKind::WrongBlockNumber, 1, 1000, true, 2},
      {"wrong block number always", MisbehaviourKind::WrongBlockNumber, sim::kAlways, 1000, false,
       3},
      // Block 1 of three lost: block 2 comes where block 1 belongs and fails the try.
      {"middle block lost once", MisbehaviourKind::LostBlock, 1, 1200, true, 2},
      {"last block lost always", MisbehaviourKind::LostBlock, sim::kAlways, 1000, false, 3},
  };
  model.addRecord(Record("1", {1403, 9, 17, 8, 0, 0}));
  ASSERT_EQ(clock().GetRecord().KartNo, "1");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    vp.P.Wire.clearPending();  // nothing of the case before
    const auto record = WithPicture(Record("1", {1403, 9, 17, 8, 0, 0}), c.Size);
    model.clearRecords();
    model.addRecord(record);
    model.misbehaviour().clear();
    model.misbehave(Spoil(c.Kind, c.Times));
    const int before = CountText(model, "RDML=");
    std::string picture;
    EXPECT_EQ(clock().GetRecordImage(&picture), c.Result);
    EXPECT_EQ(CountText(model, "RDML=") - before, c.Requests);
    // Every try starts afresh: never the bytes of a failed try twice.
    if (c.Result) {
      EXPECT_EQ(picture, record.Picture);
    }
  }
}

// A picture larger than any clock holds ends the transfer at once; one that trickles in slower
// than the line allows for the largest picture fails its try (115200 bit/s: 1977 blocks of 512
// bytes of 11 bits, plus the 7 s timeout, make 104 s).
TEST_F(TextPictures, PictureSizeAndTransferTimeAreCapped) {
  line.ChangeBaudRate(br115200);
  struct Case {
    const char* Name;
    std::size_t Size;
    std::uint32_t ByteGapMs;  // 0: at the line's pace
    bool Result;
    int Requests;
    const char* Error;
  };
  const Case cases[] = {
      {"largest picture", 1000000, 0, true, 1, ""},
      {"one block more", 1000000 + 506, 0, false, 1, "picture larger than 1000000 bytes"},
      // 26 blocks, 10 ms a byte: 133 s a try, each block within the reply timeout.
      {"slow but in time", 5000, 10, true, 1, ""},
      {"too slow", 13000, 10, false, 3, "picture transfer took longer than 104 s"},
  };
  model.addRecord(Record("1", {1403, 9, 17, 8, 0, 0}));
  ASSERT_EQ(clock().GetRecord().KartNo, "1");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto record = WithPicture(Record("1", {1403, 9, 17, 8, 0, 0}), c.Size);
    model.clearRecords();
    model.addRecord(record);
    model.misbehaviour().clear();
    if (c.ByteGapMs) model.misbehave(sim::Misbehaviour::byteByByte(c.ByteGapMs).onlyFor("R"));
    const int before = CountText(model, "RDML=");
    std::string picture;
    EXPECT_EQ(clock().GetRecordImage(&picture), c.Result);
    EXPECT_EQ(CountText(model, "RDML=") - before, c.Requests);
    EXPECT_EQ(clock().ImageError(), c.Error);
    EXPECT_EQ(picture.size(), c.Result ? c.Size : 0u);
    EXPECT_TRUE(picture == (c.Result ? record.Picture : std::string()));
  }
}

TEST(TextPicturesOnABus, PictureThroughBusFrames) {
  sim::ScopedVirtualPlatform vp;
  sim::Rs485BusModel bus;
  auto& three = bus.addClock(3);
  three.settings().Camera = true;
  three.settings().RecordPointer = 7;
  const auto record = WithPicture(Record("31", {1403, 9, 17, 8, 0, 0}), 700);
  three.addRecord(record);
  vp.P.Wire.setModel(&bus);
  TClockSet line;
  line.SetProtocol(RS485);
  TBasicClock& clock = line.NewClock(3);
  clock.FirmwareVer = "VER 3.10";
  clock.SetGetIOImage(true);
  ASSERT_EQ(clock.GetRecord().KartNo, "31");
  EXPECT_TRUE(clock.HasCaptureImageCapability());
  std::string picture;
  ASSERT_TRUE(clock.GetRecordImage(&picture));
  EXPECT_EQ(picture, record.Picture);
  EXPECT_EQ(CountText(three, "ACM?^"), 1);
  EXPECT_EQ(CountText(three, "ARI?^"), 1);
  EXPECT_EQ(CountText(three, "RDML=020140^"), 1);
}

// ---- HDLC ----

class HdlcPictures : public recordstest::HdlcRecordsTest {
 protected:
  HdlcPictures() { clock().SetGetIOImage(true); }
};

TEST_F(HdlcPictures, CameraFromTheDeviceDescription) {
  struct Case {
    const char* Description;
    bool Has;
  };
  const Case cases[] = {{"KR-Tal H;Ver 1.00;Rec 50000;CAM;", true},
                        {"KR-Tal H;Ver 1.00;Rec 50000;", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Description);
    model.DeviceDescription = c.Description;
    const int before = CountHdlc(model, "\x01");
    clock().CheckCaptureImageCapability();
    EXPECT_EQ(clock().HasCaptureImageCapability(), c.Has);
    EXPECT_FALSE(clock().MustCheckCaptureImageCapability());
    // Every try reads the description again.
    EXPECT_EQ(CountHdlc(model, "\x01") - before, 3);
  }
}

TEST_F(HdlcPictures, EachRecordOfABlockHasItsOwnIndex) {
  const auto first = WithPicture(Record("1", {1403, 9, 17, 8, 0, 0}), 1000);
  const auto second = WithPicture(Record("2", {1403, 9, 17, 8, 1, 0}), 600);
  store->addRecord(first);
  store->addRecord(second);
  ASSERT_EQ(clock().GetRecord().KartNo, "1");
  ASSERT_TRUE(clock().HasCaptureImageCapability());
  std::string picture;
  ASSERT_TRUE(clock().GetRecordImage(&picture));
  EXPECT_EQ(picture, first.Picture);
  EXPECT_EQ(CountHdlc(model, std::string("0\x28\x00\x00", 4)), 1);  // read position 40

  clock().NextRecord();
  ASSERT_EQ(clock().GetRecord().KartNo, "2");
  ASSERT_TRUE(clock().GetRecordImage(&picture));
  EXPECT_EQ(picture, second.Picture);
  EXPECT_EQ(CountHdlc(model, std::string("0\x29\x00\x00", 4)), 1);  // and one record on
}

TEST_F(HdlcPictures, SpoiledTransfers) {
  struct Case {
    const char* Name;
    MisbehaviourKind Kind;
    int Times;
    bool Result;
    int Requests;
  };
  const Case cases[] = {
      {"block 1 where block 0 belongs, once", MisbehaviourKind::WrongBlockNumber, 1, true, 2},
      {"wrong block number always", MisbehaviourKind::WrongBlockNumber, sim::kAlways, false, 3},
      {"bad check byte always", MisbehaviourKind::BadBlockCheck, sim::kAlways, true, 3},
      {"last block lost always", MisbehaviourKind::LostBlock, sim::kAlways, false, 3},
  };
  const auto record = WithPicture(Record("1", {1403, 9, 17, 8, 0, 0}), 400);
  store->addRecord(record);
  ASSERT_EQ(clock().GetRecord().KartNo, "1");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    model.Shaper.clear();
    model.Shaper.add(Spoil(c.Kind, c.Times));
    const int before = CountHdlc(model, "0");
    std::string picture;
    EXPECT_EQ(clock().GetRecordImage(&picture), c.Result);
    EXPECT_EQ(CountHdlc(model, "0") - before, c.Requests);
    if (c.Result) {
      EXPECT_EQ(picture, record.Picture);
    }
  }
}

class EmberPictures : public HdlcPictures {
 protected:
  EmberPictures() { model.DeviceDescription = "KR-Ember;Ver 1.20;Rec 50000;CAM;"; }
  // Reads the first record, which makes the clock object an Ember (from its description).
  void ReadFirst(const sim::ClockRecord& ARecord) {
    store->addRecord(ARecord);
    ASSERT_EQ(clock().GetRecord().KartNo, ARecord.Card);
    ASSERT_EQ(clock().ClockType, KREmber);
    ASSERT_TRUE(clock().HasCaptureImageCapability());
  }
};

TEST_F(EmberPictures, PictureInDataPackets) {
  const auto record = WithPicture(Record("5", {1403, 9, 17, 8, 0, 0}), 1000);
  ReadFirst(record);
  std::string picture;
  ASSERT_TRUE(clock().GetRecordImage(&picture));
  EXPECT_EQ(picture, record.Picture);
  EXPECT_EQ(CountHdlc(model, "2S"), 1);
  EXPECT_EQ(CountHdlc(model, "2D"), 5);  // 200 bytes a packet
  EXPECT_EQ(CountHdlc(model, "0"), 0);
}

TEST_F(EmberPictures, NoPictureIsSaidWithTwo) {
  ReadFirst(Record("5", {1403, 9, 17, 8, 0, 0}));
  std::string picture;
  EXPECT_FALSE(clock().GetRecordImage(&picture));
  EXPECT_EQ(CountHdlc(model, "2S"), 1);
  EXPECT_EQ(CountHdlc(model, "2D"), 0);
}

TEST_F(EmberPictures, BadAnswersUpToTheTriesAreTolerated) {
  struct Case {
    MisbehaviourKind Kind;
    int Times;
    bool Result;
  };
  const Case cases[] = {
      {MisbehaviourKind::WrongBlockNumber, 3, true},
      {MisbehaviourKind::WrongBlockNumber, 4, false},
      {MisbehaviourKind::LostBlock, 3, true},
      {MisbehaviourKind::LostBlock, 4, false},
  };
  const auto record = WithPicture(Record("5", {1403, 9, 17, 8, 0, 0}), 1000);
  ReadFirst(record);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.Kind)) + " x" + std::to_string(c.Times));
    model.Shaper.clear();
    model.Shaper.add(Spoil(c.Kind, c.Times));
    const int before = CountHdlc(model, "2D");
    std::string picture;
    EXPECT_EQ(clock().GetRecordImage(&picture), c.Result);
    if (c.Result) {
      EXPECT_EQ(picture, record.Picture);
      EXPECT_EQ(CountHdlc(model, "2D") - before, 5 + c.Times);
    } else {
      EXPECT_EQ(CountHdlc(model, "2D") - before, c.Times);
    }
  }
}

}  // namespace
