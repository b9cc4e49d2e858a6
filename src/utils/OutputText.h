#pragma once
// Texts that came from a clock (user ids, card fields, record bytes), made safe to show in a
// terminal, a text file or a spreadsheet. JSON output does not use these: it keeps the exact
// value, escaped by the JSON writer.
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
