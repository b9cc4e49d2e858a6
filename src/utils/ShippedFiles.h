#pragma once
// Where the programs find the files that come with them: the dictionaries and the model pictures
// (data files, kept below share/clockdiag once installed) and the libraries of the first kind of
// face-recognition terminal (kept in <libdir>/clockdiag once installed).
//
// A data file ARelative (for example "dict/en/MsgDict.edf") is looked for, in this order:
//   1. in the program's folder (ProgramDirectory): a file a user places beside the program wins;
//   2. in share/clockdiag of the folders above the executable's, the nearest first, up to three
//      levels: <prefix>/share/clockdiag for <prefix>/bin, wherever the package was unpacked, and
//      <build>/share/clockdiag, where a build folder keeps them for all of its programs;
//   3. in the share folder of the prefix the programs were built for.
// A library is looked for beside the executable (a build places the libraries beside each of its
// programs), then in <libdir>/clockdiag of the folders above it, then in that of the prefix.
#include <string>

#include "platform/ProgramFile.h"  // ExecutableDirectory

// The path of the data file ARelative, or '' when no folder holds it.
std::string ShippedDataFile(const std::string& ARelative);
// The same for a program whose folder is AProgramDirectory and whose executable lies in
// AExecutableDirectory.
std::string ShippedDataFile(const std::string& ARelative, const std::string& AProgramDirectory,
                            const std::string& AExecutableDirectory);

// The folder that holds the library AFileName, or '' when no folder holds it.
std::string ShippedLibraryFolder(const std::string& AFileName);
std::string ShippedLibraryFolder(const std::string& AFileName,
                                 const std::string& AExecutableDirectory);
