#pragma once
// What the program does before its first window: the preparation of the vendor control that the
// second kind of face-recognition terminal is reached through.
#include <functional>
#include <string>

// Prepares the vendor control AFileName, which lies in the program's folder. On Windows the
// control is a COM server registered with the system's tool; this build reaches those terminals
// over their network protocol and has no registry, so there is nothing to prepare and the result
// is False, as for a control that could not be registered (the program starts all the same).
// The step keeps its place before the first window and its silence. An unexpected error is
// written to the log "LoadError.Log" (Error in RegisterOCX "AFileName" ...) and the process ends
// at once with exit code 0.
bool RegisterOCX(const std::string& AFileName);

// The same with the preparation and the ending of the process given: ARegister receives the
// control's full path; ATerminate is called after an unexpected error has been logged.
bool RegisterOCX(const std::string& AFileName,
                 const std::function<bool(const std::string& APath)>& ARegister,
                 const std::function<void()>& ATerminate);
