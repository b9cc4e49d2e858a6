#pragma once
// Starting clocksim and running clockctl from tests, with real processes, pipes and time.
#include <sys/resource.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace e2e {

struct RunResult {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
  // The program's peak resident memory in KiB (from the system's account of the ended child),
  // and how long it ran in milliseconds.
  long PeakRssKiB = -1;
  long long Ms = 0;
};

// Runs AProgram with AArgs and the extra environment AEnv; waits at most ATimeoutMs.
RunResult Run(const std::string& AProgram, const std::vector<std::string>& AArgs,
              const std::map<std::string, std::string>& AEnv = {}, int ATimeoutMs = 30000);

// A program running in the background with its output on pipes, for tests that act on it while
// it runs (a signal, a second program on the same port).
class Started {
 public:
  Started(const std::string& AProgram, const std::vector<std::string>& AArgs,
          const std::map<std::string, std::string>& AEnv = {});
  ~Started();
  Started(const Started&) = delete;
  Started& operator=(const Started&) = delete;
  // Reads its output until its standard error holds AText; false when ATimeoutMs pass first or
  // the program ends without it.
  bool WaitForErr(const std::string& AText, int ATimeoutMs);
  void Signal(int ASignal);
  // Reads the rest of its output and waits for its end (killed after ATimeoutMs).
  RunResult Finish(int ATimeoutMs);
  // Without waiting: true once the program has ended (its time and memory are then taken, for
  // programs that run side by side; Finish still reads its output). Its output must fit the
  // pipes meanwhile.
  bool Ended();

 private:
  // Reads what arrived within AWaitMs; false once both pipes are closed.
  bool Pump(int AWaitMs);
  // Takes the ended child's exit code, peak memory and time.
  void Reap(int AStatus, const rusage& AUsage);
  pid_t FPid = -1;
  bool FReaped = false;
  long long FStartMs = 0;
  int FFds[2] = {-1, -1};
  RunResult FResult;
  bool FFinished = false;
};

inline RunResult Clockctl(const std::vector<std::string>& AArgs,
                          const std::map<std::string, std::string>& AEnv = {}) {
  return Run(CLOCKCTL_PATH, AArgs, AEnv);
}

// A clocksim serving a scenario over TCP and a pseudo-terminal until the object goes away.
class Simulator {
 public:
  // AStatements: scenario statements; AOptions: further clocksim options (--modem ...).
  explicit Simulator(const std::vector<std::string>& AStatements = {},
                     const std::vector<std::string>& AOptions = {});
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  int tcpPort() const { return FTcpPort; }
  const std::string& ptyPath() const { return FPtyPath; }
  std::string tcpAddress() const { return "127.0.0.1:" + std::to_string(FTcpPort); }
  // What clocksim announced before the TCP port and the pseudo-terminal, by its first word
  // ("mira" gives "127.0.0.2:9922", "zk" a port); '' when it announced no such line.
  std::string announced(const std::string& AWord) const {
    const auto it = FAnnounced.find(AWord);
    return it == FAnnounced.end() ? std::string() : it->second;
  }

 private:
  pid_t FPid = -1;
  int FStdin = -1;
  int FTcpPort = 0;
  std::string FPtyPath;
  std::map<std::string, std::string> FAnnounced;
};

}  // namespace e2e
