#include "link/HdlcCrc.h"

std::uint16_t CalcHdlcCrc(std::string_view AData) {
  std::uint16_t crc = 0xFFFF;
  for (const char c : AData) {
    crc ^= static_cast<std::uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit) {
      const bool carry = (crc & 1U) != 0;
      crc = static_cast<std::uint16_t>(crc >> 1);
      if (carry) crc ^= 0xA001;
    }
  }
  return crc;
}
