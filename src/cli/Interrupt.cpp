#include "cli/Interrupt.h"

#include <memory>

#include "cli/CliError.h"
#include "connections/ClockSet.h"
#include "platform/Interrupts.h"
#include "platform/StoppablePlatform.h"

namespace {
TClockSet* GLine = nullptr;
bool GDialing = false;
bool GWorkEnded = false;

// Asked by the platform at every wait: cancels the line once, and lets time run out except
// during a dial and the closing steps.
bool StopRequested() {
  if (!platform::InterruptRequested()) return false;
  if (GLine && !GLine->Canceled()) GLine->Cancel();
  return !GDialing && !GWorkEnded;
}
}  // namespace

namespace cli {

void InstallInterrupts() {
  platform::WatchInterrupts();
  static TStoppablePlatform stoppable(platform::Current(), StopRequested);
  platform::Install(&stoppable);
}

bool Interrupted() {
  return platform::InterruptRequested();
}

void WatchLine(TClockSet* ALine) {
  GLine = ALine;
  GWorkEnded = false;
  if (ALine && Interrupted()) ALine->Cancel();
}

void EndWork(TClockSet* ALine) {
  if (GLine == ALine) GLine = nullptr;
  GWorkEnded = true;
}

void ThrowIfInterrupted(const std::string& AWhat, const std::string& APartialJson) {
  if (!Interrupted()) return;
  throw CliError("interrupted", AWhat, std::string("stopped by ") + platform::InterruptName(),
                 APartialJson);
}

TDialing::TDialing() {
  GDialing = true;
}

TDialing::~TDialing() {
  GDialing = false;
}

}  // namespace cli
