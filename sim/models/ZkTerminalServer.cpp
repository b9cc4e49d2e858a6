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

bool WriteAll(QTcpSocket& ASocket, const char* AData, std::size_t ASize) {
  const qint64 Size = static_cast<qint64>(ASize);
  if (ASocket.write(AData, Size) != Size) return false;
  while (ASocket.bytesToWrite() > 0) {
    if (!ASocket.waitForBytesWritten(kWriteTimeoutMs)) return false;
  }
  return true;
}

// The largest TCP segment on an Ethernet link.
constexpr std::size_t kSegmentBytes = 1460;

// Sends AFrame as the terminal's Ethernet port does: in segments, each when the link has carried
// the one before it. ALinkFree: when the link is free again; moved on by what is sent.
bool SendOverLink(QTcpSocket& ASocket, const std::string& AFrame, std::uint64_t ABitsPerSecond,
                  std::chrono::steady_clock::time_point& ALinkFree) {
  using namespace std::chrono;
  if (ABitsPerSecond == 0) return WriteAll(ASocket, AFrame.data(), AFrame.size());
  for (std::size_t Offset = 0; Offset < AFrame.size(); Offset += kSegmentBytes) {
    const std::size_t Piece = std::min(kSegmentBytes, AFrame.size() - Offset);
    ALinkFree = std::max(ALinkFree, steady_clock::now());
    std::this_thread::sleep_until(ALinkFree);
    if (!WriteAll(ASocket, AFrame.data() + Offset, Piece)) return false;
    ALinkFree += nanoseconds(Piece * 8 * 1000000000ULL / ABitsPerSecond);
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
          const std::vector<ReplyPlan> Requests = withModel([&](ZkTerminalModel& M) {
            M.selectConnection(Id);
            std::vector<ReplyPlan> P = M.receiveRequests(
                std::string(Data.constData(), static_cast<std::size_t>(Data.size())));
            Close = M.closeRequested();
            return P;
          });
          bool Written = true;
          auto LinkFree = std::chrono::steady_clock::now();
          for (const ReplyPlan& Plan : Requests) {
            // The terminal takes the next request once it has sent the replies before it.
            const auto Start = std::max(LinkFree, std::chrono::steady_clock::now()) +
                               std::chrono::milliseconds(FTurnaroundMs.load());
            for (const TimedBytes& Piece : Plan) {
              // A client that went away or a stop ends a slow reply too.
              if (!Written || FStop) break;
              std::this_thread::sleep_until(Start + std::chrono::milliseconds(Piece.AtMs));
              Written = SendOverLink(Socket, Piece.Bytes, FLinkBitsPerSecond, LinkFree);
            }
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
