#pragma once
// --trace: every exchange on the line on standard error, stamped with the time of day.
#include <iosfwd>

class TClockSet;

namespace cli {
void TraceTraffic(TClockSet& ALine, std::ostream& AOut);
}
