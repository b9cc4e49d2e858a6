#include "platform/Platform.h"

#include "platform/QtPlatform.h"

namespace {
IPlatform* gInstalled = nullptr;
}

namespace platform {
IPlatform& Current() {
  if (gInstalled) return *gInstalled;
  static QtPlatform qtPlatform;
  return qtPlatform;
}
void Install(IPlatform* APlatform) { gInstalled = APlatform; }
}  // namespace platform
