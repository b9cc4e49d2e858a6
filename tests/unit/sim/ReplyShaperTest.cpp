// Misbehaviours shape a reply plan as asked, and are used up one reply at a time.
#include <gtest/gtest.h>

#include <set>

#include "models/ReplyShaper.h"
#include "support/ScriptedDevice.h"

using sim::Misbehaviour;
using sim::MisbehaviourKind;
using sim::ModelReply;
using sim::ReplyPlan;
using sim::ReplyShaper;
using sim::TimedBytes;

namespace {

// A data reply kept short: "XYZ" with its check byte at index 1, answering 03h.
const ModelReply kData{"XYZ", 1, "\x03"};
constexpr std::uint32_t kLatency = 5;

std::string flatten(const ReplyPlan& APlan) {
  std::string out;
  for (const auto& p : APlan) out += p.Bytes;
  return out;
}

std::vector<std::uint32_t> times(const ReplyPlan& APlan) {
  std::vector<std::uint32_t> out;
  for (const auto& p : APlan) out.push_back(p.AtMs);
  return out;
}

struct ShapeCase {
  const char* Name;
  std::vector<Misbehaviour> Rules;
  ModelReply Reply;
  std::string Bytes;                 // all bytes, in order
  std::vector<std::uint32_t> Times;  // when each piece goes out
};

class ShapeTest : public testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeTest, ShapesThePlan) {
  const auto& c = GetParam();
  ReplyShaper shaper;
  for (const auto& r : c.Rules) shaper.add(r);
  const ReplyPlan plan = shaper.shape(c.Reply, kLatency);
  EXPECT_EQ(testsupport::Hex(flatten(plan)), testsupport::Hex(c.Bytes));
  EXPECT_EQ(times(plan), c.Times);
}

const char kWrongY = ReplyShaper::wrongCheckByte('Y');

INSTANTIATE_TEST_SUITE_P(
    Misbehaviours, ShapeTest,
    testing::Values(
        ShapeCase{"None", {}, kData, "XYZ", {5}},
        ShapeCase{"Silence", {Misbehaviour::silence()}, kData, "", {}},
        ShapeCase{"Delay", {Misbehaviour::delay(300)}, kData, "XYZ", {305}},
        ShapeCase{"DelaysAddUp",
                  {Misbehaviour::delay(300), Misbehaviour::delay(50, 1)},
                  kData,
                  "XYZ",
                  {355}},
        ShapeCase{"ByteByByte", {Misbehaviour::byteByByte(4)}, kData, "XYZ", {5, 9, 13}},
        ShapeCase{"Garbage", {Misbehaviour::garbage("\x33\x34")}, kData, "\x33\x34XYZ", {5}},
        ShapeCase{"WrongCheckFlipsTheCheckByteOnly",
                  {Misbehaviour::wrongCheck()},
                  kData,
                  std::string("X") + kWrongY + "Z",
                  {5}},
        ShapeCase{"WrongCheckLeavesAReplyWithoutCheckAlone",
                  {Misbehaviour::wrongCheck()},
                  ModelReply{"0", -1, "\x01"},
                  "0",
                  {5}},
        // Garbage comes first and is paced with the reply; the delay moves everything.
        ShapeCase{"AllTogether",
                  {Misbehaviour::garbage("g"), Misbehaviour::byteByByte(2), Misbehaviour::delay(10),
                   Misbehaviour::wrongCheck()},
                  kData,
                  std::string("gX") + kWrongY + "Z",
                  {15, 17, 19, 21}},
        // A flood takes the place of the reply: one piece that repeats, after the opening bytes.
        ShapeCase{"FloodInPlaceOfTheReply",
                  {Misbehaviour::garbage("\x7E"), Misbehaviour::flood("\x55", 900)},
                  kData,
                  "\x7E\x55",
                  {5, 905}},
        // A rule for another command does not touch this reply.
        ShapeCase{"CommandFilter", {Misbehaviour::silence().onlyFor("\x01")}, kData, "XYZ", {5}}),
    [](const testing::TestParamInfo<ShapeCase>& AInfo) { return AInfo.param.Name; });

TEST(ReplyShaperTest, FloodRepeatsForEverAndIsUsedUpLikeAnyRule) {
  ReplyShaper shaper;
  shaper.add(Misbehaviour::flood("\x01\x01", 3, 1));
  const ReplyPlan flooded = shaper.shape(kData, kLatency);
  ASSERT_EQ(flooded.size(), 1u);
  EXPECT_EQ(flooded[0].RepeatMs, 3u);
  // Used up: the next reply comes as it is, and does not repeat.
  const ReplyPlan next = shaper.shape(kData, kLatency);
  ASSERT_EQ(next.size(), 1u);
  EXPECT_EQ(next[0].Bytes, "XYZ");
  EXPECT_EQ(next[0].RepeatMs, 0u);
}

TEST(ReplyShaperTest, CountedSilenceUsesUpOnlyItselfWhileSilent) {
  ReplyShaper shaper;
  shaper.add(Misbehaviour::silence(2));
  shaper.add(Misbehaviour::garbage("g", 1));
  EXPECT_TRUE(shaper.shape(kData, kLatency).empty());
  EXPECT_TRUE(shaper.shape(kData, kLatency).empty());
  // The garbage rule waited for the first reply that was sent.
  EXPECT_EQ(flatten(shaper.shape(kData, kLatency)), "gXYZ");
  EXPECT_EQ(flatten(shaper.shape(kData, kLatency)), "XYZ");
  EXPECT_TRUE(shaper.rules().empty());
}

TEST(ReplyShaperTest, WrongCheckWaitsForAReplyThatHasACheckByte) {
  ReplyShaper shaper;
  shaper.add(Misbehaviour::wrongCheck(1));
  EXPECT_EQ(flatten(shaper.shape({"0", -1, "\x01"}, kLatency)), "0");
  EXPECT_NE(flatten(shaper.shape(kData, kLatency)), "XYZ");
  EXPECT_EQ(flatten(shaper.shape(kData, kLatency)), "XYZ");
}

TEST(ReplyShaperTest, SilenceForOneCommandOnly) {
  // A clock that answers its status but never the record request.
  ReplyShaper shaper;
  shaper.add(Misbehaviour::silence().onlyFor("\x03"));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(flatten(shaper.shape({"0", -1, "\x01"}, kLatency)), "0");
    EXPECT_TRUE(shaper.shape(kData, kLatency).empty());
  }
}

TEST(ReplyShaperTest, TakeCountsModelSpecificMisbehaviours) {
  ReplyShaper shaper;
  shaper.add(Misbehaviour::silence(2).onlyFor("\x09"));
  EXPECT_FALSE(shaper.take(MisbehaviourKind::Silence, "\x01"));
  EXPECT_TRUE(shaper.take(MisbehaviourKind::Silence, "\x09"));
  EXPECT_TRUE(shaper.take(MisbehaviourKind::Silence, "\x09"));
  EXPECT_FALSE(shaper.take(MisbehaviourKind::Silence, "\x09"));
  EXPECT_FALSE(shaper.take(MisbehaviourKind::Delay));
}

TEST(ReplyShaperTest, WrongCheckByteIsAlwaysWrongAndNeverFraming) {
  for (int b = 0; b < 256; ++b) {
    const char w = ReplyShaper::wrongCheckByte(static_cast<char>(b));
    EXPECT_NE(static_cast<unsigned char>(w), b);
    EXPECT_NE(w, '\x01') << b;
    EXPECT_NE(w, '\x0D') << b;
  }
}

}  // namespace
