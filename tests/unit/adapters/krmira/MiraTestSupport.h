#pragma once
// Stand-ins for the vendor libraries of the first-kind terminal: a vendor whose commands are
// answered by a function of the test (often the terminal model itself, in process), and a
// temporary folder for fixture files and library folders.
#include <QByteArray>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "adapters/KRMira/HwDevLibrary.h"
#include "models/MiraTerminalModel.h"

namespace miratest {

struct TCall {
  std::string DeviceInfo;
  std::string Command;
};

class TFakeVendor : public IHwDevVendor {
 public:
  using THandler = std::function<int(const TCall& ACall, std::string& AReply)>;

  int Execute(const std::string& ADeviceInfo, const std::string& ACommand,
              std::string& AReply) override {
    Calls.push_back({ADeviceInfo, ACommand});
    AReply.clear();
    if (!Handler) return kHwDevLibraryMissing;
    const int result = Handler(Calls.back(), AReply);
    if (result != 0) AReply.clear();
    return result;
  }
  bool Base64Decode(const std::string& AText, std::string& ABytes) override {
    ABytes.clear();
    auto decoded = QByteArray::fromBase64Encoding(
        QByteArray(AText.data(), static_cast<qsizetype>(AText.size())),
        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) return false;
    ABytes.assign(decoded.decoded.constData(), static_cast<std::size_t>(decoded.decoded.size()));
    return true;
  }

  // The commands sent, in order.
  std::vector<std::string> Commands() const {
    std::vector<std::string> commands;
    for (const TCall& call : Calls) commands.push_back(call.Command);
    return commands;
  }
  int Count(const std::string& ACommandStart) const {
    int n = 0;
    for (const TCall& call : Calls) n += call.Command.rfind(ACommandStart, 0) == 0 ? 1 : 0;
    return n;
  }

  THandler Handler;
  std::vector<TCall> Calls;
};

// Answers through a terminal model, as the library and the exchange would deliver it.
inline TFakeVendor::THandler ModelHandler(sim::MiraTerminalModel& AModel) {
  return [&AModel](const TCall& ACall, std::string& AReply) {
    const hwdev::THwDevReply reply = AModel.execute(ACall.DeviceInfo, ACall.Command);
    AReply = reply.Text;
    return reply.Code;
  };
}

// Answers the device information with AInfo and the record request with ARecords.
inline TFakeVendor::THandler ScriptHandler(std::string AInfo, std::string ARecords) {
  return [AInfo, ARecords](const TCall& ACall, std::string& AReply) {
    AReply = ACall.Command == "GetDeviceInfo()" ? AInfo : ARecords;
    return 0;
  };
}

class TTempFolder {
 public:
  TTempFolder() {
    static std::atomic<int> counter{0};
    FPath =
        std::filesystem::temp_directory_path() /
        ("krmira-test-" + std::to_string(std::random_device{}()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(FPath);
  }
  ~TTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  const std::filesystem::path& path() const { return FPath; }
  std::string file(const std::string& AName, const std::string& AContent) const {
    const std::filesystem::path name = FPath / AName;
    std::ofstream(name, std::ios::binary) << AContent;
    return name.string();
  }

 private:
  std::filesystem::path FPath;
};

// Points the adapter's library lookup at AFolder for the life of the guard.
class TLibraryFolderGuard {
 public:
  explicit TLibraryFolderGuard(const std::string& AFolder) { SetHwDevLibraryFolder(AFolder); }
  ~TLibraryFolderGuard() { SetHwDevLibraryFolder(""); }
};

}  // namespace miratest
