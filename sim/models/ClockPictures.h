#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "models/ReplyShaper.h"

namespace sim {

// A picture as text and HDLC clocks send it: image blocks of 512 bytes, each the block number
// (two bytes, low first, counting from 0), N (two bytes), N picture bytes, a check byte (the sum
// of everything before it, modulo 256) and zero filler. Every block but the last carries 506
// picture bytes; the last fewer (a picture of a multiple of 506 bytes ends with an empty block,
// an empty picture is one empty block).
std::vector<std::string> imageBlocks(const std::string& APicture);
// The largest picture the block numbers carry: 65535 full blocks and a last one of 505 bytes.
inline constexpr int kMostPictureBytes = 65535 * 506 + 505;

// The picture misbehaviours in force for ACommand (BadBlockCheck, WrongBlockNumber, LostBlock),
// applied to the second block of a transfer (the first when there is only one). Each rule is
// used up once per transfer.
void spoilImageBlocks(std::vector<std::string>& ABlocks, ReplyShaper& AShaper,
                      const std::string& ACommand);

// A picture of ASize bytes for scenarios and tests: the start of a JPEG file (FF D8 FF E0),
// then a pattern that differs with ASeed.
std::string samplePicture(std::size_t ASize, std::uint32_t ASeed);

}  // namespace sim
