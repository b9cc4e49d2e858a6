#pragma once
#include <stdexcept>

// The clock closed its HDLC session in the middle of an exchange (it answered a data frame with
// Nack and Session). The command exchange catches it and opens a new session.
class HardwareSessionClosedException : public std::runtime_error {
 public:
  HardwareSessionClosedException()
      : std::runtime_error("Device Busy or Session Closed by device") {}
};
