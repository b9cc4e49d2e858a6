#include <csignal>

#include "platform/Interrupts.h"

namespace {
volatile std::sig_atomic_t GSignal = 0;

void OnSignal(int ASignal) {
  GSignal = ASignal;
}
}  // namespace

namespace platform {

void WatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // The handler is removed once it has run: a second Ctrl-C stops a program that does not.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() {
  return GSignal != 0;
}

const char* InterruptName() {
  switch (GSignal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    default:
      return GSignal == 0 ? "" : "a signal";
  }
}

}  // namespace platform
