#pragma once
// The application's error log: one line appended to a daily file in the folder "Logs" beside the
// program. Texts are UTF-8.
#include <stdexcept>
#include <string>

#include "platform/SystemClock.h"

// A log file that can be neither opened nor created.
class EInOutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The solar date of ADateTime as "YYYY/MM/DD" (the year as it stands, month and day with two
// digits). Raises EConvertError when ADateTime holds no real day.
std::string DateToSolarStr(const TLocalDateTime& ADateTime);

// The name of AFileName's log file on the day of ADateTime: AFileName, then "(YY-MM-DD)" of the
// solar date, then ".Log" (a name that already ends in ".Log" keeps it). AFileName + ".Log" when
// ADateTime holds no real day.
std::string DailyLogFileName(const std::string& AFileName, const TLocalDateTime& ADateTime);

// Appends AText (after the solar date and the time "HH:MM:SS" and " : " when ATimeStamp is set)
// and CR LF to today's log file of AFileName in the folder "Logs" beside the program, which is
// created when missing. When that folder cannot be written, the folder "Logs" in the user's data
// folder takes the file instead. Returns the path of the file written. Raises EInOutError when
// neither file can be opened; a failed write is lost silently.
std::string WriteLog(const std::string& AText, const std::string& AFileName, bool ATimeStamp);

// The folder that holds "Logs" when the program's folder cannot be written: the user's data
// folder of the application unless set here ('' returns to that).
std::string AppLogFallbackFolder();
void SetAppLogFallbackFolder(const std::string& AFolder);

// The folder AName where the program keeps what it writes (pictures of records): beside the
// program when that folder can be created and written there, else in the user's data folder
// (AppLogFallbackFolder). Created when missing; '' when neither place can take it.
std::string UserWritableFolder(const std::string& AName);
