#pragma once
#include <ostream>
#include <string>
#include <vector>

// clockctl calendar DATE: prints a Gregorian date (year above 1800) as a solar date and any other
// date as Gregorian, both as YYYY/MM/DD. AArgs are the words after "calendar". Returns 0, or 2 with
// a message on AErr when the arguments are not one valid date.
int RunCalendarCommand(const std::vector<std::string>& AArgs, std::ostream& AOut,
                       std::ostream& AErr);
