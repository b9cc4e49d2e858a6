#include "models/ClockPictures.h"

namespace sim {

namespace {

constexpr std::size_t kBlockSize = 512;
constexpr std::size_t kBytesPerBlock = 506;

std::string block(std::size_t ANumber, const std::string& ABytes) {
  std::string b;
  b += static_cast<char>(ANumber & 0xFF);
  b += static_cast<char>((ANumber >> 8) & 0xFF);
  b += static_cast<char>(ABytes.size() & 0xFF);
  b += static_cast<char>((ABytes.size() >> 8) & 0xFF);
  b += ABytes;
  unsigned sum = 0;
  for (unsigned char ch : b) sum += ch;
  b += static_cast<char>(sum & 0xFF);
  b.resize(kBlockSize, '\0');
  return b;
}

}  // namespace

std::vector<std::string> imageBlocks(const std::string& APicture) {
  std::vector<std::string> blocks;
  std::size_t at = 0;
  for (;;) {
    const std::string part = APicture.substr(at, kBytesPerBlock);
    blocks.push_back(block(blocks.size(), part));
    at += part.size();
    if (part.size() < kBytesPerBlock) break;
  }
  return blocks;
}

void spoilImageBlocks(std::vector<std::string>& ABlocks, ReplyShaper& AShaper,
                      const std::string& ACommand) {
  if (ABlocks.empty()) return;
  const std::size_t target = ABlocks.size() > 1 ? 1 : 0;
  std::string& b = ABlocks[target];
  const std::size_t count = static_cast<unsigned char>(b[2]) |
                            (static_cast<std::size_t>(static_cast<unsigned char>(b[3])) << 8);
  if (AShaper.take(MisbehaviourKind::BadBlockCheck, ACommand))
    b[4 + count] = static_cast<char>(b[4 + count] ^ 0x5A);
  if (AShaper.take(MisbehaviourKind::WrongBlockNumber, ACommand)) {
    // The number goes up by one and the check byte follows it: only the number is wrong.
    b[0] = static_cast<char>(b[0] + 1);
    b[4 + count] = static_cast<char>(b[4 + count] + 1);
  }
  if (AShaper.take(MisbehaviourKind::LostBlock, ACommand))
    ABlocks.erase(ABlocks.begin() + static_cast<std::ptrdiff_t>(target));
}

std::string samplePicture(std::size_t ASize, std::uint32_t ASeed) {
  static const char kJpegStart[] = {'\xFF', '\xD8', '\xFF', '\xE0'};
  std::string p;
  p.reserve(ASize);
  std::uint32_t x = ASeed * 2654435761u + 1;
  for (std::size_t i = 0; i < ASize; ++i) {
    if (i < sizeof kJpegStart) {
      p += kJpegStart[i];
      continue;
    }
    x = x * 1103515245u + 12345u;
    p += static_cast<char>((x >> 16) & 0xFF);
  }
  return p;
}

}  // namespace sim
