#pragma once
#include <cstdint>
#include <string_view>

// The frame check sequence of HDLC frames: CRC-16/MODBUS. Initial value FFFFh, the polynomial
// 8005h processed least significant bit first (A001h), no final XOR. The CRC of "123456789" is
// 4B37h; the CRC of no bytes is FFFFh.
std::uint16_t CalcHdlcCrc(std::string_view AData);
