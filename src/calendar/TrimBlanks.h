#pragma once
#include <string>

// AText without the blanks and control characters (every byte up to 20h) at either end. Strings
// are 8-bit, one character per byte.
std::string TrimBlanks(const std::string& AText);
