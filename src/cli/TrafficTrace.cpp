#include "cli/TrafficTrace.h"

#include <deque>
#include <memory>
#include <ostream>

#include "calendar/VexDateTime.h"
#include "clock/TrafficFrames.h"
#include "connections/ClockSet.h"
#include "platform/Platform.h"
#include "utils/HexText.h"

namespace cli {

namespace {
std::string TimeOfDay() {
  const TLocalDateTime now = platform::Clock().localNow();
  return PadNumber(now.Hour, 2) + ":" + PadNumber(now.Minute, 2) + ":" + PadNumber(now.Second, 2) +
         "." + PadNumber(now.Millisecond, 3);
}

// The frames of one line, each printed once it is whole with the time its first byte passed;
// what is still open is printed when the line goes.
class TTrace {
 public:
  explicit TTrace(std::ostream& AOut) : FOut(AOut) {}
  ~TTrace() { Print(FFramer.Flush()); }
  void Add(std::uint32_t ATick, TProtocol AProtocol, TTrafficDirection ADirection,
           const std::string& AData) {
    FStamps.push_back({ATick, TimeOfDay()});
    Print(FFramer.Add(AProtocol, ADirection, AData, ATick));
  }

 private:
  void Print(const std::vector<TTrafficFrame>& AFrames) {
    for (const TTrafficFrame& f : AFrames) {
      // A frame starts with a chunk after the previous frame's first: the stamps before it are
      // done with.
      std::string stamp = TimeOfDay();
      for (std::size_t i = 0; i < FStamps.size(); ++i) {
        if (FStamps[i].first != f.Tick) continue;
        stamp = FStamps[i].second;
        FStamps.erase(FStamps.begin(), FStamps.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
      FOut << stamp << (f.Direction == TTrafficDirection::Tx ? " TX " : " RX ")
           << BytesToHexText(f.Bytes) << (f.Meaning.empty() ? "" : " -- " + f.Meaning)
           << std::endl;
    }
  }
  std::ostream& FOut;
  TTrafficFramer FFramer;
  std::deque<std::pair<std::uint32_t, std::string>> FStamps;
};
}  // namespace

void TraceTraffic(TClockSet& ALine, std::ostream& AOut) {
  auto trace = std::make_shared<TTrace>(AOut);
  ALine.OnTraffic = [trace, &ALine](std::uint32_t ATick, TTrafficDirection ADir,
                                    const std::string& AData) {
    trace->Add(ATick, ALine.Protocol(), ADir, AData);
  };
}

}  // namespace cli
