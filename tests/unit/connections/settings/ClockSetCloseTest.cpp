// Closing a line: the socket, or the modem connection and then the serial port; the clocks'
// HDLC sessions end with it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "connections/ClockSet.h"
#include "inproc/VirtualPlatform.h"
#include "link/HdlcFrame.h"
#include "models/HdlcClockModel.h"
#include "support/ScriptedDevice.h"

namespace {

class ClockSetCloseTest : public ::testing::Test {
 protected:
  sim::ScopedVirtualPlatform vp;
  TClockSet line;
};

TEST_F(ClockSetCloseTest, ClosesTheSerialPort) {
  line.ComPort()->open();
  line.Close();
  EXPECT_FALSE(line.ComPort()->isOpen());
  // Closing a closed line is harmless.
  line.Close();
  EXPECT_FALSE(line.ComPort()->isOpen());
}

TEST_F(ClockSetCloseTest, ClosesTheSocket) {
  line.ChangeConnectionType(TcpIp);
  line.ChangeSocketAddress("127.0.0.1");
  line.ChangeSocketPort(1001);
  ASSERT_TRUE(line.OpenTcpIpPort());
  line.Close();
  EXPECT_FALSE(line.TcpIpPort()->active());
}

TEST_F(ClockSetCloseTest, HangsUpAnEstablishedModemConnectionBeforeClosingThePort) {
  testsupport::ScriptedDevice modem;
  vp.P.Wire.setModel(&modem);
  line.ChangeConnectionType(Modem);
  line.ChangePhoneNumber("123");
  line.SetModemConnected(true);
  line.ComPort()->open();
  modem.then("\r\nOK\r\n", 100);
  modem.then("\r\nOK\r\n", 100);
  line.Close();
  EXPECT_EQ(modem.Received, (std::vector<std::string>{"+++", "ATH0\r"}));
  EXPECT_FALSE(line.ModemConnected());
  EXPECT_FALSE(line.ComPort()->isOpen());
}

TEST_F(ClockSetCloseTest, NothingIsSentToAModemThatIsNotConnected) {
  testsupport::ScriptedDevice modem;
  vp.P.Wire.setModel(&modem);
  line.ChangeConnectionType(Modem);
  line.ChangePhoneNumber("123");
  line.ComPort()->open();
  line.Close();
  EXPECT_TRUE(modem.Received.empty());
  EXPECT_FALSE(line.ComPort()->isOpen());
}

TEST_F(ClockSetCloseTest, HdlcSessionIsOpenedAgainAfterClose) {
  sim::HdlcClockModel device{1};
  vp.P.Wire.setModel(&device);
  line.SetProtocol(ptHdlc);
  TBasicClock& clock = *line.Clocks().front();
  std::string reply;
  clock.SendCommand(BuildHdlcCommand(1, "\x02"), 0, "", "", reply);
  ASSERT_TRUE(clock.SessionIsOpen());
  ASSERT_EQ(device.SessionRequests, 1);

  line.Close();
  EXPECT_FALSE(clock.SessionIsOpen());
  EXPECT_FALSE(line.ComPort()->isOpen());

  clock.SendCommand(BuildHdlcCommand(1, "\x02"), 0, "", "", reply);
  EXPECT_EQ(device.SessionRequests, 2);
}

}  // namespace
