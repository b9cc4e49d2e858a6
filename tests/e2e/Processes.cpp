#include "Processes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>

namespace e2e {

namespace {
std::vector<char*> Argv(const std::string& AProgram, const std::vector<std::string>& AArgs) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(AProgram.c_str()));
  for (const auto& a : AArgs) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

Started::Started(const std::string& AProgram, const std::vector<std::string>& AArgs,
                 const std::map<std::string, std::string>& AEnv) {
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe failed");
  FStartMs = NowMs();
  FPid = fork();
  if (FPid < 0) throw std::runtime_error("fork failed");
  if (FPid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]);
    close(err[0]);
    const int devnull = open("/dev/null", O_RDONLY);
    dup2(devnull, 0);
    for (const auto& [k, v] : AEnv) setenv(k.c_str(), v.c_str(), 1);
    auto argv = Argv(AProgram, AArgs);
    execv(AProgram.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  FFds[0] = out[0];
  FFds[1] = err[0];
}

Started::~Started() {
  if (!FFinished) Finish(0);
}

bool Started::Pump(int AWaitMs) {
  pollfd fds[2] = {{FFds[0], POLLIN, 0}, {FFds[1], POLLIN, 0}};
  if (FFds[0] < 0 && FFds[1] < 0) return false;
  if (poll(fds, 2, AWaitMs) <= 0) return true;
  for (int i = 0; i < 2; ++i) {
    if (FFds[i] < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
    char buf[4096];
    const ssize_t n = read(FFds[i], buf, sizeof buf);
    if (n <= 0) {
      close(FFds[i]);
      FFds[i] = -1;
    } else {
      (i == 0 ? FResult.Out : FResult.Err).append(buf, static_cast<std::size_t>(n));
    }
  }
  return FFds[0] >= 0 || FFds[1] >= 0;
}

bool Started::WaitForErr(const std::string& AText, int ATimeoutMs) {
  const long long deadline = NowMs() + ATimeoutMs;
  while (FResult.Err.find(AText) == std::string::npos) {
    if (NowMs() >= deadline || !Pump(50)) return FResult.Err.find(AText) != std::string::npos;
  }
  return true;
}

void Started::Signal(int ASignal) {
  if (FPid > 0 && !FFinished && !FReaped) kill(FPid, ASignal);
}

RunResult Started::Finish(int ATimeoutMs) {
  const long long deadline = NowMs() + ATimeoutMs;
  while (NowMs() < deadline && Pump(100)) {
  }
  const bool open = FFds[0] >= 0 || FFds[1] >= 0;
  for (int& fd : FFds)
    if (fd >= 0) close(fd), fd = -1;
  int status = 0;
  if (!FReaped) {
    if (open) kill(FPid, SIGKILL);  // timed out
    rusage usage{};
    wait4(FPid, &status, 0, &usage);
    Reap(status, usage);
  }
  FFinished = true;
  return FResult;
}

void Started::Reap(int AStatus, const rusage& AUsage) {
  FReaped = true;
  FResult.ExitCode = WIFEXITED(AStatus) ? WEXITSTATUS(AStatus) : -1;
  FResult.PeakRssKiB = AUsage.ru_maxrss;
  FResult.Ms = NowMs() - FStartMs;
}

bool Started::Ended() {
  if (FReaped) return true;
  int status = 0;
  rusage usage{};
  if (wait4(FPid, &status, WNOHANG, &usage) != FPid) return false;
  Reap(status, usage);
  return true;
}

RunResult Run(const std::string& AProgram, const std::vector<std::string>& AArgs,
              const std::map<std::string, std::string>& AEnv, int ATimeoutMs) {
  return Started(AProgram, AArgs, AEnv).Finish(ATimeoutMs);
}

Simulator::Simulator(const std::vector<std::string>& AStatements,
                     const std::vector<std::string>& AOptions) {
  std::vector<std::string> args = {"--tcp", "0", "--pty", "--exit-on-stdin-eof"};
  args.insert(args.end(), AOptions.begin(), AOptions.end());
  for (const auto& s : AStatements) {
    args.push_back("-e");
    args.push_back(s);
  }
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe failed");
  FPid = fork();
  if (FPid < 0) throw std::runtime_error("fork failed");
  if (FPid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[1]);
    close(out[0]);
    auto argv = Argv(CLOCKSIM_PATH, args);
    execv(CLOCKSIM_PATH, argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  FStdin = in[1];
  // Wait for both announcements.
  std::string text;
  const long long deadline = NowMs() + 10000;
  pollfd fd = {out[0], POLLIN, 0};
  while (NowMs() < deadline && (FTcpPort == 0 || FPtyPath.empty())) {
    if (poll(&fd, 1, 100) <= 0) continue;
    char buf[512];
    const ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    text.append(buf, static_cast<std::size_t>(n));
    std::size_t at;
    while ((at = text.find('\n')) != std::string::npos) {
      const std::string line = text.substr(0, at);
      text.erase(0, at + 1);
      const auto space = line.find(' ');
      if (space != std::string::npos) FAnnounced[line.substr(0, space)] = line.substr(space + 1);
      if (line.rfind("tcp ", 0) == 0) FTcpPort = std::stoi(line.substr(4));
      if (line.rfind("pty ", 0) == 0) FPtyPath = line.substr(4);
    }
  }
  close(out[0]);
  if (FTcpPort == 0 || FPtyPath.empty()) throw std::runtime_error("clocksim did not start");
}

Simulator::~Simulator() {
  if (FStdin >= 0) close(FStdin);
  if (FPid > 0) {
    kill(FPid, SIGTERM);
    waitpid(FPid, nullptr, 0);
  }
}

}  // namespace e2e
