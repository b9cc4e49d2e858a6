// The KR-Mira120 adapter and its TCP binding against the simulator's terminal over loopback TCP:
// firmware, time both ways, records by the small and the large-data path, the clearing of the
// log, and the comm key.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "adapters/KRMira120/KRMira120.h"
#include "adapters/KRMira120/ZkemClient.h"
#include "models/ZkTerminalModel.h"
#include "models/ZkTerminalServer.h"

namespace {

class ZkTerminalLoopback : public ::testing::Test {
 protected:
  void SetUp() override {
    Model.setDeviceTime({2008, 3, 20, 10, 15, 30});
    Model.setTimeRunning(false);
    ASSERT_TRUE(Server.start());
  }

  TZkemClientSettings Settings(std::uint32_t ACommKey = 0) const {
    TZkemClientSettings S;
    S.CommKey = ACommKey;
    S.ConnectTimeoutMs = 1000;
    S.ReplyTimeoutMs = 2000;
    return S;
  }

  std::unique_ptr<TKrMira120> MakeAdapter(std::uint32_t ACommKey = 0) {
    return std::make_unique<TKrMira120>("127.0.0.1", Server.port(), 1, "",
                                        std::make_unique<TZkemClient>(Settings(ACommKey)));
  }

  std::vector<std::uint16_t> Commands() {
    return Server.withModel([](sim::ZkTerminalModel& M) { return M.commands(); });
  }

  // The commands once ACount have come (a closing CMD_EXIT is not answered before the client
  // goes on), or after a second.
  std::vector<std::uint16_t> Commands(std::size_t ACount) {
    const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (Commands().size() < ACount && std::chrono::steady_clock::now() < Until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return Commands();
  }

  sim::ZkTerminalModel Model;
  sim::ZkTerminalServer Server{Model};
};

TEST_F(ZkTerminalLoopback, FirmwareAndTime) {
  auto Adapter = MakeAdapter();
  ASSERT_TRUE(Adapter->Connect());
  EXPECT_TRUE(Adapter->IsConnected());
  EXPECT_EQ(Adapter->GetFirmwareVersion(), "Ver 6.60 Apr 28 2015");
  TDateStr Date;
  TTimeStr Time;
  ASSERT_TRUE(Adapter->GetDateTime(Date, Time));
  EXPECT_EQ(Date.str(), "1387/01/01");
  EXPECT_EQ(Time.str(), "10:15");

  ASSERT_TRUE(Adapter->SetDateTime("88/01/01", "09:45"));
  EXPECT_EQ(Server.withModel([](sim::ZkTerminalModel& M) { return M.deviceTime(); }),
            (zk::DateTime{2009, 3, 21, 9, 45, 0}));
  ASSERT_TRUE(Adapter->GetDateTime(Date, Time));
  EXPECT_EQ(Date.str(), "1388/01/01");
  EXPECT_EQ(Time.str(), "09:45");
  // A date the terminal cannot keep (1351 is 1972) is refused, and the clock stays as it was.
  EXPECT_FALSE(Adapter->SetDateTime("51/01/01", "08:00"));
  EXPECT_EQ(Server.withModel([](sim::ZkTerminalModel& M) { return M.deviceTime(); }),
            (zk::DateTime{2009, 3, 21, 9, 45, 0}));
  EXPECT_EQ(Server.withModel([](sim::ZkTerminalModel& M) { return M.badChecksumFrames(); }), 0);
}

TEST_F(ZkTerminalLoopback, RecordsAreHandedOutAndTheLogCleared) {
  Server.withModel([](sim::ZkTerminalModel& M) {
    M.addRecord({1, "123", 1, {2008, 3, 20, 8, 30, 5}, 2, 0});
    M.addRecord({2, "77", 15, {2008, 3, 20, 17, 2, 0}, 3, 0});
    M.addRecord({3, "5", 1, {2021, 3, 21, 6, 0, 0}, 0, 0});
    return 0;
  });
  auto Adapter = MakeAdapter();
  ASSERT_TRUE(Adapter->Connect());
  std::vector<TMira120Record> Records;
  while (Adapter->IsEmpty() == 0) {
    Records.push_back(Adapter->GetRecord());
    Adapter->NextRecord();
  }
  ASSERT_EQ(Records.size(), 3u);
  EXPECT_EQ(Records[0].KartNo, "123");
  EXPECT_EQ(Records[0].Date.str(), "1387/01/01");
  EXPECT_EQ(Records[0].Time.str(), "08:30");
  EXPECT_EQ(Records[0].IOType, ioVacation);
  EXPECT_EQ(Records[0].Data.str(), std::string(3, '\x01') + "0000000123010108300000A");
  EXPECT_EQ(Records[1].IOType, ioMission);
  EXPECT_EQ(Records[2].Date.str(), "1400/01/01");
  EXPECT_EQ(Records[2].ClockNumber, 1);
  EXPECT_EQ(Records[2].ComIp.str(), "127.0.0.1");
  // Handed out in full, and the terminal counts just those: the log was cleared without being
  // read again.
  EXPECT_TRUE(Server.withModel([](sim::ZkTerminalModel& M) { return M.records().empty(); }));
  // The read asks the count first, as the wait for the prepared log grows with it; the count
  // before the clear agrees with what was read.
  EXPECT_EQ(Commands(),
            (std::vector<std::uint16_t>{zk::CMD_CONNECT, zk::CMD_GET_FREE_SIZES,
                                        zk::CMD_PREPARE_BUFFER, zk::CMD_GET_FREE_SIZES,
                                        zk::CMD_CLEAR_ATTLOG}));
}

TEST_F(ZkTerminalLoopback, APunchStoredDuringTheLastReadIsNotClearedUnread) {
  Server.withModel([](sim::ZkTerminalModel& M) {
    M.addRecord({1, "123", 1, {2008, 3, 20, 8, 30, 5}, 0, 0});
    M.addRecord({2, "123", 1, {2008, 3, 20, 8, 30, 5}, 0, 0});
    // Stored just after the read that finds nothing new, before the log is cleared.
    M.storeDuringRead(2, {3, "", 1, {2008, 3, 20, 9, 0, 0}, 0, 0});
    return 0;
  });
  auto Adapter = MakeAdapter();
  ASSERT_TRUE(Adapter->Connect());
  std::vector<TMira120Record> Records;
  for (int Round = 0; Round < 3 && Records.size() < 10; ++Round) {
    while (Adapter->IsEmpty() == 0) {
      Records.push_back(Adapter->GetRecord());
      Adapter->NextRecord();
    }
  }
  // Both identical punches and the late one with its blank id: each written once, none lost.
  ASSERT_EQ(Records.size(), 3u);
  EXPECT_EQ(Records[1].KartNo, "123");
  EXPECT_EQ(Records[2].KartNo, "");
  EXPECT_EQ(Records[2].Fault, "blank user id");
  EXPECT_TRUE(Server.withModel([](sim::ZkTerminalModel& M) { return M.records().empty(); }));
}

// A dump stopped after any number of records (the process killed) and a later dump that runs to
// the end: every punch, repeats and blank ids and one stored during a read included, is on the
// terminal or written after the first dump, and written after the second.
TEST_F(ZkTerminalLoopback, NoPunchIsLostWhereverADumpStops) {
  using Punches = std::multiset<std::string>;
  auto Key = [](const std::string& AId, int AMinute) { return AId + "@" + std::to_string(AMinute); };
  const std::vector<std::pair<std::string, int>> Log = {
      {"1", 0}, {"1", 0}, {"", 1}, {"22", 2}, {"333", 3}};
  const std::pair<std::string, int> Late = {"4", 9};
  Punches Early;
  for (const auto& [Id, Minute] : Log) Early.insert(Key(Id, Minute));
  Punches All = Early;
  All.insert(Key(Late.first, Late.second));

  for (std::size_t Stop = 0; Stop <= All.size() + 1; ++Stop) {
    const int ReadsBefore = Server.withModel([&](sim::ZkTerminalModel& M) {
      M.clearLog();
      std::uint16_t Uid = 1;
      for (const auto& [Id, Minute] : Log) M.addRecord({Uid++, Id, 1, {2008, 3, 20, 8, Minute, 0}, 0, 0});
      M.storeDuringRead(2, {Uid, Late.first, 1, {2008, 3, 20, 8, Late.second, 0}, 0, 0});
      return M.logReads();
    });
    Punches Written;
    auto Dump = [&](std::size_t AMax) {
      auto Adapter = MakeAdapter();
      ASSERT_TRUE(Adapter->Connect());
      std::size_t Taken = 0;
      for (int Round = 0; Round < 3 && Taken < AMax; ++Round) {
        while (Taken < AMax && Adapter->IsEmpty() == 0) {
          const TMira120Record R = Adapter->GetRecord();
          Written.insert(Key(R.KartNo, std::stoi(R.Time.str().substr(3, 2))));
          Adapter->NextRecord();
          ++Taken;
        }
      }
    };
    Dump(Stop);
    Punches Kept = Written;
    // The late punch exists once the second read has stored it.
    const bool LateStored = Server.withModel([&](sim::ZkTerminalModel& M) {
      for (const zk::AttRecord& R : M.records()) Kept.insert(Key(R.UserId, R.Time.Minute));
      return M.logReads() >= ReadsBefore + 2;
    });
    const Punches& Made = LateStored ? All : Early;
    EXPECT_TRUE(std::includes(Kept.begin(), Kept.end(), Made.begin(), Made.end()))
        << "stopped after " << Stop;
    Dump(100);
    EXPECT_TRUE(std::includes(Written.begin(), Written.end(), All.begin(), All.end()))
        << "stopped after " << Stop;
    EXPECT_TRUE(Server.withModel([](sim::ZkTerminalModel& M) { return M.records().empty(); }));
  }
}

TEST_F(ZkTerminalLoopback, FiveThousandRecordsByTheLargeDataPath) {
  constexpr int kCount = 5000;
  Server.withModel([](sim::ZkTerminalModel& M) {
    for (int I = 0; I < kCount; ++I) {
      const zk::DateTime When = zk::DecodeTime(*zk::EncodeTime({2015, 1, 1, 0, 0, 0}) +
                                               static_cast<std::uint32_t>(I) * 97);
      M.addRecord({static_cast<std::uint16_t>(I), std::to_string(100000 + I), 1, When,
                   static_cast<std::uint8_t>(I % 4), 0});
    }
    return 0;
  });
  auto Adapter = MakeAdapter();
  ASSERT_TRUE(Adapter->Connect());
  const auto Start = std::chrono::steady_clock::now();
  std::vector<TMira120Record> Records;
  while (Adapter->IsEmpty() == 0 && Records.size() <= kCount) {
    Records.push_back(Adapter->GetRecord());
    Adapter->NextRecord();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(5));
  ASSERT_EQ(Records.size(), static_cast<std::size_t>(kCount));
  std::set<std::string> Cards;
  for (const TMira120Record& R : Records) Cards.insert(R.KartNo);
  EXPECT_EQ(Cards.size(), static_cast<std::size_t>(kCount));
  EXPECT_EQ(Records.front().KartNo, "100000");
  EXPECT_EQ(Records.back().KartNo, std::to_string(100000 + kCount - 1));
  EXPECT_EQ(Records[2].IOType, ioVacation);
  EXPECT_EQ(Records[3].IOType, ioMission);
  // 4 + 5000 * 40 bytes: four chunks of at most 65472 bytes, then the buffer is freed; the
  // terminal counts what was read, and the log is cleared without a second read.
  const std::vector<std::uint16_t> Expected = {
      zk::CMD_CONNECT,     zk::CMD_GET_FREE_SIZES, zk::CMD_PREPARE_BUFFER, zk::CMD_READ_BUFFER,
      zk::CMD_READ_BUFFER, zk::CMD_READ_BUFFER,    zk::CMD_READ_BUFFER,    zk::CMD_FREE_DATA,
      zk::CMD_GET_FREE_SIZES, zk::CMD_CLEAR_ATTLOG};
  EXPECT_EQ(Commands(), Expected);
  EXPECT_TRUE(Server.withModel([](sim::ZkTerminalModel& M) { return M.records().empty(); }));
}

TEST_F(ZkTerminalLoopback, CommKey) {
  Server.withModel([](sim::ZkTerminalModel& M) {
    M.setCommKey(12345);
    return 0;
  });
  struct Case {
    std::uint32_t Key;
    bool Connects;
  };
  for (const Case& C : std::vector<Case>{{54321, false}, {0, false}, {12345, true}}) {
    auto Adapter = MakeAdapter(C.Key);
    EXPECT_EQ(Adapter->Connect(), C.Connects) << C.Key;
    EXPECT_EQ(Adapter->IsConnected(), C.Connects) << C.Key;
    EXPECT_EQ(Adapter->GetFirmwareVersion(), C.Connects ? "Ver 6.60 Apr 28 2015" : "") << C.Key;
  }
}

TEST_F(ZkTerminalLoopback, SessionsEndAndComeAgain) {
  {
    TZkemClient Client(Settings());
    ASSERT_TRUE(Client.Connect_Net(L"127.0.0.1", Server.port()));
    const std::uint16_t First = Client.SessionId();
    // Connecting again ends the first session and opens another.
    ASSERT_TRUE(Client.Connect_Net(L"127.0.0.1", Server.port()));
    EXPECT_NE(Client.SessionId(), First);
    std::string Version;
    EXPECT_TRUE(Client.GetFirmwareVersion(1, Version));
  }
  EXPECT_EQ(Commands(5), (std::vector<std::uint16_t>{zk::CMD_CONNECT, zk::CMD_EXIT, zk::CMD_CONNECT,
                                                     zk::CMD_GET_VERSION, zk::CMD_EXIT}));
  EXPECT_EQ(Server.connectionsServed(), 2);
}

TEST(ZkTerminalLoopbackNoServer, NothingListening) {
  sim::ZkTerminalModel Model;
  std::uint16_t Port = 0;
  {
    sim::ZkTerminalServer Server(Model);
    ASSERT_TRUE(Server.start());
    Port = Server.port();
  }
  TZkemClientSettings S;
  S.ConnectTimeoutMs = 1000;
  TKrMira120 Adapter("127.0.0.1", Port, 1, "", std::make_unique<TZkemClient>(S));
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Adapter.Connect());
  EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::milliseconds(1500));
  TDateStr Date;
  TTimeStr Time;
  EXPECT_FALSE(Adapter.GetDateTime(Date, Time));
  // Nothing answered: that is no empty terminal.
  EXPECT_EQ(Adapter.IsEmpty(), -1);
}

}  // namespace

namespace {

TEST_F(ZkTerminalLoopback, SecondConnectionIsServedWhileTheFirstIsOpen) {
  auto First = MakeAdapter();
  auto Second = MakeAdapter();
  ASSERT_TRUE(First->Connect());
  ASSERT_TRUE(Second->Connect());
  // Each keeps its own session: both are answered, in either order.
  EXPECT_EQ(Second->GetFirmwareVersion(), "Ver 6.60 Apr 28 2015");
  EXPECT_EQ(First->GetFirmwareVersion(), "Ver 6.60 Apr 28 2015");
  EXPECT_EQ(Server.connectionsServed(), 2);
}

TEST(ZkTerminalModelFrames, EachReplyFrameIsAPieceOfItsOwn) {
  sim::ZkTerminalModel model;
  model.setSmallBufferLimit(16);
  for (std::uint16_t i = 1; i <= 5; ++i)
    model.addRecord({i, std::to_string(i), 15, {2024, 12, 8, 8, i, 0}, 0, 0});
  model.connectionOpened();
  auto request = [&](std::uint16_t ACommand, const std::string& APayload, std::uint16_t AReply) {
    return model.receive(zk::BuildFrame(ACommand, model.sessionId(), AReply, APayload));
  };
  ASSERT_EQ(request(zk::CMD_CONNECT, "", 1).size(), 1u);
  std::string prepare(1, '\x01');
  zk::PutU16(prepare, zk::CMD_ATTLOG_RRQ);
  prepare += std::string(8, '\0');
  ASSERT_EQ(request(zk::CMD_PREPARE_BUFFER, prepare, 2).size(), 1u);
  const std::size_t size = zk::BuildAttendanceBuffer(model.records()).size();
  std::string read;
  zk::PutU32(read, 0);
  zk::PutU32(read, static_cast<std::uint32_t>(size));
  // The chunk comes as announce, data, done: three frames, three pieces, each one whole frame.
  const sim::ReplyPlan plan = request(zk::CMD_READ_BUFFER, read, 3);
  ASSERT_EQ(plan.size(), 3u);
  const std::uint16_t expected[] = {zk::CMD_PREPARE_DATA, zk::CMD_DATA, zk::CMD_ACK_OK};
  for (std::size_t i = 0; i < plan.size(); ++i) {
    zk::FrameReceiver receiver;
    receiver.Feed(plan[i].Bytes);
    zk::Frame frame;
    ASSERT_EQ(receiver.Next(frame), zk::FrameReceiver::Status::FrameReady) << i;
    EXPECT_EQ(frame.Command, expected[i]) << i;
    EXPECT_EQ(receiver.Next(frame), zk::FrameReceiver::Status::NeedMore) << i;
  }
}

}  // namespace
