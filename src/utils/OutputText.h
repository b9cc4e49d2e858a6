#pragma once
// Texts that came from a clock (user ids, card fields, record bytes), made safe to show in a
// terminal, a text file or a spreadsheet. JSON output does not use these: it keeps the exact
// value, escaped by the JSON writer.
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

// ABytes as a person can read them, on one line: valid UTF-8 stays as it is; a text that is not
// valid UTF-8 is read as Windows-1256, the clocks' code page; control characters (below 20h and
// 7Fh) are shown as \xHH, so that no newline, ESC, backspace or NUL reaches the output.
std::string ReadableText(const std::string& ABytes);

// AText as one CSV field: quoted, with its quotes doubled, when it holds a comma, a quote or a
// line break; as it is otherwise.
std::string QuotedCsvField(const std::string& AText);

// One CSV field for a spreadsheet: the readable text, with a leading apostrophe when the value
// begins with = + - @ tab or CR (a spreadsheet would take it for a formula), quoted when it holds
// a comma, a quote or a line break.
std::string SafeCsvField(const std::string& ABytes);

// ReadableText and SafeCsvField appended to AOut: a whole log is written without a string per
// field.
void AppendReadableText(std::string& AOut, std::string_view ABytes);
void AppendSafeCsvField(std::string& AOut, std::string_view ABytes);

// The two forms of a line of fields: shown as text (each field as ReadableText) or a CSV row
// (each field as SafeCsvField).
enum class TFieldForm : unsigned char { Text, Csv };

// A line of fields put together in place, for outputs of thousands of records. A field goes in
// as it is when its form would leave it as it is: valid UTF-8 without a control character, and
// in a CSV row without a comma or quote and not taken for a formula. Any other field makes the
// line not Plain; the line is then built again with TSafeFields, which gives every field its
// full treatment. A line builder is written once as a template over both.
class TPlainFields {
 public:
  explicit TPlainFields(TFieldForm AForm) : FForm(AForm) {}
  TPlainFields(const TPlainFields&) = delete;
  TPlainFields& operator=(const TPlainFields&) = delete;
  // A text that came from a clock (or a user), with ASeparator after it.
  void Field(std::string_view AText, char ASeparator) {
    if (IsPlainField(AText)) Own(AText, ASeparator);
  }
  // A text this program made (a number, a date it formatted, one of its own words): as it is.
  void Own(std::string_view AText, char ASeparator) {
    if (!Room(AText.size())) return;
    // Fields are short: copied here word by word, not by a call to memcpy per field (those calls
    // measurably slowed a whole-log dump of thousands of records).
    const char* from = AText.data();
    std::size_t left = AText.size();
    char* to = FBuffer + FSize;
    for (; left >= 8; left -= 8, from += 8, to += 8) std::memcpy(to, from, 8);
    for (; left > 0; --left) *to++ = *from++;
    FSize += AText.size();
    FBuffer[FSize++] = ASeparator;
  }
  // The length so far.
  std::size_t Size() const { return FSize; }
  bool Plain() const { return FPlain; }
  std::string_view Text() const { return {FBuffer, FSize}; }

 private:
  // Longer lines are rare; they go the full way.
  static constexpr std::size_t kCapacity = 480;
  // Whether ALength more bytes and a separator fit; when not, the line is not plain.
  bool Room(std::size_t ALength) {
    if (FPlain && ALength < kCapacity - FSize) return true;
    FPlain = false;
    return false;
  }
  // Whether AText goes in as it is; when not, the line is not plain.
  bool IsPlainField(std::string_view AText);
  TFieldForm FForm;
  bool FPlain = true;
  std::size_t FSize = 0;
  char FBuffer[kCapacity];
};

// The same line appended to AOut, every field that came from a clock made safe for its form.
class TSafeFields {
 public:
  TSafeFields(std::string& AOut, TFieldForm AForm) : FOut(AOut), FForm(AForm) {}
  void Field(std::string_view AText, char ASeparator);
  void Own(std::string_view AText, char ASeparator);
  // Where in AOut the line has come to.
  std::size_t Size() const { return FOut.size(); }

 private:
  std::string& FOut;
  TFieldForm FForm;
};

// Appends to AOut the line that ALine (a callable taking a TPlainFields or TSafeFields and a
// std::size_t&) puts together, in place when it is plain; ALine sets the size_t to where a
// field of its choice begins, which this returns as a position in AOut.
template <class TLine>
std::size_t AppendFieldLine(std::string& AOut, TFieldForm AForm, TLine&& ALine) {
  std::size_t mark = 0;
  TPlainFields plain(AForm);
  ALine(plain, mark);
  if (plain.Plain()) {
    mark += AOut.size();
    AOut += plain.Text();
    return mark;
  }
  TSafeFields safe(AOut, AForm);
  ALine(safe, mark);
  return mark;
}
