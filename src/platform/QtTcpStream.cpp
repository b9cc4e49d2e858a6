#include <QByteArray>
#include <QString>
#include <QTcpSocket>
#include <algorithm>

#include "platform/TcpStream.h"

namespace {

constexpr int kWriteTimeoutMs = 3000;
constexpr int kCloseWaitMs = 200;

// The most bytes the stream holds before they are taken; a peer that sends more is held back by
// the connection's flow control.
constexpr qint64 kReadBufferBytes = 256 * 1024;

class QtTcpStream : public ITcpStream {
 public:
  QtTcpStream() { FSocket.setReadBufferSize(kReadBufferBytes); }
  bool open(const std::string& AHost, int APort, int ATimeoutMs) override {
    FSocket.abort();
    FSocket.connectToHost(QString::fromStdString(AHost), static_cast<quint16>(APort));
    if (FSocket.waitForConnected(std::max(ATimeoutMs, 1))) {
      FSocket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
      return true;
    }
    FSocket.abort();
    return false;
  }

  void close() override {
    if (FSocket.state() != QAbstractSocket::UnconnectedState) {
      FSocket.disconnectFromHost();  // lets what was written go out first
      if (FSocket.state() != QAbstractSocket::UnconnectedState) {
        FSocket.waitForDisconnected(kCloseWaitMs);
      }
    }
    FSocket.abort();
  }

  bool isOpen() const override { return FSocket.state() == QAbstractSocket::ConnectedState; }

  bool send(const std::string& ABytes) override {
    if (!isOpen()) return false;
    const qint64 Size = static_cast<qint64>(ABytes.size());
    if (FSocket.write(ABytes.data(), Size) != Size) return false;
    while (FSocket.bytesToWrite() > 0) {
      if (!FSocket.waitForBytesWritten(kWriteTimeoutMs)) return false;
    }
    return true;
  }

  std::string receive(int ATimeoutMs) override {
    if (FSocket.bytesAvailable() == 0) {
      if (!isOpen()) return {};
      FSocket.waitForReadyRead(std::max(ATimeoutMs, 1));
    }
    const QByteArray Data = FSocket.read(kReadBufferBytes);
    return std::string(Data.constData(), static_cast<std::size_t>(Data.size()));
  }

 private:
  QTcpSocket FSocket;
};

}  // namespace

std::unique_ptr<ITcpStream> CreateQtTcpStream() {
  return std::make_unique<QtTcpStream>();
}
