#include "platform/StoppablePlatform.h"

class TStoppablePlatform::Clock : public ISystemClock {
 public:
  Clock(ISystemClock& AInner, const std::function<bool()>& AStopped)
      : FInner(AInner), FStopped(AStopped) {}
  // While stopped, every look at the clock finds it half the counter's range later: a wait that
  // started before the stop or after it has passed its timeout at its next look.
  bool Stopped() {
    const bool stopped = FStopped && FStopped();
    if (stopped) FOffset += kLeapMs;
    return stopped;
  }
  std::uint32_t tickCount() override {
    Stopped();
    return FInner.tickCount() + FOffset;
  }
  void sleep(std::uint32_t AMs) override {
    if (!Stopped()) FInner.sleep(AMs);
  }
  void processMessages() override { FInner.processMessages(); }
  TLocalDateTime localNow() override { return FInner.localNow(); }
  TLocalDateTime utcNow() override { return FInner.utcNow(); }

 private:
  ISystemClock& FInner;
  const std::function<bool()>& FStopped;
  std::uint32_t FOffset = 0;
};

namespace {

class StoppableSerialPort : public ISerialPort {
 public:
  StoppableSerialPort(std::unique_ptr<ISerialPort> AInner, std::function<bool()> AStopped)
      : FInner(std::move(AInner)), FStopped(std::move(AStopped)) {}
  std::string portName() const override { return FInner->portName(); }
  void setPortName(const std::string& AName) override { FInner->setPortName(AName); }
  TBaudRate baudRate() const override { return FInner->baudRate(); }
  void setBaudRate(TBaudRate ARate) override { FInner->setBaudRate(ARate); }
  TParity parity() const override { return FInner->parity(); }
  void setParity(TParity AParity) override { FInner->setParity(AParity); }
  void open() override { FInner->open(); }
  void close() override { FInner->close(); }
  bool isOpen() const override { return FInner->isOpen(); }
  void clear() override { FInner->clear(); }
  void write(const std::string& AData) override { FInner->write(AData); }
  std::string read(int AMaxCount) override { return FInner->read(AMaxCount); }
  void abort() override { FInner->abort(); }
  void waitForData(int AMs) override {
    if (!FStopped()) FInner->waitForData(AMs);
  }

 private:
  std::unique_ptr<ISerialPort> FInner;
  std::function<bool()> FStopped;
};

class StoppableTcpClient : public ITcpClient {
 public:
  StoppableTcpClient(std::unique_ptr<ITcpClient> AInner, std::function<bool()> AStopped)
      : FInner(std::move(AInner)), FStopped(std::move(AStopped)) {}
  std::string address() const override { return FInner->address(); }
  void setAddress(const std::string& AAddress) override { FInner->setAddress(AAddress); }
  int port() const override { return FInner->port(); }
  void setPort(int APort) override { FInner->setPort(APort); }
  void open() override { FInner->open(); }
  void close() override { FInner->close(); }
  bool active() const override { return FInner->active(); }
  TSocketFailure failure() const override { return FInner->failure(); }
  void send(const std::string& AData) override { FInner->send(AData); }
  std::string read(std::size_t AMaxBytes) override { return FInner->read(AMaxBytes); }
  void waitForData(int AMs) override {
    if (!FStopped()) FInner->waitForData(AMs);
  }

 private:
  std::unique_ptr<ITcpClient> FInner;
  std::function<bool()> FStopped;
};

}  // namespace

TStoppablePlatform::TStoppablePlatform(IPlatform& AInner, std::function<bool()> AStopped)
    : FInner(AInner),
      FStopped(std::move(AStopped)),
      FClock(std::make_unique<Clock>(AInner.clock(), FStopped)) {}

TStoppablePlatform::~TStoppablePlatform() = default;

ISystemClock& TStoppablePlatform::clock() {
  return *FClock;
}

std::unique_ptr<ISerialPort> TStoppablePlatform::createSerialPort() {
  return std::make_unique<StoppableSerialPort>(FInner.createSerialPort(), FStopped);
}

std::unique_ptr<ITcpClient> TStoppablePlatform::createTcpClient() {
  return std::make_unique<StoppableTcpClient>(FInner.createTcpClient(), FStopped);
}

std::unique_ptr<ITcpStream> TStoppablePlatform::createTcpStream() {
  return FInner.createTcpStream();
}
