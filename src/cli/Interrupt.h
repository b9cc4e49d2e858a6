#pragma once
// Ctrl-C and SIGTERM in clockctl. A request to stop makes the installed platform's time run out
// (every wait of the core ends at its next look at the clock) and cancels the line at work, so
// the command ends at its next safe point; the line is then closed in real time (a modem is hung
// up, the port and its lock released) and the command reports what it had done, with exit code
// 130.
#include <string>

class TClockSet;

namespace cli {

// Watches the signals and installs the stoppable platform; once, at the start of main.
void InstallInterrupts();
// Whether a request to stop has arrived.
bool Interrupted();
// The line to cancel when a request arrives (nullptr: none).
void WatchLine(TClockSet* ALine);
// The work on ALine is over: real time again for its closing steps.
void EndWork(TClockSet* ALine);
// Raises the "interrupted" failure of AWhat when a request has arrived.
void ThrowIfInterrupted(const std::string& AWhat, const std::string& APartialJson = {});

// While one lives, a request cancels the dial the modem's way (a character aborts it) instead of
// running out its time, which would leave the modem dialling.
class TDialing {
 public:
  TDialing();
  ~TDialing();
  TDialing(const TDialing&) = delete;
  TDialing& operator=(const TDialing&) = delete;
};

}  // namespace cli
