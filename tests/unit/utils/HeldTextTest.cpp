#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "utils/HeldText.h"

namespace {

// Lines held across several pieces, one of them longer than any piece: given out as added, and
// with every mark replaced, the lines are whole and in order.
TEST(HeldText, GivesOutEveryLineAsAddedOrWithTheOtherMark) {
  THeldText held("left", "stays");
  std::string asAdded;
  std::string remarked;
  for (int i = 0; i < 20000; ++i) {
    const std::string card = i == 7000 ? std::string(300000, 'c') : std::to_string(i);
    held.Add([&](std::string& AOut) {
      AOut += card + "\t";
      const std::size_t mark = AOut.size();
      AOut += "left\n";
      return mark;
    });
    asAdded += card + "\tleft\n";
    remarked += card + "\tstays\n";
  }
  for (const bool other : {false, true}) {
    std::string out;
    int pieces = 0;
    EXPECT_TRUE(held.WriteOut(other, [&](std::string_view APiece) {
      out += APiece;
      ++pieces;
      return true;
    }));
    EXPECT_EQ(out, other ? remarked : asAdded);
    EXPECT_GE(pieces, 2);
  }
  // A writer that fails stops the rest.
  int calls = 0;
  EXPECT_FALSE(held.WriteOut(false, [&](std::string_view) { return ++calls < 0; }));
  EXPECT_EQ(calls, 1);
  held.Clear();
  EXPECT_TRUE(held.Empty());
}

TEST(HeldText, ReplacesOnlyMarksThatAreWhereTheySay) {
  struct Case {
    std::vector<std::size_t> Marks;
    bool Replaced;
    std::string Out;
  };
  const std::string text = "a,yes,x\nb,yes,y\n";
  const Case cases[] = {
      {{2, 10}, true, "a,no,x\nb,no,y\n"},
      {{}, true, text},
      {{10}, true, "a,yes,x\nb,no,y\n"},
      // Not the mark, past the end, out of order.
      {{3}, false, "kept"},
      {{2, 40}, false, "kept"},
      {{10, 2}, false, "kept"},
  };
  for (const Case& c : cases) {
    std::string out = "kept";
    EXPECT_EQ(THeldText::ReplaceMarks(text, c.Marks, "yes", "no", out), c.Replaced);
    EXPECT_EQ(out, c.Out);
  }
}

}  // namespace
