#pragma once
// A loopback TCP server that carries one ZkTerminalModel, for tests and small tools: a thread
// with a listening socket on 127.0.0.1 that serves several connections at once, each with its
// own session, and writes every reply frame on its own, as a terminal does; at a terminal's pace
// when it is given one (setLink).
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "models/ZkTerminalModel.h"

namespace sim {

class ZkTerminalServer {
 public:
  // The model is not owned; reach it through withModel while the server runs.
  explicit ZkTerminalServer(ZkTerminalModel& AModel) : FModel(AModel) {}
  ~ZkTerminalServer() { stop(); }
  ZkTerminalServer(const ZkTerminalServer&) = delete;
  ZkTerminalServer& operator=(const ZkTerminalServer&) = delete;

  // Listens on 127.0.0.1:APort (0: any free port). False when it cannot listen.
  bool start(std::uint16_t APort = 0);
  // Closes the connection being served and the listening socket; waits for the thread.
  void stop();
  std::uint16_t port() const { return FPort; }
  // The pace of a terminal: its port carries ABitsPerSecond (0: as fast as the host goes) in
  // Ethernet segments, and it answers each request ATurnaroundMs after the replies before it
  // left. Without it (the default) replies leave at once, whole.
  void setLink(std::uint64_t ABitsPerSecond, std::uint32_t ATurnaroundMs) {
    FLinkBitsPerSecond = ABitsPerSecond;
    FTurnaroundMs = ATurnaroundMs;
  }
  int connectionsServed() const { return FConnections; }

  // Runs AFn on the model, never while the server is inside it.
  template <class F>
  auto withModel(F&& AFn) {
    std::lock_guard<std::mutex> Lock(FMutex);
    return AFn(FModel);
  }

 private:
  ZkTerminalModel& FModel;
  std::mutex FMutex;
  std::thread FThread;
  std::atomic<bool> FStop{false};
  std::atomic<std::uint16_t> FPort{0};
  std::atomic<int> FConnections{0};
  std::atomic<std::uint64_t> FLinkBitsPerSecond{0};
  std::atomic<std::uint32_t> FTurnaroundMs{0};
};

}  // namespace sim
