#pragma once
// Files the programs read at start (the dictionaries beside the program). Such a file is read only
// when it is a regular file (a link is followed to what it names) of a bounded size: a FIFO would
// block the program for ever, a device such as /dev/zero would never end, and a huge file would
// take the memory and the time of a real start.
#include <cstdint>
#include <functional>
#include <string>

// The largest file read at start: a real dictionary holds a few hundred short lines (tens of KB).
constexpr std::uintmax_t kStartupFileMaxBytes = 4u * 1024u * 1024u;

enum class TStartupFileResult { Read, Missing, Refused };

// Reads APath into ABytes when it is a regular file of at most AMaxBytes. Missing: nothing is
// there (no reason). Refused: AReason says why (not a regular file, too large, unreadable) and
// ABytes is empty.
TStartupFileResult ReadStartupFile(const std::string& APath, std::string& ABytes,
                                   std::string& AReason,
                                   std::uintmax_t AMaxBytes = kStartupFileMaxBytes);

// Where the reasons for refused files go: standard error unless a program sets its own log
// (the window writes them to "LoadError.Log"); an empty function returns to standard error.
void SetStartupFileLog(std::function<void(const std::string& AReason)> ALog);
void LogRefusedStartupFile(const std::string& AReason);
