#include "utils/TextFields.h"

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

std::vector<std::string> SplitToList(char ASeparator, const std::string& S) {
  std::vector<std::string> result;
  if (TrimBlanks(S).empty()) return result;
  std::string item;
  for (char c : S) {
    if (c == ASeparator) {
      result.push_back(item);
      item.clear();
    } else {
      item += c;
    }
  }
  if (!TrimBlanks(item).empty()) result.push_back(item);
  return result;
}
