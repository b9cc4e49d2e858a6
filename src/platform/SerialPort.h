#pragma once
#include <cstddef>
#include <string>

#include "platform/BaudRate.h"

enum class TParity { None, Even };

// The most bytes a serial port holds for the program before they are read; beyond it the
// device's own buffer fills (a pseudo-terminal holds its writer back).
inline constexpr std::size_t kSerialPortBufferBytes = 256 * 1024;

// A serial port as the clock link needs it: 8 data bits and 1 stop bit always, DTR and RTS held
// on where the device supports them. Open and write raise PlatformError; reads never block.
class ISerialPort {
 public:
  virtual ~ISerialPort() = default;

  // "COMn"; the implementation decides which device that opens.
  virtual std::string portName() const = 0;
  virtual void setPortName(const std::string& AName) = 0;
  virtual TBaudRate baudRate() const = 0;
  virtual void setBaudRate(TBaudRate ARate) = 0;
  virtual TParity parity() const = 0;
  virtual void setParity(TParity AParity) = 0;
  // Whether the device has refused even parity since the port was opened: a pseudo-terminal and
  // some USB adapters keep sending without parity whatever is asked.
  virtual bool evenParityRefused() const { return false; }

  virtual void open() = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // Discards received and not yet sent bytes.
  virtual void clear() = 0;
  virtual void write(const std::string& AData) = 0;
  // At most AMaxCount bytes that have already arrived; "" when none. Never waits.
  virtual std::string read(int AMaxCount) = 0;
  // Aborts pending operations (a modem hang-up starts with it).
  virtual void abort() = 0;
  // Spends at most AMs waiting for input, returning as soon as bytes are there. The reply waits
  // use it instead of a plain sleep.
  virtual void waitForData(int AMs) = 0;
};
