// The port-4370 protocol pieces against the byte-exact examples that the terminals' published
// clients and packet captures agree on, and the parsers against short, split and hostile input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adapters/KRMira120/ZkProtocol.h"
#include "adapters/krmira120/ZkTestSupport.h"
#include "support/ScriptedDevice.h"

using testsupport::Hex;
using zktest::FromHex;

namespace {

TEST(ZkProtocol, FramesMatchCapturedBytes) {
  struct Case {
    const char* Name;
    std::uint16_t Command, Session, ReplyId;
    std::string Payload;
    const char* Expected;
  };
  const std::vector<Case> Cases = {
      {"connect, reply id 0", zk::CMD_CONNECT, 0, 0, "",
       "50 50 82 7D 08 00 00 00 E8 03 17 FC 00 00 00 00"},
      {"connect, reply id 1", zk::CMD_CONNECT, 0, 1, "",
       "50 50 82 7D 08 00 00 00 E8 03 16 FC 00 00 01 00"},
      {"ack ok with session", zk::CMD_ACK_OK, 0x8DF3, 0, "",
       "50 50 82 7D 08 00 00 00 D0 07 3C 6A F3 8D 00 00"},
      {"set time 2008-03-20 10:15:30", zk::CMD_SET_TIME, 0x8DF3, 2, FromHex("C2 C9 BE 0F"),
       "50 50 82 7D 0C 00 00 00 CA 00 BF 97 F3 8D 02 00 C2 C9 BE 0F"},
      {"attendance buffered read", zk::CMD_PREPARE_BUFFER, 0x8DF3, 3, zk::AttendanceReadRequest(),
       "50 50 82 7D 13 00 00 00 DF 05 29 5F F3 8D 03 00 01 0D 00 00 00 00 00 00 00 00 00"},
      {"auth with key 12345", zk::CMD_AUTH, 0x1A2B, 1, FromHex("6D E1 32 63"),
       "50 50 82 7D 0C 00 00 00 4E 04 E5 9C 2B 1A 01 00 6D E1 32 63"},
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(Hex(zk::BuildFrame(C.Command, C.Session, C.ReplyId, C.Payload)), C.Expected)
        << C.Name;
  }
}

TEST(ZkProtocol, ChecksumOfOddBodiesAndFolding) {
  // Bodies with the checksum field zero: the word of an odd last byte has high byte 0.
  EXPECT_EQ(zk::Checksum(FromHex("0B 00 00 00 F3 8D 03 00") + std::string("ZKFaceVersion\0", 14)),
            0x175A);
  EXPECT_EQ(zk::Checksum(FromHex("D0 07 00 00 F3 8D 0A 00 09")), 0x6A29);
  // Whatever the checksum field holds, it counts as zero.
  EXPECT_EQ(zk::Checksum(FromHex("D0 07 FF FF F3 8D 0A 00 09")), 0x6A29);
  // A sum that carries many times over 16 bits still folds to the ones' complement sum.
  const std::string Ones(8 + 4000, '\xFF');
  EXPECT_EQ(zk::Checksum(Ones), 0x0000);
  const std::string Body = zk::BuildBody(zk::CMD_DATA, 7, 9, std::string(70001, '\xA5'));
  EXPECT_TRUE(zk::IsChecksumValid(Body));
  std::string Damaged = Body;
  Damaged[100] = '\x00';
  EXPECT_FALSE(zk::IsChecksumValid(Damaged));
}

TEST(ZkProtocol, ReplyIdWrapsAfter65534) {
  EXPECT_EQ(zk::NextReplyId(0), 1);
  EXPECT_EQ(zk::NextReplyId(65533), 65534);
  EXPECT_EQ(zk::NextReplyId(65534), 0);
  EXPECT_EQ(zk::NextReplyId(65535), 0);
}

TEST(ZkProtocol, TimeEncoding) {
  EXPECT_EQ(zk::EncodeTime({2008, 3, 20, 10, 15, 30}), 0x0FBEC9C2u);
  EXPECT_EQ(zk::DecodeTime(0x0FBEC9C2u), (zk::DateTime{2008, 3, 20, 10, 15, 30}));
  // Every month counts 31 days: the last second of a "31st of February" and the first of March
  // lie one second apart, and every encodable value decodes back to itself.
  const std::vector<zk::DateTime> Samples = {{2000, 1, 1, 0, 0, 0},     {2099, 12, 31, 23, 59, 59},
                                             {2024, 2, 31, 23, 59, 59}, {2024, 3, 1, 0, 0, 0},
                                             {2021, 3, 21, 0, 0, 0},    {2050, 7, 15, 12, 0, 1}};
  for (const zk::DateTime& T : Samples) {
    ASSERT_TRUE(zk::EncodeTime(T)) << T.Year << "-" << T.Month << "-" << T.Day;
    EXPECT_EQ(zk::DecodeTime(*zk::EncodeTime(T)), T);
  }
  EXPECT_EQ(*zk::EncodeTime({2024, 3, 1, 0, 0, 0}) - *zk::EncodeTime({2024, 2, 31, 23, 59, 59}),
            1u);
  // What the terminal cannot hold is refused rather than stored as another date.
  const std::vector<zk::DateTime> Refused = {
      {1999, 12, 31, 0, 0, 0}, {2100, 1, 1, 0, 0, 0},  {1972, 3, 21, 0, 0, 0},
      {2008, 0, 1, 0, 0, 0},   {2008, 13, 1, 0, 0, 0}, {2008, 1, 32, 0, 0, 0},
      {2008, 1, 1, 24, 0, 0},  {2008, 1, 1, 0, 60, 0}, {2008, 1, 1, 0, 0, -1}};
  for (const zk::DateTime& T : Refused) {
    EXPECT_FALSE(zk::EncodeTime(T)) << T.Year << "-" << T.Month << "-" << T.Day << " " << T.Hour
                                    << ":" << T.Minute << ":" << T.Second;
  }
  // The largest value still decodes into plain numbers.
  const zk::DateTime Max = zk::DecodeTime(0xFFFFFFFFu);
  EXPECT_GE(Max.Year, 2000);
  EXPECT_LE(Max.Month, 12);
  EXPECT_LE(Max.Day, 31);
}

TEST(ZkProtocol, CommKeyScrambling) {
  struct Case {
    std::uint32_t Key;
    std::uint16_t Session;
    const char* Expected;
  };
  for (const Case& C : std::vector<Case>{
           {12345, 0x1A2B, "6D E1 32 63"}, {0, 0x1A2B, "61 7D 32 63"}, {1, 0, "61 FD 32 79"}}) {
    EXPECT_EQ(Hex(zk::MakeCommKey(C.Key, C.Session)), C.Expected) << C.Key;
  }
  // Byte 2 carries the ticks value in the clear.
  EXPECT_EQ(static_cast<unsigned char>(zk::MakeCommKey(77, 5, 0x9A)[2]), 0x9A);
}

TEST(ZkProtocol, Record40AsCaptured) {
  const std::string Record = FromHex("01 00 31 30 30 31") + std::string(20, '\0') +
                             FromHex("01 C2 C9 BE 0F 00") + std::string(8, '\0');
  std::string Buffer;
  zk::PutU32(Buffer, 40);
  Buffer += Record;
  std::vector<zk::AttRecord> Records;
  ASSERT_EQ(zk::ParseAttendanceBuffer(Buffer, Records), zk::BufferError::None);
  ASSERT_EQ(Records.size(), 1u);
  EXPECT_EQ(Records[0].Uid, 1);
  EXPECT_EQ(Records[0].UserId, "1001");
  EXPECT_EQ(Records[0].VerifyMode, 1);
  EXPECT_EQ(Records[0].InOutMode, 0);
  EXPECT_EQ(Records[0].Time, (zk::DateTime{2008, 3, 20, 10, 15, 30}));

  // What the simulator writes reads back the same, a 24-character user id included.
  zk::AttRecord R{7, "123456789012345678901234", 15, {2031, 12, 31, 23, 59, 59}, 3, 0};
  std::vector<zk::AttRecord> Back;
  ASSERT_EQ(zk::ParseAttendanceBuffer(zk::BuildAttendanceBuffer({R, R}), Back),
            zk::BufferError::None);
  ASSERT_EQ(Back.size(), 2u);
  EXPECT_EQ(Back[1], R);
  EXPECT_EQ(zk::EncodeRecord40(R).size(), 40u);
}

TEST(ZkProtocol, OlderRecordLayouts) {
  // 16-byte records: u32 user id, u32 time, status, punch, 2 reserved, u32 work code.
  std::string Sixteen;
  zk::PutU32(Sixteen, 48);
  for (std::uint32_t Id : {5u, 70000u, 9u}) {
    zk::PutU32(Sixteen, Id);
    zk::PutU32(Sixteen, 0x0FBEC9C2u);
    Sixteen += FromHex("04 02 00 00");
    zk::PutU32(Sixteen, 11);
  }
  std::vector<zk::AttRecord> Records;
  ASSERT_EQ(zk::ParseAttendanceBuffer(Sixteen, Records), zk::BufferError::None);
  ASSERT_EQ(Records.size(), 3u);
  EXPECT_EQ(Records[1].UserId, "70000");
  EXPECT_EQ(Records[1].InOutMode, 2);
  EXPECT_EQ(Records[1].VerifyMode, 4);
  EXPECT_EQ(Records[1].WorkCode, 11u);
  EXPECT_EQ(Records[1].Time, (zk::DateTime{2008, 3, 20, 10, 15, 30}));

  // 8-byte records: u16 serial, status, unaligned u32 time, punch.
  std::string Eight;
  zk::PutU32(Eight, 8);
  Eight += FromHex("2A 00 01 C2 C9 BE 0F 03");
  ASSERT_EQ(zk::ParseAttendanceBuffer(Eight, Records), zk::BufferError::None);
  ASSERT_EQ(Records.size(), 1u);
  EXPECT_EQ(Records[0].UserId, "42");
  EXPECT_EQ(Records[0].InOutMode, 3);
  EXPECT_EQ(Records[0].Time, (zk::DateTime{2008, 3, 20, 10, 15, 30}));
}

TEST(ZkProtocol, MalformedBuffersYieldNoRecords) {
  auto WithTotal = [](std::uint32_t ATotal, std::size_t AData) {
    std::string B;
    zk::PutU32(B, ATotal);
    return B + std::string(AData, '\x31');
  };
  struct Case {
    const char* Name;
    std::string Buffer;
    zk::BufferError Expected;
  };
  const std::vector<Case> Cases = {
      {"empty", "", zk::BufferError::TooShort},
      {"three bytes", std::string("\x28\0\0", 3), zk::BufferError::TooShort},
      {"total beyond the data", WithTotal(80, 79), zk::BufferError::TotalBeyondData},
      {"total near 4 GiB", WithTotal(0xFFFFFFF8u, 40), zk::BufferError::TotalBeyondData},
      {"no record size fits", WithTotal(41, 41), zk::BufferError::UnknownRecordSize},
  };
  for (const Case& C : Cases) {
    std::vector<zk::AttRecord> Records(3);
    EXPECT_EQ(zk::ParseAttendanceBuffer(C.Buffer, Records), C.Expected) << C.Name;
    EXPECT_TRUE(Records.empty()) << C.Name;
  }
  // An empty log, and bytes after the total that are ignored.
  std::vector<zk::AttRecord> Records;
  EXPECT_EQ(zk::ParseAttendanceBuffer(WithTotal(0, 0), Records), zk::BufferError::None);
  EXPECT_TRUE(Records.empty());
  EXPECT_EQ(zk::ParseAttendanceBuffer(WithTotal(40, 45), Records), zk::BufferError::None);
  EXPECT_EQ(Records.size(), 1u);
}

TEST(ZkProtocol, ReceiverCutsSplitAndMergedFrames) {
  const std::string A = zk::BuildFrame(zk::CMD_ACK_OK, 0x8DF3, 4, "abc");
  const std::string B = zk::BuildFrame(zk::CMD_DATA, 0x8DF3, 5, std::string(300, 'z'));
  const std::string Stream = A + B + A;
  // Fed one byte at a time and all at once, the same three frames come out.
  for (std::size_t Step : {std::size_t{1}, std::size_t{7}, Stream.size()}) {
    zk::FrameReceiver Receiver;
    std::vector<zk::Frame> Frames;
    for (std::size_t I = 0; I < Stream.size(); I += Step) {
      Receiver.Feed(Stream.substr(I, Step));
      zk::Frame F;
      bool Valid = false;
      zk::FrameReceiver::Status S;
      while ((S = Receiver.Next(F, &Valid)) == zk::FrameReceiver::Status::FrameReady) {
        EXPECT_TRUE(Valid);
        Frames.push_back(F);
      }
      ASSERT_EQ(S, zk::FrameReceiver::Status::NeedMore) << "step " << Step;
    }
    ASSERT_EQ(Frames.size(), 3u) << "step " << Step;
    EXPECT_EQ(Frames[0].Payload, "abc");
    EXPECT_EQ(Frames[1].Command, zk::CMD_DATA);
    EXPECT_EQ(Frames[1].ReplyId, 5);
    EXPECT_EQ(Frames[1].Payload.size(), 300u);
    EXPECT_EQ(Frames[2].SessionId, 0x8DF3);
    EXPECT_EQ(Receiver.Buffered(), 0u);
  }
}

TEST(ZkProtocol, ReceiverRefusesWhatIsNoFrame) {
  auto Prefix = [](std::uint32_t ALength) {
    std::string P = FromHex("50 50 82 7D");
    zk::PutU32(P, ALength);
    return P;
  };
  struct Case {
    const char* Name;
    std::string Bytes;
  };
  const std::vector<Case> Cases = {
      {"wrong magic", FromHex("50 50 82 7E 08 00 00 00 D0 07 00 00 00 00 00 00")},
      {"wrong first byte", "G"},
      {"body shorter than its header", Prefix(7) + std::string(7, '\0')},
      {"body length 4 GiB", Prefix(0xFFFFFFFFu)},
      {"body length just over the limit", Prefix(zk::kMaxBodySize + 1)},
  };
  for (const Case& C : Cases) {
    zk::FrameReceiver Receiver;
    Receiver.Feed(C.Bytes);
    zk::Frame F;
    EXPECT_EQ(Receiver.Next(F), zk::FrameReceiver::Status::Corrupt) << C.Name;
  }
  // A peer that can recover skips to the next magic.
  zk::FrameReceiver Receiver;
  Receiver.Feed("garbage" + zk::BuildFrame(zk::CMD_ACK_OK, 1, 2));
  zk::Frame F;
  ASSERT_EQ(Receiver.Next(F), zk::FrameReceiver::Status::Corrupt);
  Receiver.Resync();
  ASSERT_EQ(Receiver.Next(F), zk::FrameReceiver::Status::FrameReady);
  EXPECT_EQ(F.ReplyId, 2);
  // A magic split over two reads survives the resync.
  Receiver.Feed("xx\x50\x50");
  ASSERT_EQ(Receiver.Next(F), zk::FrameReceiver::Status::Corrupt);
  Receiver.Resync();
  Receiver.Feed(zk::BuildFrame(zk::CMD_ACK_OK, 1, 3).substr(2));
  ASSERT_EQ(Receiver.Next(F), zk::FrameReceiver::Status::FrameReady);
  EXPECT_EQ(F.ReplyId, 3);
}

}  // namespace
