// Feeds arbitrary bytes, as the fields of one line, to the output texts of the records: the line
// put together in place (AppendFieldLine) and the one made field by field must be the same, in
// both forms, whatever the fields hold. Besides memory errors (under AddressSanitizer) it checks
// what must hold for any input:
// - the shown line holds no control character but its separators and its line break;
// - the CSV row splits, quotes respected, into as many fields as were given, and the mark
//   returned is where the last field begins.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "utils/OutputText.h"

namespace {

void Check(bool ACondition) {
  if (!ACondition) std::abort();
}

// AInput cut at every 1Fh byte: the fields of one line.
std::vector<std::string> Fields(const std::string& AInput) {
  std::vector<std::string> fields(1);
  for (const char ch : AInput) {
    if (ch == '\x1F')
      fields.emplace_back();
    else
      fields.back() += ch;
  }
  return fields;
}

// The number of fields of a CSV row (without its line break), quotes respected.
std::size_t CsvFieldCount(const std::string& ARow) {
  std::size_t count = 1;
  bool quoted = false;
  for (const char ch : ARow) {
    if (ch == '"') quoted = !quoted;
    if (ch == ',' && !quoted) ++count;
  }
  Check(!quoted);
  return count;
}

void Line(const std::vector<std::string>& AFields, TFieldForm AForm) {
  const bool csv = AForm == TFieldForm::Csv;
  const char separator = csv ? ',' : '\t';
  const auto put = [&](auto& AOut, std::size_t& AMark) {
    for (const std::string& field : AFields) {
      AMark = AOut.Size();
      AOut.Field(field, &field == &AFields.back() ? '\n' : separator);
    }
  };
  std::string fast = "x";
  const std::size_t mark = AppendFieldLine(fast, AForm, put);
  std::string slow = "x";
  TSafeFields safe(slow, AForm);
  std::size_t slowMark = 0;
  put(safe, slowMark);
  Check(fast == slow);
  Check(mark == slowMark);
  Check(!fast.empty() && fast.back() == '\n');
  const std::string line = fast.substr(1, fast.size() - 2);
  if (csv) {
    Check(CsvFieldCount(line) == AFields.size());
  } else {
    std::size_t tabs = 0;
    for (const char ch : line) {
      const auto byte = static_cast<unsigned char>(ch);
      Check(ch == '\t' || (byte >= 0x20 && byte != 0x7F));
      tabs += ch == '\t';
    }
    Check(tabs + 1 == AFields.size());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const std::vector<std::string> fields =
      Fields(std::string(reinterpret_cast<const char*>(AData), ASize));
  Line(fields, TFieldForm::Text);
  Line(fields, TFieldForm::Csv);
  return 0;
}
