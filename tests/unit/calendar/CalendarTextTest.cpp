// The date conversion behind "clockctl calendar DATE", and the default date texts.
#include <gtest/gtest.h>

#include <string>

#include "calendar/CalendarText.h"
#include "calendar/ConvertError.h"
#include "calendar/DateValue.h"
#include "inproc/VirtualPlatform.h"
#include "utils/SystemDate.h"

namespace {

TEST(CalendarText, ConvertsToTheOtherCalendar) {
  struct {
    std::string In, Out;
  } const Cases[] = {
      {"2026/12/09", "1405/09/18"}, {"1408/01/01", "2029/03/20"},
      {"1405/09/18", "2026/12/09"}, {"2021-03-21", "1400/01/01"},
      {"1387/12/30", "2009/03/20"},  // leap: Esfand has 30 days
      {"2008/2/29", "1386/12/10"},  {" 1387/1/1 ", "2008/03/20"},
      {"1801/03/21", "1180/01/01"},  // the first Gregorian years
      {"1800/01/01", "2421/03/21"},  // still solar
      {"87/01/01", "0708/03/21"},    // a solar year as written
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.In);
    EXPECT_EQ(ConvertDateText(C.In), C.Out);
  }
}

TEST(CalendarText, RejectsWhatIsNotADay) {
  struct {
    std::string In, Reason;
  } const Cases[] = {
      {"", "expected YYYY/MM/DD"},
      {"tomorrow", "digits only"},
      {"1387/01", "expected YYYY/MM/DD"},
      {"1387/01/01/01", "expected YYYY/MM/DD"},
      {"1387//01", "expected YYYY/MM/DD"},
      {"13870/01/01", "expected YYYY/MM/DD"},
      {"1387/13/01", "month must be 1 to 12"},
      {"1387/00/01", "month must be 1 to 12"},
      {"1388/12/30", "no such day in the solar calendar"},  // 1388 is common
      {"1407/12/30", "no such day in the solar calendar"},  // remainder 32: common
      {"1387/07/31", "no such day in the solar calendar"},
      {"1387/01/00", "no such day in the solar calendar"},
      {"2009/02/29", "no such day in the Gregorian calendar"},
      {"2009/04/31", "no such day in the Gregorian calendar"},
      {"0/01/01", "year must be at least 1"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.In);
    try {
      ConvertDateText(C.In);
      ADD_FAILURE() << "accepted";
    } catch (const EConvertError& E) {
      EXPECT_NE(std::string(E.what()).find(C.Reason), std::string::npos) << E.what();
      EXPECT_NE(std::string(E.what()).find("'" + C.In + "'"), std::string::npos) << E.what();
    }
  }
}

class CalendarDateValue : public ::testing::Test {
 protected:
  void SetUp() override { FSavedFormat = ShortDateFormat(); }
  void TearDown() override { SetShortDateFormat(FSavedFormat); }

 private:
  std::string FSavedFormat;
};

TEST_F(CalendarDateValue, EncodeDateRejectsDaysThatDoNotExist) {
  EXPECT_NO_THROW(EncodeDate(2008, 2, 29));
  EXPECT_NO_THROW(EncodeDate(1, 1, 1));
  EXPECT_NO_THROW(EncodeDate(9999, 12, 31));
  EXPECT_THROW(EncodeDate(2009, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(2009, 13, 1), EConvertError);
  EXPECT_THROW(EncodeDate(2009, 1, 0), EConvertError);
  EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
  EXPECT_THROW(EncodeDate(10000, 1, 1), EConvertError);
}

TEST_F(CalendarDateValue, WritesAndReadsWithTheShortDateFormat) {
  const TDateValue Day = EncodeDate(2008, 3, 5);
  EXPECT_EQ(ShortDateFormat(), "YYYY/MM/DD");
  EXPECT_EQ(DateToStr(Day), "2008/03/05");
  EXPECT_EQ(StrToDate("2008/03/05"), Day);

  SetShortDateFormat("d.m.yy");
  EXPECT_EQ(DateToStr(Day), "5.3.08");
  EXPECT_EQ(StrToDate("5.3.2008"), Day);
  EXPECT_EQ(DateToStr(Day, "MM-DD-YYYY"), "03-05-2008");
  EXPECT_EQ(StrToDate("03-05-2008", "MM/DD/YYYY", 2026), Day);
}

TEST_F(CalendarDateValue, StrToDateTakesTwoDigitYearsInTheCurrentCentury) {
  EXPECT_EQ(StrToDate("08/03/05", "YYYY/MM/DD", 2026), EncodeDate(2008, 3, 5));
  EXPECT_EQ(StrToDate("99/03/05", "YYYY/MM/DD", 2026), EncodeDate(2099, 3, 5));
  EXPECT_EQ(StrToDate("99/03/05", "YYYY/MM/DD", 1999), EncodeDate(1999, 3, 5));
}

TEST_F(CalendarDateValue, StrToDateRejectsOtherTexts) {
  for (const std::string Text :
       {"", "2008/03", "2008/03/05/01", "2008//05", "2008/13/05", "2009/02/29", "2008/03/05x",
        "x2008/03/05", "20080/03/05", "2008/3/5/"}) {
    SCOPED_TRACE(Text);
    EXPECT_THROW(StrToDate(Text, "YYYY/MM/DD", 2026), EConvertError);
  }
}

TEST_F(CalendarDateValue, TodayComesFromThePlatformClock) {
  sim::ScopedVirtualPlatform Vp;
  Vp.P.Clock.Start = {2026, 12, 9, 23, 59, 0, 0};
  EXPECT_EQ(Today(), EncodeDate(2026, 12, 9));
  Vp.P.Clock.advance(60 * 1000);  // past midnight
  EXPECT_EQ(Today(), EncodeDate(2026, 12, 10));
  EXPECT_EQ(StrToDate("08/03/05"), EncodeDate(2008, 3, 5));
}

}  // namespace
