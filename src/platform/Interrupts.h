#pragma once
// Requests to stop from outside the program (Ctrl-C, SIGTERM from a service manager), seen as a
// flag that the program polls at its safe points. Nothing else happens when one arrives.
namespace platform {

// Starts watching. A second request after the first ends the program at once, as it would
// without watching.
void WatchInterrupts();
// Whether a request has arrived since WatchInterrupts.
bool InterruptRequested();
// The name of the request that arrived ("SIGINT", "SIGTERM"); "" before one has.
const char* InterruptName();

}  // namespace platform
