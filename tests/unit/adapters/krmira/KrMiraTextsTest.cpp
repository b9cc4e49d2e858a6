// The texts the first-kind terminal adapter writes and reads: the device description, reply
// values, device date-times in both calendars, the record request, record texts, status
// meanings and the raw record text.
#include <gtest/gtest.h>

#include "adapters/KRMira/KRMira.h"
#include "calendar/ConvertError.h"
#include "utils/TextFields.h"

using namespace krmira;

namespace {

struct DeviceInfoCase {
  const char* Name;
  std::int32_t Address;
  const char* Ip;
  const char* Password;
  const char* Expected;
};

class KrMiraDeviceInfoText : public ::testing::TestWithParam<DeviceInfoCase> {};

TEST_P(KrMiraDeviceInfoText, IsBuiltFromAddressIpAndPassword) {
  const DeviceInfoCase& c = GetParam();
  EXPECT_EQ(BuildDeviceInfoText(c.Address, c.Ip, c.Password), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KrMiraDeviceInfoText,
    ::testing::Values(
        // Without a password the text has two blanks before the final ")".
        DeviceInfoCase{"NoPassword", 1, "192.168.1.20", "",
                       "DeviceInfo(dev_id = \"1\" dev_type = \"HW_HDCP\" comm_type = \"ip\" "
                       "ip_address = \"192.168.1.20\" port_number = \"9922\"  )"},
        DeviceInfoCase{"BlankPasswordIsNone", 7, "10.0.0.5", "  \t",
                       "DeviceInfo(dev_id = \"7\" dev_type = \"HW_HDCP\" comm_type = \"ip\" "
                       "ip_address = \"10.0.0.5\" port_number = \"9922\"  )"},
        DeviceInfoCase{
            "Password", 1, "192.168.1.20", "4321",
            "DeviceInfo(dev_id = \"1\" dev_type = \"HW_HDCP\" comm_type = \"ip\" "
            "ip_address = \"192.168.1.20\" port_number = \"9922\" password = \"4321\" )"},
        // The password goes out as typed; only the test for "none" trims it.
        DeviceInfoCase{"PasswordKeptUntrimmed", 2, "", " ab ",
                       "DeviceInfo(dev_id = \"2\" dev_type = \"HW_HDCP\" comm_type = \"ip\" "
                       "ip_address = \"\" port_number = \"9922\" password = \" ab \" )"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

struct ValueCase {
  const char* Reply;
  const char* Name;
  const char* Expected;
};

TEST(KrMiraGetValue, ReadsTheFirstQuotedValueOfTheName) {
  const ValueCase cases[] = {
      {"result=\"success\" edition=\"V2.1\" time=\"x\"", "edition", "V2.1"},
      {"edition=\"\"", "edition", ""},
      {"edition=\"V2.1", "edition", ""},    // not closed
      {"version=\"V2.1\"", "edition", ""},  // absent
      {"Edition=\"V2.1\"", "edition", ""},  // names are case-sensitive
      {"edition=", "edition", ""},          // nothing after the "="
      // The first occurrence counts, also as the tail of a longer name.
      {"start_time=\"a\" time=\"b\"", "time", "a"},
      // The character after "=" is skipped unseen: a value written without quotes loses its
      // first character and runs to the next quote.
      {"id=123\" x", "id", "23"},
  };
  for (const ValueCase& c : cases) {
    EXPECT_EQ(GetValue(c.Reply, c.Name), c.Expected) << c.Reply << " / " << c.Name;
  }
}

struct DeviceTimeCase {
  const char* Value;
  const char* Date;
  const char* Time;
};

TEST(KrMiraParseDeviceTime, ReadsBothCalendarsIntoTheSolarDate) {
  const DeviceTimeCase cases[] = {
      {"2008-03-20 10:15:30", "1387/01/01", "10:15:30"},  // Gregorian, converted
      {"1387-01-01 10:15:30", "1387/01/01", "10:15:30"},  // solar, as it stands
      {"1387/1/1 8:5:3", "1387/01/01", "08:05:03"},       // "/" and single digits
      {"2024-12-09 23:59:59", "1403/09/19", "23:59:59"},
      {"2021-03-21 00:00:00", "1400/01/01", "00:00:00"},
      {"2021-03-20 00:00:00", "1399/12/30", "00:00:00"},  // last day of a solar leap year
      {"1800-01-01 00:00:00", "1800/01/01", "00:00:00"},  // 1800 is still solar
  };
  for (const DeviceTimeCase& c : cases) {
    const TDeviceTime t = ParseDeviceTime(c.Value);
    EXPECT_EQ(t.Date, c.Date) << c.Value;
    EXPECT_EQ(t.Time, c.Time) << c.Value;
  }
}

TEST(KrMiraParseDeviceTime, RaisesTheConversionErrorForPartsThatAreNotNumbers) {
  const char* bad[] = {"",
                       "2008-03-20",           // no time
                       "2008-03-20 10:15",     // no seconds
                       "2008-03-xx 10:15:30",  // a part that is no number
                       "2008-03-20T10:15:30",  // no blank between date and time
                       " 2008-03-20 10:15:30",
                       "2008-03-20 10:15:30 ",
                       "2008-03-20 10:15:99999999999"};
  for (const char* value : bad) {
    EXPECT_THROW(ParseDeviceTime(value), EConvertError) << '"' << value << '"';
  }
}

// Numbers that make no day or time are refused too, and the message quotes the terminal's text
// (not one of its parts, which would read "'' is not a valid integer value").
TEST(KrMiraParseDeviceTime, RefusesDaysAndTimesThatDoNotExistQuotingTheTerminal) {
  const char* bad[] = {"2024-12-09 25:61:00", "2024-12-09 23:60:00", "2026-02-31 10:00:00",
                       "1403-13-01 10:00:00", "0000-00-00 00:00:00", "abc"};
  for (const char* value : bad) {
    try {
      ParseDeviceTime(value);
      ADD_FAILURE() << "accepted " << value;
    } catch (const EConvertError& e) {
      EXPECT_NE(std::string(e.what()).find(std::string("\"") + value + "\""), std::string::npos)
          << e.what();
    }
  }
  EXPECT_EQ(ParseDeviceTime("2024-02-29 23:59:59").Time, "23:59:59");  // a leap day exists
}

struct ToDeviceCase {
  const char* Date;
  const char* Time;
  TDateType Terminal;
  const char* Expected;
};

TEST(KrMiraDateTimeToDevice, WritesTheDateInTheTerminalsCalendar) {
  const ToDeviceCase cases[] = {
      {"1387/01/01", "10:15", Christian, "2008-3-20 10:15:00"},  // converted: no leading zeros
      {"1387/01/01", "10:15", Solar, "1387-01-01 10:15:00"},
      {"2008/03/20", "10:15", Solar, "1387-1-1 10:15:00"},
      {"2008/03/20", "10:15", Christian, "2008-03-20 10:15:00"},
      {"87/01/01", "10:15", Christian, "2008-3-20 10:15:00"},     // two-digit year widened first
      {"1800/01/01", "00:00", Christian, "1800-01-01 00:00:00"},  // 1800 is never converted
      {"1800/01/01", "00:00", Solar, "1800-01-01 00:00:00"},
      {"1387/01/01", "10:15:30", Solar, "1387-01-01 10:15:30"},  // only HH:MM gets seconds
      {"1387/01/01", "9:05", Solar, "1387-01-01 9:05"},
  };
  for (const ToDeviceCase& c : cases) {
    EXPECT_EQ(DateTimeToDevice(c.Date, c.Time, c.Terminal), c.Expected)
        << c.Date << " " << c.Time << " on " << (c.Terminal == Solar ? "Solar" : "Christian");
  }
}

TEST(KrMiraDateTimeToDevice, ADateThatCannotBeWrittenRaisesWhenItsYearIsRead) {
  EXPECT_THROW(DateToDevice("", Christian), EConvertError);
  EXPECT_THROW(DateToDevice("  ", Solar), EConvertError);
}

TEST(KrMiraRecordRequest, CoversAWideRangeThatIsNeverConverted) {
  EXPECT_EQ(RecordRequest(Christian),
            "GetRecord(start_time= \"1900-01-01 00:00:00\" end_time=\"2099-12-29 23:59:59\" )");
  // The solar range reaches past 1399: records of the current solar years must be fetched.
  EXPECT_EQ(RecordRequest(Solar),
            "GetRecord(start_time= \"1300-01-01 00:00:00\" end_time=\"1499-12-29 23:59:59\" )");
}

TEST(KrMiraSplitRecordTexts, CutsAtEachTimeAndDropsTheReplysLastCharacter) {
  // Each record runs from its "time=" to the next; trailing line breaks are not part of it, so
  // a record reads the same in the middle of a reply and at its end.
  EXPECT_EQ(
      SplitRecordTexts("Return(result=\"success\"\ntime=\"a\" id=\"1\"\ntime=\"b\" id=\"2\"\n)"),
      (std::vector<std::string>{"time=\"a\" id=\"1\"", "time=\"b\" id=\"2\""}));
  // Without a closing character the last record loses its own last one.
  EXPECT_EQ(SplitRecordTexts("time=\"a\" id=\"1\" time=\"b\" id=\"2\""),
            (std::vector<std::string>{"time=\"a\" id=\"1\"", "time=\"b\" id=\"2"}));
  EXPECT_TRUE(SplitRecordTexts("Return(result=\"success\" count=\"0\"\n)").empty());
  EXPECT_TRUE(SplitRecordTexts("").empty());
  // Fewer than six characters from the "time=" on: no record.
  EXPECT_TRUE(SplitRecordTexts("x time=").empty());
  EXPECT_TRUE(SplitRecordTexts("time=\"").empty());
  EXPECT_EQ(SplitRecordTexts("time=\"x"), (std::vector<std::string>{"time=\""}));
}

struct StatusCase {
  const char* Status;
  TIOType IOType;
  const char* RecType1;
  const char* RecType2;
};

TEST(KrMiraStatusMeaning, MapsStatusToEntryExitLeaveAndMission) {
  const StatusCase cases[] = {
      {"0", iotNone, "00", "00"},    {"1", iotEnter, "00", "03"},
      {"2", iotExit, "00", "02"},    {"3", ioVacation, "11", "00"},
      {"4", ioVacation, "11", "00"}, {"5", ioVacation, "11", "00"},
      {"6", ioMission, "12", "00"},  {"7", ioMission, "12", "00"},
      {"8", ioMission, "12", "00"},  {"9", iotNone, "00", "00"},
      {"-1", iotNone, "00", "00"},   {"entry", iotNone, "00", "00"},
      {"1a", iotNone, "00", "00"},   {"99999999999", iotNone, "00", "00"},
  };
  for (const StatusCase& c : cases) {
    const TStatusMeaning m = StatusMeaning(c.Status);
    EXPECT_EQ(m.IOType, c.IOType) << c.Status;
    EXPECT_STREQ(m.RecType1, c.RecType1) << c.Status;
    EXPECT_STREQ(m.RecType2, c.RecType2) << c.Status;
  }
}

TEST(KrMiraRecordData, IsTheCardClocksRawRecordText) {
  const std::string head(3, '\x01');
  EXPECT_EQ(RecordData("123", "870305", "08:30", "00", "03"), head + "0000000123030508300003A");
  EXPECT_EQ(RecordData("4455667788", "030101", "23:59", "12", "00"),
            head + "4455667788010123591200A");
  // No card: the padding alone.
  EXPECT_EQ(RecordData("", "870305", "08:30", "11", "00"), head + "0000000000030508301100A");
}

TEST(KrMiraTextHelpers, PadTrimAndStrictNumbers) {
  EXPECT_EQ(PadLeftText("7", "0", 2), "07");
  EXPECT_EQ(PadLeftText("123", "0", 2), "123");
  EXPECT_EQ(PadLeftText("7", "", 5), "7");  // an empty pad cannot fill anything
  EXPECT_EQ(TrimBlanks(" \t a b\r\n"), "a b");
  EXPECT_EQ(StrToIntStrict("-12"), -12);
  EXPECT_EQ(StrToIntStrict("+7"), 7);
  EXPECT_EQ(StrToIntStrict("2147483647"), 2147483647);
  EXPECT_EQ(StrToIntStrict("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"", "-", " 1", "1 ", "0x10", "2147483648", "12a"}) {
    EXPECT_THROW(StrToIntStrict(bad), EConvertError) << '"' << bad << '"';
  }
}

}  // namespace
