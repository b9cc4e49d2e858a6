#include "link/HdlcFrame.h"

#include <utility>

#include "link/HdlcCrc.h"

namespace {

constexpr char HdlcEscapedFlag = '\x5E';
constexpr char HdlcEscapedEscape = '\x5D';

constexpr std::uint8_t AckBit = 0x01;
constexpr std::uint8_t NackBit = 0x02;
constexpr std::uint8_t BusyBit = 0x04;
constexpr std::uint8_t SessionBit = 0x08;

// Sequential reads from untrusted bytes; every read checks what is left and fails instead of
// reading past the end.
class TByteReader {
 public:
  explicit TByteReader(std::string_view ABytes) : FBytes(ABytes) {}

  bool readByte(std::uint8_t& AValue) {
    if (FPos >= FBytes.size()) return false;
    AValue = static_cast<std::uint8_t>(FBytes[FPos++]);
    return true;
  }
  // Low byte first.
  bool readWord(std::uint16_t& AValue) {
    std::uint8_t low = 0;
    std::uint8_t high = 0;
    if (FBytes.size() - FPos < 2) return false;
    readByte(low);
    readByte(high);
    AValue = static_cast<std::uint16_t>(low | (high << 8));
    return true;
  }
  bool readBytes(std::size_t ACount, std::string& AValue) {
    if (FBytes.size() - FPos < ACount) return false;
    AValue.assign(FBytes.substr(FPos, ACount));
    FPos += ACount;
    return true;
  }

 private:
  std::string_view FBytes;
  std::size_t FPos = 0;
};

void AppendWord(std::string& ABytes, std::uint16_t AValue) {
  ABytes += static_cast<char>(AValue & 0xFF);
  ABytes += static_cast<char>(AValue >> 8);
}

}  // namespace

std::string StuffHdlcFrame(std::string_view AData) {
  std::string frame;
  frame.reserve(AData.size() + AData.size() / 8 + 2);
  frame += HdlcFlag;
  for (const char c : AData) {
    if (c == HdlcFlag) {
      frame += HdlcEscape;
      frame += HdlcEscapedFlag;
    } else if (c == HdlcEscape) {
      frame += HdlcEscape;
      frame += HdlcEscapedEscape;
    } else {
      frame += c;
    }
  }
  frame += HdlcFlag;
  return frame;
}

std::string UnstuffHdlcFrame(std::string_view AFrame) {
  std::string data;
  // Index 0 and the last index are the flags. An escape at the second-to-last index takes the
  // last byte as its second, so i + 1 is always inside AFrame when it is read.
  for (std::size_t i = 1; i + 1 < AFrame.size();) {
    if (AFrame[i] == HdlcEscape) {
      data += AFrame[i + 1] == HdlcEscapedFlag ? HdlcFlag : HdlcEscape;
      i += 2;
    } else {
      data += AFrame[i];
      i += 1;
    }
  }
  return data;
}

std::string BuildHdlcFrame(const THdlcPacket& APacket) {
  const std::uint8_t flags = (APacket.Ack ? AckBit : 0) | (APacket.Nack ? NackBit : 0) |
                             (APacket.Busy ? BusyBit : 0) | (APacket.Session ? SessionBit : 0);
  std::string body;
  body.reserve(HdlcHeaderSize + APacket.Data.size() + HdlcCrcSize);
  body += static_cast<char>(APacket.SourceAddress);
  body += static_cast<char>(APacket.DestAddress);
  body += static_cast<char>(flags);
  AppendWord(body, static_cast<std::uint16_t>(APacket.Data.size() & 0xFFFF));
  body += APacket.Data;
  AppendWord(body, CalcHdlcCrc(body));
  return StuffHdlcFrame(body);
}

bool ParseHdlcFrame(std::string_view AFrame, THdlcPacket& APacket) {
  APacket.IsValid = false;
  const std::string body = UnstuffHdlcFrame(AFrame);
  if (body.size() < HdlcHeaderSize + HdlcCrcSize) return false;
  // Compared as a full-width count: a body with 65536 or more data bytes must not match a
  // length field that wrapped around.
  const std::size_t dataLength = body.size() - HdlcHeaderSize - HdlcCrcSize;

  TByteReader reader(body);
  std::uint8_t source = 0;
  std::uint8_t dest = 0;
  std::uint8_t flags = 0;
  std::uint16_t lengthField = 0;
  std::string data;
  std::uint16_t crc = 0;
  if (!reader.readByte(source) || !reader.readByte(dest) || !reader.readByte(flags) ||
      !reader.readWord(lengthField)) {
    return false;
  }
  if (lengthField != dataLength) return false;
  if (!reader.readBytes(dataLength, data) || !reader.readWord(crc)) return false;
  if (crc != CalcHdlcCrc(std::string_view(body).substr(0, body.size() - HdlcCrcSize))) {
    return false;
  }

  APacket.IsValid = true;
  APacket.SourceAddress = source;
  APacket.DestAddress = dest;
  APacket.Ack = (flags & AckBit) != 0;
  APacket.Nack = (flags & NackBit) != 0;
  APacket.Busy = (flags & BusyBit) != 0;
  APacket.Session = (flags & SessionBit) != 0;
  APacket.Data = std::move(data);
  return true;
}

std::string BuildHdlcCommand(std::uint8_t AClockNumber, std::string_view AData) {
  THdlcPacket packet;
  packet.SourceAddress = HdlcComputerAddress;
  packet.DestAddress = AClockNumber;
  packet.Data = AData;
  return BuildHdlcFrame(packet);
}

std::string BuildOpenSessionFrame(std::uint8_t AClockNumber) {
  THdlcPacket packet;
  packet.SourceAddress = HdlcComputerAddress;
  packet.DestAddress = AClockNumber;
  packet.Session = true;
  packet.Data = std::string(1, '\0');
  return BuildHdlcFrame(packet);
}
