#include "clock/RecordImages.h"

#include "calendar/VexDateTime.h"
#include "link/ByteUtils.h"

namespace {

constexpr std::int64_t kImageAddressBase = 20000;
constexpr std::int64_t kImageAddressStep = 20;
constexpr std::int64_t kImageAddressLimit = 999999;

int LittleEndian16(const std::string& S, std::size_t AIndex) {
  return static_cast<std::uint8_t>(S[AIndex]) | (static_cast<std::uint8_t>(S[AIndex + 1]) << 8);
}

}  // namespace

bool IsImageBlockValid(const std::string& ABlock, int AN) {
  if (AN < 0) return false;
  const std::size_t checkIndex = static_cast<std::size_t>(AN) + kImageBlockHeaderSize;
  if (checkIndex >= ABlock.size()) return false;
  unsigned sum = 0;
  for (std::size_t i = 0; i < checkIndex; ++i) sum += static_cast<std::uint8_t>(ABlock[i]);
  return (sum & 0xFF) == static_cast<std::uint8_t>(ABlock[checkIndex]);
}

TImageBlockStep TakeImageBlock(const std::string& ABlock, int AExpectedNumber,
                               std::string& APicture) {
  TImageBlockStep step;
  if (ABlock.size() != kImageBlockSize) return step;
  const int number = LittleEndian16(ABlock, 0);
  const int count = LittleEndian16(ABlock, 2);
  if (number != AExpectedNumber || count > kImageBlockMaxCount) return step;
  APicture.append(ABlock, kImageBlockHeaderSize, static_cast<std::size_t>(count));
  step.Outcome =
      IsImageBlockValid(ABlock, count) ? TImageBlockOutcome::Good : TImageBlockOutcome::BadCheck;
  step.Last = count < kImageBlockFullCount;
  return step;
}

std::string RecordIndexBytes(std::int32_t AIndex) {
  return IntToBytes(AIndex).substr(0, 3);
}

bool TextImageAddress(std::int32_t APointer, std::string& AAddress) {
  const std::int64_t address = std::int64_t{APointer} * kImageAddressStep + kImageAddressBase;
  if (address < 0 || address > kImageAddressLimit) return false;
  AAddress = PadNumber(static_cast<int>(address), 6);
  return true;
}
