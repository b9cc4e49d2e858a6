#pragma once
// The running program's own file, and the shared libraries it loads: their file names and their
// calling convention on this system.
#include <string>

// The folder of the running executable, symbolic links resolved; "." when it cannot be told.
std::string ExecutableDirectory();

// The calling convention of libraries written for the Windows API (__stdcall there), for their
// entry points as the program declares them.
#if defined(_WIN32)
#define PLATFORM_STDCALL __stdcall
#else
#define PLATFORM_STDCALL
#endif

// The file name of the shared library ABaseName ("HwDevComm" gives "HwDevComm.dll" on Windows,
// "libHwDevComm.so" elsewhere).
std::string SharedLibraryFileName(const std::string& ABaseName);
