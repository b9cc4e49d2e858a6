#include "link/HdlcStreamReceiver.h"

#include <utility>

std::size_t THdlcStreamReceiver::feed(std::string_view ABytes) {
  std::size_t consumed = 0;
  while (!FPacket && consumed < ABytes.size()) {
    const char byte = ABytes[consumed++];
    if (FBuffer.empty()) {
      if (byte == HdlcFlag) FBuffer += byte;
      continue;
    }
    FBuffer += byte;
    if (byte == HdlcFlag) {
      THdlcPacket packet;
      if (FBuffer.size() > 2 && ParseHdlcFrame(FBuffer, packet)) FPacket = std::move(packet);
      FBuffer.assign(1, HdlcFlag);
    } else if (FBuffer.size() > MaxBufferedBytes) {
      FBuffer.clear();
    }
  }
  return consumed;
}

std::optional<THdlcPacket> THdlcStreamReceiver::takePacket() {
  std::optional<THdlcPacket> packet = std::move(FPacket);
  FPacket.reset();
  return packet;
}

void THdlcStreamReceiver::reset() {
  FBuffer.clear();
  FPacket.reset();
}
