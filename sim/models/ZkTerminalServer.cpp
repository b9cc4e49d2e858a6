#include "models/ZkTerminalServer.h"

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <future>
#include <vector>
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
    struct Connection {
      int Id;
      std::unique_ptr<QTcpSocket> Socket;
    };
    std::vector<Connection> Open;
    int NextId = 1;
    while (!FStop) {
      // A terminal takes a new connection while others are open.
      if (Server.waitForNewConnection(Open.empty() ? kPollMs : 0)) {
        std::unique_ptr<QTcpSocket> Socket(Server.nextPendingConnection());
        if (Socket) {
          // Each reply frame leaves in a segment of its own, not held back to be merged.
          Socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
          ++FConnections;
          const int Id = NextId++;
          withModel([Id](ZkTerminalModel& M) { M.connectionOpened(Id); });
          Open.push_back({Id, std::move(Socket)});
        }
      }
      for (auto It = Open.begin(); It != Open.end();) {
        QTcpSocket& Socket = *It->Socket;
        const int Id = It->Id;
        bool Keep = Socket.state() == QAbstractSocket::ConnectedState;
        const int WaitMs = std::max(1, kPollMs / static_cast<int>(Open.size()));
        if (Keep && (Socket.bytesAvailable() > 0 || Socket.waitForReadyRead(WaitMs))) {
          const QByteArray Data = Socket.readAll();
          bool Close = false;
          const ReplyPlan Plan = withModel([&](ZkTerminalModel& M) {
            M.selectConnection(Id);
            ReplyPlan P =
                M.receive(std::string(Data.constData(), static_cast<std::size_t>(Data.size())));
            Close = M.closeRequested();
            return P;
          });
          bool Written = true;
          const auto Received = std::chrono::steady_clock::now();
          for (const TimedBytes& Piece : Plan) {
            // A client that went away or a stop ends a slow reply too.
            if (!Written || FStop) break;
            std::this_thread::sleep_until(Received + std::chrono::milliseconds(Piece.AtMs));
            Written = WriteAll(Socket, Piece.Bytes);
          }
          Keep = !Close && Written && Socket.state() == QAbstractSocket::ConnectedState;
        }
        if (Keep) {
          ++It;
          continue;
        }
        Socket.disconnectFromHost();
        if (Socket.state() != QAbstractSocket::UnconnectedState) Socket.waitForDisconnected(100);
        Socket.abort();
        withModel([Id](ZkTerminalModel& M) { M.connectionClosed(Id); });
        It = Open.erase(It);
      }
    }
    for (Connection& C : Open) {
      C.Socket->abort();
      withModel([Id = C.Id](ZkTerminalModel& M) { M.connectionClosed(Id); });
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
