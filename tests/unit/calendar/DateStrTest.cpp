// Date and time strings in the forms the clocks send and the user sees.
#include <gtest/gtest.h>

#include <string>

#include "calendar/VexDateTime.h"

namespace {

struct TSplitCase {
  std::string Text;
  int DefaultYear;
  int Form;
  std::string Year, Month, Day;
};

TEST(DateStrSplit, RecognisesEachForm) {
  const TSplitCase Cases[] = {
      {"1387/03/05", 0, dfYYYYMD, "1387", "03", "05"},
      {"87/3/5", 0, dfYYMD, "87", "03", "05"},
      {"3/5", 0, dfMD, "1382", "03", "05"},
      {"3/5", 1390, dfMD, "1390", "03", "05"},
      {"3/5", 87, dfMD, "0087", "03", "05"},
      {"870305", 0, dfYYMMDD, "87", "03", "05"},
      {"13870305", 0, dfYYYYMMDD, "1387", "03", "05"},
      {"0305", 0, dfMMDD, "1382", "03", "05"},
      {"305", 0, dfMMDD, "1382", "03", "05"},
      {"70305", 0, dfYYMMDD, "7", "03", "05"},
      // Slashes and blanks around the date are dropped.
      {"/1387/3/5/", 0, dfYYYYMD, "1387", "03", "05"},
      {" \t/ 1387/3/5 /\r\n", 0, dfYYYYMD, "1387", "03", "05"},
      // A trailing slash removed leaves month and day.
      {"1387/03/", 0, dfMD, "1382", "1387", "03"},
      // Only two characters of the day are read.
      {"1387/1/2345", 0, dfYYYYMD, "1387", "01", "23"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Text);
    std::string Year = "x", Month = "x", Day = "x";
    EXPECT_EQ(SplitDateStr(C.Text, Year, Month, Day, C.DefaultYear), C.Form);
    EXPECT_EQ(Year, C.Year);
    EXPECT_EQ(Month, C.Month);
    EXPECT_EQ(Day, C.Day);
  }
}

TEST(DateStrSplit, RejectsDatesWithoutMonthOrDay) {
  for (const std::string Text : {"", "5", "12", "  ", "///", "1387//05", "/ /"}) {
    SCOPED_TRACE(Text);
    std::string Year, Month, Day;
    EXPECT_EQ(SplitDateStr(Text, Year, Month, Day, 0), dfNone);
  }
}

TEST(DateStrDecode, ReadsNumbersLeniently) {
  struct {
    std::string Text;
    int Year, Month, Day;
  } const Cases[] = {
      {"1387/0a/05", 1387, 0, 5},   // reading stops at "a"
      {"1387/3x/05", 1387, 3, 5},   // and at "x" after a digit
      {"1387/$C/05", 1387, 12, 5},  // "$" reads hexadecimal
      {"1387/x9/1", 1387, 9, 1},   {"1387/0x/01", 1387, 0, 1},
      {"1387/ 3/ 5", 1387, 3, 5},  // leading blanks are skipped
      {"1387/ab/cd", 1387, 0, 0},  // no digits: 0
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Text);
    int Year = -1, Month = -1, Day = -1;
    EXPECT_NE(DecodeDateStr(C.Text, Year, Month, Day, 0), dfNone);
    EXPECT_EQ(Year, C.Year);
    EXPECT_EQ(Month, C.Month);
    EXPECT_EQ(Day, C.Day);
  }
  TDateParts Parts{9, 9, 9};
  EXPECT_EQ(StrToDateParts("5", Parts, 0), dfNone);
  EXPECT_EQ(Parts.Year, 0);
  EXPECT_EQ(Parts.Month, 0);
  EXPECT_EQ(Parts.Day, 0);
}

TEST(DateStrPadNumber, PadsOrKeepsTheLastDigits) {
  EXPECT_EQ(PadNumber(1387, 2), "87");
  EXPECT_EQ(PadNumber(7, 3), "007");
  EXPECT_EQ(PadNumber(5, 4), "0005");
  EXPECT_EQ(PadNumber(1387, 4), "1387");
  EXPECT_EQ(PadNumber(0, 2), "00");
}

struct TFormatCase {
  std::string Date;
  int DefaultYear;
  std::string MMDD, YYMMDD, YYYYMMDD, Short, Long;
};

TEST(DateStrFormat, WritesEachFormWithItsOwnYearWidening) {
  const TFormatCase Cases[] = {
      {"1387/03/05", 0, "0305", "870305", "13870305", "87/03/05", "1387/03/05"},
      {"3/5", 0, "0305", "820305", "13820305", "82/03/05", "1382/03/05"},
      {"08/03/20", 0, "0320", "080320", "20080320", "08/03/20", "2008/03/20"},
      // 70..79: Gregorian for YYYYMMDD, solar for the long date.
      {"75/1/2", 0, "0102", "750102", "20750102", "75/01/02", "1375/01/02"},
      {"70/1/2", 0, "0102", "700102", "20700102", "70/01/02", "1370/01/02"},
      {"69/1/2", 0, "0102", "690102", "20690102", "69/01/02", "2069/01/02"},
      {"79/1/2", 0, "0102", "790102", "20790102", "79/01/02", "1379/01/02"},
      {"80/1/2", 0, "0102", "800102", "13800102", "80/01/02", "1380/01/02"},
      {"99/12/29", 0, "1229", "991229", "13991229", "99/12/29", "1399/12/29"},
      {"0/1/2", 0, "0102", "000102", "20000102", "00/01/02", "2000/01/02"},
      // Years of 100 or more stand as they are.
      {"100/1/2", 0, "0102", "000102", "01000102", "00/01/02", "0100/01/02"},
      {"2008/3/20", 0, "0320", "080320", "20080320", "08/03/20", "2008/03/20"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Date);
    EXPECT_EQ(DateStrToMMDD(C.Date, C.DefaultYear), C.MMDD);
    EXPECT_EQ(DateStrToYYMMDD(C.Date, C.DefaultYear), C.YYMMDD);
    EXPECT_EQ(DateStrToYYYYMMDD(C.Date, C.DefaultYear), C.YYYYMMDD);
    EXPECT_EQ(DateStrToShortDate(C.Date, C.DefaultYear), C.Short);
    EXPECT_EQ(DateStrToLongDate(C.Date, C.DefaultYear), C.Long);
  }
}

TEST(DateStrFormat, UnparsableDatesGiveEmptyStrings) {
  for (const std::string Date : {"", "5", "1387//05"}) {
    SCOPED_TRACE(Date);
    EXPECT_EQ(DateStrToMMDD(Date, 0), "");
    EXPECT_EQ(DateStrToYYMMDD(Date, 0), "");
    EXPECT_EQ(DateStrToYYYYMMDD(Date, 0), "");
    EXPECT_EQ(DateStrToShortDate(Date, 0), "");
    EXPECT_EQ(DateStrToLongDate(Date, 0), "");
  }
}

TEST(DateStrFormat, ArgumentIsCutToTenCharacters) {
  // "1387/03/05" plus a tail: the tail never reaches the parser.
  EXPECT_EQ(DateStrToLongDate(std::string("1387/03/0512345"), 0), "1387/03/05");
  // Cut to "1234567890": year 123456, month 78, day 90.
  EXPECT_EQ(DateStrToYYMMDD(std::string("123456789012"), 0), "567890");
}

TEST(DateStrLeap, LenientSolarRuleCountsRemainder32) {
  EXPECT_TRUE(IsSolarLeap(1374));
  EXPECT_TRUE(IsSolarLeap(1375));
  EXPECT_TRUE(IsSolarLeap(74));  // below 1300: 1374
  EXPECT_TRUE(IsSolarLeap(1387));
  EXPECT_FALSE(IsSolarLeap(1376));
  EXPECT_FALSE(IsSolarLeap(1388));
  int Count = 0;
  for (int Y = 1300; Y < 1333; ++Y) Count += IsSolarLeap(static_cast<std::uint16_t>(Y));
  EXPECT_EQ(Count, 9);

  EXPECT_TRUE(IsChristianLeap(2008));
  EXPECT_TRUE(IsChristianLeap(2000));
  EXPECT_FALSE(IsChristianLeap(1900));
  EXPECT_TRUE(IsChristianLeap(8));  // not widened
}

struct TStrConversionCase {
  std::string From, To;
};

TEST(DateStrConvert, SolarToChristianWritesPlainNumbers) {
  const TStrConversionCase Cases[] = {
      {"1387/1/1", "2008/3/20"},
      {"1387/01/01", "2008/3/20"},
      {"87/1/1", "2008/3/20"},  // a two-digit solar year is 13YY
      {"1387/12/30", "2009/3/20"},
      {"1388/1/1", "2009/3/21"},
      // Solar 1375 and 1408 are leap by the conversion rule only; the lenient rule
      // (remainder 32 leap) made each of their days one Gregorian day late.
      {"1375/01/01", "1996/3/20"},
      {"1375/12/30", "1997/3/20"},
      {"1408/01/01", "2029/3/20"},
      {"1408/07/01", "2029/9/22"},
      {"1374/12/29", "1996/3/19"},
      {"1400/01/01", "2021/3/21"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.From);
    EXPECT_EQ(SolarToChristianDateStr(C.From).str(), C.To);
  }
}

TEST(DateStrConvert, ChristianToSolarReportsTheFullYear) {
  const TStrConversionCase Cases[] = {
      {"2009/3/20", "1387/12/30"}, {"2008/03/20", "1387/1/1"}, {"2000/1/1", "1378/10/11"},
      {"2021/3/20", "1399/12/30"}, {"2021/3/21", "1400/1/1"},  // was 1300/1/1
      {"2026/12/09", "1405/9/18"},                             // was 1305/9/18
      {"2029/3/19", "1407/12/29"}, {"2029/3/20", "1408/1/1"},  // the fixed pattern gave 1407/12/30
      {"1996/3/19", "1374/12/29"}, {"1996/3/20", "1375/1/1"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.From);
    EXPECT_EQ(ChristianToSolarDateStr(C.From).str(), C.To);
  }
}

TEST(DateStrConvert, UnparsableDatesGiveEmptyStrings) {
  EXPECT_EQ(SolarToChristianDateStr("").str(), "");
  EXPECT_EQ(ChristianToSolarDateStr("1387//05").str(), "");
}

TEST(DateStrValidity, SolarAndChristianChecks) {
  struct {
    std::string Date;
    bool Solar, Christian;
  } const Cases[] = {
      {"1387/12/30", true, true},                               // 1387 leap
      {"1388/12/30", false, true}, {"1374/12/30", true, true},  // leap by the lenient rule
      {"1387/07/31", false, true}, {"1387/06/31", true, false},
      {"1387/11/30", true, true},  {"1387/12/29", true, true},
      {"2008/02/29", true, true},  {"2009/02/29", true, false},
      {"2009/04/31", true, false}, {"2009/13/01", false, false},
      {"2009/00/01", true, false},  // upper bounds only for the solar check
      {"1387//01", false, false},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Date);
    EXPECT_EQ(IsValidSolarDate(C.Date), C.Solar);
    EXPECT_EQ(IsValidChristianDate(C.Date), C.Christian);
  }
  EXPECT_TRUE(IsValidSolarParts({1387, 1, 0}));
  EXPECT_FALSE(IsValidChristianParts({2008, 0, 1}));
}

TEST(DateStrValidity, IsValidDateNeedsRealMonthAndDay) {
  struct {
    std::string Date;
    bool Valid;
  } const Cases[] = {
      {"1387/12/30", true}, {"1388/12/30", false}, {"1387/13/01", false}, {"1387/01/00", false},
      {"1387", false},  // month 13, day 87
      {"0305", true},       {"", false},           {"1387/07/31", false}, {"1387/00/10", false},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Date);
    EXPECT_EQ(IsValidDate(C.Date), C.Valid);
  }
}

TEST(DateStrTime, IsValidTime) {
  struct {
    std::string Time;
    bool Valid;
  } const Cases[] = {
      {"23:59", true},  {"00:00", true},  {"24:00", false},
      {"12:60", false}, {"7:30", false},  {"12-30", true},  // the separator is not examined
      {"1a:30", false}, {"12:3b", false}, {"", false},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Time);
    EXPECT_EQ(IsValidTime(C.Time), C.Valid);
  }
  // Cut to five characters first.
  EXPECT_TRUE(IsValidTime(std::string("12:30:45")));
}

TEST(DateStrTime, NormalizeTime) {
  struct {
    std::string In, Out;
  } const Cases[] = {
      {"8", "08:00"},     {"830", "08:30"},   {"1230", "12:30"}, {":8:30:", "08:30"},
      {"12:5", "12:05"},  {"1:5", "01:05"},   {"", "00:00"},     {"12", "12:00"},
      {" 8:30", "08:30"}, {"08:30", "08:30"}, {"12:", "12:00"},  {":", "00:00"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.In);
    EXPECT_EQ(NormalizeTime(C.In).str(), C.Out);
  }
}

TEST(DateStrDigits, IsDigits) {
  EXPECT_TRUE(IsDigits(""));
  EXPECT_TRUE(IsDigits("0123456789"));
  EXPECT_FALSE(IsDigits("12a"));
  EXPECT_FALSE(IsDigits(" 1"));
  EXPECT_FALSE(IsDigits("-1"));
}

}  // namespace
