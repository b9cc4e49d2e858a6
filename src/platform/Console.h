#pragma once
// The program's console.
namespace platform {
// Whether standard error goes to a terminal (a person is watching) rather than a file or pipe.
bool StandardErrorIsTerminal();
}  // namespace platform
