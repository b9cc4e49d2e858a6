// clocksim as a program: it serves its scenario over TCP and a pseudo-terminal, paces the
// pseudo-terminal at the speed the tool set, and stops as asked. Plain POSIX on the test side.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using Ms = std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

// Reads until ACount bytes came or ATimeoutMs passed; ARead counts the reads that brought bytes.
std::string readFor(int AFd, std::size_t ACount, int ATimeoutMs, int* AReads = nullptr) {
  std::string out;
  const auto until = SteadyClock::now() + Ms(ATimeoutMs);
  while (out.size() < ACount) {
    const auto left = std::chrono::duration_cast<Ms>(until - SteadyClock::now()).count();
    if (left <= 0) break;
    pollfd p{AFd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
    char buf[256];
    const ssize_t n = read(AFd, buf, std::min(sizeof buf, ACount - out.size()));
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
    if (AReads) ++*AReads;
  }
  return out;
}

void writeAll(int AFd, const std::string& ABytes) {
  ASSERT_EQ(write(AFd, ABytes.data(), ABytes.size()), static_cast<ssize_t>(ABytes.size()));
}

// clocksim started with the given arguments; it stops when its standard input closes.
class ClockSim {
 public:
  explicit ClockSim(std::vector<std::string> AArgs) {
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) return;
    FPid = fork();
    if (FPid == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      dup2(err[1], 2);
      for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
      std::vector<char*> argv{const_cast<char*>(CLOCKSIM_PATH)};
      for (auto& a : AArgs) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(CLOCKSIM_PATH, argv.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    FIn = in[1];
    FOut = out[0];
    FErr = err[0];
  }
  ~ClockSim() {
    if (FPid > 0 && ExitCode() < 0) kill(FPid, SIGKILL);
    for (int fd : {FIn, FOut, FErr})
      if (fd >= 0) close(fd);
  }
  // The next line on its standard output ("" after 5 s without one).
  std::string line() {
    std::string l;
    for (;;) {
      const std::string ch = readFor(FOut, 1, 5000);
      if (ch.empty() || ch == "\n") return l;
      l += ch;
    }
  }
  std::string errors() { return readFor(FErr, 4096, 200); }
  void closeStdin() {
    close(FIn);
    FIn = -1;
  }
  void signal(int ASignal) { kill(FPid, ASignal); }
  // Waits up to 3 s for the program to end; its exit code, or -1 when it is still running.
  int ExitCode() {
    if (FExit >= 0) return FExit;
    if (FIn >= 0) closeStdin();
    for (int i = 0; i < 300; ++i) {
      int status = 0;
      if (waitpid(FPid, &status, WNOHANG) == FPid) {
        FExit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return FExit;
      }
      usleep(10'000);
    }
    return -1;
  }

 private:
  pid_t FPid = -1;
  int FIn = -1, FOut = -1, FErr = -1;
  int FExit = -1;
};

int connectTcp(int APort) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<std::uint16_t>(APort));
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Opens the slave side the way a serial port component does: raw, 8N1, at ASpeed.
int openSerial(const std::string& APath, speed_t ASpeed) {
  const int fd = open(APath.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return -1;
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  cfsetispeed(&t, ASpeed);
  cfsetospeed(&t, ASpeed);
  tcsetattr(fd, TCSANOW, &t);
  return fd;
}

// The RS485 frame of a command for a clock number below 10.
std::string frame(int AClock, char ACommand) {
  std::string f{static_cast<char>(AClock), static_cast<char>(AClock | 0x40),
                static_cast<char>(((ACommand - 0x20) & 0x3F) | 0x80)};
  return f + static_cast<char>(f[0] ^ f[1] ^ f[2]);
}

TEST(ClockSimTest, DefaultClockAnswersItsStatusOverTcpAndPty) {
  ClockSim sim({"--tcp", "0", "--pty", "--exit-on-stdin-eof"});
  const std::string tcp = sim.line();
  const std::string pty = sim.line();
  ASSERT_EQ(tcp.rfind("tcp ", 0), 0u) << tcp << sim.errors();
  ASSERT_EQ(pty.rfind("pty ", 0), 0u) << pty;

  const int sock = connectTcp(std::stoi(tcp.substr(4)));
  ASSERT_GE(sock, 0);
  writeAll(sock, "\x01");
  EXPECT_EQ(readFor(sock, 1, 2000), "0");
  close(sock);

  // The tool closes and opens its port between sessions: both sessions are served.
  for (int session = 0; session < 2; ++session) {
    const int port = openSerial(pty.substr(4), B9600);
    ASSERT_GE(port, 0);
    writeAll(port, "\x01");
    EXPECT_EQ(readFor(port, 1, 2000), "0") << "session " << session;
    close(port);
  }
  EXPECT_EQ(sim.ExitCode(), 0);
}

TEST(ClockSimTest, PtyRepliesArePacedAtTheSpeedTheToolSet) {
  ClockSim sim({"--pty", "--exit-on-stdin-eof"});
  const std::string pty = sim.line();
  ASSERT_EQ(pty.rfind("pty ", 0), 0u) << pty << sim.errors();
  const int port = openSerial(pty.substr(4), B1200);
  ASSERT_GE(port, 0);
  const auto start = SteadyClock::now();
  writeAll(port, "\x18");
  const std::string id = readFor(port, 26, 3000);
  const auto took = std::chrono::duration_cast<Ms>(SteadyClock::now() - start).count();
  EXPECT_EQ(id.substr(0, 13), std::string("\x01\x01\x01KR-Tal 100", 13));
  // 26 bytes of 10 bits at 1200 baud take 217 ms.
  EXPECT_GE(took, 200);
  close(port);
}

TEST(ClockSimTest, BusOverTcpAnswersOnlyTheAddressedClock) {
  ClockSim sim({"--tcp", "0", "--exit-on-stdin-eof", "-e",
                "protocol RS485; clock 1; clock 5; name KR-Tal 5; samples 1"});
  const std::string tcp = sim.line();
  ASSERT_EQ(tcp.rfind("tcp ", 0), 0u) << tcp << sim.errors();
  const int sock = connectTcp(std::stoi(tcp.substr(4)));
  ASSERT_GE(sock, 0);
  writeAll(sock, frame(5, '\x01'));
  EXPECT_EQ(readFor(sock, 6, 2000), std::string("\x01\x01\x01"
                                                "0\x0D"
                                                "0",
                                                6));
  writeAll(sock, frame(1, '\x01'));
  EXPECT_EQ(readFor(sock, 6, 2000), std::string("\x01\x01\x01"
                                                "1\x0D"
                                                "1",
                                                6));
  writeAll(sock, frame(3, '\x01'));
  EXPECT_EQ(readFor(sock, 6, 300), "");
  close(sock);
}

TEST(ClockSimTest, ByteByByteReplyArrivesInPieces) {
  ClockSim sim({"--tcp", "0", "--exit-on-stdin-eof", "-e", "misbehave bytewise 20"});
  const std::string tcp = sim.line();
  ASSERT_EQ(tcp.rfind("tcp ", 0), 0u) << tcp << sim.errors();
  const int sock = connectTcp(std::stoi(tcp.substr(4)));
  ASSERT_GE(sock, 0);
  const auto start = SteadyClock::now();
  writeAll(sock, "\x05");
  int reads = 0;
  const std::string reply = readFor(sock, 18, 3000, &reads);
  const auto took = std::chrono::duration_cast<Ms>(SteadyClock::now() - start).count();
  EXPECT_EQ(reply.size(), 18u);
  EXPECT_GE(took, 17 * 20 - 20);
  EXPECT_GT(reads, 5);
  close(sock);
}

TEST(ClockSimTest, StopsOnSigterm) {
  ClockSim sim({"--tcp", "0"});
  ASSERT_EQ(sim.line().rfind("tcp ", 0), 0u);
  sim.signal(SIGTERM);
  EXPECT_EQ(sim.ExitCode(), 0);
}

TEST(ClockSimTest, BadScenarioIsAUsageError) {
  ClockSim sim({"--tcp", "0", "-e", "clock 1; record 1 1403/13/01 10:00"});
  EXPECT_EQ(sim.ExitCode(), 2);
  EXPECT_NE(sim.errors().find("-e #1:1 (statement 2)"), std::string::npos);
}

}  // namespace
