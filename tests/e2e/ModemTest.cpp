// Dialing through clocksim's simulated Hayes modem on the pseudo-terminal, in real time.
#include <gtest/gtest.h>

#include "Processes.h"

TEST(ClockctlModem, DialsTalksAndHangsUp) {
  e2e::Simulator sim({}, {"--modem-answer", "connect:14400@300", "--modem-number",
                          "555=busy@200"});
  const std::map<std::string, std::string> env = {{"CLOCKDIAG_COM2", sim.ptyPath()}};

  auto r = e2e::Clockctl({"--port", "COM2", "--modem", "021,123", "dial"}, env);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "ارتباط برقرار شد 14400\n");

  r = e2e::Clockctl({"--port", "COM2", "--modem", "555", "dial"}, env);
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err, "clockctl: dial 555: busy (شماره مورد نظر مشغول است)\n");

  // A command over the dialled line reaches the clock; the modem is hung up afterwards.
  r = e2e::Clockctl({"--port", "COM2", "--modem", "123", "--trace", "send", "01",
                     "--reply-length", "1"},
                    env);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "30\n");
  EXPECT_NE(r.Err.find("TX 2B 2B 2B"), std::string::npos) << "no +++ in\n" << r.Err;
  EXPECT_NE(r.Err.find("TX 41 54 48 30 0D"), std::string::npos) << "no ATH0 in\n" << r.Err;
}
