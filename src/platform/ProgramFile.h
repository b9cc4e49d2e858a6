#pragma once
// The running program's own file and the names of the shared libraries it loads, as this system
// writes them.
#include <string>

// The folder of the running executable, symbolic links resolved; "." when it cannot be told.
std::string ExecutableDirectory();

// The file name of the shared library ABaseName ("HwDevComm" gives "HwDevComm.dll" on Windows,
// "libHwDevComm.so" elsewhere).
std::string SharedLibraryFileName(const std::string& ABaseName);
