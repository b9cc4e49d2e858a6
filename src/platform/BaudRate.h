#pragma once
#include <cstdint>

// Serial speeds by ordinal. The ordinal is what settings strings store, so the order is fixed.
enum TBaudRate : std::uint8_t {
  brCustom,
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200,
  br128000,
  br256000
};

// Bits per second of a speed; 0 for brCustom or a value outside the table.
int BaudRateToBits(TBaudRate ARate);
// The speed whose bits per second equal ABits; brCustom when none does.
TBaudRate BitsToBaudRate(int ABits);

// A byte on a serial line takes at most 11 bits: start, eight data bits, parity and stop.
inline constexpr int kLineBitsPerByte = 11;
// The slowest speed the clocks' lines run at, taken when a line's own speed is not known (a
// custom speed, a TCP/IP converter).
inline constexpr int kSlowestLineBits = 9600;
// Milliseconds ABytes take on a line of ABitsPerSecond (more than 0), rounded up; at most
// 2^32 - 1.
std::uint32_t LineBytesMs(std::uint64_t ABytes, int ABitsPerSecond);
