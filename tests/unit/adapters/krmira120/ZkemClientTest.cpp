// The port-4370 client against a terminal played in memory: the simulator's terminal for the
// ordinary answers, with single answers replaced where a test needs a terminal that misbehaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "adapters/KRMira120/ZkemClient.h"
#include "adapters/krmira120/ZkTestSupport.h"
#include "inproc/VirtualPlatform.h"
#include "models/ZkTerminalModel.h"

using zktest::Reply;
using zktest::ScriptedTransport;

namespace {

class ZkemClientInMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    Model.setDeviceTime({2008, 3, 20, 10, 15, 30});
    Model.setTimeRunning(false);
    Model.connectionOpened();
    State = std::make_shared<ScriptedTransport::State>();
    // Every new connection starts the terminal's session afresh.
    State->OnOpen = [this] { Model.connectionOpened(); };
    State->Answer = [this](const zk::Frame& F) -> std::string {
      if (Override) {
        std::string Custom;
        if (Override(F, Custom)) return Custom;
      }
      return ModelAnswer(F);
    };
    TZkemClientSettings Settings;
    Settings.ConnectTimeoutMs = 200;
    Settings.ReplyTimeoutMs = 150;
    Client = std::make_unique<TZkemClient>(Settings, std::make_unique<ScriptedTransport>(State));
  }

  std::string ModelAnswer(const zk::Frame& F) {
    const sim::ReplyPlan Plan =
        Model.receive(zk::BuildFrame(F.Command, F.SessionId, F.ReplyId, F.Payload));
    std::string Out;
    for (const sim::TimedBytes& Piece : Plan) Out += Piece.Bytes;
    return Out;
  }

  bool Connect() { return Client->Connect_Net(L"10.0.0.5", 4370); }

  int LastError() {
    int Code = 99;
    Client->GetLastError(Code);
    return Code;
  }

  std::vector<std::uint16_t> Commands() const {
    std::vector<std::uint16_t> Out;
    for (const zk::Frame& F : State->Requests) Out.push_back(F.Command);
    return Out;
  }

  void AddRecords(int ACount) {
    for (int I = 0; I < ACount; ++I) {
      Model.addRecord({static_cast<std::uint16_t>(I), std::to_string(1000 + I), 1,
                       zk::DecodeTime(0x0FBEC9C2u + static_cast<std::uint32_t>(I) * 61), 0, 0});
    }
  }

  // Reads the whole log through the client; the enroll numbers in the order handed out.
  std::vector<std::string> ReadLog() {
    std::vector<std::string> Ids;
    if (!Client->ReadAllGLogData(1)) return Ids;
    std::string Enroll;
    int V = 0, Io = 0, Y = 0, Mo = 0, D = 0, H = 0, Mi = 0, S = 0, W = 0;
    while (Client->SSR_GetGeneralLogData(1, Enroll, V, Io, Y, Mo, D, H, Mi, S, W)) {
      Ids.push_back(Enroll);
    }
    return Ids;
  }

  sim::ZkTerminalModel Model;
  std::shared_ptr<ScriptedTransport::State> State;
  // Returns true (with the bytes to send) to answer a request in place of the terminal.
  std::function<bool(const zk::Frame&, std::string&)> Override;
  std::unique_ptr<TZkemClient> Client;
};

TEST_F(ZkemClientInMemory, SessionAndSimpleCalls) {
  Model.setNextSessionId(0x8DF3);
  ASSERT_TRUE(Connect());
  EXPECT_EQ(Client->SessionId(), 0x8DF3);
  // The connect goes out with session 0 and reply id 0; later requests carry the session and
  // count the reply id up.
  ASSERT_EQ(State->Requests.size(), 1u);
  EXPECT_EQ(State->Requests[0].SessionId, 0);
  EXPECT_EQ(State->Requests[0].ReplyId, 0);
  std::string Version;
  EXPECT_TRUE(Client->GetFirmwareVersion(1, Version));
  EXPECT_EQ(Version, "Ver 6.60 Apr 28 2015");
  int Y = 0, Mo = 0, D = 0, H = 0, Mi = 0, S = 0;
  EXPECT_TRUE(Client->GetDeviceTime(1, Y, Mo, D, H, Mi, S));
  EXPECT_EQ((zk::DateTime{Y, Mo, D, H, Mi, S}), (zk::DateTime{2008, 3, 20, 10, 15, 30}));
  EXPECT_TRUE(Client->SetDeviceTime2(1, 2031, 12, 31, 23, 59, 58));
  EXPECT_EQ(Model.deviceTime(), (zk::DateTime{2031, 12, 31, 23, 59, 58}));
  ASSERT_EQ(State->Requests.size(), 4u);
  for (std::size_t I = 1; I < State->Requests.size(); ++I) {
    EXPECT_EQ(State->Requests[I].SessionId, 0x8DF3);
    EXPECT_EQ(State->Requests[I].ReplyId, I);
  }
  EXPECT_EQ(LastError(), kZkOk);
  EXPECT_EQ(Model.badChecksumFrames(), 0);
}

// Without a stream of its own the client connects through the installed platform's stream.
TEST_F(ZkemClientInMemory, TakesItsStreamFromTheInstalledPlatform) {
  struct TScriptedStreamPlatform : sim::VirtualPlatform {
    std::shared_ptr<ScriptedTransport::State> Script;
    std::unique_ptr<ITcpStream> createTcpStream() override {
      return std::make_unique<ScriptedTransport>(Script);
    }
  } Platform;
  Platform.Script = State;
  platform::Install(&Platform);
  TZkemClientSettings Settings;
  Settings.ConnectTimeoutMs = 200;
  Settings.ReplyTimeoutMs = 150;
  TZkemClient PlatformClient(Settings);
  platform::Install(nullptr);

  Model.setNextSessionId(0x1234);
  ASSERT_TRUE(PlatformClient.Connect_Net(L"10.0.0.5", 4370));
  EXPECT_EQ(State->Opens, 1);
  EXPECT_EQ(PlatformClient.SessionId(), 0x1234);
}

TEST_F(ZkemClientInMemory, NothingIsSentWithoutAConnection) {
  std::string Version;
  EXPECT_FALSE(Client->GetFirmwareVersion(1, Version));
  EXPECT_EQ(LastError(), kZkNotConnected);
  EXPECT_FALSE(Client->ReadAllGLogData(1));
  EXPECT_FALSE(Client->ClearGLog(1));
  EXPECT_EQ(State->Opens, 0);
  EXPECT_TRUE(State->Requests.empty());
  // Addresses and ports that cannot be used.
  EXPECT_FALSE(Client->Connect_Net(L"10.0.0.\x0661", 4370));
  EXPECT_EQ(LastError(), kZkBadParameter);
  EXPECT_FALSE(Client->Connect_Net(L"", 4370));
  EXPECT_FALSE(Client->Connect_Net(L"10.0.0.5", 0));
  EXPECT_FALSE(Client->Connect_Net(L"10.0.0.5", 70000));
  EXPECT_EQ(State->Opens, 0);
  State->RefuseOpen = true;
  EXPECT_FALSE(Connect());
  EXPECT_EQ(LastError(), kZkNotConnected);
}

TEST_F(ZkemClientInMemory, RefusedOrUnansweredConnect) {
  Override = [](const zk::Frame& F, std::string& Out) {
    Out = Reply(F, zk::CMD_ACK_ERROR);
    return true;
  };
  EXPECT_FALSE(Connect());
  EXPECT_EQ(LastError(), kZkRefused);
  EXPECT_FALSE(Client->IsConnected());

  Override = [](const zk::Frame&, std::string& Out) {
    Out.clear();  // silence
    return true;
  };
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Connect());
  EXPECT_EQ(LastError(), kZkNotConnected);
  EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(2));
}

TEST_F(ZkemClientInMemory, CommKey) {
  Model.setCommKey(12345);
  struct Case {
    std::uint32_t Key;
    bool Ok;
  };
  for (const Case& C : std::vector<Case>{{12345, true}, {12346, false}, {0, false}}) {
    TZkemClientSettings Settings;
    Settings.CommKey = C.Key;
    Settings.ReplyTimeoutMs = 150;
    Client = std::make_unique<TZkemClient>(Settings, std::make_unique<ScriptedTransport>(State));
    Model.connectionOpened();
    State->Requests.clear();
    EXPECT_EQ(Connect(), C.Ok) << C.Key;
    EXPECT_EQ(Commands(), (std::vector<std::uint16_t>{zk::CMD_CONNECT, zk::CMD_AUTH})) << C.Key;
    if (!C.Ok) {
      EXPECT_EQ(LastError(), kZkUnauthorized);
      EXPECT_FALSE(Client->IsConnected());
    }
  }
  // Without the key the terminal answers nothing else either.
  Model.connectionOpened();
  EXPECT_EQ(ModelAnswer({zk::CMD_CONNECT, 0, 0, 0, ""}).substr(8, 2), "\xD5\x07");
  EXPECT_EQ(ModelAnswer({zk::CMD_GET_VERSION, 0, 0, 1, ""}).substr(8, 2), "\xD5\x07");
}

TEST_F(ZkemClientInMemory, ForeignFramesArePassedOver) {
  ASSERT_TRUE(Connect());
  Override = [this](const zk::Frame& F, std::string& Out) {
    if (F.Command != zk::CMD_GET_VERSION) return false;
    // A late answer to an earlier request, an event, then the answer, in one-byte pieces.
    Out = zk::BuildFrame(zk::CMD_ACK_OK, 1, static_cast<std::uint16_t>(F.ReplyId - 1), "old") +
          zk::BuildFrame(zk::CMD_REG_EVENT, 1, F.ReplyId, "event") + ModelAnswer(F);
    return true;
  };
  State->PieceSize = 1;
  std::string Version;
  EXPECT_TRUE(Client->GetFirmwareVersion(1, Version));
  EXPECT_EQ(Version, "Ver 6.60 Apr 28 2015");
}

TEST_F(ZkemClientInMemory, GarbledStreamDropsTheConnectionAndTheNextCallConnectsAgain) {
  ASSERT_TRUE(Connect());
  bool Garble = true;
  Override = [&Garble](const zk::Frame& F, std::string& Out) {
    if (F.Command != zk::CMD_GET_VERSION || !Garble) return false;
    Garble = false;
    Out = "HTTP/1.1 400 Bad Request\r\n\r\n";
    return true;
  };
  std::string Version;
  EXPECT_FALSE(Client->GetFirmwareVersion(1, Version));
  EXPECT_EQ(LastError(), kZkBadReply);
  EXPECT_FALSE(Client->IsConnected());
  EXPECT_EQ(State->Opens, 1);
  // The adapter above still thinks it is connected: the next call opens a new session.
  Model.connectionOpened();
  EXPECT_TRUE(Client->GetFirmwareVersion(1, Version));
  EXPECT_EQ(State->Opens, 2);
  EXPECT_TRUE(Client->IsConnected());
  // After an orderly disconnect nothing connects by itself.
  Client->Disconnect();
  EXPECT_EQ(Commands().back(), zk::CMD_EXIT);
  EXPECT_FALSE(Client->GetFirmwareVersion(1, Version));
  EXPECT_EQ(State->Opens, 2);
}

TEST_F(ZkemClientInMemory, RefusalsOfSimpleCalls) {
  ASSERT_TRUE(Connect());
  Override = [](const zk::Frame& F, std::string& Out) {
    Out = F.Command == zk::CMD_GET_TIME ? Reply(F, zk::CMD_ACK_OK, "\x01\x02")  // too short
                                        : Reply(F, zk::CMD_ACK_ERROR);
    return true;
  };
  int Y = 9, Mo = 9, D = 9, H = 9, Mi = 9, S = 9;
  EXPECT_FALSE(Client->GetDeviceTime(1, Y, Mo, D, H, Mi, S));
  EXPECT_EQ(LastError(), kZkBadReply);
  EXPECT_EQ((zk::DateTime{Y, Mo, D, H, Mi, S}), zk::DateTime{});
  EXPECT_FALSE(Client->SetDeviceTime2(1, 2010, 1, 1, 0, 0, 0));
  EXPECT_EQ(LastError(), kZkRefused);
  EXPECT_FALSE(Client->ClearGLog(1));
  std::string Version = "kept";
  EXPECT_FALSE(Client->GetFirmwareVersion(1, Version));
  EXPECT_EQ(Version, "kept");
  // Refusals leave the session standing.
  EXPECT_TRUE(Client->IsConnected());
}

TEST_F(ZkemClientInMemory, TimesTheTerminalCannotHoldAreNotSent) {
  ASSERT_TRUE(Connect());
  const std::size_t Sent = State->Requests.size();
  // 1972 would be stored as 2072: refused before anything goes out.
  EXPECT_FALSE(Client->SetDeviceTime2(1, 1972, 3, 21, 8, 30, 0));
  EXPECT_EQ(LastError(), kZkBadParameter);
  EXPECT_FALSE(Client->SetDeviceTime2(1, 2010, 2, 30, 24, 0, 0));
  EXPECT_EQ(State->Requests.size(), Sent);
}

TEST_F(ZkemClientInMemory, SmallAndLargePaths) {
  struct Case {
    const char* Name;
    int Records;
    std::size_t DataFrameLimit;
    std::uint16_t LargeReply;
    std::size_t ChunkRequests;  // 0: small path
  };
  const std::vector<Case> Cases = {
      {"empty log", 0, 0, zk::CMD_ACK_OK, 0},
      {"small", 25, 0, zk::CMD_ACK_OK, 0},  // 1004 bytes
      {"just large", 26, 0, zk::CMD_ACK_OK, 1},
      {"exactly one chunk", 1636, 0, zk::CMD_ACK_OK, 1},  // 4 + 1636 * 40 = 65444
      {"two chunks", 1637, 0, zk::CMD_ACK_OK, 2},
      {"chunks in many frames", 3300, 1000, zk::CMD_ACK_OK, 3},
      {"announced with prepare-data", 2000, 0, zk::CMD_PREPARE_DATA, 2},
  };
  for (const Case& C : Cases) {
    Model.clearLog();
    AddRecords(C.Records);
    Model.setDataFrameLimit(C.DataFrameLimit);
    Model.setLargeBufferReply(C.LargeReply);
    ASSERT_TRUE(Connect()) << C.Name;
    State->Requests.clear();
    const std::vector<std::string> Ids = ReadLog();
    ASSERT_EQ(Ids.size(), static_cast<std::size_t>(C.Records)) << C.Name;
    for (int I = 0; I < C.Records; ++I) ASSERT_EQ(Ids[I], std::to_string(1000 + I)) << C.Name;
    // The count first: the wait for the prepared log grows with it.
    std::vector<std::uint16_t> Expected = {zk::CMD_GET_FREE_SIZES, zk::CMD_PREPARE_BUFFER};
    if (C.ChunkRequests > 0) {
      Expected.insert(Expected.end(), C.ChunkRequests, zk::CMD_READ_BUFFER);
      Expected.push_back(zk::CMD_FREE_DATA);
    }
    EXPECT_EQ(Commands(), Expected) << C.Name;
    EXPECT_EQ(LastError(), kZkNoData) << C.Name;
  }
}

// A terminal that prepares a large log slowly is waited for longer: the wait for the answer to
// the read grows with the records the terminal counts (here 1 ms a record), up to its cap. A
// terminal that never answers still fails, as a failure, not as an empty log.
TEST_F(ZkemClientInMemory, TheWaitForThePreparedLogGrowsWithItsSize) {
  Override = [](const zk::Frame& F, std::string& Out) {
    if (F.Command != zk::CMD_PREPARE_BUFFER) return false;
    Out.clear();  // it never gets ready
    return true;
  };
  struct Case {
    int Records;
    int CapMs;
    int AtLeastMs;
  };
  for (const Case& C : {Case{300, 10000, 380}, Case{300, 50, 90}}) {
    TZkemClientSettings Settings;
    Settings.ConnectTimeoutMs = 200;
    Settings.ReplyTimeoutMs = 100;
    Settings.PrepareMsPer10000Records = 10000;
    Settings.PrepareTimeoutCapMs = C.CapMs;
    Client = std::make_unique<TZkemClient>(Settings, std::make_unique<ScriptedTransport>(State));
    Model.clearLog();
    AddRecords(C.Records);
    ASSERT_TRUE(Connect());
    const auto Start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Client->ReadAllGLogData(1));
    const auto Took = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - Start)
                          .count();
    EXPECT_EQ(LastError(), kZkNotConnected);
    // The wait below the cap is the ordinary one and what the records add; a cap below the
    // ordinary wait does not shorten it.
    EXPECT_GE(Took, C.AtLeastMs) << C.Records << " records, cap " << C.CapMs;
  }
}

// Answers for a large buffer of AAnnounced bytes whose chunks the test answers itself.
class ZkemClientLargePath : public ZkemClientInMemory {
 protected:
  void Announce(std::uint32_t ASize,
                std::function<std::string(const zk::Frame&, std::uint32_t, std::uint32_t)> AChunk) {
    Override = [ASize, AChunk](const zk::Frame& F, std::string& Out) {
      if (F.Command == zk::CMD_PREPARE_BUFFER) {
        std::string P(1, '\0');
        zk::PutU32(P, ASize);
        zk::PutU32(P, ASize);
        zk::PutU32(P, 0);
        Out = Reply(F, zk::CMD_ACK_OK, P);
        return true;
      }
      if (F.Command == zk::CMD_READ_BUFFER) {
        std::uint32_t Start = 0, Length = 0;
        zk::ReadU32(F.Payload, 0, Start);
        zk::ReadU32(F.Payload, 4, Length);
        Out = AChunk(F, Start, Length);
        return true;
      }
      return false;
    };
  }

  static std::string PrepareData(const zk::Frame& F, std::uint32_t ALength) {
    std::string P;
    zk::PutU32(P, ALength);
    zk::PutU32(P, 0);
    return Reply(F, zk::CMD_PREPARE_DATA, P);
  }
};

TEST_F(ZkemClientLargePath, ChunkAnswersThatBreakTheRules) {
  // A buffer of two 40-byte records, all of it in the first chunk.
  std::string Buffer;
  zk::PutU32(Buffer, 80);
  Buffer += zk::EncodeRecord40({1, "7", 0, {2010, 1, 1, 0, 0, 0}, 0, 0});
  Buffer += zk::EncodeRecord40({2, "8", 0, {2010, 1, 1, 0, 0, 1}, 0, 0});
  const std::uint32_t Size = static_cast<std::uint32_t>(Buffer.size());
  using Chunk = std::function<std::string(const zk::Frame&, std::uint32_t, std::uint32_t)>;
  struct Case {
    const char* Name;
    std::uint32_t Announced;
    Chunk Answer;
    bool Ok;
  };
  const std::vector<Case> Cases = {
      {"as a terminal does", Size,
       [&](const zk::Frame& F, std::uint32_t S, std::uint32_t L) {
         return PrepareData(F, L) + Reply(F, zk::CMD_DATA, Buffer.substr(S, L)) +
                Reply(F, zk::CMD_ACK_OK);
       },
       true},
      {"a bare data frame", Size,
       [&](const zk::Frame& F, std::uint32_t S, std::uint32_t L) {
         return Reply(F, zk::CMD_DATA, Buffer.substr(S, L));
       },
       true},
      {"short chunks: the rest is asked for", Size,
       [&](const zk::Frame& F, std::uint32_t S, std::uint32_t L) {
         const std::uint32_t N = std::min<std::uint32_t>(30, L);
         return PrepareData(F, N) + Reply(F, zk::CMD_DATA, Buffer.substr(S, N));
       },
       true},
      {"more announced than asked", Size,
       [&](const zk::Frame& F, std::uint32_t, std::uint32_t L) {
         return PrepareData(F, L + 1) + Reply(F, zk::CMD_DATA, Buffer + "x");
       },
       false},
      {"more data than announced", Size,
       [&](const zk::Frame& F, std::uint32_t S, std::uint32_t L) {
         return PrepareData(F, L - 4) + Reply(F, zk::CMD_DATA, Buffer.substr(S, L));
       },
       false},
      {"ack before the data", Size,
       [&](const zk::Frame& F, std::uint32_t, std::uint32_t L) {
         return PrepareData(F, L) + Reply(F, zk::CMD_ACK_OK);
       },
       false},
      {"empty bare data", Size,
       [&](const zk::Frame& F, std::uint32_t, std::uint32_t) { return Reply(F, zk::CMD_DATA); },
       false},
      {"refused chunk", Size,
       [&](const zk::Frame& F, std::uint32_t, std::uint32_t) {
         return Reply(F, zk::CMD_ACK_ERROR);
       },
       false},
      {"a byte at a time is given up", 400000,
       [&](const zk::Frame& F, std::uint32_t, std::uint32_t) {
         return PrepareData(F, 1) + Reply(F, zk::CMD_DATA, "z");
       },
       false},
      {"silence", Size, [&](const zk::Frame&, std::uint32_t, std::uint32_t) { return ""; }, false},
      {"more than any terminal holds", zk::kMaxBufferSize + 1,
       [&](const zk::Frame& F, std::uint32_t, std::uint32_t) { return Reply(F, zk::CMD_DATA); },
       false},
      {"the records do not fill the buffer", 81,
       [&](const zk::Frame& F, std::uint32_t S, std::uint32_t L) {
         return Reply(F, zk::CMD_DATA, (Buffer + "x").substr(S, L));
       },
       false},
  };
  for (const Case& C : Cases) {
    Announce(C.Announced, C.Answer);
    ASSERT_TRUE(Connect()) << C.Name;
    State->Requests.clear();
    const auto Start = std::chrono::steady_clock::now();
    const std::vector<std::string> Ids = ReadLog();
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(2)) << C.Name;
    if (C.Ok) {
      EXPECT_EQ(Ids, (std::vector<std::string>{"7", "8"})) << C.Name;
    } else {
      EXPECT_TRUE(Ids.empty()) << C.Name;
      EXPECT_LT(LastError(), 0) << C.Name;
    }
    // The terminal's transfer buffer is released whenever the connection still stands.
    if (Client->IsConnected()) {
      EXPECT_EQ(Commands().back(), zk::CMD_FREE_DATA) << C.Name;
    }
  }
}

TEST_F(ZkemClientInMemory, UnknownAnswerToTheBufferRequest) {
  ASSERT_TRUE(Connect());
  for (std::uint16_t Code : {zk::CMD_ACK_ERROR, zk::CMD_ACK_UNKNOWN, zk::CMD_ACK_UNAUTH}) {
    Override = [Code](const zk::Frame& F, std::string& Out) {
      Out = Reply(F, Code);
      return true;
    };
    EXPECT_FALSE(Client->ReadAllGLogData(1)) << Code;
    EXPECT_LT(LastError(), 0) << Code;
  }
  // An ACK_OK without the size is no announcement.
  Override = [](const zk::Frame& F, std::string& Out) {
    Out = Reply(F, zk::CMD_ACK_OK, std::string("\0\1", 2));
    return true;
  };
  EXPECT_FALSE(Client->ReadAllGLogData(1));
  EXPECT_EQ(LastError(), kZkBadReply);
}

}  // namespace

// The whole log must come within the reply timeout plus its size at 8000 bytes a second, however
// its frames trickle in: each frame alone would be within the reply timeout. Runs in virtual
// time.
class ZkemClientSlowTerminal : public ZkemClientInMemory {
 protected:
  void SetUp() override {
    ZkemClientInMemory::SetUp();
    TZkemClientSettings Settings;  // the real timeouts: 5 s a reply
    Client = std::make_unique<TZkemClient>(Settings, std::make_unique<ScriptedTransport>(State));
  }
  std::uint64_t Now() const { return Vp.P.Clock.elapsed(); }
  sim::ScopedVirtualPlatform Vp;
};

TEST_F(ZkemClientSlowTerminal, TheLogComesWithinTheTimeItsSizeAllows) {
  // 100 records: a buffer of 4004 bytes, so 5000 + 501 ms.
  AddRecords(100);
  const std::uint64_t Cap = LogTransferCapMs(4004, 5000);
  ASSERT_EQ(Cap, 5501u);
  struct Case {
    const char* Name;
    std::size_t FrameBytes;
    std::uint32_t GapMs;
    bool Read;
  };
  const Case Cases[] = {
      // 4004 frames of one byte, 200 ms apart: 800 s if it were followed to the end.
      {"one byte a frame", 1, 200, false},
      // Five frames of a chunk, each 4.9 s after the one before: each alone in time.
      {"every frame just in time", 1000, 4900, false},
      {"slow but in time", 1000, 400, true},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    State->FrameGapMs = 0;
    ASSERT_TRUE(Connect());
    Model.setDataFrameLimit(C.FrameBytes);
    State->FrameGapMs = C.GapMs;
    const std::uint64_t Start = Now();
    const std::vector<std::string> Ids = ReadLog();
    const std::uint64_t Took = Now() - Start;
    EXPECT_EQ(Ids.size(), C.Read ? 100u : 0u);
    EXPECT_EQ(LastError(), C.Read ? kZkNoData : kZkTooSlow);
    // The buffer request's answer and the chunk's announcement come before the deadline starts.
    EXPECT_LE(Took, 2 * C.GapMs + Cap + 2 * C.GapMs);
    if (!C.Read) {
      EXPECT_GE(Took, Cap);
    }
  }
}
