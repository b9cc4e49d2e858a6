// The technician's commands of clockctl against clocksim, in real time: detection on a single
// line and on an RS485 bus, date and time, status, serial number, the record dump with its file
// and pictures, the face-recognition terminals, dialing, and the exit codes. --json output is
// parsed, not compared as text.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "OutputReading.h"
#include "Processes.h"

namespace {

using e2e::Clockctl;
using e2e::Lines;
using e2e::Str;
using e2e::Simulator;

QJsonObject Json(const e2e::RunResult& AResult) {
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(AResult.Out), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << " in\n"
                                                   << AResult.Out;
  EXPECT_TRUE(doc.isObject()) << AResult.Out;
  return doc.object();
}

std::string ReadFile(const std::string& APath) {
  std::ifstream in(APath, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs clockctl with its standard error on a terminal (its standard output stays a pipe).
e2e::RunResult ClockctlOnTerminal(const std::vector<std::string>& AArgs) {
  int master = -1;
  int slave = -1;
  int out[2];
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0 || pipe(out) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(slave, 2);
    close(out[0]);
    close(master);
    std::vector<char*> argv{const_cast<char*>(CLOCKCTL_PATH)};
    for (const auto& a : AArgs) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(CLOCKCTL_PATH, argv.data());
    _exit(127);
  }
  close(slave);
  close(out[1]);
  e2e::RunResult result;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {master, POLLIN, 0}};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (fds[0].fd >= 0 && std::chrono::steady_clock::now() < deadline) {
    if (poll(fds, 2, 100) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[4096];
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
      } else {
        (i == 0 ? result.Out : result.Err).append(buf, static_cast<std::size_t>(n));
      }
    }
  }
  for (auto& fd : fds)
    if (fd.fd >= 0) close(fd.fd);
  int status = 0;
  waitpid(pid, &status, 0);
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// ---- Detection ----

TEST(ClockctlDetect, BusOfThreeModelsOverTcpWithProgressOnATerminal) {
  Simulator sim({"protocol RS485", "clock 1; name KR-Tal 100; datetime 1403/09/18 10:30:00",
                 "clock 2; name KR-Corax 5; firmware VER 4.20; datetime 1403/09/18 10:30:00",
                 "clock 3; name LUMEN 7; datetime 1403/09/18 10:30:00"});
  const auto r = ClockctlOnTerminal(
      {"--tcp", sim.tcpAddress(), "--search", "KRTal", "--max-clock", "3", "detect", "--json"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const QJsonArray clocks = Json(r)["clocks"].toArray();
  ASSERT_EQ(clocks.size(), 3) << r.Out;
  const char* types[] = {"KRTal", "KRCorax", "Lumen"};
  const char* names[] = {"KR-Tal 100", "KR-Corax 5", "LUMEN 7"};
  for (int i = 0; i < 3; ++i) {
    const QJsonObject c = clocks[i].toObject();
    EXPECT_EQ(c["number"].toInt(), i + 1);
    EXPECT_EQ(Str(c["type"]), types[i]);
    EXPECT_EQ(Str(c["name"]), names[i]);
    EXPECT_EQ(Str(c["date"]), "1403/09/18");
    EXPECT_EQ(Str(c["time"]), "10:30");
  }
  EXPECT_EQ(Str(clocks[1].toObject()["firmware"]), "VER 4.20");
  // Every number of the scan was shown while it was probed.
  for (const char* shown : {"probing clock 1 of 3", "probing clock 2 of 3", "probing clock 3 of 3"})
    EXPECT_NE(r.Err.find(shown), std::string::npos) << r.Err;
}

TEST(ClockctlDetect, SingleClockOnAPseudoTerminalNamedAsACom) {
  Simulator sim({"datetime 1403/09/18 10:30:00"});
  const auto r = Clockctl({"--port", "COM4", "detect"}, {{"CLOCKDIAG_COM4", sim.ptyPath()}});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  // The last column, the drift from the computer's clock, follows the computer's time.
  EXPECT_EQ(r.Out.rfind("1\tKRTal\tKR-Tal 100\tVER 3.10\t1403/09/18\t10:30\t-", 0), 0u) << r.Out;
  // Standard error is no terminal here: no progress line.
  EXPECT_EQ(r.Err.find("probing"), std::string::npos) << r.Err;
}

TEST(ClockctlDetect, ClockOfAnotherFamilyIsNotListed) {
  // A KR-Optica answers the card clocks' probe, but only a KR-Optica search lists it.
  Simulator sim({"name KR-Optica 2"});
  auto r = Clockctl({"--tcp", sim.tcpAddress(), "detect", "--json"});
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  EXPECT_TRUE(Json(r)["clocks"].toArray().isEmpty());
  EXPECT_NE(r.Err.find("no clock answered"), std::string::npos) << r.Err;
}

// ---- Date, time, status, serial number ----

TEST(ClockctlClock, DateTimeIsReadSetAndReadBack) {
  Simulator sim({"datetime 1403/09/18 10:30:00"});
  const std::vector<std::string> line = {"--tcp", sim.tcpAddress()};
  auto args = [&](std::vector<std::string> ACommand) {
    std::vector<std::string> all = line;
    all.insert(all.end(), ACommand.begin(), ACommand.end());
    return all;
  };
  auto r = Clockctl(args({"datetime"}));
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out.rfind("1403/09/18\t10:30\t-", 0), 0u) << r.Out;

  r = Clockctl(args({"set-datetime", "1403/10/01", "07:15"}));
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "1403/10/01\t07:15\n");

  r = Clockctl(args({"--json", "datetime"}));
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  const QJsonObject dt = Json(r);
  EXPECT_EQ(dt["clock"].toInt(), 1);
  EXPECT_EQ(Str(dt["date"]), "1403/10/01");
  EXPECT_EQ(Str(dt["time"]), "07:15");

  // Without a date and time the computer's now is set.
  r = Clockctl(args({"--json", "set-datetime"}));
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  const QJsonObject now = Json(r);
  EXPECT_TRUE(now["set"].toBool());
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  const std::string time = Str(now["time"]);
  ASSERT_EQ(time.size(), 5u) << r.Out;
  const int minutes = std::stoi(time.substr(0, 2)) * 60 + std::stoi(time.substr(3, 2));
  const int diff = std::abs(minutes - (tm.tm_hour * 60 + tm.tm_min));
  EXPECT_TRUE(diff <= 1 || diff >= 24 * 60 - 1) << time;
  EXPECT_NE(Str(now["date"]), "1403/10/01");

  for (const auto& bad : {std::vector<std::string>{"set-datetime", "1403/13/01", "07:15"},
                          {"set-datetime", "1403/10/01", "7:75"},
                          {"set-datetime", "1403/10/01"}}) {
    r = Clockctl(args(bad));
    EXPECT_EQ(r.ExitCode, 2) << bad[1];
  }
}

TEST(ClockctlClock, StatusTellsRecordsThenEmpty) {
  Simulator sim({"samples 1"});
  auto r = Clockctl({"--tcp", sim.tcpAddress(), "status"});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "connected\trecords\tidle\n");
  r = Clockctl({"--tcp", sim.tcpAddress(), "dump"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  r = Clockctl({"--tcp", sim.tcpAddress(), "--json", "status"});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  const QJsonObject status = Json(r);
  EXPECT_TRUE(status["connected"].toBool());
  EXPECT_TRUE(status["empty"].toBool());
  EXPECT_FALSE(status["busy"].toBool());
}

// An HDLC clock's date is printed in the same form as a text clock's.
TEST(ClockctlDetect, HdlcClockDateInTheOneForm) {
  Simulator sim({"protocol Hdlc; name KR-Tal R2; datetime 1403/09/08 10:30:00"});
  const auto r = Clockctl({"--tcp", sim.tcpAddress(), "--search", "KRTalR2Fast", "detect"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_NE(r.Out.find("\t1403/09/08\t10:30"), std::string::npos) << r.Out;
}

TEST(ClockctlClock, SerialNumberOfAnHdlcClock) {
  Simulator sim({"protocol Hdlc; name KR-Ember 2; serial 4000000000"});
  auto r = Clockctl({"--tcp", sim.tcpAddress(), "--search", "KREmberFast", "serial"});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "4000000000\n");
  r = Clockctl({"--tcp", sim.tcpAddress(), "--search", "KREmberFast", "--json", "serial"});
  EXPECT_EQ(Str(Json(r)["serial"]), "4000000000");

  // A text clock keeps no serial number it could tell.
  Simulator text;
  r = Clockctl({"--tcp", text.tcpAddress(), "serial"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_TRUE(r.Out.empty());
}

// ---- Dump ----

TEST(ClockctlDump, RecordsAreWrittenThenRemovedAndTheFileGrows) {
  Simulator sim({"samples 5"});
  QTemporaryDir dir;
  const std::string csv = dir.filePath("records.csv").toStdString();
  const std::vector<std::string> line = {"--tcp", sim.tcpAddress()};

  auto r = Clockctl({"--tcp", sim.tcpAddress(), "dump", "--max", "2", "--out", csv});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const auto first = Lines(r.Out);
  ASSERT_EQ(first.size(), 2u) << r.Out;
  EXPECT_EQ(first[0].substr(0, 6), "12345\t");
  EXPECT_EQ(first[1].substr(0, 6), "54321\t");
  // Each line says that its record left the clock.
  EXPECT_EQ(first[0].substr(first[0].size() - 5), "\tleft") << r.Out;

  r = Clockctl({"--tcp", sim.tcpAddress(), "--json", "dump", "--out", csv});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const QJsonObject dump = Json(r);
  EXPECT_FALSE(dump.contains("error")) << r.Out;
  const QJsonArray records = dump["records"].toArray();
  ASSERT_EQ(records.size(), 3) << r.Out;
  const char* cards[] = {"777", "1000001", "20406080"};
  for (int i = 0; i < 3; ++i) {
    const QJsonObject rec = records[i].toObject();
    EXPECT_EQ(rec["clock"].toInt(), 1);
    EXPECT_EQ(Str(rec["card"]), cards[i]);
    EXPECT_EQ(Str(rec["date"]).size(), 10u) << r.Out;  // YYYY/MM/DD in full
    EXPECT_EQ(Str(rec["date_gregorian"]).size(), 10u) << r.Out;
    EXPECT_EQ(Str(rec["time"]).size(), 5u);
    EXPECT_EQ(Str(rec["type1"]).size(), 2u);
    EXPECT_EQ(Str(rec["sequence"]), std::string(1, static_cast<char>('C' + i)));
    EXPECT_TRUE(rec["left_clock"].toBool());
    EXPECT_FALSE(Str(rec["raw"]).empty()) << r.Out;
  }

  // One header, then the five records in the order they were taken from the clock.
  const auto rows = Lines(ReadFile(csv));
  ASSERT_EQ(rows.size(), 6u) << ReadFile(csv);
  EXPECT_EQ(rows[0],
            "\xEF\xBB\xBF"
            "clock,card,date,time,date_gregorian,event,type1,type2,sequence,left_clock,picture,"
            "picture_status");
  const char* all[] = {"12345", "54321", "777", "1000001", "20406080"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(rows[i + 1].rfind(std::string("1,") + all[i] + ",", 0), 0u);

  // Nothing is left: the clock is empty, and says so in one line.
  r = Clockctl({"--tcp", sim.tcpAddress(), "--json", "dump", "--out", csv});
  EXPECT_EQ(r.ExitCode, 1);
  const QJsonObject empty = Json(r);
  EXPECT_TRUE(empty["records"].toArray().isEmpty());
  EXPECT_EQ(Str(empty["error"].toObject()["code"]), "clock-empty") << r.Out;
  EXPECT_EQ(r.Err, "clockctl: dump: clock 1 holds no record\n");
  EXPECT_EQ(Lines(ReadFile(csv)).size(), 6u);
}

// The row of a record as a spreadsheet reads it: the date in full in the clock's calendar and in
// ISO, the codes as the clock sent them; the mark can be left out.
TEST(ClockctlDump, CsvRowsForASpreadsheet) {
  Simulator sim({"clear-records; record 123 1403/09/17 08:05 event=0 type2=03 seq=K; "
                 "record 124 1403/09/18 17:45 type2=00"});
  QTemporaryDir dir;
  const std::string csv = dir.filePath("plain.csv").toStdString();
  const auto r = Clockctl({"--tcp", sim.tcpAddress(), "dump", "--csv-bom=no", "--out", csv});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const auto rows = Lines(ReadFile(csv));
  ASSERT_EQ(rows.size(), 3u) << ReadFile(csv);
  EXPECT_EQ(rows[0].rfind("clock,card,", 0), 0u) << rows[0];
  EXPECT_EQ(rows[1], "1,123,1403/09/17,08:05,2024-12-07,ورود,00,03,K,yes,,");
  EXPECT_EQ(rows[2].rfind("1,124,1403/09/18,17:45,2024-12-08,ورود و خروج,00,00,", 0), 0u)
      << rows[2];
  EXPECT_EQ(Lines(r.Out)[0], "123\t1403/09/17\t08:05\tورود\t00\t03\tK\tleft");
}

// An output that cannot be written is exit code 4, before any record is read.
TEST(ClockctlDump, FileThatCannotBeWrittenCostsNoRecord) {
  Simulator sim({"samples 1"});
  auto r = Clockctl({"--tcp", sim.tcpAddress(), "dump", "--out", "/nonexistent/dir/r.csv"});
  EXPECT_EQ(r.ExitCode, 4);
  EXPECT_EQ(Lines(r.Err).size(), 1u) << r.Err;
  r = Clockctl({"--tcp", sim.tcpAddress(), "dump"});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(Lines(r.Out).size(), 1u) << r.Out;
}

// The CSV into a pipe (--out /dev/stdout, whose stdout is a pipe here): a pipe has nothing to
// sync, and a terminal's rows come into it when the batch is settled, as staying or leaving.
TEST(ClockctlDump, RowsIntoAPipe) {
  const auto count = [](const std::string& AText, const std::string& APart) {
    int n = 0;
    for (const std::string& line : Lines(AText)) n += line.find(APart) != std::string::npos;
    return n;
  };
  Simulator sim({"samples 2"});
  auto r = Clockctl({"--tcp", sim.tcpAddress(), "dump", "--all", "--out", "/dev/stdout"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(count(r.Out, ",yes,,"), 2) << r.Out;
  EXPECT_EQ(count(r.Out, "\tleft"), 2) << r.Out;

  Simulator terminal({"zk-records 5"}, {"--zk-terminal", "0"});
  const std::vector<std::string> line = {"--tcp", "127.0.0.1:" + terminal.announced("zk"),
                                         "--search", "KRMira120", "dump"};
  auto args = line;
  args.insert(args.end(), {"--max", "3", "--out", "/dev/stdout"});
  r = Clockctl(args);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(count(r.Out, ",no,,"), 3) << r.Out;
  EXPECT_EQ(count(r.Out, "\tstays"), 3) << r.Out;
  args = line;
  args.insert(args.end(), {"--all", "--out", "/dev/stdout"});
  r = Clockctl(args);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(count(r.Out, ",yes,,"), 5) << r.Out;
  EXPECT_EQ(count(r.Out, "\tleft"), 5) << r.Out;
}

// A picture the clock failed to send: the record goes on, and the row and stderr say so.
TEST(ClockctlDump, LostPictureIsReported) {
  Simulator sim({"camera yes; clear-records; record 123 1403/09/17 08:05 picture=700; "
                 "misbehave wrongblock"});
  QTemporaryDir dir;
  const std::string csv = dir.filePath("r.csv").toStdString();
  const std::string images = dir.filePath("pictures").toStdString();
  const auto r = Clockctl({"--tcp", sim.tcpAddress(), "dump", "--out", csv, "--images", images});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_NE(r.Err.find("picture of a record could not be read"), std::string::npos) << r.Err;
  const auto rows = Lines(ReadFile(csv));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_NE(rows[1].find(",yes,,failed: "), std::string::npos) << rows[1];
}

// Cards of the tab-separated lines, and whether each says its record left the clock.
std::vector<std::string> CardsAndLeave(const std::string& AOut) {
  std::vector<std::string> out;
  for (const std::string& line : Lines(AOut))
    out.push_back(line.substr(0, line.find('\t')) + line.substr(line.rfind('\t')));
  return out;
}

// An HDLC clock lets its records go a block at a time (three here): --max 1 reads the block to
// its end, so that every record printed has left the clock and the next dump goes on after it.
TEST(ClockctlDump, HdlcBlockIsReadToItsEnd) {
  Simulator sim({"protocol Hdlc; name KR-Tal R2; clear-records; record 301 1403/09/17 08:05; "
                 "record 302 1403/09/17 09:00; record 303 1403/09/17 10:15; "
                 "record 304 1403/09/17 11:00; record 305 1403/09/17 12:30"});
  const std::vector<std::string> dump = {"--tcp", sim.tcpAddress(), "--search", "KRTalR2Fast",
                                         "dump", "--max", "1"};
  auto r = Clockctl(dump);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(CardsAndLeave(r.Out),
            (std::vector<std::string>{"301\tleft", "302\tleft", "303\tleft"}));
  r = Clockctl(dump);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(CardsAndLeave(r.Out), (std::vector<std::string>{"304\tleft", "305\tleft"}));
  r = Clockctl(dump);
  EXPECT_EQ(r.ExitCode, 1) << r.Out;
}

TEST(ClockctlDump, PictureOfATextClockIsStoredBesideTheRecord) {
  Simulator sim(
      {"camera yes; record 123 1403/09/17 08:05 picture=700; "
       "record 124 1403/09/17 09:00"});
  QTemporaryDir dir;
  const std::string images = dir.filePath("pictures").toStdString();
  auto r = Clockctl({"--tcp", sim.tcpAddress(), "--json", "dump", "--images", images});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const QJsonArray records = Json(r)["records"].toArray();
  // The three samples of the default clock come first.
  ASSERT_EQ(records.size(), 3) << r.Out;
  r = Clockctl({"--tcp", sim.tcpAddress(), "--json", "dump", "--images", images});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const QJsonArray ours = Json(r)["records"].toArray();
  ASSERT_EQ(ours.size(), 2) << r.Out;
  const QJsonObject withPicture = ours[0].toObject();
  EXPECT_EQ(Str(withPicture["card"]), "123");
  const std::string picture = Str(withPicture["picture"]);
  // The folder has the year of the record's own calendar in full.
  EXPECT_EQ(picture, images + "/1403/09/17/123_0805.jpg");
  EXPECT_EQ(ReadFile(picture).size(), 700u);
  // A record without a picture gets no file.
  EXPECT_FALSE(ours[1].toObject().contains("picture")) << r.Out;
}

// A dump reads and acknowledges every record of a clock, storing each picture beside its record,
// until the clock is empty; clocksim then reports (--remaining) that it holds none of them.
struct WholeDumpCase {
  const char* Name;
  const char* Search;
  const char* Statements;
  // card, and the size of its picture (0: none)
  std::vector<std::pair<std::string, std::size_t>> Records;
};

class ClockctlWholeDump : public ::testing::TestWithParam<WholeDumpCase> {};

TEST_P(ClockctlWholeDump, EveryRecordAndPictureLeavesTheClock) {
  const WholeDumpCase& c = GetParam();
  QTemporaryDir dir;
  const std::string images = dir.filePath("pictures").toStdString();
  const std::string remaining = dir.filePath("remaining.txt").toStdString();
  QJsonArray records;
  {
    Simulator sim({c.Statements}, {"--remaining", remaining});
    const auto r = Clockctl({"--tcp", sim.tcpAddress(), "--search", c.Search, "--json", "dump",
                             "--max", "100", "--images", images});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    records = Json(r)["records"].toArray();
  }
  ASSERT_EQ(records.size(), static_cast<qsizetype>(c.Records.size())) << c.Statements;
  for (qsizetype i = 0; i < records.size(); ++i) {
    const QJsonObject record = records[i].toObject();
    const auto& [card, pictureSize] = c.Records[static_cast<std::size_t>(i)];
    EXPECT_EQ(Str(record["card"]), card);
    if (pictureSize == 0) {
      EXPECT_FALSE(record.contains("picture")) << card;
    } else {
      ASSERT_TRUE(record.contains("picture")) << card;
      EXPECT_EQ(ReadFile(Str(record["picture"])).size(), pictureSize) << card;
    }
  }
  // The simulator writes the records each copy of its clock still holds, one line per record,
  // starting with the transport; the dump went over TCP.
  ASSERT_TRUE(std::filesystem::exists(remaining));
  const std::string left = ReadFile(remaining);
  for (const auto& line : Lines(left)) EXPECT_NE(line.rfind("tcp ", 0), 0u) << left;
}

const WholeDumpCase kWholeDumps[] = {
    {"TextClock", "KRTalFast",
     "clear-records; camera yes; record 201 1403/09/17 08:05 picture=700; "
     "record 202 1403/09/17 09:00; record 203 1403/09/17 10:15 picture=1500",
     {{"201", 700}, {"202", 0}, {"203", 1500}}},
    // Five records in blocks of three: the second block is asked for after the first is
    // released. The pictures come in image blocks of two frames each.
    {"HdlcClock", "KRTalR2Fast",
     "protocol Hdlc; name KR-Tal R2; clear-records; "
     "record 301 1403/09/17 08:05 picture=700; record 302 1403/09/17 09:00; "
     "record 303 1403/09/17 10:15 picture=1500; record 304 1403/09/17 11:00 picture=300; "
     "record 305 1403/09/17 12:30",
     {{"301", 700}, {"302", 0}, {"303", 1500}, {"304", 300}, {"305", 0}}},
    // An Ember tells a picture's size, then sends its data in packets.
    {"EmberClock", "KREmberFast",
     "protocol Hdlc; name KR-Ember 2; clear-records; "
     "record 401 1403/09/17 08:05 picture=700; record 402 1403/09/17 09:00; "
     "record 403 1403/09/17 10:15 picture=1500; record 404 1403/09/17 11:00 picture=300",
     {{"401", 700}, {"402", 0}, {"403", 1500}, {"404", 300}}},
};

INSTANTIATE_TEST_SUITE_P(Clocks, ClockctlWholeDump, ::testing::ValuesIn(kWholeDumps),
                         [](const ::testing::TestParamInfo<WholeDumpCase>& AInfo) {
                           return std::string(AInfo.param.Name);
                         });

// Runs clockctl and kills it (SIGKILL) after AAfterMs, unless it ended before.
void RunKilledAfter(const std::vector<std::string>& AArgs, int AAfterMs) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    dup2(devnull, 2);
    std::vector<char*> argv{const_cast<char*>(CLOCKCTL_PATH)};
    for (const auto& a : AArgs) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(CLOCKCTL_PATH, argv.data());
    _exit(127);
  }
  usleep(static_cast<useconds_t>(AAfterMs) * 1000);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

TEST(ClockctlDump, KilledDumpLosesNoRecord) {
  // Twenty records (sequence letters A to T), each exchange slowed down so that the kill falls
  // in the middle of the dump.
  Simulator sim({"samples 20; latency 25"});
  QTemporaryDir dir;
  const std::string csv = dir.filePath("records.csv").toStdString();
  const std::vector<std::string> dump = {"--tcp", sim.tcpAddress(), "dump", "--max",
                                         "100",   "--out",          csv};
  for (int killAt : {700, 1100, 1500}) RunKilledAfter(dump, killAt);
  const auto rest = Clockctl(dump);
  ASSERT_TRUE(rest.ExitCode == 0 || rest.ExitCode == 1) << rest.Err;
  // clock,card,date,time,date_gregorian,event,type1,type2,sequence,...: the sequence letter is
  // the ninth field.
  std::set<char> sequences;
  const auto rows = Lines(ReadFile(csv));
  for (std::size_t i = 1; i < rows.size(); ++i) {
    std::size_t at = 0;
    for (int comma = 0; comma < 8 && at != std::string::npos; ++comma)
      at = rows[i].find(',', at == 0 ? 0 : at + 1);
    ASSERT_NE(at, std::string::npos) << rows[i];
    sequences.insert(rows[i][at + 1]);
  }
  std::set<char> all;
  for (char c = 'A'; c <= 'T'; ++c) all.insert(c);
  EXPECT_EQ(sequences, all) << ReadFile(csv);
}

// ---- Face-recognition terminals ----

// A loopback address of its own: the first kind's port is fixed, tests must not share it.
std::string FreeLoopbackAddress() {
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> part(2, 254);
  return "127." + std::to_string(part(random)) + "." + std::to_string(part(random)) + "." +
         std::to_string(part(random));
}

// A simulator serving the first kind of terminal on a loopback address of its own (AAddress),
// or none when five addresses were taken.
std::unique_ptr<Simulator> ServeMiraTerminal(const std::vector<std::string>& AStatements,
                                             std::string& AAddress) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    AAddress = FreeLoopbackAddress();
    try {
      return std::make_unique<Simulator>(
          AStatements, std::vector<std::string>{"--mira-terminal", AAddress + ":9922"});
    } catch (const std::exception&) {
    }
  }
  return nullptr;
}

TEST(ClockctlFaceTerminals, KrMiraIsDetectedAndDumpedWithPictures) {
  std::string address;
  const std::unique_ptr<Simulator> sim = ServeMiraTerminal({}, address);
  ASSERT_TRUE(sim) << "clocksim could not serve a KR-Mira terminal";
  EXPECT_EQ(sim->announced("mira"), address + ":9922");

  auto r = Clockctl({"--tcp", address, "--search", "KRMira", "--json", "detect"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const QJsonArray clocks = Json(r)["clocks"].toArray();
  ASSERT_EQ(clocks.size(), 1);
  EXPECT_EQ(Str(clocks[0].toObject()["type"]), "KRMira");
  EXPECT_EQ(Str(clocks[0].toObject()["name"]), "KR-Mira");

  QTemporaryDir dir;
  const std::string images = dir.filePath("pictures").toStdString();
  r = Clockctl({"--tcp", address, "--search", "KRMira", "--json", "dump", "--images", images});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const QJsonArray records = Json(r)["records"].toArray();
  ASSERT_EQ(records.size(), 3) << r.Out;
  for (const auto& value : records) {
    const std::string picture = Str(value.toObject()["picture"]);
    ASSERT_FALSE(picture.empty()) << r.Out;
    EXPECT_EQ(picture.rfind(images, 0), 0u) << picture;
    EXPECT_GT(std::filesystem::file_size(picture), 0u);
  }
  // The first record: an entry of person 1001.
  EXPECT_EQ(Str(records[0].toObject()["card"]), "1001");
  EXPECT_EQ(Str(records[0].toObject()["event"]), "ورود");
}

TEST(ClockctlFaceTerminals, KrMira120IsDetectedOverItsPort) {
  Simulator sim({}, {"--zk-terminal", "0"});
  const std::string port = sim.announced("zk");
  ASSERT_FALSE(port.empty());
  auto r = Clockctl({"--tcp", "127.0.0.1:" + port, "--search", "KRMira120", "--json", "detect"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const QJsonArray clocks = Json(r)["clocks"].toArray();
  ASSERT_EQ(clocks.size(), 1);
  EXPECT_EQ(Str(clocks[0].toObject()["type"]), "KRMira120");
  r = Clockctl({"--tcp", "127.0.0.1:" + port, "--search", "KRMira120", "dump", "--max", "2"});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(Lines(r.Out).size(), 2u) << r.Out;
}

TEST(ClockctlFaceTerminals, KrMira120LogComesFromTheScenario) {
  Simulator sim({"zk-records 4", "zk-record 123456 2024-12-08 08:30:05 1"}, {"--zk-terminal", "0"});
  const std::string port = sim.announced("zk");
  ASSERT_FALSE(port.empty());
  const std::vector<std::string> line = {"--tcp", "127.0.0.1:" + port, "--search", "KRMira120"};
  auto r = Clockctl({line[0], line[1], line[2], line[3], "dump", "--max", "10"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const auto lines = Lines(r.Out);
  ASSERT_EQ(lines.size(), 5u) << r.Out;
  // The listed record comes last, as given (the terminal's solar date 1403/09/18), with its
  // seconds.
  EXPECT_EQ(lines[4], "123456\t1403/09/18\t08:30:05\tورود و خروج\t00\t00\tA\tleft");
  // The whole log was read: it was cleared.
  r = Clockctl({line[0], line[1], line[2], line[3], "dump"});
  EXPECT_EQ(r.ExitCode, 1) << r.Out;
}

// The terminal clears only its whole log: a dump that stops short of its end clears nothing and
// says so, and the next dump reads the same records; --all empties it.
TEST(ClockctlFaceTerminals, KrMira120LogLeavesOnlyAsAWhole) {
  Simulator sim({"zk-records 5"}, {"--zk-terminal", "0"});
  const std::string port = sim.announced("zk");
  ASSERT_FALSE(port.empty());
  QTemporaryDir dir;
  const std::string csv = dir.filePath("r.csv").toStdString();
  auto run = [&](std::vector<std::string> AArgs) {
    AArgs.insert(AArgs.begin(), {"--tcp", "127.0.0.1:" + port, "--search", "KRMira120"});
    return Clockctl(AArgs);
  };
  auto r = run({"dump", "--max", "3", "--out", csv});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const auto first = CardsAndLeave(r.Out);
  ASSERT_EQ(first.size(), 3u) << r.Out;
  for (const auto& card : first) EXPECT_EQ(card.substr(card.find('\t')), "\tstays");
  EXPECT_NE(r.Err.find("nothing was cleared"), std::string::npos) << r.Err;
  r = run({"dump", "--max", "3"});
  EXPECT_EQ(CardsAndLeave(r.Out), first);

  r = run({"--json", "dump", "--all", "--out", csv});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const QJsonArray records = Json(r)["records"].toArray();
  ASSERT_EQ(records.size(), 5) << r.Out;
  for (const auto& value : records) {
    EXPECT_TRUE(value.toObject()["left_clock"].toBool()) << r.Out;
    EXPECT_EQ(Str(value.toObject()["time"]).size(), 8u) << r.Out;  // HH:MM:SS
  }
  const auto rows = Lines(ReadFile(csv));
  ASSERT_EQ(rows.size(), 9u) << ReadFile(csv);
  for (int i = 1; i <= 8; ++i)
    EXPECT_NE(rows[i].find(i <= 3 ? ",no," : ",yes,"), std::string::npos) << rows[i];
  r = run({"dump"});
  EXPECT_EQ(r.ExitCode, 1) << r.Out;
}

// A terminal that refuses to clear its log: the rows were written for the clearing, the dump then
// says they were not released and why, with the failure's exit code; the JSON tells where each
// record is at the end, and the next dump hands the same records out again.
TEST(ClockctlFaceTerminals, KrMira120RefusingTheClearingKeepsItsRecordsAndSaysSo) {
  Simulator sim({"zk-records 3", "zk-refuse-clear"}, {"--zk-terminal", "0"});
  const std::string port = sim.announced("zk");
  ASSERT_FALSE(port.empty());
  auto run = [&](std::vector<std::string> AArgs) {
    AArgs.insert(AArgs.begin(), {"--tcp", "127.0.0.1:" + port, "--search", "KRMira120"});
    return Clockctl(AArgs);
  };
  auto r = run({"dump", "--all"});
  EXPECT_EQ(r.ExitCode, 1) << r.Out << r.Err;
  EXPECT_NE(r.Err.find("3 of the records written as leaving clock 1 were not released"),
            std::string::npos)
      << r.Err;
  EXPECT_NE(r.Err.find("its attendance log was not cleared: it refused the clearing"),
            std::string::npos)
      << r.Err;
  const auto first = CardsAndLeave(r.Out);
  ASSERT_EQ(first.size(), 3u) << r.Out;

  r = run({"--json", "dump", "--all"});
  EXPECT_EQ(r.ExitCode, 1) << r.Out << r.Err;
  // The same three records, each still on the terminal.
  EXPECT_EQ(Json(r)["error"].toObject()["code"].toString(), "no-answer") << r.Out;
  const QJsonArray records = Json(r)["records"].toArray();
  ASSERT_EQ(records.size(), 3) << r.Out;
  for (const auto& value : records) EXPECT_FALSE(value.toObject()["left_clock"].toBool()) << r.Out;
}

// A first-kind terminal whose own time is no time: datetime names the terminal and the text, with
// the failure's exit code; its records whose time is none or does not exist are written marked,
// as sent, among the others.
TEST(ClockctlFaceTerminals, KrMiraTimesThatAreNoneAreReportedAndMarked) {
  const std::vector<std::string> odd = {"mira-odd-record 12X45678901234 1 2024-12-08 25:61:00",
                                        "mira-odd-record 8 2 abc"};
  for (const bool brokenClock : {true, false}) {
    std::vector<std::string> statements = odd;
    if (brokenClock) statements.push_back("mira-shown-time abc");
    std::string address;
    const std::unique_ptr<Simulator> sim = ServeMiraTerminal(statements, address);
    ASSERT_TRUE(sim) << "clocksim could not serve a KR-Mira terminal";
    if (brokenClock) {
      const auto r = Clockctl({"--tcp", address, "--search", "KRMira", "datetime"});
      EXPECT_EQ(r.ExitCode, 1) << r.Err;
      EXPECT_EQ(r.Err, "clockctl: clock 1: the terminal's time \"abc\" is no date and time\n");
      continue;
    }
    QTemporaryDir dir;
    const std::string out = dir.filePath("records.csv").toStdString();
    const auto r = Clockctl(
        {"--tcp", address, "--search", "KRMira", "dump", "--max", "100", "--out", out});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    std::ifstream csv(out);
    std::vector<std::string> rows;
    for (std::string row; std::getline(csv, row);) rows.push_back(row);
    ASSERT_EQ(rows.size(), 6u);  // the header, the three samples and the two odd records
    EXPECT_EQ(rows[4].rfind("1,12X45678901234,2024-12-08,25:61,", 0), 0u) << rows[4];
    EXPECT_NE(rows[4].find(",bad-date,"), std::string::npos) << rows[4];
    EXPECT_EQ(rows[5].rfind("1,8,abc,", 0), 0u) << rows[5];
    EXPECT_NE(rows[5].find(",bad-date,"), std::string::npos) << rows[5];
  }
}

// Every record of the terminal's log is written before the log is cleared: ids whole and with
// letters, a record without a user id kept raw, a day that does not exist kept as the terminal
// gave it; each marked in the event column.
TEST(ClockctlFaceTerminals, KrMira120OddRecordsAreWrittenMarkedBeforeTheClearing) {
  QTemporaryDir dir;
  const std::string out = dir.filePath("records.csv").toStdString();
  const std::string remaining = dir.filePath("remaining").toStdString();
  {
    Simulator sim({"zk-records 2", "zk-odd-record - 2024-12-08 08:00:00 0",
                   "zk-odd-record 12X4567890123 2024-12-08 08:01:00 0",
                   "zk-odd-record 9 2026-02-31 10:00:00 0", "zk-record 5 2024-12-08 08:02:00 1"},
                  {"--zk-terminal", "0", "--remaining", remaining});
    const auto r = Clockctl({"--tcp", "127.0.0.1:" + sim.announced("zk"), "--search",
                             "KRMira120", "dump", "--max", "100", "--out", out});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
  }
  std::ifstream csv(out);
  std::vector<std::string> rows;
  for (std::string row; std::getline(csv, row);) rows.push_back(row);
  ASSERT_EQ(rows.size(), 7u);  // the header and six records
  EXPECT_NE(rows[3].find(",bad-record,"), std::string::npos) << rows[3];
  EXPECT_EQ(rows[4].rfind("1,12X4567890123,", 0), 0u) << rows[4];
  EXPECT_NE(rows[5].find(",9,2026/02/31,10:00,"), std::string::npos) << rows[5];
  EXPECT_NE(rows[5].find(",bad-date,"), std::string::npos) << rows[5];
  EXPECT_EQ(rows[6].rfind("1,5,", 0), 0u) << rows[6];
  // Everything written: the log was cleared (the lines of the text clock beside it aside).
  std::ifstream left(remaining);
  for (std::string line; std::getline(left, line);) EXPECT_NE(line.rfind("zk ", 0), 0u) << line;
}

// ---- Modem ----

TEST(ClockctlModem, DialThenDetectOverTheDialledLine) {
  Simulator sim({}, {"--modem-answer", "connect:14400@200"});
  const std::map<std::string, std::string> env = {{"CLOCKDIAG_COM3", sim.ptyPath()}};
  auto r = Clockctl({"--port", "COM3", "--modem", "123", "--json", "dial"}, env);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  const QJsonObject dial = Json(r);
  EXPECT_TRUE(dial["connected"].toBool());
  EXPECT_EQ(Str(dial["outcome"]), "connected");
  EXPECT_EQ(Str(dial["text"]), "ارتباط برقرار شد");
  EXPECT_EQ(Str(dial["speed"]), "14400");

  r = Clockctl({"--port", "COM3", "--modem", "123", "detect"}, env);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(Lines(r.Out).size(), 1u) << r.Out;
  EXPECT_EQ(r.Out.rfind("1\tKRTal\tKR-Tal 100\t", 0), 0u) << r.Out;
}

// ---- Exit codes ----

TEST(ClockctlExitCodes, UsageLineAndNothingAnswered) {
  struct Case {
    std::vector<std::string> Args;
    int Code;
  };
  const Case cases[] = {
      {{"--search", "KRFast", "detect"}, 2},
      {{"--max-clock", "33", "detect"}, 2},
      {{"detect", "extra"}, 2},
      {{"dump", "--max", "0"}, 2},
      {{"--port", "/nonexistent/tty", "detect"}, 3},
      // The face terminals are reached over TCP/IP only: nothing answers on a serial line.
      {{"--port", "COM5", "--search", "KRMira", "detect"}, 1},
      {{"--port", "COM5", "--search", "KRMira120", "datetime"}, 1},
  };
  Simulator sim;
  for (const Case& c : cases) {
    const auto r = Clockctl(c.Args, {{"CLOCKDIAG_COM5", sim.ptyPath()}});
    std::string joined;
    for (const auto& a : c.Args) joined += a + " ";
    EXPECT_EQ(r.ExitCode, c.Code) << joined << "\n" << r.Err;
  }
}

}  // namespace
