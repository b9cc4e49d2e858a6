#include "platform/ProgramFile.h"

#include <filesystem>
#include <iterator>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#endif

std::string ExecutableDirectory() {
#if defined(_WIN32)
  wchar_t path[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  if (n == 0 || n >= std::size(path)) return ".";
  return std::filesystem::path(std::wstring(path, n)).parent_path().string();
#else
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return ".";
  return exe.parent_path().string();
#endif
}

std::string SharedLibraryFileName(const std::string& ABaseName) {
#if defined(_WIN32)
  return ABaseName + ".dll";
#else
  return "lib" + ABaseName + ".so";
#endif
}
