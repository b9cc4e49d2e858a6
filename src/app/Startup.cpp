#include "Startup.h"

#include <cstdlib>
#include <exception>

#include "AppLog.h"
#include "utils/ProgramDirectory.h"

bool RegisterOCX(const std::string& AFileName) {
  return RegisterOCX(
      AFileName, [](const std::string&) { return false; }, [] { std::_Exit(0); });
}

bool RegisterOCX(const std::string& AFileName,
                 const std::function<bool(const std::string& APath)>& ARegister,
                 const std::function<void()>& ATerminate) {
  bool result = false;
  try {
    result = ARegister(ProgramFilePath(AFileName));
  } catch (const std::exception&) {
    result = false;
    try {
      WriteLog("Error in RegisterOCX \"" + AFileName + "\" ...", "LoadError.Log", true);
    } catch (const std::exception&) {
      // Nowhere to write the log: the program ends all the same.
    }
    ATerminate();
  }
  return result;
}
