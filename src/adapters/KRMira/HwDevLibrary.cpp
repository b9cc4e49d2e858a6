#include "adapters/KRMira/HwDevLibrary.h"

#include <QLibrary>
#include <QString>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>

#include "utils/ShippedFiles.h"

int THwDevBinding::Execute(const std::string& ADeviceInfo, const std::string& ACommand,
                           std::string& AReply) {
  AReply.clear();
  if (FExecute == nullptr) return kHwDevLibraryMissing;
  if (ADeviceInfo.size() > static_cast<std::size_t>(INT_MAX) ||
      ACommand.size() > static_cast<std::size_t>(INT_MAX)) {
    return -1;
  }
  char* reply = nullptr;
  int replyLength = 0;
  const int result =
      FExecute(ADeviceInfo.c_str(), static_cast<int>(ADeviceInfo.size()), ACommand.c_str(),
               static_cast<int>(ACommand.size()), &reply, &replyLength, nullptr);
  if (result != 0) return result;
  // The buffer is the library's: copy what it holds up to the first character 0, never more
  // than the length it reported, and leave the buffer alone.
  if (reply != nullptr && replyLength > 0) {
    const auto length = static_cast<std::size_t>(replyLength);
    const void* zero = std::memchr(reply, 0, length);
    AReply.assign(reply, zero != nullptr ? static_cast<const char*>(zero) - reply : length);
  }
  return 0;
}

bool THwDevBinding::Base64Decode(const std::string& AText, std::string& ABytes) {
  ABytes.clear();
  if (FDecode == nullptr || AText.size() > static_cast<std::size_t>(INT_MAX)) return false;
  int length = static_cast<int>(AText.size());
  const unsigned char* bytes = FDecode(AText.c_str(), &length);
  if (bytes == nullptr) return false;
  if (length > 0)
    ABytes.assign(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
  return true;
}

namespace {

std::mutex& LibraryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::string& FolderOverride() {
  static std::string folder;
  return folder;
}

// A QLibrary that goes out of scope leaves its library loaded (unload() is never called): a
// reply or a decoded buffer handed out earlier may still be in use.
struct TLoadedLibraries {
  QLibrary Comm;
  QLibrary Utils;
  std::shared_ptr<THwDevBinding> Binding;
};

std::unique_ptr<TLoadedLibraries> Load(const std::string& AFolder) {
  auto libraries = std::make_unique<TLoadedLibraries>();
  const std::filesystem::path folder(AFolder);
  libraries->Comm.setFileName(QString::fromStdString((folder / kHwDevCommFile).string()));
  libraries->Utils.setFileName(QString::fromStdString((folder / kHdcpUtilsFile).string()));
  THwDevExecuteFn execute = nullptr;
  THdcpBase64DecodeFn decode = nullptr;
  if (libraries->Comm.load()) {
    execute = reinterpret_cast<THwDevExecuteFn>(libraries->Comm.resolve("HwDev_Execute"));
  }
  if (libraries->Utils.load()) {
    decode = reinterpret_cast<THdcpBase64DecodeFn>(libraries->Utils.resolve("HDCP_Base64Decode"));
  }
  libraries->Binding = std::make_shared<THwDevBinding>(execute, decode);
  return libraries;
}

// Bindings by folder. One with both entry points is kept; an incomplete one is loaded again on
// the next use, so that a library put in place later is found without a restart.
std::map<std::string, std::unique_ptr<TLoadedLibraries>>& Loaded() {
  static std::map<std::string, std::unique_ptr<TLoadedLibraries>> loaded;
  return loaded;
}

std::string CurrentFolderLocked() {
  if (!FolderOverride().empty()) return FolderOverride();
  if (const char* env = std::getenv("CLOCKDIAG_HWDEV_LIB_DIR"); env != nullptr && *env != '\0') {
    return env;
  }
  const std::string shipped = ShippedLibraryFolder(kHwDevCommFile);
  return shipped.empty() ? ExecutableDirectory() : shipped;
}

std::shared_ptr<THwDevBinding> BindingLocked() {
  std::unique_ptr<TLoadedLibraries>& entry = Loaded()[CurrentFolderLocked()];
  if (!entry || !entry->Binding->HasExecute() || !entry->Binding->HasBase64Decode()) {
    entry = Load(CurrentFolderLocked());
  }
  return entry->Binding;
}

}  // namespace

void SetHwDevLibraryFolder(const std::string& AFolder) {
  std::lock_guard<std::mutex> lock(LibraryMutex());
  FolderOverride() = AFolder;
}

std::string HwDevLibraryFolder() {
  std::lock_guard<std::mutex> lock(LibraryMutex());
  return CurrentFolderLocked();
}

std::shared_ptr<IHwDevVendor> HwDevLibraries() {
  std::lock_guard<std::mutex> lock(LibraryMutex());
  return BindingLocked();
}

bool HwDevLibrariesLoaded() {
  std::lock_guard<std::mutex> lock(LibraryMutex());
  const std::shared_ptr<THwDevBinding> binding = BindingLocked();
  return binding->HasExecute() && binding->HasBase64Decode();
}
