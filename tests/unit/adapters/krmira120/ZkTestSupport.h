#pragma once
// Helpers of the KR-Mira120 tests: a terminal control whose answers a test sets, an in-memory
// byte stream whose terminal side a test writes, and a temporary folder for file-mode fixtures.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "adapters/KRMira120/ZkProtocol.h"
#include "adapters/KRMira120/ZkemClient.h"
#include "adapters/KRMira120/ZkemControl.h"
#include "platform/Platform.h"

namespace zktest {

inline std::string FromHex(const std::string& AText) {
  std::string Out;
  std::string Digits;
  for (char C : AText) {
    if (C == ' ') continue;
    Digits += C;
    if (Digits.size() == 2) {
      Out += static_cast<char>(std::stoi(Digits, nullptr, 16));
      Digits.clear();
    }
  }
  return Out;
}

struct LogEntry {
  std::string Enroll;
  zk::DateTime Time;
  int InOut = 0;
};

// A control with set answers that records what the adapter asks of it.
class FakeZkem : public IZkemControl {
 public:
  // ---- answers ----
  bool ConnectResult = true;
  std::string Version = "Ver 6.60 Apr 28 2015";
  bool VersionResult = true;
  zk::DateTime Time;  // all zeros: no valid date
  bool SetResult = true;
  std::vector<LogEntry> Log;
  bool ReadResult = true;
  // Reading the log raises after this many records have been handed out (-1: never).
  int ThrowAfterRecords = -1;
  // The error code stays positive after the last record (a control that never says "no more").
  bool ErrorCodeStuckPositive = false;
  bool ClearResult = true;
  // The record count the terminal gives before a clearing (-1: the records in Log).
  int StatusCount = -1;
  // Members that raise an error instead of answering.
  std::set<std::string> Throws;

  // ---- what the adapter did ----
  int Machine = 0;
  std::wstring ConnectIp;
  int ConnectPort = 0;
  int Connects = 0;
  std::vector<zk::DateTime> SetCalls;
  int Reads = 0;
  int Clears = 0;
  std::set<int> MachineNumbers;

  int MachineNumber() const override { return Machine; }
  void SetMachineNumber(int AValue) override { Machine = AValue; }

  bool Connect_Net(const std::wstring& IPAdd, int Port) override {
    Raise("Connect_Net");
    ++Connects;
    ConnectIp = IPAdd;
    ConnectPort = Port;
    return ConnectResult;
  }
  bool GetFirmwareVersion(int AMachine, std::string& AVersion) override {
    Seen(AMachine);
    Raise("GetFirmwareVersion");
    if (VersionResult) AVersion = Version;
    return VersionResult;
  }
  bool GetDeviceTime(int AMachine, int& Y, int& Mo, int& D, int& H, int& Mi, int& S) override {
    Seen(AMachine);
    Raise("GetDeviceTime");
    Y = Time.Year;
    Mo = Time.Month;
    D = Time.Day;
    H = Time.Hour;
    Mi = Time.Minute;
    S = Time.Second;
    return Time.Year != 0;
  }
  bool SetDeviceTime2(int AMachine, int Y, int Mo, int D, int H, int Mi, int S) override {
    Seen(AMachine);
    Raise("SetDeviceTime2");
    SetCalls.push_back({Y, Mo, D, H, Mi, S});
    return SetResult;
  }
  bool ReadAllGLogData(int AMachine) override {
    Seen(AMachine);
    Raise("ReadAllGLogData");
    ++Reads;
    FCursor = 0;
    FLastError = ReadResult ? kZkOk : kZkNotConnected;
    return ReadResult;
  }
  bool GetLastError(int& ACode) override {
    ACode = FLastError;
    return true;
  }
  bool SSR_GetGeneralLogData(int AMachine, std::string& AEnroll, int& /*AVerify*/, int& AInOut,
                             int& Y, int& Mo, int& D, int& H, int& Mi, int& S,
                             int& /*AWorkCode*/) override {
    Seen(AMachine);
    if (ThrowAfterRecords >= 0 && FCursor == static_cast<std::size_t>(ThrowAfterRecords)) {
      throw std::runtime_error("control failed");
    }
    if (FCursor >= Log.size()) {
      FLastError = ErrorCodeStuckPositive ? kZkOk : kZkNoData;
      return false;
    }
    const LogEntry& E = Log[FCursor++];
    AEnroll = E.Enroll;
    AInOut = E.InOut;
    Y = E.Time.Year;
    Mo = E.Time.Month;
    D = E.Time.Day;
    H = E.Time.Hour;
    Mi = E.Time.Minute;
    S = E.Time.Second;
    FLastError = kZkOk;
    return true;
  }
  bool ClearGLog(int AMachine) override {
    Seen(AMachine);
    Raise("ClearGLog");
    ++Clears;
    if (ClearResult) Log.clear();
    return ClearResult;
  }
  bool GetDeviceStatus(int AMachine, int AStatus, int& AValue) override {
    Seen(AMachine);
    Raise("GetDeviceStatus");
    if (AStatus != kZkStatusRecordCount) return false;
    AValue = StatusCount >= 0 ? StatusCount : static_cast<int>(Log.size());
    return true;
  }

 private:
  void Raise(const std::string& AMember) {
    if (Throws.count(AMember)) throw std::runtime_error(AMember + " failed");
  }
  void Seen(int AMachine) { MachineNumbers.insert(AMachine); }
  std::size_t FCursor = 0;
  int FLastError = kZkOk;
};

// An in-memory stream to a terminal that a test plays: every request frame the client sends
// goes to Answer, and the bytes it returns are what the client receives next.
class ScriptedTransport : public ITcpStream {
 public:
  struct State {
    std::function<std::string(const zk::Frame&)> Answer;
    std::vector<zk::Frame> Requests;
    bool RefuseOpen = false;
    std::function<void()> OnOpen;
    int Opens = 0;
    bool IsOpen = false;
    std::string Pending;
    // At most this many bytes per Receive (0: all that is pending).
    std::size_t PieceSize = 0;
    // When not 0: one frame per Receive, each this many ms of the platform's time after the one
    // before (a terminal that trickles its answers).
    std::uint32_t FrameGapMs = 0;
  };

  explicit ScriptedTransport(std::shared_ptr<State> AState) : FState(std::move(AState)) {}

  bool open(const std::string&, int, int) override {
    ++FState->Opens;
    FState->Pending.clear();
    FWaitedMs = 0;
    FReceiver.Clear();
    FState->IsOpen = !FState->RefuseOpen;
    if (FState->IsOpen && FState->OnOpen) FState->OnOpen();
    return FState->IsOpen;
  }
  void close() override {
    FState->IsOpen = false;
    FState->Pending.clear();
  }
  bool isOpen() const override { return FState->IsOpen; }
  bool send(const std::string& ABytes) override {
    if (!FState->IsOpen) return false;
    FReceiver.Feed(ABytes);
    zk::Frame F;
    while (FReceiver.Next(F) == zk::FrameReceiver::Status::FrameReady) {
      FState->Requests.push_back(F);
      if (FState->Answer) FState->Pending += FState->Answer(F);
    }
    return true;
  }
  std::string receive(int ATimeoutMs) override {
    ISystemClock& Clock = platform::Clock();
    if (FState->Pending.empty()) {
      Clock.sleep(static_cast<std::uint32_t>(std::clamp(ATimeoutMs, 0, 2)));
      return {};
    }
    if (FState->FrameGapMs > 0) {
      // The next frame comes once its gap has passed; a shorter wait brings nothing.
      const std::uint32_t Need = FState->FrameGapMs - std::min(FWaitedMs, FState->FrameGapMs);
      const auto Timeout = static_cast<std::uint32_t>(std::max(ATimeoutMs, 0));
      if (Need > Timeout) {
        Clock.sleep(Timeout);
        FWaitedMs += Timeout;
        return {};
      }
      Clock.sleep(Need);
      FWaitedMs = 0;
      std::uint32_t Body = 0;
      zk::ReadU32(FState->Pending, 4, Body);
      const std::string Out = FState->Pending.substr(0, zk::kPrefixSize + Body);
      FState->Pending.erase(0, Out.size());
      return Out;
    }
    const std::size_t N = FState->PieceSize == 0 ? FState->Pending.size() : FState->PieceSize;
    const std::string Out = FState->Pending.substr(0, N);
    FState->Pending.erase(0, Out.size());
    return Out;
  }

 private:
  std::shared_ptr<State> FState;
  zk::FrameReceiver FReceiver;
  std::uint32_t FWaitedMs = 0;
};

// A reply frame to ARequest from a terminal with session ASession.
inline std::string Reply(const zk::Frame& ARequest, std::uint16_t ACommand,
                         const std::string& APayload = {}, std::uint16_t ASession = 0x4242) {
  return zk::BuildFrame(ACommand, ASession, ARequest.ReplyId, APayload);
}

// A folder of its own below the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string Pattern = (std::filesystem::temp_directory_path() / "zk-test-XXXXXX").string();
    if (!mkdtemp(Pattern.data())) throw std::runtime_error("no temporary folder");
    FPath = Pattern;
  }
  ~TempDir() {
    std::error_code Ignored;
    std::filesystem::remove_all(FPath, Ignored);
  }
  std::string Write(const std::string& AName, const std::string& AContent) const {
    const std::filesystem::path P = FPath / AName;
    std::ofstream(P, std::ios::binary) << AContent;
    return P.string();
  }
  std::string PathOf(const std::string& AName) const { return (FPath / AName).string(); }

 private:
  std::filesystem::path FPath;
};

}  // namespace zktest
