// The durable files on a POSIX system: open, write, fsync, O_EXCL, and the folder's fsync that
// keeps a new directory entry.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "platform/DurableFile.h"

namespace platform {
namespace {

std::string Problem(const std::string& APath) {
  return APath + ": " + std::strerror(errno);
}

// Writes all of ABytes; ADone tells how much was written, also when that fails.
bool WriteAll(int AHandle, std::string_view ABytes, std::size_t& ADone) {
  std::size_t& done = ADone;
  done = 0;
  while (done < ABytes.size()) {
    const ssize_t n = ::write(AHandle, ABytes.data() + done, ABytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Syncs the folder that holds APath, so that a file just created survives a crash.
void SyncFolderOf(const std::string& APath) {
  std::string folder = std::filesystem::path(APath).parent_path().string();
  if (folder.empty()) folder = ".";
  const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (handle < 0) return;
  ::fsync(handle);
  ::close(handle);
}

}  // namespace

TDurableAppendFile::~TDurableAppendFile() {
  Close();
}

void TDurableAppendFile::Close() {
  if (FHandle >= 0) ::close(FHandle);
  FHandle = -1;
}

bool TDurableAppendFile::Open(const std::string& APath, bool& AEmpty, std::string& AError) {
  Close();
  FPath = APath;
  // A regular file is opened for reading as well when that is allowed: what was written can then
  // be rewritten. Anything else (a pipe, a terminal) and a file that may only be written to are
  // opened for writing only: a pipe opened for reading too would not wait for its reader.
  struct stat before {};
  bool readable = ::stat(APath.c_str(), &before) == 0 && S_ISREG(before.st_mode);
  FHandle = ::open(APath.c_str(), (readable ? O_RDWR : O_WRONLY) | O_APPEND | O_CLOEXEC);
  if (FHandle < 0 && readable && (errno == EACCES || errno == EPERM)) {
    readable = false;
    FHandle = ::open(APath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  }
  bool created = false;
  if (FHandle < 0 && errno == ENOENT) {
    FHandle = ::open(APath.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    created = FHandle >= 0;
    readable = true;
  }
  struct stat status {};
  if (FHandle < 0 || ::fstat(FHandle, &status) != 0) {
    AError = Problem(APath);
    Close();
    return false;
  }
  AEmpty = status.st_size == 0;
  FRegular = S_ISREG(status.st_mode);
  FRewritable = readable && FRegular;
  FSize = FRegular ? static_cast<std::uint64_t>(status.st_size) : 0;
  if (created) SyncFolderOf(APath);
  return true;
}

bool TDurableAppendFile::Write(std::string_view ABytes, std::string& AError) {
  if (FHandle < 0) {
    AError = FPath + ": not open";
    return false;
  }
  std::size_t done = 0;
  const bool written = WriteAll(FHandle, ABytes, done);
  FSize += done;
  if (!written) AError = Problem(FPath);
  return written;
}

bool TDurableAppendFile::ReadFrom(std::uint64_t AOffset, std::string& ABytes,
                                  std::string& AError) {
  struct stat status {};
  if (!FRewritable || ::fstat(FHandle, &status) != 0) {
    AError = FRewritable ? Problem(FPath) : FPath + ": cannot be read back";
    return false;
  }
  if (static_cast<std::uint64_t>(status.st_size) != FSize || AOffset > FSize) {
    AError = FPath + ": another program changed it meanwhile";
    return false;
  }
  ABytes.resize(static_cast<std::size_t>(FSize - AOffset));
  std::size_t done = 0;
  while (done < ABytes.size()) {
    const ssize_t n = ::pread(FHandle, ABytes.data() + done, ABytes.size() - done,
                              static_cast<off_t>(AOffset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      AError = Problem(FPath);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool TDurableAppendFile::CutAt(std::uint64_t ALength, std::string& AError) {
  if (!FRewritable || ALength > FSize) {
    AError = FPath + ": cannot be cut";
    return false;
  }
  if (::ftruncate(FHandle, static_cast<off_t>(ALength)) != 0) {
    AError = Problem(FPath);
    return false;
  }
  FSize = ALength;
  return true;
}

bool TDurableAppendFile::Sync(std::string& AError) {
  if (FHandle < 0) {
    AError = FPath + ": not open";
    return false;
  }
  // A pipe or a terminal has nothing to sync: what was written is with its reader already.
  if (::fsync(FHandle) != 0 && !(errno == EINVAL && !FRegular)) {
    AError = Problem(FPath);
    return false;
  }
  return true;
}

TCreateOutcome CreateDurableFile(const std::string& APath, const std::string& ABytes,
                                 std::string& AError) {
  const int handle = ::open(APath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (handle < 0 && errno == EEXIST) return TCreateOutcome::Exists;
  if (handle < 0) {
    AError = Problem(APath);
    return TCreateOutcome::Failed;
  }
  std::size_t done = 0;
  const bool written = WriteAll(handle, ABytes, done) && ::fsync(handle) == 0;
  if (!written) AError = Problem(APath);
  ::close(handle);
  if (!written) {
    // A part of a picture would pass for the whole one.
    ::unlink(APath.c_str());
    return TCreateOutcome::Failed;
  }
  SyncFolderOf(APath);
  return TCreateOutcome::Created;
}

bool MakeFolders(const std::string& APath, std::string& AError) {
  std::error_code error;
  std::filesystem::create_directories(APath, error);
  if (!error && std::filesystem::is_directory(APath, error)) return true;
  AError = APath + ": " + (error ? error.message() : std::string("not a folder"));
  return false;
}

}  // namespace platform
