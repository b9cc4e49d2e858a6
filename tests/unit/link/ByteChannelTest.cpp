#include "link/LinkFixture.h"

using testsupport::Bytes;
using testsupport::Hex;

TEST_F(LinkFixture, TcpReadChannelHandsOutAtMostCountAndKeepsTheRest) {
  useTcp();
  device.then("ABCDE", 1);
  clock().WriteCommand("\x01");
  vp.P.Clock.advance(5);
  std::string data;
  clock().ReadChannel(2, data);
  EXPECT_EQ(data, "AB");
  // The next write drains only the socket, not what the reader has not taken yet.
  clock().WriteCommand("\x01");
  clock().ReadChannel(10, data);
  EXPECT_EQ(data, "CDE");
  device.then("XYZ", 1);
  clock().WriteCommand("\x01");
  vp.P.Clock.advance(5);
  clock().ReadChannel(1, data);
  EXPECT_EQ(data, "X");
  // The socket's bytes are one stream for the whole line: another clock reads what was left.
  line.NewClock(2).ReadChannel(1, data);
  EXPECT_EQ(data, "Y");
  clock().ClearChannel();
  clock().ReadChannel(10, data);
  EXPECT_EQ(data, "");
}

TEST_F(LinkFixture, NoSocketMeansNoChannel) {
  line.ChangeConnectionType(TcpIp);
  EXPECT_TRUE(clock().HasChannel());
  // A clock whose owner is gone has no channel either.
  TBasicClock orphan(nullptr, 1);
  EXPECT_FALSE(orphan.HasChannel());
  EXPECT_EQ(orphan.GetProtocol(), RS232);
  orphan.WriteCommand("\x01");
  EXPECT_TRUE(device.Received.empty());
}

TEST_F(LinkFixture, ModemCommandsPassUnencodedOnRs485) {
  line.SetProtocol(RS485);
  clock().WriteCommand("ATDP123\r");
  clock().WriteCommand("+++");
  clock().WriteCommand("\x05");
  ASSERT_EQ(device.Received.size(), 3u);
  EXPECT_EQ(device.Received[0], "ATDP123\r");
  EXPECT_EQ(device.Received[1], "+++");
  EXPECT_EQ(Hex(device.Received[2]), "01 41 A5 E5");
}

TEST_F(LinkFixture, At57600TextCommandsGoOutByteByByteWithPauses) {
  line.ChangeBaudRate(br57600);
  const auto start = now();
  clock().WriteCommand("AFV?\r");
  EXPECT_EQ(vp.P.Wire.WriteCount, 5);
  EXPECT_EQ(vp.P.Wire.Written, "AFV?\r");
  EXPECT_EQ(now() - start, 100u);
}

TEST_F(LinkFixture, SerialPortOpensLazilyAndStaysOpen) {
  EXPECT_FALSE(line.ComPort()->isOpen());
  clock().WriteCommand("\x01");
  clock().WriteCommand("\x01");
  EXPECT_TRUE(line.ComPort()->isOpen());
  EXPECT_EQ(vp.P.SerialOpenCount, 1);
}

TEST_F(LinkFixture, TrafficObserverSeesWritesAndReads) {
  std::vector<std::string> events;
  line.OnTraffic = [&](std::uint32_t, TTrafficDirection ADir, const std::string& AData) {
    events.push_back((ADir == TTrafficDirection::Tx ? "TX " : "RX ") + Hex(AData));
  };
  device.then({{5, "0"}});
  EXPECT_EQ(send("\x01", 1), "0");
  EXPECT_EQ(events, (std::vector<std::string>{"TX 01", "RX 30"}));
}

TEST_F(LinkFixture, UserActionsRunInsideTheWait) {
  int actions = 0;
  vp.P.Clock.OnProcessMessages = [&] { ++actions; };
  device.then("0", 500);
  EXPECT_EQ(send("\x01", 1), "0");
  EXPECT_EQ(actions, 4);  // 500 ms of 2 ms polls: a message pass every 100 ms
}

TEST_F(LinkFixture, WaitAskingForNothingStillTimesOutWhileBytesWait) {
  // A reply length of 0 asks for no byte: bytes that arrive stay unread, and the wait must still
  // end on its timeout instead of polling without pause.
  device.then("0123", 1);
  const auto start = now();
  EXPECT_EQ(send("\x01", 0), "");
  EXPECT_GE(now() - start, 7000u);
  EXPECT_LE(now() - start, 7030u);
}

TEST_F(LinkFixture, TcpReadTakesWhatTheWaitCanUseAndABoundedLookAhead) {
  // A megabyte arrives at once; the wait asks for one byte. The rest stays in the socket (where
  // the socket's own cap and the connection's flow control hold the peer back) instead of
  // moving into the line's buffer.
  useTcp();
  const std::size_t flood = 1 << 20;
  device.then(std::string(flood, 'U'), 1);
  clock().WriteCommand("\x01");
  vp.P.Clock.advance(5);
  std::string data;
  clock().ReadChannel(1, data);
  EXPECT_EQ(data, "U");
  const std::size_t leftInSocket = vp.P.Wire.fromDevice(1 << 30).size();
  EXPECT_GE(leftInSocket, flood - 1 - 8 * 1024) << "bytes taken from the socket for a 1-byte read";
  EXPECT_LT(leftInSocket, flood);
}
