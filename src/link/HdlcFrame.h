#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// HDLC framing of the card clocks on a ptHdlc line.
//
// A frame on the wire, before stuffing (multi-byte numbers little-endian):
//
//   7E | source | destination | flags | length n (2) | data (n) | CRC (2) | 7E
//
// The CRC (CRC-16/MODBUS, see HdlcCrc.h) covers source to the end of the data. Everything
// between the two flags, the CRC included, is byte-stuffed: 7E goes as 7D 5E, 7D as 7D 5D.
// Flag bits: bit 0 Ack, bit 1 Nack, bit 2 Busy, bit 3 Session; bits 4 to 7 are sent as 0 and
// ignored on reception.
//
// All functions here are pure: bytes in, bytes or a packet out. Bytes are std::string, one char
// per byte.

// One frame in memory.
struct THdlcPacket {
  // The frame was received whole and passed the length and CRC checks. Set by ParseHdlcFrame;
  // ignored when building.
  bool IsValid = false;
  // The computer is station 1 (HdlcComputerAddress); a clock's address is its clock number.
  std::uint8_t SourceAddress = 0;
  std::uint8_t DestAddress = 0;
  bool Ack = false;
  bool Nack = false;
  bool Busy = false;
  // The frame concerns the session: request, grant, refusal, busy report or closing.
  bool Session = false;
  // 0 to 65535 bytes.
  std::string Data;

  friend bool operator==(const THdlcPacket&, const THdlcPacket&) = default;
};

inline constexpr char HdlcFlag = '\x7E';
inline constexpr char HdlcEscape = '\x7D';
// The computer's station address.
inline constexpr std::uint8_t HdlcComputerAddress = 1;
// Source, destination, flags and the 16-bit length.
inline constexpr std::size_t HdlcHeaderSize = 5;
inline constexpr std::size_t HdlcCrcSize = 2;
// The length field is 16 bits wide.
inline constexpr std::size_t HdlcMaxDataLength = 0xFFFF;
// Longest frame between the flags before stuffing: 65542 bytes.
inline constexpr std::size_t HdlcMaxUnstuffedBody =
    HdlcHeaderSize + HdlcMaxDataLength + HdlcCrcSize;
// Stuffing at worst doubles every byte between the flags: 131084 bytes, 131086 with the flags.
inline constexpr std::size_t HdlcMaxStuffedBody = 2 * HdlcMaxUnstuffedBody;
inline constexpr std::size_t HdlcMaxStuffedFrame = HdlcMaxStuffedBody + 2;

// 7E, AData with every 7E and 7D escaped, 7E.
std::string StuffHdlcFrame(std::string_view AData);

// The bytes between the first and the last byte of AFrame with the escapes undone. The first and
// the last byte are not looked at (they are taken to be the flags). 7D 5E gives 7E; 7D followed
// by any other byte gives 7D, both bytes consumed; an escape just before the last byte consumes
// that byte as its second.
std::string UnstuffHdlcFrame(std::string_view AFrame);

// The complete stuffed frame for APacket (its IsValid is ignored). The length field holds the
// length of Data modulo 65536; Data longer than 65535 bytes therefore makes a frame that no
// receiver accepts.
std::string BuildHdlcFrame(const THdlcPacket& APacket);

// Checks and decodes one stuffed frame with its flags. Returns APacket.IsValid. A frame is
// rejected when it is shorter than header and CRC, when the length field differs from the
// number of data bytes, or when the CRC does not match. On rejection only IsValid changes (to
// false); the other fields of APacket keep their values. Addresses are not compared with
// anything. Safe for any input bytes.
bool ParseHdlcFrame(std::string_view AFrame, THdlcPacket& APacket);

// The frame that carries a command to clock AClockNumber: source 1, destination AClockNumber,
// no flag set, data AData.
std::string BuildHdlcCommand(std::uint8_t AClockNumber, std::string_view AData);

// The session request to clock AClockNumber: source 1, destination AClockNumber, only the
// Session flag set, data one zero byte.
std::string BuildOpenSessionFrame(std::uint8_t AClockNumber);
