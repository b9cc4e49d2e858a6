#pragma once
#include <cstdint>

// A time limit on the platform clock's 32-bit millisecond tick counter (ISystemClock::tickCount).
//
// The counter wraps after about 49.7 days. The time elapsed is the unsigned difference between
// the reading now and the reading at the start, which is right across one wrap; a span longer
// than the counter's whole range cannot be told from a short one. Every reading is taken from
// the clock installed at that moment (platform::Clock()), so the tests' virtual clock drives a
// deadline as it drives every wait.
//
// Every wait of the core measures its time with this one type: a wait ends when its deadline has
// expired, and waits that must see something before they end do so before asking expired().
class TDeadline {
 public:
  // Starts now and expires ATimeoutMs from now; a timeout of 0 is expired at once.
  explicit TDeadline(std::uint32_t ATimeoutMs);

  // Starts again from now; the timeout stays. (A wait whose limit counts from the last byte
  // received restarts its deadline on every byte.)
  void start();
  // Milliseconds since the start.
  std::uint32_t elapsed() const;
  // At least the timeout has passed since the start.
  bool expired() const { return elapsed() >= FTimeoutMs; }
  // Milliseconds until the deadline; 0 once it has expired.
  std::uint32_t remaining() const;
  std::uint32_t timeout() const { return FTimeoutMs; }

 private:
  std::uint32_t FStartTick;
  std::uint32_t FTimeoutMs;
};
