#pragma once
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "models/DeviceModel.h"

namespace sim {

// Serves device models in real time over TCP and over a pseudo-terminal, with plain POSIX calls.
// Each transport has its own copy of the device (made by the factory), so that the line settings
// of the pseudo-terminal do not reach the TCP clients; the TCP clients share one copy, like
// several connections to one converter.
class SimServer {
 public:
  using Clock = std::chrono::steady_clock;
  using ModelFactory = std::function<std::unique_ptr<DeviceModel>()>;

  SimServer(ModelFactory AFactory, bool ATrace);
  // The pseudo-terminal's device comes from its own factory (a modem in front of the clocks).
  void setPtyFactory(ModelFactory AFactory) { FPtyFactory = std::move(AFactory); }
  ~SimServer();
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;

  // Listens on 127.0.0.1:APort (0 picks a free port); returns the port. Throws std::runtime_error.
  int listenTcp(int APort);
  // Opens a pseudo-terminal in raw mode; returns the path of its slave side. Throws
  // std::runtime_error.
  std::string openPty();
  // Ends run() when standard input reaches its end.
  void exitOnStdinEof() { FWatchStdin = true; }
  // Serves until stop() (safe from a signal handler) or the end of standard input.
  void run();
  static void stop();

  // Milliseconds since the server was made: the devices' time.
  std::uint64_t nowMs() const;

  // Trace times as microseconds of the system's monotonic clock, which every process reads
  // alike, instead of milliseconds since the start: a benchmark lines them up with its own.
  void traceMonotonicMicroseconds(bool AOn) { FTraceMonotonicUs = AOn; }

  // The copies of the device served over TCP and over the pseudo-terminal (nullptr for a
  // transport that is not served).
  DeviceModel* tcpModel() const { return FTcpModel.get(); }
  DeviceModel* ptyModel() const { return FPtyModel.get(); }

 private:
  struct Pending {
    Clock::time_point At;
    std::string Bytes;
  };
  struct Endpoint {
    int Fd = -1;
    std::string Label;
    bool Pty = false;
    DeviceModel* Model = nullptr;
    std::deque<Pending> Out;
    Clock::time_point LineFreeAt{};  // pty: when the last byte queued has left the line
    int Baud = 0;                    // pty: the speed the tool set, 0 before it is read
    int Parity = -1;                 // pty: 0 none, 1 even, -1 not read yet
    // A stream that never stops (TimedBytes::RepeatMs): StreamBytes every StreamEvery (0: none),
    // the next piece at StreamNext.
    std::string StreamBytes;
    std::chrono::milliseconds StreamEvery{0};
    Clock::time_point StreamNext{};
  };

  void acceptClient();
  void readFrom(Endpoint& AEndpoint);
  void queue(Endpoint& AEndpoint, const ReplyPlan& APlan, Clock::time_point AReceivedAt);
  // Queues the pieces of the endpoint's endless stream that are due by ANow.
  void queueStream(Endpoint& AEndpoint, Clock::time_point ANow);
  // Writes what is due; false when the endpoint is gone.
  bool flush(Endpoint& AEndpoint, Clock::time_point ANow);
  void readLineSettings(Endpoint& AEndpoint);
  void trace(const Endpoint& AEndpoint, const char* ADirection, const std::string& ABytes) const;

  ModelFactory FFactory;
  ModelFactory FPtyFactory;
  bool FTrace;
  bool FTraceMonotonicUs = false;
  bool FWatchStdin = false;
  Clock::time_point FStart;
  int FListenFd = -1;
  int FPtySlaveFd = -1;  // kept open so the master never sees a hang-up between tool sessions
  int FClientCount = 0;
  std::unique_ptr<DeviceModel> FTcpModel;
  std::unique_ptr<DeviceModel> FPtyModel;
  std::vector<std::unique_ptr<Endpoint>> FEndpoints;
};

}  // namespace sim
