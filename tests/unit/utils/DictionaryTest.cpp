#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "utils/Dictionary.h"
#include "utils/ProgramDirectory.h"
#include "utils/StartupFile.h"

namespace {

TDictionary FromText(const std::string& AText) {
  TDictionary d;
  d.SetText(AText);
  return d;
}

TEST(DictionaryLookup, NamesIgnoreCaseMissingOrEmptyValuesGiveDefaultOrName) {
  const TDictionary d = FromText(
      "Cancel=Abbrechen\r\nEmpty=\r\nA#13#10B=C#13#10D\r\nنام=Name\r\nÄrger=Trouble\r\nX=1=2");
  struct Case {
    std::string Name;
    std::string Default;
    std::string Expected;
  };
  const Case cases[] = {
      {"cancel", "", "Abbrechen"},
      {"CANCEL", "ignored", "Abbrechen"},
      {"Close", "", "Close"},
      {"Close", "X", "X"},
      {"Empty", "", "Empty"},
      {"Empty", "Def", "Def"},
      // A line break in the name is looked up as "#13#10", and comes back as CR LF.
      {"A\r\nB", "", "C\r\nD"},
      {"a\r\nb", "", "C\r\nD"},
      {"Line\r\nBreak", "", "Line\r\nBreak"},
      {"نام", "", "Name"},
      {"ärger", "", "Trouble"},  // case folding beyond ASCII
      // A name ends at the first "=": a text containing "=" is never found.
      {"X=1", "", "X=1"},
      {"X", "", "1=2"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(d.GetValue(c.Name, c.Default), c.Expected) << c.Name << " / " << c.Default;
}

TEST(DictionaryLookup, FirstMatchingLineWinsAndLinesWithoutEqualsHaveNoName) {
  const TDictionary d = FromText("Just a title\nkey=first\nKEY=second\n=nameless");
  EXPECT_EQ(d.GetValue("Key", ""), "first");
  EXPECT_EQ(d.GetValue("Just a title", ""), "Just a title");
  EXPECT_EQ(d.IndexOfName("Just a title"), -1);
  EXPECT_EQ(d.GetValue("", "d"), "nameless");
}

TEST(DictionarySettings, LanguageBiDiModeAndDateType) {
  const TDictionary empty;
  EXPECT_EQ(empty.Language(), "فارسي");
  EXPECT_EQ(empty.BiDiMode(), bdRightToLeft);
  EXPECT_EQ(empty.DateType(), Solar);

  const TDictionary english = FromText(
      "English\r\nlanguage=English\r\nBIDIMODE=LeftToRight\r\n"
      "datetype=Christian");
  EXPECT_EQ(english.Language(), "English");
  EXPECT_EQ(english.BiDiMode(), bdLeftToRight);
  EXPECT_EQ(english.DateType(), Christian);

  // The values must be exactly these words.
  const TDictionary loose = FromText("Language=\nBiDiMode=lefttoright\nDateType=Christian ");
  EXPECT_EQ(loose.Language(), "فارسي");
  EXPECT_EQ(loose.BiDiMode(), bdRightToLeft);
  EXPECT_EQ(loose.DateType(), Solar);
}

TEST(DictionaryText, CrLfAndCrLfEachEndALine) {
  const TDictionary d = FromText("a=1\rb=2\nc=3\r\n\r\nd=4\n\re=5\n");
  ASSERT_EQ(d.Count(), 7u);
  EXPECT_EQ(d.Strings(3), "");
  EXPECT_EQ(d.GetValue("e", ""), "5");
  EXPECT_EQ(FromText("").Count(), 0u);
  EXPECT_EQ(FromText("x").Count(), 1u);
}

// "فارسي" (with the Arabic yeh of the Windows code page) and "پیک" in the file's encodings.
TEST(DictionaryEncoding, MarksUtf8AndWindows1256) {
  const std::string utf8 = "Language=فارسي\r\nگ=پک\r\n";
  const std::string cp1256 = "Language=\xDD\xC7\xD1\xD3\xED\r\n\x90=\x81\x98\r\n";
  std::string utf16le = "\xFF\xFE";
  std::string utf16be = "\xFE\xFF";
  for (char16_t unit : u"Language=فارسي\r\nگ=پک\r\n") {
    if (unit == 0) break;
    utf16le += static_cast<char>(unit & 0xFF);
    utf16le += static_cast<char>(unit >> 8);
    utf16be += static_cast<char>(unit >> 8);
    utf16be += static_cast<char>(unit & 0xFF);
  }
  struct Case {
    const char* Name;
    std::string Bytes;
  };
  const Case cases[] = {
      {"UTF-8", utf8},          {"UTF-8 with mark", "\xEF\xBB\xBF" + utf8},
      {"UTF-16LE", utf16le},    {"UTF-16BE", utf16be},
      {"Windows-1256", cp1256},
  };
  QTemporaryDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(DecodeDictionaryBytes(c.Bytes), utf8);
    const std::string path = dir.filePath("MainDict.edf").toStdString();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.Bytes;
    TDictionary d;
    d.LoadFromFile(path);
    EXPECT_EQ(d.Language(), "فارسي");
    EXPECT_EQ(d.GetValue("گ", ""), "پک");
    EXPECT_EQ(d.Strings(0), "Language=فارسي");  // no mark left in the first name
  }
}

TEST(DictionaryEncoding, Utf8ValidityDecidesTheCodePage) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));  // outside the basic plane
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // a surrogate
  EXPECT_FALSE(IsValidUtf8("\xE2\x82"));         // cut short at the end
  EXPECT_FALSE(IsValidUtf8("\x80"));
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  // Bytes that happen to form valid UTF-8 are taken as UTF-8; a single stray byte is not.
  EXPECT_EQ(Windows1256ToUtf8("\x80\xFF\xA0"), "€ے\xC2\xA0");
  EXPECT_EQ(DecodeDictionaryBytes("a\xC7"), "aا");
}

TEST(DictionaryFile, MissingOrUnreadableFileEmptiesTheDictionary) {
  TDictionary d;
  d.SetText("a=1");
  d.LoadFromFile("/nonexistent/folder/MainDict.edf");
  EXPECT_EQ(d.Count(), 0u);
  EXPECT_EQ(d.GetValue("a", ""), "a");
  QTemporaryDir dir;
  d.SetText("a=1");
  d.LoadFromFile(dir.path().toStdString());  // a folder cannot be read as a file
  EXPECT_EQ(d.Count(), 0u);
}

// Files that are not a small regular file are refused without being read: a FIFO would block
// for ever, /dev/zero never ends, and a file of line breaks alone would take many times its size
// as lines. The reason is logged.
class DictionaryStartupFile : public ::testing::Test {
 protected:
  DictionaryStartupFile() {
    SetProgramDirectory(FDir.path().toStdString());
    SetStartupFileLog([this](const std::string& AReason) { FLog += AReason + "\n"; });
  }
  ~DictionaryStartupFile() override {
    SetProgramDirectory("");
    SetStartupFileLog({});
  }
  std::string path(const char* AName) const { return FDir.filePath(AName).toStdString(); }
  // Everything logged so far.
  std::string logs() const { return FLog; }
  QTemporaryDir FDir;
  std::string FLog;
};

TEST_F(DictionaryStartupFile, OnlySmallRegularFilesAreRead) {
  ASSERT_EQ(::mkfifo(path("fifo.edf").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", path("zero.edf"));
  std::ofstream(path("huge.edf"), std::ios::binary)
      << std::string(static_cast<std::size_t>(kStartupFileMaxBytes) + 1, '\r');
  std::ofstream(path("lines.edf"), std::ios::binary) << std::string(kDictionaryMaxLines + 1, '\r');
  std::ofstream(path("good.edf"), std::ios::binary)
      << std::string(kDictionaryMaxLines - 1, '\n') << "DateType=Christian";
  std::filesystem::create_symlink(path("good.edf"), path("link.edf"));

  struct Case {
    const char* Name;
    bool Read;
    const char* Reason;  // in the load log; nullptr: nothing logged
  };
  const Case cases[] = {
      {"fifo.edf", false, "not a regular file"},
      {"zero.edf", false, "not a regular file"},
      {"huge.edf", false, "more than 4194304 bytes"},
      {"lines.edf", false, "65537 lines, more than 65536"},
      {"good.edf", true, nullptr},  // exactly as many lines as allowed
      {"link.edf", true, nullptr},  // a link to a regular file is followed
      {"missing.edf", false, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string before = logs();
    TDictionary d;
    d.SetText("a=1");
    d.LoadFromFile(path(c.Name));
    EXPECT_EQ(d.DateType(), c.Read ? Christian : Solar);
    if (!c.Read) {
      EXPECT_EQ(d.Count(), 0u);
    }
    const std::string logged = logs().substr(before.size());
    if (c.Reason) {
      EXPECT_NE(logged.find(path(c.Name)), std::string::npos) << logged;
      EXPECT_NE(logged.find(c.Reason), std::string::npos) << logged;
    } else {
      EXPECT_EQ(logged, "");
    }
  }
}

TEST_F(DictionaryStartupFile, MainDictionaryIsReadOncePerProgramFolder) {
  std::ofstream(path("MainDict.edf"), std::ios::binary) << "DateType=Christian\r\n";
  EXPECT_EQ(MainDictionary().DateType(), Christian);
  std::ofstream(path("MainDict.edf"), std::ios::binary | std::ios::trunc) << "DateType=Solar\r\n";
  EXPECT_EQ(MainDictionary().DateType(), Christian);  // not read again
  // Another folder is another dictionary.
  QTemporaryDir other;
  std::ofstream(other.filePath("MainDict.edf").toStdString(), std::ios::binary)
      << "DateType=Solar\r\n";
  SetProgramDirectory(other.path().toStdString());
  EXPECT_EQ(MainDictionary().DateType(), Solar);
}

}  // namespace
