#pragma once
#include <cstdint>
#include <string>

#include "utils/ClockVocabulary.h"

// Byte helpers of the clock link. Byte strings are std::string, one character per byte.

// XOR of all bytes; 0 for an empty string.
std::uint8_t XorChecksum(const std::string& S);

// A data reply is 01 01 01, payload, check byte; the check byte is the XOR of the payload.
// Replies shorter than 5 bytes carry no check and are never valid here.
bool IsReplyChecksumValid(const std::string& AReply);

// The bytes as an unsigned little-endian number. Raises EConvertError for an empty string or one
// whose value does not fit in 64 bits.
std::int64_t BytesToInt64(const std::string& AData);

// Four bytes, least significant first.
std::string IntToBytes(std::int32_t AValue);

// The RS485 bus frame of a command for clock AClockNumber: address (the clock number's decimal
// digits read as hex, masked to 6 bits), address OR 40h, every byte except "/" mapped to
// ((b - 20h) AND 3Fh) OR 80h, and the XOR of everything before as the last byte.
std::string EncodeRS485Frame(int AClockNumber, const std::string& ACommand);

// Text protocols: a reply of exactly 6 bytes (a wrapped short answer) yields its 4th byte;
// anything else, and every HDLC reply, passes unchanged.
std::string DecodeReplyBytes(TProtocol AProtocol, const std::string& AReply);

// Cleans a text reply after an arrival has been appended to it: drops a stray head, aligns the
// reply on its 01 01 01 start, empties stray RS485 bytes, and aligns on AReplyStart.
void CleanReplyAfterArrival(std::string& AReply, const std::string& AReplyStart,
                            TProtocol AProtocol);
