#include <unistd.h>

#include "platform/Console.h"

namespace platform {
bool StandardErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}
}  // namespace platform
