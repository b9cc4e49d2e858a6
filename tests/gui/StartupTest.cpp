// The step before the first window: preparing the vendor control, silent when it cannot be done
// and logged to "LoadError.Log" (ending the program) when it fails unexpectedly.
#include <QDir>
#include <QFile>
#include <stdexcept>

#include "GuiFixture.h"
#include "ProgramWindows.h"
#include "Startup.h"
#include "utils/ProgramVersion.h"

namespace {

class StartupTest : public ProgramFolderFixture {
 protected:
  QStringList LogFiles() const { return QDir(FilePath("Logs")).entryList(QDir::Files); }
};

TEST_F(StartupTest, NothingToRegisterHereAndNothingLogged) {
  EXPECT_FALSE(RegisterOCX("zkemkeeper.dll"));
  WriteFile("zkemkeeper.dll", "not a COM server");
  EXPECT_FALSE(RegisterOCX("zkemkeeper.dll"));
  EXPECT_FALSE(QDir(FilePath("Logs")).exists());
}

TEST_F(StartupTest, PreparationGetsTheControlsPathAndItsResult) {
  std::string path;
  int terminated = 0;
  EXPECT_TRUE(RegisterOCX(
      "zkemkeeper.dll",
      [&](const std::string& APath) {
        path = APath;
        return true;
      },
      [&] { ++terminated; }));
  EXPECT_EQ(QString::fromStdString(path), FilePath("zkemkeeper.dll"));
  EXPECT_EQ(terminated, 0);
}

TEST_F(StartupTest, UnexpectedErrorIsLoggedAndEndsTheProgram) {
  int terminated = 0;
  const bool result = RegisterOCX(
      "zkemkeeper.dll", [](const std::string&) -> bool { throw std::runtime_error("boom"); },
      [&] { ++terminated; });
  EXPECT_FALSE(result);
  EXPECT_EQ(terminated, 1);
  const QStringList files = LogFiles();
  ASSERT_EQ(files.size(), 1);
  EXPECT_TRUE(files[0].startsWith("LoadError.Log(")) << files[0].toStdString();
  EXPECT_TRUE(files[0].endsWith(").Log")) << files[0].toStdString();
  QFile log(FilePath("Logs/" + files[0]));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  const QString line = QString::fromUtf8(log.readAll());
  EXPECT_TRUE(line.endsWith(" : Error in RegisterOCX \"zkemkeeper.dll\" ...\r\n"))
      << line.toStdString();
}

// The program's start-up: the three windows, only the main one shown, its caption naming the
// version the programs print with --version.
TEST_F(StartupTest, ProgramShowsTheMainWindowWithTheVersionInItsCaption) {
  const auto windows = StartProgramWindows();
  EXPECT_TRUE(windows->MainWindow.isVisible());
  EXPECT_FALSE(windows->MessageBox.isVisible());
  EXPECT_FALSE(windows->Dialing.isVisible());
  const QString version = QString::fromStdString(ProgramVersion());
  EXPECT_FALSE(version.isEmpty());
  EXPECT_EQ(windows->MainWindow.windowTitle(),
            QString("ابزار ارتباط با دستگاههای شرکت زروند ") + version);
}

}  // namespace
