#include "platform/ComPortNames.h"

#include <cctype>
#include <cstdlib>

std::optional<int> ComPortNumber(const std::string& AName) {
  if (AName.size() < 4 || AName.size() > 6 || AName.compare(0, 3, "COM") != 0) return std::nullopt;
  int n = 0;
  for (std::size_t i = 3; i < AName.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(AName[i]))) return std::nullopt;
    n = n * 10 + (AName[i] - '0');
  }
  if (n < 1) return std::nullopt;
  return n;
}

std::string ComPortDevice(const std::string& AName) {
  const auto n = ComPortNumber(AName);
  if (!n) return AName;
#ifdef _WIN32
  return AName;
#else
  const std::string var = "CLOCKDIAG_COM" + std::to_string(*n);
  if (const char* mapped = std::getenv(var.c_str()); mapped && *mapped) return mapped;
  return "/dev/ttyS" + std::to_string(*n - 1);
#endif
}
