#include "cli/JsonText.h"

#include <cstdio>

#include "utils/Dictionary.h"

std::string JsonString(const std::string& AText) {
  const bool utf8 = IsValidUtf8(AText);
  std::string out = "\"";
  for (char ch : AText) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && !utf8)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", byte);
      out += escape;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}
