#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "HdlcTestSupport.h"
#include "link/HdlcFrame.h"
#include "link/HdlcStreamReceiver.h"

using hdlctest::FrameFromBody;
using hdlctest::FromHex;
using hdlctest::MakePacket;
using hdlctest::ToHex;

namespace {

THdlcPacket Valid(THdlcPacket APacket) {
  APacket.IsValid = true;
  return APacket;
}

// Feeds all of ABytes, taking every packet as soon as it is ready.
std::vector<THdlcPacket> FeedAll(THdlcStreamReceiver& AReceiver, std::string_view ABytes) {
  std::vector<THdlcPacket> packets;
  while (!ABytes.empty()) {
    const std::size_t consumed = AReceiver.feed(ABytes);
    EXPECT_LE(consumed, ABytes.size());
    ABytes.remove_prefix(consumed);
    if (auto packet = AReceiver.takePacket()) {
      packets.push_back(*packet);
    } else {
      EXPECT_TRUE(ABytes.empty()) << "feed stopped without a packet";
      break;
    }
  }
  return packets;
}

// A line carrying noise, doubled flags, a damaged frame and frames that share a flag.
class HdlcStreamReceiverTest : public ::testing::Test {
 protected:
  const THdlcPacket FGrant = MakePacket(5, 1, true, false, false, true, "");
  const THdlcPacket FReply = MakePacket(5, 1, true, false, false, false, "\x7E\x7D\x01\x7E");
  const THdlcPacket FClose = MakePacket(5, 1, false, true, false, true, "");
  const std::vector<THdlcPacket> FExpected = {Valid(FGrant), Valid(FReply), Valid(FClose)};

  std::string Line() const {
    std::string damaged = BuildHdlcFrame(MakePacket(5, 1, true, false, false, false, "abc"));
    damaged[damaged.size() - 2] ^= 0x01;  // CRC high byte
    const std::string close = BuildHdlcFrame(FClose);
    return FromHex("11 22") + FromHex("7E 7E") + BuildHdlcFrame(FGrant) + FromHex("55 66") +
           damaged + BuildHdlcFrame(FReply) + close.substr(1);  // FClose opens on FReply's flag
  }
};

TEST_F(HdlcStreamReceiverTest, FindsEveryFrameWhereverTheBytesAreSplit) {
  const std::string line = Line();
  for (std::size_t split = 0; split <= line.size(); ++split) {
    THdlcStreamReceiver receiver;
    std::vector<THdlcPacket> packets = FeedAll(receiver, std::string_view(line).substr(0, split));
    const std::vector<THdlcPacket> rest = FeedAll(receiver, std::string_view(line).substr(split));
    packets.insert(packets.end(), rest.begin(), rest.end());
    EXPECT_EQ(packets, FExpected) << "split at " << split;
  }
}

TEST_F(HdlcStreamReceiverTest, OneByteAtATimeReadyOnTheClosingFlag) {
  const std::string line = Line();
  THdlcStreamReceiver receiver;
  std::vector<THdlcPacket> packets;
  for (std::size_t i = 0; i < line.size(); ++i) {
    ASSERT_EQ(receiver.feed(std::string_view(line).substr(i, 1)), 1U);
    if (receiver.hasPacket()) {
      EXPECT_EQ(line[i], HdlcFlag);
      packets.push_back(*receiver.takePacket());
    }
  }
  EXPECT_EQ(packets, FExpected);
}

TEST_F(HdlcStreamReceiverTest, StopsAfterTheFirstFrameAndLeavesTheRest) {
  const std::string first = BuildHdlcFrame(FGrant);
  const std::string line = first + BuildHdlcFrame(FReply);
  THdlcStreamReceiver receiver;
  EXPECT_EQ(receiver.feed(line), first.size());
  // Nothing more is taken in while the packet waits.
  EXPECT_EQ(receiver.feed(std::string_view(line).substr(first.size())), 0U);
  EXPECT_EQ(receiver.takePacket(), Valid(FGrant));
  EXPECT_FALSE(receiver.takePacket().has_value());
  EXPECT_EQ(receiver.feed(std::string_view(line).substr(first.size())), line.size() - first.size());
  EXPECT_EQ(receiver.takePacket(), Valid(FReply));
}

// A frame cut off anywhere must not swallow the frame that follows it. Cut after its last
// content byte, the next frame's opening flag closes it and both are received.
TEST(HdlcStreamReceiver, CutFrameDoesNotSwallowTheNextOne) {
  const THdlcPacket first = Valid(MakePacket(1, 4, false, false, false, false, "\x7D\x10\x7E"));
  const THdlcPacket second = Valid(MakePacket(4, 1, true, false, false, false, "next"));
  const std::string frame = BuildHdlcFrame(first);
  for (std::size_t length = 0; length <= frame.size(); ++length) {
    THdlcStreamReceiver receiver;
    const std::vector<THdlcPacket> packets =
        FeedAll(receiver, frame.substr(0, length) + BuildHdlcFrame(second));
    std::vector<THdlcPacket> expected = {second};
    if (length >= frame.size() - 1) expected.insert(expected.begin(), first);
    EXPECT_EQ(packets, expected) << "cut after " << length << " bytes";
  }
}

TEST(HdlcStreamReceiver, DoubledFlagsBeforeAFrame) {
  const std::string grant = "7E 05 01 09 00 00 39 FE 7E";
  for (const std::string prefix : {"7E", "7E 7E", "7E 7E 7E", "41 7E 7E", "7E 41 7E 7E"}) {
    THdlcStreamReceiver receiver;
    const std::vector<THdlcPacket> packets = FeedAll(receiver, FromHex(prefix + " " + grant));
    const std::vector<THdlcPacket> expected = {
        Valid(MakePacket(5, 1, true, false, false, true, ""))};
    EXPECT_EQ(packets, expected) << prefix;
  }
}

// Without its opening flag a frame is not one: the bytes before the first flag are dropped, so
// its closing flag only opens the next frame. Parsing alone does not look at the first byte, so
// a noise byte standing where the flag belongs must be caught here.
TEST(HdlcStreamReceiver, FrameWithoutOpeningFlagIsSkipped) {
  const std::string grant = BuildHdlcFrame(MakePacket(5, 1, true, false, false, true, ""));
  const std::string reply = BuildHdlcCommand(7, "ok");
  for (const std::string& lead : {grant.substr(1), "\x41" + grant.substr(1)}) {
    THdlcStreamReceiver receiver;
    const std::vector<THdlcPacket> packets = FeedAll(receiver, lead + reply);
    ASSERT_EQ(packets.size(), 1U) << ToHex(lead);
    EXPECT_EQ(packets[0].DestAddress, 7);
    EXPECT_EQ(packets[0].Data, "ok");
  }
}

// The noise contains no flag. Once a flag has opened a frame the noise would pile up in the
// buffer; it must stay bounded, and the frame after the noise must still be found.
TEST(HdlcStreamReceiver, MegabyteWithoutFlagsKeepsTheBufferBounded) {
  std::mt19937 random(1);
  std::uniform_int_distribution<int> byte(0, 255);
  const std::string frame = BuildHdlcCommand(3, "after the noise");
  for (const bool opened : {true, false}) {
    SCOPED_TRACE(opened ? "after a flag" : "before any flag");
    THdlcStreamReceiver receiver;
    if (opened) receiver.feed(std::string(1, HdlcFlag));
    std::size_t maxBuffered = 0;
    std::string chunk(4093, '\0');
    for (std::size_t total = 0; total < 1024 * 1024; total += chunk.size()) {
      for (char& c : chunk) {
        do c = static_cast<char>(byte(random));
        while (c == HdlcFlag);
      }
      ASSERT_EQ(receiver.feed(chunk), chunk.size());
      ASSERT_FALSE(receiver.hasPacket());
      maxBuffered = std::max(maxBuffered, receiver.bufferedBytes());
      ASSERT_LE(receiver.bufferedBytes(), THdlcStreamReceiver::MaxBufferedBytes);
    }
    if (opened) {
      EXPECT_GT(maxBuffered, THdlcStreamReceiver::MaxBufferedBytes - chunk.size());
    }
    const std::vector<THdlcPacket> packets = FeedAll(receiver, frame);
    ASSERT_EQ(packets.size(), 1U);
    EXPECT_EQ(packets[0].Data, "after the noise");
  }
}

// The bound must not cut off a real frame: the longest frame a clock can send, with every byte
// that can need escaping escaped, still gets through after a buffer overflow.
TEST(HdlcStreamReceiver, LongestPossibleFrameIsReceived) {
  std::string body = FromHex("7E 7D 7E FF FF");
  body += std::string(HdlcMaxDataLength, HdlcFlag);
  const std::string frame = FrameFromBody(body);
  // Only the length field (FF FF) and perhaps the CRC are not doubled.
  ASSERT_GE(frame.size(), HdlcMaxStuffedFrame - 4);
  ASSERT_LE(frame.size(), HdlcMaxStuffedFrame);

  THdlcStreamReceiver receiver;
  const std::string noise = HdlcFlag + std::string(THdlcStreamReceiver::MaxBufferedBytes + 10, 'n');
  const std::vector<THdlcPacket> packets = FeedAll(receiver, noise + frame);
  ASSERT_EQ(packets.size(), 1U);
  EXPECT_EQ(packets[0].SourceAddress, 0x7E);
  EXPECT_EQ(packets[0].DestAddress, 0x7D);
  EXPECT_TRUE(packets[0].Nack && packets[0].Busy && packets[0].Session);
  EXPECT_EQ(packets[0].Data, std::string(HdlcMaxDataLength, HdlcFlag));
}

}  // namespace
