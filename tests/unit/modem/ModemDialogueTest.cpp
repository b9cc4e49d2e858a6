#include <cstdint>
#include <vector>

#include "link/HdlcFrame.h"
#include "modem/ModemFixture.h"

namespace {
const std::string kConnected = "ارتباط برقرار شد";
const std::string kBusy = "شماره مورد نظر مشغول است";
const std::string kNoDialTone = "خط تلفن قطع است";
const std::string kNotConnected = "ارتباط برقرار نشد";
const std::string kCanceled = "از برقراري ارتباط صرف نظر شد";

// The dial waits a second before dialing and 100 ms after the verdict for the rest of the line.
constexpr std::uint64_t kBeforeDial = 1000;
constexpr std::uint64_t kAfterVerdict = 100;
constexpr std::uint64_t kLimit = 60000;
}  // namespace

TEST_F(ModemFixture, DialOutcomes) {
  struct Case {
    const char* Name;
    sim::ReplyPlan Answer;  // to the dial command
    std::string Result;
    std::string Speed;
    // Virtual time from the dial command to the end of the loop.
    std::uint64_t LoopEnds;
  };
  const Case cases[] = {
      {"connect", {{3000, "\r\nCONNECT 9600\r\n"}}, kConnected, "9600", 3000},
      {"lower-case connect", {{3000, "\r\nconnect 2400\r\n"}}, kConnected, "2400", 3000},
      // The loop stops at "CONN"; the rest of the line comes during the 100 ms after it.
      {"speed after the verdict",
       {{2000, "\r\nCONN"}, {2050, "ECT 14400/ARQ\r\n"}},
       kConnected,
       "14400/ARQ",
       2000},
      {"no dial tone", {{500, "\r\nNO DIALTONE\r\n"}}, kNoDialTone, "", 500},
      {"no carrier", {{30000, "\r\nNO CARRIER\r\n"}}, kNotConnected, "", 30000},
      // A verdict late in the minute ends the loop at once all the same.
      {"busy after 20 s", {{20000, "\r\nBUSY\r\n"}}, kBusy, "", 20000},
      {"echo before the verdict",
       {{0, kDialCommand}, {4000, "\r\nCONNECT 33600\r\n"}},
       kConnected,
       "33600",
       4000},
      // Only the modem's words count; anything else is no connection once the minute is over.
      {"chatter without a verdict", {{10, "\r\nRING\r\n"}}, kNotConnected, "", kLimit},
      {"silence", {}, kNotConnected, "", kLimit},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    device.Received.clear();
    device.then(c.Answer);
    passes = 0;
    const auto start = now();
    EXPECT_EQ(dial(), c.Result);
    const auto spent = now() - start;
    EXPECT_GE(spent, kBeforeDial + c.LoopEnds + kAfterVerdict);
    EXPECT_LE(spent, kBeforeDial + c.LoopEnds + kAfterVerdict + 2);
    EXPECT_EQ(line.ModemConnected(), c.Result == kConnected);
    ASSERT_EQ(device.Received.size(), 1u);
    EXPECT_EQ(device.Received[0], kDialCommand);
    if (c.Result == kConnected) {
      EXPECT_EQ(line.ConnectSpeed(), c.Speed);
    }
    vp.P.Wire.clearPending();
  }
}

TEST_F(ModemFixture, SpeedIsKeptUntilTheNextConnection) {
  device.then("\r\nCONNECT 9600\r\n", 100);
  ASSERT_EQ(dial(), kConnected);
  device.then("\r\nBUSY\r\n", 100);
  EXPECT_EQ(dial(), kBusy);
  EXPECT_EQ(line.ConnectSpeed(), "9600");
  EXPECT_FALSE(line.ModemConnected());
}

TEST_F(ModemFixture, SilentModemCostsTheMinuteInVirtualTimeWithoutSpinning) {
  const auto start = now();
  EXPECT_EQ(dial(), kNotConnected);
  EXPECT_EQ(now() - start, kBeforeDial + kLimit + kAfterVerdict);
  // One pass per 2 ms pause, plus the call inside the one-second breath before the dial.
  EXPECT_LE(passes, static_cast<int>(kLimit / 2) + 2);
  EXPECT_GE(passes, static_cast<int>(kLimit / 2) - 2);

  // The hang-up loop waits for OK in the same way.
  line.SetModemConnected(true);
  passes = 0;
  const auto hangUpStart = now();
  EXPECT_TRUE(line.HangUp());
  EXPECT_EQ(now() - hangUpStart, kLimit);
  EXPECT_LE(passes, static_cast<int>(kLimit / 2) + 1);
}

TEST_F(ModemFixture, CancelDuringDialWritesCAndKeepsTheSpeed) {
  device.then("\r\nCONNECT 9600\r\n", 100);
  ASSERT_EQ(dial(), kConnected);
  ASSERT_TRUE(line.HangUp());
  device.Received.clear();

  // The remote modem would answer after 30 s; the user gives up after 5.
  device.then("\r\nCONNECT 2400\r\n", 30000);
  const auto start = now();
  line.OnBreath = [&] {
    countPass();
    if (now() - start >= 5000) line.CancelDial();
  };
  EXPECT_EQ(dial(), kCanceled);
  EXPECT_GE(now() - start, 5000u);
  EXPECT_LE(now() - start, 5004u);
  ASSERT_EQ(device.Received.size(), 2u);
  EXPECT_EQ(device.Received[0], kDialCommand);
  EXPECT_EQ(device.Received[1], "C");
  EXPECT_EQ(line.ConnectSpeed(), "9600");
  EXPECT_FALSE(line.ModemConnected());
}

TEST_F(ModemFixture, HangUpAfterCanceledDialSendsHangUpAtOnce) {
  line.OnBreath = [&] {
    countPass();
    line.CancelDial();
  };
  ASSERT_EQ(dial(), kCanceled);
  line.OnBreath = nullptr;
  device.Received.clear();
  device.Always = {{2000, "\r\nOK\r\n"}};

  // The dial was given up, so the line is not connected and its hang-up does nothing; the
  // clock's own hang-up still sees the cancel and does not wait for the modem.
  EXPECT_TRUE(line.HangUp());
  EXPECT_TRUE(device.Received.empty());
  const auto start = now();
  EXPECT_TRUE(clock().HangUp());
  EXPECT_LE(now() - start, 2u);
  EXPECT_EQ(device.Received, (std::vector<std::string>{"+++", "ATH0\r"}));
}

TEST_F(ModemFixture, HangUpWaitsForOkThenHangsUp) {
  device.then("\r\nCONNECT 9600\r\n", 100);
  ASSERT_EQ(dial(), kConnected);
  device.Received.clear();
  std::vector<std::pair<std::uint64_t, std::string>> writes;
  line.OnTraffic = [&](std::uint32_t, TTrafficDirection ADir, const std::string& AData) {
    if (ADir == TTrafficDirection::Tx) writes.emplace_back(now(), AData);
  };
  device.then("\r\nok\r\n", 1500);
  const auto start = now();
  EXPECT_TRUE(line.HangUp());
  EXPECT_FALSE(line.ModemConnected());
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0], std::make_pair(start, std::string("+++")));
  EXPECT_EQ(writes[1], std::make_pair(start + 1500, std::string("ATH0\r")));
}

TEST_F(ModemFixture, SilentModemHangUpWritesHangUpAfterTheMinute) {
  device.then("\r\nCONNECT 9600\r\n", 100);
  ASSERT_EQ(dial(), kConnected);
  device.Received.clear();
  std::uint64_t hangUpAt = 0;
  line.OnTraffic = [&](std::uint32_t, TTrafficDirection ADir, const std::string& AData) {
    if (ADir == TTrafficDirection::Tx && AData == "ATH0\r") hangUpAt = now();
  };
  const auto start = now();
  EXPECT_TRUE(line.HangUp());
  EXPECT_EQ(hangUpAt - start, kLimit);
  EXPECT_EQ(device.Received, (std::vector<std::string>{"+++", "ATH0\r"}));
  EXPECT_FALSE(line.ModemConnected());
}

TEST_F(ModemFixture, NothingHappensWithoutNumberOrPort) {
  line.ChangePhoneNumber("");
  EXPECT_EQ(dial(), "");
  EXPECT_FALSE(line.ModemConnected());
  EXPECT_EQ(clock().GetPhoneNumber(), "");
  // A hang-up on a line that never dialled: True, no traffic, no clock created.
  line.Clocks().clear();
  EXPECT_TRUE(line.HangUp());
  EXPECT_TRUE(line.Clocks().empty());
  EXPECT_TRUE(device.Received.empty());
  EXPECT_EQ(now(), 0u);

  // Without a serial port the clock's hang-up reports failure and sends nothing.
  line.ChangeConnectionType(TcpIp);
  line.NewClock(1);
  EXPECT_FALSE(clock().HangUp());
  EXPECT_TRUE(device.Received.empty());
  TBasicClock orphan(nullptr, 1);
  EXPECT_EQ(orphan.GetPhoneNumber(), "");
}

TEST_F(ModemFixture, DialOnAnEmptyLineCreatesClockOne) {
  line.Clocks().clear();
  device.then("\r\nCONNECT 9600\r\n", 100);
  EXPECT_EQ(dial(), kConnected);
  ASSERT_EQ(line.Clocks().size(), 1u);
  EXPECT_EQ(line.Clocks().front()->ClockNumber, 1);
  EXPECT_EQ(line.ConnectSpeed(), "9600");
}

TEST_F(ModemFixture, LineIsConnectedWhileTheDialRuns) {
  std::vector<bool> seen;
  line.OnBreath = [&] {
    countPass();
    if (seen.size() < 3) seen.push_back(line.ModemConnected());
  };
  device.then("\r\nNO CARRIER\r\n", 100);
  EXPECT_EQ(dial(), kNotConnected);
  EXPECT_EQ(seen, (std::vector<bool>{true, true, true}));
  EXPECT_FALSE(line.ModemConnected());
}

TEST_F(ModemFixture, DialOnHdlcLineIsHeldBackBySessionRequest) {
  // Each AT command makes the channel ask for an HDLC session first; the modem's dialogue stops
  // the session's reply wait at once, no session opens, and the command itself never goes out.
  line.SetProtocol(ptHdlc);
  const auto start = now();
  EXPECT_EQ(dial(), kNotConnected);
  EXPECT_EQ(now() - start, kBeforeDial + kLimit + kAfterVerdict);
  EXPECT_EQ(device.Received, (std::vector<std::string>{BuildOpenSessionFrame(1)}));
  EXPECT_EQ(vp.P.Wire.Written.find("ATD"), std::string::npos);
}

TEST_F(ModemFixture, BreatheLastsAtLeastItsMinimum) {
  struct Case {
    std::uint32_t HandlerMs;
    std::uint64_t Expected;
  };
  for (const Case c : {Case{0, 1000}, Case{300, 1000}, Case{1500, 1500}}) {
    int calls = 0;
    line.OnBreath = [&] {
      ++calls;
      vp.P.Clock.advance(c.HandlerMs);
    };
    const auto start = now();
    clock().Breathe(1000);
    EXPECT_EQ(now() - start, c.Expected) << c.HandlerMs;
    EXPECT_EQ(calls, 1);
  }
  line.OnBreath = nullptr;
  const auto start = now();
  clock().Breathe(100);
  EXPECT_EQ(now() - start, 100u);
}
