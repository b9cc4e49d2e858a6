#include <gtest/gtest.h>

#include "Processes.h"

TEST(ClockctlCalendar, ConvertsBothWaysAndRejectsBadDates) {
  struct Case {
    const char* Date;
    int Exit;
    const char* Out;
  };
  const Case cases[] = {
      {"2026/12/09", 0, "1405/09/18\n"},
      {"1408/01/01", 0, "2029/03/20\n"},
      {"2029/03/20", 0, "1408/01/01\n"},
      {"1408/13/01", 2, ""},
      {"yesterday", 2, ""},
  };
  for (const auto& c : cases) {
    const auto r = e2e::Clockctl({"calendar", c.Date});
    EXPECT_EQ(r.ExitCode, c.Exit) << c.Date;
    EXPECT_EQ(r.Out, c.Out) << c.Date;
    if (c.Exit != 0) {
      EXPECT_FALSE(r.Err.empty()) << c.Date;
    }
  }
}
