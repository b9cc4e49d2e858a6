#pragma once
#include <atomic>
#include <future>
#include <mutex>
#include <string>
#include <thread>

#include "models/MiraTerminalModel.h"

namespace sim {

// A first-kind face-recognition terminal on a TCP address: a thread with a listening socket that
// hands every connection's bytes to a MiraTerminalModel and sends the reply frames back on their
// timing plan. Connections are served one after the other, as the library opens one per command.
class MiraTerminalServer {
 public:
  explicit MiraTerminalServer(MiraTerminalSettings ASettings = {});
  ~MiraTerminalServer();
  MiraTerminalServer(const MiraTerminalServer&) = delete;
  MiraTerminalServer& operator=(const MiraTerminalServer&) = delete;

  // Listens on AAddress:APort (port 0: any free port). False when the address cannot be had.
  bool start(const std::string& AAddress, int APort);
  void stop();
  const std::string& address() const { return FAddress; }
  int port() const { return FPort; }
  // Connections accepted so far.
  int connections() const { return FConnections; }

  // Runs AAction on the model while the server thread keeps off it.
  template <class F>
  auto withModel(F&& AAction) {
    std::lock_guard<std::mutex> lock(FMutex);
    return AAction(FModel);
  }

 private:
  void run(std::string AAddress, int APort, std::promise<int>* AListening);

  MiraTerminalModel FModel;
  std::mutex FMutex;
  std::thread FThread;
  std::atomic<bool> FStop{false};
  std::atomic<int> FConnections{0};
  std::string FAddress;
  int FPort = 0;
};

}  // namespace sim
