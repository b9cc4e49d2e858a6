#include "server/SimServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace sim {

namespace {

// Written by stop(), read by run(): a signal only writes a byte.
int gStopPipe[2] = {-1, -1};

std::runtime_error systemError(const std::string& AWhat) {
  return std::runtime_error(AWhat + ": " + std::strerror(errno));
}

void setNonBlocking(int AFd) {
  const int flags = fcntl(AFd, F_GETFL, 0);
  if (flags >= 0) fcntl(AFd, F_SETFL, flags | O_NONBLOCK);
}

int speedToBits(speed_t ASpeed) {
  struct Pair {
    speed_t Speed;
    int Bits;
  };
  static const Pair kSpeeds[] = {
      {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
      {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
      {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
      {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
  };
  for (const auto& p : kSpeeds)
    if (p.Speed == ASpeed) return p.Bits;
  return 0;
}

std::string hex(const std::string& ABytes) {
  std::string out;
  char buf[4];
  for (char ch : ABytes) {
    std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned char>(ch));
    if (!out.empty()) out += ' ';
    out += buf;
  }
  return out;
}

}  // namespace

SimServer::SimServer(ModelFactory AFactory, bool ATrace)
    : FFactory(std::move(AFactory)), FTrace(ATrace), FStart(Clock::now()) {
  if (gStopPipe[0] < 0 && pipe(gStopPipe) == 0) {
    setNonBlocking(gStopPipe[0]);
    setNonBlocking(gStopPipe[1]);
  }
}

SimServer::~SimServer() {
  for (auto& e : FEndpoints)
    if (e->Fd >= 0) close(e->Fd);
  if (FListenFd >= 0) close(FListenFd);
  if (FPtySlaveFd >= 0) close(FPtySlaveFd);
}

void SimServer::stop() {
  if (gStopPipe[1] >= 0) {
    const char b = 1;
    [[maybe_unused]] const auto n = write(gStopPipe[1], &b, 1);
  }
}

std::uint64_t SimServer::nowMs() const {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - FStart).count());
}

int SimServer::listenTcp(int APort) {
  FListenFd = socket(AF_INET, SOCK_STREAM, 0);
  if (FListenFd < 0) throw systemError("socket");
  const int one = 1;
  setsockopt(FListenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<std::uint16_t>(APort));
  if (bind(FListenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0)
    throw systemError("cannot listen on TCP port " + std::to_string(APort));
  if (listen(FListenFd, 8) < 0) throw systemError("listen");
  setNonBlocking(FListenFd);
  socklen_t len = sizeof addr;
  getsockname(FListenFd, reinterpret_cast<sockaddr*>(&addr), &len);
  FTcpModel = FFactory();
  return ntohs(addr.sin_port);
}

std::string SimServer::openPty() {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0) throw systemError("posix_openpt");
  if (grantpt(master) < 0 || unlockpt(master) < 0) {
    close(master);
    throw systemError("grantpt/unlockpt");
  }
  const char* name = ptsname(master);
  if (!name) {
    close(master);
    throw systemError("ptsname");
  }
  const std::string path = name;
  // Raw bytes both ways before the tool comes: no echo, no line editing, no CR/LF changes.
  // On Linux the master's termios calls act on the slave side.
  termios t{};
  if (tcgetattr(master, &t) == 0) {
    cfmakeraw(&t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(master, TCSANOW, &t);
  }
  // Keep the slave open ourselves: without it, every close of the tool's port leaves the master
  // with a hang-up that poll reports until the tool opens the port again.
  FPtySlaveFd = open(path.c_str(), O_RDWR | O_NOCTTY);
  setNonBlocking(master);
  FPtyModel = FPtyFactory ? FPtyFactory() : FFactory();
  auto e = std::make_unique<Endpoint>();
  e->Fd = master;
  e->Label = "pty";
  e->Pty = true;
  e->Model = FPtyModel.get();
  FEndpoints.push_back(std::move(e));
  return path;
}

void SimServer::trace(const Endpoint& AEndpoint, const char* ADirection,
                      const std::string& ABytes) const {
  if (!FTrace) return;
  const auto time =
      FTraceMonotonicUs
          ? static_cast<unsigned long long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                Clock::now().time_since_epoch())
                                                .count())
          : static_cast<unsigned long long>(nowMs());
  std::fprintf(stderr, "%llu %s %s %s\n", time, AEndpoint.Label.c_str(), ADirection,
               hex(ABytes).c_str());
  std::fflush(stderr);
}

void SimServer::acceptClient() {
  const int fd = accept(FListenFd, nullptr, nullptr);
  if (fd < 0) return;
  setNonBlocking(fd);
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  auto e = std::make_unique<Endpoint>();
  e->Fd = fd;
  e->Label = "tcp#" + std::to_string(++FClientCount);
  e->Model = FTcpModel.get();
  if (FTrace) {
    std::fprintf(stderr, "%llu %s connected\n", static_cast<unsigned long long>(nowMs()),
                 e->Label.c_str());
    std::fflush(stderr);
  }
  FEndpoints.push_back(std::move(e));
}

void SimServer::readLineSettings(Endpoint& AEndpoint) {
  termios t{};
  if (tcgetattr(AEndpoint.Fd, &t) != 0) return;
  const int baud = speedToBits(cfgetospeed(&t));
  const int parity = (t.c_cflag & PARENB) ? 1 : 0;
  if (baud == AEndpoint.Baud && parity == AEndpoint.Parity) return;
  AEndpoint.Baud = baud;
  AEndpoint.Parity = parity;
  if (FTrace) {
    std::fprintf(stderr, "%llu pty line %d baud, parity %s\n",
                 static_cast<unsigned long long>(nowMs()), baud, parity ? "even" : "none");
    std::fflush(stderr);
  }
  AEndpoint.Model->lineSettings(baud, parity ? TParity::Even : TParity::None);
}

void SimServer::queue(Endpoint& AEndpoint, const ReplyPlan& APlan, Clock::time_point AReceivedAt) {
  for (const auto& piece : APlan) {
    const auto due = AReceivedAt + std::chrono::milliseconds(piece.AtMs);
    if (piece.RepeatMs > 0) {
      AEndpoint.StreamBytes = piece.Bytes;
      AEndpoint.StreamEvery = std::chrono::milliseconds(piece.RepeatMs);
      AEndpoint.StreamNext = due;
      continue;
    }
    if (!AEndpoint.Pty) {
      AEndpoint.Out.push_back({due, piece.Bytes});
      continue;
    }
    // A serial line carries a byte in 10 bit times (start, 8 data bits, stop): each byte leaves
    // when the line is free and its time has come.
    const int baud = AEndpoint.Baud > 0 ? AEndpoint.Baud : 9600;
    const auto byteTime = std::chrono::microseconds(10'000'000 / baud);
    for (char ch : piece.Bytes) {
      const auto at = std::max(due, AEndpoint.LineFreeAt);
      AEndpoint.LineFreeAt = at + byteTime;
      AEndpoint.Out.push_back({at, std::string(1, ch)});
    }
  }
  // Pieces of several commands may interleave in time: keep the queue ordered (stable).
  std::stable_sort(AEndpoint.Out.begin(), AEndpoint.Out.end(),
                   [](const Pending& a, const Pending& b) { return a.At < b.At; });
}

void SimServer::queueStream(Endpoint& AEndpoint, Clock::time_point ANow) {
  // One piece at a time, and on a serial line only once the line is free again: a stream
  // nobody reads costs the server no memory (on TCP the client's flow control holds it back).
  if (AEndpoint.StreamEvery.count() == 0 || AEndpoint.StreamNext > ANow) return;
  if (AEndpoint.Pty && AEndpoint.LineFreeAt > ANow) return;
  queue(AEndpoint, {TimedBytes{0, AEndpoint.StreamBytes}}, ANow);
  AEndpoint.StreamNext = std::max(AEndpoint.StreamNext + AEndpoint.StreamEvery, ANow);
}

void SimServer::readFrom(Endpoint& AEndpoint) {
  char buf[4096];
  const ssize_t n = read(AEndpoint.Fd, buf, sizeof buf);
  if (n <= 0) {
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (AEndpoint.Pty) return;  // EIO while no slave is open: nothing to read
    if (FTrace) {
      std::fprintf(stderr, "%llu %s closed\n", static_cast<unsigned long long>(nowMs()),
                   AEndpoint.Label.c_str());
      std::fflush(stderr);
    }
    close(AEndpoint.Fd);
    AEndpoint.Fd = -1;
    return;
  }
  const auto receivedAt = Clock::now();
  const std::string bytes(buf, static_cast<std::size_t>(n));
  if (AEndpoint.Pty) readLineSettings(AEndpoint);
  trace(AEndpoint, "RX", bytes);
  queue(AEndpoint, AEndpoint.Model->receive(bytes), receivedAt);
}

bool SimServer::flush(Endpoint& AEndpoint, Clock::time_point ANow) {
  std::string due;
  while (!AEndpoint.Out.empty() && AEndpoint.Out.front().At <= ANow) {
    due += AEndpoint.Out.front().Bytes;
    AEndpoint.Out.pop_front();
  }
  if (due.empty() || AEndpoint.Fd < 0) return AEndpoint.Fd >= 0;
  trace(AEndpoint, "TX", due);
  std::size_t done = 0;
  while (done < due.size()) {
    const ssize_t n = AEndpoint.Pty
                          ? write(AEndpoint.Fd, due.data() + done, due.size() - done)
                          : send(AEndpoint.Fd, due.data() + done, due.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (AEndpoint.Pty) {
      break;  // nobody reads the slave and its buffer is full: the bytes are lost, as on a wire
    } else if (errno == EAGAIN) {
      // The client does not read: wait for it a little rather than lose reply bytes.
      pollfd p{AEndpoint.Fd, POLLOUT, 0};
      if (poll(&p, 1, 100) <= 0) break;
    } else {
      close(AEndpoint.Fd);
      AEndpoint.Fd = -1;
      return false;
    }
  }
  return true;
}

void SimServer::run() {
  for (;;) {
    std::vector<pollfd> fds;
    fds.push_back({gStopPipe[0], POLLIN, 0});
    if (FWatchStdin) fds.push_back({STDIN_FILENO, POLLIN, 0});
    const std::size_t listenAt = fds.size();
    if (FListenFd >= 0) fds.push_back({FListenFd, POLLIN, 0});
    const std::size_t endpointsAt = fds.size();
    for (auto& e : FEndpoints) fds.push_back({e->Fd, POLLIN, 0});

    // Sleep until the next reply byte is due, or until something arrives.
    int timeout = -1;
    const auto now = Clock::now();
    for (auto& e : FEndpoints) {
      const auto wake = [&](Clock::time_point AAt) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(AAt - now);
        const int ms = static_cast<int>(std::max<std::int64_t>(0, wait.count()));
        timeout = timeout < 0 ? ms : std::min(timeout, ms);
      };
      if (!e->Out.empty()) wake(e->Out.front().At);
      if (e->StreamEvery.count() > 0)
        wake(e->Pty ? std::max(e->StreamNext, e->LineFreeAt) : e->StreamNext);
    }
    const int ready = poll(fds.data(), fds.size(), timeout);
    if (ready < 0 && errno != EINTR) throw systemError("poll");

    if (fds[0].revents & POLLIN) return;
    if (FWatchStdin && fds[1].revents) {
      char buf[256];
      const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
      if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) return;
    }
    if (FListenFd >= 0 && (fds[listenAt].revents & POLLIN)) acceptClient();
    // Only the endpoints polled in this round have an entry in fds: a client accepted just now
    // comes last and is read in the next round.
    const std::size_t count = fds.size() - endpointsAt;
    for (std::size_t i = 0; i < count; ++i) {
      auto& e = *FEndpoints[i];
      const short rev = fds[endpointsAt + i].revents;
      if (rev & POLLIN) {
        readFrom(e);
      } else if ((rev & (POLLHUP | POLLERR)) && !e.Pty) {
        readFrom(e);  // reads the end of the stream and closes
      } else if ((rev & POLLHUP) && e.Pty) {
        // No slave open at all (ours failed to open): do not spin on the hang-up.
        poll(nullptr, 0, 20);
      }
    }
    const auto after = Clock::now();
    for (auto& e : FEndpoints) {
      queueStream(*e, after);
      flush(*e, after);
    }
    FEndpoints.erase(std::remove_if(FEndpoints.begin(), FEndpoints.end(),
                                    [](const auto& e) { return e->Fd < 0; }),
                     FEndpoints.end());
  }
}

}  // namespace sim
