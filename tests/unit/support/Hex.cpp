#include <cstdio>

#include "support/ScriptedDevice.h"

namespace testsupport {
std::string Hex(const std::string& ABytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : ABytes) {
    std::snprintf(buf, sizeof buf, "%02X", c);
    if (!out.empty()) out += ' ';
    out += buf;
  }
  return out;
}
}  // namespace testsupport
