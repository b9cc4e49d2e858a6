#include <gtest/gtest.h>

#include "clock/ClockError.h"
#include "clock/VexClock.h"
#include "clock/ops/OpsFixture.h"
#include "support/ScriptedDevice.h"

using opstest::CountCommands;
using opstest::CountHdlcCommands;
using opstest::OpsTest;
using testsupport::Bytes;

namespace {

// A text date-time reply: 01 01 01, the data, CR, and the XOR of the data.
std::string DateTimeReply(const std::string& AData) {
  unsigned char check = 0;
  for (char ch : AData) check ^= static_cast<unsigned char>(ch);
  return Bytes({1, 1, 1}) + AData + "\r" + static_cast<char>(check);
}

// The firmware is known: a date of these years would otherwise make the clock detect itself
// first (see the year correction below).
class TextDateTimeTest : public opstest::TextLineTest {
 protected:
  TextDateTimeTest() { clock().FirmwareVer = "VER 3.10"; }
};

TEST_F(TextDateTimeTest, ReadsTheClockThenAnswersFromTheCacheForTenSeconds) {
  TDateStr date;
  TTimeStr time;
  // The tick count is only 1000 here: the first read must ask the clock all the same.
  ASSERT_TRUE(clock().GetDateTime(date, time));
  EXPECT_EQ(date, "1403/09/18");
  EXPECT_EQ(time, "10:30");
  EXPECT_EQ(CountCommands(model, '\x05'), 1);

  model.setDateTime({1403, 9, 18, 10, 33, 0});
  advance(3000);
  date = "x";
  time = "y";
  EXPECT_FALSE(clock().GetDateTime(date, time));
  EXPECT_EQ(date, "1403/09/18");
  EXPECT_EQ(time, "10:30");
  EXPECT_EQ(CountCommands(model, '\x05'), 1);

  advance(7001);
  EXPECT_TRUE(clock().GetDateTime(date, time));
  EXPECT_EQ(time, "10:33");
  EXPECT_EQ(CountCommands(model, '\x05'), 2);
}

TEST_F(TextDateTimeTest, MustReadDateTimeBypassesTheCache) {
  TDateStr date;
  TTimeStr time;
  ASSERT_TRUE(clock().GetDateTime(date, time));
  clock().MustReadDateTime = true;
  EXPECT_TRUE(clock().GetDateTime(date, time));
  EXPECT_FALSE(clock().MustReadDateTime);
  EXPECT_EQ(CountCommands(model, '\x05'), 2);
}

class ScriptedDateTimeTest : public OpsTest {
 protected:
  ScriptedDateTimeTest() {
    vp.P.Wire.setModel(&device);
    clock().FirmwareVer = "VER 3.10";
  }
  TBasicClock& clock() { return *line.Clocks().front(); }
  testsupport::ScriptedDevice device;
  TClockSet line;
};

TEST_F(ScriptedDateTimeTest, BadRepliesAreRetriedAtOnceOrAfterAPause) {
  const std::string good = DateTimeReply(
      "140309184"
      "1030");
  std::string wrongCheck = good;
  wrongCheck.back() = static_cast<char>(wrongCheck.back() ^ 0x40);
  struct Case {
    const char* Name;
    std::string First;
    std::uint64_t MinMs;  // virtual time the read takes at least
    std::uint64_t MaxMs;
  };
  const Case cases[] = {
      // A wrong check byte: the next try follows at once.
      {"wrong check byte", wrongCheck, 0, 100},
      // Too short: the wait runs out (7000 ms), then a pause of 500 ms.
      {"short", Bytes({1, 1, 1}) + "1403091", 7500, 7700},
      // Full length but a letter in the month: a pause of 500 ms.
      {"letter",
       DateTimeReply("14030X184"
                     "1030"),
       500, 700},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    device.Replies.clear();
    device.Received.clear();
    device.then(c.First);
    device.then(good);
    clock().MustReadDateTime = true;
    const auto start = now();
    TDateStr date;
    TTimeStr time;
    EXPECT_TRUE(clock().GetDateTime(date, time));
    EXPECT_EQ(date, "1403/09/18");
    EXPECT_EQ(time, "10:30");
    EXPECT_EQ(device.Received.size(), 2u);
    EXPECT_GE(now() - start, c.MinMs);
    EXPECT_LE(now() - start, c.MaxMs);
  }
}

TEST_F(ScriptedDateTimeTest, FailedReadHandsOutTheCachedValuesAndAsksAgainNextTime) {
  device.then(
      DateTimeReply("140309184"
                    "1030"));
  TDateStr date;
  TTimeStr time;
  ASSERT_TRUE(clock().GetDateTime(date, time));
  advance(10001);
  // Silence from now on: three tries, each followed by a pause of 500 ms.
  EXPECT_FALSE(clock().GetDateTime(date, time));
  EXPECT_EQ(date, "1403/09/18");
  EXPECT_EQ(time, "10:30");
  EXPECT_EQ(device.Received.size(), 4u);
  EXPECT_FALSE(clock().GetDateTime(date, time));
  EXPECT_EQ(device.Received.size(), 7u);
}

TEST_F(ScriptedDateTimeTest, ReplyWithEarlyCrIsNeverReadPastItsEnd) {
  // A CR in the day-of-week place: removing it shortens the reply to 16 bytes before the check.
  std::string data = "14030918\r1030";
  unsigned char check = 0;
  for (char ch : data)
    if (ch != '\r') check ^= static_cast<unsigned char>(ch);
  device.Always = {{5, Bytes({1, 1, 1}) + data + "\r" + static_cast<char>(check)}};
  TDateStr date;
  TTimeStr time;
  EXPECT_FALSE(clock().GetDateTime(date, time));  // the check no longer holds: no date
  EXPECT_EQ(date, "");
}

// ---- The year correction of firmware "VER 2.60" ----

TEST(FirmwareYearCorrection, TableOfDatesAndFirmwareTexts) {
  struct Case {
    sim::SimDateTime ClockDate;
    const char* Firmware;
    const char* Expected;
    bool Notice;
  };
  const Case cases[] = {
      {{1400, 2, 3, 9, 0, 0}, "VER 2.60", "1394/02/03", true},
      {{1393, 12, 29, 9, 0, 0}, "VER 2.60", "1393/12/29", false},
      {{1394, 1, 1, 9, 0, 0}, "VER 2.60", "1388/01/01", true},
      {{1400, 2, 3, 9, 0, 0}, "VER 3.10", "1400/02/03", false},
      {{1450, 6, 7, 9, 0, 0}, "  ver 2.60 ", "1444/06/07", true},
      {{1500, 1, 1, 9, 0, 0}, "VER 2.60", "1494/01/01", true},
      {{1501, 1, 1, 9, 0, 0}, "VER 2.60", "1501/01/01", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Expected);
    ShowUpgradeNotice = true;
    sim::ScopedVirtualPlatform vp;
    int notices = 0;
    TScopedMessageHook hook(
        [&](const std::string& AMsg, TMsgDlgType AType, TMsgDlgButtons AButtons, std::int32_t) {
          ++notices;
          EXPECT_EQ(AMsg, "لطفا جهت ارتقاء برنامه ساعت ها با شرکت تماس حاصل فرماييد");
          EXPECT_EQ(AType, mtWarning);
          EXPECT_EQ(AButtons, mbOK);
          return static_cast<int>(mrOk);
        });
    sim::TextClockSettings settings;
    settings.DateTime = c.ClockDate;
    sim::TextClockModel model(settings);
    vp.P.Wire.setModel(&model);
    TClockSet line;
    TBasicClock& clock = *line.Clocks().front();
    clock.FirmwareVer = c.Firmware;
    TDateStr date;
    TTimeStr time;
    ASSERT_TRUE(clock.GetDateTime(date, time));
    EXPECT_EQ(date, c.Expected);
    EXPECT_EQ(notices, c.Notice ? 1 : 0);
    // The cache holds the corrected date, and a read from the cache does not correct it again.
    EXPECT_FALSE(clock.GetDateTime(date, time));
    EXPECT_EQ(date, c.Expected);
  }
  ShowUpgradeNotice = true;
}

class CorrectionTest : public opstest::TextLineTest {
 protected:
  CorrectionTest() : TextLineTest(Settings()) {}
  static sim::TextClockSettings Settings() {
    sim::TextClockSettings s;
    s.Firmware = "VER 2.60";
    s.DateTime = {1400, 2, 3, 9, 0, 0};
    return s;
  }
};

TEST_F(CorrectionTest, NoticeIsShownOncePerRunAcrossReadsAndClocks) {
  TDateStr date;
  TTimeStr time;
  clock().FirmwareVer = "VER 2.60";
  ASSERT_TRUE(clock().GetDateTime(date, time));
  advance(10001);
  ASSERT_TRUE(clock().GetDateTime(date, time));
  EXPECT_EQ(date, "1394/02/03");
  TBasicClock& second = line.NewClock(1);
  second.FirmwareVer = "VER 2.60";
  ASSERT_TRUE(second.GetDateTime(date, time));
  EXPECT_EQ(date, "1394/02/03");
  EXPECT_EQ(Messages.size(), 1u);
  EXPECT_FALSE(ShowUpgradeNotice);
}

TEST_F(CorrectionTest, UnknownFirmwareIsDetectedFirst) {
  TDateStr date;
  TTimeStr time;
  ASSERT_TRUE(clock().GetDateTime(date, time));
  EXPECT_EQ(CountCommands(model, '\x18'), 1);
  EXPECT_EQ(clock().FirmwareVer, "VER 2.60");
  EXPECT_EQ(clock().ClockType, KRTal);
  EXPECT_EQ(date, "1394/02/03");
  ASSERT_EQ(MessageTypes.size(), 1u);
  EXPECT_EQ(MessageTypes[0], mtWarning);
}

// ---- HDLC ----

class HdlcDateTimeTest : public opstest::HdlcLineTest {
 protected:
  HdlcDateTimeTest() { clock().FirmwareVer = "Ver 1.20"; }
};

TEST_F(HdlcDateTimeTest, PrefixesAndTheDictionarysDateType) {
  struct Case {
    const char* Prefix;
    TClockType Type;
    const char* MainDict;  // nullptr: no file
    bool Answered;
    const char* Date;
    const char* Time;
  };
  const Case cases[] = {
      // Gregorian 2024/12/08 on the wire; without a dictionary the date type is solar.
      {"XY", KRTal, nullptr, true, "1403/9/18", "10:30"},
      {"", KRTal, nullptr, true, "1403/9/18", "10:30"},
      {"XYZ", KREmber, nullptr, true, "1403/9/18", "10:30"},
      {"XYZXY", KREmber, nullptr, true, "1403/9/18", "10:30"},
      {"XY", KREmber, "Language=English\r\nDateType=Christian\r\n", true, "2024/12/08", "10:30"},
      {"XY", KREmber, "DateType=christian\r\n", true, "1403/9/18", "10:30"},  // exact word only
      // Only an Ember may send "XYZ": the read ends at once, the arguments untouched.
      {"XYZ", KRTal, nullptr, false, "keep", "k"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Prefix) + " " + ClockTypeToStr(c.Type));
    opstest::ProgramFolder folder;
    if (c.MainDict) folder.writeMainDict(c.MainDict);
    model.DateTimePrefix = c.Prefix;
    model.Commands.clear();
    clock().ClockType = c.Type;
    clock().MustReadDateTime = true;
    TDateStr date = "keep";
    TTimeStr time = "k";
    EXPECT_EQ(clock().GetDateTime(date, time), c.Answered);
    EXPECT_EQ(date, c.Date);
    EXPECT_EQ(time, c.Time);
    // The calendar type is asked before the date and time, once.
    ASSERT_EQ(model.Commands.size(), 2u);
    EXPECT_EQ(model.Commands[0], std::string("Q\x02", 2));
    EXPECT_EQ(model.Commands[1], std::string("\x03\x00", 2));
  }
}

TEST_F(HdlcDateTimeTest, CalendarTypeIsReadFromTheClock) {
  TDateStr date;
  TTimeStr time;
  model.Calendar = sim::SimCalendar::Gregorian;
  model.setDateTime({2024, 12, 8, 10, 30, 0});
  ASSERT_TRUE(clock().GetDateTime(date, time));
  EXPECT_EQ(clock().DeviceCalendarType(), Christian);
  model.Calendar = sim::SimCalendar::Solar;
  model.setDateTime({1403, 9, 18, 10, 30, 0});
  clock().MustReadDateTime = true;
  ASSERT_TRUE(clock().GetDateTime(date, time));
  EXPECT_EQ(clock().DeviceCalendarType(), Solar);
  // A clock that does not answer the question counts as Gregorian.
  model.onCommand('Q', [](const std::string&) { return std::string(); });
  clock().MustReadDateTime = true;
  ASSERT_TRUE(clock().GetDateTime(date, time));
  EXPECT_EQ(clock().DeviceCalendarType(), Christian);
}

TEST_F(HdlcDateTimeTest, AnswerShorterThanSixFieldsIsAFailedTry) {
  for (const char* answer : {"XY\xE8\x07\x0C\x08\x0A", "XYZ\xE8\x07", "", "\xE8"}) {
    SCOPED_TRACE(testsupport::Hex(answer));
    model.Commands.clear();
    model.onCommand(0x03, [&](const std::string&) { return std::string(answer); });
    clock().ClockType = KREmber;
    clock().MustReadDateTime = true;
    TDateStr date = "keep";
    TTimeStr time = "k";
    const auto start = now();
    EXPECT_FALSE(clock().GetDateTime(date, time));
    // Three tries, each asking the calendar and the date, each followed by a pause.
    EXPECT_EQ(CountHdlcCommands(model, std::string("\x03\x00", 2)), 3);
    EXPECT_EQ(CountHdlcCommands(model, "Q\x02"), 3);
    EXPECT_GE(now() - start, 1500u);
    EXPECT_EQ(date, "");  // nothing was ever read: the empty cache is handed out
  }
}

// ---- Setting ----

TEST_F(TextDateTimeTest, SettingOnRs232AsksReadinessThenSendsTheGregorianDate) {
  const auto start = now();
  ASSERT_TRUE(clock().SetDateTime("1394/01/15", "08:30"));
  // 1394/01/15 is Saturday 2015/04/04: day of week 7.
  const auto& log = model.commandLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "\x07");
  EXPECT_EQ(log[1], "T2015040470830\x14");
  EXPECT_EQ(model.dateTime(), (sim::SimDateTime{1394, 1, 15, 8, 30, 0}));
  EXPECT_GE(now() - start, 1000u);  // the pause after a setting
  EXPECT_TRUE(clock().MustReadDateTime);
  EXPECT_FALSE(clock().InSetDateTime);
}

TEST_F(TextDateTimeTest, GregorianDateAndTimeWithoutColonAreSentAsTheyAre) {
  ASSERT_TRUE(clock().SetDateTime("2015/04/04", "0830"));
  EXPECT_EQ(model.commandLog().back(), "T2015040470830\x14");
}

TEST_F(TextDateTimeTest, AfterASettingTheNextReadAsksTheClock) {
  TDateStr date;
  TTimeStr time;
  ASSERT_TRUE(clock().GetDateTime(date, time));
  ASSERT_TRUE(clock().SetDateTime("1403/10/01", "07:15"));
  EXPECT_TRUE(clock().GetDateTime(date, time));
  EXPECT_EQ(date, "1403/10/01");
  EXPECT_EQ(time, "07:15");
  EXPECT_EQ(CountCommands(model, '\x05'), 2);
}

TEST_F(TextDateTimeTest, DateOrTimeThatCannotBeSentIsRefusedWithoutTraffic) {
  for (auto [date, time] : {std::pair<const char*, const char*>{"", "08:30"},
                            {"1394/01/15", "8h30"},
                            {"1394/01/15", "25:00"},
                            {"1394/01/15", ""}}) {
    EXPECT_FALSE(clock().SetDateTime(date, time)) << date << " " << time;
  }
  EXPECT_TRUE(model.commandLog().empty());
}

TEST_F(ScriptedDateTimeTest, Rs232ClockNotReadyGetsNoSettingCommand) {
  device.Always = {{5, "?"}};
  EXPECT_FALSE(clock().SetDateTime("1394/01/15", "08:30"));
  EXPECT_EQ(device.Received, std::vector<std::string>(3, "\x07"));
}

TEST_F(ScriptedDateTimeTest, SettingRefusedWithoutGIsRetried) {
  device.then("!");
  device.then("E");
  device.then("!");
  device.then("G");
  EXPECT_TRUE(clock().SetDateTime("1394/01/15", "08:30"));
  EXPECT_EQ(device.Received.size(), 4u);
}

TEST(DateTimeSetting, Rs485SendsTheSettingWithoutReadiness) {
  sim::ScopedVirtualPlatform vp;
  sim::Rs485BusModel bus;
  sim::TextClockModel& model = bus.addClock(3);
  vp.P.Wire.setModel(&bus);
  TClockSet line;
  line.SetProtocol(RS485);
  TBasicClock& clock = line.NewClock(3);
  ASSERT_TRUE(clock.SetDateTime("1394/01/15", "08:30"));
  ASSERT_EQ(model.commandLog().size(), 1u);
  EXPECT_EQ(model.commandLog()[0].substr(0, 14), "T2015040470830");
  EXPECT_EQ(model.dateTime(), (sim::SimDateTime{1394, 1, 15, 8, 30, 0}));
}

TEST_F(HdlcDateTimeTest, SettingSendsTheGregorianFieldsAndNeedsAnswerZero) {
  ASSERT_TRUE(clock().SetDateTime("1394/01/15", "08:30"));
  ASSERT_EQ(model.Commands.size(), 1u);
  EXPECT_EQ(testsupport::Hex(model.Commands[0]), "04 00 DF 07 04 04 08 1E 00");
  EXPECT_EQ(model.dateTime(), (sim::SimDateTime{1394, 1, 15, 8, 30, 0}));
  model.onCommand(0x04, [](const std::string&) { return std::string("\x01"); });
  EXPECT_FALSE(clock().SetDateTime("1394/01/15", "08:30"));
  EXPECT_EQ(model.Commands.size(), 4u);  // three tries
}

TEST_F(TextDateTimeTest, ReadDuringASettingReturnsAtOnceWithoutTouchingItsArguments) {
  int nested = 0;
  vp.P.Clock.OnProcessMessages = [&] {
    if (!clock().InSetDateTime) return;
    ++nested;
    TDateStr date = "keep";
    TTimeStr time = "k";
    EXPECT_FALSE(clock().GetDateTime(date, time));
    EXPECT_EQ(date, "keep");
    EXPECT_EQ(time, "k");
  };
  ASSERT_TRUE(clock().SetDateTime("1394/01/15", "08:30"));
  vp.P.Clock.OnProcessMessages = nullptr;
  EXPECT_GT(nested, 0);
  EXPECT_EQ(CountCommands(model, '\x05'), 0);
}

TEST_F(TextDateTimeTest, DateAndTimePropertiesSetTheClockAndRaiseWhenRefused) {
  clock().SetDate("1403/10/01");
  EXPECT_EQ(model.dateTime().Month, 10);
  clock().SetTime("07:45");
  EXPECT_EQ(model.dateTime(), (sim::SimDateTime{1403, 10, 1, 7, 45, 0}));
  EXPECT_EQ(clock().Date(), "1403/10/01");
  EXPECT_EQ(clock().Time(), "07:45");

  model.misbehave({sim::MisbehaviourKind::Silence, sim::kAlways, 0, "", "\x07"});
  try {
    clock().SetDate("1403/11/01");
    FAIL() << "no error";
  } catch (const EClockError& e) {
    EXPECT_STREQ(e.what(), "خطا در تنظيم تاريخ");
  }
  try {
    clock().SetTime("09:00");
    FAIL() << "no error";
  } catch (const EClockError& e) {
    EXPECT_STREQ(e.what(), "خطا در تنظيم ساعت");
  }
  EXPECT_FALSE(clock().InSetDateTime);
}

}  // namespace
