#include <gtest/gtest.h>

#include <string>

#include "utils/OutputText.h"

namespace {

using namespace std::string_literals;

TEST(ReadableText, ShowsEveryClockTextOnOneReadableLine) {
  struct Case {
    std::string Bytes;
    std::string Shown;
  };
  const Case cases[] = {
      {"12345678", "12345678"},
      {"", ""},
      // A Persian name in UTF-8 stays; the same name from a clock's code page is read as one.
      {"\xD8\xB9\xD9\x84\xD9\x8A", "\xD8\xB9\xD9\x84\xD9\x8A"},
      {"\xDA\xE1\xED", "\xD8\xB9\xD9\x84\xD9\x8A"},
      // Control bytes never reach a terminal or a file as they are.
      {"1234\0\0\0\0"s, "1234\\x00\\x00\\x00\\x00"},
      {"\x1B[2J\b", "\\x1B[2J\\x08"},
      {"a\r\nb\tc\x7F", "a\\x0D\\x0Ab\\x09c\\x7F"},
      // A code-page text with a control byte in it: both rules apply.
      {"\xDA\n", "\xD8\xB9\\x0A"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadableText(c.Bytes), c.Shown) << c.Bytes;
    // The appending form, used for whole logs, shows the same after what is there.
    std::string line = "x\t";
    AppendReadableText(line, c.Bytes);
    EXPECT_EQ(line, "x\t" + c.Shown) << c.Bytes;
  }
}

TEST(SafeCsvField, GuardsFormulasAndKeepsOneRowPerRecord) {
  struct Case {
    std::string Bytes;
    std::string Field;
  };
  const Case cases[] = {
      {"00012345", "00012345"},
      {"=1+2", "'=1+2"},
      {"@SUM(1+1)", "'@SUM(1+1)"},
      {"-2+3", "'-2+3"},
      {"+1", "'+1"},
      {"\t=1", "'\\x09=1"},
      {"\r1", "'\\x0D1"},
      // Only the start makes a formula.
      {"1=2", "1=2"},
      // Quoting for the separator and quotes; a line break cannot split the row.
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"=a,b", "\"'=a,b\""},
      {"a\nb", "a\\x0Ab"},
      {"1\0"s, "1\\x00"},
      // Persian stays Persian, whether it came in UTF-8 or in the clocks' code page.
      {"\xD8\xB9\xD9\x84\xD9\x8A", "\xD8\xB9\xD9\x84\xD9\x8A"},
      {"\xDA\xE1\xED", "\xD8\xB9\xD9\x84\xD9\x8A"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SafeCsvField(c.Bytes), c.Field) << c.Bytes;
    std::string row = "1,";
    AppendSafeCsvField(row, c.Bytes);
    EXPECT_EQ(row, "1," + c.Field) << c.Bytes;
  }
}

}  // namespace
