// The application error log: daily file names by the solar date, the line layout, the folder
// "Logs" beside the program with the user's data folder behind it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "AppLog.h"
#include "calendar/ConvertError.h"
#include "inproc/VirtualPlatform.h"
#include "utils/ProgramDirectory.h"

namespace {

std::string ReadFile(const std::string& APath) {
  std::ifstream in(APath, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const std::string& APath) {
  return QFile::exists(QString::fromStdString(APath));
}

void MakeFile(const std::string& APath) {
  std::ofstream(APath, std::ios::binary) << "x";
}

// Points the program's folder and the fallback folder at two fresh temporary folders.
class AppLogTest : public ::testing::Test {
 protected:
  AppLogTest() {
    SetProgramDirectory(program());
    SetAppLogFallbackFolder(fallback());
  }
  ~AppLogTest() override {
    chmod(program().c_str(), 0700);
    SetProgramDirectory("");
    SetAppLogFallbackFolder("");
  }
  std::string program() const { return FProgram.path().toStdString(); }
  std::string fallback() const { return FFallback.path().toStdString(); }
  void startAt(int AYear, int AMonth, int ADay, int AHour, int AMinute, int ASecond) {
    vp.P.Clock.Start = {AYear, AMonth, ADay, AHour, AMinute, ASecond, 0};
  }

  sim::ScopedVirtualPlatform vp;

 private:
  QTemporaryDir FProgram;
  QTemporaryDir FFallback;
};

TEST(DateToSolarStrTest, WritesTheSolarDateWithTwoDigitMonthAndDay) {
  const std::pair<TLocalDateTime, const char*> cases[] = {
      {{2026, 3, 20, 23, 59, 59, 0}, "1404/12/29"},  // last day of a common year
      {{2026, 3, 21, 0, 0, 0, 0}, "1405/01/01"},
      {{2025, 3, 20, 12, 0, 0, 0}, "1403/12/30"},  // last day of a leap year
      {{2026, 12, 9, 10, 30, 0, 0}, "1405/09/18"},
      {{2000, 1, 1, 0, 0, 0, 0}, "1378/10/11"},
  };
  for (const auto& [when, text] : cases) EXPECT_EQ(DateToSolarStr(when), text) << text;
  EXPECT_THROW(DateToSolarStr({2026, 13, 1, 0, 0, 0, 0}), EConvertError);
  EXPECT_THROW(DateToSolarStr({0, 0, 0, 0, 0, 0, 0}), EConvertError);
}

TEST(DailyLogFileNameTest, AddsTheSolarDayToTheCallersName) {
  const TLocalDateTime day{2026, 12, 9, 10, 30, 0, 0};
  EXPECT_EQ(DailyLogFileName("LoadError.Log", day), "LoadError.Log(05-09-18).Log");
  EXPECT_EQ(DailyLogFileName("Errors", {2026, 3, 20, 23, 0, 0, 0}), "Errors(04-12-29).Log");
  // A date that cannot be computed only loses the bracket.
  EXPECT_EQ(DailyLogFileName("Errors", {2026, 2, 30, 0, 0, 0, 0}), "Errors.Log");
}

TEST_F(AppLogTest, NewFileAfterMidnightInVirtualTime) {
  // The last seconds of solar year 1404.
  startAt(2026, 3, 20, 23, 59, 58);
  const std::string first = WriteLog("one", "App", true);
  vp.P.Clock.advance(1000);
  const std::string second = WriteLog("two", "App", false);
  vp.P.Clock.advance(1000);
  const std::string third = WriteLog("three", "App", true);

  const std::string folder = program() + "/Logs/";
  EXPECT_EQ(first, folder + "App(04-12-29).Log");
  EXPECT_EQ(second, first);
  EXPECT_EQ(third, folder + "App(05-01-01).Log");
  EXPECT_EQ(ReadFile(first), "1404/12/29 23:59:58 : one\r\ntwo\r\n");
  EXPECT_EQ(ReadFile(third), "1405/01/01 00:00:00 : three\r\n");
}

TEST_F(AppLogTest, AppendsToWhatIsThereAndKeepsUtf8Text) {
  startAt(2026, 12, 9, 7, 5, 3);
  const std::string path = program() + "/Logs/LoadError.Log(05-09-18).Log";
  QDir().mkpath(QString::fromStdString(program() + "/Logs"));
  std::ofstream(path, std::ios::binary) << "earlier\r\n";
  const std::string persian = "\u062E\u0637\u0627";
  EXPECT_EQ(WriteLog(persian, "LoadError.Log", true), path);
  EXPECT_EQ(ReadFile(path), "earlier\r\n1405/09/18 07:05:03 : " + persian + "\r\n");
}

TEST_F(AppLogTest, UnreadableDateFallsBackToThePlainName) {
  startAt(600, 1, 1, 1, 2, 3);  // before the first solar year
  const std::string path = WriteLog("text", "Broken", true);
  EXPECT_EQ(path, program() + "/Logs/Broken.Log");
  EXPECT_EQ(ReadFile(path), " 01:02:03 : text\r\n");
}

TEST_F(AppLogTest, LogsThatCannotBeAFolderSendTheFileToTheUsersDataFolder) {
  startAt(2026, 12, 9, 10, 30, 0);
  MakeFile(program() + "/Logs");
  const std::string path = WriteLog("moved", "App", false);
  EXPECT_EQ(path, fallback() + "/Logs/App(05-09-18).Log");
  EXPECT_EQ(ReadFile(path), "moved\r\n");
}

TEST_F(AppLogTest, ReadOnlyProgramFolderSendsTheFileToTheUsersDataFolder) {
  startAt(2026, 12, 9, 10, 30, 0);
  ASSERT_EQ(chmod(program().c_str(), 0500), 0);
  // A privileged user writes into read-only folders all the same.
  const std::string probe = program() + "/probe";
  if (std::ofstream(probe).good()) {
    std::remove(probe.c_str());
    GTEST_SKIP() << "read-only folders are writable for this user";
  }
  const std::string path = WriteLog("moved", "App", false);
  EXPECT_EQ(path, fallback() + "/Logs/App(05-09-18).Log");
  EXPECT_FALSE(Exists(program() + "/Logs"));
  EXPECT_EQ(ReadFile(path), "moved\r\n");
}

TEST_F(AppLogTest, NoWritableFolderRaisesTheInputOutputError) {
  MakeFile(program() + "/Logs");
  MakeFile(fallback() + "/Logs");
  EXPECT_THROW(WriteLog("lost", "App", false), EInOutError);
}

}  // namespace
