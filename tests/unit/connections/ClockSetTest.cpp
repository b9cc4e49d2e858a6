#include <gtest/gtest.h>

#include "calendar/ConvertError.h"
#include "connections/ClockSet.h"
#include "inproc/VirtualPlatform.h"

namespace {
class ClockSetTest : public ::testing::Test {
 protected:
  sim::ScopedVirtualPlatform vp;
  TClockSet line;
};
}  // namespace

TEST_F(ClockSetTest, NewLineDefaults) {
  EXPECT_EQ(line.EffectiveConnectionType(), Cable);
  EXPECT_EQ(line.BaudRate(), br9600);
  EXPECT_EQ(line.SerialPortNumber(), 1);
  EXPECT_EQ(line.SocketAddress(), "");
  EXPECT_EQ(line.SocketPort(), 0);
  EXPECT_EQ(line.MaxClockNumber, 32);
  ASSERT_EQ(line.Clocks().size(), 1u);
  EXPECT_EQ(line.Clocks()[0]->ClockNumber, 1);
  EXPECT_EQ(line.BuildActiveClocksString(), "T");
  EXPECT_EQ(line.Protocol(), RS232);
  ASSERT_NE(line.ComPort(), nullptr);
  EXPECT_EQ(line.TcpIpPort(), nullptr);
  EXPECT_FALSE(line.ComPort()->isOpen());  // opened on the first exchange only
}

TEST_F(ClockSetTest, ModemWithoutNumberReadsAsCable) {
  line.ChangeConnectionType(Modem);
  EXPECT_EQ(line.EffectiveConnectionType(), Cable);
  line.ChangePhoneNumber("021,555");
  EXPECT_EQ(line.EffectiveConnectionType(), Modem);
  EXPECT_EQ(line.PhoneNumber(), "P021 555");
}

TEST_F(ClockSetTest, PhoneNumberNormalisation) {
  const std::pair<std::string, std::string> cases[] = {
      {"t123", "T123"}, {"p9,0", "P9 0"}, {"123", "P123"}, {"", ""}, {"x1", "PX1"}};
  for (const auto& [in, out] : cases) {
    line.ChangePhoneNumber(in);
    EXPECT_EQ(line.PhoneNumber(), out) << in;
  }
}

TEST_F(ClockSetTest, BaudRateChangesOnlyOnCableAndReopensAnOpenPort) {
  line.ChangeConnectionType(Modem);
  line.ChangeBaudRate(br19200);
  EXPECT_EQ(line.BaudRate(), br9600);

  line.ChangeConnectionType(Cable);
  line.ComPort()->open();
  const int opens = vp.P.SerialOpenCount;
  line.ChangeBaudRate(br19200);
  EXPECT_EQ(line.BaudRate(), br19200);
  EXPECT_EQ(line.ComPort()->baudRate(), br19200);
  EXPECT_TRUE(line.ComPort()->isOpen());
  EXPECT_EQ(vp.P.SerialOpenCount, opens + 1);
}

TEST_F(ClockSetTest, SwitchingToTcpAndBackGivesFreshComponents) {
  line.ChangeBaudRate(br38400);
  line.ChangeSerialPortNumber(7);
  EXPECT_EQ(line.SerialPortNumber(), 7);
  line.ChangeConnectionType(TcpIp);
  EXPECT_EQ(line.ComPort(), nullptr);
  ASSERT_NE(line.TcpIpPort(), nullptr);
  EXPECT_EQ(line.SocketAddress(), "192.168.0.1");
  EXPECT_THROW(line.SerialPortNumber(), EConvertError);
  line.ChangeSerialPortNumber(3);  // no serial port: nothing happens

  line.ChangeConnectionType(Cable);
  EXPECT_EQ(line.TcpIpPort(), nullptr);
  ASSERT_NE(line.ComPort(), nullptr);
  EXPECT_EQ(line.ComPort()->portName(), "COM1");
  EXPECT_EQ(line.ComPort()->baudRate(), br38400);
}

TEST_F(ClockSetTest, SocketSettingsWithoutSocketDoNothing) {
  line.ChangeSocketAddress("10.0.0.5");
  line.ChangeSocketPort(1001);
  EXPECT_EQ(line.SocketAddress(), "");
  EXPECT_EQ(line.SocketPort(), 0);
  line.ChangeConnectionType(TcpIp);
  line.ChangeSocketAddress("10.0.0.5");
  line.ChangeSocketPort(1001);
  EXPECT_EQ(line.SocketAddress(), "10.0.0.5");
  EXPECT_EQ(line.SocketPort(), 1001);
}

TEST_F(ClockSetTest, SerialPortNumberReadsTwoDigitsAfterCom) {
  line.ChangeSerialPortNumber(12);
  EXPECT_EQ(line.SerialPortNumber(), 12);
  line.ComPort()->setPortName("COM123");
  EXPECT_EQ(line.SerialPortNumber(), 12);  // cut after the fifth character
  line.ComPort()->setPortName("/dev/ttyUSB0");
  EXPECT_THROW(line.SerialPortNumber(), EConvertError);
}

TEST_F(ClockSetTest, ActiveClocksStringMarksActiveNumbers) {
  line.NewClock(3);
  line.NewClock(4).Active = false;
  EXPECT_EQ(line.BuildActiveClocksString(), "TFTF");
  line.Clocks().clear();
  EXPECT_EQ(line.BuildActiveClocksString(), "");
  EXPECT_EQ(line.ClockType(), CTUnknown);
}

TEST_F(ClockSetTest, ImageFlagsReachExistingClocksOnly) {
  line.NewClock(2);
  line.ChangeGetIOImage(true);
  line.ChangeGetIOImageOnlyCards(true);
  for (const auto& clock : line.Clocks()) {
    EXPECT_TRUE(clock->GetIOImage());
    EXPECT_TRUE(clock->GetIOImageOnlyCards());
  }
  EXPECT_FALSE(line.NewClock(3).GetIOImage());
}

TEST_F(ClockSetTest, OpenTcpIpPortGivesUpAfterFiveSecondsAgainstSilentPeer) {
  line.ChangeConnectionType(TcpIp);
  vp.P.TcpPeerListening = false;
  const auto before = vp.P.Clock.elapsed();
  EXPECT_FALSE(line.OpenTcpIpPort());
  const auto spent = vp.P.Clock.elapsed() - before;
  EXPECT_GE(spent, 5000u);
  EXPECT_LE(spent, 5010u);
  EXPECT_FALSE(line.TcpIpPort()->active());
  EXPECT_GT(vp.P.Clock.processCount(), 0);  // the connect event needs the message loop
}

TEST_F(ClockSetTest, OpenTcpIpPortReturnsOnceConnected) {
  line.ChangeConnectionType(TcpIp);
  vp.P.TcpConnectDelayMs = 30;
  const auto before = vp.P.Clock.elapsed();
  EXPECT_TRUE(line.OpenTcpIpPort());
  EXPECT_LE(vp.P.Clock.elapsed() - before, 40u);
  EXPECT_TRUE(line.OpenTcpIpPort());  // already active: at once
}

TEST_F(ClockSetTest, ChangedPortNameClosesTheOpenPortSoTheNextOpenUsesIt) {
  line.ComPort()->open();
  // The same name keeps the port open; another name (a number or a device path) closes it.
  line.ChangeSerialPortNumber(1);
  EXPECT_TRUE(line.ComPort()->isOpen());
  line.ChangeSerialPortNumber(2);
  EXPECT_FALSE(line.ComPort()->isOpen());
  line.ComPort()->open();
  line.ChangeSerialPortName("/dev/ttyUSB0");
  EXPECT_FALSE(line.ComPort()->isOpen());
  EXPECT_EQ(line.SerialPortName(), "/dev/ttyUSB0");
  line.ComPort()->open();
  EXPECT_EQ(vp.P.SerialOpened, (std::vector<std::string>{"COM1", "COM2", "/dev/ttyUSB0"}));
  // An empty name is no port: the line keeps its own.
  line.ChangeSerialPortName("");
  EXPECT_EQ(line.SerialPortName(), "/dev/ttyUSB0");
  EXPECT_TRUE(line.ComPort()->isOpen());
}
