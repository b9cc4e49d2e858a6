#include "platform/QtPlatform.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLockFile>
#include <QSerialPort>
#include <QTcpSocket>
#include <QThread>
#ifdef Q_OS_UNIX
#include <termios.h>
#endif

#include "platform/ComPortNames.h"
#include "platform/PlatformError.h"

namespace {

// The program that holds ADevice's lock file (the UUCP convention every serial program on the
// machine honours), as "program (pid N)"; '' when no lock names one.
std::string LockHolder(const QString& ADevice) {
  const QString name = "LCK.." + QFileInfo(ADevice).fileName();
  for (const char* dir : {"/var/lock", "/run/lock", "/etc/locks", "/var/spool/locks", "/tmp"}) {
    QLockFile lock(QString(dir) + "/" + name);
    qint64 pid = 0;
    QString host;
    QString app;
    if (lock.getLockInfo(&pid, &host, &app))
      return (app.isEmpty() ? std::string("a program") : app.toStdString()) + " (pid " +
             std::to_string(pid) + ")";
  }
  return {};
}

// Why ADevice could not be opened, and the words a user reads about it.
TPortFailure OpenFailure(const QSerialPort& APort, const QString& ADevice, std::string& AWhy) {
  const QFileInfo device(ADevice);
  if (APort.error() == QSerialPort::DeviceNotFoundError || !device.exists()) {
    AWhy = "no such device";
    return TPortFailure::Missing;
  }
  if (APort.error() == QSerialPort::PermissionError) {
    // Qt reports a lock held by another program, and a device opened exclusively, as a
    // permission error; a device we may read and write is then held by someone else.
    if (device.isReadable() && device.isWritable()) {
      const std::string holder = LockHolder(ADevice);
      AWhy = "the port is in use by " + (holder.empty() ? "another program" : holder);
      return TPortFailure::Busy;
    }
    AWhy = "permission denied";
    return TPortFailure::Denied;
  }
  AWhy = APort.errorString().toStdString();
  return TPortFailure::Other;
}

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
  QtSerialPort() {
    FPort.setPortName("COM1");
    FPort.setReadBufferSize(static_cast<qint64>(kSerialPortBufferBytes));
  }
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
    const QString device = QString::fromStdString(ComPortDevice(FName));
    FPort.setPortName(device);
    if (!FPort.open(QIODevice::ReadWrite)) {
      std::string why;
      const TPortFailure kind = OpenFailure(FPort, device, why);
      const std::string where =
          FName == device.toStdString() ? FName : FName + " (" + device.toStdString() + ")";
      throw PlatformError("cannot open " + where + ": " + why, kind);
    }
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
  QtTcpClient() { FSocket.setReadBufferSize(static_cast<qint64>(kTcpSocketBufferBytes)); }
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
  TSocketFailure failure() const override {
    if (FSocket.state() != QAbstractSocket::UnconnectedState) return TSocketFailure::None;
    switch (FSocket.error()) {
      case QAbstractSocket::UnknownSocketError:
        return TSocketFailure::None;
      case QAbstractSocket::ConnectionRefusedError:
        return TSocketFailure::Refused;
      case QAbstractSocket::HostNotFoundError:
        return TSocketFailure::HostUnknown;
      case QAbstractSocket::SocketTimeoutError:
        return TSocketFailure::Timeout;
      default:
        return TSocketFailure::Other;
    }
  }
  void send(const std::string& AData) override {
    if (!active()) return;
    FSocket.write(AData.data(), static_cast<qint64>(AData.size()));
    FSocket.flush();
  }
  std::string read(std::size_t AMaxBytes) override {
    if (!active() || AMaxBytes == 0) return {};
    if (FSocket.bytesAvailable() == 0) FSocket.waitForReadyRead(0);
    const QByteArray data = FSocket.read(static_cast<qint64>(AMaxBytes));
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
