#include <gtest/gtest.h>

#include "calendar/ConvertError.h"
#include "link/ByteUtils.h"
#include "support/ScriptedDevice.h"

using testsupport::Bytes;
using testsupport::Hex;

TEST(Rs485Frame, WrapsCommandWithAddressMappingAndChecksum) {
  struct Case {
    int Clock;
    std::string Command;
    std::string Frame;
  };
  const Case cases[] = {
      {1, Bytes({0x05}), "01 41 A5 E5"},
      {5, Bytes({0x41, 0x42, 0x2F, 0x31}), "05 45 A1 A2 2F 91 FD"},
      // Clock 12 is addressed 12h and clock 32 32h: the decimal digits read as hex.
      {12, Bytes({0x01}), "12 52 A1 E1"},
      {32, Bytes({0x01}), "32 72 A1 E1"},
      // "/" passes unmapped; control bytes wrap around below 20h.
      {1, "/", "01 41 2F 6F"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Hex(EncodeRS485Frame(c.Clock, c.Command)), c.Frame) << "clock " << c.Clock;
}

TEST(ReplyChecksum, CoversPayloadBetweenHeadAndCheckByte) {
  EXPECT_TRUE(IsReplyChecksumValid(Bytes({1, 1, 1, 0x41, 0x42, 0x03})));
  EXPECT_FALSE(IsReplyChecksumValid(Bytes({1, 1, 1, 0x41, 0x42, 0x04})));
  EXPECT_FALSE(IsReplyChecksumValid(Bytes({1, 1, 1, 0x00})));  // too short to carry a check
  // Smallest checked reply: one payload byte equal to its own XOR.
  EXPECT_TRUE(IsReplyChecksumValid(Bytes({1, 1, 1, 0x59, 0x59})));
  EXPECT_EQ(XorChecksum(""), 0);
  EXPECT_EQ(XorChecksum(Bytes({0x59, 0x0D})), 0x54);
}

TEST(BytesToInt64, ReadsLittleEndian) {
  EXPECT_EQ(BytesToInt64(Bytes({0x01, 0x02})), 513);
  EXPECT_EQ(BytesToInt64(Bytes({0xFF, 0, 0, 0, 0, 0, 0, 0})), 255);
  EXPECT_EQ(BytesToInt64(Bytes({0x00})), 0);
  EXPECT_EQ(BytesToInt64(std::string(8, '\xFF')), -1);  // all 64 bits set
  EXPECT_THROW(BytesToInt64(""), EConvertError);
  EXPECT_THROW(BytesToInt64(Bytes({0, 0, 0, 0, 0, 0, 0, 0, 1})), EConvertError);
}

TEST(IntToBytes, LeastSignificantFirstAndRoundTrips) {
  EXPECT_EQ(Hex(IntToBytes(0x01020304)), "04 03 02 01");
  EXPECT_EQ(Hex(IntToBytes(-1)), "FF FF FF FF");
  for (std::int32_t v : {0, 1, 255, 256, 65535, 1 << 30}) EXPECT_EQ(BytesToInt64(IntToBytes(v)), v);
}

TEST(DecodeReply, SixByteTextReplyYieldsFourthByte) {
  EXPECT_EQ(DecodeReplyBytes(RS485, Bytes({1, 1, 1, 0x59, 0x0D, 0x54})), "\x59");
  EXPECT_EQ(DecodeReplyBytes(RS232, Bytes({1, 1, 1, 0x59, 0x0D, 0x54})), "\x59");
  EXPECT_EQ(DecodeReplyBytes(RS232, Bytes({1, 1, 1, 0x59, 0x0D, 0x54, 0})).size(), 7u);
  EXPECT_EQ(DecodeReplyBytes(ptHdlc, Bytes({1, 1, 1, 0x59, 0x0D, 0x54})).size(), 6u);
}
