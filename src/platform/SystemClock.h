#pragma once
#include <cstdint>

struct TLocalDateTime {
  int Year = 0, Month = 0, Day = 0;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// Time and the message loop as the core sees them.
class ISystemClock {
 public:
  virtual ~ISystemClock() = default;
  // Milliseconds since an arbitrary start, wrapping at 2^32.
  virtual std::uint32_t tickCount() = 0;
  virtual void sleep(std::uint32_t AMs) = 0;
  // Lets the application handle its pending events (window messages, socket events).
  virtual void processMessages() = 0;
  virtual TLocalDateTime localNow() = 0;
  // The system time of day in UTC (only its seconds and milliseconds are used, for short waits).
  virtual TLocalDateTime utcNow() = 0;
};
