#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "HdlcTestSupport.h"
#include "link/HdlcCrc.h"
#include "link/HdlcFrame.h"

using hdlctest::FrameFromBody;
using hdlctest::FromHex;
using hdlctest::MakePacket;
using hdlctest::RandomPacket;
using hdlctest::ToHex;

namespace {

TEST(HdlcCrc, KnownValues) {
  struct Case {
    std::string Data;
    std::uint16_t Crc;
  };
  const std::vector<Case> cases = {
      {"", 0xFFFF},
      {"123456789", 0x4B37},
      // A MODBUS read request; its CRC goes on the wire as 84 0A.
      {FromHex("01 03 00 00 00 01"), 0x0A84},
      {FromHex("01 05 08 01 00 00"), 0x6A9E},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CalcHdlcCrc(c.Data), c.Crc) << ToHex(c.Data);
  }
}

// The frames the clocks and the computer exchange, byte for byte, in both directions.
TEST(HdlcFrame, KnownFramesBuildAndParse) {
  struct Case {
    const char* Name;
    THdlcPacket Packet;
    std::string Frame;
  };
  const std::vector<Case> cases = {
      {"session request to clock 5",
       MakePacket(1, 5, false, false, false, true, std::string(1, '\0')),
       FromHex("7E 01 05 08 01 00 00 9E 6A 7E")},
      {"command 21h to clock 1", MakePacket(1, 1, false, false, false, false, "\x21"),
       FromHex("7E 01 01 00 01 00 21 AD D2 7E")},
      {"command 7Eh to clock 1, stuffed, CRC of the unstuffed byte",
       MakePacket(1, 1, false, false, false, false, "\x7E"),
       FromHex("7E 01 01 00 01 00 7D 5E ED EA 7E")},
      {"grant from clock 5", MakePacket(5, 1, true, false, false, true, ""),
       FromHex("7E 05 01 09 00 00 39 FE 7E")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ToHex(BuildHdlcFrame(c.Packet)), ToHex(c.Frame));
    THdlcPacket parsed;
    EXPECT_TRUE(ParseHdlcFrame(c.Frame, parsed));
    THdlcPacket expected = c.Packet;
    expected.IsValid = true;
    EXPECT_EQ(parsed, expected);
  }
  EXPECT_EQ(ToHex(BuildOpenSessionFrame(5)), "7E 01 05 08 01 00 00 9E 6A 7E");
  EXPECT_EQ(ToHex(BuildHdlcCommand(1, "\x21")), "7E 01 01 00 01 00 21 AD D2 7E");
  EXPECT_EQ(ToHex(BuildHdlcCommand(1, "\x7E")), "7E 01 01 00 01 00 7D 5E ED EA 7E");
}

TEST(HdlcFrame, UnstuffUndoesEscapesAndNeverReadsPastTheEnd) {
  struct Case {
    const char* Frame;
    const char* Data;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"7E", ""},
      {"7E 7E", ""},
      {"7E 41 7E", "41"},
      {"7E 7D 5E 7E", "7E"},
      {"7E 7D 5D 7E", "7D"},
      // Any other escaped byte gives 7D; both bytes are consumed.
      {"7E 7D 41 42 7E", "7D 42"},
      // An escape just before the closing flag takes the flag as its second byte.
      {"7E 41 7D 7E", "41 7D"},
      {"7E 7D 7E", "7D"},
      // The first and the last byte are taken to be the flags and not looked at.
      {"41 42 43", "42"},
      {"7D 5E 7E", "5E"},
      // An unescaped 7E inside is copied.
      {"7E 41 7E 42 7E", "41 7E 42"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToHex(UnstuffHdlcFrame(FromHex(c.Frame))), c.Data) << c.Frame;
  }
}

// A packet already holding a frame; a rejected frame must leave all of it but IsValid alone.
class HdlcRejectedFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    FPacket = MakePacket(9, 8, true, true, true, true, "kept");
    FPacket.IsValid = true;
  }
  void ExpectRejected(const std::string& AFrame) {
    EXPECT_FALSE(ParseHdlcFrame(AFrame, FPacket)) << ToHex(AFrame);
    THdlcPacket expected = MakePacket(9, 8, true, true, true, true, "kept");
    EXPECT_EQ(FPacket, expected) << ToHex(AFrame);
  }
  THdlcPacket FPacket;
};

TEST_F(HdlcRejectedFrame, LengthFieldDisagreesWithData) {
  // Correct CRC; the length says 3, the frame carries 2 bytes, and the other way round.
  ExpectRejected(FrameFromBody(FromHex("05 01 00 03 00 AA BB")));
  ExpectRejected(FrameFromBody(FromHex("05 01 00 01 00 AA BB")));
  // The high byte of the length counts too.
  ExpectRejected(FrameFromBody(FromHex("05 01 00 02 01 AA BB")));
}

TEST_F(HdlcRejectedFrame, CrcBytesSwapped) {
  ExpectRejected(FromHex("7E 05 01 09 00 00 FE 39 7E"));
  ExpectRejected(FromHex("7E 01 01 00 01 00 21 D2 AD 7E"));
}

TEST_F(HdlcRejectedFrame, TooShortForHeaderAndCrc) {
  for (const char* frame : {"", "7E", "7E 7E", "7E 00 7E", "7E FF FF 7E", "7E 01 05 08 00 00 7E"}) {
    ExpectRejected(FromHex(frame));
  }
  // Six bytes whose last two are the CRC of the first four: still too short to be a frame.
  ExpectRejected(FrameFromBody(FromHex("05 01 09 00")));
}

TEST_F(HdlcRejectedFrame, DataBeyondTheLengthFieldRange) {
  // 65536 data bytes: the length field wraps to 0 when building. Comparing the field with the
  // data length cut to 16 bits would accept this frame with 65536 bytes of data.
  THdlcPacket big = MakePacket(1, 2, false, false, false, false, std::string(65536, 'x'));
  ExpectRejected(BuildHdlcFrame(big));
  big.Data.resize(65536 + 3);
  ExpectRejected(BuildHdlcFrame(big));
}

TEST(HdlcFrame, LargestDataIsAccepted) {
  std::mt19937 random(65535);
  const THdlcPacket packet = RandomPacket(random, HdlcMaxDataLength);
  THdlcPacket parsed;
  ASSERT_TRUE(ParseHdlcFrame(BuildHdlcFrame(packet), parsed));
  EXPECT_EQ(parsed.Data, packet.Data);
}

TEST(HdlcFrame, FlagBitsFourToSevenAreIgnored) {
  // Flags F9h: Ack and Session with all upper bits set.
  THdlcPacket parsed;
  ASSERT_TRUE(ParseHdlcFrame(FrameFromBody(FromHex("05 01 F9 01 00 33")), parsed));
  THdlcPacket expected = MakePacket(5, 1, true, false, false, true, "\x33");
  expected.IsValid = true;
  EXPECT_EQ(parsed, expected);
  // A flags byte of 7Eh is stuffed like any other byte and still decodes by its low bits.
  ASSERT_TRUE(ParseHdlcFrame(FrameFromBody(FromHex("05 01 7E 00 00")), parsed));
  expected = MakePacket(5, 1, false, true, true, true, "");
  expected.IsValid = true;
  EXPECT_EQ(parsed, expected);
}

TEST(HdlcFrame, BuildIgnoresIsValid) {
  THdlcPacket packet = MakePacket(1, 3, true, false, true, false, "ab");
  const std::string withoutValid = BuildHdlcFrame(packet);
  packet.IsValid = true;
  EXPECT_EQ(BuildHdlcFrame(packet), withoutValid);
}

// Seeded random frames of every length class: parse(build(p)) == p, and the stuffed frame holds
// no flag byte but its two flags.
TEST(HdlcFrame, RoundTripOverRandomFrames) {
  std::mt19937 random(20261209);
  struct LengthClass {
    std::size_t Length;
    bool EscapesOnly;
  };
  const std::vector<LengthClass> classes = {
      {0, false},   {1, false}, {2, false}, {254, false}, {255, false}, {256, false},
      {257, false}, {1, true},  {2, true},  {255, true},  {256, true},  {4000, false}};
  for (const LengthClass& lc : classes) {
    for (int round = 0; round < 25; ++round) {
      const THdlcPacket packet = RandomPacket(random, lc.Length, lc.EscapesOnly);
      SCOPED_TRACE(::testing::PrintToString(packet));
      const std::string frame = BuildHdlcFrame(packet);
      ASSERT_GE(frame.size(), 2U + 7U + packet.Data.size());
      EXPECT_EQ(frame.front(), HdlcFlag);
      EXPECT_EQ(frame.back(), HdlcFlag);
      EXPECT_EQ(frame.find(HdlcFlag, 1), frame.size() - 1);

      THdlcPacket parsed;
      ASSERT_TRUE(ParseHdlcFrame(frame, parsed));
      THdlcPacket expected = packet;
      expected.IsValid = true;
      EXPECT_EQ(parsed, expected);
    }
  }
}

// Frames whose checked bytes cover the interesting cases: the known frames, escapes in the
// header, the data and (found by search over the data byte) in the CRC.
std::vector<std::string> DamageSamples() {
  std::vector<std::string> frames = {
      FromHex("7E 01 05 08 01 00 00 9E 6A 7E"), FromHex("7E 05 01 09 00 00 39 FE 7E"),
      FromHex("7E 01 01 00 01 00 7D 5E ED EA 7E"),
      BuildHdlcFrame(MakePacket(0x7E, 0x7D, true, true, false, false, "\x7D\x7E\x7D\x01"))};
  std::mt19937 random(7);
  for (int i = 0; i < 6; ++i)
    frames.push_back(BuildHdlcFrame(RandomPacket(random, 1 + i * 5, i % 2 != 0)));
  // A frame whose CRC itself needs escaping.
  for (int data = 0; data < 256; ++data) {
    const std::string body = FromHex("01 01 00 01 00") + static_cast<char>(data);
    const std::uint16_t crc = CalcHdlcCrc(body);
    const auto escaped = [](int AByte) { return AByte == 0x7E || AByte == 0x7D; };
    if (escaped(crc & 0xFF) || escaped(crc >> 8)) {
      frames.push_back(BuildHdlcCommand(1, body.substr(5)));
      break;
    }
  }
  return frames;
}

// Parsing follows the escape rules to the letter: 7D followed by anything but 5E gives 7D, and an
// escape just before the last byte takes that byte as its second. Some damage is therefore
// invisible: a 7D 5D whose 5D is hit, or a frame that lost its closing flag right after an escape
// pair, still decode to the very bytes that were sent. What must never happen is a damaged frame
// accepted as a different packet.
void ExpectRejectedOrUnchanged(const std::string& ADamaged, const THdlcPacket& AOriginal) {
  THdlcPacket parsed;
  if (ParseHdlcFrame(ADamaged, parsed)) {
    EXPECT_EQ(parsed, AOriginal) << "accepted as another packet: " << ToHex(ADamaged);
  }
}

TEST(HdlcFrame, TruncationIsNeverAcceptedAsAnotherPacket) {
  for (const std::string& frame : DamageSamples()) {
    THdlcPacket whole;
    ASSERT_TRUE(ParseHdlcFrame(frame, whole)) << ToHex(frame);
    const bool endsWithEscapePair = frame[frame.size() - 3] == HdlcEscape;
    for (std::size_t length = 0; length < frame.size(); ++length) {
      const std::string cut = frame.substr(0, length);
      THdlcPacket parsed;
      // Without its closing flag a frame is complete only when an escape pair ends it.
      const bool mayPass = length == frame.size() - 1 && endsWithEscapePair;
      EXPECT_EQ(ParseHdlcFrame(cut, parsed), mayPass) << ToHex(cut);
      ExpectRejectedOrUnchanged(cut, whole);
      // The cut frame closed again by a flag, as a receiver sees a frame that lost its tail.
      if (length > 1) ExpectRejectedOrUnchanged(frame.substr(0, length - 1) + HdlcFlag, whole);
    }
  }
}

// Every byte between the flags replaced by each of the 255 other values. The flags themselves are
// not examined by parsing; the stream receiver only hands it frames between two flags.
TEST(HdlcFrame, SingleByteCorruptionIsNeverAcceptedAsAnotherPacket) {
  for (const std::string& frame : DamageSamples()) {
    THdlcPacket whole;
    ASSERT_TRUE(ParseHdlcFrame(frame, whole)) << ToHex(frame);
    for (std::size_t i = 1; i + 1 < frame.size(); ++i) {
      for (int value = 0; value < 256; ++value) {
        if (static_cast<char>(value) == frame[i]) continue;
        std::string damaged = frame;
        damaged[i] = static_cast<char>(value);
        ExpectRejectedOrUnchanged(damaged, whole);
      }
    }
  }
}

// In a frame without escape pairs no single-byte corruption passes.
TEST(HdlcFrame, SingleByteCorruptionWithoutEscapesIsRejected) {
  const std::string frame = FromHex("7E 01 01 00 01 00 21 AD D2 7E");
  for (std::size_t i = 1; i + 1 < frame.size(); ++i) {
    for (int value = 0; value < 256; ++value) {
      if (static_cast<char>(value) == frame[i]) continue;
      std::string damaged = frame;
      damaged[i] = static_cast<char>(value);
      THdlcPacket parsed;
      EXPECT_FALSE(ParseHdlcFrame(damaged, parsed)) << ToHex(damaged);
    }
  }
}

}  // namespace
