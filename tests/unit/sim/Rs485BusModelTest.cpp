// The RS485 bus: frames found in any pieces, only the addressed clock answers, damaged frames and
// absent addresses get nothing, and the replies are wrapped as the tool expects.
#include <gtest/gtest.h>

#include "models/Rs485BusModel.h"
#include "support/ScriptedDevice.h"

using sim::ClockRecord;
using sim::ReplyPlan;
using sim::Rs485BusModel;
using sim::TextClockModel;
using testsupport::Bytes;
using testsupport::Hex;

namespace {

const std::string kHead("\x01\x01\x01", 3);

std::string flatten(const ReplyPlan& APlan) {
  std::string out;
  for (const auto& p : APlan) out += p.Bytes;
  return out;
}

// The frame as the tool builds it: address (decimal digits read as hex, 6 bits), address OR 40h,
// each byte but "/" mapped to ((b - 20h) AND 3Fh) OR 80h, XOR of all of it.
std::string frame(int AClock, const std::string& ACommand) {
  const int address = ((AClock / 10) * 16 + AClock % 10) & 0x3F;
  std::string f;
  f += static_cast<char>(address);
  f += static_cast<char>(address | 0x40);
  for (char ch : ACommand) {
    const auto b = static_cast<unsigned char>(ch);
    f += b == 0x2F ? '/' : static_cast<char>(((b - 0x20) & 0x3F) | 0x80);
  }
  unsigned char x = 0;
  for (char ch : f) x ^= static_cast<unsigned char>(ch);
  return f + static_cast<char>(x);
}

class BusTest : public testing::Test {
 protected:
  BusTest() {
    auto& c1 = bus.addClock(1);
    c1.settings().Name = "KR-Tal 1";
    auto& c5 = bus.addClock(5);
    c5.settings().Name = "KR-Tal 5";
    ClockRecord r;
    r.Card = "777";
    r.When = {1403, 9, 17, 8, 0, 0};
    c5.addRecord(r);
    auto& c12 = bus.addClock(12);
    c12.settings().Name = "KR-Tal 12";
  }
  std::string send(const std::string& ABytes) { return flatten(bus.receive(ABytes)); }
  Rs485BusModel bus;
};

TEST(Rs485FrameTest, ToolFramesDecode) {
  // The tool's own examples: clock 1, 05h; clock 5, "AB/1".
  EXPECT_EQ(frame(1, "\x05"), Bytes({0x01, 0x41, 0xA5, 0xE5}));
  EXPECT_EQ(frame(5, "AB/1"), Bytes({0x05, 0x45, 0xA1, 0xA2, 0x2F, 0x91, 0xFD}));
  EXPECT_EQ(Rs485BusModel::decodeCommand(Bytes({0xA5})), "\x05");
  EXPECT_EQ(Rs485BusModel::decodeCommand(Bytes({0xA1, 0xA2, 0x2F, 0x91})), "AB/1");
  // A single mapped byte is a control command: 01h and "A" are the same on the wire.
  EXPECT_EQ(Rs485BusModel::decodeCommand(frame(1, "A").substr(2, 1)), "\x01");
  EXPECT_EQ(Rs485BusModel::addressOf(1), 0x01);
  EXPECT_EQ(Rs485BusModel::addressOf(12), 0x12);
  EXPECT_EQ(Rs485BusModel::addressOf(32), 0x32);
}

TEST_F(BusTest, ShortRepliesAreWrappedDataRepliesKeepTheirLayout) {
  // Status: head, code, CR, check byte; the tool keeps the 4th of the 6 bytes.
  EXPECT_EQ(Hex(send(frame(5, "\x01"))), Hex(kHead + "0\x0D" + "0"));
  EXPECT_EQ(Hex(send(frame(1, "\x01"))), Hex(kHead + "1\x0D" + "1"));
  const std::string id = send(frame(12, "\x18"));
  EXPECT_EQ(id.size(), 26u);
  EXPECT_EQ(id.substr(0, 14), kHead + "KR-Tal 12 \x0D");
  EXPECT_EQ(send(frame(5, "\x03")).substr(0, 11), kHead + "00000777");
  EXPECT_EQ(Hex(send(frame(5, "\x09"))), Hex(kHead + "\x04\x0D\x04"));
  EXPECT_EQ(send(frame(5, "\x01")).substr(3, 1), "1");
  EXPECT_EQ(send(frame(1, "AFV?^")).substr(0, 12), kHead + "VER 3.10\x0D");
  // The setting's terminator 14h maps like "T"; the clock still takes it.
  EXPECT_EQ(send(frame(1, "T2015040470830\x14")).substr(3, 1), "G");
  EXPECT_EQ(send(frame(1, "\x05")).substr(3, 8), "13940115");
}

TEST_F(BusTest, FrameSplitAtEveryPositionIsAnsweredOnce) {
  const std::string f = frame(12, "AFV?^");
  const std::string whole = send(f);
  ASSERT_FALSE(whole.empty());
  for (std::size_t cut = 1; cut < f.size(); ++cut) {
    EXPECT_EQ(send(f.substr(0, cut)), "") << "cut at " << cut;
    EXPECT_EQ(Hex(send(f.substr(cut))), Hex(whole)) << "cut at " << cut;
  }
  std::string bytewise;
  for (char ch : f) bytewise += send(std::string(1, ch));
  EXPECT_EQ(Hex(bytewise), Hex(whole));
  EXPECT_EQ(bus.clock(12)->commandLog().size(), f.size() + 1);
  EXPECT_TRUE(bus.clock(1)->commandLog().empty());
  EXPECT_TRUE(bus.clock(5)->commandLog().empty());
}

TEST_F(BusTest, BadFramesAndAbsentAddressesGetNoAnswer) {
  std::string damaged = frame(5, "\x01");
  damaged.back() = static_cast<char>(damaged.back() ^ 0x01);
  EXPECT_EQ(send(damaged), "");
  std::string wrongAddress = frame(5, "\x01");
  wrongAddress[1] = 0x46;  // the second address byte does not match the first
  EXPECT_EQ(send(wrongAddress), "");
  EXPECT_EQ(send(frame(7, "\x01")), "");
  EXPECT_EQ(send(frame(32, "\x18")), "");
  EXPECT_TRUE(bus.clock(5)->commandLog().empty());
  EXPECT_EQ(bus.unansweredFrames(), 2);
  // Behind the broken ones, with noise before it, a good frame is still found; two frames in
  // one piece get two answers.
  EXPECT_EQ(Hex(send(damaged + "\x33\x34" + frame(5, "\x01") + frame(1, "\x01"))),
            Hex(kHead + "0\x0D" + "0" + kHead + "1\x0D" + "1"));
}

TEST_F(BusTest, ClocksOnTheBusMisbehaveOnTheirOwn) {
  bus.clock(5)->misbehave(sim::Misbehaviour::garbage("\x33\x34"));
  bus.clock(1)->misbehave(sim::Misbehaviour::silence());
  EXPECT_EQ(send(frame(1, "\x01")), "");
  EXPECT_EQ(Hex(send(frame(5, "\x01"))), Hex("\x33\x34" + kHead + "0\x0D" + "0"));
  EXPECT_EQ(send(frame(12, "\x01")), kHead + "1\x0D" + "1");
}

}  // namespace
