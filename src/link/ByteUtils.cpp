#include "link/ByteUtils.h"

#include "calendar/ConvertError.h"

namespace {
inline std::uint8_t Byte(const std::string& S, std::size_t I) {
  return static_cast<std::uint8_t>(S[I]);
}
const std::string kOne(1, '\x01');
const std::string kOneOne(2, '\x01');
const std::string kOneOneOne(3, '\x01');

// True when APattern first occurs at position 2 or later (1-based) of AReply; APos is that
// offset. A reply that already starts with the pattern is left alone.
bool FirstOccursAfterStart(const std::string& AReply, const std::string& APattern,
                           std::size_t& APos) {
  APos = AReply.find(APattern);
  return APos != std::string::npos && APos >= 1;
}
}  // namespace

std::uint8_t XorChecksum(const std::string& S) {
  std::uint8_t x = 0;
  for (unsigned char c : S) x ^= c;
  return x;
}

bool IsReplyChecksumValid(const std::string& AReply) {
  if (AReply.size() < 5) return false;
  const std::string payload = AReply.substr(3, AReply.size() - 4);
  return XorChecksum(payload) == Byte(AReply, AReply.size() - 1);
}

std::int64_t BytesToInt64(const std::string& AData) {
  if (AData.empty()) throw EConvertError("'' is not a valid integer value");
  std::uint64_t value = 0;
  for (std::size_t i = AData.size(); i-- > 0;) {
    if (value > (UINT64_MAX >> 8)) throw EConvertError("value does not fit in 64 bits");
    value = (value << 8) | Byte(AData, i);
  }
  return static_cast<std::int64_t>(value);
}

std::string IntToBytes(std::int32_t AValue) {
  const auto v = static_cast<std::uint32_t>(AValue);
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i)
    out[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

std::string EncodeRS485Frame(int AClockNumber, const std::string& ACommand) {
  // Clock 12 has address 12h: its decimal digits read as hex.
  int address = 0;
  for (char digit : std::to_string(AClockNumber)) address = address * 16 + (digit - '0');
  address &= 0x3F;
  std::string frame;
  frame += static_cast<char>(address);
  frame += static_cast<char>(address | 0x40);
  for (unsigned char b : ACommand) {
    if (b == '/')
      frame += static_cast<char>(b);
    else
      frame += static_cast<char>((static_cast<std::uint8_t>(b - 0x20) & 0x3F) | 0x80);
  }
  frame += static_cast<char>(XorChecksum(frame));
  return frame;
}

std::string DecodeReplyBytes(TProtocol AProtocol, const std::string& AReply) {
  if (AProtocol != ptHdlc && AReply.size() == 6) return AReply.substr(3, 1);
  return AReply;
}

void CleanReplyAfterArrival(std::string& AReply, const std::string& AReplyStart,
                            TProtocol AProtocol) {
  // Head: a lone 1 or a lone pair 1 1 before other bytes is a remnant, not a reply start.
  if (AReply.size() >= 2 && Byte(AReply, 0) == 1 && Byte(AReply, 1) != 1)
    AReply.erase(0, 1);
  else if (AReply.size() >= 3 && Byte(AReply, 0) == 1 && Byte(AReply, 1) == 1 &&
           Byte(AReply, 2) != 1)
    AReply.erase(0, 2);

  // Alignment on the reply start. Every rule that applies removes at least one byte.
  for (;;) {
    std::size_t pos = 0;
    if (FirstOccursAfterStart(AReply, kOneOneOne, pos) ||
        FirstOccursAfterStart(AReply, kOneOne, pos) || FirstOccursAfterStart(AReply, kOne, pos)) {
      AReply.erase(0, pos);
      continue;
    }
    // A run of four or more bytes 1 at the start: keep only the last three.
    pos = AReply.find(kOneOneOne, 1);
    if (pos != std::string::npos) {
      AReply.erase(0, pos);
      continue;
    }
    break;
  }
  // Stray bytes on a bus are not a reply; a point-to-point line keeps them.
  if (AProtocol == RS485 && AReply.find('\x01') == std::string::npos) AReply.clear();

  if (!AReplyStart.empty()) {
    std::size_t pos = 0;
    if (FirstOccursAfterStart(AReply, AReplyStart, pos)) AReply.erase(0, pos);
  }
}
