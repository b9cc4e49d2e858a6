#include "utils/TextFields.h"

std::string TrimBlanks(const std::string& AText) {
  std::size_t first = 0;
  std::size_t last = AText.size();
  while (first < last && static_cast<unsigned char>(AText[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(AText[last - 1]) <= ' ') --last;
  return AText.substr(first, last - first);
}

void ExtractField(std::string& AText, char ASeparator, std::string& AField) {
  const std::size_t at = AText.find(ASeparator);
  if (at == std::string::npos) {
    AField = TrimBlanks(AText);
    AText.clear();
    return;
  }
  AField = TrimBlanks(AText.substr(0, at));
  AText.erase(0, at + 1);
}

std::string RepeatChar(char AChar, std::uint8_t ACount) {
  return std::string(ACount, AChar);
}

std::string PadLeft(const std::string& AText, std::uint8_t ALength, char APadChar) {
  if (AText.size() >= ALength) return AText;
  return RepeatChar(APadChar, static_cast<std::uint8_t>(ALength - AText.size())) + AText;
}
