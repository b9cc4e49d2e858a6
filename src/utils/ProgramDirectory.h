#pragma once
// The folder "beside the program", where the dictionary files and the logs lie.
#include <string>

// The program's folder (without a trailing separator): the one set by SetProgramDirectory when
// there is one, else the folder of the running application's executable when an application
// object exists, else the current directory.
std::string ProgramDirectory();
// ADirectory '' returns to the default. Tests point the program's folder at their own files.
void SetProgramDirectory(const std::string& ADirectory);
// AName in the program's folder.
std::string ProgramFilePath(const std::string& AName);
