#include "utils/HexText.h"

#include <cctype>

std::string BytesToHexText(const std::string& ABytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(ABytes.size() * 3);
  for (unsigned char c : ABytes) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 0x0F];
  }
  return out;
}

std::optional<std::string> HexTextToBytes(const std::string& AText) {
  std::string digits;
  for (unsigned char c : AText) {
    if (c == ' ' || c == ',' || c == ':' || c == '\t') continue;
    if (!std::isxdigit(c)) return std::nullopt;
    digits += static_cast<char>(c);
  }
  if (digits.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (std::size_t i = 0; i < digits.size(); i += 2)
    out += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
  return out;
}
