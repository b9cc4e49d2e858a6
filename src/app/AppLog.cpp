#include "AppLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

#include "calendar/ConvertError.h"
#include "calendar/DateValue.h"
#include "calendar/PersianCalendar.h"
#include "calendar/VexDateTime.h"
#include "platform/Platform.h"
#include "utils/ProgramDirectory.h"
#include "utils/SystemDate.h"

namespace {

const char* const kLogFolderName = "Logs";
const char* const kLogExtension = ".Log";

std::string& FallbackOverride() {
  static std::string folder;
  return folder;
}

// Characters AStart (1-based) onwards, at most ACount of them; '' past the end.
std::string Copy(const std::string& S, std::size_t AStart, std::size_t ACount) {
  if (AStart < 1 || AStart > S.size()) return std::string();
  return S.substr(AStart - 1, ACount);
}

std::string JoinPath(const std::string& AFolder, const std::string& AName) {
  if (AFolder.empty()) return AName;
  return AFolder.back() == '/' ? AFolder + AName : AFolder + "/" + AName;
}

// Opens AFolder/Logs/AName for appending, creating the folder and the file when missing.
bool OpenInLogFolder(const std::string& AFolder, const std::string& AName, QFile& AFile,
                     std::string& APath) {
  if (AFolder.empty()) return false;
  const std::string folder = JoinPath(AFolder, kLogFolderName);
  // A failed creation shows when the file cannot be opened.
  QDir().mkpath(QString::fromStdString(folder));
  APath = JoinPath(folder, AName);
  AFile.setFileName(QString::fromStdString(APath));
  // Unbuffered: each line reaches the file as it is written, so a crash right after a call
  // still leaves the line behind.
  return AFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
}

}  // namespace

std::string DateToSolarStr(const TLocalDateTime& ADateTime) {
  return SolarDateToStr(ChristianToSolar(DateOf(ADateTime)));
}

std::string DailyLogFileName(const std::string& AFileName, const TLocalDateTime& ADateTime) {
  try {
    const std::string date = DateToSolarStr(ADateTime);
    return AFileName + "(" + Copy(date, 3, 2) + "-" + Copy(date, 6, 2) + "-" + Copy(date, 9, 2) +
           ")" + kLogExtension;
  } catch (const EConvertError&) {
    return AFileName + kLogExtension;
  }
}

std::string AppLogFallbackFolder() {
  if (!FallbackOverride().empty()) return FallbackOverride();
  return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation).toStdString();
}

void SetAppLogFallbackFolder(const std::string& AFolder) {
  FallbackOverride() = AFolder;
}

std::string UserWritableFolder(const std::string& AName) {
  for (const std::string& base : {ProgramDirectory(), AppLogFallbackFolder()}) {
    if (base.empty()) continue;
    const std::string folder = JoinPath(base, AName);
    const QString path = QString::fromStdString(folder);
    QDir().mkpath(path);
    const QFileInfo info(path);
    if (info.isDir() && info.isWritable()) return folder;
  }
  return std::string();
}

std::string WriteLog(const std::string& AText, const std::string& AFileName, bool ATimeStamp) {
  // One reading of the clock for both the file name and the stamp, so that a line written at
  // midnight carries the date of the file it is in.
  const TLocalDateTime now = platform::Clock().localNow();
  const std::string name = DailyLogFileName(AFileName, now);

  QFile file;
  std::string path;
  if (!OpenInLogFolder(ProgramDirectory(), name, file, path) &&
      !OpenInLogFolder(AppLogFallbackFolder(), name, file, path)) {
    throw EInOutError("Cannot open the log file " + name + ": " + file.errorString().toStdString());
  }

  std::string line;
  if (ATimeStamp) {
    std::string date;
    try {
      date = DateToSolarStr(now);
    } catch (const EConvertError&) {
      // The date is lost, the text is not.
    }
    line = date + " " + PadNumber(now.Hour, 2) + ":" + PadNumber(now.Minute, 2) + ":" +
           PadNumber(now.Second, 2) + " : ";
  }
  line += AText;
  line += "\r\n";
  // A log must never stop its caller: a line that cannot be written is lost.
  (void)file.write(line.data(), static_cast<qint64>(line.size()));
  file.close();
  return path;
}
