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
