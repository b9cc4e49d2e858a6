#pragma once
#include <memory>

#include "platform/SerialPort.h"
#include "platform/SystemClock.h"
#include "platform/TcpClient.h"
#include "platform/TcpStream.h"

// The core reaches the machine only through this: a clock, factories for the two port components
// of a line and for the blocking stream of the face-recognition terminals. The programs install the
// Qt implementation; tests install virtual ones.
class IPlatform {
 public:
  virtual ~IPlatform() = default;
  virtual ISystemClock& clock() = 0;
  virtual std::unique_ptr<ISerialPort> createSerialPort() = 0;
  virtual std::unique_ptr<ITcpClient> createTcpClient() = 0;
  virtual std::unique_ptr<ITcpStream> createTcpStream() = 0;
};

namespace platform {
// The installed platform. Without one installed, the Qt platform is created on first use.
IPlatform& Current();
// Installs APlatform (not owned) until another is installed; nullptr returns to the default.
void Install(IPlatform* APlatform);
inline ISystemClock& Clock() {
  return Current().clock();
}
}  // namespace platform
