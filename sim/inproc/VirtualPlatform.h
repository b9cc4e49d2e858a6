#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "models/DeviceModel.h"
#include "platform/Platform.h"

namespace sim {

// A clock whose sleep advances time instantly: a 7000 ms timeout costs no real time.
class VirtualClock : public ISystemClock {
 public:
  explicit VirtualClock(std::uint32_t AStartTick = 1000) : FTick(AStartTick) {}
  std::uint32_t tickCount() override { return FTick; }
  void sleep(std::uint32_t AMs) override { advance(AMs); }
  void processMessages() override {
    ++FProcessCount;
    if (OnProcessMessages) OnProcessMessages();
  }
  TLocalDateTime localNow() override;
  TLocalDateTime utcNow() override { return localNow(); }

  void advance(std::uint32_t AMs) {
    FTick += AMs;  // wraps at 2^32 like the real counter
    FElapsed += AMs;
  }
  std::uint64_t elapsed() const { return FElapsed; }
  int processCount() const { return FProcessCount; }
  // Local date and time at elapsed() == 0.
  TLocalDateTime Start{2026, 12, 9, 10, 30, 0, 0};
  // Runs inside every processMessages, as a user action would inside a wait.
  std::function<void()> OnProcessMessages;

 private:
  std::uint32_t FTick;
  std::uint64_t FElapsed = 0;
  int FProcessCount = 0;
};

// The wire between the tool's port and one device model, in virtual time. What the tool writes
// goes to the model at once; the model's reply bytes become readable when their time has come.
class SimWire {
 public:
  SimWire(VirtualClock& AClock, DeviceModel* AModel) : FClock(AClock), FModel(AModel) {}
  void setModel(DeviceModel* AModel) { FModel = AModel; }
  void toDevice(const std::string& ABytes);
  // At most AMax bytes that are due by now.
  std::string fromDevice(int AMax);
  // Drops the bytes not yet read, and a stream that never stops (TimedBytes::RepeatMs).
  void clearPending() {
    FPending.clear();
    FStreamEveryMs = 0;
  }
  // Spends at most AMs of virtual time, less when bytes become due sooner.
  void waitForData(int AMs);
  void lineSettings(int ABaud, TParity AParity) {
    if (FModel) FModel->lineSettings(ABaud, AParity);
  }
  // Everything the tool wrote, in order (for assertions on traffic).
  std::string Written;
  int WriteCount = 0;

 private:
  struct Due {
    std::uint64_t At;
    std::string Bytes;
    std::size_t Taken = 0;  // bytes already read (long replies are read a byte at a time)
  };
  // Queues the pieces of the device's endless stream that are due by now.
  void dueStream();
  void queue(std::uint64_t AAt, std::string ABytes);
  VirtualClock& FClock;
  DeviceModel* FModel;
  std::deque<Due> FPending;
  // The endless stream: FStreamBytes every FStreamEveryMs (0: none), the next at FStreamNext.
  std::string FStreamBytes;
  std::uint32_t FStreamEveryMs = 0;
  std::uint64_t FStreamNext = 0;
};

// The platform that tests install: a virtual clock, serial ports and sockets wired to models.
// Every port created while a wire is set talks to that wire.
class VirtualPlatform : public IPlatform {
 public:
  explicit VirtualPlatform(std::uint32_t AStartTick = 1000)
      : Clock(AStartTick), Wire(Clock, nullptr) {}
  ISystemClock& clock() override { return Clock; }
  std::unique_ptr<ISerialPort> createSerialPort() override;
  std::unique_ptr<ITcpClient> createTcpClient() override;
  // The face terminals' blocking stream stays real: their simulated terminals listen on loopback
  // (sim/models/ZkTerminalServer) and answer in real time.
  std::unique_ptr<ITcpStream> createTcpStream() override { return CreateQtTcpStream(); }

  VirtualClock Clock;
  SimWire Wire;
  // Socket behaviour: whether a connect succeeds, and after how much virtual time.
  bool TcpPeerListening = true;
  std::uint32_t TcpConnectDelayMs = 5;
  // Serial behaviour: open fails (a missing device).
  bool SerialOpenFails = false;
  int SerialOpenCount = 0;
  // The device keeps the line without parity when even parity is asked (a pseudo-terminal).
  bool SerialRefusesEvenParity = false;
  // The port name of every open, in order.
  std::vector<std::string> SerialOpened;
  // Virtual milliseconds that a read which brings bytes takes (serial port and socket). With a
  // device that never stops sending, every read then finds bytes, as on a line that is never
  // idle; 0 (the default): reads take no time.
  std::uint32_t ReadMs = 0;
  // At most AMax bytes from the wire, taking ReadMs when there were any.
  std::string timedRead(int AMax);
};

// Installs a VirtualPlatform for the lifetime of the object.
class ScopedVirtualPlatform {
 public:
  explicit ScopedVirtualPlatform(std::uint32_t AStartTick = 1000) : P(AStartTick) {
    platform::Install(&P);
  }
  ~ScopedVirtualPlatform() { platform::Install(nullptr); }
  VirtualPlatform P;
};

}  // namespace sim
