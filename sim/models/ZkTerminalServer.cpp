#include "models/ZkTerminalServer.h"

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <future>
#include <memory>

namespace sim {

namespace {

// How often the thread looks at the stop flag while it waits.
constexpr int kPollMs = 20;
constexpr int kWriteTimeoutMs = 2000;

bool WriteAll(QTcpSocket& ASocket, const std::string& ABytes) {
  const qint64 Size = static_cast<qint64>(ABytes.size());
  if (ASocket.write(ABytes.data(), Size) != Size) return false;
  while (ASocket.bytesToWrite() > 0) {
    if (!ASocket.waitForBytesWritten(kWriteTimeoutMs)) return false;
  }
  return true;
}

}  // namespace

bool ZkTerminalServer::start(std::uint16_t APort) {
  if (FThread.joinable()) return FPort != 0;
  FStop = false;
  // Shared with the thread: it may still be inside set_value when start() has its answer.
  auto Listening = std::make_shared<std::promise<std::uint16_t>>();
  std::future<std::uint16_t> Port = Listening->get_future();
  FThread = std::thread([this, APort, Listening] {
    QTcpServer Server;
    if (!Server.listen(QHostAddress::LocalHost, APort)) {
      Listening->set_value(0);
      return;
    }
    Listening->set_value(Server.serverPort());
    while (!FStop) {
      if (!Server.waitForNewConnection(kPollMs)) continue;
      std::unique_ptr<QTcpSocket> Socket(Server.nextPendingConnection());
      if (!Socket) continue;
      ++FConnections;
      withModel([](ZkTerminalModel& M) { M.connectionOpened(); });
      while (!FStop && Socket->state() == QAbstractSocket::ConnectedState) {
        if (Socket->bytesAvailable() == 0 && !Socket->waitForReadyRead(kPollMs)) continue;
        const QByteArray Data = Socket->readAll();
        bool Close = false;
        const ReplyPlan Plan = withModel([&](ZkTerminalModel& M) {
          ReplyPlan P =
              M.receive(std::string(Data.constData(), static_cast<std::size_t>(Data.size())));
          Close = M.closeRequested();
          return P;
        });
        bool Written = true;
        for (const TimedBytes& Piece : Plan) {
          if (Piece.AtMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(Piece.AtMs));
          Written = Written && WriteAll(*Socket, Piece.Bytes);
        }
        if (Close || !Written) break;
      }
      Socket->disconnectFromHost();
      if (Socket->state() != QAbstractSocket::UnconnectedState) Socket->waitForDisconnected(100);
      Socket->abort();
      withModel([](ZkTerminalModel& M) { M.connectionClosed(); });
    }
  });
  FPort = Port.get();
  if (FPort == 0) {
    FThread.join();
    return false;
  }
  return true;
}

void ZkTerminalServer::stop() {
  FStop = true;
  if (FThread.joinable()) FThread.join();
  FPort = 0;
}

}  // namespace sim
