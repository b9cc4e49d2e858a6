#include "utils/Dictionary.h"

#include <QString>
#include <array>
#include <cstdint>

#include "utils/ProgramDirectory.h"
#include "utils/StartupFile.h"

namespace {
const std::string kLineBreak = "\r\n";
const std::string kLineBreakMark = "#13#10";
const std::string kDefaultLanguage = "فارسي";

// Windows-1256: code points of the bytes 80h to FFh (the lower half is ASCII).
constexpr std::array<std::uint16_t, 128> kWindows1256High = {
    0x20AC, 0x067E, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0679, 0x2039, 0x0152, 0x0686, 0x0698, 0x0688,  // 88
    0x06AF, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x06A9, 0x2122, 0x0691, 0x203A, 0x0153, 0x200C, 0x200D, 0x06BA,  // 98
    0x00A0, 0x060C, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x06BE, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,  // A8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x00B9, 0x061B, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x061F,  // B8
    0x06C1, 0x0621, 0x0622, 0x0623, 0x0624, 0x0625, 0x0626, 0x0627,  // C0
    0x0628, 0x0629, 0x062A, 0x062B, 0x062C, 0x062D, 0x062E, 0x062F,  // C8
    0x0630, 0x0631, 0x0632, 0x0633, 0x0634, 0x0635, 0x0636, 0x00D7,  // D0
    0x0637, 0x0638, 0x0639, 0x063A, 0x0640, 0x0641, 0x0642, 0x0643,  // D8
    0x00E0, 0x0644, 0x00E2, 0x0645, 0x0646, 0x0647, 0x0648, 0x00E7,  // E0
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x0649, 0x064A, 0x00EE, 0x00EF,  // E8
    0x064B, 0x064C, 0x064D, 0x064E, 0x00F4, 0x064F, 0x0650, 0x00F7,  // F0
    0x0651, 0x00F9, 0x0652, 0x00FB, 0x00FC, 0x200E, 0x200F, 0x06D2,  // F8
};

void AppendUtf8(std::string& AOut, std::uint32_t ACodePoint) {
  if (ACodePoint < 0x80) {
    AOut += static_cast<char>(ACodePoint);
  } else if (ACodePoint < 0x800) {
    AOut += static_cast<char>(0xC0 | (ACodePoint >> 6));
    AOut += static_cast<char>(0x80 | (ACodePoint & 0x3F));
  } else {
    AOut += static_cast<char>(0xE0 | (ACodePoint >> 12));
    AOut += static_cast<char>(0x80 | ((ACodePoint >> 6) & 0x3F));
    AOut += static_cast<char>(0x80 | (ACodePoint & 0x3F));
  }
}

std::string ReplaceAll(std::string AText, const std::string& AFrom, const std::string& ATo) {
  for (std::size_t at = AText.find(AFrom); at != std::string::npos;
       at = AText.find(AFrom, at + ATo.size()))
    AText.replace(at, AFrom.size(), ATo);
  return AText;
}

bool SameTextIgnoringCase(const std::string& A, const std::string& B) {
  return QString::fromUtf8(A.data(), static_cast<qsizetype>(A.size()))
             .compare(QString::fromUtf8(B.data(), static_cast<qsizetype>(B.size())),
                      Qt::CaseInsensitive) == 0;
}

std::string Utf16ToUtf8(const std::string& ABytes, bool ABigEndian) {
  std::u16string units;
  units.reserve(ABytes.size() / 2);
  for (std::size_t i = 0; i + 1 < ABytes.size(); i += 2) {
    const auto first = static_cast<std::uint8_t>(ABytes[i]);
    const auto second = static_cast<std::uint8_t>(ABytes[i + 1]);
    units += static_cast<char16_t>(ABigEndian ? (first << 8) | second : (second << 8) | first);
  }
  // Unpaired surrogates become U+FFFD.
  return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size())).toStdString();
}

// The number of lines SetText makes of AText.
std::size_t CountLines(const std::string& AText) {
  std::size_t lines = 0;
  for (std::size_t i = 0; i < AText.size(); ++i) {
    if (AText[i] == '\r' && i + 1 < AText.size() && AText[i + 1] == '\n') ++i;
    if (AText[i] == '\r' || AText[i] == '\n') ++lines;
  }
  if (!AText.empty() && AText.back() != '\r' && AText.back() != '\n') ++lines;
  return lines;
}

}  // namespace

bool IsValidUtf8(const std::string& ABytes) {
  const std::size_t n = ABytes.size();
  std::size_t i = 0;
  while (i < n) {
    const auto lead = static_cast<std::uint8_t>(ABytes[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t extra = 0;
    std::uint32_t code = 0;
    std::uint32_t lowest = 0;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      code = lead & 0x1F;
      lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      code = lead & 0x0F;
      lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      code = lead & 0x07;
      lowest = 0x10000;
    } else {
      return false;
    }
    if (i + extra >= n) return false;  // cut short
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<std::uint8_t>(ABytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

std::string Windows1256ToUtf8(const std::string& ABytes) {
  std::string out;
  out.reserve(ABytes.size() * 2);
  for (char ch : ABytes) {
    const auto byte = static_cast<std::uint8_t>(ch);
    AppendUtf8(out, byte < 0x80 ? byte : kWindows1256High[byte - 0x80]);
  }
  return out;
}

std::string DecodeDictionaryBytes(const std::string& ABytes) {
  if (ABytes.rfind("\xEF\xBB\xBF", 0) == 0) return ABytes.substr(3);
  if (ABytes.rfind("\xFF\xFE", 0) == 0) return Utf16ToUtf8(ABytes.substr(2), false);
  if (ABytes.rfind("\xFE\xFF", 0) == 0) return Utf16ToUtf8(ABytes.substr(2), true);
  if (IsValidUtf8(ABytes)) return ABytes;
  return Windows1256ToUtf8(ABytes);
}

void TDictionary::SetText(const std::string& AText) {
  FLines.clear();
  std::size_t start = 0;
  const std::size_t n = AText.size();
  while (start < n) {
    std::size_t end = start;
    while (end < n && AText[end] != '\r' && AText[end] != '\n') ++end;
    FLines.push_back(AText.substr(start, end - start));
    if (end < n && AText[end] == '\r') ++end;
    if (end < n && AText[end] == '\n') ++end;
    start = end;
  }
}

void TDictionary::LoadFromFile(const std::string& AFileName) {
  FLines.clear();
  std::string bytes;
  std::string reason;
  if (ReadStartupFile(AFileName, bytes, reason) != TStartupFileResult::Read) {
    if (!reason.empty()) LogRefusedStartupFile(reason);
    return;
  }
  std::string text = DecodeDictionaryBytes(bytes);
  bytes.clear();
  const std::size_t lines = CountLines(text);
  if (lines > kDictionaryMaxLines) {
    LogRefusedStartupFile("\"" + AFileName + "\" not read: " + std::to_string(lines) +
                   " lines, more than " + std::to_string(kDictionaryMaxLines));
    return;
  }
  SetText(text);
}

const TDictionary& MainDictionary() {
  // Everything runs on one thread (see the architecture notes): no lock.
  static std::string loadedPath;
  static bool loaded = false;
  static TDictionary dictionary;
  const std::string path = ProgramFilePath("MainDict.edf");
  if (!loaded || path != loadedPath) {
    dictionary.LoadFromFile(path);
    loadedPath = path;
    loaded = true;
  }
  return dictionary;
}

int TDictionary::IndexOfName(const std::string& AName) const {
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    const std::size_t eq = FLines[i].find('=');
    if (eq == std::string::npos) continue;
    if (SameTextIgnoringCase(FLines[i].substr(0, eq), AName)) return static_cast<int>(i);
  }
  return -1;
}

std::string TDictionary::Values(const std::string& AName) const {
  const int index = IndexOfName(AName);
  if (index < 0) return {};
  const std::string& line = FLines[static_cast<std::size_t>(index)];
  return line.substr(line.find('=') + 1);
}

std::string TDictionary::GetValue(const std::string& AName, const std::string& ADefault) const {
  const std::string key = ReplaceAll(AName, kLineBreak, kLineBreakMark);
  std::string value = Values(key);
  if (value.empty()) value = ADefault.empty() ? key : ADefault;
  return ReplaceAll(value, kLineBreakMark, kLineBreak);
}

std::string TDictionary::Language() const {
  const std::string value = Values("Language");
  return value.empty() ? kDefaultLanguage : value;
}

TBiDiMode TDictionary::BiDiMode() const {
  return Values("BiDiMode") == "LeftToRight" ? bdLeftToRight : bdRightToLeft;
}

TDateType TDictionary::DateType() const {
  return Values("DateType") == "Christian" ? Christian : Solar;
}
