#pragma once
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

#include "link/HdlcCrc.h"
#include "link/HdlcFrame.h"

namespace hdlctest {

// "7E 01 05" -> the three bytes.
inline std::string FromHex(std::string_view AHex) {
  std::string bytes;
  std::istringstream in{std::string(AHex)};
  std::string token;
  while (in >> token) bytes += static_cast<char>(std::stoi(token, nullptr, 16));
  return bytes;
}

// The bytes as upper-case hex separated by spaces.
inline std::string ToHex(std::string_view ABytes) {
  std::string hex;
  char item[4];
  for (const char c : ABytes) {
    std::snprintf(item, sizeof item, "%02X", static_cast<unsigned>(static_cast<std::uint8_t>(c)));
    if (!hex.empty()) hex += ' ';
    hex += item;
  }
  return hex;
}

// A frame made by hand from the unstuffed bytes between the flags without their CRC: lets a test
// put into a frame what BuildHdlcFrame would never write (a wrong length, flag bits 4 to 7).
inline std::string FrameFromBody(const std::string& ABody) {
  const std::uint16_t crc = CalcHdlcCrc(ABody);
  return StuffHdlcFrame(ABody + static_cast<char>(crc & 0xFF) + static_cast<char>(crc >> 8));
}

inline THdlcPacket MakePacket(std::uint8_t ASource, std::uint8_t ADest, bool AAck, bool ANack,
                              bool ABusy, bool ASession, std::string AData) {
  THdlcPacket packet;
  packet.SourceAddress = ASource;
  packet.DestAddress = ADest;
  packet.Ack = AAck;
  packet.Nack = ANack;
  packet.Busy = ABusy;
  packet.Session = ASession;
  packet.Data = std::move(AData);
  return packet;
}

// A packet with random addresses, flags and ALength data bytes. With AEscapesOnly every data
// byte is 7E or 7D, the bytes that stuffing has to escape.
inline THdlcPacket RandomPacket(std::mt19937& ARandom, std::size_t ALength,
                                bool AEscapesOnly = false) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> bit(0, 1);
  THdlcPacket packet =
      MakePacket(static_cast<std::uint8_t>(byte(ARandom)), static_cast<std::uint8_t>(byte(ARandom)),
                 bit(ARandom) != 0, bit(ARandom) != 0, bit(ARandom) != 0, bit(ARandom) != 0, "");
  packet.Data.resize(ALength);
  for (char& c : packet.Data) {
    c = AEscapesOnly ? (bit(ARandom) != 0 ? HdlcFlag : HdlcEscape)
                     : static_cast<char>(byte(ARandom));
  }
  return packet;
}

}  // namespace hdlctest

// Lets failing expectations show packets readably.
inline void PrintTo(const THdlcPacket& APacket, std::ostream* AOut) {
  *AOut << "{valid " << APacket.IsValid << ", " << int(APacket.SourceAddress) << "->"
        << int(APacket.DestAddress) << ", ack " << APacket.Ack << " nack " << APacket.Nack
        << " busy " << APacket.Busy << " session " << APacket.Session << ", " << APacket.Data.size()
        << " data bytes";
  if (APacket.Data.size() <= 16) *AOut << " [" << hdlctest::ToHex(APacket.Data) << "]";
  *AOut << "}";
}
