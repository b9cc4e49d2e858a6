#include "calendar/TrimBlanks.h"

std::string TrimBlanks(const std::string& AText) {
  std::size_t first = 0;
  std::size_t last = AText.size();
  while (first < last && static_cast<unsigned char>(AText[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(AText[last - 1]) <= ' ') --last;
  return AText.substr(first, last - first);
}
