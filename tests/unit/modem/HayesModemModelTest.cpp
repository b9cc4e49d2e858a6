#include <cstdint>
#include <memory>
#include <vector>

#include "models/HayesModemModel.h"
#include "models/TextClockModel.h"
#include "modem/ModemFixture.h"

using sim::DialAnswer;
using sim::DialVerdict;
using sim::HayesModemModel;
using sim::ReplyPlan;

namespace {
const std::string kConnected = "ارتباط برقرار شد";
const std::string kBusy = "شماره مورد نظر مشغول است";
const std::string kNoDialTone = "خط تلفن قطع است";
const std::string kNotConnected = "ارتباط برقرار نشد";
const std::string kCanceled = "از برقراري ارتباط صرف نظر شد";

// Everything a reply plan puts on the line, in plan order.
std::string Text(const ReplyPlan& APlan) {
  std::string text;
  for (const auto& piece : APlan) text += piece.Bytes;
  return text;
}
}  // namespace

// The simulated modem on the virtual wire, with a text clock behind it.
class SimulatedModemTest : public ModemFixture {
 protected:
  SimulatedModemTest() {
    modem.setTimeSource([this] { return now(); });
    modem.setRecall([this] { vp.P.Wire.clearPending(); });
    vp.P.Wire.setModel(&modem);
  }
  sim::TextClockModel remoteClock;
  HayesModemModel modem{&remoteClock};
};

TEST_F(SimulatedModemTest, AnswersByNumber) {
  auto& s = modem.settings();
  s.Answer = {DialVerdict::Connect, 2000, "19200"};
  s.Numbers["555"] = {DialVerdict::Busy, 20000, ""};
  s.Numbers["666"] = {DialVerdict::NoDialTone, 500, ""};
  s.Numbers["777"] = {DialVerdict::NoCarrier, 30000, ""};
  s.Numbers["888"] = {DialVerdict::Silent, 0, ""};
  struct Case {
    const char* Number;
    std::string Result;
    std::uint64_t Verdict;  // virtual ms from the dial command
  };
  const Case cases[] = {
      {"123", kConnected, 2000},     {"T555", kBusy, 20000},        {"P666", kNoDialTone, 500},
      {"777", kNotConnected, 30000}, {"888", kNotConnected, 60000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Number);
    passes = 0;
    line.ChangePhoneNumber(c.Number);
    const auto start = now();
    EXPECT_EQ(dial(), c.Result);
    EXPECT_EQ(now() - start, 1000 + c.Verdict + 100);
    if (c.Result == kConnected) {
      EXPECT_EQ(line.ConnectSpeed(), "19200");
      EXPECT_EQ(modem.state(), HayesModemModel::State::Online);
      EXPECT_TRUE(line.HangUp());
    }
    EXPECT_NE(modem.state(), HayesModemModel::State::Online);
  }
  EXPECT_EQ(modem.dialled(), (std::vector<std::string>{"123", "555", "666", "777", "888"}));
}

TEST_F(SimulatedModemTest, LowerCaseAnswerIsRecognised) {
  modem.settings().LowerCase = true;
  modem.settings().Answer = {DialVerdict::Connect, 1500, "2400"};
  EXPECT_EQ(dial(), kConnected);
  EXPECT_EQ(line.ConnectSpeed(), "2400");
}

TEST_F(SimulatedModemTest, EchoingModemStillGivesItsVerdict) {
  modem.settings().Echo = true;
  EXPECT_EQ(dial(), kConnected);
  EXPECT_EQ(line.ConnectSpeed(), "9600");
}

TEST_F(SimulatedModemTest, CommandExchangeReachesTheClockBehindTheModem) {
  ASSERT_EQ(dial(), kConnected);
  EXPECT_EQ(send("\x01", 1), std::string(1, remoteClock.statusCode()));
  EXPECT_EQ(remoteClock.commandLog(), (std::vector<std::string>{"\x01"}));

  const auto start = now();
  EXPECT_TRUE(line.HangUp());
  EXPECT_LT(now() - start, 100u);  // the modem's OK ends the wait
  EXPECT_FALSE(line.ModemConnected());
  EXPECT_FALSE(modem.carrier());
  EXPECT_EQ(modem.commandLog(), (std::vector<std::string>{"ATDP123", "ATH0"}));
  // The escape never reached the clock, and a dead line sends nothing more.
  EXPECT_EQ(send("\x01", 1), "");
  EXPECT_EQ(remoteClock.commandLog().size(), 1u);
}

TEST_F(SimulatedModemTest, CanceledDialNeverConnects) {
  modem.settings().Answer = {DialVerdict::Connect, 30000, "9600"};
  const auto start = now();
  line.OnBreath = [&] {
    countPass();
    if (now() - start >= 5000) line.CancelDial();
  };
  EXPECT_EQ(dial(), kCanceled);
  EXPECT_EQ(modem.abortedDials(), 1);
  EXPECT_EQ(modem.state(), HayesModemModel::State::Command);
  // Long after the verdict would have come: the modem said NO CARRIER and nothing else.
  vp.P.Clock.advance(40000);
  const std::string later = vp.P.Wire.fromDevice(1000);
  EXPECT_EQ(later, "\r\nNO CARRIER\r\n");
  EXPECT_FALSE(modem.carrier());
}

TEST(HayesModemModel, EscapeSequenceAndData) {
  testsupport::ScriptedDevice remote;
  HayesModemModel modem(&remote);  // no clock: the verdict takes effect at once
  EXPECT_EQ(Text(modem.receive("ATDT42\r")), "\r\nCONNECT 9600\r\n");
  EXPECT_EQ(modem.dialled(), (std::vector<std::string>{"42"}));
  EXPECT_EQ(modem.state(), HayesModemModel::State::Online);

  modem.receive("A++B");
  modem.receive("+");
  modem.receive("+");
  modem.receive("x");
  EXPECT_EQ(remote.Received, (std::vector<std::string>{"A++B", "++x"}));

  remote.Received.clear();
  EXPECT_TRUE(modem.receive("+").empty());
  EXPECT_EQ(Text(modem.receive("++")), "\r\nOK\r\n");
  EXPECT_TRUE(remote.Received.empty());
  EXPECT_EQ(modem.state(), HayesModemModel::State::Command);
  EXPECT_TRUE(modem.carrier());

  EXPECT_EQ(Text(modem.receive("ATO\r")), "\r\nCONNECT 9600\r\n");
  modem.receive("data+++");
  EXPECT_EQ(remote.Received, (std::vector<std::string>{"data"}));
  EXPECT_EQ(Text(modem.receive("ATH0\r")), "\r\nOK\r\n");
  EXPECT_FALSE(modem.carrier());
  EXPECT_EQ(Text(modem.receive("ATO\r")), "\r\nNO CARRIER\r\n");
}

TEST(HayesModemModel, ClockRepliesComeBackWithTheirTiming) {
  auto owned = std::make_unique<testsupport::ScriptedDevice>();
  owned->then({{5, "0"}, {40, "12"}});
  HayesModemModel modem(std::move(owned));
  modem.receive("ATD1\r");
  const ReplyPlan plan = modem.receive("\x01");
  ASSERT_EQ(plan.size(), 2u);
  EXPECT_EQ(plan[0].AtMs, 5u);
  EXPECT_EQ(plan[0].Bytes, "0");
  EXPECT_EQ(plan[1].AtMs, 40u);
}

TEST(HayesModemModel, DialRunsUntilItsVerdictTime) {
  std::uint64_t t = 0;
  int recalls = 0;
  testsupport::ScriptedDevice remote;
  HayesModemModel modem(&remote, {}, [&] { return t; });
  modem.setRecall([&] { ++recalls; });
  modem.settings().Answer = {DialVerdict::Connect, 3000, "9600"};

  const ReplyPlan verdict = modem.receive("ATDP1\r");
  ASSERT_EQ(verdict.size(), 1u);
  EXPECT_EQ(verdict[0].AtMs, 3000u);
  t = 2999;
  EXPECT_EQ(modem.state(), HayesModemModel::State::Dialing);
  t = 3000;
  EXPECT_EQ(modem.state(), HayesModemModel::State::Online);
  modem.receive("C");  // data once the carrier is up
  EXPECT_EQ(remote.Received, (std::vector<std::string>{"C"}));
  EXPECT_EQ(recalls, 0);

  modem.receive("+++ATH0\r");
  modem.receive("ATDP1\r");
  t += 1000;
  const ReplyPlan aborted = modem.receive("C");
  EXPECT_EQ(Text(aborted), "\r\nNO CARRIER\r\n");
  EXPECT_EQ(recalls, 1);
  t += 10000;
  EXPECT_EQ(modem.state(), HayesModemModel::State::Command);
  EXPECT_FALSE(modem.carrier());
  EXPECT_EQ(remote.Received.size(), 1u);
}

TEST(HayesModemModel, CommandModeDetails) {
  HayesModemModel modem(nullptr);
  // Line noise before "AT" is ignored; text without "AT" gets no answer.
  EXPECT_EQ(Text(modem.receive("+++ath0\r")), "\r\nOK\r\n");
  EXPECT_TRUE(modem.receive("hello\r\n").empty());
  // Echo starts with the next character.
  EXPECT_EQ(Text(modem.receive("ATE1\r")), "\r\nOK\r\n");
  EXPECT_EQ(Text(modem.receive("AT&F\r")), "AT&F\r\r\nOK\r\n");
  EXPECT_EQ(Text(modem.receive("ATE0\r")), "ATE0\r\r\nOK\r\n");
  EXPECT_EQ(Text(modem.receive("AT\r")), "\r\nOK\r\n");
  EXPECT_EQ(modem.commandLog(), (std::vector<std::string>{"ATH0", "ATE1", "AT&F", "ATE0", "AT"}));

  // A silent dial can always be aborted; its abort recalls nothing.
  int recalls = 0;
  modem.setRecall([&] { ++recalls; });
  modem.settings().Answer = {DialVerdict::Silent, 0, ""};
  modem.settings().LowerCase = true;
  EXPECT_TRUE(modem.receive("ATD9\r").empty());
  EXPECT_EQ(modem.state(), HayesModemModel::State::Dialing);
  EXPECT_EQ(Text(modem.receive("xAT\r")), "\r\nno carrier\r\n\r\nok\r\n");
  EXPECT_EQ(recalls, 0);
}

TEST(HayesModemModel, DialAnswerText) {
  struct Case {
    const char* Text;
    bool Valid;
    DialVerdict Verdict;
    std::uint32_t DelayMs;
    std::string Speed;
  };
  const Case cases[] = {
      {"connect", true, DialVerdict::Connect, 3000, "9600"},
      {"connect:2400@5000", true, DialVerdict::Connect, 5000, "2400"},
      {"BUSY@20000", true, DialVerdict::Busy, 20000, "9600"},
      {"nodialtone", true, DialVerdict::NoDialTone, 3000, "9600"},
      {"nocarrier@0", true, DialVerdict::NoCarrier, 0, "9600"},
      {"silent", true, DialVerdict::Silent, 3000, "9600"},
      {"busy:9600", false, {}, 0, ""},
      {"ring", false, {}, 0, ""},
      {"connect@", false, {}, 0, ""},
      {"connect@12x", false, {}, 0, ""},
      {"connect@99999999999", false, {}, 0, ""},
      {"", false, {}, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    const auto answer = sim::ParseDialAnswer(c.Text);
    ASSERT_EQ(answer.has_value(), c.Valid);
    if (!answer) continue;
    EXPECT_EQ(answer->Verdict, c.Verdict);
    EXPECT_EQ(answer->DelayMs, c.DelayMs);
    EXPECT_EQ(answer->Speed, c.Speed);
  }
}
