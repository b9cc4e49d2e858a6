// clockctl send against clocksim, in real time, over TCP and over a pseudo-terminal.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include <iterator>

#include "Processes.h"

using e2e::Clockctl;
using e2e::Simulator;

namespace {
// The two ways onto the simulator: TCP, or the pseudo-terminal mapped as COM3.
struct Transport {
  const char* Name;
  bool Tcp;
};
const Transport kTransports[] = {{"tcp", true}, {"pty", false}};

e2e::RunResult SendOver(const Transport& AVia, const Simulator& ASim,
                        std::vector<std::string> AArgs) {
  std::vector<std::string> args;
  if (AVia.Tcp) {
    args = {"--tcp", ASim.tcpAddress()};
  } else {
    args = {"--port", "COM3"};
  }
  args.insert(args.end(), AArgs.begin(), AArgs.end());
  return Clockctl(args, {{"CLOCKDIAG_COM3", ASim.ptyPath()}});
}
}  // namespace

TEST(ClockctlSend, StatusOfTheDefaultClock) {
  Simulator sim;
  for (const auto& via : kTransports) {
    const auto r = SendOver(via, sim, {"send", "01", "--reply-length", "1"});
    EXPECT_EQ(r.ExitCode, 0) << via.Name << ": " << r.Err;
    EXPECT_EQ(r.Out, "30\n") << via.Name;  // "0": answers, holds records, not busy
  }
}

TEST(ClockctlSend, Rs485BusAddressesEachClock) {
  Simulator sim({"protocol RS485; clock 2; clock 5; samples 3; misbehave bytewise 3"});
  for (const auto& via : kTransports) {
    // Clock 5 holds the sample records and answers byte by byte; clock 2 is empty.
    auto r = SendOver(via, sim, {"--protocol", "RS485", "--clock", "5", "send", "01",
                                 "--reply-length", "6"});
    EXPECT_EQ(r.ExitCode, 0) << via.Name << ": " << r.Err;
    EXPECT_EQ(r.Out, "30\n") << via.Name;
    r = SendOver(via, sim,
                 {"--protocol", "RS485", "--clock", "2", "send", "01", "--reply-length", "6"});
    EXPECT_EQ(r.Out, "31\n") << via.Name;
    // Nobody at address 7: nothing comes, within the detection timeout.
    r = SendOver(via, sim, {"--protocol", "RS485", "--clock", "7", "--detecting", "send", "01",
                            "--reply-length", "6"});
    EXPECT_EQ(r.ExitCode, 1) << via.Name;
    EXPECT_EQ(r.Out, "") << via.Name;
    EXPECT_EQ(r.Err, "clockctl: send: no reply came back\n") << via.Name;
  }
}

TEST(ClockctlSend, TraceShowsBothDirections) {
  Simulator sim;
  const auto r = Clockctl({"--tcp", sim.tcpAddress(), "--trace", "send", "01", "--reply-length",
                           "1"});
  EXPECT_EQ(r.ExitCode, 0);
  // Each line: the time of day, the direction, the frame's bytes and what they mean.
  const QRegularExpression line(
      R"(\d\d:\d\d:\d\d\.\d\d\d (TX 01 -- status\?|RX 30 -- status: records)\n)");
  int lines = 0;
  for (auto match = line.globalMatch(QString::fromStdString(r.Err)); match.hasNext(); match.next())
    ++lines;
  EXPECT_EQ(lines, 2) << r.Err;
}

TEST(ClockctlSend, ExitCodesForBadUsageAndUnopenableLine) {
  auto r = Clockctl({"send", "zz", "--reply-length", "1"});
  EXPECT_EQ(r.ExitCode, 2);
  r = Clockctl({"send", "01"});
  EXPECT_EQ(r.ExitCode, 2);
  r = Clockctl({"--port", "COM9", "send", "01", "--reply-length", "1"},
               {{"CLOCKDIAG_COM9", "/nonexistent/tty"}});
  EXPECT_EQ(r.ExitCode, 3);
  EXPECT_FALSE(r.Err.empty());
}

TEST(ClockctlSend, HdlcCommandOpensSessionOnce) {
  Simulator sim({"protocol Hdlc; clock 1; samples 3"});
  for (const auto& via : kTransports) {
    const auto r = SendOver(via, sim, {"--clock", "1", "--trace", "send", "--hdlc", "02"});
    EXPECT_EQ(r.ExitCode, 0) << via.Name << ": " << r.Err;
    // Ack, then the status data: 01 while the clock holds records.
    EXPECT_EQ(r.Out, "1 0 0 0 01\n") << via.Name;
    // One session request (flags 08) before the command frame.
    EXPECT_NE(r.Err.find("TX 7E 01 01 08 01 00 00"), std::string::npos) << r.Err;
  }
}
