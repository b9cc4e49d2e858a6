#pragma once
// The few pieces of JSON that clockctl writes: quoted strings and booleans.
#include <string>

// AText as a JSON string, quotes included. Texts that are UTF-8 pass as they are; other bytes
// (a clock's name is 8-bit text of unknown code page) are written as \u00XX, one per byte.
std::string JsonString(const std::string& AText);
inline std::string JsonBool(bool AValue) {
  return AValue ? "true" : "false";
}
