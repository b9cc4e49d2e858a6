#include "models/MiraTerminalServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <chrono>
#include <future>
#include <memory>

namespace sim {

namespace {
constexpr int kPollMs = 20;
}

MiraTerminalServer::MiraTerminalServer(MiraTerminalSettings ASettings)
    : FModel(std::move(ASettings)) {}

MiraTerminalServer::~MiraTerminalServer() {
  stop();
}

bool MiraTerminalServer::start(const std::string& AAddress, int APort) {
  stop();
  FStop = false;
  std::promise<int> listening;
  std::future<int> port = listening.get_future();
  FThread = std::thread(&MiraTerminalServer::run, this, AAddress, APort, &listening);
  const int bound = port.get();
  if (bound <= 0) {
    FThread.join();
    return false;
  }
  FAddress = AAddress;
  FPort = bound;
  return true;
}

void MiraTerminalServer::stop() {
  FStop = true;
  if (FThread.joinable()) FThread.join();
}

void MiraTerminalServer::run(std::string AAddress, int APort, std::promise<int>* AListening) {
  // The Qt objects live and die on this thread.
  QTcpServer server;
  if (!server.listen(QHostAddress(QString::fromStdString(AAddress)), static_cast<quint16>(APort))) {
    AListening->set_value(0);
    return;
  }
  AListening->set_value(server.serverPort());
  while (!FStop) {
    if (!server.waitForNewConnection(kPollMs)) continue;
    std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
    if (!socket) continue;
    ++FConnections;
    while (!FStop && socket->state() == QAbstractSocket::ConnectedState) {
      if (socket->bytesAvailable() == 0 && !socket->waitForReadyRead(kPollMs)) continue;
      const QByteArray bytes = socket->readAll();
      const auto received = std::chrono::steady_clock::now();
      ReplyPlan plan;
      {
        std::lock_guard<std::mutex> lock(FMutex);
        plan =
            FModel.receive(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
      }
      for (const TimedBytes& piece : plan) {
        std::this_thread::sleep_until(received + std::chrono::milliseconds(piece.AtMs));
        if (FStop) break;
        socket->write(piece.Bytes.data(), static_cast<qint64>(piece.Bytes.size()));
        while (socket->bytesToWrite() > 0 && socket->waitForBytesWritten(1000)) {
        }
      }
    }
    socket->abort();
    std::lock_guard<std::mutex> lock(FMutex);
    FModel.disconnected();
  }
}

}  // namespace sim
