#pragma once
#include <optional>
#include <string>

// Upper-case hex bytes separated by spaces: "01 41 A5".
std::string BytesToHexText(const std::string& ABytes);
// Hex bytes with or without separators (spaces, commas, colons): "0141A5", "01 41 a5".
// Nothing when a digit is not hex or an odd number of digits is given.
std::optional<std::string> HexTextToBytes(const std::string& AText);
