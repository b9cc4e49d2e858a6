#pragma once
// What the link layer is given by the line it works on: the port components, the connection type,
// the protocol and the modem state, and the two notifications the line passes on. The line
// implements it. The link asks afresh before every exchange, so a change of the line's settings
// takes effect with the next byte.
#include <cstdint>
#include <string>

#include "utils/ClockVocabulary.h"

class ISerialPort;
class ITcpClient;

class ILinkLine {
 public:
  virtual ~ILinkLine() = default;

  // The connection type as the link uses it: a modem line without a phone number is a cable line.
  virtual TConnectionType EffectiveConnectionType() const = 0;
  virtual TProtocol Protocol() const = 0;
  // The serial port (cable and modem lines) and the socket (TCP/IP lines); nullptr when the line
  // has none.
  virtual ISerialPort* ComPort() const = 0;
  virtual ITcpClient* TcpIpPort() const = 0;
  // Connects the socket and waits for it; false when it did not become active.
  virtual bool OpenTcpIpPort() = 0;
  // A dial reported a connection and no hang-up has followed.
  virtual bool ModemConnected() const = 0;
  virtual const std::string& PhoneNumber() const = 0;

  // One pass of a modem loop: the line's owner may process messages (and cancel the dial) here.
  virtual void LinkBreath() = 0;
  // Every write and every non-empty read on the line.
  virtual void LinkTraffic(std::uint32_t ATick, TTrafficDirection ADirection,
                           const std::string& AData) = 0;
};
