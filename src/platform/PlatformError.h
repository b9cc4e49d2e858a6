#pragma once
#include <stdexcept>
#include <string>

// Why a port could not be opened or used, as far as the platform can tell.
enum class TPortFailure { Other, Missing, Busy, Denied };

// An error of a platform component (serial port, socket). The link layer catches these where
// its contracts say that a failure ends an exchange; everywhere else they reach the caller.
class PlatformError : public std::runtime_error {
 public:
  explicit PlatformError(const std::string& AWhat, TPortFailure AKind = TPortFailure::Other)
      : std::runtime_error(AWhat), FKind(AKind) {}
  TPortFailure kind() const { return FKind; }

 private:
  TPortFailure FKind;
};
