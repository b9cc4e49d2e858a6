#include "utils/ProgramDirectory.h"

#include <QCoreApplication>
#include <QDir>

namespace {
std::string& Override() {
  static std::string directory;
  return directory;
}
}  // namespace

std::string ProgramDirectory() {
  if (!Override().empty()) return Override();
  if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath().toStdString();
  return QDir::currentPath().toStdString();
}

void SetProgramDirectory(const std::string& ADirectory) {
  Override() = ADirectory;
}

std::string ProgramFilePath(const std::string& AName) {
  std::string directory = ProgramDirectory();
  if (!directory.empty() && directory.back() != '/') directory += '/';
  return directory + AName;
}
