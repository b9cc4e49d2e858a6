// The quick detection, many lines at once, and the drift of a clock's time, through clockctl
// against clocksim.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <csignal>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "OutputReading.h"
#include "Processes.h"

namespace {

using e2e::Clockctl;
using e2e::JsonOf;
using e2e::Str;
using e2e::Simulator;

// Number, type and name of every clock a detect --json listed.
std::vector<std::string> Found(const e2e::RunResult& AResult) {
  std::vector<std::string> found;
  for (const auto& value : JsonOf(AResult.Out)["clocks"].toArray()) {
    const QJsonObject c = value.toObject();
    found.push_back(std::to_string(c["number"].toInt()) + " " + Str(c["type"]) + " " +
                    Str(c["name"]));
  }
  return found;
}

// "YYYY/MM/DD" and "HH:MM" of the computer's local time ASeconds from now.
std::pair<std::string, std::string> LocalIn(long ASeconds) {
  const std::time_t t = std::time(nullptr) + ASeconds;
  std::tm local{};
  localtime_r(&t, &local);
  char date[16], time[8];
  std::strftime(date, sizeof date, "%Y/%m/%d", &local);
  std::strftime(time, sizeof time, "%H:%M", &local);
  return {date, time};
}

// ---- Quick detection ----

// Clocks at 1, 3, 4 (a Lumen) answer at once or within 50 ms; clock 5 answers after 250 ms,
// within the detection's 300 ms but not within a probe timeout of 100 ms. It is the last number:
// its reply, late for its own wait, would come in another number's.
TEST(QuickScan, FindsWhatTheNormalScanFindsAndMissesOnlyClocksSlowerThanItsTimeout) {
  Simulator sim({"protocol RS485", "clock 1; name KR-Tal 100", "clock 3; name KR-Corax 3; latency 50",
                 "clock 4; name LUMEN 4", "clock 5; name KR-Tal 5; latency 250"});
  const std::vector<std::string> line = {"--tcp", sim.tcpAddress(), "--search", "KRTal",
                                         "--max-clock", "5", "--json"};
  auto with = [&](std::vector<std::string> AExtra) {
    std::vector<std::string> args = line;
    args.insert(args.end(), AExtra.begin(), AExtra.end());
    args.push_back("detect");
    return Clockctl(args);
  };
  const auto normal = with({});
  ASSERT_EQ(normal.ExitCode, 0) << normal.Err;
  const std::vector<std::string> all = {"1 KRTal KR-Tal 100", "3 KRCorax KR-Corax 3",
                                        "4 Lumen LUMEN 4", "5 KRTal KR-Tal 5"};
  EXPECT_EQ(Found(normal), all);

  const auto quick = with({"--quick"});
  ASSERT_EQ(quick.ExitCode, 0) << quick.Err;
  EXPECT_EQ(Found(quick), all);

  const auto fast = with({"--probe-timeout", "100"});
  ASSERT_EQ(fast.ExitCode, 0) << fast.Err;
  EXPECT_EQ(Found(fast), (std::vector<std::string>{all[0], all[1], all[2]}));
}

TEST(QuickScan, ProgressCountsTheNumbersProbedAndFound) {
  Simulator sim({"protocol RS485", "clock 2; name KR-Tal 2"});
  const auto r = Clockctl({"--progress", "--tcp", sim.tcpAddress(), "--search", "KRTal",
                           "--max-clock", "3", "--quick", "detect"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  for (const char* step : {"clock 1: no answer (2 probed, 0 found)",
                           "clock 2: answered (3 probed, 1 found)",
                           "clock 3: no answer (4 probed, 1 found)"})
    EXPECT_NE(r.Err.find(step), std::string::npos) << r.Err;
}

TEST(QuickScan, ProbeTimeoutOutsideItsRangeIsAUsageError) {
  for (const char* value : {"19", "1001", "fast"}) {
    const auto r = Clockctl({"--probe-timeout", value, "--json", "detect"});
    EXPECT_EQ(r.ExitCode, 2) << value << r.Err;
    EXPECT_EQ(Str(JsonOf(r.Out)["error"].toObject()["code"]), "bad-usage") << r.Out;
    EXPECT_NE(r.Err.find("--probe-timeout " + std::string(value)), std::string::npos) << r.Err;
  }
}

// ---- Drift ----

TEST(Drift, DetectAndDatetimeTellHowFarTheClockIsFromTheComputer) {
  // A clock two hours ahead, in the Gregorian calendar.
  const auto ahead = LocalIn(7200);
  Simulator sim({"calendar gregorian; datetime " + ahead.first + " " + ahead.second + ":00"});
  const auto dt = Clockctl({"--tcp", sim.tcpAddress(), "--json", "datetime"});
  ASSERT_EQ(dt.ExitCode, 0) << dt.Err;
  const int drift = JsonOf(dt.Out)["drift"].toInt();
  // Whole minutes: 7200 s unless a minute turned between the two readings.
  EXPECT_GE(drift, 7200 - 120) << dt.Out;
  EXPECT_LE(drift, 7200 + 60) << dt.Out;
  EXPECT_EQ(drift % 60, 0) << dt.Out;

  const auto text = Clockctl({"--tcp", sim.tcpAddress(), "detect"});
  ASSERT_EQ(text.ExitCode, 0) << text.Err;
  const std::string row = text.Out.substr(0, text.Out.find('\n'));
  const std::string last = row.substr(row.rfind('\t') + 1);
  EXPECT_NEAR(std::stoi(last), 7200, 120) << row;
}

TEST(Drift, ASolarClockSetToNowIsNotOff) {
  Simulator sim({"datetime now"});
  const auto r = Clockctl({"--tcp", sim.tcpAddress(), "--json", "detect"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const QJsonObject clock = JsonOf(r.Out)["clocks"].toArray().at(0).toObject();
  EXPECT_LE(std::abs(clock["drift"].toInt()), 60) << r.Out;
}

// ---- Many lines ----

class LinesFile {
 public:
  explicit LinesFile(const std::string& AText) {
    std::ofstream(Path()) << AText;
  }
  std::string Path() const { return FDir.filePath("lines.txt").toStdString(); }

 private:
  QTemporaryDir FDir;
};

TEST(Lines, EachRowIsReportedBadRowsByNumberAndSilentLinesWithTheirError) {
  Simulator bus({"protocol RS485", "clock 1; name KR-Tal 1", "clock 2; name KR-Corax 2"});
  Simulator single({"name KR-Tal 9"});
  Simulator silent({"misbehave silence"});
  const LinesFile file("# the site's lines\n"
                       "\n"
                       "--tcp " + bus.tcpAddress() + " --search KRTal --max-clock 3\n"
                       "--tcp\n"
                       "front door,,127.0.0.1," + std::to_string(single.tcpPort()) +
                       ",RS232,0\n"
                       "  --tcp " + silent.tcpAddress() + "\n"
                       "--frob 1\n");
  const auto r = Clockctl({"--lines", file.Path(), "--quick", "--json", "detect"});
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  const QJsonObject all = JsonOf(r.Out);

  const QJsonArray bad = all["bad_rows"].toArray();
  ASSERT_EQ(bad.size(), 2) << r.Out;
  EXPECT_EQ(bad[0].toObject()["row"].toInt(), 4);
  EXPECT_EQ(bad[1].toObject()["row"].toInt(), 7);
  EXPECT_NE(Str(bad[1].toObject()["error"]).find("--frob"), std::string::npos) << r.Out;
  EXPECT_NE(r.Err.find("row 4: --tcp: needs a value (skipped)"), std::string::npos) << r.Err;

  const QJsonArray lines = all["lines"].toArray();
  ASSERT_EQ(lines.size(), 3) << r.Out;
  const QJsonObject busLine = lines[0].toObject();
  EXPECT_EQ(busLine["row"].toInt(), 3);
  EXPECT_EQ(busLine["exit"].toInt(), 0);
  EXPECT_EQ(busLine["result"].toObject()["clocks"].toArray().size(), 2) << r.Out;

  const QJsonObject named = lines[1].toObject();
  EXPECT_EQ(named["row"].toInt(), 5);
  EXPECT_EQ(Str(named["line"]), "front door (127.0.0.1:" + std::to_string(single.tcpPort()) + ")");
  const QJsonObject clock = named["result"].toObject()["clocks"].toArray().at(0).toObject();
  EXPECT_EQ(Str(clock["name"]), "KR-Tal 9");
  EXPECT_TRUE(clock["drift"].isDouble()) << r.Out;

  const QJsonObject quiet = lines[2].toObject();
  EXPECT_EQ(quiet["row"].toInt(), 6);
  EXPECT_EQ(quiet["exit"].toInt(), 1);
  EXPECT_EQ(Str(quiet["result"].toObject()["error"].toObject()["code"]), "no-answer") << r.Out;
}

TEST(Lines, TheTextSummaryHasALineEachAndRowsOnOnePortRunOneAfterTheOther) {
  Simulator sim({"datetime 1403/09/18 10:30:00"});
  // Both rows name the simulator's pseudo-terminal: run at once, the second would find the port
  // held by the first.
  const LinesFile file("--port " + sim.ptyPath() + "\n--port " + sim.ptyPath() + "\n");
  const auto r = Clockctl({"--lines", file.Path(), "--quick", "datetime"});
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  std::vector<std::string> rows;
  for (std::size_t at = 0, end; (end = r.Out.find('\n', at)) != std::string::npos; at = end + 1)
    rows.push_back(r.Out.substr(at, end - at));
  ASSERT_EQ(rows.size(), 3u) << r.Out;
  EXPECT_EQ(rows[0], "line\tclocks\tnames\tdates\ttimes\tdrift\tstatus\terror");
  for (int i : {1, 2}) {
    EXPECT_EQ(rows[i].rfind("row " + std::to_string(i) + " " + sim.ptyPath() +
                                "\t1\tKR-Tal 100\t1403/09/18\t10:30\t-",
                            0),
              0u)
        << rows[i];
    EXPECT_EQ(rows[i].back(), '\t') << "no error expected: " << rows[i];
  }
}

TEST(Lines, SigtermStopsEveryLineAndTheSummarySaysSo) {
  // A silent line whose default scan would take about 10 s.
  Simulator silent({"misbehave silence"});
  const LinesFile file("--tcp " + silent.tcpAddress() + " --search KRTal --max-clock 1\n");
  e2e::Started run(CLOCKCTL_PATH, {"--progress", "--lines", file.Path(), "--json", "detect"});
  ASSERT_TRUE(run.WaitForErr("detect started", 10000));
  run.Signal(SIGTERM);
  const auto r = run.Finish(5000);
  EXPECT_EQ(r.ExitCode, 130) << r.Err;
  const QJsonObject all = JsonOf(r.Out);
  EXPECT_TRUE(all["interrupted"].toBool()) << r.Out;
  EXPECT_EQ(Str(all["error"].toObject()["code"]), "interrupted") << r.Out;
  // The line's own clockctl was stopped too, and said so.
  const QJsonObject line = all["lines"].toArray().at(0).toObject();
  EXPECT_EQ(line["exit"].toInt(), 130) << r.Out;
}

TEST(Lines, LineOptionsOnTheCommandLineAndUnknownCommandsAreRefused) {
  const LinesFile file("--tcp 127.0.0.1:1\n");
  const std::vector<std::vector<std::string>> cases = {
      {"--lines", file.Path(), "--tcp", "127.0.0.1", "detect"},
      {"--lines", file.Path(), "dump"},
      {"--lines", file.Path(), "--jobs", "0", "detect"},
      {"--lines", "/nonexistent/lines.txt", "detect"},
  };
  for (const auto& args : cases) {
    const auto r = Clockctl(args);
    EXPECT_EQ(r.ExitCode, 2) << args[2] << r.Err;
    EXPECT_TRUE(r.Out.empty()) << r.Out;
  }
}

}  // namespace
