#include "platform/QtPlatform.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QTcpSocket>
#include <QThread>
#ifdef Q_OS_UNIX
#include <termios.h>
#endif

#include "platform/ComPortNames.h"
#include "platform/PlatformError.h"

namespace {

class QtSystemClock : public ISystemClock {
 public:
  QtSystemClock() { FTimer.start(); }
  std::uint32_t tickCount() override { return static_cast<std::uint32_t>(FTimer.elapsed()); }
  void sleep(std::uint32_t AMs) override { QThread::msleep(AMs); }
  void processMessages() override {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
  }
  TLocalDateTime localNow() override { return From(QDateTime::currentDateTime()); }
  TLocalDateTime utcNow() override { return From(QDateTime::currentDateTimeUtc()); }

 private:
  static TLocalDateTime From(const QDateTime& ADt) {
    const QDate d = ADt.date();
    const QTime t = ADt.time();
    return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec()};
  }
  QElapsedTimer FTimer;
};

class QtSerialPort : public ISerialPort {
 public:
  QtSerialPort() { FPort.setPortName("COM1"); }
  std::string portName() const override { return FName; }
  void setPortName(const std::string& AName) override { FName = AName; }
  TBaudRate baudRate() const override { return FRate; }
  void setBaudRate(TBaudRate ARate) override {
    FRate = ARate;
    // A pseudo-terminal or an adapter may refuse a speed; the tool keeps going either way.
    if (FPort.isOpen()) FPort.setBaudRate(BaudRateToBits(ARate));
  }
  TParity parity() const override { return FParity; }
  void setParity(TParity AParity) override {
    FParity = AParity;
    if (FPort.isOpen()) ApplyParity();
  }
  bool evenParityRefused() const override { return FEvenParityRefused; }

  void open() override {
    if (FPort.isOpen()) return;
    FPort.setPortName(QString::fromStdString(ComPortDevice(FName)));
    if (!FPort.open(QIODevice::ReadWrite))
      throw PlatformError("cannot open " + FName + " (" + ComPortDevice(FName) +
                          "): " + FPort.errorString().toStdString());
    // Settings a device does not support (parity and modem lines on a pseudo-terminal) are
    // not errors for the tool: the bytes still flow.
    FPort.setBaudRate(BaudRateToBits(FRate));
    FPort.setDataBits(QSerialPort::Data8);
    FEvenParityRefused = false;
    ApplyParity();
    FPort.setStopBits(QSerialPort::OneStop);
    FPort.setFlowControl(QSerialPort::NoFlowControl);
    FPort.setDataTerminalReady(true);
    FPort.setRequestToSend(true);
    FPort.clearError();
  }
  void close() override {
    if (FPort.isOpen()) FPort.close();
  }
  bool isOpen() const override { return FPort.isOpen(); }
  void clear() override {
    if (!FPort.isOpen()) return;
    FPort.readAll();  // bytes Qt already buffered
    FPort.clear(QSerialPort::AllDirections);
  }
  void write(const std::string& AData) override {
    if (!FPort.isOpen()) throw PlatformError("port " + FName + " is not open");
    const qint64 n = FPort.write(AData.data(), static_cast<qint64>(AData.size()));
    if (n != static_cast<qint64>(AData.size()))
      throw PlatformError("write to " + FName + " failed: " + FPort.errorString().toStdString());
    // Without an event loop the bytes would sit in Qt's buffer; push them out now.
    FPort.waitForBytesWritten(1000);
  }
  std::string read(int AMaxCount) override {
    if (!FPort.isOpen() || AMaxCount <= 0) return {};
    if (FPort.bytesAvailable() == 0) FPort.waitForReadyRead(0);
    const QByteArray data = FPort.read(AMaxCount);
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
  }
  void abort() override {
    if (FPort.isOpen()) FPort.clear(QSerialPort::AllDirections);
  }
  void waitForData(int AMs) override {
    if (FPort.isOpen() && FPort.bytesAvailable() == 0)
      FPort.waitForReadyRead(AMs);
    else if (!FPort.isOpen())
      QThread::msleep(static_cast<unsigned long>(AMs));
  }

 private:
  // Sets the parity and notes when the device did not take even parity. A device may accept the
  // setting and drop it (a pseudo-terminal clears the parity flag), so it is read back.
  void ApplyParity() {
    bool applied = FPort.setParity(ToQt(FParity));
#ifdef Q_OS_UNIX
    termios settings{};
    if (applied && FParity == TParity::Even && ::tcgetattr(FPort.handle(), &settings) == 0)
      applied = (settings.c_cflag & PARENB) != 0;
#endif
    if (FParity == TParity::Even && !applied) FEvenParityRefused = true;
  }
  static QSerialPort::Parity ToQt(TParity AParity) {
    return AParity == TParity::Even ? QSerialPort::EvenParity : QSerialPort::NoParity;
  }
  QSerialPort FPort;
  std::string FName = "COM1";
  TBaudRate FRate = br9600;
  TParity FParity = TParity::None;
  bool FEvenParityRefused = false;
};

class QtTcpClient : public ITcpClient {
 public:
  std::string address() const override { return FAddress; }
  void setAddress(const std::string& AAddress) override { FAddress = AAddress; }
  int port() const override { return FPort; }
  void setPort(int APort) override { FPort = APort; }
  void open() override {
    FSocket.abort();
    FSocket.connectToHost(QString::fromStdString(FAddress), static_cast<quint16>(FPort));
  }
  void close() override { FSocket.abort(); }
  bool active() const override { return FSocket.state() == QAbstractSocket::ConnectedState; }
  void send(const std::string& AData) override {
    if (!active()) return;
    FSocket.write(AData.data(), static_cast<qint64>(AData.size()));
    FSocket.flush();
  }
  std::string readAll() override {
    if (!active()) return {};
    if (FSocket.bytesAvailable() == 0) FSocket.waitForReadyRead(0);
    const QByteArray data = FSocket.readAll();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
  }
  void waitForData(int AMs) override {
    if (active() && FSocket.bytesAvailable() == 0)
      FSocket.waitForReadyRead(AMs);
    else if (!active())
      QThread::msleep(static_cast<unsigned long>(AMs));
  }

 private:
  QTcpSocket FSocket;
  std::string FAddress;
  int FPort = 0;
};

}  // namespace

QtPlatform::QtPlatform() : FClock(std::make_unique<QtSystemClock>()) {}
QtPlatform::~QtPlatform() = default;
ISystemClock& QtPlatform::clock() {
  return *FClock;
}
std::unique_ptr<ISerialPort> QtPlatform::createSerialPort() {
  return std::make_unique<QtSerialPort>();
}
std::unique_ptr<ITcpClient> QtPlatform::createTcpClient() {
  return std::make_unique<QtTcpClient>();
}
std::unique_ptr<ITcpStream> QtPlatform::createTcpStream() {
  return CreateQtTcpStream();
}
