#include "inproc/VirtualPlatform.h"

#include <QDateTime>
#include <algorithm>

#include "platform/PlatformError.h"

namespace sim {

TLocalDateTime VirtualClock::localNow() {
  const QDateTime start(QDate(Start.Year, Start.Month, Start.Day),
                        QTime(Start.Hour, Start.Minute, Start.Second, Start.Millisecond));
  const QDateTime now = start.addMSecs(static_cast<qint64>(FElapsed));
  return {now.date().year(), now.date().month(),  now.date().day(),   now.time().hour(),
          now.time().minute(), now.time().second(), now.time().msec()};
}

void SimWire::toDevice(const std::string& ABytes) {
  Written += ABytes;
  ++WriteCount;
  if (!FModel) return;
  const std::uint64_t now = FClock.elapsed();
  for (auto& piece : FModel->receive(ABytes)) {
    const std::uint64_t at = now + piece.AtMs;
    if (piece.RepeatMs > 0) {
      FStreamBytes = std::move(piece.Bytes);
      FStreamEveryMs = piece.RepeatMs;
      FStreamNext = at;
      continue;
    }
    queue(at, std::move(piece.Bytes));
  }
}

void SimWire::queue(std::uint64_t AAt, std::string ABytes) {
  // Keep the queue ordered by due time; equal times keep their order.
  auto pos = std::upper_bound(FPending.begin(), FPending.end(), AAt,
                              [](std::uint64_t t, const Due& d) { return t < d.At; });
  FPending.insert(pos, Due{AAt, std::move(ABytes), 0});
}

void SimWire::dueStream() {
  // Only what is due is queued: a stream that nobody reads costs the pieces of the time that
  // passed, never more.
  const std::uint64_t now = FClock.elapsed();
  while (FStreamEveryMs > 0 && FStreamNext <= now) {
    queue(FStreamNext, FStreamBytes);
    FStreamNext += FStreamEveryMs;
  }
}

std::string SimWire::fromDevice(int AMax) {
  dueStream();
  std::string out;
  const std::uint64_t now = FClock.elapsed();
  while (!FPending.empty() && FPending.front().At <= now &&
         static_cast<int>(out.size()) < AMax) {
    Due& d = FPending.front();
    const std::size_t take =
        std::min(d.Bytes.size() - d.Taken, static_cast<std::size_t>(AMax) - out.size());
    out.append(d.Bytes, d.Taken, take);
    d.Taken += take;
    if (d.Taken == d.Bytes.size()) FPending.pop_front();
  }
  return out;
}

std::string VirtualPlatform::timedRead(int AMax) {
  std::string bytes = Wire.fromDevice(AMax);
  if (!bytes.empty()) Clock.advance(ReadMs);
  return bytes;
}

void SimWire::waitForData(int AMs) {
  if (AMs <= 0) return;
  dueStream();
  const std::uint64_t now = FClock.elapsed();
  std::uint64_t until = now + static_cast<std::uint64_t>(AMs);
  if (FStreamEveryMs > 0) until = std::min(until, FStreamNext);
  if (!FPending.empty() && FPending.front().At > now) until = std::min(until, FPending.front().At);
  if (!FPending.empty() && FPending.front().At <= now) return;
  FClock.advance(static_cast<std::uint32_t>(until - now));
}

namespace {

class VirtualSerialPort : public ISerialPort {
 public:
  explicit VirtualSerialPort(VirtualPlatform& APlatform) : P(APlatform) {}
  std::string portName() const override { return FName; }
  void setPortName(const std::string& AName) override { FName = AName; }
  TBaudRate baudRate() const override { return FRate; }
  void setBaudRate(TBaudRate ARate) override {
    FRate = ARate;
    if (FOpen) ApplyLineSettings();
  }
  TParity parity() const override { return FParity; }
  void setParity(TParity AParity) override {
    FParity = AParity;
    if (FOpen) ApplyLineSettings();
  }
  bool evenParityRefused() const override { return FEvenParityRefused; }
  void open() override {
    if (FOpen) return;
    ++P.SerialOpenCount;
    P.SerialOpened.push_back(FName);
    if (P.SerialOpenFails) throw PlatformError("cannot open " + FName);
    FOpen = true;
    FEvenParityRefused = false;
    ApplyLineSettings();
  }
  void close() override { FOpen = false; }
  bool isOpen() const override { return FOpen; }
  void clear() override { P.Wire.fromDevice(1 << 30); }
  void write(const std::string& AData) override {
    if (!FOpen) throw PlatformError("port " + FName + " is not open");
    P.Wire.toDevice(AData);
  }
  std::string read(int AMaxCount) override {
    if (!FOpen || AMaxCount <= 0) return {};
    return P.timedRead(AMaxCount);
  }
  void abort() override {}
  void waitForData(int AMs) override { P.Wire.waitForData(AMs); }

 private:
  // The device hears the line at the parity it takes: without parity when it refuses even.
  void ApplyLineSettings() {
    const bool refused = FParity == TParity::Even && P.SerialRefusesEvenParity;
    if (refused) FEvenParityRefused = true;
    P.Wire.lineSettings(BaudRateToBits(FRate), refused ? TParity::None : FParity);
  }

  VirtualPlatform& P;
  std::string FName = "COM1";
  TBaudRate FRate = br9600;
  TParity FParity = TParity::None;
  bool FOpen = false;
  bool FEvenParityRefused = false;
};

class VirtualTcpClient : public ITcpClient {
 public:
  explicit VirtualTcpClient(VirtualPlatform& APlatform) : P(APlatform) {}
  std::string address() const override { return FAddress; }
  void setAddress(const std::string& AAddress) override { FAddress = AAddress; }
  int port() const override { return FPort; }
  void setPort(int APort) override { FPort = APort; }
  void open() override {
    FOpening = P.TcpPeerListening;
    FActive = false;
    FOpenedAt = P.Clock.elapsed();
  }
  void close() override { FActive = FOpening = false; }
  bool active() const override {
    // The connect completes once its time has come (the Qt socket needs its event processed;
    // here time alone decides).
    if (!FActive && FOpening && P.Clock.elapsed() >= FOpenedAt + P.TcpConnectDelayMs) {
      FActive = true;
      FOpening = false;
    }
    return FActive;
  }
  void send(const std::string& AData) override {
    if (active()) P.Wire.toDevice(AData);
  }
  std::string read(std::size_t AMaxBytes) override {
    const auto most = static_cast<int>(std::min<std::size_t>(AMaxBytes, 1 << 30));
    return active() ? P.timedRead(most) : std::string();
  }
  void waitForData(int AMs) override { P.Wire.waitForData(AMs); }

 private:
  VirtualPlatform& P;
  std::string FAddress;
  int FPort = 0;
  mutable bool FActive = false;
  mutable bool FOpening = false;
  std::uint64_t FOpenedAt = 0;
};

}  // namespace

std::unique_ptr<ISerialPort> VirtualPlatform::createSerialPort() {
  return std::make_unique<VirtualSerialPort>(*this);
}
std::unique_ptr<ITcpClient> VirtualPlatform::createTcpClient() {
  return std::make_unique<VirtualTcpClient>(*this);
}

}  // namespace sim
