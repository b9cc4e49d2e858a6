#include "utils/ShippedFiles.h"

#include <filesystem>
#include <vector>

#include "platform/ProgramFile.h"
#include "utils/ProgramDirectory.h"

#if !defined(CLOCKDIAG_DATA_SUBDIR) || !defined(CLOCKDIAG_LIB_SUBDIR) || \
    !defined(CLOCKDIAG_INSTALL_PREFIX)
#error "the build defines where the shipped files are installed"
#endif

namespace fs = std::filesystem;

namespace {

// How far above the executable's folder the prefix (or the build folder) may lie.
constexpr int kLevelsAbove = 3;

bool IsFile(const fs::path& APath) {
  std::error_code error;
  return fs::is_regular_file(APath, error);
}

// ASubdir/AName in the folders above AExecutableDirectory (nearest first), then in the prefix.
std::string FindBelowPrefixes(const fs::path& ASubdir, const std::string& AName,
                              const std::string& AExecutableDirectory) {
  fs::path folder = fs::path(AExecutableDirectory).lexically_normal();
  for (int level = 0; level < kLevelsAbove && folder.has_relative_path(); ++level) {
    folder = folder.parent_path();
    if (IsFile(folder / ASubdir / AName)) return (folder / ASubdir / AName).string();
  }
  const fs::path installed = fs::path(CLOCKDIAG_INSTALL_PREFIX) / ASubdir / AName;
  return IsFile(installed) ? installed.string() : std::string();
}

}  // namespace

std::string ShippedDataFile(const std::string& ARelative) {
  return ShippedDataFile(ARelative, ProgramDirectory(), ExecutableDirectory());
}

std::string ShippedDataFile(const std::string& ARelative, const std::string& AProgramDirectory,
                            const std::string& AExecutableDirectory) {
  if (ARelative.empty()) return {};
  const fs::path beside = fs::path(AProgramDirectory) / ARelative;
  if (IsFile(beside)) return beside.string();
  return FindBelowPrefixes(CLOCKDIAG_DATA_SUBDIR, ARelative, AExecutableDirectory);
}

std::string ShippedLibraryFolder(const std::string& AFileName) {
  return ShippedLibraryFolder(AFileName, ExecutableDirectory());
}

std::string ShippedLibraryFolder(const std::string& AFileName,
                                 const std::string& AExecutableDirectory) {
  if (AFileName.empty()) return {};
  if (IsFile(fs::path(AExecutableDirectory) / AFileName)) return AExecutableDirectory;
  const std::string path = FindBelowPrefixes(CLOCKDIAG_LIB_SUBDIR, AFileName, AExecutableDirectory);
  return path.empty() ? std::string() : fs::path(path).parent_path().string();
}
