// Feeds arbitrary bytes to the record and picture parsers: the cleaning and validation of text
// record replies and their decoding, HDLC record blocks and records, and image blocks. Besides
// memory errors (under AddressSanitizer) it checks what must hold for any input:
// - a cleaned reply holds no CR and, when it holds a 01h, starts with it;
// - a reply refused by the decoding leaves the record as it was; an accepted one gives a card
//   number without leading zeros and a time of five characters;
// - the pieces of a record block put together give the block without its markers, none longer
//   than 14 bytes; a piece that does not decode leaves no card number;
// - an image block appends at most 507 bytes, and nothing when it fails.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "clock/RecordDecoding.h"
#include "clock/RecordImages.h"

namespace {

void Check(bool ACondition) {
  if (!ACondition) std::abort();
}

void TextReply(const std::string& AInput, const TRecordClockDate& ADate) {
  const std::string cleaned = CleanRecordReply(AInput);
  Check(cleaned.find('\x0D') == std::string::npos);
  const std::size_t one = cleaned.find('\x01');
  Check(one == std::string::npos || one == 0);
  for (TClockType type : {MX4100, KRTal, Lumen, KRCorax}) {
    // The test runs on any reply; the decoding only on those it accepts.
    const bool valid = IsValidRecordReply(cleaned, type, ADate);
    if (!valid) continue;
    TVexRecord record;
    record.KartNo = "before";
    if (DecodeTextRecord(cleaned, type, ADate, record)) {
      Check(record.KartNo.empty() || record.KartNo[0] != '0');
      Check(record.Time.size() == 5);
      Check(record.RecType1.empty() || record.RecType1.size() == 2);
    } else {
      Check(record.KartNo == "before");
    }
  }
}

void HdlcBlock(const std::string& AInput) {
  const auto pieces = SplitHdlcRecordBlock(AInput);
  std::string joined;
  for (const auto& piece : pieces) {
    Check(!piece.empty() && piece.size() <= 14);
    joined += piece;
  }
  std::string rest = AInput;
  if (rest.rfind("XYZ", 0) == 0) rest.erase(0, 3);
  if (rest.rfind("XY", 0) == 0) rest.erase(0, 2);
  Check(joined == rest);
  for (const auto& piece : pieces) {
    for (TDateType calendar : {Christian, Solar}) {
      TVexRecord record;
      const THdlcRecordOutcome outcome = DecodeHdlcRecordPiece(piece, 7, calendar, record);
      Check(record.Version == rv2 && record.ClockNumber == 7);
      Check(record.Data.compare(0, piece.size(), piece) == 0);
      if (outcome == THdlcRecordOutcome::Decoded) {
        Check(piece.size() == 14);
        Check(!record.KartNo.empty());
        Check(record.Date.size() == 6 && record.Time.size() == 5);
      } else {
        Check(record.KartNo.empty());
      }
    }
  }
  const int code = HdlcAnswerCode(AInput);
  Check(code >= 0 && code <= 2);
}

void ImageBlock(const std::string& AInput, int AExpected) {
  for (const std::string& block :
       {AInput, AInput.substr(0, kImageBlockSize),
        (AInput + std::string(kImageBlockSize, '\0')).substr(0, kImageBlockSize)}) {
    std::string picture = "x";
    const TImageBlockStep step = TakeImageBlock(block, AExpected, picture);
    if (step.Outcome == TImageBlockOutcome::Failed)
      Check(picture == "x");
    else
      Check(picture.size() >= 1 && picture.size() <= 1 + kImageBlockMaxCount);
    (void)IsImageBlockValid(block, AExpected * 7 - 3);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const std::string input(reinterpret_cast<const char*>(AData), ASize);
  // The first bytes choose the clock's date and the block number expected; all the input is
  // parsed as well.
  const auto at = [&](std::size_t AIndex) -> int {
    return AIndex < ASize ? static_cast<int>(AData[AIndex]) : 0;
  };
  const TRecordClockDate date{1300 + at(0), at(1) % 14, at(2) % 32};
  TextReply(input, date);
  TextReply(std::string("\x01\x01\x01", 3) + input, date);
  // The same with a right check byte, so that the fields themselves are what is tested.
  unsigned char check = 0;
  for (unsigned char ch : input) check ^= ch;
  TextReply(std::string("\x01\x01\x01", 3) + input + static_cast<char>(check), date);
  HdlcBlock(input);
  ImageBlock(input, at(0) | (at(1) << 8));
  std::string address;
  std::uint32_t pointer = 0;
  for (std::size_t i = 0; i < 4; ++i) pointer |= static_cast<std::uint32_t>(at(i)) << (8 * i);
  if (TextImageAddress(static_cast<std::int32_t>(pointer), address)) Check(address.size() == 6);
  return 0;
}
