#include "link/ByteUtils.h"
#include "link/LinkFixture.h"

using testsupport::Bytes;
using testsupport::Hex;

namespace {
struct CleaningCase {
  const char* Name;
  TProtocol Protocol;
  std::string Arrives;
  int ReplyLength;
  std::string ReplyStart;
  std::string Expected;  // hex of the decoded reply
};

const std::vector<CleaningCase>& CleaningCases() {
  static const std::vector<CleaningCase> cases = {
      {"stray bytes before the head", RS232, Bytes({0x33, 0x34, 1, 1, 1, 0x41, 0x42, 0x43, 0x44, 0x04}),
       8, "", "01 01 01 41 42 43 44 04"},
      {"lone 1 before the head", RS232, Bytes({1, 0x33, 1, 1, 1, 0x41, 0x42, 0x43, 0x40}), 7, "",
       "01 01 01 41 42 43 40"},
      {"wrapped short answer", RS485, Bytes({1, 1, 1, 0x59, 0x0D, 0x54}), 6, "", "59"},
      {"reply start after garbage", RS232, Bytes({0x61, 0x62, 1, 1, 1, 0x78}), 4,
       Bytes({1, 1, 1}), "01 01 01 78"},
      {"run of four ones", RS232, Bytes({1, 1, 1, 1, 0x41, 0x42, 0x43, 0x40}), 7, "",
       "01 01 01 41 42 43 40"},
      {"RS485 stray bytes dropped", RS485, Bytes({0x33, 0x34, 0x35, 1, 1, 1, 0x30, 0x0D, 0x3D}), 6,
       "", "30"},
      {"data bytes of value 1 stay", RS232, Bytes({1, 1, 1, 0x31, 1, 0x30, 0x00}), 7, "",
       "01 01 01 31 01 30 00"},
  };
  return cases;
}
}  // namespace

class ReplyCleaningTest : public LinkFixture, public ::testing::WithParamInterface<int> {};

// Every example whole (a reply of exactly six bytes would decode to its fourth byte, so the
// data replies here are longer), and split in two at every position with a gap between the pieces.
TEST_P(ReplyCleaningTest, SameReplyWholeOrSplitAnywhere) {
  const CleaningCase& c = CleaningCases()[static_cast<std::size_t>(GetParam())];
  line.SetProtocol(c.Protocol);
  for (std::size_t split = 0; split < c.Arrives.size(); ++split) {
    sim::ReplyPlan plan;
    if (split == 0)
      plan = {{5, c.Arrives}};
    else
      plan = {{5, c.Arrives.substr(0, split)}, {40, c.Arrives.substr(split)}};
    device.then(plan);
    EXPECT_EQ(Hex(send("\x01", c.ReplyLength, c.ReplyStart)), c.Expected)
        << c.Name << ", split at " << split;
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, ReplyCleaningTest,
                         ::testing::Range(0, static_cast<int>(CleaningCases().size())));

TEST_F(LinkFixture, ByteByByteRs485ReplyDecodesLikeWhole) {
  line.SetProtocol(RS485);
  sim::ReplyPlan plan;
  const std::string reply = Bytes({1, 1, 1, 0x59, 0x0D, 0x54});
  for (std::size_t i = 0; i < reply.size(); ++i)
    plan.push_back({static_cast<std::uint32_t>(10 * (i + 1)), reply.substr(i, 1)});
  device.then(plan);
  EXPECT_EQ(Hex(send("\x01", 6)), "59");
  EXPECT_EQ(Hex(device.Received.at(0)), "01 41 A1 E1");  // the bus frame went out
}

TEST_F(LinkFixture, Rs232KeepsStrayBytesRs485DropsThem) {
  device.then(Bytes({0x33, 0x34}));
  EXPECT_EQ(Hex(send("\x01", 2)), "33 34");
  line.SetProtocol(RS485);
  device.then({{5, Bytes({0x33, 0x34})}, {50, Bytes({1, 1, 1, 0x31, 0x0D, 0x3C})}});
  EXPECT_EQ(Hex(send("\x01", 6)), "31");
}

TEST_F(LinkFixture, SilentClockTimesOutAfterSevenSecondsServingMessages) {
  const auto start = now();
  const int processed = vp.P.Clock.processCount();
  EXPECT_EQ(send("\x01", 1), "");
  const auto spent = now() - start;
  EXPECT_GE(spent, 7000u);
  EXPECT_LE(spent, 7000u + 2 + 2);  // the write pause and one poll
  // Messages are processed once every 50 empty polls of 2 ms: about 70 times in 7 s.
  EXPECT_NEAR(vp.P.Clock.processCount() - processed, 70, 2);
  EXPECT_EQ(device.Received.size(), 1u);  // text protocols send once per call
}

TEST_F(LinkFixture, DetectionTimeouts) {
  struct Case {
    const char* Name;
    std::function<void()> Setup;
    std::uint64_t Timeout;
    std::uint64_t Pause;
  };
  const Case cases[] = {
      {"cable", [] {}, 300, 2},
      {"tcp", [this] { useTcp(); }, 300, 2},
      {"modem", [this] { useConnectedModem(); }, 1000, 200},
  };
  for (const auto& c : cases) {
    c.Setup();
    clock().SetInDetectClocks(true);
    const auto start = now();
    EXPECT_EQ(send("\x18", 26), "") << c.Name;
    const auto spent = now() - start;
    EXPECT_GE(spent, c.Timeout + c.Pause) << c.Name;
    EXPECT_LE(spent, c.Timeout + c.Pause + 20) << c.Name;  // 20: a TCP connect
  }
}

TEST_F(LinkFixture, ModemLinePausesTwoHundredMsAfterWriting) {
  useConnectedModem();
  device.then("0", 1);
  const auto start = now();
  EXPECT_EQ(send("\x01", 1), "0");
  EXPECT_GE(now() - start, 200u);
  EXPECT_LT(now() - start, 210u);
}

TEST_F(LinkFixture, NoExchangeWithoutChannelOrWithDeadModem) {
  line.ChangeConnectionType(Modem);
  line.ChangePhoneNumber("123");
  EXPECT_EQ(send("\x01", 1), "");  // modem not connected
  EXPECT_TRUE(device.Received.empty());
  EXPECT_EQ(now(), 0u);
}

TEST_F(LinkFixture, WriteErrorEndsExchangeWithoutFurtherTries) {
  vp.P.SerialOpenFails = true;
  EXPECT_EQ(send("\x01", 1), "");
  EXPECT_EQ(vp.P.SerialOpenCount, 1);
  EXPECT_TRUE(device.Received.empty());
}

TEST_F(LinkFixture, SavedReplyStartsTheCollection) {
  device.then(Bytes({0x42, 0x43, 0x40}));
  EXPECT_EQ(Hex(send("\x03", 7, Bytes({1, 1, 1}), Bytes({1, 1, 1, 0x41}))),
            "01 01 01 41 42 43 40");
}

TEST_F(LinkFixture, TickCounterWrapDoesNotEndOrStretchTheWait) {
  // Start 1 s before the 32-bit counter wraps: the 7000 ms timeout still holds.
  sim::ScopedVirtualPlatform wrapped(0xFFFFFFFFu - 1000);
  wrapped.P.Wire.setModel(&device);
  TClockSet wrapLine;
  std::string reply;
  wrapLine.Clocks().front()->SendCommand("\x01", 1, "", "", reply);
  EXPECT_EQ(reply, "");
  EXPECT_GE(wrapped.P.Clock.elapsed(), 7000u);
  EXPECT_LE(wrapped.P.Clock.elapsed(), 7004u);
}

TEST_F(LinkFixture, GetResultWithoutDecodingStopsOnLoneI) {
  device.then("I", 30);
  std::string result;
  const auto start = now();
  clock().SendCommandWithoutDecoding("ACM?\r", 100, result);
  EXPECT_EQ(result, "I");
  EXPECT_LT(now() - start, 100u);
}

TEST_F(LinkFixture, GetResultWithoutDecodingKeepsRawBytesUntilCount) {
  device.then({{5, Bytes({0x33, 1, 1, 1, 0x41})}, {20, Bytes({0x42, 0x03, 0x99})}});
  std::string result;
  clock().SendCommandWithoutDecoding("ARI?\r", 7, result);
  EXPECT_EQ(Hex(result), "33 01 01 01 41 42 03");  // no cleaning, cut at the count
}
