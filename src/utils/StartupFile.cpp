#include "utils/StartupFile.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>
#include <utility>

namespace {
std::function<void(const std::string&)>& StartupFileLog() {
  static std::function<void(const std::string&)> log;
  return log;
}
}  // namespace

void SetStartupFileLog(std::function<void(const std::string& AReason)> ALog) {
  StartupFileLog() = std::move(ALog);
}

void LogRefusedStartupFile(const std::string& AReason) {
  if (StartupFileLog())
    StartupFileLog()(AReason);
  else
    std::cerr << AReason << std::endl;
}

TStartupFileResult ReadStartupFile(const std::string& APath, std::string& ABytes,
                                   std::string& AReason, std::uintmax_t AMaxBytes) {
  namespace fs = std::filesystem;
  ABytes.clear();
  AReason.clear();
  const auto refuse = [&](const std::string& AWhy) {
    ABytes.clear();
    AReason = "\"" + APath + "\" not read: " + AWhy;
    return TStartupFileResult::Refused;
  };

  std::error_code error;
  const fs::file_status status = fs::status(APath, error);  // follows links
  if (status.type() == fs::file_type::not_found) return TStartupFileResult::Missing;
  if (error) return refuse(error.message());
  if (status.type() != fs::file_type::regular) return refuse("not a regular file");
  const std::uintmax_t size = fs::file_size(APath, error);
  if (error) return refuse(error.message());
  const std::string limit = std::to_string(AMaxBytes) + " bytes";
  if (size > AMaxBytes) return refuse(std::to_string(size) + " bytes, more than " + limit);

  std::ifstream file(APath, std::ios::binary);
  if (!file) return refuse("cannot be opened");
  // At most one byte past the size measured: a file that grows meanwhile is refused, not followed.
  ABytes.resize(static_cast<std::size_t>(size) + 1);
  file.read(ABytes.data(), static_cast<std::streamsize>(ABytes.size()));
  if (file.bad()) return refuse("cannot be read");
  ABytes.resize(static_cast<std::size_t>(file.gcount()));
  if (ABytes.size() > size) return refuse("grew while it was read");
  return TStartupFileResult::Read;
}
