#pragma once
// A simulated face terminal for tests that talk to it over TCP. The terminals' port is fixed, so
// each test's terminal listens on a loopback address of its own (127.x.y.z) to keep tests that
// run at the same time apart.
#include <random>
#include <string>

#include "adapters/KRMira/KRMira.h"
#include "connections/ClockSet.h"
#include "models/MiraTerminalServer.h"

namespace testsupport {

// Starts AServer at the terminals' port on a random loopback address; the address, or "" when
// none of the tries found the port free.
inline std::string StartOnOwnLoopback(sim::MiraTerminalServer& AServer) {
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> part(1, 254);
  for (int attempt = 0; attempt < 20; ++attempt) {
    const std::string address = "127." + std::to_string(part(random)) + "." +
                                std::to_string(part(random)) + "." + std::to_string(part(random));
    if (AServer.start(address, krmira::kPortNumber)) return address;
  }
  return "";
}

// Starts AServer on its own loopback address and points ALine (TCP/IP) at it; the address, or ""
// when no address was free.
inline std::string ConnectLineToOwnLoopback(TClockSet& ALine, sim::MiraTerminalServer& AServer) {
  const std::string address = StartOnOwnLoopback(AServer);
  if (address.empty()) return address;
  ALine.ChangeConnectionType(TcpIp);
  ALine.ChangeSocketAddress(address);
  ALine.ChangeSocketPort(4001);
  return address;
}

}  // namespace testsupport
