#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "utils/TextFields.h"

namespace {

TEST(ExtractField, CutsOneTrimmedFieldAtATime) {
  struct Case {
    std::string Text;
    std::string Field;
    std::string Rest;
  };
  const Case cases[] = {
      {" a ; b", "a", " b"}, {" no separator ", "no separator", ""},
      {";x", "", "x"},       {"x;", "x", ""},
      {"a;;b", "a", ";b"},   {"", "", ""},
      {"\t7\r;", "7", ""},  // control characters count as blanks
  };
  for (const auto& c : cases) {
    std::string text = c.Text;
    std::string field = "old";
    ExtractField(text, ';', field);
    EXPECT_EQ(field, c.Field) << c.Text;
    EXPECT_EQ(text, c.Rest) << c.Text;
  }
}

TEST(ExtractField, WalksThroughASettingsString) {
  std::string text = "COM1,9600,,x";
  std::vector<std::string> fields;
  while (!text.empty()) {
    std::string field;
    ExtractField(text, ',', field);
    fields.push_back(field);
  }
  EXPECT_EQ(fields, (std::vector<std::string>{"COM1", "9600", "", "x"}));
}

TEST(PadLeft, PadsShortTextsOnly) {
  EXPECT_EQ(PadLeft("12345", 10, '0'), "0000012345");
  EXPECT_EQ(PadLeft("", 3, '*'), "***");
  EXPECT_EQ(PadLeft("1234567890", 10, '0'), "1234567890");
  EXPECT_EQ(PadLeft("123456789012", 10, '0'), "123456789012");
  EXPECT_EQ(PadLeft("ab", 0, '0'), "ab");
  EXPECT_EQ(RepeatChar('x', 0), "");
  EXPECT_EQ(RepeatChar('-', 255).size(), 255u);
}

TEST(SplitToListTest, CutsAtEverySeparator) {
  using List = std::vector<std::string>;
  const std::pair<const char*, List> cases[] = {
      {"a,b,,c", {"a", "b", "", "c"}},
      {"a,b, ", {"a", "b"}},  // a blank last item is dropped
      {"  ", {}},             // blank text: no list
      {"", {}},
      {",a", {"", "a"}},
      {" a , b", {" a ", " b"}},  // items are not trimmed
      {"a,", {"a"}},
      {",", {""}},
      {"a,,", {"a", ""}},
      // a record line of the second face terminal
      {"123,2008/03/2008:30:05,02", {"123", "2008/03/2008:30:05", "02"}},
  };
  for (const auto& [text, items] : cases) EXPECT_EQ(SplitToList(',', text), items) << text;
  EXPECT_EQ(SplitToList('-', "1-x,y-0"), (List{"1", "x,y", "0"}));
}

}  // namespace
