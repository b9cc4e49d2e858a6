#pragma once
#include <gtest/gtest.h>

#include "connections/ClockSet.h"
#include "inproc/VirtualPlatform.h"
#include "support/ScriptedDevice.h"

// A line on the virtual platform with a scripted device behind its port.
class LinkFixture : public ::testing::Test {
 protected:
  LinkFixture() { vp.P.Wire.setModel(&device); }
  TBasicClock& clock() { return *line.Clocks().front(); }
  std::string send(const std::string& ACommand, int AReplyLength,
                   const std::string& AReplyStart = "", const std::string& ASaved = "") {
    std::string reply;
    clock().SendCommand(ACommand, AReplyLength, AReplyStart, ASaved, reply);
    return reply;
  }
  void useTcp() {
    line.ChangeConnectionType(TcpIp);
    line.ChangeSocketAddress("127.0.0.1");
    line.ChangeSocketPort(1001);
  }
  void useConnectedModem() {
    line.ChangeConnectionType(Modem);
    line.ChangePhoneNumber("123");
    line.SetModemConnected(true);
  }
  std::uint64_t now() const { return vp.P.Clock.elapsed(); }

  sim::ScopedVirtualPlatform vp;
  testsupport::ScriptedDevice device;
  TClockSet line;
};
