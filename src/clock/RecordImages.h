#pragma once
// Pictures taken with attendance records, as the clocks hand them over.
//
// Text protocol and HDLC clocks (except the Ember) send a picture in image blocks of 512 bytes
// (numbers least significant byte first):
//
//   bytes 1-2      block number, counting from 0
//   bytes 3-4      N, the number of image bytes in this block
//   bytes 5..4+N   image bytes
//   byte 5+N       check byte: the sum modulo 256 of bytes 1 to 4+N
//   the rest       filler up to 512 bytes
//
// A block with N below 506 is the picture's last. N can be at most 507 (image bytes and check
// byte then fill the block exactly). A text clock sends the blocks one after another; an HDLC
// clock sends each block as two frames of 256 data bytes.
//
// Everything here is pure and bounded.
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::size_t kImageBlockSize = 512;
// Half a block: the data of one HDLC frame of a picture.
inline constexpr std::size_t kImageBlockHalfSize = kImageBlockSize / 2;
inline constexpr int kImageBlockHeaderSize = 4;
// A block with fewer image bytes than this ends the picture.
inline constexpr int kImageBlockFullCount = 506;
// More image bytes than this would put the check byte beyond the block.
inline constexpr int kImageBlockMaxCount = 507;
// The largest picture a clock holds. The text clocks address their picture memory with six
// decimal digits ("RDML=" and the address), so no picture there reaches 10^6 bytes; the HDLC
// clocks' cameras take the same pictures. A transfer that brings more is cut off: it would take
// hours on a slow line (an HDLC picture of 65536 full blocks about 1.8 h at 9600 bit/s).
inline constexpr std::size_t kMaxPictureBytes = 1000000;
// The blocks of the largest picture: 1977 full blocks, the last of them not yet the end.
inline constexpr std::size_t kMaxPictureBlocks =
    (kMaxPictureBytes + kImageBlockFullCount - 1) / kImageBlockFullCount;

// Whether the check byte of ABlock is right for AN image bytes: the sum modulo 256 of bytes 1
// to AN+4 equals byte AN+5. False when that byte lies beyond the block.
bool IsImageBlockValid(const std::string& ABlock, int AN);

enum class TImageBlockOutcome {
  // The image bytes were appended and the check byte is right.
  Good,
  // The image bytes were appended, but the check byte is wrong.
  BadCheck,
  // Nothing appended: the block is not 512 bytes long, carries another number than expected, or
  // claims more image bytes than it can hold.
  Failed
};

struct TImageBlockStep {
  TImageBlockOutcome Outcome = TImageBlockOutcome::Failed;
  // The block ended the picture (only for a block that was not Failed).
  bool Last = false;
};

// Takes one image block that should be number AExpectedNumber: appends its image bytes to
// APicture and tells whether it was good and whether the picture is complete.
TImageBlockStep TakeImageBlock(const std::string& ABlock, int AExpectedNumber,
                               std::string& APicture);

// A record index as the HDLC picture requests carry it: its three low bytes, least significant
// first.
std::string RecordIndexBytes(std::int32_t AIndex);

// The address of a text clock's picture with image pointer APointer: APointer * 20 + 20000 as
// six decimal digits. False for a pointer whose address does not have six digits (asking for
// the address cut to six digits would fetch another record's picture).
bool TextImageAddress(std::int32_t APointer, std::string& AAddress);
