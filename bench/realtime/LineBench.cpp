// linebench: the real-time measurements of the tool, against clocksim on a pseudo-terminal and
// on loopback TCP, and against the simulator's second face terminal on loopback; printed as one
// table together with the pure-function benchmarks (clockdiag_bench's JSON output).
//
//   linebench [--pure FILE.json] [--skip-scan]
//   linebench --zk-download PORT    (the bare download of the whole-log comparison, on its own)
//
// Each measurement states what it compares with:
// - reply seen: from the simulator writing a reply's last byte (its trace, in microseconds of
//   the monotonic clock that every process shares) to the command exchange returning it;
// - CPU of a silent wait: process CPU time over one text exchange that waits its whole 7000 ms;
// - overhead per exchange: the exchange's time less what the protocol and the wire impose: the
//   2 ms pause after writing (at 57600 baud a text command also goes a byte at a time, 20 ms
//   after each), overlapped with the reply's time on the paced line (a byte every 10 bit times,
//   as the simulator sends them: the last of n bytes leaves n - 1 byte times after the first);
// - empty bus scan: DetectClocks with the KR-Tal search on a silent line against its schedule:
//   33 probes (the single-clock probe and clock numbers 1 to 32), each of three status tries at
//   normal and three at even parity, a try being the 2 ms pause, the 300 ms detection timeout
//   and the 500 ms pause;
// - quick scan: the same scan with the quick detection, as a share of the default scan's time;
// - many lines: four silent TCP lines checked by clockctl --lines, against one line's scan;
// - dump: records per second read and acknowledged, against the rate the line allows (per
//   record a status query, the record request and the acknowledgement, each as above);
// - face-terminal log download: records per second through the KR-Mira120 adapter;
// - whole-log dump to CSV: `clockctl dump --all --out FILE.csv` of 20,000 records from
//   clocksim's KR-Mira120 terminal, against the bare download of the same log by a program of
//   its own (this one with --zk-download: connect, read the whole log, hand out every record),
//   both as processes started from here, in the same run.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "adapters/KRMira120/KRMira120.h"
#include "adapters/KRMira120/ZkemClient.h"
#include "connections/ClockSet.h"
#include "models/ZkTerminalModel.h"
#include "models/ZkTerminalServer.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

long long NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             SteadyClock::now().time_since_epoch())
      .count();
}

double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

std::string Format(const char* AFormat, double AValue) {
  char buf[64];
  std::snprintf(buf, sizeof buf, AFormat, AValue);
  return buf;
}

struct Row {
  std::string Name;
  std::string Result;
  std::string Target;
  std::string Met;  // "yes", "no" or "" (no target)
};
std::vector<Row> gRows;

void Add(std::string AName, std::string AResult, std::string ATarget = "", int AMet = -1) {
  std::fprintf(stderr, "linebench: %s: %s\n", AName.c_str(), AResult.c_str());
  gRows.push_back({std::move(AName), std::move(AResult), std::move(ATarget),
                   AMet < 0 ? ""
                   : AMet   ? "yes"
                            : "no"});
}

double Percentile(std::vector<double> AValues, double AP) {
  if (AValues.empty()) return 0;
  std::sort(AValues.begin(), AValues.end());
  const auto index =
      static_cast<std::size_t>(AP / 100.0 * static_cast<double>(AValues.size() - 1) + 0.5);
  return AValues[std::min(index, AValues.size() - 1)];
}

// clocksim as a child process: its announcements on standard output, its trace in a file.
class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& AArgs) {
    char pattern[] = "/tmp/linebench-trace-XXXXXX";
    const int traceFd = mkstemp(pattern);
    if (traceFd < 0) throw std::runtime_error("cannot make a trace file");
    FTracePath = pattern;
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe failed");
    std::vector<std::string> args = {CLOCKSIM_PATH, "--tcp", "0", "--pty", "--exit-on-stdin-eof"};
    args.insert(args.end(), AArgs.begin(), AArgs.end());
    FPid = fork();
    if (FPid == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      dup2(traceFd, 2);
      for (int fd : {in[0], in[1], out[0], out[1], traceFd}) close(fd);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(CLOCKSIM_PATH, argv.data());
      _exit(127);
    }
    close(traceFd);
    close(in[0]);
    close(out[1]);
    FStdin = in[1];
    std::string text;
    char buf[256];
    const bool zk = std::find(AArgs.begin(), AArgs.end(), "--zk-terminal") != AArgs.end();
    while (FTcpPort == 0 || FPty.empty() || (zk && FZkPort == 0)) {
      const ssize_t n = read(out[0], buf, sizeof buf);
      if (n <= 0) throw std::runtime_error("clocksim did not start");
      text.append(buf, static_cast<std::size_t>(n));
      std::size_t at;
      while ((at = text.find('\n')) != std::string::npos) {
        const std::string line = text.substr(0, at);
        text.erase(0, at + 1);
        if (line.rfind("tcp ", 0) == 0) FTcpPort = std::stoi(line.substr(4));
        if (line.rfind("pty ", 0) == 0) FPty = line.substr(4);
        if (line.rfind("zk ", 0) == 0) FZkPort = std::stoi(line.substr(3));
      }
    }
    close(out[0]);
  }
  ~SimProcess() {
    stop();
    unlink(FTracePath.c_str());
  }
  void stop() {
    if (FPid <= 0) return;
    close(FStdin);
    kill(FPid, SIGTERM);
    waitpid(FPid, nullptr, 0);
    FPid = -1;
  }
  int tcpPort() const { return FTcpPort; }
  int zkPort() const { return FZkPort; }
  const std::string& pty() const { return FPty; }
  // The trace after stop(): "<us> <where> RX|TX <hex>" lines.
  std::string trace() const {
    std::ifstream in(FTracePath);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

 private:
  pid_t FPid = -1;
  int FStdin = -1;
  int FTcpPort = 0;
  int FZkPort = 0;
  std::string FPty;
  std::string FTracePath;
};

enum class Transport { Pty, Tcp };
const char* Name(Transport AT) {
  return AT == Transport::Pty ? "pseudo-terminal" : "loopback TCP";
}

std::unique_ptr<TClockSet> MakeLine(const SimProcess& ASim, Transport AT,
                                    TBaudRate ABaud = br9600) {
  auto line = std::make_unique<TClockSet>();
  if (AT == Transport::Tcp) {
    line->ChangeConnectionType(TcpIp);
    line->ChangeSocketAddress("127.0.0.1");
    line->ChangeSocketPort(ASim.tcpPort());
    if (!line->OpenTcpIpPort()) throw std::runtime_error("cannot connect to clocksim");
  } else {
    setenv("CLOCKDIAG_COM1", ASim.pty().c_str(), 1);
    line->ChangeBaudRate(ABaud);
  }
  return line;
}

std::string Exchange(TBasicClock& AClock, const std::string& ACommand, int AReplyLength,
                     const std::string& AStart = "") {
  std::string reply;
  AClock.SendCommand(ACommand, AReplyLength, AStart, "", reply);
  return reply;
}

// The times at which the simulator wrote the last byte of each reply on AWhere ("tcp#1", "pty").
std::vector<long long> ReplyEnds(const std::string& ATrace, const std::string& AWhere) {
  std::vector<long long> ends;
  std::istringstream lines(ATrace);
  std::string line;
  bool inReply = false;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    long long us = 0;
    std::string where, direction;
    if (!(fields >> us >> where >> direction) || where != AWhere) continue;
    if (direction == "RX") {
      inReply = false;
    } else if (direction == "TX") {
      if (!inReply) ends.push_back(us);
      ends.back() = us;
      inReply = true;
    }
  }
  return ends;
}

void MeasureReplySeen() {
  constexpr int kExchanges = 300;
  // The reply comes 5 ms after the command, when the tool is in its reply wait (the 2 ms pause
  // after writing is over).
  SimProcess sim({"--trace-us", "-e", "latency 5"});
  std::map<Transport, std::vector<long long>> returned;
  for (Transport t : {Transport::Pty, Transport::Tcp}) {
    auto line = MakeLine(sim, t);
    TBasicClock& clock = *line->Clocks().front();
    Exchange(clock, "\x01", 1);  // opens the port; not measured
    for (int i = 0; i < kExchanges; ++i) {
      if (Exchange(clock, "\x01", 1).empty()) throw std::runtime_error("no status reply");
      returned[t].push_back(NowUs());
    }
  }
  sim.stop();
  const std::string trace = sim.trace();
  for (Transport t : {Transport::Pty, Transport::Tcp}) {
    std::vector<long long> ends = ReplyEnds(trace, t == Transport::Pty ? "pty" : "tcp#1");
    // The first reply answered the unmeasured exchange.
    if (ends.size() != returned[t].size() + 1)
      throw std::runtime_error("trace and exchanges do not match");
    std::vector<double> seen;
    for (std::size_t i = 0; i < returned[t].size(); ++i)
      seen.push_back(static_cast<double>(returned[t][i] - ends[i + 1]) / 1000.0);
    const double p50 = Percentile(seen, 50), p99 = Percentile(seen, 99);
    Add(std::string("reply seen after its last byte, ") + Name(t) + " (p50 / p99)",
        Format("%.3f", p50) + " / " + Format("%.3f ms", p99), "p99 < 1 ms", p99 < 1.0);
  }
}

void MeasureSilentWait() {
  SimProcess sim({"-e", "misbehave silence"});
  for (Transport t : {Transport::Pty, Transport::Tcp}) {
    auto line = MakeLine(sim, t);
    TBasicClock& clock = *line->Clocks().front();
    clock.SetInDetectClocks(true);  // opens the port with a short wait; not measured
    Exchange(clock, "\x01", 1);
    clock.SetInDetectClocks(false);
    const double cpu0 = ProcessCpuMs();
    const auto wall0 = SteadyClock::now();
    Exchange(clock, "\x01", 1);
    const double cpu = ProcessCpuMs() - cpu0;
    const double wall =
        std::chrono::duration<double, std::milli>(SteadyClock::now() - wall0).count();
    const double percent = 100.0 * cpu / wall;
    Add(std::string("CPU during a silent 7000 ms wait, ") + Name(t),
        Format("%.2f %% of a core", percent) + Format(" (%.0f ms waited)", wall), "< 0.5 %",
        percent < 0.5);
  }
}

// How long after its first byte the last of ABytes reply bytes leaves the paced simulator: a
// byte every 10 bit times (whole microseconds), the first at once.
double WireMs(std::size_t ABytes, int ABaud) {
  if (ABytes == 0) return 0;
  return static_cast<double>(ABytes - 1) * static_cast<double>(10'000'000 / ABaud) / 1000.0;
}

// The least time an exchange of a one-byte text command takes by the protocol and the paced line.
double ExchangeScheduleMs(std::size_t AReplyBytes, int ABaud) {
  const double write = ABaud == 57600 ? 20.0 : 0.0;
  return std::max(write + 2.0, WireMs(AReplyBytes, ABaud));
}

void MeasureExchangeOverhead() {
  for (int baud : {9600, 57600}) {
    SimProcess sim({"-e", "latency 0"});
    auto line = MakeLine(sim, Transport::Pty, baud == 9600 ? br9600 : br57600);
    TBasicClock& clock = *line->Clocks().front();
    Exchange(clock, "\x01", 1);
    std::vector<double> overheads;
    for (int i = 0; i < 60; ++i) {
      // Identification: 26 bytes back; date and time: 18 bytes.
      const bool identify = i % 2 == 0;
      const auto start = SteadyClock::now();
      const std::string reply = identify ? Exchange(clock, "\x18", 26, std::string(3, '\x01'))
                                         : Exchange(clock, "\x05", 18, std::string(3, '\x01'));
      const double took =
          std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
      if (reply.size() != (identify ? 26u : 18u)) throw std::runtime_error("short reply");
      overheads.push_back(took - ExchangeScheduleMs(reply.size(), baud));
    }
    double mean = 0;
    for (double o : overheads) mean += o;
    mean /= static_cast<double>(overheads.size());
    const double p99 = Percentile(overheads, 99);
    Add("overhead per exchange over the schedule, " + std::to_string(baud) +
            " baud pseudo-terminal (mean / p99)",
        Format("%.2f", mean) + " / " + Format("%.2f ms", p99), "< 3 ms", p99 < 3.0);
  }
}

void MeasureBusScan() {
  SimProcess sim({"-e", "misbehave silence"});
  auto line = MakeLine(sim, Transport::Pty);
  line->MaxClockNumber = 32;
  const double schedule = 33.0 * 6.0 * (2.0 + 300.0 + 500.0);
  const auto start = SteadyClock::now();
  line->DetectClocks(cstKRTal);
  const double took = std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
  if (!line->Clocks().empty()) throw std::runtime_error("a clock answered on the silent bus");
  const double off = 100.0 * (took - schedule) / schedule;
  Add("empty 32-address bus scan, pseudo-terminal",
      Format("%.1f s", took / 1000.0) + Format(" for a schedule of %.1f s", schedule / 1000.0) +
          Format(" (%+.2f %%)", off),
      "within 2 %", off < 2.0 && off > -2.0);

  // The same scan, quick: one status try at each parity, 300 ms each, no pause.
  line->QuickScan = true;
  const auto quickStart = SteadyClock::now();
  line->DetectClocks(cstKRTal);
  const double quick =
      std::chrono::duration<double, std::milli>(SteadyClock::now() - quickStart).count();
  if (!line->Clocks().empty()) throw std::runtime_error("a clock answered on the silent bus");
  const double share = 100.0 * quick / took;
  Add("empty 32-address bus scan, quick (--quick), pseudo-terminal 9600 baud",
      Format("%.1f s", quick / 1000.0) + Format(" = %.1f %%", share) +
          Format(" of the default scan's %.1f s", took / 1000.0),
      "<= 15 %", share <= 15.0);
}

struct TProcessRun {
  int ExitCode = -1;  // -1: it did not exit on its own
  double Seconds = 0;
};

// Runs AArgs (the program first) as a process, its standard output and error to /dev/null.
TProcessRun RunProcess(const std::vector<std::string>& AArgs) {
  const auto start = SteadyClock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<std::string> args = AArgs;
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  TProcessRun run;
  run.Seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
  if (WIFEXITED(status)) run.ExitCode = WEXITSTATUS(status);
  return run;
}

// Runs clockctl with AArgs, its output discarded; the wall time in ms.
double RunClockctl(const std::vector<std::string>& AArgs) {
  std::vector<std::string> args = {CLOCKCTL_PATH};
  args.insert(args.end(), AArgs.begin(), AArgs.end());
  const TProcessRun run = RunProcess(args);
  if (run.ExitCode == -1 || run.ExitCode == 127 || run.ExitCode == 2)
    throw std::runtime_error("clockctl did not run");
  return run.Seconds * 1000.0;
}

// Four TCP lines, each a silent converter whose KRTal scan of one number takes T: checked one
// by one they take 4 T; with --lines, at once.
void MeasureManyLines() {
  std::vector<std::unique_ptr<SimProcess>> sims;
  std::string rows;
  for (int i = 0; i < 4; ++i) {
    sims.push_back(std::make_unique<SimProcess>(std::vector<std::string>{"-e", "misbehave silence"}));
    rows += "--tcp 127.0.0.1:" + std::to_string(sims.back()->tcpPort()) +
            " --search KRTal --max-clock 1\n";
  }
  const double one = RunClockctl({"--tcp", "127.0.0.1:" + std::to_string(sims[0]->tcpPort()),
                                  "--search", "KRTal", "--max-clock", "1", "--quiet", "detect"});
  char path[] = "/tmp/linebench-lines-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0 || write(fd, rows.data(), rows.size()) != static_cast<ssize_t>(rows.size()))
    throw std::runtime_error("cannot write the lines file");
  close(fd);
  const double four = RunClockctl({"--lines", path, "--quiet", "detect"});
  unlink(path);
  const double ratio = four / one;
  Add("four silent TCP lines with --lines, against one line's scan T",
      Format("%.1f s", four / 1000.0) + Format(" = %.2f T", ratio) +
          Format(" (T = %.1f s)", one / 1000.0),
      "<= 1.3 T", ratio <= 1.3);
}

void MeasureDump() {
  constexpr int kRecords = 40;
  for (int baud : {9600, 57600}) {
    SimProcess sim({"-e", "latency 0; clear-records; samples 40"});
    auto line = MakeLine(sim, Transport::Pty, baud == 9600 ? br9600 : br57600);
    TBasicClock& clock = *line->Clocks().front();
    if (!clock.Detect(cstKRTal)) throw std::runtime_error("the dump's clock was not found");
    TDateStr date;
    TTimeStr time;
    clock.GetDateTime(date, time);  // the record dates are completed from the clock's date
    int dumped = 0;
    const auto start = SteadyClock::now();
    for (;;) {
      const TVexRecord record = clock.GetRecord();
      if (record.KartNo.empty()) break;
      clock.NextRecord();
      ++dumped;
    }
    const double took = std::chrono::duration<double>(SteadyClock::now() - start).count();
    if (dumped != kRecords) throw std::runtime_error("the dump did not read every record");
    // The last GetRecord found the clock empty: one status exchange more.
    const double perRecordMs =
        ExchangeScheduleMs(1, baud) + ExchangeScheduleMs(26, baud) + ExchangeScheduleMs(1, baud);
    const double wireRate = 1000.0 / perRecordMs;
    const double rate = dumped / took;
    const double share = 100.0 * rate / wireRate;
    Add("dump, " + std::to_string(baud) + " baud pseudo-terminal",
        Format("%.1f records/s", rate) + Format(" of %.1f wire-limited", wireRate) +
            Format(" (%.0f %%)", share),
        ">= 90 %", share >= 90.0);
  }
}

void MeasureFaceTerminalDownload() {
  constexpr int kRecords = 10000;
  sim::ZkTerminalModel model;
  for (int i = 0; i < kRecords; ++i) {
    const zk::DateTime when =
        zk::DecodeTime(*zk::EncodeTime({2015, 1, 1, 0, 0, 0}) + static_cast<std::uint32_t>(i) * 97);
    model.addRecord({static_cast<std::uint16_t>(i), std::to_string(100000 + i), 1, when,
                     static_cast<std::uint8_t>(i % 4), 0});
  }
  sim::ZkTerminalServer server(model);
  if (!server.start()) throw std::runtime_error("cannot start the face terminal");
  TZkemClientSettings settings;
  TKrMira120 adapter("127.0.0.1", server.port(), 1, "", std::make_unique<TZkemClient>(settings));
  const auto start = SteadyClock::now();
  if (!adapter.Connect()) throw std::runtime_error("cannot connect to the face terminal");
  int read = 0;
  while (adapter.IsEmpty() == 0 && read <= kRecords) {
    adapter.GetRecord();
    adapter.NextRecord();
    ++read;
  }
  const double took = std::chrono::duration<double>(SteadyClock::now() - start).count();
  if (read != kRecords) throw std::runtime_error("the download did not bring every record");
  const double rate = read / took;
  Add("face terminal (KR-Mira120) log download, loopback TCP",
      Format("%.0f records/s", rate) + " (" + std::to_string(read) + " records)",
      ">= 2000 records/s", rate >= 2000.0);
}

// The whole log of the terminal at APort read by the core's client and handed out record by
// record, nothing written: the bare download. Returns the records read.
int DownloadWholeLog(int APort) {
  TKrMira120 adapter("127.0.0.1", APort, 1, "", std::make_unique<TZkemClient>(TZkemClientSettings{}));
  if (!adapter.Connect()) throw std::runtime_error("cannot connect to the face terminal");
  int read = 0;
  if (adapter.IsEmpty() != 0) return 0;
  for (;;) {
    const TMira120Record record = adapter.GetRecord();
    if (record.KartNo.empty() && record.Fault.empty()) break;
    adapter.NextRecord();
    ++read;
  }
  return read;
}

// Runs AArgs as a process; the seconds it took, or throws when it fails.
double TimedProcess(const std::vector<std::string>& AArgs) {
  const TProcessRun run = RunProcess(AArgs);
  if (run.ExitCode != 0) throw std::runtime_error(AArgs[0] + " " + AArgs[1] + " failed");
  return run.Seconds;
}

std::size_t CountLines(const std::string& APath) {
  std::ifstream in(APath);
  return static_cast<std::size_t>(
      std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
}

void MeasureWholeLogDump(const std::string& ASelf) {
  constexpr int kRecords = 20000;
  // Each run takes a tenth of a second; the download alone varies by a third from run to run.
  constexpr int kRuns = 7;
  std::vector<double> downloads, dumps;
  for (int run = 0; run < kRuns; ++run) {
    // The terminal as fast as the host goes: the comparison is of the programs' own time, not
    // of a terminal's pace, which both would wait for alike.
    SimProcess sim({"--zk-terminal", "0", "-e", "zk-records " + std::to_string(kRecords), "-e",
                    "zk-link 0 0"});
    const std::string port = std::to_string(sim.zkPort());
    // The download leaves the log on the terminal; the dump then reads and clears it.
    downloads.push_back(TimedProcess({ASelf, "--zk-download", port}));
    char csv[] = "/tmp/linebench-dump-XXXXXX";
    const int fd = mkstemp(csv);
    if (fd < 0) throw std::runtime_error("cannot make a CSV file");
    close(fd);
    dumps.push_back(TimedProcess({CLOCKCTL_PATH, "--tcp", "127.0.0.1:" + port, "--search",
                                  "KRMira120", "dump", "--all", "--out", csv}));
    const std::size_t rows = CountLines(csv);
    unlink(csv);
    if (rows != kRecords + 1)
      throw std::runtime_error("the dump wrote " + std::to_string(rows) + " lines, not " +
                               std::to_string(kRecords + 1));
  }
  const double download = Percentile(downloads, 50);
  const double dump = Percentile(dumps, 50);
  const double ratio = dump / download;
  Add("whole-log dump of 20000 KR-Mira120 records to CSV against the bare download (medians of 7)",
      Format("%.3f s", dump) + Format(" vs %.3f s", download) + Format(" (%.2fx)", ratio),
      "<= 1.5x", ratio <= 1.5);
}

// The pure-function benchmarks, from clockdiag_bench --benchmark_format=json.
void AddPureFunctions(const std::string& AFile) {
  QFile file(QString::fromStdString(AFile));
  if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + AFile);
  const QJsonArray benchmarks =
      QJsonDocument::fromJson(file.readAll()).object()["benchmarks"].toArray();
  for (const auto& value : benchmarks) {
    const QJsonObject b = value.toObject();
    const std::string name = b["name"].toString().toStdString();
    std::string result;
    if (b.contains("bytes_per_second"))
      result = Format("%.1f MB/s", b["bytes_per_second"].toDouble() / 1e6);
    else if (b.contains("items_per_second"))
      result = Format("%.2f million/s", b["items_per_second"].toDouble() / 1e6);
    else
      result = Format("%.0f ns", b["real_time"].toDouble());
    Add(name, result);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::string pure;
  bool skipScan = false;
  if (argc == 3 && std::string(argv[1]) == "--zk-download") {
    try {
      return DownloadWholeLog(std::stoi(argv[2])) > 0 ? 0 : 1;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "linebench: %s\n", e.what());
      return 1;
    }
  }
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--pure" && i + 1 < argc)
      pure = argv[++i];
    else if (a == "--skip-scan")
      skipScan = true;
    else {
      std::fprintf(stderr, "usage: linebench [--pure FILE.json] [--skip-scan]\n");
      return 2;
    }
  }
  signal(SIGPIPE, SIG_IGN);
  try {
    if (!pure.empty()) AddPureFunctions(pure);
    MeasureReplySeen();
    MeasureSilentWait();
    MeasureExchangeOverhead();
    MeasureDump();
    MeasureFaceTerminalDownload();
    MeasureManyLines();
    MeasureWholeLogDump(argv[0]);
    if (!skipScan) MeasureBusScan();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "linebench: %s\n", e.what());
    return 1;
  }
  std::printf("| Measurement | Result | Target | Met |\n|---|---|---|---|\n");
  for (const auto& r : gRows)
    std::printf("| %s | %s | %s | %s |\n", r.Name.c_str(), r.Result.c_str(), r.Target.c_str(),
                r.Met.c_str());
  return 0;
}
