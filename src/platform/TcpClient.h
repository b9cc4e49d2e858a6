#pragma once
#include <cstddef>
#include <string>

// The most bytes a socket holds for the program before they are read. A peer that sends more is
// held back by the connection's flow control: the program never grows for what a peer sends.
inline constexpr std::size_t kTcpSocketBufferBytes = 256 * 1024;

// Why the last connect failed.
enum class TSocketFailure { None, Refused, HostUnknown, Timeout, Other };

// A non-blocking TCP client. Errors never raise: a failed connect shows as a socket that does not
// become active, a failed send or read as nothing sent or nothing read.
class ITcpClient {
 public:
  virtual ~ITcpClient() = default;

  virtual std::string address() const = 0;
  virtual void setAddress(const std::string& AAddress) = 0;
  virtual int port() const = 0;
  virtual void setPort(int APort) = 0;

  // Starts a connect; the socket becomes active once the platform has processed its
  // connect event (see ISystemClock::processMessages).
  virtual void open() = 0;
  virtual void close() = 0;
  virtual bool active() const = 0;
  // Why the connect started by open() has failed; None while it is under way or has succeeded.
  virtual TSocketFailure failure() const { return TSocketFailure::None; }
  virtual void send(const std::string& AData) = 0;
  // At most AMaxBytes of the bytes waiting, the oldest first; "" when none. Never waits.
  virtual std::string read(std::size_t AMaxBytes) = 0;
  // As ISerialPort::waitForData.
  virtual void waitForData(int AMs) = 0;
};
