// Public npm clients of the port-4370 protocol (tests/peers/zk-npm, installed by
// scripts/install-deps.sh) read clocksim's terminal: each must get exactly the records the
// scenario put there, by the small reply and by the chunked large-data path, as they do from a
// real terminal.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonObject>
#include <QStandardPaths>
#include <QString>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "OutputReading.h"
#include "Processes.h"

namespace {

using e2e::Simulator;

struct ReadRecord {
  std::string User;
  std::string Time;  // YYYY-MM-DD HH:MM:SS
  int State = -1;    // the in/out state, where the client reads it
};

struct ClientRead {
  e2e::RunResult Run;
  std::vector<ReadRecord> Records;
  int Count = -1;  // as the client's last line says
};

std::string Node() {
  for (const char* name : {"node", "nodejs"}) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!path.isEmpty()) return path.toStdString();
  }
  return {};
}

// Why AClient cannot run here, or '' when it can.
std::string MissingPeer(const std::string& AClient) {
  if (Node().empty()) return "node is not installed (scripts/install-deps.sh installs it)";
  const QString package =
      QStringLiteral(ZK_PEERS_DIR "/node_modules/%1/package.json").arg(QString::fromStdString(AClient));
  if (!QFileInfo::exists(package))
    return AClient + " is not installed under " ZK_PEERS_DIR " (scripts/install-deps.sh installs it)";
  return {};
}

// Seconds since 1970 of a YYYY-MM-DD HH:MM:SS time; -1 when it is none.
long long SecondsOf(const std::string& ATime) {
  using namespace std::chrono;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (std::sscanf(ATime.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) return -1;
  const year_month_day day{year{y}, month{static_cast<unsigned>(mo)}, std::chrono::day{static_cast<unsigned>(d)}};
  if (!day.ok()) return -1;
  return (sys_days{day}.time_since_epoch() + hours{h} + minutes{mi} + seconds{s}).count();
}

// AClient reads the log of the terminal at APort and ends.
ClientRead ReadLog(const std::string& AClient, const std::string& APort) {
  ClientRead out;
  out.Run = e2e::Run(Node(), {ZK_PEERS_DIR "/read-log.js", AClient, "127.0.0.1", APort, "60000"},
                     {}, 70000);
  for (const std::string& line : e2e::Lines(out.Run.Out)) {
    const QJsonObject o = e2e::JsonOf(line);
    if (o.contains("count")) {
      out.Count = o["count"].toInt();
      continue;
    }
    out.Records.push_back({e2e::Str(o["user"]), e2e::Str(o["time"]), o["state"].toInt(-1)});
  }
  return out;
}

class ZkPublicClients : public testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    const std::string missing = MissingPeer(GetParam());
    if (!missing.empty()) GTEST_SKIP() << missing;
  }
  // The client's read of the terminal that clocksim serves with AStatements; fails the test when
  // the client did not end well.
  ClientRead Read(const std::vector<std::string>& AStatements) {
    Simulator sim(AStatements, {"--zk-terminal", "0"});
    const std::string port = sim.announced("zk");
    EXPECT_FALSE(port.empty()) << "clocksim announced no terminal";
    ClientRead read = ReadLog(GetParam(), port);
    EXPECT_EQ(read.Run.ExitCode, 0) << read.Run.Err;
    EXPECT_EQ(read.Count, static_cast<int>(read.Records.size())) << read.Run.Out;
    return read;
  }
  // Whether the client reads the in/out state at all.
  bool ReadsState() const { return GetParam() == "zkteco-js"; }
};

TEST_P(ZkPublicClients, ReadTheListedRecordsOfASmallLog) {
  const ClientRead read = Read({"zk-record 123456 2024-12-08 08:30:05 1",
                                "zk-record 7 2025-01-31 23:59:59 0",
                                "zk-record 999999999 2099-12-31 00:00:00 4"});
  ASSERT_EQ(read.Records.size(), 3u) << read.Run.Out << read.Run.Err;
  const std::vector<ReadRecord> expected = {{"123456", "2024-12-08 08:30:05", 1},
                                            {"7", "2025-01-31 23:59:59", 0},
                                            {"999999999", "2099-12-31 00:00:00", 4}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(read.Records[i].User, expected[i].User);
    EXPECT_EQ(read.Records[i].Time, expected[i].Time);
    if (ReadsState()) {
      EXPECT_EQ(read.Records[i].State, expected[i].State);
    }
  }
}

TEST_P(ZkPublicClients, ReadAnEmptyLog) {
  const ClientRead read = Read({"zk-records 0"});
  EXPECT_EQ(read.Count, 0) << read.Run.Out << read.Run.Err;
}

// 20,000 records take the large-data path in many chunks: every record comes once, in order,
// across the chunk boundaries; the listed ones at the end come whole.
TEST_P(ZkPublicClients, ReadEveryRecordOfALargeLog) {
  constexpr int kMadeUp = 20000;
  const ClientRead read = Read({"zk-records " + std::to_string(kMadeUp),
                                "zk-record 4242 2024-12-08 08:30:05 1",
                                "zk-record 31 2024-12-09 17:00:00 0"});
  ASSERT_EQ(read.Records.size(), kMadeUp + 2u) << read.Run.Err;
  // The made-up records: users 1 to 500 in turn, one a minute.
  const long long first = SecondsOf(read.Records[0].Time);
  ASSERT_GE(first, 0) << read.Records[0].Time;
  int wrong = 0;
  for (int i = 0; i < kMadeUp && wrong < 5; ++i) {
    const ReadRecord& r = read.Records[i];
    const bool right = r.User == std::to_string(i % 500 + 1) && SecondsOf(r.Time) == first + 60LL * i &&
                       (!ReadsState() || r.State == i % 2);
    if (!right) ++wrong;
    EXPECT_TRUE(right) << "record " << i << ": " << r.User << " " << r.Time << " " << r.State;
  }
  EXPECT_EQ(read.Records[kMadeUp].User, "4242");
  EXPECT_EQ(read.Records[kMadeUp].Time, "2024-12-08 08:30:05");
  EXPECT_EQ(read.Records[kMadeUp + 1].User, "31");
  EXPECT_EQ(read.Records[kMadeUp + 1].Time, "2024-12-09 17:00:00");
}

INSTANTIATE_TEST_SUITE_P(Npm, ZkPublicClients, testing::Values("node-zklib", "zkteco-js"),
                         [](const testing::TestParamInfo<std::string>& AInfo) {
                           std::string name = AInfo.param;
                           std::erase(name, '-');
                           return name;
                         });

}  // namespace
