#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliCommon.h"

// clockctl calendar DATE: prints a Gregorian date (year above 1800) as a solar date and any other
// date as Gregorian, both as YYYY/MM/DD. AArgs are the words after "calendar". Raises UsageError
// when they are not one valid date with a four-digit year.
int RunCalendarCommand(std::vector<std::string>& AArgs, const LineOptions& ALineOptions,
                       std::ostream& AOut, std::ostream& AErr);
