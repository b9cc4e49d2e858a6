#include "utils/ProgramVersion.h"

#ifndef CLOCKDIAG_VERSION
#error "the build defines CLOCKDIAG_VERSION"
#endif

std::string ProgramVersion() {
  return CLOCKDIAG_VERSION;
}
