// Image blocks of 512 bytes as text and HDLC clocks send pictures.
#include <gtest/gtest.h>

#include <string>

#include "clock/RecordImages.h"

namespace {

// A block numbered ANumber carrying ABytes (at most 507), with its check byte unless ABadCheck.
std::string Block(int ANumber, const std::string& ABytes, bool ABadCheck = false,
                  int AClaimedCount = -1) {
  const int count = AClaimedCount >= 0 ? AClaimedCount : static_cast<int>(ABytes.size());
  std::string b;
  b += static_cast<char>(ANumber & 0xFF);
  b += static_cast<char>((ANumber >> 8) & 0xFF);
  b += static_cast<char>(count & 0xFF);
  b += static_cast<char>((count >> 8) & 0xFF);
  b += ABytes;
  unsigned sum = 0;
  for (unsigned char ch : b) sum += ch;
  if (b.size() < kImageBlockSize) b += static_cast<char>((sum + (ABadCheck ? 1 : 0)) & 0xFF);
  b.resize(kImageBlockSize, '\xEE');
  return b;
}

std::string Bytes(std::size_t ACount, char AFirst) {
  std::string s;
  for (std::size_t i = 0; i < ACount; ++i) s += static_cast<char>(AFirst + static_cast<char>(i));
  return s;
}

TEST(ImageBlock, CheckByteIsTheSumOfHeaderAndImageBytes) {
  const std::string block = Block(3, "abc");
  EXPECT_TRUE(IsImageBlockValid(block, 3));
  EXPECT_FALSE(IsImageBlockValid(Block(3, "abc", true), 3));
  // The check byte is looked for right after the N image bytes.
  EXPECT_FALSE(IsImageBlockValid(block, 2));
  // A check byte beyond the block cannot be right.
  EXPECT_FALSE(IsImageBlockValid(block, 508));
  EXPECT_FALSE(IsImageBlockValid("", 0));
}

TEST(ImageBlock, TakingBlocksInTurn) {
  struct Case {
    const char* Name;
    std::string Block;
    int Expected;
    TImageBlockOutcome Outcome;
    bool Last;
    std::size_t Appended;
  };
  const Case cases[] = {
      {"full block", Block(0, Bytes(506, 'a')), 0, TImageBlockOutcome::Good, false, 506},
      {"largest block", Block(1, Bytes(507, 'a')), 1, TImageBlockOutcome::Good, false, 507},
      {"last block", Block(1, Bytes(494, 'a')), 1, TImageBlockOutcome::Good, true, 494},
      {"empty last block", Block(0, ""), 0, TImageBlockOutcome::Good, true, 0},
      {"bad check byte", Block(0, "xyz", true), 0, TImageBlockOutcome::BadCheck, true, 3},
      {"wrong number", Block(1, "xyz"), 0, TImageBlockOutcome::Failed, false, 0},
      {"claims 508 bytes", Block(0, "xyz", false, 508), 0, TImageBlockOutcome::Failed, false, 0},
      {"claims 65535 bytes", Block(0, "xyz", false, 65535), 0, TImageBlockOutcome::Failed, false,
       0},
      {"short block", Block(0, "xyz").substr(0, 511), 0, TImageBlockOutcome::Failed, false, 0},
      {"long block", Block(0, "xyz") + "!", 0, TImageBlockOutcome::Failed, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string picture = "before";
    const TImageBlockStep step = TakeImageBlock(c.Block, c.Expected, picture);
    EXPECT_EQ(step.Outcome, c.Outcome);
    if (c.Outcome != TImageBlockOutcome::Failed) {
      EXPECT_EQ(step.Last, c.Last);
    }
    EXPECT_EQ(picture.size(), 6 + c.Appended);
    EXPECT_EQ(picture.substr(0, 6), "before");
  }
}

TEST(ImageBlock, ThousandBytesInTwoBlocks) {
  const std::string picture = Bytes(1000, '\x10');
  std::string taken;
  const TImageBlockStep first = TakeImageBlock(Block(0, picture.substr(0, 506)), 0, taken);
  EXPECT_EQ(first.Outcome, TImageBlockOutcome::Good);
  EXPECT_FALSE(first.Last);
  const TImageBlockStep second = TakeImageBlock(Block(1, picture.substr(506)), 1, taken);
  EXPECT_EQ(second.Outcome, TImageBlockOutcome::Good);
  EXPECT_TRUE(second.Last);
  EXPECT_EQ(taken, picture);
}

TEST(ImageAddress, PointerTimesTwentyPlusTwentyThousandInSixDigits) {
  struct Case {
    std::int32_t Pointer;
    bool Fits;
    const char* Address;
  };
  const Case cases[] = {
      {12, true, "020240"},    {0, true, "020000"}, {48999, true, "999980"}, {49000, false, ""},
      {-1000, true, "000000"}, {-1001, false, ""},  {2147483647, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Pointer);
    std::string address = "unset";
    ASSERT_EQ(TextImageAddress(c.Pointer, address), c.Fits);
    if (c.Fits) {
      EXPECT_EQ(address, c.Address);
    }
  }
}

TEST(ImageAddress, RecordIndexIsItsThreeLowBytes) {
  EXPECT_EQ(RecordIndexBytes(0x123456), std::string("\x56\x34\x12", 3));
  EXPECT_EQ(RecordIndexBytes(0x7F000001), std::string("\x01\x00\x00", 3));
}

}  // namespace
