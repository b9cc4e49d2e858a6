#pragma once
#include "platform/Platform.h"

// The real platform: QSerialPort, QTcpSocket, QCoreApplication and the system clock.
class QtPlatform : public IPlatform {
 public:
  QtPlatform();
  ~QtPlatform() override;
  ISystemClock& clock() override;
  std::unique_ptr<ISerialPort> createSerialPort() override;
  std::unique_ptr<ITcpClient> createTcpClient() override;
  std::unique_ptr<ITcpStream> createTcpStream() override;

 private:
  std::unique_ptr<ISystemClock> FClock;
};
