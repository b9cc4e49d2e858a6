#pragma once
// A platform whose time runs out on request: while its stop predicate answers true, the tick count
// leaps far ahead at every look and sleeps and waits for input return at once, so every timeout
// in the core has passed at its next look at the clock. The work in progress then ends the way
// it ends when a clock stays silent, without any change to the code that waits. When the
// predicate answers false again, time passes as before from where it stands.
#include <functional>
#include <memory>

#include "platform/Platform.h"

class TStoppablePlatform : public IPlatform {
 public:
  // AInner serves everything; AStopped is asked at every sleep, wait and look at the tick count.
  TStoppablePlatform(IPlatform& AInner, std::function<bool()> AStopped);
  ~TStoppablePlatform() override;
  ISystemClock& clock() override;
  std::unique_ptr<ISerialPort> createSerialPort() override;
  std::unique_ptr<ITcpClient> createTcpClient() override;
  // The face terminals' blocking stream, as the inner platform makes it: its waits are bounded
  // by the terminal client's own timeouts.
  std::unique_ptr<ITcpStream> createTcpStream() override;

  // How far the tick count leaps at each look while stopped: half the 32-bit range less one, so
  // that the wrapping difference of any two looks stays far beyond any timeout of the core.
  static constexpr std::uint32_t kLeapMs = 0x7FFFFFFFu;

 private:
  class Clock;
  IPlatform& FInner;
  std::function<bool()> FStopped;
  std::unique_ptr<Clock> FClock;
};
