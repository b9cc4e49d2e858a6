#pragma once
#include <stdexcept>
#include <string>

// An error of a platform component (serial port, socket). The link layer catches these where
// its contracts say that a failure ends an exchange; everywhere else they reach the caller.
class PlatformError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
