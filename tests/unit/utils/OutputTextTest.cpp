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

// A line put together in place (the plain way) is exactly the line each form makes field by
// field: for every kind of clock text, and for a text too long to be put together in place.
TEST(AppendFieldLine, IsTheLineEachFormMakesFieldByField) {
  const std::string texts[] = {
      "00012345", "", "1=2", "=1+2", "-2+3", "@SUM(1)", "a,b", "say \"hi\"", "a\nb", "\t=1",
      "1\0"s, "\x1B[2J", "\x7F",
      // Persian in UTF-8 (plain) and in the clocks' code page (not).
      "\xD8\xB9\xD9\x84\xD9\x8A", "\xDA\xE1\xED",
      // UTF-8 that is not: an overlong form, a lone continuation byte, a cut sequence.
      "\xC0\xAF", "a\x80", "\xD8", std::string(600, '7'), std::string(300, 'x') + ",",
  };
  for (const TFieldForm form : {TFieldForm::Text, TFieldForm::Csv}) {
    const bool csv = form == TFieldForm::Csv;
    const char separator = csv ? ',' : '\t';
    const auto shown = [csv](const std::string& AText) {
      return csv ? SafeCsvField(AText) : ReadableText(AText);
    };
    for (const std::string& text : texts) {
      // Own fields go in as they are; the others as their form shows them.
      std::string line = "before\n";
      const std::size_t mark =
          AppendFieldLine(line, form, [&](auto& AFields, std::size_t& AMark) {
            AFields.Own("12", separator);
            AFields.Field(text, separator);
            AFields.Field("1403/09/18", separator);
            AMark = AFields.Size();
            AFields.Own("yes", '\n');
          });
      const std::string expected = "12" + std::string(1, separator) + shown(text) + separator +
                                   "1403/09/18" + separator;
      EXPECT_EQ(line, "before\n" + expected + "yes\n") << text;
      EXPECT_EQ(mark, std::string("before\n").size() + expected.size()) << text;
    }
  }
}

}  // namespace
