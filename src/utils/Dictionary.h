#pragma once
// The dictionary of user texts: a list of Name=Value lines loaded from an ".edf" file. Every user
// text is looked up by its own (Persian) wording and comes back translated when the file holds a
// translation, unchanged otherwise. "MainDict.edf" also carries the settings Language, BiDiMode
// and DateType.
//
// Files are read as UTF-8 when they start with its byte-order mark, as UTF-16 with one of its
// marks, as UTF-8 when they are valid UTF-8 without a mark, and otherwise as Windows-1256 (the
// Arabic-script code page in which such files are written on Windows). Texts are UTF-8 in
// memory.
#include <cstddef>
#include <string>
#include <vector>

#include "calendar/DateType.h"

// The most lines a dictionary file may have: a real one has a few hundred. (Every line costs a
// string, so a file of line breaks alone would otherwise take many times its size.)
constexpr std::size_t kDictionaryMaxLines = 65536;

enum TBiDiMode { bdLeftToRight, bdRightToLeft };

class TDictionary {
 public:
  // The translation of AName: the value of the first line whose name equals AName (letter case
  // aside; a line break in AName is looked up as "#13#10"). A missing or empty value gives
  // ADefault, or AName itself when ADefault is empty. "#13#10" in the value comes back as CR LF.
  std::string GetValue(const std::string& AName, const std::string& ADefault) const;
  // Loads the file's lines; a file that does not exist or cannot be read empties the dictionary.
  // Only a regular file of at most kStartupFileMaxBytes and kDictionaryMaxLines lines is read;
  // any other is refused with its reason logged (LogRefusedStartupFile).
  void LoadFromFile(const std::string& AFileName);
  // Replaces the lines by those of AText (UTF-8): CR, LF and CR LF each end a line.
  void SetText(const std::string& AText);

  // "Language", or "فارسي" when that is missing or empty.
  std::string Language() const;
  // Left to right only for the value "LeftToRight".
  TBiDiMode BiDiMode() const;
  // Christian only for the value "Christian".
  TDateType DateType() const;

  // The string list underneath.
  std::size_t Count() const { return FLines.size(); }
  const std::string& Strings(std::size_t AIndex) const { return FLines.at(AIndex); }
  void Add(const std::string& ALine) { FLines.push_back(ALine); }
  void Clear() { FLines.clear(); }
  // Index of the first line whose name (the text before its first "=") equals AName, letter
  // case aside; -1 when there is none. A line without "=" has no name.
  int IndexOfName(const std::string& AName) const;
  // The text after the first "=" of that line; '' when there is none.
  std::string Values(const std::string& AName) const;

 private:
  std::vector<std::string> FLines;
};

// "MainDict.edf" beside the program (ProgramFilePath), read once per process: later calls give
// the same dictionary until the program's folder changes.
const TDictionary& MainDictionary();

// The bytes of a dictionary file as UTF-8 text, by the rules above (a byte-order mark is removed).
std::string DecodeDictionaryBytes(const std::string& ABytes);
// True when ABytes is well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF).
bool IsValidUtf8(const std::string& ABytes);
// Windows-1256 bytes as UTF-8.
std::string Windows1256ToUtf8(const std::string& ABytes);
