#include "Processes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
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

RunResult Run(const std::string& AProgram, const std::vector<std::string>& AArgs,
              const std::map<std::string, std::string>& AEnv, int ATimeoutMs) {
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
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
  RunResult result;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  const long long deadline = NowMs() + ATimeoutMs;
  int open = 2;
  while (open > 0 && NowMs() < deadline) {
    if (poll(fds, 2, 100) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buf[4096];
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? result.Out : result.Err).append(buf, static_cast<std::size_t>(n));
      }
    }
  }
  for (auto& fd : fds)
    if (fd.fd >= 0) close(fd.fd);
  int status = 0;
  if (open > 0) kill(pid, SIGKILL);  // timed out
  waitpid(pid, &status, 0);
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
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
