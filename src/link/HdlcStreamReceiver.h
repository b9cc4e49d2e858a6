#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "link/HdlcFrame.h"

// Finds HDLC frames in a byte stream as it arrives, in pieces of any size.
//
// Bytes before an opening flag are dropped. From a flag on, bytes are collected until the next
// flag; the collected frame is then parsed (ParseHdlcFrame). A frame that parses is handed out as
// a packet, and its closing flag is kept as the opening flag of the next frame, so frames that
// share a flag are both found. A frame that fails the checks is dropped and its closing flag
// likewise opens the next frame; doubled flags (7E 7E) are thus an empty frame that is skipped.
//
// The collected bytes are bounded. No valid frame has more than HdlcMaxStuffedBody bytes between
// its flags: at most 65542 bytes before stuffing (5 header bytes, 65535 data bytes, the length
// field being 16 bits, and 2 CRC bytes), and stuffing at worst doubles each of them, since every
// unstuffed byte comes from one or two stuffed bytes. A frame that grows past that can never
// pass the checks, so it is dropped at once and the receiver waits for the next flag. A stream
// without flags therefore never holds more than MaxBufferedBytes, and the next valid frame after
// it is still found.
//
// Use: feed the bytes that arrived; when a packet is ready, take it. feed stops right after the
// closing flag of the first valid frame and says how many bytes it consumed; the rest belongs to
// the following frames and is fed again after the packet has been taken. Fed one byte at a time,
// a packet is ready as soon as the byte that completed it was fed.
class THdlcStreamReceiver {
 public:
  // The opening flag and the longest possible stuffed frame body.
  static constexpr std::size_t MaxBufferedBytes = 1 + HdlcMaxStuffedBody;

  // Consumes bytes of ABytes until one completes a valid frame or none are left; returns the
  // number consumed. Consumes nothing while a packet waits to be taken.
  std::size_t feed(std::string_view ABytes);
  bool hasPacket() const { return FPacket.has_value(); }
  // The packet of the valid frame that was completed last (IsValid set); nullopt when none is
  // waiting.
  std::optional<THdlcPacket> takePacket();
  // Forgets collected bytes and a waiting packet: the next frame starts at the next flag.
  void reset();
  // Bytes collected for the frame in progress, its opening flag included.
  std::size_t bufferedBytes() const { return FBuffer.size(); }

 private:
  // Empty while waiting for a flag; otherwise begins with the opening flag.
  std::string FBuffer;
  std::optional<THdlcPacket> FPacket;
};
